#!/usr/bin/env bash
# Builds the release preset and writes dist/Uninstall-<version>.zip: Uninstall.exe, the
# integrators' notes (docs/INTEGRATORS.txt, CRLF line ends) and SHA256SUMS of the two.
# Fails when the program is not a 32-bit GUI program, is larger than 1 MiB, carries debug
# sections or lacks the version in its version resource.
#   scripts/package.sh
# Uninstall.exe is signed with Authenticode (SHA-256) when a certificate and its key are given:
#   SIGN_PKCS12=file.p12 [SIGN_PASSWORD=...]          a PKCS#12 file holding both
#   SIGN_CERT=cert.pem SIGN_KEY=key.pem [SIGN_PASSWORD=...]
#   SIGN_TIMESTAMP=url                                 optional RFC 3161 timestamp server
# Windows set to elevate only signed executables does not start an unsigned uninstaller, which
# asks for administrator rights; so an unsigned package is announced loudly.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/setup-deps.sh

version=$(head -n 1 VERSION | tr -d '[:space:]')
echo "== release build $version"
cmake --preset release >/dev/null
cmake --build --preset release

exe=build/release/bin/Uninstall.exe
zipfile="$root/dist/Uninstall-$version.zip"
rm -f "$zipfile"
fail() { echo "package: $*" >&2; exit 1; }
# Each tool's whole output is read first: a grep -q that stops early would break the pipe.
size=$(stat -c %s "$exe")
sections=$(i686-w64-mingw32-objdump -h "$exe")
kind=$(file -b "$exe")
texts=$(strings -a "$exe")
wide_texts=$(strings -a -el "$exe")
[ "$size" -le 1048576 ] || fail "$exe is $size bytes, more than 1 MiB"
if grep -q ' \.debug' <<<"$sections"; then fail "$exe carries debug sections"; fi
grep -q '^PE32 executable (GUI) Intel 80386' <<<"$kind" || fail "$exe is not a 32-bit GUI program: $kind"
# FileVersion and ProductVersion are UTF-16 strings in the version resource.
[ "$(grep -cx "$version" <<<"$wide_texts")" -ge 2 ] || fail "$exe lacks version $version in its resource"
grep -q 'level="requireAdministrator"' <<<"$texts" || fail "$exe lacks the administrator manifest"

echo "== package"
stage=build/release/package
rm -rf "$stage"
mkdir -p "$stage" dist
# The last commit's time: the archive's time stamps and, without a timestamp server, the
# signing time, so that the same tree and certificate give the same archive.
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)

signer=()
if [ -n "${SIGN_PKCS12:-}" ]; then
  signer=(-pkcs12 "$SIGN_PKCS12")
elif [ -n "${SIGN_CERT:-}" ] || [ -n "${SIGN_KEY:-}" ]; then
  [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_KEY:-}" ] || fail "SIGN_CERT and SIGN_KEY go together"
  signer=(-certs "$SIGN_CERT" -key "$SIGN_KEY")
fi
if [ "${#signer[@]}" -gt 0 ]; then
  echo "== Authenticode signature"
  # The password goes through a pipe, never on a command line that others can read.
  [ -n "${SIGN_PASSWORD:-}" ] && signer+=(-readpass /dev/stdin)
  if [ -n "${SIGN_TIMESTAMP:-}" ]; then signer+=(-ts "$SIGN_TIMESTAMP"); else signer+=(-time "$stamp"); fi
  printf '%s' "${SIGN_PASSWORD:-}" |
    osslsigncode sign "${signer[@]}" -h sha256 -n Uninstall -in "$exe" -out "$stage/Uninstall.exe" >/dev/null ||
    fail "signing $exe failed"
  signed_size=$(stat -c %s "$stage/Uninstall.exe")
  [ "$signed_size" -le 1048576 ] || fail "the signed Uninstall.exe is $signed_size bytes, more than 1 MiB"
  signed=signed
  export signature="Uninstall.exe carries an Authenticode signature (SHA-256)."
else
  cp "$exe" "$stage/Uninstall.exe"
  signed=UNSIGNED
  export signature="Uninstall.exe in this package is NOT signed: Windows set to elevate only
signed executables does not start it."
  echo "package: WARNING: Uninstall.exe is packed UNSIGNED; Windows set to elevate only signed" >&2
  echo "package: executables will not start it. Give SIGN_PKCS12 (and SIGN_PASSWORD) or" >&2
  echo "package: SIGN_CERT and SIGN_KEY to sign it." >&2
fi
# The notes say whether this package's program is signed.
sed -e "s/@VERSION@/$version/g" docs/INTEGRATORS.txt |
  awk '$0 == "@SIGNATURE@" { print ENVIRON["signature"]; next } { print }' |
  sed -e 's/$/\r/' >"$stage/INTEGRATORS.txt"
(cd "$stage" && sha256sum Uninstall.exe INTEGRATORS.txt >SHA256SUMS)

# Fixed order, fixed time stamps and no extra attributes: the same tree gives the same archive.
(
  cd "$stage"
  export TZ=UTC
  touch -d "@$stamp" Uninstall.exe INTEGRATORS.txt SHA256SUMS
  zip -q -X -D "$zipfile" Uninstall.exe INTEGRATORS.txt SHA256SUMS
)

echo "dist/Uninstall-$version.zip ($(stat -c %s "$zipfile") bytes; Uninstall.exe $(stat -c %s "$stage/Uninstall.exe") bytes, $signed)"
python3 -m zipfile -l "$zipfile"
cat "$stage/SHA256SUMS"
