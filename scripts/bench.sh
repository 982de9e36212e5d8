#!/usr/bin/env bash
# Runs the benchmarks and prints each figure beside its anchor, measured in the same run:
#   - the XML parser against pugixml (host);
#   - the uninstall's file phase against a plain program that lists, deletes, then tells the shell
#     of each removal on one thread (and "cmd /c rd /s /q" on the tree), on identical copies of one
#     folder of 2,000 files, one of 20,000 and a tree of 10,000 files in 1,000 folders (Wine);
#   - start to first window of Uninstall.exe against a minimal one-dialog program (Wine);
#   - the whole full procedure on the sample client, with a timeline of its phases and of the
#     programs it starts; its net time is read from the program's own stamps: from "start" to
#     "exit", less the waits for an answer and the pauses the procedure prescribes;
#   - the whole silent run ("Uninstall.exe /S", as a user or a deployment tool waits for it): the
#     time that files added to the installation add to it (its time with them, less its time
#     without), beside an NSIS program whose section is "RMDir /r" (made by Debian's makensis from
#     bench/nsis_rmdir.nsi) and the plain program of the file phase (the floor) on the same files,
#     with the program's own timeline of the run at 20,000 files (Wine).
# Ends with one line "summary xml_20k_ratio=.. xml_10m_ratio=.. flat20k_ratio=.. tree_ratio=..
# flat_growth=.. tree_rd_ratio=.. full_net_s=.. first_window_ratio=.. whole_tree_nsis_ratio=..
# whole_flat20k_floor_ratio=.. whole_growth=..".
#   scripts/bench.sh [--file-rounds N] [--window-rounds N] [--full-rounds N] [--whole-rounds N]
#                    [--only xml|files|window|full|whole]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
file_rounds=1
window_rounds=9
full_rounds=3
whole_rounds=3
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --file-rounds) file_rounds=$2; shift 2 ;;
    --window-rounds) window_rounds=$2; shift 2 ;;
    --full-rounds) full_rounds=$2; shift 2 ;;
    --whole-rounds) whole_rounds=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
. scripts/stages.sh bench
trap 'status=$?; [ "$(type -t wine_display_down)" = function ] && wine_display_down; stages_report_failure "$status"; exit "$status"' EXIT
begin_stage "set-up"
quietly scripts/setup-deps.sh
runs() { [ -z "$only" ] || [ "$only" = "$1" ]; }
summary() {
  echo "summary xml_20k_ratio=$xml_20k xml_10m_ratio=$xml_10m flat20k_ratio=$flat20k tree_ratio=$tree_ratio" \
    "flat_growth=$flat_growth tree_rd_ratio=$tree_rd full_net_s=$full_net first_window_ratio=$first_window_ratio" \
    "whole_tree_nsis_ratio=$whole_tree_nsis whole_flat20k_floor_ratio=$whole_flat20k_floor whole_growth=$whole_growth"
}
xml_20k=n/a xml_10m=n/a flat20k=n/a tree_ratio=n/a flat_growth=n/a tree_rd=n/a full_net=n/a first_window_ratio=n/a
whole_tree_nsis=n/a whole_flat20k_floor=n/a whole_growth=n/a

# The value of key=value in the last line that starts with prefix, or "n/a".
field() {
  local text=$1 prefix=$2 key=$3 value
  value=$(printf '%s\n' "$text" | grep "^$prefix " | tail -n 1 | tr ' ' '\n' | sed -n "s/^$key=//p")
  echo "${value:-n/a}"
}

if runs xml; then
  begin_stage "XML document (host)"
  quietly cmake --preset host
  quietly cmake --build --preset host --target bench_xml
  xml_out=$(build/host/bench/bench_xml)
  printf '%s\n' "$xml_out"
  xml_20k=$(field "$xml_out" xml_summary xml_20k_ratio)
  xml_10m=$(field "$xml_out" xml_summary xml_10m_ratio)
fi
[ "$only" = xml ] && { summary; exit 0; }

# The 32-bit build, what ships, in a 32-bit prefix, on the route that starts 32-bit programs here.
preset=win
. scripts/wine-env.sh "$root/build/win"
echo "== the Windows benchmarks run the 32-bit build on $WINE_ROUTE"
begin_stage "build ($preset)"
quietly cmake --preset "$preset"
quietly cmake --build --preset "$preset" --target Uninstall sample_client bench_file_phase bench_first_window minimal_dialog
bin="$root/build/$preset/bin"
client="$root/build/$preset/sample-client"
wine_display_up
wine_prefix_up

