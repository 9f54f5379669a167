#!/usr/bin/env python3
"""Writes the print window's picture (100 x 30, 24 bits) and icon (16 and 32 pixels).

The images are committed; run this only to change them: python3 make_images.py
Both show a white label with a bar code, the picture on a blue band.
"""
import struct

BACKGROUND = (0x2E, 0x5C, 0x9E)
LABEL = (0xFF, 0xFF, 0xFF)
INK = (0x10, 0x10, 0x10)
SHADOW = (0x1B, 0x3A, 0x66)

# Bar widths of a made-up code, alternating bar and space.
BARS = [1, 1, 2, 1, 1, 2, 3, 1, 1, 1, 2, 2, 1, 1, 3, 1, 2, 1, 1, 2, 1, 1, 2, 1, 1, 3, 1, 1, 2, 1, 1, 1]


def picture():
    width, height = 100, 30
    pixels = [[BACKGROUND] * width for _ in range(height)]
    for y in range(4, 27):
        for x in range(8, 93):
            pixels[y][x] = LABEL
    for y in range(5, 28):  # drop shadow, right and bottom
        pixels[y][93] = SHADOW
    for x in range(9, 94):
        pixels[27][x] = SHADOW
    x, ink = 14, True
    for bar in BARS * 2:
        if x + bar > 86:
            break
        if ink:
            for dx in range(bar):
                for y in range(7, 21):
                    pixels[y][x + dx] = INK
        x += bar
        ink = not ink
    for x in range(14, 86, 3):  # the human-readable line as dots
        pixels[23][x] = INK
        pixels[23][x + 1] = INK
    return width, height, pixels


def bmp(width, height, pixels):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in reversed(range(height)):
        line = bytearray()
        for r, g, b in pixels[y]:
            line += bytes((b, g, r))
        line += bytes(row - len(line))
        data += line
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def icon_image(size):
    transparent = None
    pixels = [[transparent] * size for _ in range(size)]
    margin = size // 8
    top, bottom = size // 4, size - size // 4
    for y in range(top, bottom):
        for x in range(margin, size - margin):
            pixels[y][x] = LABEL
    for x in range(margin, size - margin):
        pixels[top][x] = pixels[bottom - 1][x] = SHADOW
    for y in range(top, bottom):
        pixels[y][margin] = pixels[y][size - margin - 1] = SHADOW
    x, ink = margin + 2, True
    for bar in BARS:
        if x + bar > size - margin - 2:
            break
        if ink:
            for dx in range(bar):
                for y in range(top + 2, bottom - 2):
                    pixels[y][x + dx] = INK
        x += bar
        ink = not ink
    xor = bytearray()
    for y in reversed(range(size)):
        for p in pixels[y]:
            xor += bytes((p[2], p[1], p[0], 0xFF)) if p else bytes(4)
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        bits = bytearray(mask_row)
        for x, p in enumerate(pixels[y]):
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def ico(sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return out


if __name__ == '__main__':
    with open('picture1.bmp', 'wb') as f:
        f.write(bmp(*picture()))
    with open('frmGUI.ico', 'wb') as f:
        f.write(ico([16, 32]))
