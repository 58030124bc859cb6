#!/usr/bin/env bash
# Measures the windowed saver's CPU use under Wine + Xvfb: one minute of
# steady show (a picture at full brightness, blitted every tick) and one
# minute of fades (a click every 2 s, so every frame is a fade-in frame and
# each click also decodes one picture).  Prints the saver process's CPU
# (user + system, from /proc/<pid>/stat) and the X server's.
# It measures the build of the Wine this machine runs (tools/wine-arch.sh).
#   bash tests/e2e/show_support/measure_cpu.sh   (after tools/build.sh --win-only)
set -euo pipefail
VELMOR_ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
export VELMOR_ROOT
cd "$VELMOR_ROOT"
bits=$(tools/wine-arch.sh)
. tools/xvfb.sh
start_xvfb
. tools/wine-env.sh
wine_env "$bits"
run() { tools/wine-run.sh --arch "$bits" "$@"; }

scr=$VELMOR_ROOT/build/win$bits/app/velmor.scr
clicker=$VELMOR_ROOT/build/win$bits/tests/e2e/show_measure_clicker.exe
ini=$WINEPREFIX/drive_c/windows/velmor.INI
echo "measuring the ${bits}-bit build ($scr)"
hz=$(getconf CLK_TCK)

# Start with picture 1, interval 300 s: no picture change in the steady minute.
printf '[Image]\r\nNO=1\r\n[Config]\r\n\x95\x5c\x8e\xa6\x8a\xd4\x8a\x75=300\r\n' >"$ini"

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

run "$scr" >/dev/null 2>&1 &
saver=""
for _ in $(seq 100); do
    saver=$(pgrep -f "$scr" | head -n1 || true)
    [ -n "$saver" ] && break
    sleep 0.1
done
[ -n "$saver" ] || { echo "saver did not start"; exit 1; }
run "$clicker" 0 0 >/dev/null   # 640 x 480 client, next picture
sleep 4                                       # past the fade-in

measure() {
    local label=$1 s0 x0 s1 x1 t0 t1
    s0=$(cpu_ticks "$saver"); x0=$(cpu_ticks "$VELMOR_XVFB_PID"); t0=$(date +%s.%N)
    shift
    "$@"
    s1=$(cpu_ticks "$saver"); x1=$(cpu_ticks "$VELMOR_XVFB_PID"); t1=$(date +%s.%N)
    awk -v l="$label" -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v t0="$t0" -v t1="$t1" -v hz="$hz" \
        'BEGIN { w = t1 - t0; printf "%s: %.1f s wall, saver %.1f%% of one core, Xvfb %.1f%%\n", l, w, 100 * s / hz / w, 100 * x / hz / w }'
}

measure "steady minute" sleep 60
measure "fades minute (click every 2 s)" run "$clicker" 2000 60
kill "$saver" 2>/dev/null || true