if runs files; then
  begin_stage "file phase (Wine, $WINEARCH)"
  file_out=$(wine "$bin/bench_file_phase.exe" "$file_rounds" | sed 's/\r$//')
  printf '%s\n' "$file_out"
  flat20k=$(field "$file_out" file_summary flat20k_ratio)
  tree_ratio=$(field "$file_out" file_summary tree_ratio)
  flat_growth=$(field "$file_out" file_summary flat_growth)
  tree_rd=$(field "$file_out" file_summary tree_rd_ratio)
fi

if runs window; then
  begin_stage "start to first window (Wine, $WINEARCH): Uninstall.exe against a minimal dialog program"
  # Both start from the same folder, beside the files Uninstall.exe reads before its first window.
  window_dir="$WINEPREFIX/drive_c/bench-first-window"
  rm -rf "$window_dir"
  mkdir -p "$window_dir"
  # Uninstall.exe as it ships: without its debug information, which Wine would map at every start.
  i686-w64-mingw32-strip -o "$window_dir/Uninstall.exe" "$bin/Uninstall.exe"
  cp "$bin/minimal_dialog.exe" "$client/Language.xml" "$client/Uninstall.bin" "$window_dir/"
  window_out=$(wine "$bin/bench_first_window.exe" "$window_rounds" 'C:\bench-first-window\minimal_dialog.exe' \
    'C:\bench-first-window\Uninstall.exe' | sed 's/\r$//')
  printf '%s\n' "$window_out" | grep '^round' | sed 's/^/  /'
  minimal_ms=$(printf '%s\n' "$window_out" | sed -n 's/^median_ms=//p' | sed -n 1p)
  uninstall_ms=$(printf '%s\n' "$window_out" | sed -n 's/^median_ms=//p' | sed -n 2p)
  first_window_ratio=$(awk -v u="$uninstall_ms" -v m="$minimal_ms" 'BEGIN { printf "%.2f", u / m }')
  echo "minimal dialog program: $minimal_ms ms; Uninstall.exe: $uninstall_ms ms (medians of $window_rounds); ratio $first_window_ratio"
  rm -rf "$window_dir"
fi

# One driven run of the whole full procedure on a fresh installation of the sample client. Prints
# the timeline when asked (first argument "timeline"); the last line is the net time in seconds.
full_procedure_once() {
  wine "$client/setup.exe" /manifest 'C:\sample-logs\bench-manifest.txt' >/dev/null
  # The timeline: the program's own debug texts (phase starts and ends) and every program or
  # library of the client's that a process loads, each line stamped when it arrives.
  local trace="$WINEPREFIX/drive_c/sample-logs/bench-trace.txt" driver_log="$WINEPREFIX/drive_c/sample-logs/bench-driver.txt"
  : >"$trace"
  local start end
  start=$EPOCHREALTIME
  WINEDEBUG=warn+debugstr,trace+loaddll wine "$client/driver.exe" \
      --exe 'C:\Program Files\Mirel\DornDial\Uninstall.exe' --keep-driver 0 --keep-data 0 \
      2> >(while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done >>"$trace") \
    | sed 's/\r$//' >"$driver_log"
  end=$EPOCHREALTIME
  local _
  for _ in $(seq 1 30); do grep -q 'Uninstall: end' "$trace" && break; sleep 0.1; done
  if [ "${1:-}" = timeline ]; then
    echo "timeline (s from start):" >&2
    grep -E 'debugstr|loaddll.*Loaded.*(\.exe"|DriverSetup|Mirel)' "$trace" \
      | awk -v s="$start" '{
          t = $1 - s; $1 = "";
          if ($0 ~ /debugstr/) { sub(/^.*OutputDebugStringA "?/, ""); sub(/(\\n)?"$/, ""); }
          else { sub(/^.*Loaded L"/, "loads "); sub(/" at .*$/, ""); }
          printf "  %7.3f  %s\n", t, $0 }' >&2
  fi
  # The program's own work: its stamps from "start" to "exit", less each wait for an answer
  # ("<what> shown" to "<what> answered": the driver lets each window settle before it answers)
  # and each pause the procedure prescribes ("pause <ms> ms").
  sed -n 's/^\([0-9.]*\) .*OutputDebugStringA "\{0,1\}Uninstall: \([^"]*\)".*$/\1 \2/p' "$trace" | sed 's/\\n$//' \
    | awk '
        $2 == "start" && !started { start = $1; started = 1 }
        $2 == "exit" { exit_at = $1 }
        $2 == "pause" { pauses += $3 / 1000 }
        $NF == "shown" { shown = $1 }
        $NF == "answered" && shown { waits += $1 - shown; shown = 0 }
        END {
          total = exit_at - start;
          printf "start to exit of Uninstall.exe: %.2f s; less the waits for an answer (%.2f s) and the prescribed pauses (%.2f s): %.2f s\n",
                 total, waits, pauses, total - waits - pauses > "/dev/stderr";
          printf "%.2f\n", total - waits - pauses }'
}

