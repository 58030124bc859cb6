#!/usr/bin/env bash
# Runs a command (a Windows program under tools/wine-run.sh) in a new, empty
# Wine prefix, as on a machine where velmor was never installed, then ends
# that prefix's Wine session.
#   fresh_prefix.sh PREFIX-DIRECTORY COMMAND...
prefix=$1
shift
case "$prefix" in
    */package-prefix) ;;
    *) echo "fresh_prefix: refusing to empty $prefix (not a package-prefix directory)" >&2; exit 2 ;;
esac
rm -rf "$prefix"
export VELMOR_WINEPREFIX=$prefix
"$@"
code=$?
WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
exit $code
