#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on Debian 12.
# Idempotent: does nothing when every package and locale is already there.
#
# Debian's mirrors are sometimes caught half-synced: an index of the security updates fails to
# download, and the i386 twins of amd64 libraries that came from those updates cannot be found.
# So an index that still fails after a few tries is left out with a warning, and an install that
# fails is tried once more preferring the base release over its updates (apt-get -t). No package
# source is edited.
#   SETUP_DEPS_PAUSE=seconds   pause between tries of apt-get update (default 5)
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libpugixml-dev
  mingw-w64 g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb x11-utils imagemagick
  locales fonts-wqy-microhei fonts-wine python3 zip openssl osslsigncode
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
exit 0
