#!/usr/bin/env bash
# make windows: kelvox-setup.exe (and kelvox-setup.com, its console entry) cross-built for 64-bit Windows against the Qt that
# scripts/build-qt-windows.sh builds (or finds in its cache). "tests" builds the window tests for
# Windows (tests/windows/program) as well, in the same folder, for scripts/test-windows.sh.
# make windows-dist: a folder that runs on a Windows machine with nothing else installed: the exe,
# the Qt plugins Qt loads at run time, and every DLL these import that Windows does not bring,
# found from their import tables.
#   scripts/windows-program.sh build|tests BUILD JOBS
#   scripts/windows-program.sh dist BUILD DIST_FOLDER
set -euo pipefail
cd "$(dirname "$0")/.."
mode=$1 build=$2
qt="$(scripts/build-qt-windows.sh | tail -n1)"

if [ "$mode" = build ] || [ "$mode" = tests ]; then
  jobs=$3
  scripts/install-deps.sh librsvg2-bin icoutils
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # A folder configured against another Qt (an older cache, built with other options) starts
  # afresh: its exe would load this Qt's DLLs, which may lack what it was linked against.
  if [ -f "$build/CMakeCache.txt" ] &&
    ! grep -qxF "Qt6_DIR:PATH=$qt/lib/cmake/Qt6" "$build/CMakeCache.txt"; then
    echo "$build: configured against another Qt for Windows; building it afresh" >&2
    rm -rf "$build"
  fi
  # qt-cmake loads Qt's own toolchain file, which chains to ours: the project's toolchain alone
  # re-roots package searches below the MinGW folder, where Qt is not.
  [ -f "$build/CMakeCache.txt" ] ||
    "$qt/bin/qt-cmake" -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
      -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-qt.cmake" "${launcher[@]}" >/dev/null
  # With the tests, for make test-windows, a warning in the program's own code fails the build: that
  # every source compiles for Windows cleanly is one of the checks.
  if [ "$mode" = tests ] && ! grep -q '^KVX_WARNINGS_AS_ERRORS:BOOL=ON$' "$build/CMakeCache.txt"; then
    cmake "$build" -DKVX_WARNINGS_AS_ERRORS=ON >/dev/null
  fi
  if [ "$mode" = build ]; then
    cmake --build "$build" -j"$jobs" --target kelvox-setup kelvox-setup-console
    exit 0
  fi
  # The tests come with GoogleTest's sources: a folder configured before they were here learns
  # of them now.
  tests="$build/tests/windows/program/CTestTestfile.cmake"
  [ -f "$tests" ] || cmake "$build" >/dev/null
  [ -f "$tests" ] || { echo "$build: no window tests for Windows (GoogleTest's sources missing?)" >&2; exit 1; }
  cmake --build "$build" -j"$jobs"
  exit 0
fi

dist=$3
exe="$build/app/kelvox-setup.exe"
[ -f "$exe" ] && [ -f "${exe%.exe}.com" ] || { echo "$exe or its .com is missing: run make windows first" >&2; exit 1; }
# Windows' own DLLs (KERNEL32.dll, msvcrt.dll, ...) are those Wine brings as Windows DLLs: without
# Wine every one of them would count as missing.
scripts/install-deps.sh wine64
wine_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

# Where a DLL named in an import table comes from: Qt's bin folder, else the compiler's own
# folders (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll). Nothing for a Windows DLL.
locate() {
  local name=$1 path
  if [ -f "$qt/bin/$name" ]; then echo "$qt/bin/$name"; return; fi
  path="$(x86_64-w64-mingw32-g++-posix -print-file-name="$name")"
  if [ "$path" != "$name" ] && [ -f "$path" ]; then echo "$path"; return; fi
  if [ -f "$wine_dlls/${name,,}" ]; then return; fi
  # API sets (api-ms-win-*, ext-ms-win-*) are names that Windows' loader maps to its own DLLs.
  case ${name,,} in api-ms-win-* | ext-ms-win-*) return ;; esac
  echo "$name: imported, but found neither with Qt, with the compiler nor among Windows' DLLs" >&2
  return 1
}

rm -rf "$dist"
mkdir -p "$dist/platforms" "$dist/styles"
cp "$exe" "${exe%.exe}.com" "$dist/"
# Plugins are loaded by name, not imported: the Windows platform and the native style.
cp "$qt/plugins/platforms/qwindows.dll" "$dist/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$dist/styles/"

# Every file in the folder, and every DLL copied into it, has its imports looked up in turn.
queue=("$dist/kelvox-setup.exe" "$dist/platforms/qwindows.dll" "$dist/styles/qwindowsvistastyle.dll")
declare -A seen=()
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  while read -r name; do
    [ -n "${seen[${name,,}]:-}" ] && continue
    seen[${name,,}]=1
    source_path="$(locate "$name")"
    [ -n "$source_path" ] || continue
    cp "$source_path" "$dist/$name"
    queue+=("$dist/$name")
  done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
done
chmod 0644 "$dist"/*.dll "$dist"/*/*.dll
x86_64-w64-mingw32-strip --strip-unneeded "$dist"/*.exe "$dist"/*.com "$dist"/*.dll "$dist"/*/*.dll
echo "$dist: $(find "$dist" -type f | wc -l) files, $(du -sh "$dist" | cut -f1)"
find "$dist" -type f -printf '  %P\n' | sort
