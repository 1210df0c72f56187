#!/usr/bin/env python3
"""The committed icon strips and application icon, read from the files.

  icons_test.py SOURCE_ROOT committed    the strips have one cell per SVG
      source, 24 and 32 pixels high, every cell drawn on a transparent
      ground; Velquin.ico holds each size the program and the shell ask for
  icons_test.py SOURCE_ROOT reproduced   scripts/make-icons, run into a
      temporary folder, gives the committed pixels again (exit 77, skipped,
      when its tools are missing)
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

SKIPPED = 77
CELL_SIZES = (24, 32)
ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
# Anti-aliased edges may differ by a step or two between versions of the
# renderer; a changed drawing differs by far more.
CHANNEL_TOLERANCE = 3

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


class Image:
    """Pixels as rows of RGBA bytes."""

    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows

    def pixel(self, x, y):
        return tuple(self.rows[y][4 * x:4 * x + 4])


def decode_png(data):
    """An 8-bit RGBA or RGB PNG without interlace, as the tools write them."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, compressed, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError("PNG of depth %d, colour type %d, interlace %d" % (depth, colour, interlace))
    channels = 4 if colour == 6 else 3
    stride = width * channels
    raw = zlib.decompress(compressed)
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                estimate = left + up - corner
                near = min((abs(estimate - left), 0, left), (abs(estimate - up), 1, up),
                           (abs(estimate - corner), 2, corner))
                line[i] = (line[i] + near[2]) & 255
        previous = line
        if channels == 3:
            line = bytearray(b"".join(bytes(line[i:i + 3]) + b"\xff" for i in range(0, stride, 3)))
        rows.append(line)
    return Image(width, height, rows)


def read_png(path):
    with open(path, "rb") as file:
        return decode_png(file.read())


def read_ico(path):
    """The images of an icon file by size: (bits per pixel, Image)."""
    with open(path, "rb") as file:
        data = file.read()
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind != 1:
        raise ValueError("not an icon file")
    images = {}
    for index in range(count):
        width, height, _, _, _, bits, size, offset = struct.unpack(
            "<BBBBHHII", data[6 + 16 * index:22 + 16 * index])
        width, height = width or 256, height or 256
        body = data[offset:offset + size]
        if body[:8] == b"\x89PNG\r\n\x1a\n":
            image = decode_png(body)
        else:
            # A bottom-up 32-bit BGRA bitmap of twice the height (the mask
            # follows), after its 40-byte header.
            header_size, bmp_width, bmp_height, _, bmp_bits = struct.unpack("<IiiHH", body[:16])
            if bmp_bits != 32 or bmp_width != width or bmp_height != 2 * height:
                raise ValueError("%dx%d image: a %d-bit bitmap of %dx%d" %
                                 (width, height, bmp_bits, bmp_width, bmp_height))
            pixels = body[header_size:header_size + 4 * width * height]
            rows = []
            for y in range(height - 1, -1, -1):
                line = pixels[4 * width * y:4 * width * (y + 1)]
                rows.append(bytearray(b"".join(bytes((line[i + 2], line[i + 1], line[i], line[i + 3]))
                                               for i in range(0, len(line), 4))))
            image = Image(width, height, rows)
        check((image.width, image.height) == (width, height),
              "%s: entry %dx%d holds an image of %dx%d" % (path, width, height, image.width, image.height))
        check(width not in images, "%s: size %d twice" % (path, width))
        images[width] = (bits, image)
    return images


def source_cells(root, size):
    folder = os.path.join(root, "resources", "icons", str(size))
    return sorted(name for name in os.listdir(folder) if name.endswith(".svg"))


def check_committed(root):
    resources = os.path.join(root, "resources")
    cell_count = len(source_cells(root, 24))
    check(cell_count == len(source_cells(root, 32)),
          "the 24- and 32-pixel sources differ in number")
    for size in CELL_SIZES:
        name = "strip-%d.png" % size
        strip = read_png(os.path.join(resources, name))
        if not check((strip.width, strip.height) == (cell_count * size, size),
                     "%s is %dx%d, not %d cells of %d pixels" %
                     (name, strip.width, strip.height, cell_count, size)):
            continue
        for cell in range(cell_count):
            left = cell * size
            check(strip.pixel(left, 0)[3] == 0 and strip.pixel(left + size - 1, size - 1)[3] == 0,
                  "%s: cell %d has no transparent ground" % (name, cell))
            drawn = sum(1 for y in range(size) for x in range(left, left + size)
                        if strip.pixel(x, y)[3] >= 128)
            check(drawn >= size, "%s: cell %d is (nearly) empty" % (name, cell))
    icon = read_ico(os.path.join(resources, "Velquin.ico"))
    check(sorted(icon) == ICON_SIZES, "Velquin.ico has the sizes %s" % sorted(icon))
    for size, (bits, image) in sorted(icon.items()):
        check(bits == 32, "Velquin.ico: the %d-pixel image has %d bits" % (size, bits))
        centre = image.pixel(size // 2, size // 2)
        check(centre[3] == 255, "Velquin.ico: the %d-pixel image is not drawn in its centre" % size)
        check(image.pixel(0, size - 1)[3] == 0 or image.pixel(size - 1, 0)[3] == 0,
              "Velquin.ico: the %d-pixel image has no transparent corner" % size)


def first_difference(expected, actual):
    """Where two images differ by more than the tolerance, or None."""
    if (expected.width, expected.height) != (actual.width, actual.height):
        return "size %dx%d, not %dx%d" % (actual.width, actual.height, expected.width, expected.height)
    def seen(pixel):
        # The colour as it shows over any ground: a nearly transparent
        # pixel's colour hardly matters.
        return [channel * pixel[3] // 255 for channel in pixel[:3]] + [pixel[3]]

    for y in range(expected.height):
        for x in range(expected.width):
            a, b = expected.pixel(x, y), actual.pixel(x, y)
            if max(abs(p - q) for p, q in zip(seen(a), seen(b))) > CHANNEL_TOLERANCE:
                return "pixel (%d, %d) is %s, committed %s" % (x, y, b, a)
    return None


def check_reproduced(root):
    for tool in ("rsvg-convert", "icotool"):
        if shutil.which(tool) is None:
            print("skipped: %s is missing (scripts/setup installs it)" % tool)
            sys.exit(SKIPPED)
    resources = os.path.join(root, "resources")
    with tempfile.TemporaryDirectory() as output:
        subprocess.run([sys.executable, os.path.join(root, "scripts", "make-icons"), output],
                       check=True, stdout=subprocess.DEVNULL)
        for size in CELL_SIZES:
            name = "strip-%d.png" % size
            difference = first_difference(read_png(os.path.join(resources, name)),
                                          read_png(os.path.join(output, name)))
            check(difference is None, "%s: %s" % (name, difference))
        committed = read_ico(os.path.join(resources, "Velquin.ico"))
        made = read_ico(os.path.join(output, "Velquin.ico"))
        check(sorted(committed) == sorted(made), "Velquin.ico: sizes %s, committed %s" %
              (sorted(made), sorted(committed)))
        for size in sorted(set(committed) & set(made)):
            difference = first_difference(committed[size][1], made[size][1])
            check(difference is None, "Velquin.ico, %d pixels: %s" % (size, difference))
    if failures:
        failures.append("run scripts/make-icons after changing an SVG source, and commit its output")


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in ("committed", "reproduced"):
        print(__doc__, file=sys.stderr)
        return 2
    root = os.path.abspath(sys.argv[1])
    (check_committed if sys.argv[2] == "committed" else check_reproduced)(root)
    for message in failures:
        print("FAIL: " + message)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
