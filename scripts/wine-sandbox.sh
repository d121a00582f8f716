# shellcheck shell=bash
# Sourced by the scripts that run Windows programs under Wine. Wine runs in a private mount
# namespace where /dev/null covers every /dev/ttyS*, ttyUSB* and ttyACM*, so nothing it does can
# reach the machine's own serial devices, and in a fresh prefix whose COM1 is $KVX_PORT_DIR/COM1.
#   wine_sandbox_enter SCRIPT ARGS...  runs SCRIPT ARGS again inside a namespace of its own,
#                                      with KVX_WINE_NAMESPACE set (does not return)
#   wine_native_helpers NATIVE [TARGETS...]
#                                      outside: builds the native emulator (and TARGETS) in the
#                                      build folder NATIVE, and NATIVE/pty_modem_preload.so, which
#                                      gives pseudo-terminals the modem lines Wine asks for
#   wine_sandbox_start                 inside: the devices covered, WINEPREFIX and KVX_PORT_DIR
#                                      fresh folders, wineserver warm; all gone again at exit

wine_native_helpers() {
  local native=$1
  shift
  [ -f "$native/CMakeCache.txt" ] || cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$native" -j2 --target kelvox-clock-emulator "$@"
  cc -shared -fPIC -O2 -Wall -o "$native/pty_modem_preload.so" tests/windows/pty_modem_preload.c -ldl
}

wine_sandbox_enter() {
  # As a normal user the namespace comes with a user namespace in which the user is root.
  local as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(--map-root-user)
  exec unshare --mount "${as_root[@]}" env KVX_WINE_NAMESPACE=1 "$@"
}

wine_sandbox_start() {
  mount --make-rprivate /
  local device
  for device in /dev/ttyS* /dev/ttyUSB* /dev/ttyACM*; do
    if [ -e "$device" ]; then mount --bind /dev/null "$device"; fi
  done

  export WINEPREFIX KVX_PORT_DIR
  WINEPREFIX=$(mktemp -d /tmp/kvx-wine-XXXXXX)
  KVX_PORT_DIR=$(mktemp -d /tmp/kvx-ports-XXXXXX)
  # winedbg off: with it a crashing program sometimes ends with status 0. winemenubuilder off:
  # Start-menu entries stay in the prefix instead of landing on this machine's desktop.
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"
  trap wine_sandbox_stop EXIT

  # wineserver dumps thousands of lines when a pseudo-terminal goes away: they go to a file.
  wineserver -p 2>"$KVX_PORT_DIR/wineserver.log"
  wineboot -i >/dev/null 2>&1
  # COM1 through the registry: Wine rewrites hand-made dosdevices links at every start.
  wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$KVX_PORT_DIR/COM1" /f >/dev/null 2>&1
  wineserver -k
  wineserver -p 2>>"$KVX_PORT_DIR/wineserver.log"
  # A warm wineserver: without it every program pays the start and holds its caller's output pipe.
  wine cmd /c exit >/dev/null 2>&1
}

wine_sandbox_stop() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX" "$KVX_PORT_DIR"
}
