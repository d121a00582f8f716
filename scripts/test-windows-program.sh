#!/usr/bin/env bash
# The real kelvox-setup.exe from the dist folder under Wine, against kelvox-clock-emulator on a
# pseudo-terminal that Wine sees as COM1, beside the Linux program against the same emulated clock:
#   start-up read   the window (offscreen, with the start-up read hook) reads the clock: the
#                   emulator logs the read request, seven day requests and 56 replies
#   --read, --send  the files, the emulator's logs and the configuration it holds afterwards are
#                   byte for byte those of the Linux program (log times left out)
#   window send     the window opens an edited configuration and sends it: 61 commands, the
#                   same as the Linux program's, and the clock holds the file afterwards
#   names as typed  --read and --send of Łódź.cfg (beside a Lódz.cfg that must stay untouched),
#                   Плата.cfg and Büro plan.cfg through kelvox-setup.com, the console entry; a
#                   missing one is named as typed
#   command prompt  cmd runs kelvox-setup.com for a bare "kelvox-setup", waits for it and gets its
#                   status; /? is the help, in Windows' words
#   Ctrl+C          typed during --send: the send ends at once with the same line and status, from
#                   the window program and from the console entry
#   no answer       a silent clock and a COM1 that leads nowhere: the same exit status as the
#                   Linux program and one line
#   COM12           the clock beyond the nine buttons and nothing on COM1: the window's start-up
#                   search finds it, --list-ports names it, --read and --send without --port reach
#                   it, and every line names it COM12 (never \\.\COM12), saved or found
#   two clocks      COM12 and COM13 in one emulator: --send --all-clocks verifies both at once
# Prints the times of each step and of the start-up read on both systems.
#
# Wine runs as scripts/wine-sandbox.sh sets it up: the machine's own serial devices out of reach,
# a fresh prefix.
#   scripts/test-windows-program.sh NATIVE_BUILD DIST_FOLDER
set -euo pipefail
native=$(realpath -m "$1")
dist=$(realpath -e "$2")
cd "$(dirname "$0")/.."

source scripts/wine-sandbox.sh
if [ -z "${KVX_WINE_NAMESPACE:-}" ]; then
  scripts/install-deps.sh wine64 wine
  wine_native_helpers "$native" kelvox-setup
  wine_sandbox_enter "$0" "$native" "$dist"
fi

emulator=
fail() {
  echo "Windows program test FAILED: $*" >&2
  [ -z "$emulator" ] || kill "$emulator" 2>/dev/null
  exit 1
}
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
started=$(now_ms)
step() {
  echo "== $* ($(( $(now_ms) - started )) ms)"
}
wine_sandbox_start
step "fresh prefix ready"

export KVX_EMULATOR="$native/tools/kelvox-clock-emulator"
linux_setup="$native/app/kelvox-setup"
work="$KVX_PORT_DIR/work"
mkdir "$work"
# A copy of the dist folder with Qt's offscreen platform added: there is no display here, and an
# owner's folder carries only the Windows one.
cp -r "$dist" "$work/dist"
cp "$(scripts/build-qt-windows.sh | tail -n1)/plugins/platforms/qoffscreen.dll" "$work/dist/platforms/"
exe="$(winepath -w "$work/dist/kelvox-setup.exe")"
# The Windows program gets the modem lines a pseudo-terminal lacks. Both draw offscreen: there is
# no display here.
windows() { LD_PRELOAD="$native/pty_modem_preload.so" wine "$exe" -platform offscreen "$@"; }
# The console entry, as a command prompt runs it: the same program, a console program.
com="$(winepath -w "$work/dist/kelvox-setup.com")"
console() { LD_PRELOAD="$native/pty_modem_preload.so" wine "$com" "$@"; }
# The Linux program starts in the port folder, where the emulator's COM1 link is.
linux() { (cd "$KVX_PORT_DIR" && "$linux_setup" -platform offscreen "$@"); }
# A file's name as SYSTEM's program takes it.
name_on() { if [ "$1" = linux ]; then echo "$2"; else winepath -w "$2"; fi; }
# The emulator's conversation: its log without the times of day and without the set-up line, which
# names whichever pseudo-terminal was free ("-- ready .../COM1 -> /dev/pts/N").
log_lines() { cut -d' ' -f2- "$KVX_PORT_DIR/emulator.log" | grep -v '^-- ready ' || true; }
# Milliseconds since midnight of an emulator log line's time.
log_ms() { awk -F'[:. ]' '{ print (($1 * 60 + $2) * 60 + $3) * 1000 + $4; exit }'; }

