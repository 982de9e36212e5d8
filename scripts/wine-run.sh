#!/usr/bin/env bash
# Runs one Windows program under Wine in the test prefix of its build folder
# (CTest's emulator for the Windows tests). The build folder is found from the program's path
# (build/win/bin/x.exe -> build/win) unless WINEPREFIX is set.
set -u
exe=$1
shift
build_dir=$(cd "$(dirname "$exe")/.." && pwd)
here=$(dirname "$(readlink -f "$0")")
. "$here/wine-env.sh" "$build_dir"
exec env LC_ALL="$WINE_LC_ALL" wine "$exe" "$@"
