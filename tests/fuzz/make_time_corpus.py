#!/usr/bin/env python3
"""Writes the seed corpus of the time_scans fuzz target.

    python3 tests/fuzz/make_time_corpus.py

Input: [window][stride][bytes]; window 2 is the years 2020 to 2021, 0 every signed FILETIME.
The seeds are built here from fixed numbers: packed groups (whole, cut short, with distances
of width 3), a record of big-endian FILETIMEs, a version-1 GUID, a SYSTEMTIME, an OLE date, a
snowflake identifier and a nine-byte varint. The same script gives the same seeds.
"""

import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
OUT = HERE / 'corpus' / 'time_scans'
SIGNED, RANGE_2020 = 0, 2

TIMES = [132521874959025799, 132521874975745484, 132521874989808470,
         132521875017307381, 132521875029962252, 132521875099520261]
GUID_TICKS_BEFORE_1601 = 5748192000000000


def packed(times, milliseconds):
    """The packed group as the library's writer lays it out (base = the largest time)."""
    base_index = max(range(len(times)), key=lambda i: (times[i], -i))
    base = times[base_index]
    unit = 10000 if milliseconds else 1
    deltas = [(base - t) // unit for i, t in enumerate(times) if i != base_index]
    width = 1
    for d in deltas:
        width = 8 if d >= 1 << 48 else max(width, 6 if d >= 1 << 32 else
                                           4 if d > 0xFFFF else 2 if d > 0xFF else 1)
    head = (len(times) - 1) | (base_index << 3) | (0x40 if milliseconds else 0)
    word = base | ((width - 1) << 60)
    return bytes([head]) + struct.pack('<Q', word) + b''.join(
        d.to_bytes(width, 'little') for d in deltas)


def varint9(v):
    return bytes(0x80 | ((v >> s) & 0x7F) for s in range(57, 7, -7)) + bytes([v & 0xFF])


def seeds():
    ticks = packed(TIMES, False)
    record = b'\x07\x01' + b''.join(struct.pack('>Q', t) for t in TIMES[:3]) + b'toast'
    guid = struct.pack('<Q', (TIMES[0] + GUID_TICKS_BEFORE_1601) | (1 << 60)) + bytes(range(8))
    systemtime = struct.pack('<8H', 2020, 12, 5, 11, 19, 11, 35, 902)
    return {
        'packed_ticks': bytes([SIGNED, 8]) + ticks,
        'packed_ms': bytes([SIGNED, 8]) + packed(TIMES, True),
        'packed_cut': bytes([SIGNED, 8]) + ticks[:20],
        'packed_width_3': bytes([SIGNED, 8]) + bytes([0x02, 0, 0x10, 0, 0, 0, 0, 0, 0x2F]) + bytes(6),
        'be_filetimes': bytes([RANGE_2020, 16]) + record,
        'guid_systemtime': bytes([RANGE_2020, 8]) + b'\x01' + guid + systemtime,
        'ole_snowflake': bytes([RANGE_2020, 24]) + struct.pack('<d', 44176.5)
        + struct.pack('<Q', 283996800000 << 22),
        'varint': bytes([RANGE_2020, 8]) + varint9(TIMES[0]),
        'own_window': bytes([9, 8]) + struct.pack('<QQ', TIMES[0], TIMES[-1]) + ticks,
    }


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for name, data in seeds().items():
        (OUT / name).write_bytes(data)


if __name__ == '__main__':
    main()
