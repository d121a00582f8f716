#!/usr/bin/env bash
# A stand-in for the dist folder of `make windows-dist`, for building and testing the installer
# before the real kelvox-setup.exe exists: packaging/windows/stand-in/ cross-built into
#   DIST/kelvox-setup.exe                    prints "kelvox-setup VERSION" for --version
#   DIST/kvx_stand_in.dll                    imported by the exe
#   DIST/platforms/stand-in-plugin.dll       loaded by the exe at run time, as Qt loads plugins
#   DIST/libwinpthread-1.dll                 the MinGW runtime DLL the exe imports
# The exe starts only when all of them were installed where they belong.
#   scripts/windows-stand-in-dist.sh DIST VERSION
set -euo pipefail
dist=$1 version=$2
source_dir="$(cd "$(dirname "$0")/.." && pwd)/packaging/windows/stand-in"
cxx=(x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -static-libgcc -static-libstdc++)
rm -rf "$dist"
mkdir -p "$dist/platforms"
"${cxx[@]}" -shared -DKVX_VERSION="\"$version\"" -o "$dist/kvx_stand_in.dll" \
  "$source_dir/library.cpp" -Wl,--out-implib,"$dist/libkvx_stand_in.dll.a"
"${cxx[@]}" -o "$dist/kelvox-setup.exe" "$source_dir/program.cpp" -L"$dist" -lkvx_stand_in
rm "$dist/libkvx_stand_in.dll.a"
cp "$dist/kvx_stand_in.dll" "$dist/platforms/stand-in-plugin.dll"
cp "$("${cxx[0]}" -print-file-name=libwinpthread-1.dll)" "$dist/"
x86_64-w64-mingw32-strip "$dist"/*.exe "$dist"/*.dll "$dist"/*/*.dll
