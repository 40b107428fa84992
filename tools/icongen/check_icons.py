#!/usr/bin/env python3
"""Checks the drawn icons against resource.h and the resource script.

    check_icons.py ICON_DIR resource.h trxdesk.rc

Every IDI_ name in resource.h must have one ICON statement, every ICON file must
have been drawn, and each must be a valid ICO with a 32x32 and a 16x16 image in
32-bit BGRA whose AND mask agrees with its alpha. Normal and lit icons of a pair
must differ, and so must the four pictures of each indicator. Prints every fault
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

    for message in faults:
        print(message)
    print('%d icons checked, %d faults' % (len(pictures), len(faults)))
    return 1 if faults else 0


if __name__ == '__main__':
    if len(sys.argv) != 4:
        sys.stderr.write(__doc__)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
