#!/usr/bin/env python3
"""Acceptance cases of the carver's places: the main file's pages a hot journal restores are
carved under their own label; every row is placed at its cell, one row per place, whatever
label it has; a live row held by the log is not marked as damaged.

    python3 tests/e2e/carver_e2e.py --velk build/velk --data tests/data --real ../shared/data/real
"""

import collections
import hashlib
import os
import re
import struct

import velk_e2e as e2e

LIB = 'sqlite lib'
MAIN = 'carve main'
SLACK = 'main db slack'
PAST_END = 'main db past end'
FROM_WAL = 'main db page to be overwritten from wal'
FROM_JOURNAL = 'main db page to be overwritten from journal'
JOURNAL = 'carve journal'
SUPERSEDED = 'wal file page superceded by new page'
WAL_VALID = 'wal file valid page'
WAL_SLACK = 'wal file slack in valid page'
WAL_LABELS = (SUPERSEDED, WAL_VALID, WAL_SLACK)
PAGE = 4096
WAL_HEADER = 32
FRAME_HEADER = 24

ROW = re.compile(r'"src":"([^"]*)"(?:; "record offset":"0x([0-9a-f]+)")?')
HOT = re.compile(r'VELK-HOT-([A-Z]+)-(\d\d)')


def read_bytes(path):
    with open(path, 'rb') as f:
        return f.read()


def sources(result):
    """(label, offset or None, the row) of every report row."""
    out = []
    for row in result.report()[1:]:
        m = ROW.search(row)
        if m:
            out.append((m.group(1), int(m.group(2), 16) if m.group(2) else None, row))
    return out


def hot_counts(result):
    """(label, kind of marker) -> rows, for the hot-journal fixture's notifications."""
    found = collections.Counter()
    for label, _, row in sources(result):
        m = HOT.search(row)
        found[(label, m.group(1) if m else '')] += 1
    return dict(found)


def varint(data, at):
    value = 0
    for i in range(9):
        b = data[at + i]
        if i == 8:
            return (value << 8) | b, at + 9
        value = (value << 7) | (b & 0x7F)
        if b < 0x80:
            return value, at + i + 1
    raise AssertionError('unreachable')


def content_size(serial_type):
    fixed = {0: 0, 1: 1, 2: 2, 3: 3, 4: 4, 5: 6, 6: 8, 7: 8, 8: 0, 9: 0}
    if serial_type in fixed:
        return fixed[serial_type]
    return (serial_type - 12) // 2 if serial_type % 2 == 0 else (serial_type - 13) // 2


def cell_record_fits(data, at, end):
    """The bytes at `at` are a cell whose payload length is its record's size."""
    payload, p = varint(data, at)
    _, p = varint(data, p)
    header_size, q = varint(data, p)
    body = 0
    while q < p + header_size and q < end:
        serial_type, q = varint(data, q)
        body += content_size(serial_type)
    return payload == header_size + body


def page_cells(page, base):
    """The cell pointers and freeblock starts of a table leaf page (base: where its b-tree
    header starts)."""
    if page[base] != 0x0D:
        return set(), set()
    count = struct.unpack_from('>H', page, base + 3)[0]
    cells = {struct.unpack_from('>H', page, base + 8 + 2 * i)[0] for i in range(count)}
    free = set()
    at = struct.unpack_from('>H', page, base + 1)[0]
    while at and at not in free and at + 4 <= len(page):
        free.add(at)
        at = struct.unpack_from('>H', page, at)[0]
    return cells, free


def page_of(data, offset, in_wal):
    """(page bytes, the offset within it) of the page of the main file or the log frame that
    holds the file offset."""
    if in_wal:
        frame = (offset - WAL_HEADER) // (FRAME_HEADER + PAGE)
        start = WAL_HEADER + frame * (FRAME_HEADER + PAGE) + FRAME_HEADER
    else:
        start = offset - offset % PAGE
    return data[start:start + PAGE], offset - start


def placed_at_its_cell(data, offset, in_wal):
    page, at = page_of(data, offset, in_wal)
    cells, free = page_cells(page, 100 if not in_wal and offset < PAGE else 0)
    return at in cells or at in free or cell_record_fits(page, at, len(page))


