"""Reads and patches WinHelp 3.1/4.0 files (.HLP): the internal-file directory, the B+ trees
of |CONTEXT and |TTLBTREE, and the |CTXOMAP number map.

Layout, all little-endian: a 16-byte header (magic 0x00035F3F, directory offset, first free
block, file size); every internal file starts with a 9-byte file header (reserved size, header
included; used size; flags) followed by its data; the directory and the indexes are B+ trees whose header
(38 bytes) is followed by fixed-size pages, leaf pages chained from left to right.
"""

import struct

HELP_MAGIC = 0x00035F3F
BTREE_MAGIC = 0x293B
FILE_HEADER = struct.Struct("<iiB")
BTREE_HEADER = struct.Struct("<HHH16shhhhhhi")
LEAF_HEADER = struct.Struct("<Hhhh")
INDEX_HEADER = struct.Struct("<Hhh")
# An ordinary internal file carries flag 4 in its file header.
FILE_FLAGS = 4


class HelpFileError(Exception):
    pass


def context_hash(name):
    """The 32-bit hash by which WinHelp finds a context string in |CONTEXT."""
    value = 0
    for c in name:
        if "A" <= c <= "Z":
            step = ord(c) - ord("A") + 17
        elif "a" <= c <= "z":
            step = ord(c) - ord("a") + 17
        elif "1" <= c <= "9":
            step = ord(c) - ord("0")
        elif c == "0":
            step = 10
        elif c == ".":
            step = 12
        elif c == "_":
            step = 13
        else:
            continue
        value = (value * 43 + step) & 0xFFFFFFFF
    return value - (1 << 32) if value & 0x80000000 else value


def _zstring(data, pos):
    end = data.index(b"\0", pos)
    return data[pos:end], end + 1


class HelpFile:
    def __init__(self, data):
        self.data = bytearray(data)
        if len(data) < 16:
            raise HelpFileError("too short for a help file")
        magic, self.directory_start, _, size = struct.unpack_from("<iiii", data, 0)
        if magic != HELP_MAGIC:
            raise HelpFileError("not a WinHelp file")
        if size != len(data):
            raise HelpFileError(f"header says {size} bytes, the file has {len(data)}")
        self.directory = {}
        self._name_slots = {}
        for name, value, slot in self._leaves(self.directory_start, self._directory_entry):
            self.directory[name.decode("latin-1")] = value
            self._name_slots[name.decode("latin-1")] = slot

    def internal_file(self, name):
        """The data of internal file `name`."""
        if name not in self.directory:
            raise HelpFileError(f"no internal file {name}")
        offset = self.directory[name]
        reserved, used, _ = FILE_HEADER.unpack_from(self.data, offset)
        start = offset + FILE_HEADER.size
        if used < 0 or start + used > len(self.data):
            raise HelpFileError(f"{name} runs past the end of the file")
        # WinHelp viewers refuse a file whose reserved size does not hold header and data.
        if reserved < FILE_HEADER.size + used:
            raise HelpFileError(f"{name} reserves {reserved} bytes for {used} and its header")
        return bytes(self.data[start : start + used])

    def contexts(self):
        """|CONTEXT: hash of a context string -> topic offset."""
        return dict(self._tree("|CONTEXT", lambda d, p: (struct.unpack_from("<ii", d, p), p + 8)))

    def titles(self):
        """|TTLBTREE: topic offset -> topic title."""

        def entry(d, p):
            (offset,) = struct.unpack_from("<i", d, p)
            title, p = _zstring(d, p + 4)
            return (offset, title.decode("cp1252")), p

        return dict(self._tree("|TTLBTREE", entry))

    def number_map(self):
        """|CTXOMAP: context number -> topic offset."""
        data = self.internal_file("|CTXOMAP")
        (count,) = struct.unpack_from("<H", data, 0)
        if 2 + 8 * count > len(data):
            raise HelpFileError("|CTXOMAP is shorter than its count")
        return dict(struct.unpack_from("<iI", data, 2 + 8 * i) for i in range(count))

    def with_number_map(self, numbers):
        """A copy whose |CTXOMAP maps each context number to its topic offset. The new map is
        appended as a file of its own and the directory entry pointed at it; the old map's
        bytes stay where they were, unreferenced."""
        body = struct.pack("<H", len(numbers))
        for number in sorted(numbers):
            body += struct.pack("<iI", number, numbers[number] & 0xFFFFFFFF)
        out = bytearray(self.data)
        offset = len(out)
        # The reserved size counts the file header too.
        out += FILE_HEADER.pack(FILE_HEADER.size + len(body), len(body), FILE_FLAGS) + body
        struct.pack_into("<i", out, self._name_slots["|CTXOMAP"], offset)
        struct.pack_into("<i", out, 12, len(out))
        return bytes(out)

    @staticmethod
    def _directory_entry(d, p):
        name, p = _zstring(d, p)
        (offset,) = struct.unpack_from("<i", d, p)
        return (name, offset, p), p + 4

    def _tree(self, name, entry):
        offset = self.directory[name] if name in self.directory else None
        if offset is None:
            raise HelpFileError(f"no internal file {name}")
        return [pair for pair in self._leaves(offset, entry)]

    def _leaves(self, file_offset, entry):
        """Every entry of the B+ tree in the internal file at `file_offset`, in key order."""
        d = self.data
        tree = file_offset + FILE_HEADER.size
        (magic, _, page_size, _, _, _, root, _, pages, levels, _) = BTREE_HEADER.unpack_from(d, tree)
        if magic != BTREE_MAGIC:
            raise HelpFileError("not a B+ tree")
        first_page = tree + BTREE_HEADER.size

        def page_at(number):
            if not 0 <= number < pages:
                raise HelpFileError(f"B+ tree page {number} out of range")
            return first_page + number * page_size

        page = root
        for _ in range(levels - 1):
            # An index page's third field is its leftmost child.
            _, _, page = INDEX_HEADER.unpack_from(d, page_at(page))
        seen = set()
        while page != -1:
            if page in seen:
                raise HelpFileError("B+ tree leaves form a loop")
            seen.add(page)
            start = page_at(page)
            _, count, _, following = LEAF_HEADER.unpack_from(d, start)
            p = start + LEAF_HEADER.size
            for _ in range(count):
                value, p = entry(d, p)
                yield value
            page = following
