# Sourced by the run and test scripts: starts a private Xvfb at 800x600x24 on
# a free display, exports DISPLAY, and stops it (and Wine) on exit.
start_xvfb() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    VELMOR_XVFB_PID=$!
    for _ in $(seq 50); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
    trap stop_xvfb EXIT
}

stop_xvfb() {
    "$VELMOR_ROOT/tools/wine-run.sh" wineboot --end-session >/dev/null 2>&1 || true
    WINEPREFIX=${VELMOR_WINEPREFIX:-$VELMOR_ROOT/build/wineprefix} wineserver -k >/dev/null 2>&1 || true
    [ -n "${VELMOR_XVFB_PID:-}" ] && kill "$VELMOR_XVFB_PID" 2>/dev/null || true
}
