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
    if [ ! -s "$fdfile" ]; then
        echo "xvfb: Xvfb did not start" >&2
        rm -f "$fdfile"
        return 1
    fi
    export DISPLAY=":$(head -n1 "$fdfile")"
    export VELMOR_NO_WINDOW_MANAGER=1  # see wine_unmanaged_windows
    rm -f "$fdfile"
    trap stop_xvfb EXIT
}

# Ends the Wine sessions of both project prefixes (and of VELMOR_WINEPREFIX),
# then the X server.
stop_xvfb() {
    local prefix
    for prefix in "$VELMOR_ROOT/build/wineprefix32" "$VELMOR_ROOT/build/wineprefix64" \
                  ${VELMOR_WINEPREFIX:+"$VELMOR_WINEPREFIX"}; do
        [ -f "$prefix/system.reg" ] && WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    done
    [ -n "${VELMOR_XVFB_PID:-}" ] && kill "$VELMOR_XVFB_PID" 2>/dev/null
    return 0
}
