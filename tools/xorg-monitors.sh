#!/usr/bin/env bash
# Several monitors for Wine.  Xvfb gives Wine one monitor; a private Xorg
# with the dummy video driver gives it as many as it has RandR outputs
# (DUMMY0 to DUMMY15), each one set here to a mode of the size asked for.
#
#   tools/xorg-monitors.sh run LAYOUT COMMAND [ARGS...]
#       starts Xorg on a free display with LAYOUT and its root painted
#       magenta (a monitor that no window covers shows it), runs COMMAND with
#       DISPLAY naming that server, then ends the Wine session of the
#       command's prefix (VELMOR_WINEPREFIX, else WINEPREFIX) and the server.
#       Exits with COMMAND's exit code, or 125 when the server did not start.
#   tools/xorg-monitors.sh layout LAYOUT
#       sets LAYOUT on the server that DISPLAY names: a display change.
#
# LAYOUT is a comma-separated list of monitors, each WIDTHxHEIGHT+X+Y in the
# X screen's coordinates, the primary monitor first; outputs not named are
# switched off.  Wine puts the primary's top-left corner at 0,0, so
# "1024x768+1280+0,1280x1024+0+0" is a 1280x1024 monitor to the left of a
# 1024x768 primary, which Windows programs see at -1280,0.
#
# Xorg runs as root, without a console or input devices.  Wine takes its
# monitors from the X server that its wineserver first served: a prefix whose
# wineserver is running on another display sees that display's monitors, so
# COMMAND should use a prefix of its own.
set -uo pipefail

fail() { echo "xorg-monitors: $*" >&2; exit 125; }

# A modeline of WIDTH x HEIGHT at 60 Hz with small blanking intervals (the
# dummy driver shows whatever it is given): "CLOCK-MHZ H... V... flags".
modeline() {
    local w=$1 h=$2 khz
    khz=$(( (w + 160) * (h + 30) * 60 / 1000 ))
    printf '%d.%03d %d %d %d %d %d %d %d %d +hsync +vsync' $((khz / 1000)) $((khz % 1000)) \
        "$w" $((w + 48)) $((w + 80)) $((w + 160)) "$h" $((h + 3)) $((h + 7)) $((h + 30))
}

set_layout() {
    local layout=$1 monitor name k=0 monitors=() args=()
    IFS=, read -ra monitors <<<"$layout"
    [ ${#monitors[@]} -ge 1 ] && [ ${#monitors[@]} -le 16 ] || {
        echo "xorg-monitors: a layout has 1 to 16 monitors, not '$layout'" >&2
        return 2
    }
    for monitor in "${monitors[@]}"; do
        if [[ ! $monitor =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]]; then
            echo "xorg-monitors: '$monitor' is not WIDTHxHEIGHT+X+Y" >&2
            return 2
        fi
        name="velmor${BASH_REMATCH[1]}x${BASH_REMATCH[2]}"
        # A mode made before is kept by the server; making it again fails.
        # shellcheck disable=SC2046
        xrandr --newmode "$name" $(modeline "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}") 2>/dev/null
        xrandr --addmode "DUMMY$k" "$name" || return 1
        args+=(--output "DUMMY$k" --mode "$name" --pos "${BASH_REMATCH[3]}x${BASH_REMATCH[4]}")
        [ $k = 0 ] && args+=(--primary)
        k=$((k + 1))
    done
    for ((; k < 16; k++)); do args+=(--output "DUMMY$k" --off); done
    xrandr "${args[@]}" || return 1
    # An output given its first mode stays "disconnected" for clients that
    # read only the server's current state, as Wine does, until a client
    # has the server probe its outputs again: Wine would see one monitor.
    xrandr -q >/dev/null || return 1
    xsetroot -solid '#ff00ff'
}

write_config() {
    cat >"$1" <<'EOF'
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    # kB: room for the largest root window below at 4 bytes a pixel
    VideoRam 65536
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 4096 4096
    EndSubSection
EndSection
EOF
}

xorg_pid=""
xorg_dir=""
stop_all() {
    local prefix=${VELMOR_WINEPREFIX:-${WINEPREFIX:-}}
    # Wine first: a wineserver that loses its X server mid-way leaves its
    # programs hanging.
    if [ -n "$prefix" ] && [ -f "$prefix/system.reg" ]; then
        WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
        WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1
    fi
    if [ -n "$xorg_pid" ]; then
        kill "$xorg_pid" 2>/dev/null
        for _ in $(seq 100); do kill -0 "$xorg_pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$xorg_pid" 2>/dev/null
        wait "$xorg_pid" 2>/dev/null
        xorg_pid=""
    fi
    [ -n "$xorg_dir" ] && rm -rf "$xorg_dir"
    xorg_dir=""
}

run() {
    local layout=$1 fdfile display code
    shift
    [ $# -ge 1 ] || fail "run needs a command"
    [ "$(id -u)" = 0 ] || fail "Xorg without a console runs only as root"
    command -v Xorg >/dev/null && command -v xrandr >/dev/null && command -v xsetroot >/dev/null ||
        fail "Xorg, xrandr or xsetroot missing (bash tools/setup.sh installs them)"
    xorg_dir=$(mktemp -d)
    trap stop_all EXIT
    trap 'exit 130' INT TERM
    write_config "$xorg_dir/xorg.conf"
    fdfile="$xorg_dir/display"
    Xorg -displayfd 3 -config "$xorg_dir/xorg.conf" -noreset -nolisten tcp \
         -logfile "$xorg_dir/xorg.log" 3>"$fdfile" >/dev/null 2>&1 &
    xorg_pid=$!
    for _ in $(seq 100); do
        [ -s "$fdfile" ] && break
        kill -0 "$xorg_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$fdfile" ] || fail "Xorg did not start ($(grep -m1 '(EE)' "$xorg_dir/xorg.log" 2>/dev/null))"
    display=":$(head -n1 "$fdfile")"
    export DISPLAY=$display
    export VELMOR_NO_WINDOW_MANAGER=1  # see wine_unmanaged_windows
    xrandr -q >/dev/null 2>&1 || fail "Xorg on $display does not answer"
    set_layout "$layout" || fail "could not set the layout $layout"
    "$@"
    code=$?
    stop_all
    return $code
}

case "${1:-}" in
    run)
        [ $# -ge 3 ] || fail "usage: xorg-monitors.sh run LAYOUT COMMAND [ARGS...]"
        shift
        run "$@"
        exit $?
        ;;
    layout)
        [ $# -eq 2 ] || fail "usage: xorg-monitors.sh layout LAYOUT"
        [ -n "${DISPLAY:-}" ] || fail "DISPLAY names no X server"
        set_layout "$2"
        exit $?
        ;;
    *) fail "usage: xorg-monitors.sh run LAYOUT COMMAND [ARGS...] | layout LAYOUT" ;;
esac
