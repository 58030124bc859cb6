#!/usr/bin/env bash
# Makes docs/two-monitors.png for the README: the real velmor.scr full
# screen (/s) on two monitors, a 1280x1024 one left of a 1024x768 primary,
# on a private Xorg (tools/xorg-monitors.sh), in a prefix of its own
# (build/screenshot-monitors-prefix32 or 64).  The picture is the whole X
# screen at half size, each monitor framed in grey, the part of the X screen
# that no monitor shows in light grey.  Fails when a pixel of a monitor
# shows the magenta X root (a monitor the saver left uncovered), or when a
# monitor shows no photograph.  tools/screenshots.sh runs it too.
set -uo pipefail
. "$(dirname "$0")/prepare.sh" screenshot-monitors
scr_path=$VELMOR_ROOT/build/win$bits/app/velmor.scr
scr="Z:${scr_path//\//\\}"
work=build/screenshots/monitors
rm -rf "$work"
mkdir -p "$work" docs
export VELMOR_WINEPREFIX=$VELMOR_ROOT/build/screenshot-monitors-prefix$bits
export bits scr work

# In the X session: picture 1, its fade-in over after about 2.3 s.
shoot='
run_wine() { tools/wine-run.sh --arch "$bits" "$@"; }
run_wine wineboot -i >/dev/null 2>&1 || exit 3
printf "[Image]\r\nNO=1\r\n" >"$VELMOR_WINEPREFIX/drive_c/windows/velmor.INI"
run_wine "$scr" /s >"$work/wine.log" 2>&1 &
sleep 4
import -window root "$work/root.png"
'
bash tools/xorg-monitors.sh run 1024x768+1280+0,1280x1024+0+0 bash -c "$shoot" ||
    fail "the two-monitor run failed"
[ -f "$work/root.png" ] || fail "no screenshot was taken"

# Magenta pixels in a monitor's rectangle (WxH+X+Y of the X screen).
magenta() {
    convert "$work/root.png" -crop "$1" +repage -fill black +opaque '#ff00ff' \
        -fill white -opaque '#ff00ff' -format '%[fx:round(mean*w*h)]' info:
}
for monitor in 1280x1024+0+0 1024x768+1280+0; do
    shown=$(magenta "$monitor")
    [ "$shown" = 0 ] || fail "$shown pixels of the monitor $monitor show the desktop"
done
for monitor in 1280x1024+0+0 1024x768+1280+0; do
    colours=$(convert "$work/root.png" -crop "$monitor" +repage -format '%k' info:)
    [ "$colours" -ge 500 ] || fail "the monitor $monitor shows no photograph ($colours colours)"
done

convert "$work/root.png" -fill '#ececec' -draw 'rectangle 1280,768 2303,1023' \
    -fill none -stroke '#8a8d93' -strokewidth 6 \
    -draw 'rectangle 3,3 1276,1020' -draw 'rectangle 1283,3 2300,764' \
    -resize 50% -define png:exclude-chunks=date,time docs/two-monitors.png
echo "screenshot-monitors: docs/two-monitors.png made from build/win$bits/app/velmor.scr"
