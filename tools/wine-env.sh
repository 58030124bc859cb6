# Sourced by the Wine scripts: wine_env BITS sets up the environment for the
# Wine of that bitness (32 or 64) and its own prefix in build/, and puts the
# Wine loader to use in WINE_LOADER.  VELMOR_WINEPREFIX names another prefix
# (a fresh one for the installer tests, say).
wine_env() {
    local bits=$1 root
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    export WINEPREFIX=${VELMOR_WINEPREFIX:-$root/build/wineprefix$bits}
    export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
    if [ "$bits" = 64 ]; then
        export WINEARCH=win64
        WINE_LOADER=/usr/lib/wine/wine64
    else
        export WINEARCH=win32
        WINE_LOADER=/usr/lib/wine/wine
    fi
}

# Creates the prefix of wine_env once (about 10 s); later calls return at once.
wine_prefix_ready() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        "$WINE_LOADER" wineboot -i >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
        [ -f "$WINEPREFIX/system.reg" ] || return 1
    fi
    wine_unmanaged_windows
}

# Xvfb and the private Xorg run no window manager (they export
# VELMOR_NO_WINDOW_MANAGER=1), but Wine hands its top-level windows (a
# full-screen one among them) to one, and at each hide or destroy of such a
# window waits two seconds for it to answer.  There, Managed=N has Wine place
# its windows itself: a saver's exit, or a test window's end, then takes no
# two seconds.  On a desktop with a window manager (tools/run.sh on the
# user's display) the windows are managed, as Wine's default has them.  The
# marker file holds what the prefix is set to: the wineserver writes the
# registry files only when it ends.
wine_unmanaged_windows() {
    local marker=$WINEPREFIX/.velmor-managed wanted=Y
    [ -n "${VELMOR_NO_WINDOW_MANAGER:-}" ] && wanted=N
    [ "$(cat "$marker" 2>/dev/null)" = "$wanted" ] && return 0
    "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$wanted" /f \
        >/dev/null 2>&1 && echo "$wanted" >"$marker"
}
