#!/usr/bin/env bash
# Starts the clock emulator as COM1 in a demo folder, then the setup program in that folder,
# and stops the emulator when the program exits.
set -uo pipefail
build=${1:-build}
demo="$build/demo"
emulator="$build/tools/kelvox-clock-emulator"
program="$build/app/kelvox-setup"

mkdir -p "$demo"
# Every port the demo does not use points nowhere, so the machine's own serial devices stay untouched.
for n in 2 3 4 5 6 7 8 9; do ln -sfn /nonexistent/kelvox-demo-port "$demo/COM$n"; done

if [ ! -x "$program" ]; then
  echo "The setup program is not built yet; nothing to start."
  exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make run: no display found (DISPLAY is not set); start it from a desktop session, or under xvfb-run." >&2
  exit 1
fi

emu_pid=
if [ -x "$emulator" ]; then
  # The demo clock keeps what the program sends it from one run to the next, in emulator.cfg.
  config=()
  [ -f "$demo/emulator.cfg" ] && config=(--config emulator.cfg)
  rm -f "$demo/COM1"
  (cd "$demo" && exec "../tools/kelvox-clock-emulator" --dir . --port 1 --log emulator.log \
    --save emulator.cfg "${config[@]}") &
  emu_pid=$!
  # Wait until the emulator has linked its port.
  for _ in $(seq 50); do [ -e "$demo/COM1" ] && break; sleep 0.1; done
  if [ -e "$demo/COM1" ]; then
    echo "Clock emulator running as COM1 in $demo (log: $demo/emulator.log, configuration: $demo/emulator.cfg)."
  else
    echo "The clock emulator did not start (see $demo/emulator.log); the program starts without a clock." >&2
  fi
else
  echo "The clock emulator is not built; the program starts without a clock."
fi

# The demo's ports are its folder's links: the machine's own serial devices are left alone.
(cd "$demo" && export KELVOX_SETUP_FOLDER_PORTS_ONLY=1 && exec "../app/kelvox-setup")
status=$?
[ -n "$emu_pid" ] && kill "$emu_pid" 2>/dev/null && wait "$emu_pid" 2>/dev/null
exit $status
