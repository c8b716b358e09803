#!/usr/bin/env python3
"""Writes the seed corpus of the record_signatures fuzz target from the committed fixtures.

    python3 tests/fuzz/make_signature_corpus.py

Input: [options][header position][min length][max length][filter flags][bytes]; option bits
1 blob mode, 2 allow cut, 4 and 8 pick the header size. The bytes are records of the
sample's Notification leaf (page 7) from their header-size byte, a UTF-16 record of
records_utf16.db, and a few hand-made hostile headers. Every value is fixed: the same
fixtures give the same seeds.
"""

import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
DATA = HERE.parent / 'data'
BLOB, CUT = 0x01, 0x02
PRINTABLE, LINE_BREAKS = 0x01, 0x10


def varint(data, at):
    value = 0
    for k in range(9):
        byte = data[at + k]
        if k == 8:
            return (value << 8) | byte, 9
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, k + 1
    raise ValueError('unreachable')


def leaf_records(page):
    """Each table-leaf cell's record, from its header-size byte to the end of the page."""
    count = struct.unpack('>H', page[3:5])[0]
    records = []
    for cell in range(count):
        at = struct.unpack('>H', page[8 + 2 * cell:10 + 2 * cell])[0]
        _, a = varint(page, at)
        _, b = varint(page, at + a)
        records.append(page[at + a + b:])
    return records


def seed(options, position, min_length, max_length, flags, data):
    return bytes([options, position, min_length, max_length, flags]) + data


def seeds():
    sample = (DATA / 'sample' / 'wpndatabase.db').read_bytes()
    utf16 = (DATA / 'records' / 'records_utf16.db').read_bytes()
    notes = leaf_records(sample[6 * 4096:7 * 4096])
    out = {}
    for i, record in enumerate(notes[:4]):
        out[f'notification_{i}_type'] = seed(0, 5, 1, 64, PRINTABLE, record[:320])
        out[f'notification_{i}_payload_type'] = seed(0, 13, 1, 64, PRINTABLE, record[:320])
    out['notification_payload_blob_cut'] = seed(BLOB | CUT, 6, 8, 40, PRINTABLE | LINE_BREAKS,
                                                notes[0][:320])
    out['notification_cut_short'] = seed(CUT, 5, 1, 64, PRINTABLE, notes[1][:40])
    out['notification_given_header_size'] = seed(0x08, 5, 16, 64, PRINTABLE, notes[2][:320])
    for i, record in enumerate(leaf_records(utf16[1024:2048])[:2]):
        out[f'utf16_record_{i}'] = seed(CUT, 2, 1, 32, PRINTABLE, record[:256])
    out['x81_at_the_end'] = seed(0, 1, 0, 8, 0, bytes([0x0D, 0x81]))
    out['header_past_data'] = seed(CUT, 1, 0, 64, 0, bytes([0x7F, 0x11]) + b'hi')
    out['nine_byte_types'] = seed(CUT, 10, 0, 64, 0,
                                  bytes([0x13]) + b'\xff' * 18 + bytes([0x11]) + b'a' * 20)
    return out


def main():
    target = HERE / 'corpus' / 'record_signatures'
    target.mkdir(parents=True, exist_ok=True)
    for name, data in seeds().items():
        (target / name).write_bytes(data)


if __name__ == '__main__':
    main()
