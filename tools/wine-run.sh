#!/usr/bin/env bash
# Runs a Windows program under Wine with the Japanese locale (ANSI code page
# 932) of the saver's home system, and exits with the program's exit code.
#   tools/wine-run.sh [--arch 32|64] PROGRAM [ARGUMENTS...]
# --arch names the program's bitness (the build tree's); without it, the Wine
# this machine runs (tools/wine-arch.sh).  A program that Wine cannot start
# fails with a one-line reason, never silently.
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" = --arch ]; then
    bits=$2
    shift 2
else
    bits=$("$here/wine-arch.sh") || exit 125
fi
. "$here/wine-env.sh"
wine_env "$bits"
if [ "$bits" = 32 ] && ! "$WINE_LOADER" --version >/dev/null 2>&1; then
    echo "wine-run: cannot run $1: this machine cannot execute i386 code (32-bit Wine)" >&2
    exit 126
fi
if ! wine_prefix_ready; then
    echo "wine-run: cannot create the Wine prefix $WINEPREFIX" >&2
    exit 125
fi
export LANG=${VELMOR_LANG:-ja_JP.UTF-8}
export LC_ALL=$LANG
exec "$WINE_LOADER" "$@"
