#!/usr/bin/env bash
# The Windows installer under Wine, as an owner's machine would take it, in a fresh Wine prefix:
#   msiexec /i MSI /qn      the program folder, the Start-menu shortcut and one entry under
#                           installed programs with MSI's version; the installed exe answers
#                           --version with "kelvox-setup VERSION"
#   command prompt          the install folder is on the system PATH: from another folder,
#                           cmd /c "kelvox-setup --version" prints the version, and a failed
#                           --read leaves its line and %ERRORLEVEL% 1
#   --show --export         the installed program writes the week plan as PDF (kelvox-setup.com)
#                           and PNG (kelvox-setup.exe) with no Qt platform chosen, as an owner's
#                           machine runs it, and ends by itself within a time limit
#   --read                  (with --read NATIVE_BUILD) the installed exe reads the emulated clock
#                           on COM1 into a file
#   msiexec /x MSI /qn      folder, shortcut and entry gone, the system PATH as before the install
# With UPGRADE_MSI (a higher version): MSI installed, then UPGRADE_MSI over it: one entry remains,
# with the higher version, and the program still starts, by its bare name in a command prompt too;
# MSI again is refused as a downgrade; then UPGRADE_MSI is removed cleanly.
#
# Wine runs as scripts/wine-sandbox.sh sets it up: the machine's own serial devices out of reach,
# a fresh prefix, Start-menu entries kept inside it.
#   scripts/test-windows-package.sh [--read NATIVE_BUILD] MSI [UPGRADE_MSI]
set -euo pipefail
native=
if [ "$1" = --read ]; then
  native=$(realpath -m "$2")
  shift 2
