#!/usr/bin/env python3
"""Runs a command with the X pointer held at a given screen position.

Usage: pointer_at.py X Y [COMMAND [ARGS...]]

Wine on Xvfb does not move the X pointer itself (its moves only change what
Windows programs are told until it reads the X pointer again), and Xvfb puts
the pointer back at the centre whenever its last client disconnects.  This
warps the pointer through Xlib and keeps the connection open while the
command runs, so that a window appearing under the pointer is told exactly
that position.  The command's exit code is returned.  Without a command it
only moves the pointer there, as a user does (a server that does not reset,
like the Xorg of tools/xorg-monitors.sh, keeps it there).
"""
import ctypes
import subprocess
import sys


def main():
    x, y = int(sys.argv[1]), int(sys.argv[2])
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XWarpPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                  ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                  ctypes.c_int, ctypes.c_int]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(None)
    if not display:
        print("pointer_at: cannot open the X display", file=sys.stderr)
        return 2
    xlib.XWarpPointer(display, 0, xlib.XDefaultRootWindow(display), 0, 0, 0, 0, x, y)
    xlib.XSync(display, 0)
    if len(sys.argv) == 3:
        xlib.XCloseDisplay(display)
        return 0
    try:
        return subprocess.call(sys.argv[3:])
    finally:
        xlib.XCloseDisplay(display)


if __name__ == "__main__":
    sys.exit(main())
