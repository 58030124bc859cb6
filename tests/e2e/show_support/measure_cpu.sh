#!/usr/bin/env bash
# Measures the windowed saver's CPU use and wakeups under Wine + Xvfb, for
# one build or for several side by side in one run.  For each build in turn:
# one minute of steady show (a picture at full brightness) and one minute of
# fades (a click every 2 s, so every frame is a fade-in frame and each click
# also decodes one picture).  Prints the CPU (user + system, from
# /proc/<pid>/stat) of the saver process, of the wineserver and of the X
# server, as a share of one core, and the saver's wakeups a second (the
# voluntary context switches of all its threads, from
# /proc/<pid>/task/*/status); with two or more builds also each build's saver
# figures over the first build's.
#   bash tests/e2e/show_support/measure_cpu.sh [--arch 32|64] [--seconds N] [SCR...]
# SCR: the velmor.scr files to measure, all of the bitness measured (default:
# this tree's build for the Wine this machine runs, tools/wine-arch.sh).  To
# compare with another build, keep a copy of its velmor.scr aside and name
# the copy first, e.g.
#   cp build/win32/app/velmor.scr /tmp/before/velmor.scr    (before the change)
#   bash tests/e2e/show_support/measure_cpu.sh /tmp/before/velmor.scr build/win32/app/velmor.scr
#
# With --monitors: the full-screen saver (/s) of one build on a 1024x768
# monitor alone (from picture 1), on a 1280x1024 one alone (from picture 7,
# where the second monitor's show starts), and on both (the 1280x1024 one
# left of the 1024x768 primary, from picture 1), side by side in one run, on
# a private Xorg (tools/xorg-monitors.sh) in the prefix of the multi-monitor
# test: a steady minute (300 s interval), a minute
# of picture changes (15 s interval: each change brings a fade-out and a
# fade-in on every monitor), and the saver's peak anonymous memory (RssAnon
# from /proc, sampled every second: its private bytes).
#   bash tests/e2e/show_support/measure_cpu.sh --monitors [--arch 32|64] [--seconds N] [SCR]
set -euo pipefail
VELMOR_ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
export VELMOR_ROOT
bits=""
seconds=60
monitors=""
builds=()
while [ $# -gt 0 ]; do
    case "$1" in
        --arch) bits=$2; shift ;;
        --seconds) seconds=$2; shift ;;
        --monitors) monitors=outside ;;
        --inside-xorg) monitors=inside ;;
        *) builds+=("$(realpath "$1")") ;;
    esac
    shift
done
cd "$VELMOR_ROOT"
[ -n "$bits" ] || bits=$(tools/wine-arch.sh)
[ ${#builds[@]} -gt 0 ] || builds=("$VELMOR_ROOT/build/win$bits/app/velmor.scr")
if [ "$monitors" = outside ]; then
    export VELMOR_WINEPREFIX=$VELMOR_ROOT/build/win$bits/tests/e2e/monitors-prefix
    exec bash tools/xorg-monitors.sh run 1024x768+0+0 bash "$0" --inside-xorg --arch "$bits" \
        --seconds "$seconds" "${builds[0]}"
fi
[ -n "$monitors" ] || { . tools/xvfb.sh; start_xvfb; }
. tools/wine-env.sh
wine_env "$bits"
wine_prefix_ready

clicker=$VELMOR_ROOT/build/win$bits/tests/e2e/show_measure_clicker.exe
hz=$(getconf CLK_TCK)
cpu_ticks() {
    if [ -n "$1" ] && [ -r "/proc/$1/stat" ]; then awk '{ print $14 + $15 }' "/proc/$1/stat"
    else echo 0; fi
}

# The wineserver of this prefix: the one working in its server directory,
# named after the prefix's device and inode (server-<dev>-<inode>, in hex).
prefix_wineserver() {
    local dir pid
    dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
    for pid in $(pgrep -x 'wineserver(64)?' || true); do
        case "$(readlink "/proc/$pid/cwd" 2>/dev/null)" in
            */"$dir") echo "$pid"; return ;;
        esac
    done
    echo ""
}

switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }'
}

# Runs a command and prints "saver% wineserver% xvfb% saver-wakeups/s" over
# its duration.
measure() {
    local s0 w0 x0 c0 t0 s1 w1 x1 c1 t1
    s0=$(cpu_ticks "$saver"); w0=$(cpu_ticks "$server"); x0=$(cpu_ticks "$VELMOR_XVFB_PID")
    c0=$(switches "$saver")
    t0=$(date +%s.%N)
    "$@" >/dev/null
    s1=$(cpu_ticks "$saver"); w1=$(cpu_ticks "$server"); x1=$(cpu_ticks "$VELMOR_XVFB_PID")
    c1=$(switches "$saver")
    t1=$(date +%s.%N)
    awk -v s=$((s1 - s0)) -v w=$((w1 - w0)) -v x=$((x1 - x0)) -v c=$((c1 - c0)) \
        -v t0="$t0" -v t1="$t1" -v hz="$hz" \
        'BEGIN { d = (t1 - t0) * hz / 100
                 printf "%.2f %.2f %.2f %.1f\n", s / d, w / d, x / d, c / (t1 - t0) }'
}

