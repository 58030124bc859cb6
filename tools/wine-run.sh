#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix, with the
# Japanese locale (ANSI code page 932) of the saver's home system.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${VELMOR_WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=${VELMOR_LANG:-ja_JP.UTF-8}
export LC_ALL=$LANG
exec wine "$@"
