#!/usr/bin/env bash
# The fault sweep: makes the calls of velmor.scr to each watched Windows and
# C runtime function fail, at each call site in turn, once for one call
# (transient) and once for that call and every later one (persistent), and
# checks every run: no crash, no heap error under Wine's heap checking, no
# hang, the show on schedule again once the fault is gone, no leak, and a
# settings file that is unchanged or whole.  Prints a line per run, a table
# per function and "N passed, N failed"; exits non-zero when a run failed
# or could not run.  See tests/faults/.
#   tools/fault-sweep.sh [--arch 32|64] [--build DIR] [--slice] [--only FUNCTION]
#   tools/fault-sweep.sh [--arch 32|64] [--build DIR] --run SCENARIO PLAN
# --build names a Windows build tree (by default build/win32 or build/win64,
# as tools/wine-arch.sh picks); its app/velmor.scr and tests/faults programs
# are the ones run.  --slice runs the cheapest call site of each function
# only; --run repeats one run as a failed run's report gives it.  Runs on the
# current DISPLAY, or on a private Xvfb when there is none.
set -uo pipefail
VELMOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export VELMOR_ROOT

bits=""
build=""
args=()
while [ $# -gt 0 ]; do
    case "$1" in
        --arch) bits=$2; shift 2 ;;
        --build) build=$2; shift 2 ;;
        --slice) args+=(--slice); shift ;;
        --only) args+=(--only "$2"); shift 2 ;;
        --run) args+=(--run "$2" "$3"); shift 3 ;;
        *) echo "fault-sweep: unknown option $1" >&2; exit 2 ;;
    esac
done
[ -n "$bits" ] || bits=$("$VELMOR_ROOT/tools/wine-arch.sh") || exit 1
[ -n "$build" ] || build=$VELMOR_ROOT/build/win$bits
build=$(cd "$build" 2>/dev/null && pwd) || { echo "fault-sweep: no build tree $build" >&2; exit 1; }
scr=$build/app/velmor.scr
sweep=$build/tests/faults/fault_sweep.exe
for file in "$scr" "$sweep" "$build/tests/faults/velmor_faults.dll"; do
    [ -f "$file" ] || { echo "fault-sweep: $file is missing: build $build first" >&2; exit 1; }
done
if [ "$bits" = 32 ]; then triplet=i686-w64-mingw32; else triplet=x86_64-w64-mingw32; fi

work=$(mktemp -d)
cleanup() {
    [ -n "${VELMOR_XVFB_PID:-}" ] && stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    . "$VELMOR_ROOT/tools/xvfb.sh"
    start_xvfb || exit 1
    trap cleanup EXIT
fi

# The saver's code symbols as offsets into its image, for the report and
# for the runtime's operator new.
base=$("$triplet-objdump" -p "$scr" | awk '$1 == "ImageBase" {print $2}')
"$triplet-nm" -C --defined-only -n "$scr" | python3 -c '
import sys
base = int(sys.argv[1], 16)
for line in sys.stdin:
    parts = line.rstrip("\n").split(" ", 2)
    if len(parts) == 3 and parts[1] in ("t", "T"):
        print("%x %s" % (int(parts[0], 16) - base, parts[2]))
' "$base" >"$work/symbols"

# A Wine prefix of the sweep's own, in the build tree: its settings files
# are the sweep's, Wine manages no window in it, and a saver that crashes
# ends at once with its exception code: Wine starts the debugger named in
# AeDebug whatever the error mode says (and its own winedbg when none is
# named), so the one named here is none that exists.  Without a window
# manager (Xvfb has none) Wine waits 2 s for one whenever a managed window
# goes, which would double the sweep's time.
export VELMOR_WINEPREFIX=$build/tests/faults/fault-prefix
no_debugger=velmor-fault-sweep-no-debugger
prefix_ready() {
    grep -qs '"Managed"="N"' "$VELMOR_WINEPREFIX/user.reg" &&
        grep -qs "\"Debugger\"=\"$no_debugger\"" "$VELMOR_WINEPREFIX/system.reg"
}
if ! prefix_ready; then
    wine_reg() { "$VELMOR_ROOT/tools/wine-run.sh" --arch "$bits" reg add "$@" /f >/dev/null 2>&1; }
    wine_reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
    wine_reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d "$no_debugger"
    WINEPREFIX=$VELMOR_WINEPREFIX wineserver -w
    prefix_ready || { echo "fault-sweep: cannot set up the Wine prefix $VELMOR_WINEPREFIX" >&2; exit 1; }
fi

windows_path() { echo "Z:${1//\//\\}"; }
# Wine's heap checking for every saver; their standard error (Wine's
# reports) goes to a file the sweep reads after each run.
WINEDEBUG=-all,err+heap,warn+heap "$VELMOR_ROOT/tools/wine-run.sh" --arch "$bits" "$sweep" \
    --log "$(windows_path "$work/saver.log")" --symbols "$(windows_path "$work/symbols")" \
    "${args[@]}" 2>"$work/saver.log"
status=$?
WINEPREFIX=$VELMOR_WINEPREFIX wineserver -k >/dev/null 2>&1
exit $status
