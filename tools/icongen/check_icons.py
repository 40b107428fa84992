#!/usr/bin/env python3
"""Checks the drawn icons and bitmaps against resource.h and the resource script.

    check_icons.py ICON_DIR resource.h trxdesk.rc

Every IDI_ name in resource.h must have one ICON statement, every ICON file must
have been drawn, and each must be a valid ICO with a 32x32 and a 16x16 image in
32-bit BGRA whose AND mask agrees with its alpha. Normal and lit icons of a pair
must differ, and so must the four pictures of each indicator. Likewise every
IDB_ name must have one BITMAP statement whose file was drawn into ICON_DIR as
a 24-bit BI_RGB bottom-up BMP of the size its dialog frames. Prints every fault
and exits 1 when there is one.
"""

import os
import re
import struct
import sys

faults = []


def fault(message):
    faults.append(message)


def read_images(path):
    """Returns {size: [rows of (b, g, r, a)]} or None after reporting the fault."""
    with open(path, 'rb') as f:
        data = f.read()
    name = os.path.basename(path)
    if len(data) < 6:
        fault('%s: too short' % name)
        return None
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    if (reserved, kind, count) != (0, 1, 2):
        fault('%s: header %d %d %d, expected an icon with 2 images' % (name, reserved, kind, count))
        return None
    images = {}
    for i in range(count):
        w, h, colours, _, planes, bits, size, offset = struct.unpack_from(
            '<BBBBHHII', data, 6 + 16 * i)
        if w != h or w not in (16, 32) or bits != 32 or planes != 1 or colours != 0:
            fault('%s: entry %d is %dx%d, %d bpp, %d planes' % (name, i, w, h, bits, planes))
            continue
        if offset + size > len(data):
            fault('%s: image %d runs past the end of the file' % (name, i))
            continue
        hdr = struct.unpack_from('<IiiHHI', data, offset)
        if hdr != (40, w, 2 * w, 1, 32, 0):
            fault('%s: %dx%d bitmap header %s' % (name, w, w, hdr))
            continue
        stride = (w + 31) // 32 * 4
        if size != 40 + w * w * 4 + stride * w:
            fault('%s: %dx%d image has %d bytes' % (name, w, w, size))
            continue
        pixels = offset + 40
        mask = pixels + w * w * 4
        rows = []
        for y in range(w):  # bottom-up in the file
            row = []
            for x in range(w):
                b, g, r, a = data[pixels + 4 * (y * w + x): pixels + 4 * (y * w + x) + 4]
                transparent = data[mask + y * stride + x // 8] >> (7 - x % 8) & 1
                if bool(transparent) != (a == 0):
                    fault('%s: %dx%d pixel %d,%d mask %d, alpha %d'
                          % (name, w, w, x, w - 1 - y, transparent, a))
                    return None
                row.append((b, g, r, a))
            rows.append(row)
        images[w] = rows
    if sorted(images) != [16, 32]:
        fault('%s: sizes %s, expected 16 and 32' % (name, sorted(images)))
        return None
    for n, rows in images.items():
        opaque = {p for row in rows for p in row if p[3]}
        if len(opaque) < 3:
            fault('%s: %dx%d image has only %d colours' % (name, n, n, len(opaque)))
    return images


# The size each picture is shown at; the About box frames 55x92 dialog units.
BITMAP_SIZES = {'IDB_ABOUT': (80, 147)}


def check_bitmap(path, name, size):
    """Reports a file that is not a whole 24-bit BI_RGB BMP of the given size."""
    with open(path, 'rb') as f:
        data = f.read()
    file = os.path.basename(path)
    if len(data) < 54 or data[:2] != b'BM':
        fault('%s: not a BMP file' % file)
        return
    file_size, _, offset = struct.unpack_from('<III', data, 2)
    hdr = struct.unpack_from('<IiiHHI', data, 14)
    if hdr != (40, size[0], size[1], 1, 24, 0):
        fault('%s: header %s, expected a %dx%d bottom-up 24-bit BI_RGB bitmap'
              % (file, hdr, size[0], size[1]))
        return
    stride = (3 * size[0] + 3) // 4 * 4
    if offset != 54 or file_size != len(data) or len(data) != 54 + stride * size[1]:
        fault('%s: %d bytes, says %d with pixels at %d' % (file, len(data), file_size, offset))
        return
    colours = {data[i:i + 3] for y in range(size[1]) for i in range(
        54 + y * stride, 54 + y * stride + 3 * size[0], 3)}
    if len(colours) < 16:
        fault('%s (%s) has only %d colours' % (file, name, len(colours)))


def main(icon_dir, header, script):
    with open(header) as f:
        ids = dict(re.findall(r'^#define\s+(IDI_\w+)\s+(\d+)', f.read(), re.M))
    with open(script, encoding='utf-8') as f:
        statements = re.findall(r'^\s*(\w+)\s+ICON\s+"([^"]+)"', f.read(), re.M)
    if not ids:
        fault('%s names no icons' % header)
    if len(set(ids.values())) != len(ids):
        fault('%s gives two icons the same number' % header)
    files = {}
    for name, file in statements:
        if name not in ids:
            fault('%s: ICON %s is not named in resource.h' % (script, name))
        elif name in files:
            fault('%s: two ICON statements for %s' % (script, name))
        files[name] = file
    for name in sorted(set(ids) - set(files)):
        fault('%s: no ICON statement for %s' % (script, name))

    pictures = {}
    for name, file in sorted(files.items()):
        path = os.path.join(icon_dir, file)
        if not os.path.isfile(path):
            fault('%s (%s) was not drawn' % (file, name))
            continue
        images = read_images(path)
        if images:
            pictures[name] = images

    def differ(group):
        present = [n for n in group if n in pictures]
        for i, a in enumerate(present):
            for b in present[i + 1:]:
                for n in (16, 32):
                    if pictures[a][n] == pictures[b][n]:
                        fault('%s and %s look the same at %dx%d' % (a, b, n, n))

    for name in ids:
        if name + '_LIT' in ids:
            differ([name, name + '_LIT'])
    differ([n for n in ids if n.startswith('IDI_IND_LOW_')])
    differ([n for n in ids if n.startswith('IDI_IND_HIGH_')])
    differ(['IDI_LINK_UP', 'IDI_LINK_DOWN'])

    with open(header) as f:
        bitmap_ids = re.findall(r'^#define\s+(IDB_\w+)\s+\d+', f.read(), re.M)
    with open(script, encoding='utf-8') as f:
        bitmaps = re.findall(r'^\s*(\w+)\s+BITMAP\s+"([^"]+)"', f.read(), re.M)
    for name in sorted(set(bitmap_ids) - {name for name, _ in bitmaps}):
        fault('%s: no BITMAP statement for %s' % (script, name))
    seen = set()
    for name, file in bitmaps:
        path = os.path.join(icon_dir, file)
        if name not in bitmap_ids:
            fault('%s: BITMAP %s is not named in resource.h' % (script, name))
        elif name in seen:
            fault('%s: two BITMAP statements for %s' % (script, name))
        elif name not in BITMAP_SIZES:
            fault('%s has no size in BITMAP_SIZES' % name)
        elif not os.path.isfile(path):
            fault('%s (%s) was not drawn' % (file, name))
        else:
            check_bitmap(path, name, BITMAP_SIZES[name])
        seen.add(name)

    for message in faults:
        print(message)
    print('%d icons and %d bitmaps checked, %d faults'
          % (len(pictures), len(bitmaps), len(faults)))
    return 1 if faults else 0


if __name__ == '__main__':
    if len(sys.argv) != 4:
        sys.stderr.write(__doc__)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
