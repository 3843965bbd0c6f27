#!/usr/bin/python3
"""Asks the top-level windows of an X display whose title starts with a
given text to close, as a window manager's close button does
(WM_DELETE_WINDOW). Prints how many were asked; exit 1 when none matched.

    close_window.py DISPLAY TITLE_PREFIX
"""
import ctypes
import sys


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("l", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def main():
    display_name, prefix = sys.argv[1].encode(), sys.argv[2].encode()
    x = ctypes.cdll.LoadLibrary("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                             ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                             ctypes.POINTER(ctypes.c_uint)]
    x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = x.XOpenDisplay(display_name)
    if not display:
        print("cannot open display", display_name.decode())
        return 2
    root = x.XDefaultRootWindow(display)
    protocols = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
    delete = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    root_out, parent_out = ctypes.c_ulong(), ctypes.c_ulong()
    children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
    x.XQueryTree(display, root, ctypes.byref(root_out), ctypes.byref(parent_out), ctypes.byref(children),
                 ctypes.byref(count))
    asked = 0
    for i in range(count.value):
        name = ctypes.c_char_p()
        if not x.XFetchName(display, children[i], ctypes.byref(name)) or not name.value:
            continue
        if not name.value.startswith(prefix):
            continue
        event = XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = children[i]
        event.xclient.message_type = protocols
        event.xclient.format = 32
        event.xclient.l[0] = delete
        x.XSendEvent(display, children[i], 0, 0, ctypes.byref(event))
        asked += 1
    x.XFlush(display)
    x.XCloseDisplay(display)
    print(asked)
    return 0 if asked else 1


if __name__ == "__main__":
    sys.exit(main())
