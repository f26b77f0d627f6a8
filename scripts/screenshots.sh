#!/usr/bin/env bash
# Starts the program under Xvfb and writes PNGs of the main window (at
# start-up and while watching), the about window and the summary box into
# ./screenshots/. The windows are driven by clicks, as a user would.
#
#   scripts/screenshots.sh [--build-dir DIR]
#
# Without --build-dir the program is built with scripts/build.sh first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

build_dir=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir=$2; shift 2 ;;
    *) echo "screenshots.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

"$root/scripts/setup.sh" --screenshots
if [ -z "$build_dir" ]; then
  build_dir=$("$root/scripts/build.sh" | tail -n 1)
fi
program="$build_dir/app/lirabel-monitor"
[ -x "$program" ] || { echo "screenshots.sh: no $program" >&2; exit 1; }

out="$root/screenshots"
mkdir -p "$out"

# The first display number nobody uses.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
export DISPLAY=":$display"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "screenshots.sh: Xvfb did not start" >&2; exit 1; }

# The program saves works next to itself; the watch started here has no
# address, so it fetches nothing.
"$program" &
program_pid=$!

# Waits for a visible window of the program whose title matches, prints its id.
wait_window() {
  local title=$1 id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --pid "$program_pid" --name "$title" \
      2>/dev/null | tail -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "screenshots.sh: no window titled '$title'" >&2
  return 1
}

# A visible window of the program other than the main window. Qt gives a
# window with an empty title the program's name on X, so it is found this way.
other_window() {
  local main=$1 root id
  root=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
  root=$((root))
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --pid "$program_pid" --name '' \
      2>/dev/null || true); do
      [ "$id" != "$main" ] && [ "$id" != "$root" ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  echo "screenshots.sh: no second window" >&2
  return 1
}

shoot() {
  # A moment for the window to paint itself.
  sleep 0.5
  import -window "$1" "$out/$2"
  echo "$out/$2"
}

# Clicks the middle of a control given by its place in the main window.
click_in() {
  local window=$1 x=$2 y=$3
  xdotool mousemove --window "$window" "$x" "$y" click 1
}

main=$(wait_window '^Lirabel')
shoot "$main" main_window.png

# 按钮6, Help/About: the about window opens modally.
click_in "$main" 48 168
about=$(other_window "$main")
shoot "$about" about_window.png
# Without a window manager a click gives the window the keyboard focus;
# Escape closes it.
click_in "$about" 130 20
xdotool key Escape
sleep 0.3

# 按钮1 Start, then 按钮2 Stop: the summary box.
click_in "$main" 288 80
shoot "$main" main_window_watching.png
click_in "$main" 360 80
box=$(wait_window '^信息：$')
shoot "$box" summary_box.png
click_in "$box" 5 5
xdotool key Return
sleep 0.3

# 按钮7, Exit: the program ends by itself with code 0.
click_in "$main" 148 168
for _ in $(seq 50); do
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$program_pid" 2>/dev/null; then
  echo "screenshots.sh: the program did not end on Exit" >&2
  exit 1
fi
code=0
wait "$program_pid" || code=$?
program_pid=""
if [ "$code" -ne 0 ]; then
  echo "screenshots.sh: the program ended with code $code" >&2
  exit 1
fi