# with_clock [EMULATOR OPTIONS] -- COMMAND...: COMMAND (a function of this script too) while the
# emulator serves COM1, as tests/windows/with-emulator does for programs.
with_clock() {
  local options=() status=0 tries=0
  while [ "$1" != -- ]; do options+=("$1"); shift; done
  shift
  rm -f "$KVX_PORT_DIR/COM${clock_port:-1}"
  "$KVX_EMULATOR" --dir "$KVX_PORT_DIR" --port "${clock_port:-1}" --save= --log "$KVX_PORT_DIR/emulator.log" \
    "${options[@]}" >"$KVX_PORT_DIR/emulator.out" &
  emulator=$!
  until grep -q '^ready' "$KVX_PORT_DIR/emulator.out" 2>/dev/null; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 $emulator 2>/dev/null; then fail "the emulator did not start"; fi
    sleep 0.05
  done
  "$@" || status=$?
  kill $emulator 2>/dev/null
  wait $emulator 2>/dev/null || true
  emulator=
  return $status
}

# The start-up read: how long from the start to the first request, and from it to the last reply.
startup_read() {
  local system=$1 t0 t_end first last midnight
  t0=$(now_ms)
  KELVOX_SETUP_QUIT_AFTER_STARTUP_READ=1 "$system" >"$work/$system-startup.out" 2>&1 ||
    fail "$system: the start-up read ended with $?: $(cat "$work/$system-startup.out")"
  t_end=$(now_ms)
  midnight=$(( $(date -d 'today 00:00' +%s) * 1000 ))
  first=$(grep ' rx ' "$KVX_PORT_DIR/emulator.log" | log_ms)
  last=$(grep ' tx ' "$KVX_PORT_DIR/emulator.log" | tail -n1 | log_ms)
  echo "$system: $(tr -d '\r' <"$work/$system-startup.out" | tail -n1); start to first request" \
    "$(( first + midnight - t0 )) ms, first request to last reply $(( last - first )) ms," \
    "whole run $(( t_end - t0 )) ms"
  log_lines >"$work/$system-startup.log"
}

step "start-up read of the window under Wine (offscreen)"
with_clock -- startup_read windows
# Numbered requests are messages; the settings' replies begin with "$", the switch times' with "=".
requests=$(grep -c '^rx [0-9]' "$work/windows-startup.log" || true)
day_replies=$(grep -c '^tx "=' "$work/windows-startup.log" || true)
replies=$(grep -c '^tx ' "$work/windows-startup.log" || true)
if [ "$requests" -ne 8 ] || [ "$day_replies" -ne 56 ]; then
  fail "the start-up read was not the read request and seven day requests with 56 switch times: $requests requests, $day_replies switch-time replies"
fi
echo "the emulator logged the read request, seven day requests and 56 switch-time replies ($replies replies in all)"
step "start-up read of the Linux program (offscreen)"
with_clock -- startup_read linux
cmp -s "$work/windows-startup.log" "$work/linux-startup.log" ||
  fail "the start-up reads differ on the line: $(diff "$work/linux-startup.log" "$work/windows-startup.log" | head)"
echo "the same $requests requests and $replies replies as from the Linux program"

