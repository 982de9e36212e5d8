#!/usr/bin/env python3
"""Draws the program's bitmaps and icons into ui/res/ (standard library only).

    scripts/make-art.py [output folder]      (default: ui/res beside this script's folder)

The pictures are plain on purpose: a pale background for the skinned dialogs, a blue side
picture with the wireless mark, a close button in two states and the program icon. The close
button is also drawn for 150 % and 200 % display scales (the same shapes sampled at 26 and 34
pixels, in 8-bit files since they have few colours), so it stays sharp there; the larger pictures
are stretched by the program instead, which keeps Uninstall.exe within its size limit. Shapes are
described as functions of a point and sampled 4 x 4 times per pixel, which gives smooth edges
without any drawing library. The output is deterministic, so running the script again over the
committed files changes nothing.
"""
import math
import os
import struct
import sys

SUPERSAMPLE = 4

# Colours (red, green, blue).
SKY_TOP = (246, 249, 255)
SKY_BOTTOM = (220, 231, 248)
BLUE_LIGHT = (88, 150, 230)
BLUE_DARK = (22, 78, 168)
WHITE = (255, 255, 255)
FRAME = (107, 138, 231)
RED = (214, 58, 48)
RED_DARK = (160, 30, 24)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def render(width, height, shade):
    """shade(x, y) -> (r, g, b, alpha 0..1) at a point in pixel units; returns rows of RGBA."""
    rows = []
    n = SUPERSAMPLE
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = shade(x + (sx + 0.5) / n, y + (sy + 0.5) / n)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            count = n * n
            alpha = acc[3] / count
            if acc[3] > 0:
                colour = tuple(int(round(acc[i] / acc[3])) for i in range(3))
            else:
                colour = (0, 0, 0)
            row.append(colour + (int(round(alpha * 255)),))
        rows.append(row)
    return rows


def over(top, bottom):
    """Blends an RGBA sample over another one."""
    ta = top[3]
    ba = bottom[3]
    a = ta + ba * (1 - ta)
    if a == 0:
        return (0, 0, 0, 0)
    return tuple((top[i] * ta + bottom[i] * ba * (1 - ta)) / a for i in range(3)) + (a,)


