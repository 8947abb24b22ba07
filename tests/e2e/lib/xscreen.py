"""What the end-to-end scripts see of the X screen and the input they fake there, through
libX11 and the XTest extension (no Python X bindings are needed)."""
import ctypes
import hashlib

_x11 = ctypes.CDLL("libX11.so.6")
_xtest = ctypes.CDLL("libXtst.so.6")
_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XGetImage.restype = ctypes.c_void_p
_x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                           ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XDestroyImage.argtypes = [ctypes.c_void_p]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_xtest.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                        ctypes.c_int, ctypes.c_ulong]
_xtest.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                        ctypes.c_ulong]
_display = _x11.XOpenDisplay(None)
_root = _x11.XDefaultRootWindow(_display)


def region(x, y, w, h):
    """A digest of the screen's pixels in the rectangle, to tell whether they changed."""
    # XImage: width, height, xoffset, format (ints), then the data pointer; bytes_per_line is
    # the eleventh int-sized field after it.
    image = _x11.XGetImage(_display, _root, x, y, w, h, 0xFFFFFFFF, 2)
    data = ctypes.c_void_p.from_address(image + 16).value
    bytes_per_line = ctypes.c_int.from_address(image + 44).value
    digest = hashlib.md5(ctypes.string_at(data, bytes_per_line * h)).hexdigest()
    _x11.XDestroyImage(image)
    return digest


def move(x, y):
    """Moves the pointer to the screen position, as a real mouse would."""
    _xtest.XTestFakeMotionEvent(_display, -1, x, y, 0)
    _x11.XSync(_display, 0)


def left_button(down):
    """Presses or releases the left button where the pointer is."""
    _xtest.XTestFakeButtonEvent(_display, 1, 1 if down else 0, 0)
    _x11.XSync(_display, 0)
