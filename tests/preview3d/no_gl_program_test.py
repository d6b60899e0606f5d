#!/usr/bin/env python3
"""The real program on a display without any OpenGL, driven as a user drives it.

    no_gl_program_test.py PATH/TO/gloamery

Starts the program with QT_XCB_GL_INTEGRATION=none on an X server of its
own (Xvfb), presses "3D" with the pointer, waits for the "ERRORE"
box, dismisses it with Return, closes the 3D view as the window manager's
close box would, then presses "Linear" and checks that the colour map on
screen changed. The program must stay alive throughout and exit cleanly
when its last window is closed. Talks to the X server through libX11 and
the XTEST extension (libxtst6), standard library only otherwise.

Exit status 0: passed; anything else: failed.
"""

import ctypes
import ctypes.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

TIMEOUT = 60.0  # seconds for each step; sanitizer builds start slowly

# Positions in the panel's grid (pixels from its top-left, which lies under
# the window's menu bar: see grid_top).
BUTTON_3D = (390, 700)       # "3D": 4020, 10320 twips, 3675 x 375
BUTTON_3D_RECT = (270, 690, 240, 21)
BUTTON_LINEAR = (52, 576)    # "Linear": 180, 8460 twips, 1215 x 375
COLOUR_MAP = (524, 4, 256, 256)  # Picture4 at 7860, 60 twips


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("l", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", ctypes.c_ulong), ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


class XImage(ctypes.Structure):  # the leading fields, up to bits_per_pixel
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


def load(name, soname):
    path = ctypes.util.find_library(name) or soname
    try:
        return ctypes.CDLL(path)
    except OSError as e:
        fail("cannot load %s (%s): install it (scripts/setup.sh)" % (soname, e))


x11 = load("X11", "libX11.so.6")
xtst = load("Xtst", "libXtst.so.6")
ulong, c_int, vp = ctypes.c_ulong, ctypes.c_int, ctypes.c_void_p
x11.XOpenDisplay.restype = vp
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ulong
x11.XDefaultRootWindow.argtypes = [vp]
x11.XInternAtom.restype = ulong
x11.XInternAtom.argtypes = [vp, ctypes.c_char_p, c_int]
x11.XQueryTree.argtypes = [vp, ulong, ctypes.POINTER(ulong), ctypes.POINTER(ulong),
                           ctypes.POINTER(ctypes.POINTER(ulong)), ctypes.POINTER(ctypes.c_uint)]
x11.XGetWindowProperty.argtypes = [vp, ulong, ulong, ctypes.c_long, ctypes.c_long, c_int, ulong,
                                   ctypes.POINTER(ulong), ctypes.POINTER(c_int), ctypes.POINTER(ulong),
                                   ctypes.POINTER(ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ubyte))]
x11.XGetWindowAttributes.argtypes = [vp, ulong, ctypes.POINTER(XWindowAttributes)]
x11.XTranslateCoordinates.argtypes = [vp, ulong, ulong, c_int, c_int, ctypes.POINTER(c_int),
                                      ctypes.POINTER(c_int), ctypes.POINTER(ulong)]
