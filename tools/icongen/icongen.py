#!/usr/bin/env python3
"""Draws every icon of the TRXDESK panel and writes them as .ico files.

Each file holds two images, 32x32 and 16x16, as 32-bit BGRA bitmaps with an AND
mask. The art is hand-placed pixel work in the classic Windows look: black
outlines, bevelled grey keys and a small palette. Python standard library only,
so the build needs nothing but python3.

    icongen.py OUTDIR        write all icons into OUTDIR
    icongen.py --list        print the file names, one a line (for the build)
"""

import math
import os
import struct
import sys

# Palette: the 16 classic colours plus the panel's display greens and a few
# lamp shades.
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (192, 192, 192)
LIGHT = (223, 223, 223)
DARK = (128, 128, 128)
DARKER = (64, 64, 64)
RED = (255, 0, 0)
MAROON = (128, 0, 0)
DEEP_RED = (80, 0, 0)
PINK = (255, 160, 160)
YELLOW = (255, 255, 0)
PALE_YELLOW = (255, 255, 192)
OLIVE = (128, 128, 0)
DEEP_OLIVE = (72, 72, 0)
GREEN = (0, 255, 0)
PALE_GREEN = (192, 255, 192)
DARK_GREEN = (0, 128, 0)
DEEP_GREEN = (0, 64, 0)
DISPLAY_BG = (0, 100, 0)      # the panel's dark green
DISPLAY_FG = (43, 255, 43)    # the panel's green
NAVY = (0, 0, 128)
BLUE = (0, 0, 255)

# A lamp in its two looks: (body, highlight, rim).
LAMP_GREEN_ON = (GREEN, PALE_GREEN, DARK_GREEN)
LAMP_GREEN_OFF = (DEEP_GREEN, DARK_GREEN, BLACK)
LAMP_YELLOW_ON = (YELLOW, PALE_YELLOW, OLIVE)
LAMP_YELLOW_OFF = (DEEP_OLIVE, OLIVE, BLACK)
LAMP_RED_ON = (RED, PINK, MAROON)
LAMP_RED_OFF = (MAROON, (176, 64, 64), DEEP_RED)
LAMP_GREY = (DARK, GREY, DARKER)


class Canvas:
    """A field of pixels, square for an icon; None is transparent."""

    def __init__(self, size, height=None, fill=None):
        self.size = size
        self.width, self.height = size, size if height is None else height
        self.px = [[fill] * self.width for _ in range(self.height)]

    def put(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, c)
            if (x0, y0) == (x1, y1):
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, c):
        """Pixels whose centre lies within r of (cx, cy); centres are at .5."""
        for y in range(self.height):
            for x in range(self.width):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def arc(self, cx, cy, r, a0, a1, c):
        """An arc one pixel wide; angles in degrees, 0 = right, 90 = up."""
        steps = max(8, int(r * abs(a1 - a0) / 20))
        for i in range(steps + 1):
            a = math.radians(a0 + (a1 - a0) * i / steps)
            self.put(int(math.floor(cx + r * math.cos(a))),
                     int(math.floor(cy - r * math.sin(a))), c)

    def pattern(self, x, y, rows, colours):
        """Rows of characters; each character maps to a colour or is skipped."""
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch in colours:
                    self.put(x + i, y + j, colours[ch])


