#!/usr/bin/env bash
# For working on one piece: builds the Windows side in a build folder of its own and runs the
# Windows tests matching a pattern under Wine there (its own prefixes, each on a display of
# its own), so several people can work on one machine at once.
#   scripts/dev-test.sh NAME [REGEX]      e.g. scripts/dev-test.sh alice 'progress|percent'
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
name=$1
regex=${2:-.}
build="$root/build/win-$name"
cd "$root"
# The 32-bit build, what ships.
. scripts/wine-env.sh "$build"
[ -f "$build/build.ninja" ] || cmake --preset win -B "$build"
cmake --build "$build" -j 2
trap wine_display_down EXIT
wine_lanes_up
# Each test holds its prefix (lane) alone; the two lanes run side by side.
ctest --test-dir "$build" --output-on-failure -j3 -R "$regex"
