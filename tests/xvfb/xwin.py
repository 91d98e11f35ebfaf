#!/usr/bin/env python3
"""What the interactive-host test needs of the X server beyond xdotool, through libX11 itself:
  xwin.py close WINDOW   asks a window to close, as a window manager's close box does
  xwin.py shot FILE      writes the whole screen as a PNG
"""
import ctypes
import struct
import sys
import zlib

x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
x.XGetImage.restype = ctypes.c_void_p
x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                        ctypes.c_ulong, ctypes.c_int]
x.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
x.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("l", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


def display():
    d = x.XOpenDisplay(None)
    if not d:
        sys.exit("xwin.py: cannot open the display")
    return d


def close(window):
    d = display()
    ev = ClientMessage()
    ev.type = 33  # ClientMessage
    ev.window = window
    ev.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
    ev.format = 32
    ev.l[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
    ev.l[1] = 0  # CurrentTime
    x.XSendEvent(d, window, 0, 0, ctypes.byref(ev))
    x.XFlush(d)
    x.XCloseDisplay(d)


def shot(path):
    d = display()
    w, h = x.XDisplayWidth(d, 0), x.XDisplayHeight(d, 0)
    p = x.XGetImage(d, x.XDefaultRootWindow(d), 0, 0, w, h, 0xFFFFFFFF, 2)  # ZPixmap
    if not p:
        sys.exit("xwin.py: cannot read the screen")
    img = ctypes.cast(p, ctypes.POINTER(XImage)).contents
    if img.bits_per_pixel != 32:
        sys.exit("xwin.py: %d bits per pixel are not supported" % img.bits_per_pixel)
    raw = ctypes.string_at(img.data, img.bytes_per_line * h)
    rows = bytearray()
    for y in range(h):
        line = raw[y * img.bytes_per_line:y * img.bytes_per_line + 4 * w]
        rgb = bytearray(3 * w)
        rgb[0::3] = line[2::4]  # BGRX in memory
        rgb[1::3] = line[1::4]
        rgb[2::3] = line[0::4]
        rows += b"\0" + rgb

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 6)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)
    x.XCloseDisplay(d)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "close":
        close(int(sys.argv[2], 0))
    elif len(sys.argv) == 3 and sys.argv[1] == "shot":
        shot(sys.argv[2])
    else:
        sys.exit(__doc__)
