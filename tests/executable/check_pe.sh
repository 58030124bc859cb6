#!/usr/bin/env bash
# velmor.scr must be a 32-bit i386 GUI executable that imports only Windows'
# own DLLs and embeds no manifest asking for an execution level.
set -euo pipefail
scr=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
fail() { echo "FAIL: $*"; exit 1; }

headers=$("$objdump" -f "$scr")
grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 i386 file: $headers"
# Read the whole dump first: grep -q stops early, and under pipefail the
# writer's SIGPIPE would count as a failure once the dump is long.
private_headers=$("$objdump" -p "$scr")
grep -q 'Subsystem.*0*2.*(Windows GUI)' <<<"$private_headers" || fail "not a GUI subsystem executable"

allowed='^(kernel32|user32|gdi32|comdlg32|version|comctl32|msvcrt)\.dll$'
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$private_headers" | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || fail "no import table"
while read -r dll; do
    grep -Eq "$allowed" <<<"$dll" || fail "imports $dll"
done <<<"$dlls"

if strings -a "$scr" | grep -q 'requestedExecutionLevel'; then
    fail "embeds a manifest with requestedExecutionLevel"
fi
echo "ok: $(tr '\n' ' ' <<<"$dlls")"