# --read, then --send of the file read with one switch time changed, on each system against a
# fresh emulated clock; the clock's configuration afterwards is saved for comparison.
transfer() {
  local system=$1 mode=$2 file=$3 t0
  t0=$(now_ms)
  "$system" "--$mode" "$file" --port 1 >"$work/$system-$mode.out" 2>&1 ||
    fail "$system --$mode ended with $?: $(cat "$work/$system-$mode.out")"
  echo "$system --$mode: $(( $(now_ms) - t0 )) ms"
  log_lines >"$work/$system-$mode.log"
}
for system in linux windows; do
  step "--read and --send, $system"
  name=$(name_on $system "$work/$system-read.cfg")
  with_clock -- transfer $system read "$name"
  sed 's/^Mon 1 = .*/Mon 1 = 06:45:00 ON/' "$work/$system-read.cfg" >"$work/$system-edited.cfg"
  ! cmp -s "$work/$system-read.cfg" "$work/$system-edited.cfg" || fail "the read file has no Mon 1 line to change"
  name=$(name_on $system "$work/$system-edited.cfg")
  with_clock --save "$work/$system-clock-after-send.cfg" -- transfer $system send "$name"
  grep -q '^Mon 1 = 06:45:00 ON' "$work/$system-clock-after-send.cfg" || fail "$system: the clock did not take the change"
done
# The console lines end in CR LF on Windows, as its console programs write them; the words must
# be the same.
for file in read.out send.out; do tr -d '\r' <"$work/windows-$file" >"$work/windows-$file.lf"; done
for file in read.cfg read.log read.out edited.cfg send.log send.out clock-after-send.cfg; do
  windows_file="$work/windows-$file"
  [ -e "$windows_file.lf" ] && windows_file="$windows_file.lf"
  cmp -s "$work/linux-$file" "$windows_file" ||
    fail "$file differs: $(diff "$work/linux-$file" "$windows_file" | head)"
done
# The send is 61 commands, then the read that verifies it: the read request and seven day requests.
echo "read file, send, console lines and the clock afterwards identical;" \
  "$(grep -c '^rx [0-9]' "$work/windows-send.log") messages sent (61 commands and the read that verifies them)," \
  "$(grep -c '^tx "\$ok' "$work/windows-send.log") acknowledged"

# File names outside the code page (1252 here), given relative to the start folder: Windows' best
# fit would make Lódz.cfg of Łódź.cfg, and "?" of Cyrillic letters.
names="$work/names"
mkdir "$names"
echo "someone else's file" >"$names/Lódz.cfg"
read_and_send_named() {
  local name=$1
  (cd "$names" && console --read "$name" --port 1) >"$work/named.out" 2>&1 ||
    fail "--read $name ended with $?: $(cat "$work/named.out")"
  cmp -s "$names/$name" "$work/linux-read.cfg" || fail "--read $name did not write what the clock holds into $name"
  (cd "$names" && console --send "$name" --port 1) >"$work/named.out" 2>&1 ||
    fail "--send $name ended with $?: $(cat "$work/named.out")"
  grep -q 'read them back: verified' "$work/named.out" || fail "--send $name: $(cat "$work/named.out")"
}
for name in "Łódź.cfg" "Плата.cfg" "Büro plan.cfg"; do
  step "--read and --send of $name through kelvox-setup.com"
  with_clock -- read_and_send_named "$name"
done
[ "$(cat "$names/Lódz.cfg")" = "someone else's file" ] || fail "Lódz.cfg was written in place of Łódź.cfg"
said=$( (cd "$names" && console --send "Плата 2.cfg" --port 1) 2>&1 | tr -d '\r') && fail "a missing file was sent"
[ "$said" = "kelvox-setup: Плата 2.cfg: no such file" ] || fail "a missing file was named otherwise: $said"
echo "Łódź.cfg, Плата.cfg and Büro plan.cfg read and sent, Lódz.cfg untouched; a missing one: $said"

