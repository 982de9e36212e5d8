#!/usr/bin/env bash
# Runs every test: set-up, the host build and its tests under the sanitizers, the Windows build,
# then the Windows tests under Wine through CTest, three at a time in prefixes of their own, with the demo, the
# fuzzers for a short while and the release build beside them; last the release's imports and
# the signed release. Exits non-zero on any failure; ends with the time each
# stage took.
#   scripts/test.sh [--fuzz-seconds N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
fuzz_seconds=30
while [ $# -gt 0 ]; do
  case "$1" in
    --fuzz-seconds) fuzz_seconds=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
# At most two compile jobs: the machines this runs on have two cores, often shared.
export CMAKE_BUILD_PARALLEL_LEVEL=2

. scripts/stages.sh test

# Each stage's time, and those of the jobs that run beside the stages (build/times/*.txt, one
# "<seconds> <what>" line each), printed at the end whatever the outcome.
times_dir="$root/build/times"
rm -rf "$times_dir"
mkdir -p "$times_dir"
run_start=$(date +%s)
stage_start=$run_start
stage() {
  local now
  now=$(date +%s)
  [ -n "$stage_name" ] && echo "$((now - stage_start)) $stage_name" >>"$times_dir/stages.txt"
  stage_start=$now
  begin_stage "$1"
}
# Runs a command as a job beside the stages, timing it into build/times/<key>.txt and its output
# into build/logs/test/<key>.log; a job that fails says so there, with its first error.
timed() {
  local key=$1 what=$2 start status=0
  shift 2
  start=$(date +%s)
  "$@" >"$stages_logs/$key.log" 2>&1 || status=$?
  echo "$(($(date +%s) - start)) $what (beside the stages)" >"$times_dir/$key.txt"
  [ "$status" = 0 ] || echo "$key: '$*' failed with $status" >>"$stages_logs/$key.failed"
  return "$status"
}
# A job beside the stages that failed: named, with its first error and the end of its output.
report_failed_jobs() {
  local failed key
  for failed in "$stages_logs"/*.failed; do
    [ -f "$failed" ] || continue
    key=$(basename "$failed" .failed)
    echo "test: the job beside the stages failed: $(cat "$failed")" >&2
    show_failed_log "$stages_logs/$key.log" "the job '$key'"
  done
}
report_times() {
  stage ""
  echo "== times (seconds)"
  cat "$times_dir/stages.txt" $(ls "$times_dir"/*.txt | grep -v /stages.txt) 2>/dev/null |
    awk '{ printf "   %5d  %s\n", $1, substr($0, index($0, " ") + 1) }' || true
  echo "   $(printf '%5d' $(($(date +%s) - run_start)))  total"
}
# Which build the Windows tests ran, and by which route.
windows_tests_summary=""
on_exit() {
  local status=$?
  # A demo still running when the run fails is ended (its own exit stops its Wine and display).
  if [ -n "${demo:-}" ] && kill -0 "$demo" 2>/dev/null && [ -f "${demo_pid:-}" ]; then
    kill "$(cat "$demo_pid")" 2>/dev/null || true
    wait "$demo" 2>/dev/null || true
  fi
  # So are the jobs beside the tests.
  if [ -n "${beside_tests:-}" ] && kill -0 "$beside_tests" 2>/dev/null; then
    pkill -P "$beside_tests" 2>/dev/null || true
    kill "$beside_tests" 2>/dev/null || true
  fi
  [ -n "${wine_build_dir:-}" ] && wine_display_down
  local failed_stage=${tests_failed_stage:-$stage_name} failed_log=${tests_failed_log:-$stage_log}
  report_times
  [ -z "$windows_tests_summary" ] || echo "== $windows_tests_summary"
  stage_name=$failed_stage stage_log=$failed_log
  stages_report_failure "$status"
  exit "$status"
}
trap on_exit EXIT

stage "set-up"
logged scripts/setup-deps.sh
quietly tests/setup_deps_test.sh

stage "host build"
quietly cmake --preset host
quietly cmake --build --preset host
stage "host tests"
logged ctest --preset host --output-on-failure -j2

# The tests run the 32-bit build, what ships: in 32-bit prefixes, and the rows of a 64-bit Windows
# in a 64-bit prefix under WoW64, on whichever route starts 32-bit programs on this machine.
preset=win
. scripts/wine-env.sh "$root/build/win"
windows_tests_summary="the Windows tests ran the 32-bit build (build/win), the program that ships, on $WINE_ROUTE: every row in 32-bit prefixes, the rows of a 64-bit Windows in a 64-bit prefix under WoW64"
# The test prefixes are made on their displays while the Windows side builds.
wine_lane_displays_up
(timed prefixes "test prefixes" wine_lane_prefixes_up) &
lanes_up=$!
stage "Windows build ($preset)"
quietly cmake --preset "$preset"
quietly cmake --build --preset "$preset"
stage "test prefixes (the rest of it)"
wait "$lanes_up" || { report_failed_jobs; exit 1; }

# The README's main command, once, on the built tree and in a prefix and display of its own,
# beside the Windows tests: it must reach its end, with what is left and a picture of each of the
# three dialogs.
demo_out="$root/build/demo-run.txt"
demo_pid="$root/build/demo-pid.txt"
rm -f "$root/build/demo-status.txt" "$demo_pid"
(
  start=$(date +%s)
  scripts/demo.sh >"$demo_out" 2>&1 &
  echo $! >"$demo_pid"
  status=0
  wait $! || status=$?
  echo "$(($(date +%s) - start)) demo (beside the Windows tests)" >"$times_dir/demo.txt"
  echo "$status" >"$root/build/demo-status.txt"
) &
demo=$!

# On the core that the Windows tests, mostly waiting for windows, leave idle: the release build of
# the checks below, and the fuzzers, one at a time for a fixed time each.
(
  status=0
  timed release-build "release build" \
    sh -c 'cmake --preset release && cmake --build --preset release -j 1' || status=$?
  timed fuzzers "fuzzers (${fuzz_seconds} s each)" \
    scripts/fuzz.sh all "$fuzz_seconds" || status=$?
  exit "$status"
) &
beside_tests=$!

# Each test holds its prefix (lane) alone; the two lanes run side by side.
stage "Windows tests under Wine (three at a time, each in a prefix of its own)"
tests_status=0
logged ctest --preset "$preset" --output-on-failure -j3 || tests_status=$?
tests_stage=$stage_name tests_log=$stage_log
# A test program that failed runs once more, on its own: on two shared cores under the load of the
# jobs beside, Wine has now and then failed to start a process. One that passes then is named in
# the summary, with the log that holds its first output; one that fails again fails the run.
if [ "$tests_status" != 0 ]; then
  first_failures=$(sed -n '/following tests FAILED/,$ s/^[[:space:]]*[0-9]* - \([A-Za-z0-9_]*\) (.*)$/\1/p' "$tests_log" |
    tr '\n' ' ')
  if [ -n "$first_failures" ]; then
    echo "== the failed Windows tests once more: $first_failures"
    tests_status=0
    logged ctest --preset "$preset" --output-on-failure -R "^($(echo $first_failures | tr ' ' '|'))\$" ||
      tests_status=$?
    if [ "$tests_status" = 0 ]; then
      windows_tests_summary="$windows_tests_summary; failed once and passed on their second run: $first_failures(first output in $tests_log)"
    fi
  fi
fi

stage "the demo (the rest of it)"
wait "$demo" || true
demo_status=$(cat "$root/build/demo-status.txt" 2>/dev/null || echo "not recorded")
sed 's/^/   /' "$demo_out"
pngs=$(grep -c '^   .*\.png$' "$demo_out" || true)
if [ "$demo_status" != 0 ] || ! grep -q '^== what is left' "$demo_out" || [ "$pngs" -lt 3 ]; then
  echo "test: the demo did not reach its end (status $demo_status, $pngs pictures)" >&2
  exit 1
fi
echo "the demo reached its end with $pngs pictures"
echo "demo: 1 passed, 0 failed"

stage "builds and fuzzers beside the tests (the rest of them)"
wait "$beside_tests" || { report_failed_jobs; exit 1; }
grep -E '^(fuzz_|stat::number_of_executed_units)' "$stages_logs/fuzzers.log" || true
# The program must start on every Windows it names: its load-time imports against docs/IMPORTS.txt.
stage "load-time imports of the release"
logged ctest --test-dir build/release --output-on-failure

# The release signed with a throwaway self-signed certificate: the signature must verify against
# it, the package must hold the signed program, and the signed program must still run (a bad
# switch under /S ends it at once with 87).
stage "signed release"
signing=$(mktemp -d)
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Uninstall test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$signing/key.pem" -out "$signing/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" -passout pass:throwaway \
  -out "$signing/signer.p12"
SIGN_PKCS12="$signing/signer.p12" SIGN_PASSWORD=throwaway quietly scripts/package.sh
grep -q ', signed)$' "$stage_log" || { echo "package: not signed" >&2; exit 1; }
python3 -m zipfile -e "dist/Uninstall-$(head -n 1 VERSION | tr -d '[:space:]').zip" "$signing/unpacked"
(cd "$signing/unpacked" && sha256sum --quiet -c SHA256SUMS)
quietly osslsigncode verify -CAfile "$signing/cert.pem" -in "$signing/unpacked/Uninstall.exe"
set +e
DISPLAY=$(wine_lane_display "$WINEPREFIX") wine "$signing/unpacked/Uninstall.exe" /S /no-such-switch >/dev/null 2>&1
code=$?
set -e
[ "$code" = 87 ] || { echo "the signed Uninstall.exe exited with $code, not 87" >&2; exit 1; }
echo "signed, verified and runs (exit code 87 for a bad switch)"
rm -rf "$signing"

# Failed Windows tests fail the run at its end, named as their stage.
if [ "$tests_status" != 0 ]; then
  tests_failed_stage=$tests_stage tests_failed_log=$tests_log
  exit "$tests_status"
fi
