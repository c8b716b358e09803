#!/usr/bin/env python3
"""Acceptance cases of the record finder: every deleted notification whose bytes survive is
recovered once per place it survives, labelled by that place, whatever valid values it holds,
also when a freeblock header took its first bytes or its table has a column added after the
known ones; a live row is never reported as recovered, and a value read whole is not marked.

    python3 tests/e2e/finder_e2e.py --velk build/velk --data tests/data --real ../shared/data/real
"""

import collections
import os
import re
import sqlite3

import velk_e2e as e2e

# The deleted rows of finder/values.db and values_wal.db, one per value the finder must take.
VALUES = ['EXPIRES-ON-REBOOT-1', 'EXPIRES-ON-REBOOT-TEXT', 'DATA-VERSION-2', 'DATA-VERSION-70000',
          'TAG-NULL', 'GROUP-NULL', 'HANDLER-NULL', 'HANDLER-32768', 'EXPIRY-NULL',
          'EXPIRY-SMALL', 'ARRIVAL-NULL', 'PAYLOAD-TEXT', 'ID-6-BYTES', 'BOOT-NULL',
          'ACTIVITY-TEXT']
VALUES_LIVE = ['LIVE-1', 'LIVE-40']
SHORT = ['SHORT-5', 'SHORT-131']
SHORT_LIVE = ['LIVE-4', 'LIVE-6', 'LIVE-130', 'LIVE-132']
LIB = 'sqlite lib'
SLACK = 'main db slack'
OVERWRITTEN = 'main db page to be overwritten from wal'
WAL_SLACK = 'wal file slack in valid page'
BLOB = 'carve blob'


def once(label, markers):
    return {(label, m): 1 for m in markers}


# (name, fixture, input: the database or its -wal, mode, {(label, marker): count}): every
# row of the report, none more.
COUNT_CASES = [
    ('values_in_freeblocks', 'finder/values.db', '', '-incl_slack',
     {**once(LIB, VALUES_LIVE), **once(SLACK, VALUES)}),
    ('values_wal', 'finder/values_wal.db', '', '-incl_slack',
     {**once(LIB, VALUES_LIVE), **once(OVERWRITTEN, VALUES + VALUES_LIVE),
      **once(WAL_SLACK, VALUES)}),
    ('values_wal_frames_as_chunk', 'finder/values_wal.db', '-wal', '-parse_chunk',
     once(BLOB, VALUES + VALUES_LIVE)),
    ('values_pages_as_chunk', 'finder/values.db', '', '-parse_chunk',
     once(BLOB, VALUES + VALUES_LIVE)),
    ('short_badge', 'finder/short_badge.db', '', '-incl_slack',
     {**once(LIB, SHORT_LIVE), **once(SLACK, SHORT)}),
    ('short_badge_pages_as_chunk', 'finder/short_badge.db', '', '-parse_chunk',
     once(BLOB, SHORT + SHORT_LIVE)),
    ('short_badge_wal', 'finder/short_badge_wal.db', '', '-incl_slack',
     {**once(LIB, SHORT_LIVE), **once(OVERWRITTEN, SHORT + SHORT_LIVE),
      **once(WAL_SLACK, SHORT)}),
    ('short_badge_wal_frames_as_chunk', 'finder/short_badge_wal.db', '-wal', '-parse_chunk',
     once(BLOB, SHORT + SHORT_LIVE)),
    ('added_column', 'finder/added_column.db', '', '-incl_slack',
     {**once(LIB, ['ADDED-BEFORE-1', 'ADDED-BEFORE-3', 'ADDED-AFTER-4', 'ADDED-AFTER-6']),
      **once(SLACK, ['ADDED-BEFORE-2', 'ADDED-AFTER-5'])}),
    ('added_column_carve', 'finder/added_column.db', '', '-carve',
     {**once('carve main', ['ADDED-BEFORE-1', 'ADDED-BEFORE-3', 'ADDED-AFTER-4',
                            'ADDED-AFTER-6']),
      **once(SLACK, ['ADDED-BEFORE-2', 'ADDED-AFTER-5'])}),
]


def counts(result):
    """(label, marker) -> the number of report rows holding both."""
    found = collections.Counter()
    for row in result.report()[1:]:
        source = re.search(r'"src":"([^"]*)"', row)
        marker = re.search(r'VELK-FINDER-([A-Z0-9-]*[A-Z0-9])', row)
        found[(source.group(1) if source else row[:40], marker.group(1) if marker else '')] += 1
    return dict(found)


def cells(result, marker, source):
    """The cells of the one row holding the marker from the source, by caption (the report
    was written with '|' as its separator, which no value holds)."""
    header, *rows = result.report()
    captions = header.split('|')
    matching = [row for row in rows if f'VELK-FINDER-{marker}' in row and f'"{source}"' in row]
    return [dict(zip(captions, row.split('|'))) for row in matching]


