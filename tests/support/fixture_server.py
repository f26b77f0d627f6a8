#!/usr/bin/env python3
"""HTTP fixture server for the network tests.

Listens on 127.0.0.1 only. On start it prints "PORT <n>" on stdout; then it
reads one JSON command per line from stdin and answers each with one line on
stdout. It records every request exactly as it came off the wire.

Commands:
  {"cmd": "route", "path": P, "responses": [R, ...]}
      Answers requests for P (the request target's path and query, or, when
      that has no route, the path alone) with the responses in turn; the last
      one repeats. Reply: "ok".
  {"cmd": "requests"}
      Reply: the number N of recorded requests, then N more lines, each the
      base64 of one raw request (request line, header lines, blank line, body).
  {"cmd": "clear"}      forgets the recorded requests. Reply: "ok".
  {"cmd": "quit"}       stops the server. Reply: "ok".

A response R is an object with the optional keys:
  status (200), reason ("OK"), headers ([[name, value], ...], sent in order),
  body_b64 (""), body_repeat (1: the body is sent that many times over),
  content_length (true: add a Content-Length header computed from the body),
  chunked (false: send the body in chunked transfer coding),
  delay (0: seconds to wait before answering),
  repeat_interval (0: seconds of silence between the body_repeat copies of
                   the body, for a slow but steady transfer; not with chunked),
  fault: one of
    "reset_after_headers"  headers and half the body, then a connection reset
    "close_before_response"  the connection is closed without any answer
    "stall_after_headers"  headers and half the body, then silence for
                           stall_seconds (default 60), then a close
  raw_b64: sent as it stands instead of a composed response.
An unknown path is answered with 404 Not Found.
"""

import argparse
import base64
import json
import socket
import ssl
import struct
import sys
import threading
import time

MAX_HEADER_BYTES = 1 << 20


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.routes = {}
        self.counters = {}
        self.requests = []

    def next_response(self, target):
        path = target
        if target.startswith("http://") or target.startswith("https://"):
            # Absolute form, as a proxy sees it: route on the path part.
            rest = target.split("://", 1)[1]
            path = "/" + rest.split("/", 1)[1] if "/" in rest else "/"
        with self.lock:
            key = path if path in self.routes else path.split("?", 1)[0]
            responses = self.routes.get(key)
            if not responses:
                return {"status": 404, "reason": "Not Found",
                        "headers": [["Content-Type", "text/plain"]],
                        "body_b64": base64.b64encode(b"not found").decode()}
            index = self.counters.get(key, 0)
            self.counters[key] = index + 1
            return responses[min(index, len(responses) - 1)]


def read_request(conn, pending):
    """Reads one request; returns (raw bytes, target, keep_alive) or None."""
    data = pending
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return None, b""
        data += chunk
        if len(data) > MAX_HEADER_BYTES:
            return None, b""
    head, rest = data.split(b"\r\n\r\n", 1)
    lines = head.split(b"\r\n")
    length = 0
    keep_alive = True
    for line in lines[1:]:
        name, _, value = line.partition(b":")
        lname = name.strip().lower()
        if lname == b"content-length":
            try:
                length = int(value.strip())
            except ValueError:
                length = 0
        elif lname == b"connection" and value.strip().lower() == b"close":
            keep_alive = False
    while len(rest) < length:
        chunk = conn.recv(65536)
        if not chunk:
            break
        rest += chunk
    body, pending = rest[:length], rest[length:]
    parts = lines[0].split(b" ")
    target = parts[1].decode("latin-1") if len(parts) > 1 else "/"
    return (head + b"\r\n\r\n" + body, target, keep_alive,
            parts[0] if parts else b""), pending


