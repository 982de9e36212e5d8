#!/usr/bin/env bash
# Runs the benchmarks and prints their figures: the XML parser against pugixml (host), and the
# uninstall's file phase against "rd /s /q" inside Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup-deps.sh
cmake --preset host >/dev/null
cmake --build --preset host >/dev/null
echo "== XML document (host)"
for b in build/host/bench/bench_*; do [ -x "$b" ] && "$b"; done
cmake --preset win >/dev/null
cmake --build --preset win >/dev/null
echo "== file phase (Wine)"
. scripts/wine-env.sh "$root/build/win"
wine_display_up
trap wine_display_down EXIT
wine_prefix_up
wine build/win/bin/bench_file_phase.exe | sed 's/\r$//'