x11.XSendEvent.argtypes = [vp, ulong, c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
x11.XSetInputFocus.argtypes = [vp, ulong, c_int, ulong]
x11.XKeysymToKeycode.restype = ctypes.c_ubyte
x11.XKeysymToKeycode.argtypes = [vp, ulong]
x11.XGetImage.restype = ctypes.POINTER(XImage)
x11.XGetImage.argtypes = [vp, ulong, c_int, c_int, ctypes.c_uint, ctypes.c_uint, ulong, c_int]
x11.XFree.argtypes = [vp]
x11.XFlush.argtypes = [vp]
x11.XSync.argtypes = [vp, c_int]
x11.XSetErrorHandler.restype = vp
xtst.XTestFakeMotionEvent.argtypes = [vp, c_int, c_int, c_int, ulong]
xtst.XTestFakeButtonEvent.argtypes = [vp, ctypes.c_uint, c_int, ulong]
xtst.XTestFakeKeyEvent.argtypes = [vp, ctypes.c_uint, c_int, ulong]

# A window may vanish between listing and asking about it: ignore X errors.
ERROR_HANDLER = ctypes.CFUNCTYPE(c_int, vp, vp)(lambda d, e: 0)

dpy = root = None
NET_WM_NAME = NET_WM_PID = WM_PROTOCOLS = WM_DELETE_WINDOW = 0
program_pid = 0  # only the program's own windows count


def start_server():
    """An X server of the test's own, so no other test's windows (ctest
    runs several at once on one display) lie over the program's or take its
    clicks. Returns the server process and its display name."""
    ready_r, ready_w = os.pipe()
    try:
        server = subprocess.Popen(["Xvfb", "-displayfd", str(ready_w), "-screen", "0", "1600x1200x24",
                                   "-nolisten", "tcp"], pass_fds=[ready_w],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except OSError as e:
        fail("cannot start Xvfb (%s): install it (scripts/setup.sh)" % e)
    os.close(ready_w)
    number = b""
    with os.fdopen(ready_r, "rb") as ready:
        while not number.endswith(b"\n"):
            c = ready.read(1)
            if not c:
                server.kill()
                fail("Xvfb did not start")
            number += c
    return server, ":" + number.decode().strip()


def connect(display):
    global dpy, root, NET_WM_NAME, NET_WM_PID, WM_PROTOCOLS, WM_DELETE_WINDOW
    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        fail("cannot open the display " + display)
    x11.XSetErrorHandler(ERROR_HANDLER)
    root = x11.XDefaultRootWindow(dpy)
    NET_WM_NAME = x11.XInternAtom(dpy, b"_NET_WM_NAME", 0)
    NET_WM_PID = x11.XInternAtom(dpy, b"_NET_WM_PID", 0)
    WM_PROTOCOLS = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
    WM_DELETE_WINDOW = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)


def property_bytes(w, atom):
    kind, fmt, n, after = ulong(), c_int(), ulong(), ulong()
    data = ctypes.POINTER(ctypes.c_ubyte)()
    if x11.XGetWindowProperty(dpy, w, atom, 0, 1024, 0, 0, ctypes.byref(kind), ctypes.byref(fmt),
                              ctypes.byref(n), ctypes.byref(after), ctypes.byref(data)) != 0 or not data:
        return None, 0
    # Format 32 comes as C longs, whatever their size.
    size = n.value * (ctypes.sizeof(ctypes.c_long) if fmt.value == 32 else fmt.value // 8)
    value = ctypes.string_at(data, size)
    x11.XFree(data)
    return value, fmt.value


def title(w):
    value, _ = property_bytes(w, NET_WM_NAME)
    return value.decode("utf-8", "replace") if value else ""


def pid_of(w):
    value, fmt = property_bytes(w, NET_WM_PID)
    if not value or fmt != 32:
        return 0
    return ctypes.c_long.from_buffer_copy(value[:ctypes.sizeof(ctypes.c_long)]).value


def viewable_windows():
    """The top-level windows on screen, with their titles."""
    r, parent, n = ulong(), ulong(), ctypes.c_uint()
    children = ctypes.POINTER(ulong)()
    x11.XSync(dpy, 0)
    if not x11.XQueryTree(dpy, root, ctypes.byref(r), ctypes.byref(parent), ctypes.byref(children), ctypes.byref(n)):
        return []
    found = []
    for i in range(n.value):
        attrs = XWindowAttributes()
        if (x11.XGetWindowAttributes(dpy, children[i], ctypes.byref(attrs)) and attrs.map_state == 2
                and pid_of(children[i]) == program_pid):
            found.append((children[i], title(children[i])))
    if children:
        x11.XFree(children)
    return found


def find(prefix):
    for w, t in viewable_windows():
        if t.startswith(prefix):
            return w
    return None


def alive(proc, doing):
    if proc.poll() is not None:
        fail("the program died (status %d) %s" % (proc.returncode, doing))


def wait_for(proc, what, test):
    end = time.monotonic() + TIMEOUT
    while time.monotonic() < end:
        alive(proc, "while waiting for " + what)
        result = test()
        if result:
            return result
        time.sleep(0.1)
    fail("timed out waiting for " + what + "; windows on screen: %r" % [t for _, t in viewable_windows()])


def origin(w):
    x, y, child = c_int(), c_int(), ulong()
    x11.XTranslateCoordinates(dpy, w, root, 0, 0, ctypes.byref(x), ctypes.byref(y), ctypes.byref(child))
    return x.value, y.value


def grid_top(w):
    """How far down the window the grid starts: the window opens at the
    grid's designed height (785) plus its menu bar."""
    attrs = XWindowAttributes()
    x11.XGetWindowAttributes(dpy, w, ctypes.byref(attrs))
    return max(0, attrs.height - 785)


def click(w, pos):
    ox, oy = origin(w)
    oy += grid_top(w)
    xtst.XTestFakeMotionEvent(dpy, -1, ox + pos[0], oy + pos[1], 0)
    xtst.XTestFakeButtonEvent(dpy, 1, 1, 0)
    xtst.XTestFakeButtonEvent(dpy, 1, 0, 0)
    x11.XFlush(dpy)


def press_return(w):
    x11.XSetInputFocus(dpy, w, 2, 0)  # RevertToParent, CurrentTime
    code = x11.XKeysymToKeycode(dpy, 0xFF0D)  # XK_Return
    xtst.XTestFakeKeyEvent(dpy, code, 1, 0)
    xtst.XTestFakeKeyEvent(dpy, code, 0, 0)
    x11.XFlush(dpy)


def close(w):
    """What a window manager's close box sends."""
    ev = XEvent()
    ev.xclient.type = 33  # ClientMessage
    ev.xclient.window = w
    ev.xclient.message_type = WM_PROTOCOLS
    ev.xclient.format = 32
    ev.xclient.l[0] = WM_DELETE_WINDOW
    x11.XSendEvent(dpy, w, 0, 0, ctypes.byref(ev))
    x11.XFlush(dpy)


def grab(w, rect):
    """The pixels of a rectangle of the window, as bytes (4 a pixel)."""
    x, y, width, height = rect
    y += grid_top(w)
    img = x11.XGetImage(dpy, w, x, y, width, height, 0xFFFFFFFF, 2)  # AllPlanes, ZPixmap
    if not img:
        fail("cannot read the window's pixels")
    im = img.contents
    if im.bits_per_pixel != 32:
        fail("unexpected screen depth: %d bits a pixel" % im.bits_per_pixel)
    rows = [ctypes.string_at(ctypes.addressof(im.data.contents) + row * im.bytes_per_line, width * 4)
            for row in range(height)]
    x11.XFree(im.data)
    x11.XFree(img)
    return b"".join(rows)


def distinct_colours(pixels):
    return len(set(pixels[i:i + 3] for i in range(0, len(pixels), 4)))


def changed_pixels(a, b):
    return sum(1 for i in range(0, len(a), 4) if a[i:i + 3] != b[i:i + 3])


def main():
    if len(sys.argv) != 2:
        fail("usage: no_gl_program_test.py PATH/TO/gloamery")
    server, display = start_server()
    try:
        connect(display)
        run(display)
    finally:
        server.kill()
        server.wait()
    print("PASS")


def run(display):
    global program_pid
    env = dict(os.environ, DISPLAY=display, QT_XCB_GL_INTEGRATION="none", QT_QPA_PLATFORM="xcb")
    env.pop("LIBGL_ALWAYS_SOFTWARE", None)
    env.pop("WAYLAND_DISPLAY", None)
    # The sanitizer run preloads its runtime; it is meant for the program,
    # not for this script (see tests/preview3d/CMakeLists.txt).
    if env.get("GLOAMERY_CHILD_PRELOAD"):
        env["LD_PRELOAD"] = env["GLOAMERY_CHILD_PRELOAD"]
    # "Linear" leaves unsaved pictures; closing would ask whether to save
    # them. A settings file of its own turns the question off, as "Don't
    # ask again" does.
    config = tempfile.mkdtemp()
    os.makedirs(os.path.join(config, "gloamery"))
    with open(os.path.join(config, "gloamery", "gloamery.conf"), "w") as f:
        f.write("[panel]\naskBeforeClosingWithUnsavedPictures=false\n")
    env["XDG_CONFIG_HOME"] = config
    log = open(os.environ.get("GLOAMERY_NO_GL_LOG", "no_gl_program_test.log"), "w+")
    proc = subprocess.Popen([sys.argv[1]], env=env, stdout=log, stderr=subprocess.STDOUT)
    program_pid = proc.pid
    try:
        panel = wait_for(proc, "the control panel", lambda: find("Gloamery "))
        # A click before the window is ready for input is lost: wait until
        # the "3D" button shows its caption, then click until a new window
        # comes (slow builds may need more than one).
        wait_for(proc, "the \"3D\" button to be painted", lambda: distinct_colours(grab(panel, BUTTON_3D_RECT)) > 2)
        time.sleep(0.5)
        def opened():
            return find("ERRORE") or find("3D View")
        for attempt in range(5):
            click(panel, BUTTON_3D)
            end = time.monotonic() + TIMEOUT / 5
            while not opened() and time.monotonic() < end:
                alive(proc, "after \"3D\" was pressed")
                time.sleep(0.1)
            if opened():
                break
        box = wait_for(proc, "the ERRORE box", lambda: find("ERRORE"))
        view = wait_for(proc, "the 3D view", lambda: find("3D View"))
        # The crash came while the box was up, from painting the view.
        time.sleep(2.0)
        alive(proc, "while the ERRORE box was on screen")

        press_return(box)
        wait_for(proc, "the ERRORE box to go", lambda: find("ERRORE") is None)
        time.sleep(1.0)
        alive(proc, "after the ERRORE box was dismissed")
        if find("3D View") != view:
            fail("the 3D view did not stay open after the message")
        # The view still paints: its stand-in is black, its buttons are not.
        area = grab(view, (100, 100, 20, 20))
        if any(area[i] > 16 or area[i + 1] > 16 or area[i + 2] > 16 for i in range(0, len(area), 4)):
            fail("the 3D view's drawing area is not the black stand-in")
        buttons = grab(view, (4, 681, 330, 29))
        if distinct_colours(buttons) < 3:
            fail("the 3D view's buttons are not painted")

        close(view)
        wait_for(proc, "the 3D view to close", lambda: find("3D View") is None)
        alive(proc, "after the 3D view was closed")

        # The panel computes: "Linear" lights the colour map.
        before = grab(panel, COLOUR_MAP)
        click(panel, BUTTON_LINEAR)
        wait_for(proc, "the colour map to change after \"Linear\"",
                 lambda: changed_pixels(before, grab(panel, COLOUR_MAP)) > 10000)

        close(panel)
        try:
            status = proc.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            fail("the program did not end when its window was closed")
        if status != 0:
            fail("the program ended with status %d" % status)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        shutil.rmtree(config, ignore_errors=True)
        log.seek(0)
        output = log.read()
        print("--- program output\n" + output + "--- end of program output", flush=True)
    if "3D view: no OpenGL context could be made" not in output:
        fail("the program did not log the failed context")


if __name__ == "__main__":
    main()
