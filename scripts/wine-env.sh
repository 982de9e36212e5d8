# Sourced by the scripts that run Windows programs: one Wine prefix per build folder, a quiet
# Wine, a Chinese system by default (the client's home), and a display.
# Usage: . scripts/wine-env.sh BUILD_DIR
#
# The program is 32-bit and runs in 32-bit prefixes, and for a 64-bit Windows in a 64-bit prefix
# under WoW64 (wine_prefix64_up). scripts/setup-deps.sh makes this machine start 32-bit programs:
# the kernel starts them, or, where it cannot, QEMU's emulation of the 32-bit processor runs them.
# WINE_ROUTE names the route, for the summaries.
wine_build_dir=$1
if [ -z "${WINE_ROUTE:-}" ]; then
  if ! WINE_ROUTE=$(/usr/lib/wine/wine --version 2>&1); then
    echo "wine-env: this machine does not start 32-bit programs ($(printf '%s' "$WINE_ROUTE" | tail -n 1));" \
      "scripts/setup-deps.sh makes it" >&2
    unset WINE_ROUTE
    return 1
  fi
  if grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
    WINE_ROUTE="32-bit Wine under QEMU's emulation of the 32-bit processor (this machine's kernel cannot start 32-bit programs)"
  else
    WINE_ROUTE="32-bit Wine, started by the kernel"
  fi
  export WINE_ROUTE
fi
export WINEPREFIX="${WINEPREFIX:-$wine_build_dir/wineprefix}"
export WINEARCH="${WINEARCH:-win32}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
# Windows programs run under the Chinese locale (the client's home: system language 2052, code
# page 936); the scripts' own messages keep the user's language.
export WINE_LC_ALL="${WINE_LC_ALL:-zh_CN.UTF-8}"
# Through env, so this shell never switches to that locale itself: a shell that was started before
# the locale was generated cannot, and would warn at every call.
wine() { env LC_ALL="$WINE_LC_ALL" wine "$@"; }
wineboot() { env LC_ALL="$WINE_LC_ALL" wineboot "$@"; }

# Creates the prefix once (about 10 s) and keeps a persistent wineserver for it, so that a
# server started inside a captured `wine` call never holds a test's output pipe open.
wine_prefix_up() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # Wine links the profile's Desktop, Documents and the like to the Unix home folder; the
    # tests and the demo create and delete shortcuts there, so give them folders of their own.
    local link
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
      if [ -L "$link" ]; then
        rm -f "$link"
        mkdir -p "$link"
      fi
    done
    # The caption buttons' glyphs come from Wine's Marlett font (Debian's fonts-wine); Debian's
    # 64-bit loader does not look where that package puts it, so the prefix gets it among its fonts.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  wineserver -p >/dev/null 2>&1 </dev/null &
  # Bring the prefix's services up now, detached: started by the first test instead, they would
  # inherit that test's output pipe and its capture would never end.
  wine cmd /c exit 0 >/dev/null 2>&1 </dev/null
}

# Starts an Xvfb on a display number it finds free itself; prints "<pid> :<number>".
wine_xvfb_start() {
  local numbers pid i
  numbers=$(mktemp)
  Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp >"$numbers" 2>/dev/null </dev/null &
  pid=$!
  for i in $(seq 1 100); do
    [ -s "$numbers" ] && break
    sleep 0.1
  done
  local number
  number=$(head -n 1 "$numbers")
  rm -f "$numbers"
  [ -n "$number" ] || { echo "wine-env: Xvfb did not start" >&2; return 1; }
  echo "$pid :$number"
}

# Starts Xvfb when no display is set; wine_display_down stops what wine_display_up started.
wine_display_up() {
  wine_xvfb_pid=""
  if [ -z "${DISPLAY:-}" ]; then
    local started
    started=$(wine_xvfb_start)
    wine_xvfb_pid=${started%% *}
    export DISPLAY=${started#* }
  fi
}

wine_display_down() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -d "$wine_build_dir/wineprefix64" ]; then
    WINEPREFIX="$wine_build_dir/wineprefix64" wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "${wine_xvfb_pid:-}" ]; then
    kill "$wine_xvfb_pid" 2>/dev/null || true
    wait "$wine_xvfb_pid" 2>/dev/null || true
  fi
  wine_lanes_down
}

# The Windows tests run in three prefixes of the build folder side by side, "lanes" (wineprefix,
# wineprefix-b and wineprefix-c; tests/win/CMakeLists.txt binds each test to one), and those of a
# 64-bit Windows in
# wineprefix64. Each prefix gets a display of its own, so no test sees or types into another
# lane's windows; WINE_LANE_DISPLAYS ("prefix=display;...") tells scripts/wine-run.sh which.
wine_lane_prefixes() {
  echo "$wine_build_dir/wineprefix" "$wine_build_dir/wineprefix-b" "$wine_build_dir/wineprefix-c" \
    "$wine_build_dir/wineprefix64"
}

# Starts the lanes' displays (in this shell, which keeps their process ids).
wine_lane_displays_up() {
  local lane started
  wine_lane_xvfb_pids=()
  WINE_LANE_DISPLAYS=""
  for lane in $(wine_lane_prefixes); do
    started=$(wine_xvfb_start)
    wine_lane_xvfb_pids+=("${started%% *}")
    WINE_LANE_DISPLAYS+="$lane=${started#* };"
  done
  export WINE_LANE_DISPLAYS
}

# Makes the lanes' prefixes side by side (about 20 s), each on its display, with its server.
wine_lane_prefixes_up() {
  local lane pids=() pid
  for lane in $(wine_lane_prefixes); do
    (
      export WINEPREFIX="$lane" DISPLAY
      DISPLAY=$(wine_lane_display "$lane")
      if [ "${lane##*/}" = wineprefix64 ]; then export WINEARCH=win64; fi
      wine_prefix_up
    ) &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid"; done
}

wine_lanes_up() {
  wine_lane_displays_up
  wine_lane_prefixes_up
}

# The display of a lane's prefix, empty for a prefix that is no lane (paths compared as resolved,
# since CMake and the scripts may spell the build folder differently).
wine_lane_display() {
  local entry wanted
  local IFS=";"
  wanted=$(readlink -m "$1")
  for entry in ${WINE_LANE_DISPLAYS:-}; do
    [ "$(readlink -m "${entry%%=*}")" = "$wanted" ] && { echo "${entry#*=}"; return; }
  done
}

wine_lanes_down() {
  local lane pid
  for lane in $(wine_lane_prefixes); do
    [ -d "$lane" ] && WINEPREFIX="$lane" wineserver -k >/dev/null 2>&1 || true
  done
  for pid in "${wine_lane_xvfb_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  wine_lane_xvfb_pids=()
}
wine_lane_xvfb_pids=()
