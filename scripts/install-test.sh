#!/usr/bin/env bash
# Installs the setup program's Debian package on this machine as a user would, then runs the
# installed program as the desktop's menu starts it: from the home folder, here a temporary one
# whose configuration folder holds a COM1 link to the installed clock emulator. The program must
# read the clock and keep kelvox.ini in that folder. The package is removed again at the end.
# Needs root or sudo. Usage: scripts/install-test.sh PACKAGE.deb
set -euo pipefail
deb_dir=$(cd "$(dirname "$1")" && pwd)
deb=$(basename "$1")
package=$(dpkg-deb -f "$deb_dir/$deb" Package)
version=$(dpkg-deb -f "$deb_dir/$deb" Version)
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

scratch=$(mktemp -d)
emu_pid=
cleanup() {
  if [ -n "$emu_pid" ]; then
    kill "$emu_pid" 2>/dev/null || true
    wait "$emu_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    echo "== removing $package"
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "$package" >/dev/null
  fi
}
trap cleanup EXIT
fail() {
  echo "install test FAILED: $*" >&2
  exit 1
}

echo "== apt-get install ./$deb"
"${as_root[@]}" apt-get update -qq
(cd "$deb_dir" && "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null)

echo "== kelvox-setup --version, from the PATH ($(command -v kelvox-setup))"
[ "$(command -v kelvox-setup)" = /usr/bin/kelvox-setup ] || fail "kelvox-setup is not /usr/bin/kelvox-setup"
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY kelvox-setup --version)
echo "$answer"
[ "$answer" = "kelvox-setup $version" ] || fail "expected 'kelvox-setup $version'"

# A home of its own, as a new user has it: only the configuration folder, with COM1 the emulated
# clock and every other port leading nowhere. The machine's own serial devices stay untouched:
# the start-up search asks only the folder's links (KELVOX_SETUP_FOLDER_PORTS_ONLY).
home="$scratch/home"
config="$home/.config/kelvox-setup"
mkdir -p "$config"
for n in 2 3 4 5 6 7 8 9; do ln -s /nonexistent/kelvox-install-test-port "$config/COM$n"; done
kelvox-clock-emulator --dir "$config" --port 1 --log "$scratch/emulator.log" >"$scratch/emulator.out" &
emu_pid=$!
for _ in $(seq 50); do [ -e "$config/COM1" ] && break; sleep 0.1; done
[ -e "$config/COM1" ] || fail "the emulator did not start (see its log)"

echo "== the installed program, offscreen, started from the home folder"
status=0
output=$(cd "$home" && env -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
  KELVOX_SETUP_QUIT_AFTER_STARTUP_READ=1 KELVOX_SETUP_FOLDER_PORTS_ONLY=1 timeout 60 kelvox-setup 2>"$scratch/program.err") || status=$?
echo "$output"
[ "$status" -eq 0 ] || { cat "$scratch/program.err" >&2; fail "the program ended with status $status"; }
[[ "$output" == *"clockfound OK"* ]] || fail "the program did not read the clock"
# The read went through the whole week: Sunday's switch times were asked for.
grep -q 'rx .*"\$27=' "$scratch/emulator.log" || fail "the emulator was not asked for Sunday"
[ "$(cat "$config/kelvox.ini")" = $'COM1\r' ] || fail "kelvox.ini in $config does not hold COM1"
extra=$(ls -A "$home")
[ "$extra" = .config ] || fail "the program wrote into the home folder: $extra"
echo "kelvox.ini in ~/.config/kelvox-setup: $(tr -d '\r' <"$config/kelvox.ini")"
echo "install test passed"
