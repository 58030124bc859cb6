#!/usr/bin/env bash
# velmor.scr must be a GUI executable of its build's kind (32: PE32 for
# i386; 64: PE32+ for x86-64) that imports only Windows' own DLLs and embeds
# no manifest asking for an execution level.
#   check_pe.sh SCR OBJDUMP 32|64
set -euo pipefail
scr=$1 objdump=$2 bits=$3
fail() { echo "FAIL: $*"; exit 1; }

format='pei-i386'
[ "$bits" = 64 ] && format='pei-x86-64'
headers=$("$objdump" -f "$scr")
grep -q "file format $format\$" <<<"$headers" || fail "not a $format file: $headers"
# Read the whole dump first: grep -q stops early, and under pipefail the
# writer's SIGPIPE would count as a failure once the dump is long.
private_headers=$("$objdump" -p "$scr")
magic='PE32'
[ "$bits" = 64 ] && magic='PE32\+'
grep -Eq "^Magic[[:space:]]+[0-9a-f]+[[:space:]]+\($magic\)" <<<"$private_headers" ||
    fail "optional header is not $magic"
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
echo "ok: $format, $(tr '\n' ' ' <<<"$dlls")"
