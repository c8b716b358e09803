#!/usr/bin/env python3
"""Writes the seed corpus of the carving fuzz targets from the committed fixtures.

    python3 tests/fuzz/make_carve_corpus.py

journal_pages: journal files (the target reads a zeroed header's records at 512-byte
pages); create_sql: CREATE TABLE texts; scan_regions:
[page size code][flags][hit count][hits: position u16, columns, flags][region count]
[regions: offset u16, length u16][file image]. Every value is fixed: the same fixtures give
the same seeds.
"""

import pathlib
import struct
import sys

HERE = pathlib.Path(__file__).resolve().parent
DATA = HERE.parent / 'data'
sys.path.insert(0, str(DATA))
import make_fixtures  # noqa: E402  (the fixtures' own CREATE texts)

PAGE = 4096


def persisted_journal(sector):
    """A header zeroed at commit (journal_mode=PERSIST) padded to sector bytes, then records
    of pages 5 and 2 at 512 bytes a page."""
    records = b''
    for number in (5, 2):
        page = bytes((number * 17 + i * 3) % 256 for i in range(512))
        records += struct.pack('>I', number) + page + bytes(4)
    return bytes(sector) + records


def journal_seeds():
    scripted = (DATA / 'carve' / 'scripted.db-journal').read_bytes()
    midway = (DATA / 'carve' / 'midway.db-journal').read_bytes()
    return {
        'persisted_sector512': persisted_journal(512),
        'persisted_sector4096': persisted_journal(4096),
        'scripted': scripted,
        'scripted_zeroed_magic': bytes(8) + scripted[8:],
        'scripted_cut': scripted[:2000],
        'midway_two_records': midway[:512 + 2 * (PAGE + 8)],
        'three_segments': (DATA / 'journal' / 'wpndatabase.db-journal').read_bytes(),
    }


def create_sql_seeds():
    seeds = {f'schema_{name}': sql.encode() for kind, name, sql in make_fixtures.SCHEMA
             if kind == 'table'}
    seeds['items'] = make_fixtures.CARVE_TABLE.encode()
    seeds['edge_defaults'] = (b'CREATE TABLE t (flags INT DEFAULT 0 NOT NULL, '
                              b"x INTEGER DEFAULT 'text', d DEFAULT, date, payload_int)")
    seeds['edge_brackets'] = b'create table [My Table] ([id] text, [] int, (a(b)c) x)'
    seeds['edge_bad_bracket'] = b'CREATE TABLE t (a int, id] text)'
    seeds['edge_constraints'] = (b'CREATE TABLE t (a, a, PRIMARY KEY (a, b), '
                                 b'CONSTRAINT pk PRIMARY KEY (a), CHECK (x > 0)) WITHOUT ROWID')
    return seeds


def scan_seed(code, flags, hits, regions, image):
    out = bytes([code, flags, len(hits)])
    for position, columns, hit_flags in hits:
        out += struct.pack('>HBB', position, columns, hit_flags)
    out += bytes([len(regions)])
    for offset, length in regions:
        out += struct.pack('>HH', offset, length)
    return out + image


def scan_regions_seeds():
    deleted = (DATA / 'carve' / 'deleted.db').read_bytes()
    leaf = deleted[3 * PAGE:4 * PAGE]  # page 4: an items leaf with deleted rows
    marker = bytes([6, 0])
    positions = []
    at = leaf.find(marker)
    while at >= 0 and len(positions) < 6:
        positions.append(at + 1)
        at = leaf.find(marker, at + 1)
    hits = [(p, 3, 0) for p in positions]
    return {
        'deleted_leaf': scan_seed(3, 0, hits, [(0, PAGE)], leaf),
        'deleted_leaf_corrected': scan_seed(3, 4, [(p, 0, 1) for p in positions],
                                            [(0, PAGE)], leaf),
        'deleted_leaf_structured': scan_seed(3, 6, hits, [(0, PAGE)], leaf),
        'frames': scan_seed(0, 1, [(0, 3, 0), (40, 2, 0)], [(32, 512), (32, 1072)],
                            bytes(32) + (bytes([0xEE]) * 24 + leaf[:512]) * 2),
        'hostile_positions': scan_seed(1, 0, [(0, 3, 0), (1, 255, 0), (1023, 3, 0),
                                              (1024, 3, 0), (65535, 3, 0), (10, 3, 0),
                                              (10, 3, 0), (5, 3, 0)],
                                       [(0, 1024), (1000, 60000)], leaf[:1024]),
    }


def main():
    for target, seeds in (('journal_pages', journal_seeds()),
                          ('create_sql', create_sql_seeds()),
                          ('scan_regions', scan_regions_seeds())):
        out = HERE / 'corpus' / target
        out.mkdir(parents=True, exist_ok=True)
        for name, data in seeds.items():
            (out / name).write_bytes(data)


if __name__ == '__main__':
    main()
