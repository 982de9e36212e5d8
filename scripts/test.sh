#!/usr/bin/env bash
# Runs every test: set-up, both builds, the host tests under the sanitizers, the fuzzers for a
# short while, then the Windows tests under Wine through CTest. Exits non-zero on any failure.
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

scripts/setup-deps.sh

echo "== host build"
cmake --preset host >/dev/null
cmake --build --preset host
echo "== host tests"
ctest --preset host --output-on-failure -j2

# The release build of the signed-release check below runs on the core that the fuzzers, one at
# a time for a fixed time each, leave idle.
mkdir -p build
(cmake --preset release >/dev/null && cmake --build --preset release -j 1) >build/release-build.log 2>&1 &
release_build=$!
echo "== fuzzers (${fuzz_seconds} s each)"
scripts/fuzz.sh all "$fuzz_seconds"
wait "$release_build" || { cat build/release-build.log; exit 1; }
# The program must start on every Windows it names: its load-time imports against docs/IMPORTS.txt.
echo "== load-time imports of the release"
ctest --test-dir build/release --output-on-failure

# The tests run the 32-bit build in a 32-bit prefix. Where this machine's kernel cannot start
# 32-bit programs, the 32-bit program is only built, and the tests run the 64-bit build of the same
# sources under 64-bit Wine instead.
preset=win
. scripts/wine-env.sh "$root/build/win"
echo "== Windows build"
cmake --preset win >/dev/null
if [ "$WINE_BITS" = 64 ]; then
  cmake --build --preset win --target Uninstall
  echo "== this machine cannot run 32-bit programs: the Windows tests run the 64-bit build"
  preset=win64
  cmake --preset win64 >/dev/null
  cmake --build --preset win64
  unset WINEPREFIX
  . scripts/wine-env.sh "$root/build/win64"
else
  cmake --build --preset win
fi

echo "== Windows tests under Wine ($WINEARCH)"
wine_display_up
trap wine_display_down EXIT
wine_prefix_up
wine_prefix64_up

# The release signed with a throwaway self-signed certificate: the signature must verify against
# it, the package must hold the signed program, and the signed program must still run (a bad
# switch under /S ends it at once with 87).
echo "== signed release"
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
set +e
wine "$signing/unpacked/Uninstall.exe" /S /no-such-switch >/dev/null 2>&1
code=$?
set -e
[ "$code" = 87 ] || { echo "the signed Uninstall.exe exited with $code, not 87" >&2; exit 1; }
echo "signed, verified and runs (exit code 87 for a bad switch)"
rm -rf "$signing"
# The Windows tests share one prefix (its registry and c:\), so they run one at a time.
ctest --preset "$preset" --output-on-failure -j1

# The README's main command, once, on the built tree and in a prefix of its own: it must reach its
# end, with what is left and a picture of each of the three dialogs.
echo "== the demo"
demo_out="$root/build/demo-run.txt"
status=0
scripts/demo.sh > "$demo_out" 2>&1 || status=$?
sed 's/^/   /' "$demo_out"
pngs=$(grep -c '^   .*\.png$' "$demo_out" || true)
if [ "$status" != 0 ] || ! grep -q '^== what is left' "$demo_out" || [ "$pngs" -lt 3 ]; then
  echo "test: the demo did not reach its end (status $status, $pngs pictures)" >&2
  exit 1
fi
echo "the demo reached its end with $pngs pictures"
echo "demo: 1 passed, 0 failed"
