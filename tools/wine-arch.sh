#!/usr/bin/env bash
# Prints which Wine this machine runs the Windows programs under: 32 where
# i386 code executes (the 32-bit velmor.scr under 32-bit Wine), 64 where it
# does not (the 64-bit build under wine64).  VELMOR_WINE_ARCH=64 forces the
# 64-bit path anywhere; VELMOR_WINE_ARCH=32 insists on the 32-bit one and
# fails where it cannot run.
set -u
i386_runs() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
case "${VELMOR_WINE_ARCH:-}" in
    64) echo 64 ;;
    32)
        if ! i386_runs; then
            echo "wine-arch: VELMOR_WINE_ARCH=32, but this machine cannot execute i386 code" >&2
            exit 1
        fi
        echo 32 ;;
    "") if i386_runs; then echo 32; else echo 64; fi ;;
    *)
        echo "wine-arch: VELMOR_WINE_ARCH must be 32 or 64, not '$VELMOR_WINE_ARCH'" >&2
        exit 2 ;;
esac
