#!/usr/bin/env bash
# Retakes the README's screenshots (docs/*.png) from the built program on a
# virtual X display: the main window, the about window, and the main window
# during a backup run of a made-up blog served from this machine. Needs root
# (the blog's name is given to the program alone, in a mount namespace of its
# own) and the packages xvfb, x11-utils, xdotool, imagemagick, python3 and
# libjpeg-turbo-progs. Build first (scripts/build.sh run).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
PROGRAM=$ROOT/build/bundle/bin/snapharbor
for tool in Xvfb xdotool xwininfo import python3 cjpeg unshare; do
  command -v "$tool" >/dev/null || { echo "screenshots.sh needs $tool (apt-get install xvfb x11-utils xdotool imagemagick python3 libjpeg-turbo-progs)" >&2; exit 1; }
done
[ "$(id -u)" -eq 0 ] || { echo "screenshots.sh needs root (for the blog's name in a mount namespace)" >&2; exit 1; }
[ -x "$PROGRAM" ] || { echo "build the program first: bash scripts/build.sh run" >&2; exit 1; }

WORK=$(mktemp -d)
PIDS=()
cleanup() { for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$WORK"; }
trap cleanup EXIT

# The display.
export DISPLAY=:${SCREENSHOT_DISPLAY:-97}
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & PIDS+=($!)
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

# The blog: one page with three pictures, served on port 80.
mkdir -p "$WORK/blog/page" "$WORK/home/Desktop"
for i in 1 2 3; do
  python3 -c "
import sys
w, h = 320, 200
sys.stdout.buffer.write(b'P6 %d %d 255\n' % (w, h))
sys.stdout.buffer.write(bytes((x * 255 // w, y * 255 // h, 60 * $i) [c] for y in range(h) for x in range(w) for c in range(3)))
" | cjpeg -quality 85 > "$WORK/blog/pic$i.jpg"
done
{
  echo "<html><body>"
  for i in 1 2 3; do echo "<img src=\"http://myblog.tumblr.example/pic$i.jpg\">"; done
  echo "</body></html>"
} > "$WORK/blog/page/1"
(cd "$WORK/blog" && exec python3 -m http.server 80 --bind 127.0.0.1) >/dev/null 2>&1 & PIDS+=($!)
echo "127.0.0.1 localhost myblog.tumblr.example" > "$WORK/hosts"

# The program, with its own hosts file and a Desktop of its own.
HOME=$WORK/home unshare -m sh -c 'mount --bind "$1" /etc/hosts && exec "$2"' sh "$WORK/hosts" "$PROGRAM" &
PIDS+=($!)
MAIN=$(xdotool search --sync --onlyvisible --name "SnapHarbor - Freeware" | head -1)
sleep 1

shot() { import -window "$1" "$ROOT/docs/$2"; echo "docs/$2: $(xwininfo -id "$1" | awk '/Width|Height/ {printf "%s ", $2}')"; }
# Clicks at (x, y) of the form area, below the menu bar.
bar=$(( $(xwininfo -id "$MAIN" | awk '/Height/ {print $2}') - 142 ))
click() { xdotool mousemove --window "$MAIN" "$1" $(( $2 + bar )) click 1; sleep 0.3; }
type_into() { xdotool windowfocus --sync "$MAIN" 2>/dev/null || true; click "$1" "$2"; xdotool key --clearmodifiers ctrl+a; xdotool type --delay 20 "$3"; }

shot "$MAIN" main-window.png

click 519 112  # Info
ABOUT=$(xdotool search --sync --onlyvisible --name "^About$" | head -1)
sleep 1
shot "$ABOUT" about-window.png
xdotool windowclose "$ABOUT" 2>/dev/null || xdotool key --window "$ABOUT" Escape
sleep 0.5

type_into 350 25 "http://myblog.tumblr.example"
type_into 320 54 "MyBlog Backup"
type_into 265 84 "myblog"
click 519 54  # Go
for _ in $(seq 100); do [ "$(ls "$WORK/home/Desktop/MyBlog Backup" 2>/dev/null | wc -l)" -ge 3 ] && break; sleep 0.1; done
sleep 1
shot "$MAIN" main-window-running.png
