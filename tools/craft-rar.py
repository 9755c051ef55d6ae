"""Writes RAR 5 packages that `rar` itself would never make: entry names that try to leave the
destination, entries whose stated size is far larger than their data. Entries are stored
(not compressed).

    craft-rar.py OUT.rar NAME=TEXT [NAME=TEXT ...]     each entry holds TEXT
    craft-rar.py OUT.rar --stated-size N NAME=TEXT     the entry claims N bytes unpacked
"""

import struct
import sys
import zlib

SIGNATURE = b"Rar!\x1a\x07\x01\x00"
MAIN, FILE, END = 1, 2, 5
HAS_DATA = 0x0002
FILE_HAS_CRC = 0x0004
HOST_WINDOWS = 0


def vint(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        out.append(byte | (0x80 if value else 0))
        if not value:
            return bytes(out)


def block(kind, flags, fields, data=b""):
    """One header: CRC32, size, then type, flags, the data size when there is data, the fields."""
    body = vint(kind) + vint(flags | (HAS_DATA if data else 0)) + (vint(len(data)) if data else b"") + fields
    sized = vint(len(body)) + body
    return struct.pack("<I", zlib.crc32(sized)) + sized + data


def file_entry(name, data, stated_size=None):
    encoded = name.encode("utf-8")
    fields = (vint(FILE_HAS_CRC) + vint(len(data) if stated_size is None else stated_size) + vint(0x20)
              + struct.pack("<I", zlib.crc32(data)) + vint(0) + vint(HOST_WINDOWS) + vint(len(encoded)) + encoded)
    return block(FILE, 0, fields, data)


def main(argv):
    out, rest = argv[0], argv[1:]
    stated = None
    if rest[:1] == ["--stated-size"]:
        stated, rest = int(rest[1]), rest[2:]
    archive = SIGNATURE + block(MAIN, 0, vint(0))
    for entry in rest:
        name, text = entry.split("=", 1)
        archive += file_entry(name, text.encode(), stated)
    archive += block(END, 0, vint(0))
    with open(out, "wb") as f:
        f.write(archive)


main(sys.argv[1:])
