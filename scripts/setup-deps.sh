#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on Debian 12, and makes sure this
# machine starts 32-bit Windows programs (the program ships as one).
# Idempotent: does nothing when every package and locale is already there.
#
# Debian's mirrors are sometimes caught half-synced: an index of the security updates fails to
# download, and the i386 twins of amd64 libraries that came from those updates cannot be found.
# So an index that still fails after a few tries is left out with a warning, and an install that
# fails is tried once more preferring the base release over its updates (apt-get -t). No package
# source is edited.
#
# A machine whose kernel cannot start 32-bit programs (some virtual machines give programs no
# 32-bit code segment at all, so not even Wine's own WoW64 mode can run 32-bit code there) hands
# them to QEMU's user-mode emulator of the 32-bit processor, registered with the kernel for 32-bit
# x86 programs (binfmt_misc). QEMU comes from bookworm-backports: bookworm's 7.2 ignores
# MAP_FIXED_NOREPLACE, and Wine then takes some 45 s to start each program (measured).
#   SETUP_DEPS_PAUSE=seconds   pause between tries of apt-get update (default 5)
#   SETUP_DEPS_WINE32, SETUP_DEPS_BINFMT, SETUP_DEPS_SOURCES: the 32-bit Wine loader, the kernel's
#   binfmt_misc folder and apt's folder of sources, for the set-up's own test
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libpugixml-dev
  mingw-w64 g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  wine wine32:i386 wine64 xvfb x11-utils imagemagick
  locales fonts-wqy-microhei fonts-wine python3 zip openssl osslsigncode nsis
)
update_tries=3
pause=${SETUP_DEPS_PAUSE:-5}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

say() { echo "setup-deps: $*"; }

base_release() {
  local codename=""
  [ -r /etc/os-release ] && codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  echo "${codename:-bookworm}"
}

# apt-get update, a few tries; an index that still fails is only warned about, since what was
# fetched (and the base release's indexes, which a half-synced mirror keeps) usually suffices.
update_indexes() {
  local try out
  for try in $(seq 1 "$update_tries"); do
    if out=$($SUDO apt-get update -qq 2>&1) && ! grep -q '^[EW]: Failed to fetch' <<<"$out"; then
      return 0
    fi
    [ "$try" -lt "$update_tries" ] && sleep "$pause"
  done
  say "warning: apt-get update still fails after $update_tries tries; going on with the indexes it has:"
  grep -E '^(E|W|Err):' <<<"$out" | head -n 3 | sed 's/^/    /' || true
}

install_packages() {
  local base log
  log=$(mktemp)
  if $SUDO apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  base=$(base_release)
  say "install failed ($(grep -m1 '^E:' "$log" || echo 'no reason given')); trying once more preferring $base over its updates"
  if $SUDO apt-get install -y -qq --no-install-recommends -t "$base" "$@" >"$log" 2>&1; then
    rm -f "$log"
    say "installed from $base"
    return 0
  fi
  sed 's/^/    /' "$log" | tail -n 15 >&2
  rm -f "$log"
  say "could not install: $*" >&2
  return 1
}

# The packages from the given release; false, with apt's last lines, when they cannot be installed.
install_from() {
  local release=$1 log
  shift
  log=$(mktemp)
  if $SUDO apt-get install -y -qq --no-install-recommends -t "$release" "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  sed 's/^/    /' "$log" | tail -n 15 >&2
  rm -f "$log"
  say "could not install from $release: $*" >&2
  return 1
}

wine32=${SETUP_DEPS_WINE32:-/usr/lib/wine/wine}
binfmt=${SETUP_DEPS_BINFMT:-/proc/sys/fs/binfmt_misc}
sources=${SETUP_DEPS_SOURCES:-/etc/apt/sources.list.d}
# How the kernel knows a 32-bit x86 program (ELF, class 32, machine 3) and whom it hands it to:
# Debian's own registration of the emulator for the other processors, with argv[0] kept (P).
emulator=/usr/libexec/qemu-binfmt/i386-binfmt-P
i386_rule=':qemu-i386:M::\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$emulator"':OPF'

starts_32bit_programs() { "$wine32" --version >/dev/null 2>&1; }

# QEMU's emulator of the 32-bit processor, 8 or later.
recent_emulator() {
  local version
  version=$(qemu-i386 --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p')
  [ -n "$version" ] && [ "$version" -ge 8 ]
}

# Makes 32-bit programs start through the emulator; false, with the reason, when they cannot.
emulate_32bit_programs() {
  local backports
  backports="$(base_release)-backports"
  say "this machine's kernel cannot start 32-bit programs: they run under QEMU's emulation of the 32-bit processor"
  if ! recent_emulator; then
    if ! grep -rqs -- "$backports" /etc/apt/sources.list "$sources"; then
      printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$backports" | $SUDO tee "$sources/$backports.sources" >/dev/null
    fi
    update_indexes
    install_from "$backports" qemu-user || return 1
  fi
  [ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt" ||
    { say "the kernel's binfmt_misc cannot be mounted at $binfmt" >&2; return 1; }
  # A registration that did not help (another emulator, one since replaced) is made anew.
  [ -e "$binfmt/qemu-i386" ] && { echo -1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null || true; }
  printf '%s' "$i386_rule" | $SUDO tee "$binfmt/register" >/dev/null ||
    { say "the emulator could not be registered with the kernel" >&2; return 1; }
  starts_32bit_programs || { say "32-bit programs still do not start: $("$wine32" --version 2>&1 | tail -n 1)" >&2; return 1; }
}

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  missing=("${packages[@]}")
else
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
fi

if [ "${#missing[@]}" -gt 0 ]; then
  say "installing ${missing[*]}"
  update_indexes
  install_packages "${missing[@]}" || exit 1
fi

# Wine garbles non-ASCII arguments and registry values without these locales.
need_locales=()
for l in zh_CN.UTF-8 zh_TW.UTF-8 en_US.UTF-8; do
  locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || need_locales+=("$l")
done
if [ "${#need_locales[@]}" -gt 0 ]; then
  say "generating locales ${need_locales[*]}"
  for l in "${need_locales[@]}"; do
    grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
fi

starts_32bit_programs || emulate_32bit_programs || exit 1
exit 0