if runs full; then
  begin_stage "the whole full procedure on the sample client (Wine, $WINEARCH, Windows XP), $full_rounds runs"
  export SAMPLE_CLIENT_LOG_DIR='C:\sample-logs'
  mkdir -p "$WINEPREFIX/drive_c/sample-logs"
  wine reg add 'HKCU\Software\Wine\AppDefaults\Uninstall.exe' /v Version /d winxp /f >/dev/null 2>&1
  # On a bare Xvfb there is no window manager, and Wine then waits 2 s for each window it hides
  # to be withdrawn by one (the confirmation, the progress dialog, the closing message): time no
  # Windows spends. So the windows are left unmanaged for these runs.
  if [ -n "${wine_xvfb_pid:-}" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  fi
  nets=$(full_procedure_once timeline)
  for _ in $(seq 2 "$full_rounds"); do nets="$nets"$'\n'"$(full_procedure_once)"; done
  full_net=$(printf '%s\n' "$nets" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  echo "full procedure, net: $full_net s (median of $full_rounds)"
  wine reg delete 'HKCU\Software\Wine\AppDefaults\Uninstall.exe' /f >/dev/null 2>&1 || true
  wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
fi

# Seconds, to the millisecond, that a command takes.
seconds_of() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || true
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }'
}

# Waits (bounded) until the finishing program and the browser's uninstaller have ended.
wait_for_companions() {
  local _
  for _ in $(seq 1 600); do
    pgrep -f 'Unl.exe|Unin.exe' >/dev/null || return 0
    sleep 0.2
  done
}

# The whole silent run on a fresh installation with the shape (its number; "none": no files
# added) in its folder; prints its seconds. With a trace file, the program's own stamps go there.
whole_run_once() {
  local shape=$1 trace=${2:-/dev/null} folder='C:\Program Files\Mirel\DornDial'
  wine "$client/setup.exe" /manifest 'C:\sample-logs\bench-manifest.txt' >/dev/null 2>&1
  [ "$shape" = none ] || wine "$bin/bench_file_phase.exe" make "$shape" "$folder\\Bulk"
  local start=$EPOCHREALTIME
  # The stamps are timed as they arrive and written at once: the programs the run starts, and
  # Wine's own, keep the error output open after it has ended.
  WINEDEBUG=-all,warn+debugstr wine "$folder\\Uninstall.exe" /S 2> >(while IFS= read -r line; do
      printf '%s %s\n' "$EPOCHREALTIME" "$line"; done | grep --line-buffered 'Uninstall: ' >"$trace")
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }'
  wait_for_companions
}

# An anchor's seconds on a fresh copy of the shape (or an empty folder) at folder: "nsis" or "floor".
anchor_once() {
  local who=$1 shape=$2 folder=$3
  rm -rf "$(winepath -u "$folder" 2>/dev/null)"
  if [ "$shape" = none ]; then mkdir -p "$(winepath -u "$folder" 2>/dev/null)"; else wine "$bin/bench_file_phase.exe" make "$shape" "$folder"; fi
  case "$who" in
    nsis) seconds_of wine "$nsis_exe" /S "/D=$folder" ;;
    floor) seconds_of wine "$bin/bench_file_phase.exe" plain "$folder" ;;
  esac
}

