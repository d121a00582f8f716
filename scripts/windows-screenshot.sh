#!/usr/bin/env bash
# docs/window-wine.png: the real kelvox-setup.exe from the dist folder under Wine on Xvfb, with
# Qt's Windows platform, after it read the emulated clock on COM1.
#   scripts/windows-screenshot.sh NATIVE_BUILD DIST_FOLDER
set -euo pipefail
native=$(realpath -m "$1")
dist=$(realpath -e "$2")
cd "$(dirname "$0")/.."

source scripts/wine-sandbox.sh
if [ -z "${KVX_WINE_NAMESPACE:-}" ]; then
  scripts/install-deps.sh wine64 wine xvfb imagemagick
  wine_native_helpers "$native"
  wine_sandbox_enter "$0" "$native" "$dist"
fi
wine_sandbox_start
xvfb='' emulator='' program=''
stop() {
  for pid in $program $emulator $xvfb; do kill "$pid" 2>/dev/null || true; done
  wine_sandbox_stop
}
trap stop EXIT

"$native/tools/kelvox-clock-emulator" --dir "$KVX_PORT_DIR" --port 1 --save= --config "$PWD/scripts/demo-clock.cfg" \
  --log "$KVX_PORT_DIR/emulator.log" >/dev/null &
emulator=$!
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && [ -e "$KVX_PORT_DIR/COM1" ] && break; sleep 0.1; done
export DISPLAY=":$display"
# Not managed: on a bare X server Wine otherwise waits for a window manager whenever a box hides.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# Qt's GDI font engine under Wine drops some capital letters; FreeType draws them whole.
LD_PRELOAD="$native/pty_modem_preload.so" wine "$dist/kelvox-setup.exe" -platform windows:fontengine=freetype \
  >/dev/null 2>&1 &
program=$!
sleep 8
import -window root "$KVX_PORT_DIR/screen.png"
convert "$KVX_PORT_DIR/screen.png" -trim +repage docs/window-wine.png
echo "saved docs/window-wine.png; the emulator logged $(grep -c ' rx ' "$KVX_PORT_DIR/emulator.log") requests"
