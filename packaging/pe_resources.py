#!/usr/bin/env python3
"""Reads what Windows reads from an exe's resources, for the package check.

  pe_resources.py manifest EXE   the elements of the manifest that applies to the process
                                 (RT_MANIFEST, ID 1), one a line with its attributes and
                                 text, comments left out; it must be well-formed XML
  pe_resources.py version EXE    the version resource: "FileVersion=<text> fixed=<a.b.c.d>",
                                 one line per string table
  pe_resources.py strings EXE    every string of the version resource's first string table,
                                 "<name>=<text>" one a line (what Explorer shows)
Exits 1 with a message when the resource is missing or malformed.
"""
import struct
import sys
import xml.dom.minidom
import xml.parsers.expat

RT_VERSION, RT_MANIFEST = 16, 24


def resources(path):
    """{(type, id): data} of every resource, in its first language (a named type or name
    keeps its raw field, which no number equals)."""
    pe = open(path, 'rb').read()
    head = struct.unpack_from('<I', pe, 0x3C)[0]
    if pe[head:head + 4] != b'PE\0\0':
        raise ValueError('not a PE file')
    sections, opt_size = struct.unpack_from('<H12xH', pe, head + 6)
    opt = head + 24
    magic = struct.unpack_from('<H', pe, opt)[0]
    rsrc_rva = struct.unpack_from('<I', pe, opt + (96 if magic == 0x10B else 112) + 2 * 8)[0]

    def offset(rva):
        for s in range(sections):
            vsize, vaddr, rsize, raw = struct.unpack_from('<4I', pe, opt + opt_size + 40 * s + 8)
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raw + rva - vaddr
        raise ValueError('RVA %#x is in no section' % rva)

    base = offset(rsrc_rva)

    def entries(directory):
        named, ids = struct.unpack_from('<2H', pe, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from('<2I', pe, base + directory + 16 + 8 * i)
            yield name, target & 0x7FFFFFFF

    found = {}
    for rtype, names in entries(0):
        for rid, langs in entries(names):
            lang = next(entries(langs))[1]
            rva, size = struct.unpack_from('<2I', pe, base + lang)
            found.setdefault((rtype, rid), pe[offset(rva):offset(rva) + size])
    return found


def version_blocks(data, pos=0):
    """The VS_VERSIONINFO tree: (key, value bytes, is_text, children)."""
    length, value_len, is_text = struct.unpack_from('<3H', data, pos)
    key_end = pos + 6
    while data[key_end:key_end + 2] != b'\0\0':
        key_end += 2
    key = data[pos + 6:key_end].decode('utf-16-le')
    value_at = (key_end + 2 + 3) & ~3
    value = data[value_at:value_at + value_len * (2 if is_text else 1)]
    child, children = (value_at + len(value) + 3) & ~3, []
    while child < pos + length:
        children.append(version_blocks(data, child))
        child = (child + struct.unpack_from('<H', data, child)[0] + 3) & ~3
    return key, value, is_text, children


def main(what, path):
    try:
        found = resources(path)
    except (ValueError, struct.error) as error:
        sys.exit('%s: no readable resources: %s' % (path, error))
    if what == 'manifest':
        if (RT_MANIFEST, 1) not in found:
            sys.exit('%s: no manifest resource (type 24, ID 1)' % path)
        text = found[(RT_MANIFEST, 1)].decode('utf-8-sig')
        try:
            document = xml.dom.minidom.parseString(text.encode('utf-8'))
        except xml.parsers.expat.ExpatError as error:
            sys.exit('%s: the manifest is not well-formed XML: %s' % (path, error))
        for element in document.getElementsByTagName('*'):
            words = [element.localName or element.tagName]
            words += ['%s="%s"' % item for item in sorted(element.attributes.items())]
            words += [n.data.strip() for n in element.childNodes
                      if n.nodeType == n.TEXT_NODE and n.data.strip()]
            print(' '.join(words))
    elif what in ('version', 'strings'):
        if (RT_VERSION, 1) not in found:
            sys.exit('%s: no version resource' % path)
        key, fixed, _, children = version_blocks(found[(RT_VERSION, 1)])
        signature, _, ms, ls = struct.unpack_from('<4I', fixed)
        if key != 'VS_VERSION_INFO' or signature != 0xFEEF04BD:
            sys.exit('%s: malformed version resource' % path)
        numbers = '%d.%d.%d.%d' % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        tables = [t for k, _, _, ts in children if k == 'StringFileInfo' for t in ts]
        if not tables:
            sys.exit('%s: version resource without strings' % path)
        texts = [[(k, v.decode('utf-16-le').rstrip('\0')) for k, v, _, _ in strings]
                 for _, _, _, strings in tables]
        if what == 'strings':
            for name, text in texts[0]:
                print('%s=%s' % (name, text))
        for table in texts if what == 'version' else []:
            text = [t for name, t in table if name == 'FileVersion']
            print('FileVersion=%s fixed=%s' % ((text or ['(none)'])[0], numbers))
    else:
        sys.exit(__doc__)


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
