#!/usr/bin/env bash
# Runs the benchmarks and prints each figure beside its anchor, measured in the same run:
#   - the XML parser against pugixml (host);
#   - the uninstall's file phase against "cmd /c rd /s /q" on an identical tree (Wine);
#   - start to first window of Uninstall.exe against a minimal one-dialog program (Wine);
#   - the whole full procedure on the sample client, with a timeline of its phases and of the
#     programs it starts, less the pauses the procedure prescribes and the driver's settling.
# Ends with one line "summary xml_20k_ratio=.. xml_10m_ratio=.. file_phase_ratio=.. full_net_s=..
# first_window_ratio=..".
#   scripts/bench.sh [--file-rounds N] [--window-rounds N] [--full-rounds N] [--only xml|files|window|full]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
file_rounds=1
window_rounds=9
full_rounds=3
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --file-rounds) file_rounds=$2; shift 2 ;;
    --window-rounds) window_rounds=$2; shift 2 ;;
    --full-rounds) full_rounds=$2; shift 2 ;;
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
  echo "summary xml_20k_ratio=$xml_20k xml_10m_ratio=$xml_10m file_phase_ratio=$file_ratio full_net_s=$full_net first_window_ratio=$first_window_ratio"
}
xml_20k=n/a xml_10m=n/a file_ratio=n/a full_net=n/a first_window_ratio=n/a

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

# The 32-bit build in a 32-bit prefix; where this machine cannot start 32-bit programs, the
# 64-bit build of the same sources under 64-bit Wine (as scripts/test.sh does).
preset=win
. scripts/wine-env.sh "$root/build/win"
if [ "$WINE_BITS" = 64 ]; then
  preset=win64
  unset WINEPREFIX
  . scripts/wine-env.sh "$root/build/win64"
fi
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
  file_ratio=$(printf '%s\n' "$file_out" | sed -n 's/^ratio file phase \/ rd: //p' | tail -n 1)
  file_ratio=${file_ratio:-n/a}
fi

if runs window; then
  begin_stage "start to first window (Wine, $WINEARCH): Uninstall.exe against a minimal dialog program"
  # Both start from the same folder, beside the files Uninstall.exe reads before its first window.
  window_dir="$WINEPREFIX/drive_c/bench-first-window"
  rm -rf "$window_dir"
  mkdir -p "$window_dir"
  cp "$bin/Uninstall.exe" "$bin/minimal_dialog.exe" "$client/Language.xml" "$client/Uninstall.bin" "$window_dir/"
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
  # Pauses the procedure prescribes: the phase ends (500 ms, 500 ms, 1,000 ms) and, when the
  # client ran, the two 1,000 ms waits around closing it. The driver lets each window it answers
  # settle for 400 ms before it reads it; its 1,500 ms on the progress dialog pass while the
  # worker still runs (inside the worker's own 2 s of pauses), so they add nothing to the total.
  local answered client_closed
  answered=$(grep -cE '^window (confirm|question|message)' "$driver_log" || true)
  client_closed=$(sed -n '/^window progress/q;/^window question/p' "$driver_log" | wc -l)
  awk -v s="$start" -v e="$end" -v a="$answered" -v c="$client_closed" 'BEGIN {
    total = e - s; pauses = 0.5 + 0.5 + 1.0 + 2.0 * c; driver = 0.4 * a;
    printf "start to end of Uninstall.exe: %.2f s; without the fixed pauses (%.1f s) and the driver'"'"'s settling (%.1f s): %.2f s\n",
           total, pauses, driver, total - pauses - driver > "/dev/stderr";
    printf "%.2f\n", total - pauses - driver }'
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

summary