# Two pixel fonts: 5x7 for the 32x32 images, 3x5 for the 16x16 images.
FONT_5X7 = {
    '0': [' ### ', '#   #', '#   #', '#   #', '#   #', '#   #', ' ### '],
    '1': ['  #  ', ' ##  ', '  #  ', '  #  ', '  #  ', '  #  ', ' ### '],
    '2': [' ### ', '#   #', '    #', '   # ', '  #  ', ' #   ', '#####'],
    '3': ['#####', '   # ', '  #  ', '   # ', '    #', '#   #', ' ### '],
    '5': ['#####', '#    ', '#### ', '    #', '    #', '#   #', ' ### '],
    '7': ['#####', '    #', '   # ', '  #  ', ' #   ', ' #   ', ' #   '],
    '8': [' ### ', '#   #', '#   #', ' ### ', '#   #', '#   #', ' ### '],
    'A': [' ### ', '#   #', '#   #', '#####', '#   #', '#   #', '#   #'],
    'B': ['#### ', '#   #', '#   #', '#### ', '#   #', '#   #', '#### '],
    'C': [' ### ', '#   #', '#    ', '#    ', '#    ', '#   #', ' ### '],
    'F': ['#####', '#    ', '#    ', '#### ', '#    ', '#    ', '#    '],
    'H': ['#   #', '#   #', '#   #', '#####', '#   #', '#   #', '#   #'],
    'J': ['  ###', '   # ', '   # ', '   # ', '   # ', '#  # ', ' ##  '],
    'R': ['#### ', '#   #', '#   #', '#### ', '# #  ', '#  # ', '#   #'],
    'W': ['#   #', '#   #', '#   #', '# # #', '# # #', '# # #', ' # # '],
    'k': ['#   ', '#   ', '#  #', '# # ', '##  ', '# # ', '#  #'],
    'r': ['    ', '    ', '# ##', '##  ', '#   ', '#   ', '#   '],
}
FONT_3X5 = {
    '0': ['###', '# #', '# #', '# #', '###'],
    '1': [' # ', '## ', ' # ', ' # ', '###'],
    '2': ['## ', '  #', ' # ', '#  ', '###'],
    '3': ['## ', '  #', ' # ', '  #', '## '],
    '5': ['###', '#  ', '## ', '  #', '## '],
    '7': ['###', '  #', ' # ', ' # ', ' # '],
    '8': ['###', '# #', '###', '# #', '###'],
    'A': [' # ', '# #', '###', '# #', '# #'],
    'B': ['## ', '# #', '## ', '# #', '## '],
    'C': [' ##', '#  ', '#  ', '#  ', ' ##'],
    'F': ['###', '#  ', '## ', '#  ', '#  '],
    'H': ['# #', '# #', '###', '# #', '# #'],
    'J': ['  #', '  #', '  #', '# #', ' # '],
    'R': ['## ', '# #', '## ', '# #', '# #'],
    'k': ['#  ', '# #', '## ', '# #', '# #'],
    'r': ['  ', '  ', '##', '# ', '# '],
}


def text_width(text, font, bold):
    widths = [len(font[ch][0]) + (1 if bold else 0) for ch in text]
    return sum(widths) + len(widths) - 1


def draw_text(cv, cx, y, text, font, colour, bold=False):
    """Draws text centred on column cx; bold doubles each stroke to the right."""
    x = int(round(cx - text_width(text, font, bold) / 2))
    for ch in text:
        glyph = font[ch]
        for dx in ((0, 1) if bold else (0,)):
            cv.pattern(x + dx, y, glyph, {'#': colour})
        x += len(glyph[0]) + (1 if bold else 0) + 1


# ---------------------------------------------------------------- keys

def key_body(cv):
    """A raised grey key filling the canvas: black outline with cut corners,
    white light from the top left, dark grey shadow at the bottom right."""
    n = cv.size - 1
    cv.rect(1, 1, n - 1, n - 1, GREY)
    cv.line(1, 0, n - 1, 0, BLACK)
    cv.line(1, n, n - 1, n, BLACK)
    cv.line(0, 1, 0, n - 1, BLACK)
    cv.line(n, 1, n, n - 1, BLACK)
    cv.line(1, 1, n - 2, 1, WHITE)
    cv.line(1, 1, 1, n - 2, WHITE)
    cv.line(2, n - 1, n - 1, n - 1, DARK)
    cv.line(n - 1, 2, n - 1, n - 1, DARK)
    if cv.size == 32:
        cv.line(2, 2, n - 3, 2, LIGHT)
        cv.line(2, 2, 2, n - 3, LIGHT)
        cv.line(3, n - 2, n - 1, n - 2, DARK)
        cv.line(n - 2, 3, n - 2, n - 1, DARK)


