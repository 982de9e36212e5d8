#!/usr/bin/env bash
# Builds the release preset and writes dist/Uninstall-<version>.zip: Uninstall.exe, the
# integrators' notes (docs/INTEGRATORS.txt, CRLF line ends) and SHA256SUMS of the two.
# Fails when the program is not a 32-bit GUI program, is larger than 1 MiB, carries debug
# sections or lacks the version in its version resource.
#   scripts/package.sh
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
cp "$exe" "$stage/Uninstall.exe"
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' docs/INTEGRATORS.txt >"$stage/INTEGRATORS.txt"
(cd "$stage" && sha256sum Uninstall.exe INTEGRATORS.txt >SHA256SUMS)

# Fixed order, fixed time stamps (the last commit's) and no extra attributes: the same tree gives
# the same archive.
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
(
  cd "$stage"
  export TZ=UTC
  touch -d "@$stamp" Uninstall.exe INTEGRATORS.txt SHA256SUMS
  zip -q -X -D "$zipfile" Uninstall.exe INTEGRATORS.txt SHA256SUMS
)

echo "dist/Uninstall-$version.zip ($(stat -c %s "$zipfile") bytes; Uninstall.exe $size bytes)"
python3 -m zipfile -l "$zipfile"
cat "$stage/SHA256SUMS"