step "kelvox-setup in a command prompt"
# cmd's own status is that of the last command: what it printed is what counts here.
prompt() { (cd "$work/dist" && LD_PRELOAD="$native/pty_modem_preload.so" wine cmd "$@" 2>&1 | tr -d '\r') || true; }
said=$(prompt /c "kelvox-setup --version")
[ "$said" = "$(linux --version)" ] || fail "cmd /c \"kelvox-setup --version\" said: $said"
said=$(prompt /v:on /c "kelvox-setup --read x.cfg --port 7 & echo rc=!ERRORLEVEL!")
[ "$(echo "$said" | tail -n1)" = rc=1 ] && [ "$(echo "$said" | wc -l)" -eq 2 ] &&
  echo "$said" | head -n1 | grep -q '^kelvox-setup: ' || fail "a failed --read in cmd: $said"
echo "cmd: $(echo "$said" | paste -sd' ')"
said=$(console '/?' 2>&1 | tr -d '\r')
echo "$said" | grep -q '%APPDATA%\\KELVOX Setup' && ! echo "$said" | grep -q 'XDG_CONFIG_HOME' ||
  fail "/? did not give the help in Windows' words: $said"
echo "/? gives the help, which names %APPDATA%\\KELVOX Setup"

# A send of an edited configuration through the window: after its start-up read the window opens
# the read file with a setting, a switch time and a deletion changed, as File > Open does, and
# sends it with "Send to clock" (the start-up read hook's send). The clock must end up holding
# exactly that file, from the same commands as the Linux program's.
sed -e 's/^utc = .*/utc = -3/' -e 's/^Tue 2 = .*/Tue 2 = 07:15:00 ON/' -e 's/^Mon 1 = .*/Mon 1 = DEL/' \
  "$work/linux-read.cfg" >"$work/window-edited.cfg"
window_send() {
  local system=$1 file=$2 t0
  t0=$(now_ms)
  KELVOX_SETUP_SEND_AFTER_STARTUP_READ="$file" "$system" >"$work/$system-window-send.out" 2>&1 ||
    fail "$system: the window's read and send ended with $?: $(cat "$work/$system-window-send.out")"
  echo "$system: window read and send $(( $(now_ms) - t0 )) ms:" \
    "$(tr -d '\r' <"$work/$system-window-send.out" | grep '^send ended')"
  log_lines >"$work/$system-window-send.log"
}
for system in linux windows; do
  step "send of an edited configuration through the window, $system"
  name=$(name_on $system "$work/window-edited.cfg")
  with_clock --save "$work/$system-clock-after-window-send.cfg" -- window_send $system "$name"
  cmp -s "$work/window-edited.cfg" "$work/$system-clock-after-window-send.cfg" ||
    fail "$system: the clock does not hold the edited configuration: $(diff "$work/window-edited.cfg" "$work/$system-clock-after-window-send.cfg" | head)"
done
cmp -s "$work/linux-window-send.log" "$work/windows-window-send.log" ||
  fail "the window's sends differ on the line: $(diff "$work/linux-window-send.log" "$work/windows-window-send.log" | head)"
# The start-up read's requests before the send, and as many for the read-back that verifies it.
commands=$(( $(grep -c '^rx [0-9]' "$work/windows-window-send.log") - 2 * requests ))
acknowledged=$(grep -c '^tx "\$ok' "$work/windows-window-send.log" || true)
[ "$commands" -eq 61 ] && [ "$acknowledged" -eq 61 ] ||
  fail "the window's send was $commands commands with $acknowledged acknowledgements, not 61"
echo "the window sent the edited configuration: 61 commands, all acknowledged, the same as from the Linux program"