def key_light(cv, lamp):
    """The signal light at the top of a key: a lamp set into a sunken slot."""
    body, hi, rim = lamp
    if cv.size == 32:
        x0, x1, y0, y1 = 9, 22, 4, 10
    else:
        x0, x1, y0, y1 = 4, 11, 2, 5
    cv.line(x0, y0, x1 - 1, y0, DARK)          # sunken slot
    cv.line(x0, y0, x0, y1 - 1, DARK)
    cv.line(x0 + 1, y1, x1, y1, WHITE)
    cv.line(x1, y0 + 1, x1, y1, WHITE)
    if cv.size == 32:
        cv.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, rim)
        cv.rect(x0 + 2, y0 + 2, x1 - 2, y1 - 2, body)
        cv.line(x0 + 3, y0 + 2, x1 - 5, y0 + 2, hi)
    else:
        cv.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, body)
        cv.line(x0 + 1, y1 - 1, x1 - 1, y1 - 1, rim)
        cv.line(x0 + 2, y0 + 1, x0 + 3, y0 + 1, hi)


def label_row(cv):
    """Top row of a label centred in the key face below the light."""
    return 16 if cv.size == 32 else 8


def key_label(cv, text):
    if cv.size == 32:
        draw_text(cv, 16, label_row(cv), text, FONT_5X7, BLACK, bold=True)
    else:
        draw_text(cv, 8, label_row(cv), text, FONT_3X5, BLACK)


STANDBY_32 = [
    '     ##     ',
    '  #  ##  #  ',
    ' ##  ##  ## ',
    '##   ##   ##',
    '##   ##   ##',
    '##        ##',
    '##        ##',
    ' ##      ## ',
    '  ##    ##  ',
    '   ######   ',
    '    ####    ',
]
STANDBY_16 = [
    '   #   ',
    ' # # # ',
    '#  #  #',
    '#     #',
    '#     #',
    ' #   # ',
    '  ###  ',
]
FORK_32 = [
    '##   ##',
    '##   ##',
    '##   ##',
    '##   ##',
    '##   ##',
    '##   ##',
    ' ##### ',
    '  ###  ',
    '   #   ',
    '   #   ',
    '   #   ',
    '  ###  ',
]
FORK_16 = [
    '# #',
    '# #',
    '###',
    ' # ',
    ' # ',
]


def symbol_key(rows_32, rows_16):
    def draw(cv):
        rows = rows_32 if cv.size == 32 else rows_16
        w, h = len(rows[0]), len(rows)
        if cv.size == 32:
            x, y = 16 - w // 2, 20 - h // 2
        else:
            x, y = 8 - (w + 1) // 2, 13 - h
        cv.pattern(x, y, rows, {'#': BLACK})
    return draw


def text_key(text):
    return lambda cv: key_label(cv, text)


def make_key(face, lamp):
    def draw(cv):
        key_body(cv)
        key_light(cv, lamp)
        face(cv)
    return draw


# ---------------------------------------------------------------- lamps

def lamp(cv, cx, cy, r, look):
    """A round lamp with a black outline, lit from the top left: a shadow
    crescent at the bottom right and a highlight spot at the top left."""
    body, hi, rim = look
    shift = max(1.0, r * 0.18)
    for y in range(cv.size):
        for x in range(cv.size):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - cx, py - cy)
            if d > r:
                continue
            if d > r - 1:
                c = BLACK
            elif math.hypot(px - cx + shift, py - cy + shift) > r - 1:
                c = rim
            elif math.hypot(px - cx + r * 0.38, py - cy + r * 0.38) < max(0.8, r * 0.25):
                c = hi
            else:
                c = body
            cv.put(x, y, c)


