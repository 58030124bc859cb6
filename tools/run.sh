#!/usr/bin/env bash
# Builds velmor.scr for the Wine this machine runs and starts it: the 32-bit
# build under 32-bit Wine where i386 code executes, else the 64-bit build
# under wine64 (VELMOR_WINE_ARCH=64 forces that).  Arguments go to the saver
# (none: the windowed slide show; /s full screen; /c settings; /a password).
# Without a display it runs headless under Xvfb for 12 s, writes six
# screenshots to build/screenshots/ and checks that they show the saver.
# Exits non-zero, with a one-line reason, when the saver does not start,
# dies, or shows nothing.
set -uo pipefail
. "$(dirname "$0")/prepare.sh" run
scr=build/win$bits/app/velmor.scr
if [ "$bits" = 32 ]; then
    echo "run: starting the 32-bit velmor.scr ($scr) under 32-bit Wine"
else
    echo "run: starting the 64-bit velmor.scr ($scr) under wine64"
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    tools/wine-run.sh --arch "$bits" "$scr" "$@"
    code=$?
    [ "$code" -eq 0 ] || fail "velmor.scr ended with exit code $code"
    exit 0
fi

. tools/xvfb.sh
start_xvfb || fail "Xvfb did not start"
shots=build/screenshots
mkdir -p "$shots"
rm -f "$shots"/*.png
log=$shots/wine.log
tools/wine-run.sh --arch "$bits" "$scr" "$@" >"$log" 2>&1 &
saver=$!
for i in 1 2 3 4 5 6; do
    sleep 2
    if ! kill -0 "$saver" 2>/dev/null; then
        wait "$saver"
        fail "velmor.scr ended after about $((2 * i)) s with exit code $? ($(head -c 200 "$log" | tr '\n' ' '))"
    fi
    import -window root "$shots/shot-$i.png" 2>/dev/null || fail "could not take a screenshot"
done
kill "$saver" 2>/dev/null

# A photograph has thousands of colours; a black screen, a bare window frame
# or a message box has a handful.  The dialog and the password box are only
# required to be there.
most=0
for shot in "$shots"/shot-*.png; do
    colours=$(identify -format '%k' "$shot" 2>/dev/null || echo 0)
    [ "$colours" -gt "$most" ] && most=$colours
done
case "${1:-}" in
    [-/][cCaA]*) need=2 ;;
    *) need=1000 ;;
esac
[ "$most" -ge "$need" ] ||
    fail "the screenshots show no picture (at most $most colours); see $VELMOR_ROOT/$shots/"
echo "run: no display; ran headless for 12 s, screenshots in $VELMOR_ROOT/$shots/ (up to $most colours)"
