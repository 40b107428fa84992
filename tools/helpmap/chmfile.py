"""Lists the files an HTML Help file (.CHM) holds: the ITSF header points at the ITSP
directory, whose PMGL chunks list every name with its section, offset and length."""

import struct


class ChmError(Exception):
    pass


def _encint(data, pos):
    """A CHM variable-length number: seven bits a byte, most significant first."""
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, pos


def chm_names(data):
    if data[:4] != b"ITSF":
        raise ChmError("not an HTML Help file")
    (directory,) = struct.unpack_from("<Q", data, 0x48)
    if data[directory : directory + 4] != b"ITSP":
        raise ChmError("no ITSP directory where the header says")
    header_size, _, chunk_size = struct.unpack_from("<III", data, directory + 0x08)
    first, last = struct.unpack_from("<ii", data, directory + 0x20)
    chunks = directory + header_size
    names = []
    chunk = first
    while chunk != -1:
        start = chunks + chunk * chunk_size
        if data[start : start + 4] != b"PMGL":
            raise ChmError(f"directory chunk {chunk} is not a listing chunk")
        free, _, _, following = struct.unpack_from("<IIii", data, start + 4)
        pos, end = start + 0x14, start + chunk_size - free
        while pos < end:
            length, pos = _encint(data, pos)
            names.append(data[pos : pos + length].decode("utf-8"))
            pos += length
            for _ in range(3):  # section, offset, length
                _, pos = _encint(data, pos)
        if chunk == last:
            break
        chunk = following
    return names