class HotJournal(e2e.Case):
    """A copy taken while a transaction was open: rows deleted, 40 inserted with a page cache
    of one page, so the main file holds uncommitted rows that the journal undoes."""

    def uncommitted_in_main_file(self, db):
        data = read_bytes(db)
        return {i for i in range(40) if f'VELK-HOT-UNCOMMITTED-{i:02d}'.encode() in data}

    def test_each_place_once_under_its_label(self):
        db = self.fixture_copy('hotjournal/wpndatabase.db')
        spilled = self.uncommitted_in_main_file(db)
        self.assertEqual(len(spilled), 29)
        evidence = {p: hashlib.sha256(read_bytes(p)).hexdigest()
                    for p in (db, db + '-journal')}
        # The live rows are those the rollback gives (the 24 committed ones, the three the
        # transaction deleted among them); every uncommitted row the main file holds is
        # reported once, from the page the journal restores or from past the database's end.
        committed = {(LIB, 'KEPT'): 21, (LIB, 'DELETED'): 3}
        uncommitted = {(FROM_JOURNAL, 'UNCOMMITTED'): 12, (PAST_END, 'UNCOMMITTED'): 17}
        cases = [
            ([], committed),
            (['-incl_slack'], {**committed, **uncommitted}),
            (['-carve'], uncommitted),
        ]
        for mode, expected in cases:
            with self.subTest(mode=mode):
                result = self.velk(['-db', db, '-csv', '-quiet'] + mode)
                self.assertEqual(result.status, 0, result.err)
                got = hot_counts(result)
                for key, count in expected.items():
                    self.assertEqual(got.get(key, 0), count, (key, got))
                self.assertEqual(sum(n for (_, kind), n in got.items() if kind == 'UNCOMMITTED'),
                                 len(spilled) if mode else 0, got)
                # The journal's own pages are still carved as such.
                if mode:
                    self.assertGreater(got.get((JOURNAL, 'KEPT'), 0), 0, got)
                    self.assertEqual(got.get((MAIN, 'UNCOMMITTED'), 0), 0, got)
                places = [(label, offset) for label, offset, _ in sources(result)
                          if label != LIB]
                self.assertEqual(len(places), len(set(places)))
        for path, digest in evidence.items():
            self.assertEqual(hashlib.sha256(read_bytes(path)).hexdigest(), digest, path)


class OnePlaceOneRow(e2e.Case):
    """Under -carve every row is reported once per place, at its cell, whatever its label."""

    CASES = [
        # The log replaces the notifications' page: its rows are that page's stale version.
        ('sample/wpndatabase.db', {FROM_WAL: 13, SUPERSEDED: 28, WAL_VALID: 14}),
        # No companion: the walk's rows keep "carve main"; the deleted ones are slack.
        ('recovery/deleted.db', {MAIN: 5, SLACK: 3}),
        # The journal's synced records restore pages 8 to 15 and 22; its unsynced segment's
        # pages (1, 7, 23) were not written yet: page 23's rows are the walk's, its slack is
        # slack.
        ('hotjournal/wpndatabase.db',
         {FROM_JOURNAL: 17, MAIN: 8, SLACK: 16, PAST_END: 29, JOURNAL: 40}),
    ]

    def test_rows_per_label_and_offset(self):
        for fixture, expected in self.CASES:
            with self.subTest(fixture):
                db = self.fixture_copy(fixture)
                result = self.velk(['-db', db, '-carve', '-csv', '-quiet'])
                self.assertEqual(result.status, 0, result.err)
                rows = sources(result)
                self.assertEqual(dict(collections.Counter(label for label, _, _ in rows)),
                                 expected)
                in_main = [offset for label, offset, _ in rows if label not in WAL_LABELS
                           and label != JOURNAL]
                self.assertEqual(len(in_main), len(set(in_main)), in_main)
                files = {False: read_bytes(db)}
                if os.path.exists(db + '-wal'):
                    files[True] = read_bytes(db + '-wal')
                for label, offset, _ in rows:
                    if label == JOURNAL:
                        continue  # journal records are not pages at page-size steps
                    in_wal = label in WAL_LABELS
                    self.assertTrue(placed_at_its_cell(files[in_wal], offset, in_wal),
                                    (label, hex(offset)))

    def test_the_sample_row_at_its_cell(self):
        db = self.fixture_copy('sample/wpndatabase.db')
        result = self.velk(['-db', db, '-carve', '-csv', '-quiet'])
        at_cell = [label for label, offset, _ in sources(result) if offset == 0x623E]
        self.assertEqual(at_cell, [FROM_WAL])
        self.assertFalse([label for label, offset, _ in sources(result) if offset == 0x6242])


class LiveRowInTheLog(e2e.Case):
    def test_a_zero_byte_in_a_live_wal_row_is_no_damage(self):
        db = self.fixture_copy('walzero/wpndatabase.db')
        for mode, label in (([], LIB), (['-incl_slack'], LIB), (['-carve'], WAL_VALID)):
            with self.subTest(mode=mode):
                result = self.velk(['-db', db, '-csv', '-quiet'] + mode)
                self.assertEqual(result.status, 0, result.err)
                rows = [row for row in result.report() if 'VELK-WALZERO-HEAD' in row]
                self.assertEqual(len(rows), 1, result.out)
                self.assertIn(f'"src":"{label}"', rows[0])
                self.assertIn(',VELK-WALZERO-HEAD,', rows[0])
                self.assertNotIn('corrupted', rows[0])


if __name__ == '__main__':
    e2e.run_module_suite()
