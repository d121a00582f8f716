#!/usr/bin/env bash
# Builds Qt's base module for 64-bit Windows from Debian's own source package (the version of the
# host's qt6-base-dev, whose tools it uses) with the MinGW-w64 posix compilers, and installs it
# stripped into a cache folder outside the clone. Prints that folder (the Qt prefix) as its last
# line. A complete cache is reused; a build runs in a temporary folder that is renamed into place
# only once installed, so an interrupted build never leaves a cache that counts as complete.
#
#   KVX_QT_CACHE    the folder that holds the caches (default /var/cache/kelvox-setup)
#   KVX_QT_JOBS     parallel build jobs (default: the number of cores)
#
# The cache's name carries a hash of what decides its contents: Qt's version, the compiler, the
# toolchain file and the configure options below. Change any of them and a new cache is built.
set -euo pipefail
work=""

main() {
  local root; root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  local toolchain="$root/cmake/mingw-w64-compilers.cmake"
  local cache_root="${KVX_QT_CACHE:-/var/cache/kelvox-setup}"
  local jobs="${KVX_QT_JOBS:-$(nproc)}"

  "$root/scripts/install-deps.sh" qt6-base-dev qt6-base-dev-tools ninja-build cmake dpkg-dev \
    g++-mingw-w64-x86-64

  local version upstream
  version="$(dpkg-query -W -f='${source:Version}' qt6-base-dev)"   # 6.4.2+dfsg-10
  upstream="${version%%+*}"; upstream="${upstream%%-*}"               # 6.4.2

  # What Qt is configured with. The program uses Core, Gui and Widgets; Test builds its window
  # tests. Everything else is off: less to build, fewer DLLs to ship.
  local options=(
    -DBUILD_SHARED_LIBS=ON -DCMAKE_BUILD_TYPE=Release
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    # Modules and graphics interfaces the program does not use. INPUT_opengl=no as well, or
    # "Dynamic OpenGL" stays on.
    -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_egl=OFF
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=ON
    # No ICU, zstd, JPEG or GIF: the program shows no foreign text, compressed resources or
    # pictures in those formats. pkg-config would find the host's libraries.
    -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
    -DFEATURE_pkg_config=OFF
    # Windows has none of these libraries: Qt's bundled copies are built into its DLLs.
    -DFEATURE_system_freetype=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_png=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
    # FreeType as well as GDI: under Wine GDI's font engine dropped letters from some labels.
    -DFEATURE_freetype=ON
    # Forced off. Tablet events need wintab.h, which Debian removes from the source and MinGW
    # lacks. A Debian patch turns androiddeployqt on when cross-compiling. DirectWrite 3 makes
    # qwindows.dll refer to a font database that Gui compiles only with Direct2D.
    -DFEATURE_tabletevent=OFF -DFEATURE_androiddeployqt=OFF -DFEATURE_directwrite3=OFF
    # Optimised for size, Qt's own option: the MSI ships these DLLs, a settings window gains nothing
    # from -O3's speed, and the build takes a third less time.
    -DFEATURE_optimize_size=ON
    # Less to build: what neither the program, its window tests nor the plugins it ships use.
    # The Direct2D platform plugin (the program runs on qwindows.dll) and the ICO image plugin
    # (the window's icon is the exe's resource).
    -DFEATURE_direct2d=OFF -DFEATURE_ico=OFF
    # HarfBuzz: the window's texts are Latin (five European languages, precomposed letters), which
    # Qt lays out one glyph per character without it.
    -DFEATURE_harfbuzz=OFF
    # Gui: document formats, animated pictures, session management, the tray icon, rare pictures.
    -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
    -DFEATURE_movie=OFF -DFEATURE_sessionmanager=OFF -DFEATURE_systemtrayicon=OFF
    -DFEATURE_imageformat_ppm=OFF -DFEATURE_imageformat_xbm=OFF -DFEATURE_undogroup=OFF
    # Widgets and dialogs the program never shows. Text edits, tables, trees and the input dialog
    # stay: the Vista style and the file dialog need them.
    -DFEATURE_graphicsview=OFF -DFEATURE_calendarwidget=OFF -DFEATURE_datetimeedit=OFF
    -DFEATURE_mdiarea=OFF -DFEATURE_dockwidget=OFF -DFEATURE_toolbox=OFF -DFEATURE_splashscreen=OFF
    -DFEATURE_wizard=OFF -DFEATURE_dial=OFF -DFEATURE_lcdnumber=OFF -DFEATURE_keysequenceedit=OFF
    -DFEATURE_fontcombobox=OFF -DFEATURE_columnview=OFF -DFEATURE_undoview=OFF
    -DFEATURE_datawidgetmapper=OFF -DFEATURE_tablewidget=OFF -DFEATURE_treewidget=OFF
    -DFEATURE_commandlinkbutton=OFF -DFEATURE_textbrowser=OFF -DFEATURE_syntaxhighlighter=OFF
    -DFEATURE_colordialog=OFF -DFEATURE_fontdialog=OFF -DFEATURE_errormessage=OFF
    -DFEATURE_progressdialog=OFF -DFEATURE_scroller=OFF -DFEATURE_gestures=OFF
    -DFEATURE_completer=OFF -DFEATURE_statusbar=OFF -DFEATURE_picture=OFF
    # Core: MIME types, time zones (local time needs none), calendars other than the Gregorian,
    # shared memory, the XML stream classes, two proxy models; Test's model tester.
    -DFEATURE_mimetype=OFF -DFEATURE_timezone=OFF -DFEATURE_hijricalendar=OFF
    -DFEATURE_jalalicalendar=OFF -DFEATURE_sharedmemory=OFF -DFEATURE_systemsemaphore=OFF
    -DFEATURE_xmlstream=OFF -DFEATURE_transposeproxymodel=OFF
    -DFEATURE_concatenatetablesproxymodel=OFF -DFEATURE_itemmodeltester=OFF
  )
  local compiler; compiler="$(x86_64-w64-mingw32-g++-posix --version | head -n1)"
  local hash
  hash="$({ echo "$version"; echo "$compiler"; cat "$toolchain"; printf '%s\n' "${options[@]}"; } |
    sha256sum | cut -c1-12)"
  local prefix="$cache_root/qt-$upstream-mingw64-$hash"
  local stamp="$prefix/kelvox-qt-complete"

  if [ -f "$stamp" ]; then
    echo "Qt for Windows: using the cache $prefix" >&2
    echo "$prefix"
    return 0
  fi

  mkdir -p "$cache_root"
  # One build per cache at a time; a second caller waits and then finds the cache complete.
  exec {lock}>"$cache_root/.qt-$hash.lock"
  flock "$lock"
  if [ -f "$stamp" ]; then echo "$prefix"; return 0; fi
  # A folder without the stamp was never finished (or was made by hand): it does not count. Nor do
  # the build folders of a build that was killed outright.
  rm -rf "$prefix" "$cache_root/.qt-$hash-build."*

  work="$(mktemp -d "$cache_root/.qt-$hash-build.XXXXXX")"  # global: the exit trap removes it
  trap 'rm -rf "$work"' EXIT
  echo "Qt for Windows: building $version into $prefix (in $work)" >&2
  local started=$SECONDS

  fetch_source "$version" "$work"
  cmake -G Ninja -S "$work/src" -B "$work/build" -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${options[@]}" >"$work/configure.log" 2>&1 ||
    { tail -n 40 "$work/configure.log" >&2; return 1; }
  cmake --build "$work/build" -j "$jobs" -- -k 0 >"$work/build.log" 2>&1 ||
    { grep -B2 -A20 -m3 'FAILED:' "$work/build.log" >&2 || tail -n 40 "$work/build.log" >&2; return 1; }
  # Installed under a staging root, then moved to the prefix it was configured for.
  DESTDIR="$work/stage" cmake --install "$work/build" --strip >"$work/install.log" 2>&1 ||
    { tail -n 20 "$work/install.log" >&2; return 1; }
  echo "$version $hash" >"$work/stage$prefix/kelvox-qt-complete"
  mv "$work/stage$prefix" "$prefix"

  echo "Qt for Windows: built in $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s," \
    "$(du -sh "$prefix" | cut -f1) installed" >&2
  echo "$prefix"
}