if runs whole; then
  begin_stage "the whole silent run (Wine, $WINEARCH, Windows XP): the time files add, beside NSIS and the floor"
  nsis_exe="$root/build/$preset/bench/nsis_rmdir.exe"
  mkdir -p "$(dirname "$nsis_exe")"
  quietly makensis -V2 "-DOUTFILE=$nsis_exe" bench/nsis_rmdir.nsi
  export SAMPLE_CLIENT_LOG_DIR='C:\sample-logs'
  mkdir -p "$WINEPREFIX/drive_c/sample-logs"
  wine reg add 'HKCU\Software\Wine\AppDefaults\Uninstall.exe' /v Version /d winxp /f >/dev/null 2>&1
  declare -A files=([0]=2000 [1]=20000 [2]=10000) whole nsis floor
  # Not counted: the first run of a fresh prefix also starts the shell's own machinery.
  whole_run_once none >/dev/null
  timeline="$WINEPREFIX/drive_c/sample-logs/whole-trace.txt"
  # What 2,000 files add is near one run's noise: that shape and the runs without added files it
  # is taken against are medians of --whole-rounds runs; the larger shapes are run once.
  rounds_of() { case "$1" in none|0) echo "$whole_rounds" ;; *) echo 1 ;; esac; }
  median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
  for shape in none 0 1 2; do
    w=() n=() f=()
    for ((round = 0; round < $(rounds_of "$shape"); round++)); do
      if [ "$shape" = 1 ]; then w+=("$(whole_run_once "$shape" "$timeline")"); else w+=("$(whole_run_once "$shape")"); fi
      n+=("$(anchor_once nsis "$shape" 'C:\bench-nsis\Target')")
      f+=("$(anchor_once floor "$shape" 'C:\bench-floor\Target')")
    done
    whole[$shape]=$(median "${w[@]}") nsis[$shape]=$(median "${n[@]}") floor[$shape]=$(median "${f[@]}")
  done
  echo "the run's own timeline at 20,000 files in one folder (s from its start):"
  awk 'NR == 1 { s = $1 } { t = $1 - s; sub(/^[0-9.]* .*Uninstall: /, ""); sub(/(\\n)?"$/, ""); printf "  %8.3f  %s\n", t, $0 }' "$timeline"
  # Where the time goes: the files' deletion, and the wait at the close until the shell has been
  # told of every removal (the worker closes its dialog only then).
  awk '/Uninstall: phase 3: files and folders/ { a = $1 } /Uninstall: files deleted/ { b = $1 }
       /Uninstall: closing"/ { c = $1 } /Uninstall: desktop refresh/ { d = $1 }
       NR == 1 { s = $1 } { e = $1 }
       END { printf "at 20,000 files: the files deleted in %.2f s; the shell told of every removal in %.2f s more; the whole run %.2f s\n", b - a, d - c, e - s }' "$timeline"
  extra() { awk -v t="$1" -v n="$2" 'BEGIN { printf "%.3f", t - n }'; }
  for shape in 0 1 2; do
    case "$shape" in
      0) name="2,000 files in one folder (medians of $whole_rounds)" ;;
      1) name="20,000 files in one folder" ;;
      *) name="10,000 files in 1,000 folders" ;;
    esac
    w=$(extra "${whole[$shape]}" "${whole[none]}"); n=$(extra "${nsis[$shape]}" "${nsis[none]}"); f=$(extra "${floor[$shape]}" "${floor[none]}")
    awk -v name="$name" -v w="$w" -v n="$n" -v f="$f" -v c="${files[$shape]}" 'BEGIN {
      printf "%s: Uninstall.exe /S +%.2f s (%.3f ms a file); NSIS RMDir /r +%.2f s (%.3f ms a file); the floor +%.2f s (%.3f ms a file)\n",
             name, w, 1000 * w / c, n, 1000 * n / c, f, 1000 * f / c }'
    eval "extra_whole_$shape=$w extra_nsis_$shape=$n extra_floor_$shape=$f"
  done
  whole_tree_nsis=$(awk -v w="$extra_whole_2" -v n="$extra_nsis_2" 'BEGIN { printf "%.2f", w / n }')
  whole_flat20k_floor=$(awk -v w="$extra_whole_1" -v f="$extra_floor_1" 'BEGIN { printf "%.2f", w / f }')
  whole_growth=$(awk -v a="$extra_whole_0" -v b="$extra_whole_1" 'BEGIN { printf "%.2f", b / a }')
  echo "the whole run against NSIS on the tree: $whole_tree_nsis; against the floor at 20,000 in one folder:" \
    "$whole_flat20k_floor; growth from 2,000 to 20,000 files: $whole_growth (10 is linear)"
  wine reg delete 'HKCU\Software\Wine\AppDefaults\Uninstall.exe' /f >/dev/null 2>&1 || true
fi

summary