# Starts one build with picture 1 and a 300 s interval (no picture change in
# the steady minute), measures both minutes and ends it.
measure_build() {
    local scr=$1 title ini
    title=$(basename "$scr")
    ini=$WINEPREFIX/drive_c/windows/${title%.???}.INI
    printf '[Image]\r\nNO=1\r\n[Config]\r\n\x95\x5c\x8e\xa6\x8a\xd4\x8a\x75=300\r\n' >"$ini"
    tools/wine-run.sh --arch "$bits" "$scr" >/dev/null 2>&1 &
    saver=$!   # wine-run.sh execs Wine: this is the saver's process
    tools/wine-run.sh --arch "$bits" "$clicker" 0 0 >/dev/null   # 640 x 480, next picture
    server=$(prefix_wineserver)
    sleep 4                                                     # past the fade-in
    steady=$(measure sleep "$seconds")
    fades=$(measure tools/wine-run.sh --arch "$bits" "$clicker" 2000 "$seconds")
    kill "$saver" 2>/dev/null || true
    wait "$saver" 2>/dev/null || true
}

# The saver's peak anonymous memory in KiB, sampled every second while a
# command runs.
peak_anon() {
    "$@" &
    local job=$! peak=0 now
    while kill -0 "$job" 2>/dev/null; do
        now=$(awk '/^RssAnon/ { print $2 }' "/proc/$saver/status" 2>/dev/null || echo 0)
        [ "${now:-0}" -gt "$peak" ] && peak=$now
        sleep 1
    done
    wait "$job"
    echo "$peak" >"$peak_file"
}

# The full-screen saver on the layout the X server has now: a steady
# minute, then a minute of picture changes, each in a saver of its own.
measure_full_screen() {
    local scr=$1 interval label=$2 first=$3
    peak_file=$(mktemp)
    for interval in 300 15; do
        printf '[Image]\r\nNO=%s\r\n[Config]\r\n\x95\x5c\x8e\xa6\x8a\xd4\x8a\x75=%s\r\n' \
            "$first" "$interval" >"$WINEPREFIX/drive_c/windows/velmor.INI"
        tools/wine-run.sh --arch "$bits" "$scr" /s >/dev/null 2>&1 &
        saver=$!
        server=$(prefix_wineserver)
        sleep 5   # past the first fade-in and the next picture's decode
        local result
        result=$(peak_anon measure sleep "$seconds")
        read -r s w x c <<<"$result"
        printf '  %s, %s s interval: saver %s%% (%s wakeups/s), wineserver %s%%, X %s%%,' \
            "$label" "$interval" "$s" "$c" "$w" "$x"
        printf ' peak anonymous memory %s KiB\n' "$(cat "$peak_file")"
        kill "$saver" 2>/dev/null || true
        wait "$saver" 2>/dev/null || true
    done
    rm -f "$peak_file"
}

if [ "$monitors" = inside ]; then
    VELMOR_XVFB_PID=$(pgrep -n -x Xorg || true)
    echo "CPU as % of one core: saver process, wineserver, Xorg; the saver's wakeups a second;" \
         "${seconds} s each, ${bits}-bit Wine, full screen"
    echo "${builds[0]}"
    # Each monitor alone, with the pictures its show has in the pair: the
    # stored picture 1 on the primary, picture 7 on the other.
    for run in 1024x768+0+0:1 1280x1024+0+0:7 1024x768+1280+0,1280x1024+0+0:1; do
        bash tools/xorg-monitors.sh layout "${run%:*}"
        xrandr -q >/dev/null
        measure_full_screen "${builds[0]}" "monitors ${run%:*}, from picture ${run#*:}" "${run#*:}"
    done
    exit 0
fi

echo "CPU as % of one core: saver process, wineserver, Xvfb; the saver's wakeups a second;" \
     "${seconds} s each, ${bits}-bit Wine"
results=()
for scr in "${builds[@]}"; do
    measure_build "$scr"
    results+=("$steady $fades")
    read -r s w x c <<<"$steady"
    read -r fs fw fx fc <<<"$fades"
    printf '%s\n  steady: saver %s%% (%s wakeups/s), wineserver %s%%, Xvfb %s%%\n' \
        "$scr" "$s" "$c" "$w" "$x"
    printf '  fades (click every 2 s): saver %s%% (%s wakeups/s), wineserver %s%%, Xvfb %s%%\n' \
        "$fs" "$fc" "$fw" "$fx"
done
if [ ${#builds[@]} -gt 1 ]; then
    read -r s0 _ _ c0 f0 _ _ _ <<<"${results[0]}"
    for i in $(seq 1 $((${#builds[@]} - 1))); do
        read -r s _ _ c f _ _ _ <<<"${results[$i]}"
        awk -v n="${builds[$i]}" -v s="$s" -v s0="$s0" -v c="$c" -v c0="$c0" -v f="$f" \
            -v f0="$f0" \
            'function r(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "n/a" }
             BEGIN { printf "saver over the first build: %s steady CPU %s, steady wakeups %s, fades CPU %s\n",
                            n, r(s, s0), r(c, c0), r(f, f0) }'
    done
fi
