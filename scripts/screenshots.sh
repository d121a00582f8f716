#!/usr/bin/env bash
# Pictures of the window for docs/, from an existing build (it builds nothing):
#   docs/window-*.png (settings, timer, dutch-*, german-*)  the window itself after reading the emulator's
#                                                    clock, on each page (kvx_window_pictures,
#                                                    offscreen);
#   docs/window-xvfb.png                             the real program as started by a user, on an
#                                                    X server of its own (Xvfb), after its start-up read.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
docs="$root/docs"
pictures="$build/bench/kvx_window_pictures"
program="$build/app/kelvox-setup"
emulator="$build/tools/kelvox-clock-emulator"
for f in "$pictures" "$program" "$emulator"; do
  [ -x "$f" ] || { echo "missing $f: build first (make build)" >&2; exit 1; }
done
"$root/scripts/install-deps.sh" xvfb imagemagick

mkdir -p "$docs"
QT_QPA_PLATFORM=offscreen "$pictures" "$docs"

# The real program in a scratch folder whose COM1 is the emulator and whose other ports lead nowhere.
scratch=$(mktemp -d)
emu_pid= xvfb_pid= prog_pid=
cleanup() {
  # Each one, whatever became of the one before.
  for pid in $prog_pid $emu_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT
for n in 2 3 4 5 6 7 8 9; do ln -sfn /nonexistent/kelvox-screenshot-port "$scratch/COM$n"; done
"$emulator" --dir "$scratch" --port 1 --config "$root/scripts/demo-clock.cfg" --log "$scratch/emulator.log" >/dev/null &
emu_pid=$!
for _ in $(seq 50); do [ -e "$scratch/COM1" ] && break; sleep 0.1; done
[ -e "$scratch/COM1" ] || { echo "the emulator did not start" >&2; exit 1; }

# A display number nobody uses.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

(cd "$scratch" && DISPLAY=":$display" QT_QPA_PLATFORM=xcb exec "$program") >/dev/null 2>&1 &
prog_pid=$!
# The first tick comes after 2 s; the read that follows takes a moment more.
sleep 4
DISPLAY=":$display" import -window root "$scratch/screen.png"
# Only the window: the bare root around it is cut away.
convert "$scratch/screen.png" -trim +repage "$docs/window-xvfb.png"
echo "saved $docs/window-xvfb.png"