def compose(response, method):
    status = int(response.get("status", 200))
    reason = response.get("reason", "OK")
    body = base64.b64decode(response.get("body_b64", ""))
    body = body * int(response.get("body_repeat", 1))
    chunked = bool(response.get("chunked", False))
    head = "HTTP/1.1 %d %s\r\n" % (status, reason)
    head = head.encode("latin-1")
    for name, value in response.get("headers", []):
        head += name.encode("utf-8") + b": " + value.encode("utf-8") + b"\r\n"
    if chunked:
        head += b"Transfer-Encoding: chunked\r\n"
    elif response.get("content_length", True):
        head += b"Content-Length: %d\r\n" % len(body)
    head += b"\r\n"
    if method == b"HEAD":
        body = b""
    elif chunked and body:
        step = max(1, len(body) // 3)
        encoded = b""
        for i in range(0, len(body), step):
            piece = body[i:i + step]
            encoded += b"%x\r\n" % len(piece) + piece + b"\r\n"
        body = encoded + b"0\r\n\r\n"
    elif chunked:
        body = b"0\r\n\r\n"
    return head, body


def reset(conn):
    # SO_LINGER with a zero time-out makes close() send a reset.
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                    struct.pack("ii", 1, 0))
    conn.close()


def serve_connection(conn, state):
    pending = b""
    try:
        while True:
            request, pending = read_request(conn, pending)
            if request is None:
                return
            raw, target, keep_alive, method = request
            with state.lock:
                state.requests.append(raw)
            response = state.next_response(target)
            if response.get("delay"):
                time.sleep(float(response["delay"]))
            fault = response.get("fault")
            if fault == "close_before_response":
                conn.close()
                return
            if "raw_b64" in response:
                conn.sendall(base64.b64decode(response["raw_b64"]))
                conn.close()
                return
            head, body = compose(response, method)
            interval = float(response.get("repeat_interval", 0))
            if (interval > 0 and not fault and method != b"HEAD"
                    and not response.get("chunked")):
                conn.sendall(head)
                piece = base64.b64decode(response.get("body_b64", ""))
                for i in range(int(response.get("body_repeat", 1))):
                    if i:
                        time.sleep(interval)
                    conn.sendall(piece)
                if not keep_alive:
                    conn.close()
                    return
                continue
            if fault in ("reset_after_headers", "stall_after_headers"):
                conn.sendall(head + body[:len(body) // 2])
                if fault == "stall_after_headers":
                    time.sleep(float(response.get("stall_seconds", 60)))
                    conn.close()
                else:
                    time.sleep(0.05)
                    reset(conn)
                return
            conn.sendall(head + body)
            if not keep_alive:
                conn.close()
                return
    except (OSError, ssl.SSLError):
        pass
    finally:
        try:
            conn.close()
        except OSError:
            pass


def accept_loop(listener, state, tls):
    while True:
        try:
            conn, _ = listener.accept()
        except OSError:
            return
        if tls is not None:
            try:
                conn = tls.wrap_socket(conn, server_side=True)
            except (OSError, ssl.SSLError):
                conn.close()
                continue
        threading.Thread(target=serve_connection, args=(conn, state),
                         daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--cert", help="PEM certificate: serve HTTPS")
    parser.add_argument("--key", help="PEM private key for --cert")
    args = parser.parse_args()

    tls = None
    if args.cert:
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(args.cert, args.key)

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(64)
    state = State()
    threading.Thread(target=accept_loop, args=(listener, state, tls),
                     daemon=True).start()

    out = sys.stdout
    out.write("PORT %d\n" % listener.getsockname()[1])
    out.flush()
    for line in sys.stdin:
        line = line.strip()
        if not line:
            continue
        command = json.loads(line)
        name = command.get("cmd")
        if name == "route":
            with state.lock:
                state.routes[command["path"]] = command["responses"]
                state.counters[command["path"]] = 0
            out.write("ok\n")
        elif name == "requests":
            with state.lock:
                recorded = list(state.requests)
            out.write("%d\n" % len(recorded))
            for raw in recorded:
                out.write(base64.b64encode(raw).decode() + "\n")
        elif name == "clear":
            with state.lock:
                state.requests = []
            out.write("ok\n")
        elif name == "quit":
            out.write("ok\n")
            out.flush()
            break
        else:
            out.write("error unknown command\n")
        out.flush()
    listener.close()


if __name__ == "__main__":
    main()
