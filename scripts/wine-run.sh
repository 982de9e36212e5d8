#!/usr/bin/env bash
# Runs one Windows program under Wine in the test prefix of its build folder
# (CTest's emulator for the Windows tests). The build folder is found from the program's path
# (build/win/bin/x.exe -> build/win) unless WINEPREFIX is set, as CTest sets it for each test's
# lane; a lane's display comes from WINE_LANE_DISPLAYS (scripts/wine-env.sh, wine_lanes_up).
set -u
exe=$1
shift
build_dir=$(cd "$(dirname "$exe")/.." && pwd)
here=$(dirname "$(readlink -f "$0")")
. "$here/wine-env.sh" "$build_dir"
lane_display=$(wine_lane_display "$WINEPREFIX")
[ -n "$lane_display" ] && export DISPLAY="$lane_display"
[ -n "${DISPLAY:-}" ] || echo "wine-run: no display for $WINEPREFIX: bring the lanes up first (wine_lanes_up)" >&2
# A prefix not made yet, or without its persistent server (wineserver -p answers 0 when it had to
# start one), is brought up first, detached: a server or service started by the test program
# itself would hold CTest's capture of its output open.
if [ ! -f "$WINEPREFIX/system.reg" ] || wineserver -p >/dev/null 2>&1 </dev/null; then
  wine_prefix_up
fi
exec env LC_ALL="$WINE_LC_ALL" wine "$exe" "$@"
