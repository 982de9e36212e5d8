#!/usr/bin/env bash
# The program's main job, shown: a fresh Windows (Wine prefix) gets the sample client installed,
# then Uninstall.exe removes it. Prints what the client had and what is left.
#   scripts/demo.sh [--interactive | --silent] [--os win2k|winxp|win10|win10-64|win98|winme|nt40] [--setup-type N]
# win10-64 is Windows 10 on a 64-bit PC: the 32-bit program under WoW64 in a 64-bit prefix.
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
while [ $# -gt 0 ]; do
  case "$1" in
    --interactive) interactive=1; shift ;;
    --silent) silent=1; shift ;;
    --os) os=$2; shift 2 ;;
    --setup-type) setup_type=$2; shift 2 ;;
    *) echo "usage: scripts/demo.sh [--interactive | --silent] [--os NAME] [--setup-type N]" >&2; exit 2 ;;
  esac
done

windows64=0
if [ "$os" = win10-64 ]; then os=win10; windows64=1; fi

scripts/setup-deps.sh
# The 32-bit program, or its 64-bit build where this machine cannot run 32-bit programs.
. scripts/wine-env.sh "$root/build/demo"
preset=win
[ "$WINE_BITS" = 64 ] && preset=win64
[ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" >/dev/null

demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo"
export WINEPREFIX="$demo/wineprefix"
if [ "$windows64" = 1 ]; then export WINEARCH=win64; fi
# Windows programs write to a pipe in the system code page (GBK on the Chinese system).
to_utf8() { { iconv -c -f GBK -t UTF-8 || true; } | sed 's/\r$//'; }
if [ "$interactive" = 1 ] && [ -z "${DISPLAY:-}" ]; then
  echo "demo: --interactive needs a desktop (DISPLAY is not set)" >&2
  exit 2
fi
wine_display_up
trap wine_display_down EXIT
echo "== a fresh Windows: $WINEPREFIX ($os)"
wine_prefix_up

client="$root/build/$preset/sample-client"
win_client=$(winepath -w "$client")
logs='C:\sample-logs'
export SAMPLE_CLIENT_LOG_DIR="$logs"
mkdir -p "$WINEPREFIX/drive_c/sample-logs"
manifest="$logs\\setup-manifest.txt"
setup_args=(/manifest "$manifest")
[ -n "$setup_type" ] && setup_args+=(/setup-type "$setup_type")

echo "== installing the sample client"
wine "$win_client\\setup.exe" "${setup_args[@]}"
wine reg add 'HKCU\Software\Wine\AppDefaults\Uninstall.exe' /v Version /d "$os" /f >/dev/null
echo "== what the client has"
wine "$win_client\\setup.exe" /check "$manifest" | to_utf8 | tee "$demo/before.txt" | grep -c ' there ' |
  xargs -I{} echo "   {} files, folders, shortcuts, registry keys and values"

# Where the 32-bit set-up puts the client: on a 64-bit Windows the 32-bit Program Files.
programs='C:\Program Files'
if [ "$windows64" = 1 ] && [ "$WINE_BITS" = 32 ]; then programs='C:\Program Files (x86)'; fi
uninstaller="$programs\Mirel\DornDial\Uninstall.exe"
echo "== running the uninstaller"
if [ "$interactive" = 1 ]; then
  wine "$uninstaller"
elif [ "$silent" = 1 ]; then
  log='C:\sample-logs\uninstall-run.log'
  set +e
  wine "$uninstaller" /S "/LOG=$log"
  code=$?
  set -e
  echo "   exit code $code"
  echo "== the uninstaller's log"
  to_utf8 < "$WINEPREFIX/drive_c/sample-logs/uninstall-run.log" | sed 's/^/   /'
else
  wine "$win_client\\driver.exe" --exe "$uninstaller" --keep-driver 0 --keep-data 0 \
    --shots "$(winepath -w "$demo")" | to_utf8
fi
# The finishing program and the browser's uninstaller finish after the uninstaller.
for i in $(seq 1 600); do
  pgrep -f 'Unl.exe|Unin.exe' >/dev/null || break
  sleep 0.2
done

echo "== what is left"
wine "$win_client\\setup.exe" /check "$manifest" | to_utf8 > "$demo/after.txt"
grep ' there ' "$demo/after.txt" || echo "   nothing"
tail -1 "$demo/after.txt"
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
exit 0
