#!/usr/bin/env bash
# A steady full-screen picture wakes the saver at most twice a second.  Picture
# 1 stands at full brightness (a 300 s interval: nothing changes for minutes;
# the wide picture, which pans, is not the one shown), and the voluntary
# context switches of all the saver's threads are counted over 20 s from
# /proc: each is a wait that ended.
#   steady_wakeups.sh BITS VELMOR.SCR
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
bits=$1
scr=$2
. "$root/tools/wine-env.sh"
wine_env "$bits"
seconds=20
most_per_second=2

printf '[Image]\r\nNO=1\r\n[Config]\r\n\x95\x5c\x8e\xa6\x8a\xd4\x8a\x75=300\r\n' \
    >"$WINEPREFIX/drive_c/windows/velmor.INI"
"$root/tools/wine-run.sh" --arch "$bits" "$scr" /s >/dev/null 2>&1 &
saver=$!   # wine-run.sh execs Wine: this is the saver's process
trap 'kill "$saver" 2>/dev/null; wait "$saver" 2>/dev/null' EXIT

sleep 5   # the fade-in (2 s) and the next picture's decode are over
if ! kill -0 "$saver" 2>/dev/null; then
    echo "steady_wakeups: the saver did not start or ended early"
    exit 1
fi
count=$(bash "$here/count_wakeups.sh" "$seconds" "$saver") || exit 1
echo "steady_wakeups: $count voluntary context switches in ${seconds} s" \
     "(at most $((most_per_second * seconds)) allowed)"
[ "$count" -le $((most_per_second * seconds)) ]