# Debian's source package, fetched through a private apt configuration (the machine's sources
# with deb-src) so that /etc/apt is left as it is. Debian's patches are applied by dpkg-source.
fetch_source() {
  local version="$1" work="$2"
  local apt="$work/apt"
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$work/download"
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] && sed 's/^Types:.*\bdeb\b.*/Types: deb-src/' "$f" >"$apt/sources.list.d/${f##*/}"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -e "$f" ] && sed -n 's/^deb /deb-src /p' "$f" >"$apt/sources.list.d/${f##*/}.list"
  done
  local aptopts=(-o "Dir::Etc::SourceParts=$apt/sources.list.d" -o Dir::Etc::SourceList=/dev/null
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o APT::Sandbox::User=root)
  # A source without deb-src indexes only warns: the download below says whether Qt was found.
  apt-get "${aptopts[@]}" -qq update >"$work/apt.log" 2>&1 || true
  (cd "$work/download" &&
    apt-get "${aptopts[@]}" -qq source --download-only "qt6-base=$version" >>"$work/apt.log" 2>&1) ||
    { cat "$work/apt.log" >&2; return 1; }
  dpkg-source -x "$work/download"/qt6-base_*.dsc "$work/src" >>"$work/apt.log" 2>&1 ||
    { tail -n 20 "$work/apt.log" >&2; return 1; }
  rm -rf "$work/download" "$work"/qt6-base_*.orig.tar.*  # dpkg-source leaves a copy beside src
}

main "$@"
