#!/usr/bin/env python3
"""Draws MdbReader.ico: a card reader with a card in its slot, as a 32 x 32
and a 16 x 16 image in the 16 standard colours. Run it from anywhere; it
writes the icon beside itself."""
import os
import struct

# The standard 16-colour palette, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DKGREEN, OLIVE, NAVY, GREY, DKGREY, LIME, YELLOW, BLUE, WHITE = 0, 2, 3, 4, 7, 8, 10, 11, 12, 15
CLEAR = None


def canvas(size):
    return [[CLEAR] * size for _ in range(size)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = colour


def frame(img, x0, y0, x1, y1, colour):
    for x in range(x0, x1 + 1):
        img[y0][x] = img[y1][x] = colour
    for y in range(y0, y1 + 1):
        img[y][x0] = img[y][x1] = colour


def reader32():
    img = canvas(32)
    # The card, half in the slot: white with a blue stripe and a gold chip.
    rect(img, 9, 1, 22, 15, WHITE)
    frame(img, 9, 1, 22, 15, NAVY)
    rect(img, 10, 3, 21, 4, BLUE)
    rect(img, 11, 7, 14, 10, YELLOW)
    frame(img, 11, 7, 14, 10, OLIVE)
    # The reader's body with its slot, display and lamp.
    rect(img, 3, 13, 28, 30, GREY)
    frame(img, 3, 13, 28, 30, BLACK)
    rect(img, 4, 29, 27, 29, DKGREY)
    rect(img, 7, 13, 24, 14, BLACK)
    rect(img, 6, 18, 19, 24, DKGREEN)
    frame(img, 6, 18, 19, 24, BLACK)
    rect(img, 8, 20, 13, 21, LIME)
    rect(img, 23, 19, 25, 21, LIME)
    frame(img, 22, 18, 26, 22, BLACK)
    for x in (22, 25):
        rect(img, x, 25, x + 2, 27, DKGREY)
    return img


def reader16():
    img = canvas(16)
    rect(img, 4, 0, 11, 7, WHITE)
    frame(img, 4, 0, 11, 7, NAVY)
    rect(img, 5, 2, 10, 2, BLUE)
    rect(img, 5, 4, 6, 5, YELLOW)
    rect(img, 1, 6, 14, 15, GREY)
    frame(img, 1, 6, 14, 15, BLACK)
    rect(img, 3, 6, 12, 7, BLACK)
    rect(img, 3, 9, 9, 12, DKGREEN)
    rect(img, 4, 10, 7, 10, LIME)
    rect(img, 11, 9, 12, 10, LIME)
    return img


def dib(img):
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(img):  # bottom-up
        line = bytearray()
        for x in range(0, size, 2):
            hi, lo = (row[x] or 0), (row[x + 1] or 0)
            line.append(hi << 4 | lo)
        line += b"\0" * (-len(line) % 4)
        xor += line
        bits = bytearray((size + 7) // 8)
        for x, c in enumerate(row):
            if c is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        bits += b"\0" * (-len(bits) % 4)
        mask += bits
    return header + palette + bytes(xor) + bytes(mask)


def main():
    images = [reader32(), reader16()]
    blobs = [dib(i) for i in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, blobs):
        size = len(img)
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    out += b"".join(blobs)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "MdbReader.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
