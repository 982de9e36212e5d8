#!/usr/bin/env bash
# Fuzzes one parser (or all) for a given number of seconds; fails on any finding.
#   scripts/fuzz.sh all|setup_file|xml_doc|reg_list|detector_report|shortcut_file [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
which=${1:-all}
seconds=${2:-30}
cd "$root"
. scripts/stages.sh fuzz
trap 'stages_report_failure $?' EXIT
begin_stage "host build"
[ -d build/host ] || quietly cmake --preset host
quietly cmake --build --preset host
begin_stage "fuzzing"

run_one() {
  local name=$1 corpus=$2
  local exe="build/host/fuzz/fuzz_$name"
  [ -x "$exe" ] || { echo "fuzz: no target fuzz_$name" >&2; return 1; }
  local work="build/host/fuzz/corpus-$name"
  mkdir -p "$work"
  echo "fuzz_$name: ${seconds}s"
  "$exe" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="build/host/fuzz/crash-$name-" \
    "$work" "fuzz/corpus/$corpus" 2>"build/host/fuzz/fuzz_$name.log" ||
    { tail -40 "build/host/fuzz/fuzz_$name.log"; echo "fuzz_$name: FOUND A FAULT" >&2; return 1; }
  grep -E '^stat::number_of_executed_units' "build/host/fuzz/fuzz_$name.log" || true
}

case "$which" in
  all)
    run_one setup_file setup
    run_one xml_doc xml
    run_one detector_report detector
    run_one reg_list regini
    run_one shortcut_file shortcut
    ;;
  setup_file) run_one setup_file setup ;;
  xml_doc) run_one xml_doc xml ;;
  detector_report) run_one detector_report detector ;;
  reg_list) run_one reg_list regini ;;
  shortcut_file) run_one shortcut_file shortcut ;;
  *) echo "unknown fuzzer $which" >&2; exit 2 ;;
esac
