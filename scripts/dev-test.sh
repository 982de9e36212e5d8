#!/usr/bin/env bash
# For working on one piece: builds the Windows side in a build folder of its own and runs the
# Windows tests matching a pattern under Wine there (its own prefix), so several people can
# work on one machine at once.
#   scripts/dev-test.sh NAME [REGEX]      e.g. scripts/dev-test.sh alice 'progress|percent'
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
name=$1
regex=${2:-.}
build="$root/build/win-$name"
cd "$root"
[ -f "$build/build.ninja" ] || cmake --preset win -B "$build" >/dev/null
cmake --build "$build"
. scripts/wine-env.sh "$build"
wine_display_up
trap wine_display_down EXIT
wine_prefix_up
wine_prefix64_up
ctest --test-dir "$build" --output-on-failure -j1 -R "$regex"
