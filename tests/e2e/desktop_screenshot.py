#!/usr/bin/python3
"""Screenshots of a headless desktop compositor, through what it offers on the session bus, and a
check that a picture is all one colour.

  desktop_screenshot.py kwin OUT.png
      the whole workspace (every screen), through KWin's screenshot interface
  desktop_screenshot.py mutter OUT-PREFIX
      one picture per monitor, OUT-PREFIX-CONNECTOR.png, through Mutter's screen cast and PipeWire
  desktop_screenshot.py check RRGGBB FILE.png...
      true when nearly every pixel of each file has that colour

Prints one line per file written or checked; ends with status 1 and the reason on the error output
when a picture cannot be taken or does not show the colour."""

import os
import struct
import sys
import threading
import zlib

from gi.repository import Gio, GLib

# Share of pixels of a picture that must have the colour: a few may differ at the edges while the
# compositor animates the window in.
COVERED = 0.99


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def write_png(path, width, height, rows):
    """rows: one bytes object of width * 3 RGB bytes per line."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))
    print("wrote %s (%dx%d)" % (path, width, height))


def read_png(path):
    """Reads what write_png writes (and other 8-bit RGB or RGBA pictures that are not
    interlaced). Returns (width, height, rows of RGB bytes)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("%s: not a PNG file" % path)
    pos, idat, header = 8, [], None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        pos += 12 + length
    if header is None or header[2] != 8 or header[3] not in (2, 6) or header[6] != 0:
        fail("%s: not an 8-bit RGB picture" % path)
    width, height, channels = header[0], header[1], 3 if header[3] == 2 else 4
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride if kind else 0):
            a = line[x - channels] if x >= channels else 0
            b = previous[x]
            c = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + a) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + b) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        previous = line
        if channels == 4:
            line = bytearray(v for i, v in enumerate(line) if i % 4 != 3)
        rows.append(bytes(line))
    return width, height, rows


def kwin(out):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    read_end, write_end = os.pipe()
    # The compositor writes the picture after it answers; read it meanwhile so a full pipe never
    # holds it up. The end of the picture is known from the answer, not from the pipe's end: the
    # message keeps a copy of the writing end open.
    chunks = []
    reader = threading.Thread(target=lambda: chunks.extend(iter(lambda: os.read(read_end, 1 << 16), b"")),
                              daemon=True)
    reader.start()
    fds = Gio.UnixFDList.new()
    fds.append(write_end)
    os.close(write_end)
    try:
        reply, _ = bus.call_with_unix_fd_list_sync(
            "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureWorkspace",
            GLib.Variant("(a{sv}h)", ({"include-cursor": GLib.Variant("b", False)}, 0)),
            GLib.VariantType("(a{sv})"), Gio.DBusCallFlags.NONE, 10000, fds, None)
    except GLib.Error as e:
        fail("the screenshot was refused: %s" % e.message)
    del fds
    info = reply.unpack()[0]
    width, height, stride = info.get("width", 0), info.get("height", 0), info.get("stride", 0)
    until = GLib.get_monotonic_time() + 10 * 1000000
    while sum(map(len, chunks)) < stride * height and reader.is_alive() and GLib.get_monotonic_time() < until:
        reader.join(0.05)
    data = b"".join(chunks)
    if info.get("type") != "raw" or width <= 0 or height <= 0 or len(data) < stride * height:
        fail("an unexpected screenshot: %r, %d bytes" % (info, len(data)))
    # The picture's memory layout, named by the toolkit's image format numbers.
    fmt = info.get("format")
    if fmt in (4, 5, 6):  # 32-bit words 0xAARRGGBB: B, G, R, A in memory on this machine
        order = (2, 1, 0)
    elif fmt in (17, 18, 19):  # R, G, B, A bytes
        order = (0, 1, 2)
    else:
        fail("a screenshot in an unknown pixel format %r" % fmt)
    rows = []
    for y in range(height):
        line = data[y * stride:y * stride + width * 4]
        rgb = bytearray(width * 3)
        for i, channel in enumerate(order):
            rgb[i::3] = line[channel::4]
        rows.append(bytes(rgb))
    write_png(out, width, height, rows)