def inside_rounded_rect(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2 and left <= x <= right and top <= y <= bottom


def wireless_mark(x, y, cx, cy, scale):
    """True inside the wireless mark: a dot with three arcs opening upwards, centred on (cx, cy)."""
    dx = (x - cx) / scale
    dy = (y - cy) / scale
    distance = math.hypot(dx, dy)
    if distance <= 0.16:
        return True
    # Arcs within 45 degrees either side of straight up.
    if dy > 0 or abs(dx) > -dy:
        return False
    for radius in (0.42, 0.70, 0.98):
        if abs(distance - radius) <= 0.085:
            return True
    return False


def skin_background(x, y):
    """Bitmap 147: the pale background stretched behind the dialogs' controls."""
    colour = mix(SKY_TOP, SKY_BOTTOM, y / 260.0)
    # A soft band near the bottom where the buttons sit.
    wave = 212 + 10 * math.sin(x / 451.0 * math.pi * 2)
    if y > wave:
        colour = mix(colour, (206, 221, 244), min(1.0, (y - wave) / 6.0))
    return colour + (1.0,)


SIDE_WIDTH, SIDE_HEIGHT = 89, 191


def side_picture(x, y):
    """Bitmap 131: the blue panel with the wireless mark at the dialogs' left."""
    background = skin_background(x + 13, y + 15)
    if not inside_rounded_rect(x, y, 0.5, 0.5, SIDE_WIDTH - 0.5, SIDE_HEIGHT - 0.5, 8):
        return background
    colour = mix(BLUE_LIGHT, BLUE_DARK, y / SIDE_HEIGHT)
    if wireless_mark(x, y, SIDE_WIDTH / 2.0, 78, 42):
        colour = WHITE
    # A light line under the mark, like a stand.
    if 96 <= y <= 99 and 30 <= x <= SIDE_WIDTH - 30:
        colour = mix(colour, WHITE, 0.8)
    if not inside_rounded_rect(x, y, 1.5, 1.5, SIDE_WIDTH - 1.5, SIDE_HEIGHT - 1.5, 7):
        colour = FRAME
    return colour + (1.0,)


def close_button(hot):
    """Bitmaps 140 (under the mouse: red) and 141 (otherwise: blue): a square with a white cross."""
    face_top, face_bottom = (RED, RED_DARK) if hot else (BLUE_LIGHT, BLUE_DARK)

    def shade(x, y):
        colour = mix(face_top, face_bottom, y / 17.0)
        if not inside_rounded_rect(x, y, 0.5, 0.5, 16.5, 16.5, 3):
            return SKY_TOP + (1.0,)
        u, v = x - 8.5, y - 8.5
        if abs(u) <= 4.2 and abs(v) <= 4.2 and (abs(u - v) <= 1.1 or abs(u + v) <= 1.1):
            colour = WHITE
        return colour + (1.0,)

    return shade


def at_scale(shade, design_size, size):
    """The picture shade draws at design_size pixels, sampled at size pixels."""
    factor = design_size / float(size)
    return lambda x, y: shade(x * factor, y * factor)


CLOSE_SIZE = 17
# Sizes of the close button's variants: 17 x 1.5 and 17 x 2, rounded as the program rounds.
CLOSE_VARIANTS = (("150", 26), ("200", 34))


def program_icon(size):
    """Icons 139 and 138: a blue rounded square with the wireless mark and a red minus."""

    def shade(x, y):
        s = size / 32.0
        result = (0, 0, 0, 0.0)
        if inside_rounded_rect(x, y, 1 * s, 1 * s, 31 * s, 31 * s, 6 * s):
            colour = mix(BLUE_LIGHT, BLUE_DARK, y / size)
            if wireless_mark(x, y, 16 * s, 22 * s, 15 * s):
                colour = WHITE
            result = colour + (1.0,)
        # The minus badge at the lower right says "remove".
        badge = math.hypot(x - 24.5 * s, y - 24.5 * s)
        if badge <= 7.0 * s:
            colour = RED if badge <= 5.8 * s else WHITE
            if badge <= 5.8 * s and abs(y - 24.5 * s) <= 1.3 * s and abs(x - 24.5 * s) <= 3.6 * s:
                colour = WHITE
            result = over(colour + (1.0,), result)
        return result

    return shade


def bmp_bytes(rows):
    """A 24-bit BMP file, rows bottom-up and padded to 4 bytes."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return file_header + info + bytes(pixels)


def bmp8_bytes(rows):
    """An 8-bit BMP file with a palette of the picture's own colours (at most 256, sorted), rows
    bottom-up and padded to 4 bytes: the same pixels as bmp_bytes in less than half the bytes."""
    colours = sorted({pixel[:3] for row in rows for pixel in row})
    assert len(colours) <= 256, "more colours than an 8-bit palette holds"
    index = {colour: i for i, colour in enumerate(colours)}
    width = len(rows[0])
    stride = (width + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(index[pixel[:3]] for pixel in row)
        line += b"\0" * (stride - len(line))
        pixels += line
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    header_size = 14 + 40 + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    info = struct.pack("<IiiHHIIiiII", 40, width, len(rows), 1, 8, 0, len(pixels), 2835, 2835,
                       len(colours), 0)
    return file_header + info + palette + bytes(pixels)


def icon_image(rows):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA pixels and the AND mask, both bottom-up."""
    size = len(rows)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """An ICO file from (size, image bytes) pairs."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = bytearray()
    data = bytearray()
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    return header + bytes(entries) + bytes(data)


def write(folder, name, data):
    path = os.path.join(folder, name)
    with open(path, "wb") as f:
        f.write(data)
    print("%s: %d bytes" % (path, len(data)))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "ui", "res")
    os.makedirs(folder, exist_ok=True)
    write(folder, "skin.bmp", bmp_bytes(render(451, 260, skin_background)))
    write(folder, "side.bmp", bmp_bytes(render(SIDE_WIDTH, SIDE_HEIGHT, side_picture)))
    write(folder, "close_hot.bmp", bmp_bytes(render(17, 17, close_button(True))))
    write(folder, "close.bmp", bmp_bytes(render(17, 17, close_button(False))))
    for suffix, size in CLOSE_VARIANTS:
        for name, hot in (("close_hot", True), ("close", False)):
            shade = at_scale(close_button(hot), CLOSE_SIZE, size)
            write(folder, "%s_%s.bmp" % (name, suffix), bmp8_bytes(render(size, size, shade)))
    icon = [(size, icon_image(render(size, size, program_icon(size)))) for size in (16, 32, 48)]
    write(folder, "uninstall.ico", ico_bytes(icon))
    small = [(size, icon_image(render(size, size, program_icon(size)))) for size in (16, 32)]
    write(folder, "uninstall_small.ico", ico_bytes(small))


if __name__ == "__main__":
    main()
