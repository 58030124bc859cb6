#!/usr/bin/env bash
# How CTest runs a Windows program: tools/wine-run.sh (same arguments), with
# the program's standard output and error kept in files and passed on when
# it ends.  Wine starts its session's own processes (services, devices, the
# desktop) from whichever program first needs them, and they inherit that
# program's Unix standard output and error: where those were CTest's pipes,
# CTest waited for the test until the session ended, minutes later, one of
# its two slots idle meanwhile.
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp)
err=$(mktemp)
"$here/wine-run.sh" "$@" >"$out" 2>"$err" </dev/null
code=$?
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit "$code"