fi
msi=$(realpath -e "$1")
upgrade_msi=$([ $# -lt 2 ] || realpath -e "$2")
cd "$(dirname "$0")/.."

source scripts/wine-sandbox.sh
if [ -z "${KVX_WINE_NAMESPACE:-}" ]; then
  scripts/install-deps.sh wine64 wine msitools
  if [ -n "$native" ]; then
    wine_native_helpers "$native"
  fi
  wine_sandbox_enter "$0" ${native:+--read "$native"} "$@"
fi

fail() {
  echo "package test FAILED: $*" >&2
  exit 1
}
started=$(( $(date +%s%N) / 1000000 ))
step() {
  echo "== $* ($(( $(date +%s%N) / 1000000 - started )) ms)"
}
wine_sandbox_start
step "fresh prefix ready"

program_dir="$WINEPREFIX/drive_c/Program Files/KELVOX Setup"
exe='C:\Program Files\KELVOX Setup\kelvox-setup.exe'
# Windows puts a per-machine install's Start-menu entries under ProgramData; Wine 8's msiexec puts
# them in the user's Start menu. Either counts, as long as there is exactly one.
shortcuts() { find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/KELVOX Setup.lnk'; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
version_of() { table "$1" Property | awk -F'\t' '$1 == "ProductVersion" { print $2 }'; }

msiexec() { wine msiexec "$1" "$(winepath -w "$2")" /qn >/dev/null 2>&1; }
# The versions under installed programs named "KELVOX Setup", one a line.
installed_versions() {
  wine reg query "$uninstall_key" /s 2>/dev/null | tr -d '\r' | awk '
    /^HKEY_/ { if (name == "KELVOX Setup") print version; name = ""; version = "" }
    $1 == "DisplayName" { sub(/^ *DisplayName +REG_SZ +/, ""); name = $0 }
    $1 == "DisplayVersion" { version = $3 }
    END { if (name == "KELVOX Setup") print version }'
}
# The program folder holds the files of the MSI, no more (nothing left of an earlier version).
expect_installed() {
  local version=$1 msi=$2
  [ "$(find "$program_dir" -type f -printf '%f\n' | LC_ALL=C sort)" = "$(table "$msi" File | cut -f3 | LC_ALL=C sort)" ] ||
    fail "$program_dir does not hold the files of $(basename "$msi"): $(find "$program_dir" -type f -printf '%P, ')"
  [ "$(shortcuts | wc -l)" -eq 1 ] || fail "not one Start-menu shortcut: $(shortcuts)"
  grep -aq 'C:\\Program Files\\KELVOX Setup\\kelvox-setup.exe' "$(shortcuts)" ||
    fail "the Start-menu shortcut does not lead to the installed program"
  [ "$(installed_versions)" = "$version" ] ||
    fail "installed programs list KELVOX Setup as '$(installed_versions | paste -sd,)', expected one entry, $version"
  answer=$(wine "$exe" --version 2>&1 | tr -d '\r') || fail "the installed program did not start: $answer"
}
# The system PATH as a new process gets it.
system_path() {
  wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v PATH 2>/dev/null |
    tr -d '\r' | sed -n 's/^ *PATH *REG_[A-Z_]* *//p'
}
on_path() { system_path | tr ';' '\n' | grep -qix 'C:\\Program Files\\KELVOX Setup\\\?'; }
# An empty entry (";;", or one at either end) makes Wine's cmd run no bare command name at all.
expect_path_whole() {
  case ";$(system_path);" in *';;'*) fail "the system PATH holds an empty entry: '$(system_path)'" ;; esac
}
expect_removed() {
  [ "$(system_path)" = "$path_before" ] ||
    fail "the system PATH is not as before the install: '$(system_path)', before '$path_before'"
  [ ! -e "$program_dir" ] || fail "$program_dir is left: $(find "$program_dir" | head)"
  [ -z "$(shortcuts)" ] || fail "the Start-menu shortcut is left: $(shortcuts)"
  [ -z "$(installed_versions)" ] || fail "KELVOX Setup is still listed under installed programs"
  ! wine reg query 'HKLM\Software\KELVOX Setup' >/dev/null 2>&1 || fail "HKLM\Software\KELVOX Setup is left"
}

version=$(version_of "$msi")
path_before=$(system_path)
[ -n "$path_before" ] || fail "the fresh prefix has no system PATH"
step "msiexec /i $(basename "$msi") /qn"
msiexec /i "$msi" || fail "msiexec /i ended with $?"
expect_installed "$version" "$msi"
echo "$answer"
[ "$answer" = "kelvox-setup $version" ] || fail "--version answered '$answer', expected 'kelvox-setup $version'"
echo "$(find "$program_dir" -type f | wc -l) files in Program Files\\KELVOX Setup, shortcut and entry $version there"

step "kelvox-setup in a command prompt, found through the system PATH"
on_path || fail "the install folder is not on the system PATH: $(system_path)"
expect_path_whole
# cmd's own status is that of the last command: what it printed is what counts here.
prompt() { (cd "$KVX_PORT_DIR" && wine cmd "$@" 2>&1 | tr -d '\r') || true; }
said=$(prompt /c "kelvox-setup --version")
[ "$said" = "kelvox-setup $version" ] || fail "cmd /c \"kelvox-setup --version\" said: $said"
said=$(prompt /v:on /c "kelvox-setup --read x.cfg --port 7 & echo rc=!ERRORLEVEL!")
[ "$(echo "$said" | tail -n1)" = rc=1 ] && [ "$(echo "$said" | wc -l)" -eq 2 ] &&
  echo "$said" | head -n1 | grep -q '^kelvox-setup: ' || fail "a failed --read in cmd: $said"
echo "cmd: $(echo "$said" | paste -sd' ')"

# The week plan from a configuration file, without a display, with no Qt platform chosen: the
# installed program must draw it with what it ships, show no box and end by itself.
step "kelvox-setup --show --export: the week plan as PDF and PNG"
{
  printf 'KELVOX configuration 1\nlanguage = 2\nrelay = 3\nutc = 1\ndls = 1\ntimeout = 72\n'
  for day in Mon Tue Wed Thu Fri Sat Sun; do
    for n in 1 2 3 4 5 6 7 8; do
      case $day$n in Mon1) entry='06:30:00 ON' ;; Mon2) entry='22:00:00 OFF' ;; *) entry=DEL ;; esac
      echo "$day $n = $entry"
    done
  done
} >"$KVX_PORT_DIR/plan.cfg"
# export_plan PROGRAM PLAN MAGIC: PROGRAM --show plan.cfg --export PLAN in the port folder; PLAN
# must begin with the bytes MAGIC (in hex). Output goes to a file: a helper Wine starts for a
# window would hold a pipe open.
export_plan() {
  local program=$1 plan=$2 magic=$3 status=0 out="$KVX_PORT_DIR/show.out"
  rm -f "$KVX_PORT_DIR/$plan"
  (cd "$KVX_PORT_DIR" && env -u WINEQT_QPA_PLATFORM timeout -k 5 60 wine "$program" --show plan.cfg --export "$plan") \
    >"$out" 2>&1 || status=$?
  [ "$status" -lt 124 ] || fail "$plan: --show --export did not end by itself within 60 s (a box waiting for a click?)"
  [ "$status" -eq 0 ] || fail "$plan: --show --export ended with $status: $(cat "$out")"
  grep -q '^Monday switch times: ' "$out" || fail "$plan: --show printed no switch times: $(cat "$out")"
  [ -s "$KVX_PORT_DIR/$plan" ] || fail "$plan: --show --export wrote no plan"
  [ "$(head -c $(( ${#magic} / 2 )) "$KVX_PORT_DIR/$plan" | od -An -tx1 | tr -d ' \n')" = "$magic" ] ||
    fail "$plan: not a ${plan##*.} file: $(head -c 16 "$KVX_PORT_DIR/$plan" | od -An -c)"
  echo "${program##*\\} wrote $plan, $(stat -c %s "$KVX_PORT_DIR/$plan") bytes"
}
export_plan "${exe%.exe}.com" plan.pdf 255044462d
export_plan "$exe" plan.png 89504e470d0a1a0a

