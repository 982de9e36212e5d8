#!/usr/bin/env bash
# The set-up's fallbacks against a half-synced mirror, with stand-ins for apt-get, dpkg,
# dpkg-query, locale and sudo first in PATH: every call is recorded, nothing is installed.
#   tests/setup_deps_test.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "setup_deps_test: FAILED: $*" >&2; failures=$((failures + 1)); }

mkdir -p "$work/bin"
# apt-get: "update" always fails as on a mirror caught half-synced; "install" fails unless the
# base release or its backports are preferred (-t bookworm, -t bookworm-backports), or always with
# STANDIN_INSTALL=never.
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STANDIN_LOG"
case " $* " in
  *" update "*)
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (43816 != 43804). Mirror sync in progress? [IP: 151.101.2.132 80]"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
  *" install "*)
    if [ "${STANDIN_INSTALL:-}" != never ] && [[ " $* " == *" -t bookworm "* || " $* " == *" -t bookworm-backports "* ]]; then
      exit 0
    fi
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100 ;;
esac
exit 0
EOF
# dpkg-query: every package installed except those named in STANDIN_MISSING.
cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
package=${*: -1}
for missing in $STANDIN_MISSING; do
  [ "$package" = "$missing" ] && { echo "dpkg-query: no packages found matching $package" >&2; exit 1; }
done
printf 'install ok installed'
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
echo "dpkg $*" >>"$STANDIN_LOG"
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
EOF
cat >"$work/bin/locale" <<'EOF'
#!/usr/bin/env bash
printf '%s\n' C C.utf8 POSIX en_US.utf8 zh_CN.utf8 zh_TW.utf8
EOF
cat >"$work/bin/sudo" <<'EOF'
#!/usr/bin/env bash
exec "$@"
EOF
# The 32-bit Wine loader: it starts once the emulator is registered (STANDIN_BINFMT/register holds
# its rule), or always with STANDIN_32BIT=native. QEMU's emulator is the old one of bookworm.
cat >"$work/bin/wine32" <<'EOF'
#!/usr/bin/env bash
[ "${STANDIN_32BIT:-}" = native ] && exit 0
grep -q 'i386-binfmt-P:OPF$' "$STANDIN_BINFMT/register" 2>/dev/null && exit 0
echo "wine32: cannot execute binary file: Exec format error" >&2
exit 126
EOF
cat >"$work/bin/qemu-i386" <<'EOF'
#!/usr/bin/env bash
echo "qemu-i386 version 7.2.0 (Debian 1:7.2+dfsg-7+deb12u18)"
EOF
cat >"$work/bin/mount" <<'EOF'
#!/usr/bin/env bash
echo "mount $*" >>"$STANDIN_LOG"
: >"${*: -1}/register"
EOF
chmod +x "$work/bin"/*
mkdir -p "$work/binfmt" "$work/sources"

# Runs the set-up with the stand-ins; its output in $work/out, the calls in $work/calls.
run_setup() {
  : >"$work/calls"
  PATH="$work/bin:$PATH" STANDIN_LOG="$work/calls" SETUP_DEPS_PAUSE=0 STANDIN_32BIT=native \
    SETUP_DEPS_WINE32="$work/bin/wine32" SETUP_DEPS_BINFMT="$work/binfmt" STANDIN_BINFMT="$work/binfmt" \
    SETUP_DEPS_SOURCES="$work/sources" "$@" "$root/scripts/setup-deps.sh" >"$work/out" 2>&1
}
calls() { grep -c "^$1" "$work/calls"; }
show() { sed 's/^/    | /' "$work/out" >&2; }
apt_state() { find /etc/apt -type f -exec md5sum {} + 2>/dev/null | sort; }
apt_before=$(apt_state)

# Nothing missing: nothing is asked of apt.
run_setup env STANDIN_MISSING="" || fail "with everything installed it ended with $?"
[ "$(calls apt-get)" = 0 ] || fail "with everything installed it called apt-get: $(cat "$work/calls")"

# The index fails every time and the install needs the base release: it goes on and ends with 0.
status=0
run_setup env STANDIN_MISSING="wine32:i386 xvfb" || status=$?
[ "$status" = 0 ] || { fail "half-synced mirror: ended with $status, not 0"; show; }
[ "$(calls 'apt-get update')" = 3 ] || fail "apt-get update tried $(calls 'apt-get update') times, not 3"
grep -q '^setup-deps: warning: apt-get update still fails after 3 tries' "$work/out" ||
  { fail "no warning about the failed index"; show; }
grep -q 'Mirror sync in progress' "$work/out" || { fail "the warning does not quote apt's error"; show; }
grep -q '^setup-deps: installed from bookworm$' "$work/out" || { fail "it did not say it installed from bookworm"; show; }
[ "$(grep '^apt-get install' "$work/calls" | tail -n 1)" = \
  "apt-get install -y -qq --no-install-recommends -t bookworm wine32:i386 xvfb" ] ||
  { fail "the second install was not the missing packages from bookworm"; cat "$work/calls" >&2; }
[ "$(calls 'apt-get install')" = 2 ] || fail "apt-get install called $(calls 'apt-get install') times, not 2"

# Even the base release cannot help: it fails, its last line naming what could not be installed.
status=0
run_setup env STANDIN_MISSING="wine32:i386 xvfb" STANDIN_INSTALL=never || status=$?
[ "$status" != 0 ] || { fail "an install that cannot succeed ended with 0"; show; }
[ "$(tail -n 1 "$work/out")" = "setup-deps: could not install: wine32:i386 xvfb" ] ||
  { fail "the last line does not name what could not be installed"; show; }
[ "$(grep -c 'could not install' "$work/out")" = 1 ] || { fail "not one line naming the packages"; show; }

# A kernel that cannot start 32-bit programs: bookworm-backports is added beside the sources, QEMU
# installed from it, binfmt_misc mounted and the emulator registered; then 32-bit programs start.
status=0
run_setup env STANDIN_MISSING="" STANDIN_32BIT=emulated || status=$?
[ "$status" = 0 ] || { fail "emulated 32-bit programs: ended with $status, not 0"; show; }
grep -qx 'Suites: bookworm-backports' "$work/sources/bookworm-backports.sources" 2>/dev/null ||
  { fail "bookworm-backports was not added to the sources"; ls "$work/sources" >&2; }
grep -qx 'apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user' "$work/calls" ||
  { fail "QEMU was not installed from bookworm-backports"; cat "$work/calls" >&2; }
grep -q "^mount -t binfmt_misc binfmt_misc $work/binfmt$" "$work/calls" || { fail "binfmt_misc was not mounted"; cat "$work/calls" >&2; }
grep -q '^:qemu-i386:M::\\x7f\\x45\\x4c\\x46\\x01' "$work/binfmt/register" ||
  { fail "the emulator's rule for 32-bit x86 programs was not registered"; cat "$work/binfmt/register" >&2; }

[ "$apt_before" = "$(apt_state)" ] || fail "a file below /etc/apt changed"
if [ "$failures" -gt 0 ]; then
  echo "setup_deps_test: $failures failed" >&2
  exit 1
fi
echo "setup_deps_test: 4 cases passed (nothing missing; a half-synced mirror; an install that cannot succeed;" \
  "32-bit programs emulated)"
