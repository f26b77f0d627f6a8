#!/usr/bin/env python3
"""A demo singer on 127.0.0.1, for watching the monitor at work.

  python3 scripts/demo_site.py [serve] [--port 8765]
      Serves, on 127.0.0.1 only:
        /singer            the singer homepage: cover links and "time" values
                           of the works, newest first, after one page-wide
                           "time" that belongs to no work
        /work/<n>          the page of work n: a meta charset and the
                           playurl, song_name and nick fields
        /media/<n>.m4a     the media file of work n
      and starts with four works published a day ago.

  python3 scripts/demo_site.py publish "<song>" [--port 8765]
      Asks the running site to publish a new work with that song name and the
      current time; prints the new work's address.

Python standard library only; nothing is ever sent anywhere but 127.0.0.1.
"""

import argparse
import html
import json
import sys
import threading
import time
import urllib.parse
import urllib.request
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HOST = "127.0.0.1"
DEFAULT_PORT = 8765
SINGER_NICK = "演示歌手"
SEED_SONGS = ["示例作品一", "示例作品二", "示例作品三", "示例作品四"]
SEED_AGE_SECONDS = 24 * 3600
PUBLISH_PATH = "/control/publish"


class Site:
    """The works of the demo singer, newest last; safe across threads."""

    def __init__(self, port):
        self.port = port
        self.lock = threading.Lock()
        self.works = []
        start = int(time.time()) - SEED_AGE_SECONDS
        for i, song in enumerate(SEED_SONGS):
            self.works.append({"id": i + 1, "song": song,
                               "time": start + i * 60})

    def base(self):
        return "http://%s:%d" % (HOST, self.port)

    def publish(self, song):
        with self.lock:
            last = self.works[-1]["time"] if self.works else 0
            # Strictly later than the last one, so no two works share a time.
            work = {"id": len(self.works) + 1, "song": song,
                    "time": max(int(time.time()), last + 1)}
            self.works.append(work)
            return dict(work)

    def find(self, work_id):
        with self.lock:
            for work in self.works:
                if work["id"] == work_id:
                    return dict(work)
        return None

    def homepage(self):
        with self.lock:
            works = list(reversed(self.works))
        rows = []
        for work in works:
            link = "%s/work/%d" % (self.base(), work["id"])
            data = json.dumps({"time": work["time"], "song": work["song"]},
                              ensure_ascii=False, separators=(",", ":"))
            rows.append(
                '<li><a href="%s" class="mod_playlist__cover">'
                '<img alt="%s"></a>\n<script>var work = %s;</script></li>'
                % (link, html.escape(work["song"]), data))
        # The page-wide "time" comes first and belongs to no work.
        header = json.dumps({"time": int(time.time()), "nick": SINGER_NICK},
                            ensure_ascii=False, separators=(",", ":"))
        return ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                "<title>%s的主页</title></head><body>\n"
                "<script>var page = %s;</script>\n<h1>%s</h1>\n"
                "<ul class=\"mod_playlist\">\n%s\n</ul></body></html>\n"
                % (SINGER_NICK, header, SINGER_NICK, "\n".join(rows)))

    def work_page(self, work):
        data = json.dumps({"playurl": "%s/media/%d.m4a" % (self.base(),
                                                           work["id"]),
                           "song_name": work["song"],
                           "nick": SINGER_NICK,
                           "time": work["time"]},
                          ensure_ascii=False, separators=(",", ":"))
        return ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                "<title>%s</title></head><body>\n"
                "<script>window.__DATA__ = %s;</script>\n</body></html>\n"
                % (html.escape(work["song"]), data))

    @staticmethod
    def media(work):
        # An ISO media file type box, then text naming the work: enough for
        # the monitor, which keeps the bytes as they come.
        brand = b"\x00\x00\x00\x18ftypM4A \x00\x00\x00\x00M4A mp42"
        note = ("Lirabel demo work %d: %s\n" % (work["id"], work["song"]))
        return brand + note.encode("utf-8") * 64


def make_handler(site):
    class Handler(BaseHTTPRequestHandler):
        def log_message(self, fmt, *args):
            sys.stderr.write("demo site: " + (fmt % args) + "\n")

        def send(self, status, content_type, body):
            self.send_response(status)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if self.command != "HEAD":
                self.wfile.write(body)

        def work_id(self, prefix, suffix=""):
            rest = self.path.split("?", 1)[0][len(prefix):]
            if suffix:
                if not rest.endswith(suffix):
                    return None
                rest = rest[:-len(suffix)]
            return int(rest) if rest.isdigit() else None

        def do_GET(self):
            path = self.path.split("?", 1)[0]
            if path in ("/", "/singer"):
                self.send(200, "text/html; charset=utf-8",
                          site.homepage().encode("utf-8"))
                return
            if path.startswith("/work/"):
                work = site.find(self.work_id("/work/"))
                if work:
                    self.send(200, "text/html; charset=utf-8",
                              site.work_page(work).encode("utf-8"))
                    return
            if path.startswith("/media/"):
                work = site.find(self.work_id("/media/", ".m4a"))
                if work:
                    self.send(200, "audio/mp4", site.media(work))
                    return
            self.send(404, "text/plain", b"not found\n")

        do_HEAD = do_GET

        def do_POST(self):
            if self.path != PUBLISH_PATH:
                self.send(404, "text/plain", b"not found\n")
                return
            length = int(self.headers.get("Content-Length") or 0)
            song = self.rfile.read(length).decode("utf-8").strip()
            if not song:
                self.send(400, "text/plain", b"a song name is needed\n")
                return
            work = site.publish(song)
            work["page"] = "%s/work/%d" % (site.base(), work["id"])
            self.send(200, "application/json",
                      json.dumps(work, ensure_ascii=False).encode("utf-8"))

    return Handler


def serve(port):
    site = Site(port)
    server = ThreadingHTTPServer((HOST, port), make_handler(site))
    site.port = server.server_address[1]
    print("demo singer homepage: %s/singer" % site.base(), flush=True)
    print("publish a work with: python3 %s publish \"<song>\" --port %d"
          % (sys.argv[0], site.port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


def publish(song, port):
    request = urllib.request.Request(
        "http://%s:%d%s" % (HOST, port, PUBLISH_PATH),
        data=song.encode("utf-8"), method="POST",
        headers={"Content-Type": "text/plain; charset=utf-8"})
    # The site is local: never through a proxy named in the environment.
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    try:
        with opener.open(request, timeout=10) as answer:
            work = json.loads(answer.read().decode("utf-8"))
    except OSError as error:
        sys.stderr.write("no demo site on port %d (%s); start it with: "
                         "python3 %s serve\n" % (port, error, sys.argv[0]))
        return 1
    print("published work %d \"%s\" at time %d: %s"
          % (work["id"], work["song"], work["time"], work["page"]))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("command", nargs="?", default="serve",
                        choices=["serve", "publish"])
    parser.add_argument("song", nargs="?", help="song name for publish")
    parser.add_argument("--port", type=int, default=DEFAULT_PORT)
    args = parser.parse_args()
    if args.command == "publish":
        if not args.song:
            parser.error("publish needs a song name")
        return publish(args.song, args.port)
    serve(args.port)
    return 0


if __name__ == "__main__":
    sys.exit(main())