SYMBOLS = {
    # Bit 0: power stages free (a flash).
    'flash': (['    ###', '   ### ', '  ###  ', ' ######', '   ### ', '  ###  ',
               '  ##   ', ' ##    ', ' #     '],
              ['  ##', ' ## ', '####', ' ## ', '##  ', '#   ']),
    # Bit 2: warning (an exclamation mark in a triangle).
    'warn': (['     #     ', '    ###    ', '    # #    ', '   # # #   ', '   # # #   ',
              '  #  #  #  ', '  #  #  #  ', ' #       # ', ' #   #   # ', '#         #',
              '###########'],
             ['   #   ', '  # #  ', '  # #  ', ' # # # ', ' #   # ', '#  #  #', '#######']),
    # Bit 3: alarm (a bell).
    'bell': (['    ##    ', '   #  #   ', '  #    #  ', '  #    #  ', '  #    #  ',
              '  #    #  ', ' #      # ', ' #      # ', '#        #', '##########',
              '    ##    '],
             ['  #  ', ' # # ', ' # # ', ' # # ', '#   #', '#####', '  #  ']),
}



def sine_rows(width, height, amplitude, thickness):
    """One period of a sine wave as pattern rows."""
    rows = [[' '] * width for _ in range(height)]
    for i in range(width):
        y = int(round(height / 2 - 0.5 - amplitude * math.sin(2 * math.pi * i / (width - 1))))
        for t in range(thickness):
            rows[min(height - 1, y + t)][i] = '#'
    return [''.join(r) for r in rows]


# Bit 1: radio frequency (a wave).
SYMBOLS['wave'] = (sine_rows(11, 11, 3.4, 2), sine_rows(6, 6, 1.6, 1))


def draw_symbol(cv, name, x, y):
    rows = SYMBOLS[name][0 if cv.size == 32 else 1]
    cv.pattern(x, y, rows, {'#': BLACK})


def indicator(top, bottom):
    """Two lamps one above the other, each with its symbol to the right.
    top and bottom are (look, symbol)."""
    def draw(cv):
        for (look, symbol), half in ((top, 0), (bottom, 1)):
            if cv.size == 32:
                cy = 8 + 16 * half
                lamp(cv, 8, cy, 7.5, look)
                draw_symbol(cv, symbol, 18, cy - 6)
            else:
                cy = 3.5 + 8 * half
                lamp(cv, 3.5, cy, 3.5, look)
                draw_symbol(cv, symbol, 9, int(cy) - 3)
    return draw


def link_lamp(look):
    def draw(cv):
        if cv.size == 32:
            lamp(cv, 16, 16, 14, look)
        else:
            lamp(cv, 8, 8, 7, look)
    return draw


# ---------------------------------------------------------------- program icon

DISPLAY_DIGITS_32 = [  # "12,5" in the display's own green
    ' # ### ###',
    '##   # #  ',
    ' # ### ###',
    ' # #     #',
    ' # ### ###',
    '      #   ',
]