# Ctrl+C typed in the console that started --send, with the clock answering slowly: the byte goes
# through a terminal of script(1)'s, where Linux's line discipline makes it SIGINT and Wine's
# console a Ctrl+C event. Both end the send at once with status 1 and the line naming the last
# command the clock took. SIGINT is set back to its default first: a run started in the background
# (as `make ... &` does) hands it down ignored, and the program, like any, leaves an ignored SIGINT
# ignored, so the keypress would end nothing.
ctrl_c() {
  local system=$1 status=0 said
  # Typed once the clock has taken ten commands: the send is under way, whatever the machine's load.
  { local taken
    for _ in $(seq 300); do
      taken=$(grep -c ' rx [0-9]' "$KVX_PORT_DIR/emulator.log" 2>/dev/null) || true
      [ "${taken:-0}" -lt 10 ] || break
      sleep 0.1
    done
    printf '\003'
    sleep 6
  } | SHELL=/bin/bash env --default-signal=INT script -qfec "$system --send '$(name_on "$system" "$work/window-edited.cfg")' --port 1" \
      /dev/null >"$work/$system-ctrl-c.out" 2>&1 || status=$?
  # Without the console's cursor moves, and with the lines its 80 columns broke joined again.
  said=$(sed 's/\x1b\[K\x1b\[1C/ /g; s/\x1b\[[0-9;?]*[a-zA-Z]//g' "$work/$system-ctrl-c.out" | tr -d '\r\n' |
    grep -o 'kelvox-setup: interrupted at command [0-9]* of 61 .*the last acknowledged command is [0-9]* of 61' || true)
  echo "$system, Ctrl+C: status $status: ${said:-nothing}"
  [ "$status" -eq 1 ] && [ -n "$said" ] || fail "$system: Ctrl+C did not end the send with its line and status 1"
  [ "$(grep -c '^rx [0-9]' <(log_lines))" -lt 61 ] || fail "$system: the send went on to its end after Ctrl+C"
}
# script(1) runs its command with $SHELL: bash, which takes these functions from the environment.
export native exe com linux_setup
export -f linux windows console
for system in linux windows console; do
  step "Ctrl+C during --send, $system"
  with_clock --delay-ms 200 -- ctrl_c $system
done

# No answer: a clock that stays silent, and a COM1 that leads nowhere.
no_answer() {
  local system=$1 case=$2 status=0 t0
  t0=$(now_ms)
  "$system" --read "$3" --port 1 >"$work/$system-$case.out" 2>&1 || status=$?
  echo "$system, $case: status $status after $(( $(now_ms) - t0 )) ms: $(tr -d '\r' <"$work/$system-$case.out")"
  [ "$status" -ne 0 ] || fail "$system, $case: a failed read reported success"
  [ "$(wc -l <"$work/$system-$case.out")" -eq 1 ] || fail "$system, $case: not one line"
  echo "$status" >"$work/$system-$case.status"
}
for system in linux windows; do
  step "no answer, $system"
  name=$(name_on $system "$work/$system-none.cfg")
  with_clock --silent-from 1 -- no_answer $system silent "$name"
  rm -f "$KVX_PORT_DIR/COM1"
  no_answer $system nowhere "$name"
done
for case in silent nowhere; do
  cmp -s "$work/linux-$case.status" "$work/windows-$case.status" || fail "$case: the exit statuses differ"
