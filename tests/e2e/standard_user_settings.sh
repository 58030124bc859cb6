#!/usr/bin/env bash
# Runs standard_user_settings_test.cpp as a standard user would: as the
# unprivileged Unix user velmor-user (made by tools/setup.sh), in a Wine
# prefix that user owns and whose drive_c/windows it cannot write.  First
# without a settings file in that Windows directory, then with one.
#   standard_user_settings.sh PREFIX-DIRECTORY BITS PROGRAM SAVER
# Runs as root (to switch users and to put the file in place).  The prefix
# is made once and reused.
set -u
prefix=$1 bits=$2 program=$3 saver=$4
user=velmor-user
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() {
    echo "standard_user_settings: $*" >&2
    exit 1
}

case "$prefix" in
    */standard-user-prefix) ;;
    *) fail "refusing to use $prefix (not a standard-user-prefix directory)" ;;
esac
[ "$(id -u)" = 0 ] || fail "must run as root, to run the test as $user"
home=$(getent passwd "$user" | cut -d: -f6)
[ -n "$home" ] || fail "there is no user $user (tools/setup.sh makes it)"
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY to run on"

as_user() {
    runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" PATH="$PATH" \
        DISPLAY="$DISPLAY" WINEPREFIX="$prefix" VELMOR_WINEPREFIX="$prefix" \
        ${VELMOR_LANG:+VELMOR_LANG="$VELMOR_LANG"} \
        ${VELMOR_NO_WINDOW_MANAGER:+VELMOR_NO_WINDOW_MANAGER=1} "$@"
}

for file in "$program" "$saver" "$root/tools/wine-run.sh"; do
    as_user test -r "$file" || fail "$user cannot read $file"
done
as_user xdpyinfo >/dev/null 2>&1 || fail "$user cannot connect to the X display $DISPLAY"

# A prefix of the user's own; Wine refuses one that another user owns.
if [ -e "$prefix" ] && [ "$(stat -c %U "$prefix")" != "$user" ]; then
    rm -rf "$prefix"
fi
if [ ! -d "$prefix" ]; then
    mkdir -p "$prefix" && chown "$user:" "$prefix" || fail "cannot make $prefix"
fi
windows=$prefix/drive_c/windows
[ -d "$windows" ] && chmod u+w "$windows"
as_user bash -c '. "$0/tools/wine-env.sh"; wine_env "$1"; wine_prefix_ready' "$root" "$bits" ||
    fail "cannot create the Wine prefix $prefix as $user"
trap 'as_user wineserver -k >/dev/null 2>&1' EXIT

# No settings anywhere, and a Windows directory the user cannot write.
rm -f "$windows/velmor.INI" "$windows/velmor_probe.INI"
rm -rf "$prefix/drive_c/users/$user/AppData/Local/VirtualStore"
chmod a-w "$windows"

# Runs one test case; it counts only when it ran and passed.
run_case() {
    local log code
    log=$(mktemp)
    as_user bash "$root/tools/wine-run.sh" --arch "$bits" "$program" --test-case="$1" 2>&1 |
        tee "$log"
    code=${PIPESTATUS[0]}
    grep -Eq 'test cases: *1 \| *1 passed' "$log" || code=1
    rm -f "$log"
    return "$code"
}

failed=0
run_case "without a Windows directory file*" || failed=1
# A file an administrator left there and made read-only (to everyone: the
# read-only attribute, which a copy takes over).
printf '[Image]\r\nNO=7\r\n[Config]\r\n\x95\x5c\x8e\xa6\x8a\xd4\x8a\x75=200\r\n' >"$windows/velmor.INI"
chmod 444 "$windows/velmor.INI"
run_case "a Windows directory file is read*" || failed=1
exit "$failed"