if [ -n "$native" ]; then
  step "kelvox-setup --read against the emulated clock on COM1"
  export KVX_EMULATOR="$native/tools/kelvox-clock-emulator"
  export LD_PRELOAD="$native/pty_modem_preload.so" WINEQT_QPA_PLATFORM=offscreen
  read_file="$KVX_PORT_DIR/clock.cfg"
  tests/windows/with-emulator -- wine "$exe" --read "$(winepath -w "$read_file")" --port 1 ||
    fail "--read ended with $?"
  unset LD_PRELOAD
  [ -s "$read_file" ] || fail "--read wrote no file"
  # The read went through the whole week: Sunday's switch times were asked for.
  # shellcheck disable=SC2016 # a literal $ in the clock's request
  grep -q 'rx .*"\$27=' "$KVX_PORT_DIR/emulator.log" || fail "the emulator was not asked for Sunday"
fi

step "msiexec /x $(basename "$msi") /qn"
msiexec /x "$msi" || fail "msiexec /x ended with $?"
expect_removed
echo "program folder, shortcut and entry gone, the system PATH as before"

if [ -n "$upgrade_msi" ]; then
  upgrade_version=$(version_of "$upgrade_msi")
  step "upgrade in place: $version, then $upgrade_version"
  msiexec /i "$msi" || fail "msiexec /i ended with $?"
  msiexec /i "$upgrade_msi" || fail "msiexec /i of the upgrade ended with $?"
  expect_installed "$upgrade_version" "$upgrade_msi"
  expect_path_whole
  # The upgrade is built from the same program: it answers with the program's own version.
  said=$(prompt /c "kelvox-setup --version")
  [ "$said" = "$answer" ] || fail "after the upgrade, cmd /c \"kelvox-setup --version\" said: '$said', not '$answer'"
  echo "one entry, $upgrade_version; the program answers: $answer, and by its bare name in cmd: $said"
  step "$version over $upgrade_version is refused"
  ! msiexec /i "$msi" || fail "the older version installed over the newer one"
  expect_installed "$upgrade_version" "$upgrade_msi"
  step "msiexec /x $(basename "$upgrade_msi") /qn"
  msiexec /x "$upgrade_msi" || fail "msiexec /x ended with $?"
  expect_removed
  echo "program folder, shortcut and entry gone, the system PATH as before"
fi
step "package test passed"
