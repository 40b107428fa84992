#!/usr/bin/env python3
"""Draws the bitmaps of the TRXDESK panel and writes them as .bmp files.

Each is a 24-bit BI_RGB Windows bitmap (file header, BITMAPINFOHEADER, bottom-up
rows padded to 4 bytes), as windres takes it for a BITMAP statement. The art
shares its palette and fonts with icongen.py: pixel work with black outlines,
only the sky is a gradient. Python standard library only.

    bitmapgen.py OUTDIR      write all bitmaps into OUTDIR
    bitmapgen.py --list      print the file names, one a line (for the build)
"""

import math
import os
import struct
import sys

from icongen import (BLACK, WHITE, GREY, LIGHT, DARK, DARKER, RED, PINK, NAVY,
                     DISPLAY_BG, DISPLAY_FG, FONT_5X7,
                     LAMP_GREEN_ON, LAMP_GREEN_OFF, LAMP_YELLOW_ON, LAMP_RED_OFF,
                     Canvas, draw_text)

STEEL = (96, 96, 104)
FLOOR = (160, 160, 150)
FLOOR_DARK = (120, 120, 112)
SHADOW = (88, 88, 80)

# Glyphs the icons never needed, for the name plate.
FONT = dict(FONT_5X7)
FONT['T'] = ['#####', '  #  ', '  #  ', '  #  ', '  #  ', '  #  ', '  #  ']
FONT['X'] = ['#   #', '#   #', ' # # ', '  #  ', ' # # ', '#   #', '#   #']

# The display's own small letters; the comma hangs below the line.
DISPLAY_FONT = {
    '1': [' # ', '## ', ' # ', ' # ', '###'],
    '2': ['###', '  #', '###', '#  ', '###'],
    '5': ['###', '#  ', '###', '  #', '###'],
    ',': [' ', ' ', ' ', ' ', '#', '#'],
    ' ': ['  '],
    'M': ['#   #', '## ##', '# # #', '#   #', '#   #'],
    'H': ['# #', '# #', '###', '# #', '# #'],
    'z': ['   ', '###', ' # ', '#  ', '###'],
}


class Picture(Canvas):
    """A width x height field of RGB pixels, all painted (no transparency)."""

    def __init__(self, width, height, colour):
        super().__init__(width, height, colour)

    def arc(self, cx, cy, r, a0, a1, c):
        """An arc one pixel wide; angles in degrees, 0 = right, 90 = up."""
        steps = max(8, int(r * abs(a1 - a0) / 10))
        for i in range(steps + 1):
            a = math.radians(a0 + (a1 - a0) * i / steps)
            self.put(int(math.floor(cx + r * math.cos(a))),
                     int(math.floor(cy - r * math.sin(a))), c)


def mix(a, b, t):
    return tuple(int(round(p + (q - p) * t)) for p, q in zip(a, b))


def bevel(pic, x0, y0, x1, y1, face, raised=True, deep=False):
    """A box with a black outline, lit from the top left (sunk if not raised)."""
    pic.rect(x0, y0, x1, y1, BLACK)
    pic.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, face)
    hi, lo = (WHITE, DARK) if raised else (DARK, WHITE)
    pic.line(x0 + 1, y0 + 1, x1 - 2, y0 + 1, hi)
    pic.line(x0 + 1, y0 + 1, x0 + 1, y1 - 2, hi)
    pic.line(x0 + 2, y1 - 1, x1 - 1, y1 - 1, lo)
    pic.line(x1 - 1, y0 + 2, x1 - 1, y1 - 1, lo)
    if deep:
        pic.line(x0 + 2, y0 + 2, x1 - 3, y0 + 2, LIGHT)
        pic.line(x0 + 2, y0 + 2, x0 + 2, y1 - 3, LIGHT)
        pic.line(x0 + 3, y1 - 2, x1 - 2, y1 - 2, DARK)
        pic.line(x1 - 2, y0 + 3, x1 - 2, y1 - 2, DARK)