def cabinet(cv, display_on):
    """A transmitter cabinet with a green display and two knobs."""
    if cv.size == 32:
        x0, y0, x1, y1 = 1, 14, 19, 30
    else:
        x0, y0, x1, y1 = 0, 8, 9, 15
    cv.rect(x0, y0, x1, y1, BLACK)
    cv.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, GREY)
    cv.line(x0 + 1, y0 + 1, x1 - 1, y0 + 1, WHITE)
    cv.line(x0 + 1, y0 + 1, x0 + 1, y1 - 1, WHITE)
    cv.line(x0 + 2, y1 - 1, x1 - 1, y1 - 1, DARK)
    cv.line(x1 - 1, y0 + 2, x1 - 1, y1 - 1, DARK)
    if cv.size == 32:
        cv.rect(x0 + 3, y0 + 3, x1 - 3, y0 + 10, BLACK)
        cv.rect(x0 + 4, y0 + 4, x1 - 4, y0 + 9, DISPLAY_BG)
        if display_on:
            cv.pattern(x0 + 5, y0 + 4, DISPLAY_DIGITS_32, {'#': DISPLAY_FG})
        for kx in (x0 + 5, x1 - 5):
            cv.disc(kx + 0.5, y1 - 2.5, 1.6, BLACK)
    else:
        cv.rect(x0 + 2, y0 + 2, x1 - 2, y0 + 4, BLACK)
        cv.line(x0 + 3, y0 + 3, x1 - 3, y0 + 3, DISPLAY_BG)
        if display_on:
            cv.pattern(x0 + 3, y0 + 3, ['# ## '], {'#': DISPLAY_FG})
        cv.put(x0 + 3, y1 - 2, BLACK)
        cv.put(x1 - 3, y1 - 2, BLACK)


def mast(cv):
    """A lattice mast with a red top light."""
    if cv.size == 32:
        tx, ty, foot, left, right = 25, 8, 30, 21, 29
        cv.line(tx, ty, left, foot, BLACK)
        cv.line(tx, ty, right, foot, BLACK)
        edges = []
        for y in range(12, foot + 1, 6):
            half = (y - ty) * (right - left) / 2 / (foot - ty)
            edges.append((int(round(tx - half)), int(round(tx + half)), y))
        for (l0, r0, y0), (l1, r1, y1) in zip(edges, edges[1:]):
            cv.line(l0, y0, r0, y0, BLACK)
            cv.line(l0, y0, r1, y1, BLACK)
            cv.line(r0, y0, l1, y1, BLACK)
        cv.line(left - 1, foot, right + 1, foot, BLACK)
        cv.line(tx, ty - 3, tx, ty, BLACK)
        cv.rect(tx - 1, ty - 6, tx + 1, ty - 4, RED)
    else:
        cv.line(12, 4, 10, 15, BLACK)
        cv.line(12, 4, 14, 15, BLACK)
        cv.line(11, 9, 13, 9, BLACK)
        cv.line(10, 13, 14, 13, BLACK)
        cv.put(12, 3, BLACK)
        cv.put(12, 2, RED)


def waves(cv, both_sides=True):
    if cv.size == 32:
        cx, cy = 25.5, 3.5
        for r in (4, 7):
            cv.arc(cx, cy, r, -50, 50, NAVY)
            if both_sides:
                cv.arc(cx, cy, r, 130, 230, NAVY)
    else:
        cv.pattern(14, 0, ['#', ' #', ' #', '#'], {'#': NAVY})
        if both_sides:
            cv.pattern(9, 0, [' #', '#', '#', ' #'], {'#': NAVY})


QUESTION_32 = [
    '  #####   ',
    ' #######  ',
    '###   ### ',
    '###   ### ',
    '     ###  ',
    '    ###   ',
    '   ###    ',
    '   ###    ',
    '          ',
    '   ###    ',
    '   ###    ',
]
QUESTION_16 = [
    ' ### ',
    '#   #',
    '   # ',
    '  #  ',
    '     ',
    '  #  ',
]


def outlined(cv, x, y, rows, colour):
    """Draws a shape in colour with a one-pixel black outline around it."""
    for j, row in enumerate(rows):
        for i, ch in enumerate(row):
            if ch == '#':
                for dx in (-1, 0, 1):
                    for dy in (-1, 0, 1):
                        cv.put(x + i + dx, y + j + dy, BLACK)
    cv.pattern(x, y, rows, {'#': colour})


def program_icon(cv):
    mast(cv)
    waves(cv)
    cabinet(cv, display_on=True)


