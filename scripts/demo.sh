#!/usr/bin/env bash
# The demo: builds the module and the sample setup host, then runs three
# sample installations under Wine (full layout with a host picture, a run
# cancelled half-way, the compact layout) and writes PNG screenshots to
# out/screenshots. On a desktop (DISPLAY set, not CI) the windows show there;
# without one they go to a hidden Xvfb. WINE_USE_DISPLAY=0 forces Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh --module-only

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ] && [ -z "${WINE_USE_DISPLAY:-}" ]; then
    export WINE_USE_DISPLAY=1
fi

shots=$root/out/screenshots
rm -rf "$shots"
mkdir -p "$shots"
scripts/wine-env.sh start build
trap 'scripts/wine-env.sh stop build' EXIT
# shellcheck disable=SC1091
. build/wine-env.sh
drive_c=$WINEPREFIX/drive_c
winshots="Z:${shots//\//\\}"
picture="Z:${root//\//\\}\\samples\\picture.bmp"
run() { scripts/wine-run.sh 900 build/setup_host.exe --screenshots "$winshots" "$@"; }

rm -rf "$drive_c/demo-full" "$drive_c/demo-cancel" "$drive_c/demo-compact"

echo "== Full layout with a host picture"
run --dest 'C:\demo-full' --picture "$picture" --delay 15

echo "== Cancelled half-way, confirmed: what was copied is removed"
status=0
run --dest 'C:\demo-cancel' --picture "$picture" --cancel-at 120 --answer yes || status=$?
[ "$status" -eq 3 ] || { echo "the cancelled run ended with $status" >&2; exit 1; }
[ ! -e "$drive_c/demo-cancel" ] || { echo "the cancelled run left files behind" >&2; exit 1; }

echo "== Compact layout"
run --dest 'C:\demo-compact' --layout compact --placement 4 --delay 10

echo
echo "Screenshots:"
ls -1 "$shots"/*.png