def small_lamp(pic, x, y, look):
    """A 5x5 round lamp in a black ring, its top left corner at x, y."""
    body, hi, rim = look
    pic.pattern(x, y, [' ### ', '#bbb#', '#bbr#', '#brr#', ' ### '],
                {'#': BLACK, 'b': body, 'r': rim})
    pic.put(x + 1, y + 1, hi)


def knob(pic, cx, cy):
    """A round grey knob, its black pointer at twelve o'clock."""
    rows = ['  #####  ',
            ' #wwwwl# ',
            '#wllllld#',
            '#wll#lld#',
            '#wll#lld#',
            '#lllllld#',
            '#lllllld#',
            ' #ddddd# ',
            '  #####  ']
    pic.pattern(cx - 4, cy - 4, rows, {'#': BLACK, 'w': WHITE, 'l': GREY, 'd': DARK})


def about_picture(pic):
    w, h = pic.width, pic.height
    ground = 132

    # Sky: a soft blue fading to a pale haze at the horizon.
    top, haze = (88, 128, 200), (224, 232, 240)
    for y in range(ground):
        pic.rect(0, y, w - 1, y, mix(top, haze, (y / (ground - 1)) ** 0.8))
    # Floor: lighter towards the viewer.
    for y in range(ground, h):
        pic.rect(0, y, w - 1, y, mix(FLOOR_DARK, FLOOR, (y - ground) / (h - ground - 1)))
    pic.line(0, ground, w - 1, ground, DARKER)

    # Waves from the mast top, both ways, fading as they spread.
    tx, ty = 40, 13
    for i, r in enumerate((7, 12, 17, 22, 27, 32)):
        c = mix(NAVY, haze, i / 7)
        pic.arc(tx + 0.5, ty + 0.5, r, -38, 38, c)
        pic.arc(tx + 0.5, ty + 0.5, r, 142, 218, c)

    # Guy wires from the mast into the ground behind the cabinet.
    for gx in (2, w - 3):
        pic.line(tx, 36, gx, ground, (120, 128, 144))

    # A lattice mast, narrow at the top, standing behind the cabinet.
    top_y, foot = 18, 90
    for y in range(top_y, foot + 1):
        half = 1.5 + (y - top_y) * 9 / (foot - top_y)
        l, r = int(round(tx - half)), int(round(tx + half))
        pic.put(l, y, BLACK)
        pic.put(r, y, BLACK)
    prev = None
    for y in list(range(top_y, foot, 8)) + [foot]:
        half = 1.5 + (y - top_y) * 9 / (foot - top_y)
        l, r = int(round(tx - half)), int(round(tx + half))
        pic.line(l, y, r, y, STEEL if prev else BLACK)
        if prev:
            pl, pr, py = prev
            pic.line(pl + 1, py + 1, r - 1, y - 1, STEEL)
            pic.line(pr - 1, py + 1, l + 1, y - 1, STEEL)
        prev = (l, r, y)
    # The radiator rod and its red warning light.
    pic.line(tx, ty + 1, tx, top_y, BLACK)
    pic.pattern(tx - 2, ty - 4, [' ### ', '#rpr#', '#rrr#', ' ### '],
                {'#': BLACK, 'r': RED, 'p': PINK})

    # The transmitter cabinet, seen a little from above and the left, its
    # shadow falling back to the right.
    x0, y0, x1, y1, d = 7, 66, 66, 139, 5
    for y in range(ground + 1, y1 + 3):
        pic.line(x1 + 1, y, min(w - 1, x1 + d + 4 + (y1 - y) // 2), y, SHADOW)
    for k in range(1, d + 1):
        pic.line(x0 + k, y0 - k, x1 + k, y0 - k, LIGHT)
        pic.line(x1 + k, y0 - k, x1 + k, y1 - k, DARK)
    pic.line(x0, y0, x0 + d, y0 - d, BLACK)
    pic.line(x0 + d, y0 - d, x1 + d, y0 - d, BLACK)
    pic.line(x1 + d, y0 - d, x1 + d, y1 - d, BLACK)
    pic.line(x1 + d, y1 - d, x1, y1, BLACK)
    pic.line(x1 + 1, y0 - 1, x1 + d - 1, y0 - d + 1, GREY)
    bevel(pic, x0, y0, x1, y1, GREY, deep=True)
    # Feet.
    for fx in (x0 + 3, x1 - 9):
        pic.rect(fx, y1 + 1, fx + 6, y1 + 2, BLACK)

    # Name plate.
    bevel(pic, x0 + 15, y0 + 4, x1 - 15, y0 + 14, LIGHT, raised=False)
    draw_text(pic, (x0 + x1 + 1) / 2, y0 + 6, 'TRX', FONT, BLACK, bold=True)

    # The panel's green display: the frequency and a power bar.
    dx0, dy0, dx1 = x0 + 6, y0 + 18, x1 - 6
    pic.rect(dx0, dy0, dx1, dy0 + 18, DARK)
    pic.line(dx0 + 1, dy0 + 18, dx1, dy0 + 18, WHITE)
    pic.line(dx1, dy0 + 1, dx1, dy0 + 18, WHITE)
    pic.rect(dx0 + 1, dy0 + 1, dx1 - 1, dy0 + 17, BLACK)
    pic.rect(dx0 + 2, dy0 + 2, dx1 - 2, dy0 + 16, DISPLAY_BG)
    text = '12,5 MHz'
    width = sum(len(DISPLAY_FONT[ch][0]) + 1 for ch in text) - 1
    x = (dx0 + dx1 + 1 - width) // 2
    for ch in text:
        pic.pattern(x, dy0 + 4, DISPLAY_FONT[ch], {'#': DISPLAY_FG})
        x += len(DISPLAY_FONT[ch][0]) + 1
    for i in range(10):
        bx = (dx0 + dx1 + 1 - 39) // 2 + 4 * i
        pic.rect(bx, dy0 + 11, bx + 2, dy0 + 14, DISPLAY_FG if i < 7 else (0, 150, 0))

    # Status lamps.
    ly = y0 + 41
    for i, look in enumerate((LAMP_GREEN_ON, LAMP_YELLOW_ON, LAMP_GREEN_OFF, LAMP_RED_OFF)):
        small_lamp(pic, x0 + 8 + 12 * i, ly, look)

    # Keys: four raised, the operating one pressed and lit.
    ky = y0 + 50
    for i in range(4):
        kx = x0 + 6 + 12 * i
        pressed = i == 1
        bevel(pic, kx, ky, kx + 11, ky + 9, GREY, raised=not pressed)
        body, hi, rim = LAMP_GREEN_ON if pressed else LAMP_GREEN_OFF
        pic.rect(kx + 3, ky + 3 + pressed, kx + 8, ky + 4 + pressed, body)
        pic.line(kx + 3, ky + 3 + pressed, kx + 5, ky + 3 + pressed, hi)

    # Knobs and the ventilation louvres.
    knob(pic, x0 + 10, y1 - 9)
    knob(pic, x1 - 10, y1 - 9)
    for y in range(y1 - 13, y1 - 4, 3):
        pic.line(x0 + 18, y, x1 - 18, y, DARKER)
        pic.line(x0 + 18, y + 1, x1 - 18, y + 1, WHITE)


# file stem, resource ID, width, height, drawing
BITMAPS = [
    ('about', 178, 80, 147, about_picture),
]


def bmp(width, height, draw):
    pic = Picture(width, height, GREY)
    draw(pic)
    stride = (3 * width + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(pic.px):
        for r, g, b in row:
            pixels += bytes((b, g, r))
        pixels += bytes(stride - 3 * width)
    offset = 14 + 40
    return (b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset)
            + struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels),
                          2835, 2835, 0, 0)
            + bytes(pixels))


def main(argv):
    if argv[1:] == ['--list']:
        print('\n'.join(stem + '.bmp' for stem, *_ in BITMAPS))
        return 0
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    os.makedirs(argv[1], exist_ok=True)
    for stem, _, width, height, draw in BITMAPS:
        with open(os.path.join(argv[1], stem + '.bmp'), 'wb') as f:
            f.write(bmp(width, height, draw))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
