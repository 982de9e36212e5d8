#!/usr/bin/env bash
# Runs every test: set-up, the host build and its tests under the sanitizers, the Windows build,
# then the Windows tests under Wine through CTest in two prefixes side by side, with the demo, the
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

# Each stage's time, and those of the jobs that run beside the stages (build/times/*.txt, one
# "<seconds> <what>" line each), printed at the end whatever the outcome.
mkdir -p build
times_dir="$root/build/times"
rm -rf "$times_dir"
mkdir -p "$times_dir"
run_start=$(date +%s)
stage_name=""
stage_start=$run_start
stage() {
  local now
  now=$(date +%s)
  [ -n "$stage_name" ] && echo "$((now - stage_start)) $stage_name" >>"$times_dir/stages.txt"
  stage_name=$1
  stage_start=$now
  [ -z "$1" ] || echo "== $1"
}
# Runs a command as a job beside the stages, timing it into build/times/<key>.txt.
timed() {
  local key=$1 what=$2 start
  shift 2
  start=$(date +%s)
  "$@"
  echo "$(($(date +%s) - start)) $what (beside the stages)" >"$times_dir/$key.txt"
}
report_times() {
  stage ""
  echo "== times (seconds)"
  cat "$times_dir/stages.txt" $(ls "$times_dir"/*.txt | grep -v /stages.txt) 2>/dev/null |
    awk '{ printf "   %5d  %s\n", $1, substr($0, index($0, " ") + 1) }' || true
  echo "   $(printf '%5d' $(($(date +%s) - run_start)))  total"
}
on_exit() {
  local status=$?
  # A demo still running when the run fails is ended (its own exit stops its Wine and display).
  if [ -n "${demo:-}" ] && kill -0 "$demo" 2>/dev/null && [ -f "${demo_pid:-}" ]; then
    kill "$(cat "$demo_pid")" 2>/dev/null || true
    wait "$demo" 2>/dev/null || true
  fi
  # So are the fuzzers and the release build beside the tests.
  if [ -n "${beside_tests:-}" ] && kill -0 "$beside_tests" 2>/dev/null; then
    pkill -P "$beside_tests" 2>/dev/null || true
    kill "$beside_tests" 2>/dev/null || true
  fi
  [ -n "${wine_build_dir:-}" ] && wine_display_down
  report_times
  exit "$status"
}
trap on_exit EXIT

stage "set-up"
scripts/setup-deps.sh
tests/setup_deps_test.sh

stage "host build"
cmake --preset host >/dev/null
cmake --build --preset host
stage "host tests"
ctest --preset host --output-on-failure -j2

# The tests run the 32-bit build in 32-bit prefixes. Where this machine's kernel cannot start
# 32-bit programs, the tests run the 64-bit build of the same sources under 64-bit Wine instead;
# the 32-bit program is then the release build below.
preset=win
. scripts/wine-env.sh "$root/build/win"
if [ "$WINE_BITS" = 64 ]; then
  echo "== this machine cannot run 32-bit programs: the Windows tests run the 64-bit build"
  preset=win64
  unset WINEPREFIX
  . scripts/wine-env.sh "$root/build/win64"
fi
# The test prefixes are made on their displays while the Windows side builds.
wine_lane_displays_up
(timed prefixes "test prefixes" wine_lane_prefixes_up) >build/lanes-up.log 2>&1 &
lanes_up=$!
stage "Windows build ($preset)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
stage "test prefixes (the rest of it)"
wait "$lanes_up" || { cat build/lanes-up.log; exit 1; }

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

# The fuzzers, one at a time for a fixed time each, then the release build of the checks below run
# on the core that the Windows tests, mostly waiting for windows, leave idle.
(
  status=0
  timed fuzzers "fuzzers (${fuzz_seconds} s each)" \
    scripts/fuzz.sh all "$fuzz_seconds" || status=$?
  timed release-build "release build" \
    sh -c 'cmake --preset release >/dev/null && cmake --build --preset release -j 1' || status=$?
  exit "$status"
) >build/beside-tests.log 2>&1 &
beside_tests=$!

# Each test holds its prefix (lane) alone; the two lanes run side by side.
stage "Windows tests under Wine ($WINEARCH, two prefixes side by side)"
tests_status=0
ctest --preset "$preset" --output-on-failure -j2 || tests_status=$?

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

stage "fuzzers and release build (the rest of them)"
wait "$beside_tests" || { cat build/beside-tests.log; echo "test: the fuzzers or the release build failed" >&2; exit 1; }
grep -E '^(fuzz_|stat::number_of_executed_units)' build/beside-tests.log || true
# The program must start on every Windows it names: its load-time imports against docs/IMPORTS.txt.
echo "== load-time imports of the release"
ctest --test-dir build/release --output-on-failure

# The release signed with a throwaway self-signed certificate: the signature must verify against
# it, the package must hold the signed program, and the signed program must still run (a bad
# switch under /S ends it at once with 87) where this machine can run 32-bit programs.
stage "signed release"
signing=$(mktemp -d)
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Uninstall test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$signing/key.pem" -out "$signing/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" -passout pass:throwaway \
  -out "$signing/signer.p12"
SIGN_PKCS12="$signing/signer.p12" SIGN_PASSWORD=throwaway scripts/package.sh >"$signing/package.log" 2>&1 ||
  { cat "$signing/package.log"; exit 1; }
grep -q ', signed)$' "$signing/package.log" || { cat "$signing/package.log"; echo "package: not signed" >&2; exit 1; }
python3 -m zipfile -e "dist/Uninstall-$(head -n 1 VERSION | tr -d '[:space:]').zip" "$signing/unpacked"
(cd "$signing/unpacked" && sha256sum --quiet -c SHA256SUMS)
osslsigncode verify -CAfile "$signing/cert.pem" -in "$signing/unpacked/Uninstall.exe" >"$signing/verify.log" 2>&1 ||
  { cat "$signing/verify.log"; exit 1; }
if [ "$WINE_BITS" = 32 ]; then
  set +e
  DISPLAY=$(wine_lane_display "$WINEPREFIX") wine "$signing/unpacked/Uninstall.exe" /S /no-such-switch >/dev/null 2>&1
  code=$?
  set -e
  [ "$code" = 87 ] || { echo "the signed Uninstall.exe exited with $code, not 87" >&2; exit 1; }
  echo "signed, verified and runs (exit code 87 for a bad switch)"
else
  echo "signed and verified; not run: this machine cannot start 32-bit programs (no 32-bit Wine)"
fi
rm -rf "$signing"

[ "$tests_status" = 0 ] || { echo "test: the Windows tests failed" >&2; exit "$tests_status"; }
