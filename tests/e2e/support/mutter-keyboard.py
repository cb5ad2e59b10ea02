#!/usr/bin/python3
"""A keyboard for a headless Mutter, made through its RemoteDesktop D-Bus interface.

  mutter-keyboard.py FIFO

Creates a remote-desktop session (it lives as long as this process's bus connection), prints
"ready" once it started, then reads lines from FIFO, each a JSON array of wtype's arguments
(-M MOD, -m MOD, -k KEYSYM_NAME, -d MS, -s MS, TEXT), types them and prints "done N" for the Nth line.
"""
import ctypes
import json
import os
import sys
import time

from gi.repository import Gio, GLib

MODIFIERS = {"ctrl": "Control_L", "shift": "Shift_L", "alt": "Alt_L", "logo": "Super_L", "win": "Super_L"}
xkb = ctypes.CDLL("libxkbcommon.so.0")
xkb.xkb_keysym_from_name.restype = ctypes.c_uint32
xkb.xkb_keysym_from_name.argtypes = [ctypes.c_char_p, ctypes.c_int]
xkb.xkb_utf32_to_keysym.restype = ctypes.c_uint32
xkb.xkb_utf32_to_keysym.argtypes = [ctypes.c_uint32]


def main():
    fifo = sys.argv[1]
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def call(path, interface, method, args=None, reply="()"):
        return bus.call_sync("org.gnome.Mutter.RemoteDesktop", path, interface, method, args,
                             GLib.VariantType(reply), Gio.DBusCallFlags.NONE, 10000, None)

    # Mutter owns the name a moment after its socket appears.
    for _ in range(100):
        try:
            session = call("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop", "CreateSession",
                           None, "(o)").unpack()[0]
            break
        except GLib.Error:
            time.sleep(0.1)
    else:
        print("no RemoteDesktop interface", flush=True)
        return 1
    call(session, "org.gnome.Mutter.RemoteDesktop.Session", "Start")

    def key(keysym, pressed):
        call(session, "org.gnome.Mutter.RemoteDesktop.Session", "NotifyKeyboardKeysym",
             GLib.Variant("(ub)", (keysym, pressed)))

    def tap(keysym, delay):
        key(keysym, True)
        key(keysym, False)
        time.sleep(delay)

    def named(name):
        return xkb.xkb_keysym_from_name(name.encode(), 0)

    os.mkfifo(fifo, 0o622)
    print("ready", flush=True)
    done = 0
    while True:
        with open(fifo) as lines:
            for line in lines:
                args = json.loads(line)
                delay = 0.02
                i = 0
                while i < len(args):
                    arg = args[i]
                    if arg in ("-M", "-m"):
                        key(named(MODIFIERS.get(args[i + 1], args[i + 1])), arg == "-M")
                        i += 1
                    elif arg == "-k":
                        tap(named(args[i + 1]), delay)
                        i += 1
                    elif arg == "-d":
                        delay = int(args[i + 1]) / 1000
                        i += 1
                    elif arg == "-s":
                        time.sleep(int(args[i + 1]) / 1000)
                        i += 1
                    else:
                        for character in arg:
                            tap(xkb.xkb_utf32_to_keysym(ord(character)), delay)
                    i += 1
                done += 1
                print("done", done, flush=True)


if __name__ == "__main__":
    sys.exit(main())
