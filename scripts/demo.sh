#!/usr/bin/env bash
# The program's main job, shown: a fresh Windows (Wine prefix) gets the sample client installed,
# then Uninstall.exe removes it. Prints what the client had and what is left.
#   scripts/demo.sh [--interactive | --silent] [--os win2k|winxp|win10|win10-64|win98|winme|nt40] [--setup-type N]
#                   [--scale 100|125|150|175|200]
# win10-64 is Windows 10 on a 64-bit PC: the 32-bit program under WoW64 in a 64-bit prefix.
# --scale sets the fresh Windows' display scale (its system DPI, LogPixels) before anything runs
# there, so the dialogs and their pictures come out at that scale.
# Without --interactive the dialogs are worked by the sample driver and a PNG of each dialog and
# message box is saved in build/demo/. With --interactive (on a desktop) you click yourself. With
# --silent the uninstaller runs as a deployment tool runs it (/S /LOG=...): no window; the exit
# code and the log are printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
interactive=0
silent=0
os=winxp
setup_type=""
scale=100
while [ $# -gt 0 ]; do
  case "$1" in
    --interactive) interactive=1; shift ;;
    --silent) silent=1; shift ;;
    --os) os=$2; shift 2 ;;
    --setup-type) setup_type=$2; shift 2 ;;
    --scale) scale=$2; shift 2 ;;
    *) echo "usage: scripts/demo.sh [--interactive | --silent] [--os NAME] [--setup-type N] [--scale PERCENT]" >&2; exit 2 ;;
  esac
done

case "$scale" in
  100|125|150|175|200) ;;
  *) echo "demo: --scale takes 100, 125, 150, 175 or 200 (percent), not '$scale'" >&2; exit 2 ;;
esac

windows64=0
if [ "$os" = win10-64 ]; then os=win10; windows64=1; fi

. scripts/stages.sh demo
# A failed run names its stage and shows its first error; Wine and the display go in any case.
demo_exit() {
  local status=$?
  [ "$(type -t wine_display_down)" = function ] && wine_display_down
  stages_report_failure "$status"
  exit "$status"
}
trap demo_exit EXIT

begin_stage "set-up"
quietly scripts/setup-deps.sh
# The 32-bit program, on the route that starts 32-bit programs on this machine.
. scripts/wine-env.sh "$root/build/demo"
echo "== the 32-bit program runs on $WINE_ROUTE"
preset=win
begin_stage "build ($preset)"
[ -f "build/$preset/build.ninja" ] || quietly cmake --preset "$preset"
quietly cmake --build --preset "$preset"

demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo"
export WINEPREFIX="$demo/wineprefix"
if [ "$windows64" = 1 ]; then export WINEARCH=win64; fi
# Windows programs write to a pipe in the system code page (GBK on the Chinese system).
to_utf8() { { iconv -c -f GBK -t UTF-8 || true; } | sed 's/\r$//'; }
# The exit codes of the README's table, and the code whose low byte Wine passed on.
exit_code_meaning() {
  case "$1" in
    0) echo "done" ;;
    3010) echo "done; a restart completes the removal of the data-card driver" ;;
    1602) echo "cancelled in the confirmation, or the user kept the running client" ;;
    1603) echo "could not complete" ;;
    1618) echo "another uninstall is running" ;;
    87) echo "bad arguments" ;;
    90) echo "the sample driver's limit ran out before the uninstaller ended" ;;
    92) echo "the sample driver could not start the uninstaller" ;;
    *) echo "not one of the uninstaller's exit codes" ;;
  esac
}
exit_code_from_byte() {
  local code
  for code in 0 3010 1602 1603 1618 87; do
    [ $((code & 255)) = "$1" ] && { echo "$code"; return; }
  done
  echo "$1"
}
if [ "$interactive" = 1 ] && [ -z "${DISPLAY:-}" ]; then
  echo "demo: --interactive needs a desktop (DISPLAY is not set)" >&2
  exit 2
fi
wine_display_up
begin_stage "a fresh Windows: $WINEPREFIX ($os, display scale $scale %)"
wine_prefix_up
# Wine reads the system DPI once, as each program starts: set before the set-up and the uninstaller.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((scale * 96 / 100)) /f >/dev/null
# Without a window manager (Xvfb) nothing draws the windows' frames: Wine draws its own, so the
# pictures show each title bar and caption as the user sees them.
if [ "$interactive" = 0 ]; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
fi

client="$root/build/$preset/sample-client"
win_client=$(winepath -w "$client")
logs='C:\sample-logs'
export SAMPLE_CLIENT_LOG_DIR="$logs"
mkdir -p "$WINEPREFIX/drive_c/sample-logs"
manifest="$logs\\setup-manifest.txt"
setup_args=(/manifest "$manifest")
[ -n "$setup_type" ] && setup_args+=(/setup-type "$setup_type")

