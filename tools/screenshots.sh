#!/usr/bin/env bash
# Regenerates the README's pictures in docs/ from the real velmor.scr, run
# under Wine on a private Xvfb screen of 800x600x24, in a prefix of its own
# (build/screenshot-prefix32 or 64), with velmor.INI choosing the picture:
#   docs/full-screen-fade.png  full screen (/s), picture 1 fading in
#   docs/full-screen.png       the same picture at full brightness
#   docs/panorama-pan.png      full screen, the wide picture 11 mid-pan
#   docs/windowed.png          the windowed mode on a Wine desktop
#   docs/settings.png          the settings dialog (/c), in Japanese as it is
#   docs/preview.png           the preview (/p) at the control panel's size,
#                              framed as the control panel's little monitor
#   docs/two-monitors.png      full screen on two monitors, made on a private
#                              Xorg by tools/screenshot-monitors.sh
# Uses the build for this machine's Wine (tools/wine-arch.sh).
set -uo pipefail
. "$(dirname "$0")/prepare.sh" screenshots
windows_path() { local path=$VELMOR_ROOT/$1; echo "Z:${path//\//\\}"; }
scr=$(windows_path "build/win$bits/app/velmor.scr")
host=$(windows_path "build/win$bits/tools/preview_host.exe")

export VELMOR_WINEPREFIX=$VELMOR_ROOT/build/screenshot-prefix$bits
. tools/xvfb.sh
start_xvfb || fail "Xvfb did not start"
work=build/screenshots/docs
rm -rf "$work"
mkdir -p "$work" docs
run_wine() { tools/wine-run.sh --arch "$bits" "$@"; }
wine_stop() { WINEPREFIX=$VELMOR_WINEPREFIX wineserver -k >/dev/null 2>&1; sleep 0.5; }
# convert ... OUT.png, without the time stamps that ImageMagick adds.
png() { convert "${@:1:$#-1}" -define png:exclude-chunks=date,time "${@: -1}"; }

# velmor.INI in the prefix's Windows directory: the start picture and the
# interval (its key is "display interval" in Shift-JIS).
settings() {
    printf '[Image]\r\nNO=%s\r\n[Config]\r\n\x95\x5c\x8e\xa6\x8a\xd4\x8a\x75=%s\r\n' "$1" "$2" \
        >"$VELMOR_WINEPREFIX/drive_c/windows/velmor.INI"
}
mean() { convert "$1" -format '%[fx:mean]' info:; }

run_wine wineboot -i >/dev/null 2>&1 || fail "cannot create the prefix $VELMOR_WINEPREFIX"
wine_stop

# Full screen: frames every few tenths of a second while picture 1 fades
# in; the brightest is the full picture, the one nearest half its
# brightness the fade.
settings 1 30
run_wine "$scr" /s >"$work/wine.log" 2>&1 &
for i in $(seq -w 1 24); do
    sleep 0.15
    import -window root "$work/frame-$i.png" 2>/dev/null
done
wine_stop
brightest=$(for f in "$work"/frame-*.png; do echo "$(mean "$f") $f"; done | sort -g | tail -n1)
full=${brightest#* }
peak=${brightest%% *}
awk -v p="$peak" 'BEGIN { exit !(p > 0.1) }' || fail "the full-screen show stayed dark"
fade=$(for f in "$work"/frame-*.png; do
           [[ "$f" < "$full" ]] && awk -v m="$(mean "$f")" -v p="$peak" -v f="$f" \
               'BEGIN { d = m - p / 2; if (m > 0.02) print (d < 0 ? -d : d), f }'
       done | sort -g | head -n1 | cut -d' ' -f2)
[ -n "$fade" ] || fail "no frame of the fade-in was caught"
png "$full" docs/full-screen.png
png "$fade" docs/full-screen-fade.png

# The wide picture pans for 30 s after its 2 s fade-in: halfway at 17 s.
settings 11 60
run_wine "$scr" /s >>"$work/wine.log" 2>&1 &
sleep 17
import -window root "$work/panorama.png"
wine_stop
png "$work/panorama.png" docs/panorama-pan.png

# The windowed mode and the settings dialog on a Wine desktop, which draws
# window frames as Windows does.
settings 6 30
run_wine explorer /desktop=velmor,800x600 "$scr" >>"$work/wine.log" 2>&1 &
sleep 5
import -window root "$work/windowed.png"
wine_stop
png "$work/windowed.png" docs/windowed.png

run_wine explorer /desktop=velmor,800x600 "$scr" /c >>"$work/wine.log" 2>&1 &
sleep 4
import -window root "$work/settings.png"
wine_stop
desktop_colour=$(convert "$work/settings.png" -format '%[pixel:p{0,0}]' info:)
png "$work/settings.png" -trim +repage -bordercolor "$desktop_colour" -border 12 docs/settings.png

# The preview fills a Wine desktop of the control panel's preview size
# (152x112); the monitor round it is drawn here.
settings 4 30
run_wine explorer /desktop=velmorpreview,152x112 "$host" "$scr" 6 >>"$work/wine.log" 2>&1 &
sleep 4.5
desktop=$(xwininfo -root -tree | awk '/velmorpreview/ { print $1; exit }')
[ -n "$desktop" ] || fail "the preview desktop did not open"
import -window "$desktop" "$work/preview.png"
wine_stop
png -size 200x168 xc:'#ececec' -fill '#3a3c42' \
    -draw 'roundrectangle 10,6 189,135 8,8' -draw 'rectangle 88,135 111,150' \
    -draw 'roundrectangle 60,148 139,158 4,4' \
    "$work/preview.png" -geometry +24+12 -composite docs/preview.png

# A photograph brings hundreds of colours; the dialog a handful.
for shot in full-screen-fade:500 full-screen:500 panorama-pan:500 windowed:500 preview:200 \
            settings:8; do
    colours=$(identify -format '%k' "docs/${shot%:*}.png")
    [ "$colours" -ge "${shot#*:}" ] || fail "docs/${shot%:*}.png shows too little ($colours colours)"
done
stop_xvfb
bash tools/screenshot-monitors.sh || exit 1
echo "screenshots: docs/ pictures made from build/win$bits/app/velmor.scr"
