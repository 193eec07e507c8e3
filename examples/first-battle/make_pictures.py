#!/usr/bin/env python3
"""Draws the first battle's pictures: the knight's sprite sheet, the two
terrain textures and the focus lines' stroke. Plain rectangles, written as
PNG with nothing but the standard library, so the output is the same on every
machine. docs/first-battle.md explains each layout.

    python3 make_pictures.py PACKDIR   writes PACKDIR/img/dot/R_1_0.png,
        PACKDIR/field/01_tex_top.png, PACKDIR/field/01_tex_side.png and
        PACKDIR/effect/Texture/shiirare.png
"""
import os
import struct
import sys
import zlib


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = bytearray(width * height * 4)  # RGBA, all clear

    def put(self, x, y, rgb, alpha=255):
        if 0 <= x < self.width and 0 <= y < self.height:
            at = (y * self.width + x) * 4
            self.pixels[at:at + 4] = bytes((rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF, alpha))

    def fill(self, x0, y0, x1, y1, rgb, alpha=255):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, rgb, alpha)

    def write(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        stride = self.width * 4
        rows = b"".join(b"\0" + bytes(self.pixels[y * stride:(y + 1) * stride]) for y in range(self.height))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)  # 8-bit RGBA
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
                      + chunk(b"IEND", b""))


# The unit animation table: (x, y, width, height, frames, turned) of frame 0 of
# each row; frame f lies f * width further right. Animation a uses row a for
# two facings and row a + 1 (the figure seen from behind) for the other two.
ROWS = [
    (0, 0, 64, 96, 4, False), (0, 96, 64, 96, 4, False),          # 0: walk
    (256, 0, 64, 96, 4, False), (256, 96, 64, 96, 4, False),      # 2: stand
    (0, 192, 96, 96, 5, False), (0, 288, 96, 96, 5, False),       # 4: attack
    (64, 384, 64, 96, 1, True), (64, 448, 64, 96, 1, True),       # 6: turned
    (0, 386, 64, 62, 1, False), (0, 450, 64, 62, 1, False),       # 8: down
    (160, 384, 64, 96, 1, True), (160, 448, 64, 96, 1, True),     # 10: turned
    (256, 384, 64, 96, 1, True), (256, 448, 64, 96, 1, True),     # 12: turned
    (448, 416, 64, 96, 1, False), (448, 416, 64, 96, 1, False),   # 14: one frame for all facings
]
STEEL, DARK_STEEL, PLUME, SKIN, BOOTS = 0xB8C4D0, 0x5A6878, 0xC0282C, 0xF0C8A0, 0x3A2C22


def draw_knight(put, w, h, step, reach, back):
    """One upright knight in a w x h frame, feet on the bottom edge."""
    cx, bottom = w // 2, h - 2

    def fill(x0, y0, x1, y1, rgb):
        for y in range(y0, y1):
            for x in range(x0, x1):
                put(x, y, rgb)

    fill(cx - 10 + step, bottom - 22, cx - 3 + step, bottom, BOOTS)    # legs
    fill(cx + 3 - step, bottom - 22, cx + 10 - step, bottom, BOOTS)
    fill(cx - 15, bottom - 58, cx + 15, bottom - 20, STEEL)            # armour
    fill(cx - 15, bottom - 30, cx + 15, bottom - 24, DARK_STEEL)       # belt
    fill(cx + 15, bottom - 54, cx + 40 + reach, bottom - 49, STEEL)     # sword arm and blade
    fill(cx - 12, bottom - 84, cx + 12, bottom - 58, DARK_STEEL if back else STEEL)  # helmet
    if not back:
        fill(cx - 8, bottom - 74, cx + 8, bottom - 68, SKIN)           # the visor's slit
    fill(cx - 3, bottom - 92, cx + 3, bottom - 84, PLUME)


def draw_fallen(put, w, h):
    """The knight lying on its back, feet to the right, on the bottom edge."""
    bottom = h - 2
    for x0, y0, x1, y1, rgb in ((2, bottom - 20, 22, bottom, STEEL), (22, bottom - 18, 46, bottom - 2, STEEL),
                                (46, bottom - 14, 62, bottom - 6, BOOTS), (10, bottom - 24, 14, bottom - 20, PLUME)):
        for y in range(y0, y1):
            for x in range(x0, x1):
                put(x, y, rgb)


def knight_sheet():
    sheet = Canvas(512, 512)
    for row, (x0, y0, w, h, frames, turned) in enumerate(ROWS):
        for f in range(frames):
            left = x0 + f * w

            def put(x, y, rgb, left=left):
                if not (0 <= x < w and 0 <= y < h):
                    return
                if turned:  # stored with the figure's rows along x
                    sheet.put(left + y, y0 + x, rgb)
                else:
                    sheet.put(left + x, y0 + y, rgb)

            walking = row <= 1 and f % 2 == 1
            step = (3 if f == 1 else -3) if walking else 0
            reach = f * 8 if row in (4, 5) else 0
            if row in (8, 9):
                draw_fallen(put, w, h)
            else:
                draw_knight(put, w, h, step, reach, row % 2 == 1)
    # The blink overlay of animations 0 and 2: eyes open, half shut and shut at (480, 192 + 32 s),
    # laid over texels 16..48 of a frame, where the visor is.
    for s in range(3):
        for eye in (-6, 4):
            sheet.fill(496 + eye, 192 + 32 * s + 5 + s, 496 + eye + 3, 192 + 32 * s + 9, 0x1A1A2A)
    return sheet


def top_sheet():
    """Chips of 80 x 80 texels, six to a row; the terrain shows the inner 64 x 64 of each."""
    colours = [0x5C9E3A, 0x6BA845, 0x8A6A44, 0x8C8C88]  # 0 grass, 1 meadow, 2 dirt, 3 stone
    sheet = Canvas(512, 512)
    for chip, rgb in enumerate(colours):
        left, top = (chip % 20) * 80, (chip // 20) * 80
        sheet.fill(left, top, left + 80, top + 80, rgb)
        for i in range(8, 72, 16):  # a few darker specks so that cells can be told apart
            sheet.fill(left + i, top + i, left + i + 4, top + i + 4, rgb - 0x141414)
    return sheet


def side_sheet():
    """Walls take u 8..72 and v = their height in world units (16 a level); the lip under a top takes u 88..152, v 16..32."""
    sheet = Canvas(256, 256)
    sheet.fill(0, 0, 256, 256, 0x7A5838)
    for y in range(0, 256, 16):
        sheet.fill(0, y, 256, y + 2, 0x5A4028)
    sheet.fill(88, 16, 152, 32, 0x4E8A32)
    return sheet


def stroke():
    """The focus lines draw this 128 x 16 picture along each line."""
    sheet = Canvas(128, 16)
    for y in range(16):
        sheet.fill(0, y, 128, y + 1, 0xFFFFFF, 255 - abs(2 * y - 15) * 16)
    return sheet


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_pictures.py PACKDIR")
    pack = sys.argv[1]
    knight_sheet().write(os.path.join(pack, "img/dot/R_1_0.png"))
    top_sheet().write(os.path.join(pack, "field/01_tex_top.png"))
    side_sheet().write(os.path.join(pack, "field/01_tex_side.png"))
    stroke().write(os.path.join(pack, "effect/Texture/shiirare.png"))


if __name__ == "__main__":
    main()