begin_stage "installing the sample client"
wine "$win_client\\setup.exe" "${setup_args[@]}"
wine reg add 'HKCU\Software\Wine\AppDefaults\Uninstall.exe' /v Version /d "$os" /f >/dev/null
begin_stage "what the client has"
wine "$win_client\\setup.exe" /check "$manifest" | to_utf8 | tee "$demo/before.txt" | grep -c ' there ' |
  xargs -I{} echo "   {} files, folders, shortcuts, registry keys and values"

# Where the 32-bit set-up puts the client: on a 64-bit Windows the 32-bit Program Files.
programs='C:\Program Files'
if [ "$windows64" = 1 ]; then programs='C:\Program Files (x86)'; fi
uninstaller="$programs\Mirel\DornDial\Uninstall.exe"
begin_stage "running the uninstaller"
# Wine hands only the low byte of a Windows exit code to Unix (3010 arrives as 194), so the full
# code is read from what the driver prints, or from the log; an interactive run is matched back
# by that byte.
# Every run keeps a log: its account of what stays is shown beside the listing of what is left.
log='C:\sample-logs\uninstall-run.log'
unix_log="$WINEPREFIX/drive_c/sample-logs/uninstall-run.log"
if [ "$interactive" = 1 ]; then
  set +e
  wine "$uninstaller" "/LOG=$log"
  code=$(exit_code_from_byte $?)
  set -e
elif [ "$silent" = 1 ]; then
  set +e
  wine "$uninstaller" /S "/LOG=$log"
  byte=$?
  set -e
  code=""
  if [ -f "$unix_log" ]; then
    code=$(to_utf8 < "$unix_log" | sed -n 's/^.*exit code \([0-9]*\)$/\1/p' | tail -1)
    echo "== the uninstaller's log"
    to_utf8 < "$unix_log" | sed 's/^/   /'
  fi
  [ -n "$code" ] || code=$(exit_code_from_byte "$byte")
else
  set +e
  wine "$win_client\\driver.exe" --exe "$uninstaller" --args "/LOG=$log" --keep-driver 0 --keep-data 0 \
    --shots "$(winepath -w "$demo")" | to_utf8 | tee "$demo/driver.txt"
  byte=${PIPESTATUS[0]}
  set -e
  code=$(sed -n 's/^exit \([0-9]*\)$/\1/p' "$demo/driver.txt" | tail -1)
  [ -n "$code" ] || code=$(exit_code_from_byte "$byte")
fi
echo "   exit code $code: $(exit_code_meaning "$code")"
# The finishing program and the browser's uninstaller finish after the uninstaller.
for i in $(seq 1 600); do
  pgrep -f 'Unl.exe|Unin.exe' >/dev/null || break
  sleep 0.2
done

begin_stage "what is left"
wine "$win_client\\setup.exe" /check "$manifest" | to_utf8 > "$demo/after.txt"
grep ' there ' "$demo/after.txt" || echo "   nothing"
tail -1 "$demo/after.txt"
echo "== what the uninstaller's own account says stays"
: > "$demo/account.txt"
[ -f "$unix_log" ] && to_utf8 < "$unix_log" | sed -n 's/^.*  stays: //p' > "$demo/account.txt"
if [ -s "$demo/account.txt" ]; then sed 's/^/   /' "$demo/account.txt"; else echo "   nothing"; fi
# The two agree when every item left lies at, below or above (a key holding a value) something the
# account names, and everything the account names as a place is among what is left.
disagree=0
while IFS= read -r item; do
  path=${item#*there * }; path=${path#"${path%%[! ]*}"}
  covered=0
  while IFS= read -r stays; do
    named=${stays%%: *}
    lower_path=${path,,}; lower_named=${named,,}
    case "$lower_path" in "$lower_named"|"$lower_named\\"*) covered=1 ;; esac
    case "$lower_named" in "$lower_path\\"*|"$lower_path|"*) covered=1 ;; esac
  done < "$demo/account.txt"
  if [ "$covered" = 0 ]; then echo "   left, but not in the account: $path"; disagree=1; fi
done < <(grep ' there ' "$demo/after.txt" || true)
[ "$disagree" = 0 ] && echo "   the account and the listing agree"
echo "== the finishing program was started as"
if [ -f "$WINEPREFIX/drive_c/sample-logs/Unl.log" ]; then
  to_utf8 < "$WINEPREFIX/drive_c/sample-logs/Unl.log" | sed 's/^/   /' | head -1
else
  echo "   (not started)"
fi

shopt -s nullglob
for bmp in "$demo"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
pngs=("$demo"/*.png)
[ ${#pngs[@]} -gt 0 ] && { echo "== screenshots"; printf '   %s\n' "${pngs[@]}"; }
case "$code" in
  0|3010) exit 0 ;;
  *) echo "demo: the uninstall did not end as it should: exit code $code ($(exit_code_meaning "$code"))" >&2
     exit 1 ;;
esac