def unknown_state_icon(cv):
    mast(cv)
    waves(cv, both_sides=False)
    cabinet(cv, display_on=False)
    if cv.size == 32:
        outlined(cv, 3, 2, QUESTION_32, RED)
    else:
        outlined(cv, 1, 1, QUESTION_16, RED)


# ---------------------------------------------------------------- the icon set

STATE_LIT = LAMP_GREEN_ON
STATE_DARK = LAMP_GREEN_OFF

# file stem, resource ID, drawing
ICONS = [
    ('app', 102, program_icon),
    ('unknown_state', 172, unknown_state_icon),
    ('link_up', 127, link_lamp(LAMP_RED_OFF)),
    ('link_down', 128, link_lamp(LAMP_RED_ON)),
]

for stem, normal_id, lit_id, face in (
        ('standby', 112, 114, symbol_key(STANDBY_32, STANDBY_16)),
        ('tune', 115, 116, symbol_key(FORK_32, FORK_16)),
        ('nopower', 118, 119, text_key('0')),
        ('p100', 125, 121, text_key('100')),
        ('p250', 122, 123, text_key('250')),
        ('p1000', 124, 120, text_key('1k'))):
    ICONS.append(('state_' + stem, normal_id, make_key(face, STATE_DARK)))
    ICONS.append(('state_' + stem + '_lit', lit_id, make_key(face, STATE_LIT)))

for name, normal_id, lit_id in (
        ('J3', 146, 157), ('F1', 141, 152), ('J3C', 147, 160), ('A1', 159, 149),
        ('F7', 142, 153), ('B8', 139, 150), ('Br8', 140, 151), ('R3', 148, 138),
        ('H3', 144, 155), ('J2', 145, 156), ('H2', 143, 154)):
    stem = 'preset_' + name.lower()
    ICONS.append((stem, normal_id, make_key(text_key(name), LAMP_GREY)))
    ICONS.append((stem + '_lit', lit_id, make_key(text_key(name), LAMP_RED_ON)))

# Indicator 1054: bit 1 yellow on top, bit 0 green below; field values 0..3.
for value, icon_id in ((0, 182), (1, 187), (2, 188), (3, 184)):
    ICONS.append(('ind_low_%d' % value, icon_id, indicator(
        (LAMP_YELLOW_ON if value & 2 else LAMP_YELLOW_OFF, 'wave'),
        (LAMP_GREEN_ON if value & 1 else LAMP_GREEN_OFF, 'flash'))))
# Indicator 1055: bit 2 yellow on top, bit 3 red alarm below; field values 0, 4, 8, 12.
for value, icon_id in ((0, 183), (4, 185), (8, 189), (12, 186)):
    ICONS.append(('ind_high_%d' % value, icon_id, indicator(
        (LAMP_YELLOW_ON if value & 4 else LAMP_YELLOW_OFF, 'warn'),
        (LAMP_RED_ON if value & 8 else LAMP_RED_OFF, 'bell'))))


# ---------------------------------------------------------------- ICO writing

def bitmap(cv):
    """BITMAPINFOHEADER, bottom-up BGRA pixels and the AND mask of one image."""
    n = cv.size
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    stride = (n + 31) // 32 * 4
    for y in reversed(range(n)):
        bits = bytearray(stride)
        for x in range(n):
            c = cv.px[y][x]
            if c is None:
                pixels += b'\0\0\0\0'
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                pixels += bytes((c[2], c[1], c[0], 255))
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def ico(draw):
    images = []
    for n in (32, 16):
        cv = Canvas(n)
        draw(cv)
        images.append((n, bitmap(cv)))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in images:
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(data for _, data in images)


def main(argv):
    if argv[1:] == ['--list']:
        print('\n'.join(stem + '.ico' for stem, _, _ in ICONS))
        return 0
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    os.makedirs(argv[1], exist_ok=True)
    for stem, _, draw in ICONS:
        path = os.path.join(argv[1], stem + '.ico')
        with open(path, 'wb') as f:
            f.write(ico(draw))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
