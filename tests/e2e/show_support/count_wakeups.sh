#!/usr/bin/env bash
# Prints how often a running saver woke over SECONDS: the voluntary context
# switches of all its threads (each one a wait that ended), from /proc.
#   count_wakeups.sh SECONDS PID
#   count_wakeups.sh SECONDS --path SAVER
# With --path, the one process running SAVER (a Unix path; a Windows
# program started by another shows its Windows path, Z:\..., as its
# command line).  Exits 1 when there is not exactly one such process, or
# when it ends during the count.
set -u
seconds=$1
pid=$2
if [ "$pid" = --path ]; then
    unix=$3
    windows="Z:${unix//\//\\}"
    pids=()
    for p in $(pgrep -f 'velmor\.scr' || true); do
        line=$({ tr "\\0" " " <"/proc/$p/cmdline"; } 2>/dev/null) || continue
        case "$line" in
            "$unix "* | "$windows "*) pids+=("$p") ;;
        esac
    done
    if [ ${#pids[@]} != 1 ]; then
        echo "count_wakeups: not one process running $unix: '${pids[*]}'" >&2
        exit 1
    fi
    pid=${pids[0]}
fi
# "THREAD-ID SWITCHES" for each thread of the saver.
switches() {
    local status
    for status in /proc/"$pid"/task/*/status; do
        awk '/^Pid:/ { id = $2 } /^voluntary_ctxt_switches/ { print id, $2 }' "$status" 2>/dev/null
    done
}
before=$(switches)
sleep "$seconds"
after=$(switches)
if ! kill -0 "$pid" 2>/dev/null; then
    echo "count_wakeups: the saver ended during the count" >&2
    exit 1
fi
# The switches of the threads there at the end since the start (or since
# they began); a thread that ended meanwhile (a loader thread after its
# decode) takes its count with it and is not counted.
awk 'NR == FNR { seen[$1] = $2; next } { n += $2 - ($1 in seen ? seen[$1] : 0) } END { print n + 0 }' \
    <(echo "$before") <(echo "$after")
