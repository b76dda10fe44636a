#!/usr/bin/python3
"""Owns the X11 CLIPBOARD the way a desktop program does, for desktop tests and measurements.

Offers one text (UTF8_STRING), optionally marked as a password manager's secret
(x-kde-passwordManagerHint = "secret"). Logs the target of every request it serves, one per line. With --freeze it
stops itself (SIGSTOP) as soon as it holds the selection, like a program that hangs. Ends when another program takes
the selection; with --held it then appends how long it held it, in milliseconds.

Usage: clipboard_owner.py --text TEXT [--secret] [--freeze] [--log FILE] [--ready FILE] [--held FILE]
"""
import argparse
import ctypes
import os
import signal
import sys
import time
from ctypes import POINTER, Structure, Union, byref, c_char_p, c_int, c_long, c_ubyte, c_ulong, c_void_p

SELECTION_CLEAR = 29
SELECTION_REQUEST = 30
SELECTION_NOTIFY = 31
PROP_MODE_REPLACE = 0
CURRENT_TIME = 0
NONE = 0


class SelectionRequest(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("owner", c_ulong), ("requestor", c_ulong), ("selection", c_ulong), ("target", c_ulong),
                ("property", c_ulong), ("time", c_ulong)]


class SelectionNotify(Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int), ("display", c_void_p),
                ("requestor", c_ulong), ("selection", c_ulong), ("target", c_ulong), ("property", c_ulong),
                ("time", c_ulong)]


class Event(Union):
    _fields_ = [("type", c_int), ("request", SelectionRequest), ("notify", SelectionNotify), ("pad", c_long * 24)]


def load_xlib():
    x = ctypes.cdll.LoadLibrary("libX11.so.6")
    x.XOpenDisplay.restype = c_void_p
    x.XOpenDisplay.argtypes = [c_char_p]
    x.XDefaultRootWindow.restype = c_ulong
    x.XDefaultRootWindow.argtypes = [c_void_p]
    x.XCreateSimpleWindow.restype = c_ulong
    x.XCreateSimpleWindow.argtypes = [c_void_p, c_ulong, c_int, c_int, ctypes.c_uint, ctypes.c_uint,
                                      ctypes.c_uint, c_ulong, c_ulong]
    x.XInternAtom.restype = c_ulong
    x.XInternAtom.argtypes = [c_void_p, c_char_p, c_int]
    x.XGetAtomName.restype = c_void_p
    x.XGetAtomName.argtypes = [c_void_p, c_ulong]
    x.XFree.argtypes = [c_void_p]
    x.XSetSelectionOwner.argtypes = [c_void_p, c_ulong, c_ulong, c_ulong]
    x.XGetSelectionOwner.restype = c_ulong
    x.XGetSelectionOwner.argtypes = [c_void_p, c_ulong]
    x.XNextEvent.argtypes = [c_void_p, POINTER(Event)]
    x.XChangeProperty.argtypes = [c_void_p, c_ulong, c_ulong, c_ulong, c_int, c_int, c_void_p, c_int]
    x.XSendEvent.argtypes = [c_void_p, c_ulong, c_int, c_long, POINTER(Event)]
    x.XSync.argtypes = [c_void_p, c_int]
    x.XFlush.argtypes = [c_void_p]
    return x


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--text", required=True)
    parser.add_argument("--secret", action="store_true")
    parser.add_argument("--freeze", action="store_true")
    parser.add_argument("--log")
    parser.add_argument("--ready")
    parser.add_argument("--held")
    args = parser.parse_args()

    x = load_xlib()
    display = x.XOpenDisplay(None)
    if not display:
        sys.exit("no display")
    atom = lambda name: x.XInternAtom(display, name.encode(), 0)
    clipboard, targets, utf8 = atom("CLIPBOARD"), atom("TARGETS"), atom("UTF8_STRING")
    hint, atom_type = atom("x-kde-passwordManagerHint"), atom("ATOM")
    window = x.XCreateSimpleWindow(display, x.XDefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)

    offered = [targets, utf8] + ([hint] if args.secret else [])
    values = {utf8: args.text.encode(), hint: b"secret"}

    x.XSetSelectionOwner(display, clipboard, window, CURRENT_TIME)
    x.XSync(display, 0)
    taken = time.monotonic()
    if x.XGetSelectionOwner(display, clipboard) != window:
        sys.exit("could not take the clipboard")
    if args.ready:
        open(args.ready, "w").close()
    if args.freeze:
        os.kill(os.getpid(), signal.SIGSTOP)

    event = Event()
    while True:
        x.XNextEvent(display, byref(event))
        if event.type == SELECTION_CLEAR:
            if args.held:
                with open(args.held, "a") as held:
                    held.write("%.1f\n" % ((time.monotonic() - taken) * 1000))
            return
        if event.type != SELECTION_REQUEST:
            continue
        request = event.request
        if args.log:
            name = x.XGetAtomName(display, request.target)
            with open(args.log, "a") as log:
                log.write(ctypes.string_at(name).decode() + "\n")
            x.XFree(name)
        prop = request.property if request.property != NONE else request.target
        if request.target == targets:
            array = (c_ulong * len(offered))(*offered)
            x.XChangeProperty(display, request.requestor, prop, atom_type, 32, PROP_MODE_REPLACE, array,
                              len(offered))
        elif request.target in values and request.target in offered:
            data = values[request.target]
            buffer = (c_ubyte * len(data)).from_buffer_copy(data)
            x.XChangeProperty(display, request.requestor, prop, utf8, 8, PROP_MODE_REPLACE, buffer, len(data))
        else:
            prop = NONE
        reply = Event()
        reply.notify.type = SELECTION_NOTIFY
        reply.notify.requestor = request.requestor
        reply.notify.selection = request.selection
        reply.notify.target = request.target
        reply.notify.property = prop
        reply.notify.time = request.time
        x.XSendEvent(display, request.requestor, 0, 0, byref(reply))
        x.XFlush(display)


if __name__ == "__main__":
    main()
