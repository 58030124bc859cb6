#!/usr/bin/env bash
# Builds velmor.scr if needed and runs it under Wine.  Arguments are passed
# to the saver (none: the windowed slide show; /s full screen; /c settings).
# Without a display it runs headless under Xvfb for a few seconds and writes
# screenshots to build/screenshots/.
set -euo pipefail
VELMOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export VELMOR_ROOT
cd "$VELMOR_ROOT"
bash tools/setup.sh
bash tools/build.sh --win-only >/dev/null
scr=build/win/app/velmor.scr

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec tools/wine-run.sh "$scr" "$@"
fi

. tools/xvfb.sh
start_xvfb
shots=build/screenshots
mkdir -p "$shots"
rm -f "$shots"/*.png
tools/wine-run.sh "$scr" "$@" &
saver=$!
for i in 1 2 3 4 5 6; do
    sleep 2
    /usr/bin/import -window root "$shots/shot-$i.png" 2>/dev/null || true
done
kill "$saver" 2>/dev/null || true
echo "run: no display; ran headless for 12 s, screenshots in $VELMOR_ROOT/$shots/"
