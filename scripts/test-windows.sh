#!/usr/bin/env bash
# make test-windows: the Qt-free code (clock/, the message framer, the Win32 serial layer)
# cross-built with MinGW-w64 into build-windows/ and its tests run under Wine, the serial ones
# against the native kelvox-clock-emulator on a pseudo-terminal that Wine sees as COM1. Then the
# window tests that need no pseudo-terminal of their own, built against Qt for Windows beside the
# program in build-windows-app/ (scripts/windows-program.sh tests), under Wine on Qt's offscreen
# platform.
#
# Wine runs in a private mount namespace where /dev/null covers every /dev/ttyS*, ttyUSB* and
# ttyACM* (scripts/wine-sandbox.sh): nothing it does can reach the machine's own serial devices.
#   scripts/test-windows.sh test|bench NATIVE_BUILD WINDOWS_BUILD WINDOWS_APP_BUILD JOBS [ctest arguments]
# "bench" runs the round-trip benchmark instead: natively on the POSIX layer, then under Wine on
# the Win32 layer, each against its own emulator.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=$1 native=$2 windows=$3 app=$4 jobs=$5
shift 5
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

source scripts/wine-sandbox.sh
if [ -z "${KVX_WINE_NAMESPACE:-}" ]; then
  scripts/install-deps.sh g++-mingw-w64-x86-64 wine64 wine googletest
  [ -f "$native/CMakeCache.txt" ] || cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
  cmake --build "$native" -j"$jobs" --target kelvox-clock-emulator $([ "$mode" = bench ] && echo kvx_bench_round_trip)
  mkdir -p "$windows/native"
  cc -shared -fPIC -O2 -Wall -o "$windows/native/pty_modem_preload.so" tests/windows/pty_modem_preload.c -ldl
  cmake -S tests/windows -B "$windows" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" "${launcher[@]}" >/dev/null
  cmake --build "$windows" -j"$jobs"
  # Every source of the program with the Win32 sides of its platform seams is compiled for Windows
  # against Qt for Windows beside the window tests (scripts/windows-program.sh tests), with
  # warnings as errors.
  [ "$mode" = bench ] || scripts/windows-program.sh tests "$app" "$jobs"
  wine_sandbox_enter "$0" "$mode" "$native" "$windows" "$app" "$jobs" "$@"
fi

# From here on inside the namespace.
export KVX_EMULATOR="$PWD/$native/tools/kelvox-clock-emulator"
export LD_PRELOAD="$PWD/$windows/native/pty_modem_preload.so"
wine_sandbox_start

if [ "$mode" = bench ]; then
  with_emulator="$PWD/tests/windows/with-emulator"
  posix_bench="$PWD/$native/bench/kvx_bench_round_trip"
  echo "POSIX layer:            $(cd "$KVX_PORT_DIR" && "$with_emulator" -- "$posix_bench")"
  echo "Win32 layer under Wine: $("$with_emulator" -- wine "$windows/win32_round_trip_bench.exe")"
  exit 0
fi
# Both runs, whatever the first gives.
status=0
ctest --test-dir "$windows" --output-on-failure -j"$jobs" "$@" || status=1
echo "window tests against Qt for Windows:"
# Wine's desktop process starts with the first program that opens a window and holds that
# program's output open until the last program ends: ctest then waited for one test all run long.
# Started here, it holds nothing of ctest's.
wine rundll32 user32.dll,GetDesktopWindow >/dev/null 2>&1
ctest --test-dir "$app" --output-on-failure -j"$jobs" "$@" || status=1
exit $status
