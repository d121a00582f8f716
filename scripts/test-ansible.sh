#!/usr/bin/env bash
# The example playbooks of examples/ansible run for real with Debian's ansible-core, against two
# "buildings" on this machine (-c local), each a folder with emulated clocks, and the program of
# the build: once where every clock is verified, once where a clock stores another value than it
# acknowledged (that building fails and the gathered file names the clock), then the comparison.
# It shows the playbooks' logic and the program's JSON and exit codes; not SSH to real PCs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-build}" && pwd)"
"$root/scripts/install-deps.sh" ansible-core

export LC_ALL=C.UTF-8 ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=false ANSIBLE_STDOUT_CALLBACK=default
scratch="$(mktemp -d)"
export ANSIBLE_HOME="$scratch/ansible" ANSIBLE_LOCAL_TEMP="$scratch/ansible/tmp" ANSIBLE_REMOTE_TEMP="$scratch/ansible/tmp"
emulators=()
finish() {
  for pid in "${emulators[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap finish EXIT

# A building: a folder with two clocks as COM1 and COM2 (and further options for the emulator).
# The send's command 12 comes after the search's read (the read request and seven day requests).
building() {
  local folder="$scratch/$1"; shift
  mkdir -p "$folder"
  "$build/tools/kelvox-clock-emulator" --dir "$folder" --port 1 --count 2 --save= --log "$folder/emulator.log" "$@" \
    >"$folder/ready" &
  emulators+=($!)
  for _ in $(seq 100); do [ "$(grep -c '^ready' "$folder/ready" 2>/dev/null)" = 2 ] && return; sleep 0.05; done
  echo "test-ansible: the emulator of $1 did not start" >&2
  exit 1
}
building town-hall
building library --for COM2 --corrupt-at 20

cat >"$scratch/inventory.ini" <<INVENTORY
[clock_pcs]
town-hall ansible_connection=local kelvox_folder=$scratch/town-hall
library   ansible_connection=local kelvox_folder=$scratch/library
[clock_pcs:vars]
ansible_python_interpreter=/usr/bin/python3
INVENTORY
# Host variables: they take precedence over the playbooks' group_vars.
mkdir -p "$scratch/host_vars"
for host in town-hall library; do
  printf 'kelvox_setup: %s\nkelvox_environment: {KELVOX_SETUP_FOLDER_PORTS_ONLY: "1"}\n' "$build/app/kelvox-setup" \
    >"$scratch/host_vars/$host.yml"
done

# play PLAYBOOK EXPECTED-STATUS [ARGS]: the playbook's status must be as expected.
play() {
  local playbook="$1" expected="$2"; shift 2
  local status=0
  (cd "$root/examples/ansible" && ansible-playbook -i "$scratch/inventory.ini" "$playbook" \
    -e plan="$root/examples/ansible/plan.cfg" "$@") >"$scratch/play.log" 2>&1 || status=$?
  if [ "$status" != "$expected" ]; then
    cat "$scratch/play.log" >&2
    echo "test-ansible: $playbook $* ended with $status, not $expected" >&2
    exit 1
  fi
}

# expect FILE PYTHON-CONDITION DESCRIPTION: the gathered file `g` meets the condition.
expect() {
  if ! python3 -c "import json, sys; g = json.load(open(sys.argv[1])); sys.exit(0 if ($2) else 1)" "$1"; then
    cat "$scratch/play.log" "$1" >&2
    echo "test-ansible: $3" >&2
    exit 1
  fi
}
results='lambda host: {r["port"]: r["result"] for r in g[host]["report"]["results"]}'

play send-plan.yml 0 --limit town-hall -e gathered="$scratch/send-one.json"
expect "$scratch/send-one.json" "($results)('town-hall') == {'COM1': 'verified', 'COM2': 'verified'} and list(g) == ['town-hall']" \
  "one building: both clocks verified"

play send-plan.yml 2 -e gathered="$scratch/send-all.json"
expect "$scratch/send-all.json" "($results)('town-hall') == {'COM1': 'verified', 'COM2': 'verified'} and g['town-hall']['exit_code'] == 0" \
  "two buildings: the town hall's clocks verified"
expect "$scratch/send-all.json" "($results)('library') == {'COM1': 'verified', 'COM2': 'differs'} and g['library']['exit_code'] == 3" \
  "two buildings: the library's COM2 differs"
grep -q 'library *: ok=[0-9]* *changed=[0-9]* *unreachable=0 *failed=1' "$scratch/play.log" ||
  { cat "$scratch/play.log" >&2; echo "test-ansible: the library did not fail" >&2; exit 1; }

play compare-plan.yml 2 -e gathered="$scratch/compare.json"
expect "$scratch/compare.json" "($results)('town-hall') == {'COM1': 'verified', 'COM2': 'verified'} and g['town-hall']['exit_code'] == 0" \
  "the comparison: the town hall agrees"
expect "$scratch/compare.json" "g['library']['exit_code'] == 1 and any(r['port'] == 'COM2' and r['differences'] for r in g['library']['report']['results'])" \
  "the comparison: the library's COM2 differs"
echo "test-ansible: the playbooks sent, verified, failed the building with a differing clock and compared"