def mutter(prefix):
    import gi
    gi.require_version("Gst", "1.0")
    from gi.repository import Gst
    Gst.init(None)
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)

    def call(name, path, iface, method, args=None, reply=None):
        return bus.call_sync(name, path, iface, method, args, reply and GLib.VariantType(reply),
                             Gio.DBusCallFlags.NONE, 10000, None).unpack()

    state = call("org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig",
                 "org.gnome.Mutter.DisplayConfig", "GetCurrentState")
    connectors = [monitor[0][0] for monitor in state[1]]
    if not connectors:
        fail("the compositor reports no monitor")
    # The screen cast lives as long as this connection.
    cast = "org.gnome.Mutter.ScreenCast"
    session = call(cast, "/org/gnome/Mutter/ScreenCast", cast, "CreateSession",
                   GLib.Variant("(a{sv})", ({},)))[0]
    nodes, streams = {}, {}
    for connector in connectors:
        stream = call(cast, session, cast + ".Session", "RecordMonitor",
                      GLib.Variant("(sa{sv})", (connector, {"cursor-mode": GLib.Variant("u", 0)})))[0]
        streams[stream] = connector

    def on_added(conn, sender, path, iface, signal, params):
        nodes[streams[path]] = params.unpack()[0]

    bus.signal_subscribe(cast, cast + ".Stream", "PipeWireStreamAdded", None, None,
                         Gio.DBusSignalFlags.NONE, on_added)
    call(cast, session, cast + ".Session", "Start")
    context = GLib.MainContext.default()
    until = GLib.get_monotonic_time() + 10 * 1000000
    while len(nodes) < len(connectors) and GLib.get_monotonic_time() < until:
        context.iteration(False) or GLib.usleep(20000)
    if len(nodes) < len(connectors):
        fail("the screen cast gave no PipeWire stream for %s"
             % ", ".join(c for c in connectors if c not in nodes))
    for connector in connectors:
        pipeline = Gst.parse_launch(
            "pipewiresrc path=%d always-copy=true ! videoconvert ! video/x-raw,format=RGB ! "
            "appsink name=sink sync=false max-buffers=1" % nodes[connector])
        pipeline.set_state(Gst.State.PLAYING)
        sample = pipeline.get_by_name("sink").emit("try-pull-sample", 10 * Gst.SECOND)
        if sample is None:
            pipeline.set_state(Gst.State.NULL)
            fail("no picture from the screen cast of %s" % connector)
        caps = sample.get_caps().get_structure(0)
        width, height = caps.get_value("width"), caps.get_value("height")
        buffer = sample.get_buffer()
        data = buffer.extract_dup(0, buffer.get_size())
        pipeline.set_state(Gst.State.NULL)
        stride = len(data) // height
        write_png("%s-%s.png" % (prefix, connector), width, height,
                  [data[y * stride:y * stride + width * 3] for y in range(height)])
    call(cast, session, cast + ".Session", "Stop")


def check(colour, paths):
    want = bytes.fromhex(colour)
    ok = True
    for path in paths:
        width, height, rows = read_png(path)
        counts, plain = {want: 0}, want * width
        for row in rows:
            if row == plain:  # most lines: no need to look at each pixel
                counts[want] += width
                continue
            for x in range(0, len(row), 3):
                pixel = row[x:x + 3]
                counts[pixel] = counts.get(pixel, 0) + 1
        share = counts.get(want, 0) / float(width * height)
        most = max(counts, key=counts.get)
        print("%s: %.1f%% #%s (most: #%s)" % (path, share * 100, colour.lower(), most.hex()))
        ok = ok and share >= COVERED
    return ok


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "kwin":
        kwin(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "mutter":
        mutter(sys.argv[2])
    elif len(sys.argv) >= 4 and sys.argv[1] == "check":
        sys.exit(0 if check(sys.argv[2], sys.argv[3:]) else 1)
    else:
        fail(__doc__)