class FinderRecovery(e2e.Case):
    def test_each_surviving_row_once_per_place(self):
        for name, fixture, companion, mode, expected in COUNT_CASES:
            with self.subTest(name):
                db = self.fixture_copy(fixture)
                result = self.velk(['-db', db + companion, mode, '-csv', '-quiet'])
                self.assertEqual(result.status, 0, result.err)
                self.assertEqual(counts(result), expected)
                self.assertNotIn('layout is unknown', result.err)

    def test_recovered_values_in_their_cells(self):
        # (fixture, marker, expected cells): values the finder used to refuse, and the known
        # columns of a row with an added column, read as the library reads their live twins.
        cases = [
            ('finder/values.db', 'HANDLER-32768', {'HandlerId': '32768', 'Id': '317'}),
            ('finder/values.db', 'HANDLER-NULL', {'HandlerId': '', 'Id': '316'}),
            ('finder/values.db', 'ID-6-BYTES', {'Id': str(1 << 40), 'HandlerId': '7'}),
            ('finder/values.db', 'TAG-NULL', {'Tag': '', 'Group': 'grp'}),
            ('finder/values.db', 'EXPIRY-NULL', {'Notification ExpiryTime': ''}),
            ('finder/values.db', 'ACTIVITY-TEXT', {'Tag': 'tag-24', 'PayloadType': 'Xml'}),
            ('finder/added_column.db', 'ADDED-AFTER-5',
             {'Id': '305', 'HandlerId': '7', 'Tag': 'tag-5', 'Group': 'grp',
              'PayloadType': 'Xml'}),
            # Its rowid went with the bytes a freeblock header took: no Order is made up.
            ('finder/short_badge.db', 'SHORT-5', {'Order': '', 'Id': '405', 'Type': 'badge'}),
        ]
        for fixture, marker, expected in cases:
            with self.subTest(marker):
                db = self.fixture_copy(fixture)
                result = self.velk(['-db', db, '-incl_slack', '-csv', '-all_fields',
                                    '-csv_separator', '|', '-quiet'])
                rows = cells(result, marker, SLACK)
                self.assertEqual(len(rows), 1, result.out)
                self.assertEqual({k: rows[0][k].strip() for k in expected}, expected)

    def test_real_database_with_a_column_added(self):
        """The platform's own database after a column was added: a row written with it and
        deleted is recovered once, as "main db slack", and nothing is said about its layout."""
        db = self.real_copy()
        con = sqlite3.connect(db, isolation_level=None)
        con.execute('PRAGMA secure_delete=OFF')
        con.execute('ALTER TABLE Notification ADD COLUMN [Priority] INTEGER')
        con.execute("INSERT INTO Notification SELECT [Order] + 1000, Id + 1000, HandlerId, "
                    "ActivityId, Type, CAST('<toast>VELK-FINDER-REAL-ADDED</toast>' AS BLOB), "
                    "Tag, [Group], ExpiryTime, ArrivalTime, DataVersion, PayloadType, BootId, "
                    "ExpiresOnReboot, 3 FROM Notification WHERE [Order] = "
                    "(SELECT min([Order]) FROM Notification)")
        con.execute("DELETE FROM Notification WHERE [Order] > 1000")
        con.close()
        result = self.velk(['-db', db, '-incl_slack', '-csv', '-quiet'])
        self.assertEqual(result.status, 0, result.err)
        self.assertEqual(counts(result).get((SLACK, 'REAL-ADDED')), 1, result.out)
        self.assertEqual(sum(n for (label, _), n in counts(result).items() if label == LIB),
                         e2e.REAL_ROWS)
        self.assertNotIn('layout is unknown', result.err)

    def test_an_unknown_layout_is_said(self):
        unreadable = self.fixture_copy('finder/added_column.db', 'unreadable.db')
        with open(unreadable, 'r+b') as f:
            f.seek(100)
            f.write(bytes(8))  # page 1's b-tree header: the schema cannot be read
        cases = [
            (unreadable, 'the schema cannot be read'),
            # A column between known ones: no carved layout holds it.
            (self.fixture_copy('dbproc/extra_column.db'),
             'its columns are not the known ones followed by added ones'),
        ]
        for db, why in cases:
            for mode in ('-incl_slack', '-carve'):
                with self.subTest(db=os.path.basename(db), mode=mode):
                    result = self.velk(['-db', db, mode, '-csv'])
                    said = (f"prob reading {db}: the Notification table's layout is unknown "
                            f"({why}): its deleted rows are looked for in the layouts velk "
                            'knows only\n')
                    self.assertEqual(result.err.count(said), 1, result.err)


class IntactValues(e2e.Case):
    def test_a_live_zero_byte_is_no_damage(self):
        db = self.fixture_copy('finder/zero_byte.db')
        payloads = {}
        for mode in ([], ['-carve'], ['-incl_slack']):
            result = self.velk(['-db', db, '-csv', '-quiet'] + mode)
            self.assertEqual(result.status, 0, result.err)
            rows = [row for row in result.report() if 'VELK-FINDER-ZERO-BYTE' in row]
            self.assertEqual(len(rows), 1, result.out)
            payloads[' '.join(mode)] = rows[0][rows[0].index('<toast>'):]
        self.assertEqual(set(payloads.values()), {'<toast>VELK-FINDER-ZERO-BYTE,'}, payloads)


if __name__ == '__main__':
    e2e.run_module_suite()