done
if [ -e "$work/linux-none.cfg" ] || [ -e "$work/windows-none.cfg" ]; then fail "a failed read left a file"; fi
# The clock on COM12, beyond the nine buttons, and nothing on COM1: with no kelvox.ini the
# window's start-up search finds it and saves it; --send on the saved port, --list-ports, and
# --read and --send without --port and without kelvox.ini, where the clock is looked for. The
# lines name the port as the owner knows it: COM12, not the \\.\COM12 it is opened by.
clock_on_com12() {
  local out="$work/com12.out" verified="kelvox-setup: sent 61 commands to the clock on COM12 and read them back: verified"
  KELVOX_SETUP_QUIT_AFTER_STARTUP_READ=1 windows >"$out" 2>&1 || fail "COM12: the window's start-up search: $(cat "$out")"
  echo "window start-up: $(tr -d '\r' <"$out" | tail -n1)"
  [ "$(grep -c '^rx [0-9]' <(log_lines))" -eq 8 ] || fail "COM12: the start-up read was not the designed conversation"
  # The file read at the start is what the clock holds: sending it changes nothing there.
  console --send "$(winepath -w "$work/windows-read.cfg")" >"$out" 2>&1 || fail "COM12: --send on the saved port: $(cat "$out")"
  [ "$(tr -d '\r' <"$out")" = "$verified" ] || fail "COM12: --send on the saved port said: $(cat "$out")"
  echo "--send on the saved port: $(tr -d '\r' <"$out")"
  wine cmd /c del "%APPDATA%\\KELVOX Setup\\kelvox.ini" >/dev/null 2>&1 || true
  console --list-ports >"$out" 2>&1 || fail "COM12: --list-ports ended with $?: $(cat "$out")"
  grep -q '^COM12' "$out" || fail "COM12: --list-ports does not list it: $(cat "$out")"
  echo "--list-ports: $(tr -d '\r' <"$out" | grep '^COM12')"
  console --read "$(winepath -w "$work/com12.cfg")" >"$out" 2>&1 || fail "COM12: --read without --port: $(cat "$out")"
  grep -q 'the clock answered on COM12' "$out" || fail "COM12: --read did not say where the clock answered: $(cat "$out")"
  cmp -s "$work/com12.cfg" "$work/windows-read.cfg" || fail "COM12: --read read another configuration"
  echo "--read without --port: $(tr -d '\r' <"$out")"
  console --send "$(winepath -w "$work/com12.cfg")" >"$out" 2>&1 || fail "COM12: --send without --port: $(cat "$out")"
  # After the lines of the ports the search skipped (Wine's own COM1 and COM2 lead nowhere here).
  [ "$(tr -d '\r' <"$out" | tail -n2)" = "kelvox-setup: the clock answered on COM12"$'\n'"$verified" ] ||
    fail "COM12: --send without --port said: $(cat "$out")"
  echo "--send without --port: $(tr -d '\r' <"$out" | tail -n2 | paste -sd' ')"
}
step "the clock on COM12, nothing on COM1"
rm -f "$KVX_PORT_DIR/COM1"
wine cmd /c del "%APPDATA%\\KELVOX Setup\\kelvox.ini" >/dev/null 2>&1 || true
wine reg add 'HKLM\Software\Wine\Ports' /v COM12 /t REG_SZ /d "$KVX_PORT_DIR/COM12" /f >/dev/null 2>&1
wineserver -k
wineserver -p 2>>"$KVX_PORT_DIR/wineserver.log"
wine cmd /c exit >/dev/null 2>&1
clock_port=12 with_clock -- clock_on_com12
# Two clocks as COM12 and COM13, in one emulator: --send --all-clocks sends to both at once and
# verifies each; the ports Wine names but that lead nowhere get their skipped lines.
two_clocks() {
  local out="$work/two.out"
  console --send "$(winepath -w "$work/com12.cfg")" --all-clocks >"$out" 2>&1 ||
    fail "two clocks: --send --all-clocks ended with $?: $(cat "$out")"
  for port in COM12 COM13; do
    tr -d '\r' <"$out" | grep -q "^kelvox-setup: $port: verified in " || fail "two clocks: $port: $(cat "$out")"
  done
  [ "$(tr -d '\r' <"$out" | tail -n1)" = "kelvox-setup: 2 clocks: 2 verified" ] || fail "two clocks: $(cat "$out")"
  echo "--send --all-clocks: $(tr -d "\r" <"$out" | tail -n3 | paste -sd" ")"
}
step "two clocks, COM12 and COM13"
wine reg add 'HKLM\Software\Wine\Ports' /v COM13 /t REG_SZ /d "$KVX_PORT_DIR/COM13" /f >/dev/null 2>&1
wineserver -k
wineserver -p 2>>"$KVX_PORT_DIR/wineserver.log"
wine cmd /c exit >/dev/null 2>&1
rm -f "$KVX_PORT_DIR/COM13"
clock_port=12 with_clock --count 2 -- two_clocks
step "Windows program test passed"
