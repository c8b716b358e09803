#!/usr/bin/env python3
"""Acceptance cases of the live view: every notification whose bytes survive is reported
once per place it survives, labelled by that place, and a live row is never reported as
recovered.

    python3 tests/e2e/liveimage_e2e.py --velk build/velk --data tests/data --real ../shared/data/real

Each case runs velk on a copy of a fixture of tests/data/liveimage (or dbproc) and checks
the status, what standard error says, and the exact count of each notification marker
under each record source.
"""

import collections
import re

import velk_e2e as e2e

ALL = range(1, 33)  # the log fixtures' notifications: 1 to 24 in the main file, 25 to 32 logged
ROOT_RESIDUE = range(1, 10)  # rows the root kept in its gap from when it was the table's leaf
OLD_LAST_LEAF = range(19, 25)  # the main file's last leaf, which the log holds anew
OVERWRITTEN = [*ROOT_RESIDUE, *OLD_LAST_LEAF]
NO_MARKER = '(no marker)'


def live(*ranges, kind='LIVE'):
    """A count of 1 for the marker of every Order in the ranges."""
    return collections.Counter(f'VELK-LIVEIMAGE-{kind}-{o}' for r in ranges for o in r)


# (name, fixture, mode, status, {record source: Counter of markers}, fragments of standard
#  error, each after "prob reading <db>: ", as regular expressions)
CASES = [
    # The main file's Notification root has lost its type byte; the log holds the root whole.
    ('wal_root', 'liveimage/wal_root.db', [], 0, {'sqlite lib': live(ALL)}, []),
    # The leaves below the root are reached through the log's root: no "carve main" copy of
    # a live row. The main file's old root and last leaf, which the log replaces, and the
    # slack of the log's root still hold copies of their own.
    ('wal_root_slack', 'liveimage/wal_root.db', ['-incl_slack'], 0,
     {'sqlite lib': live(ALL), 'main db page to be overwritten from wal': live(OVERWRITTEN),
      'wal file slack in valid page': live(ROOT_RESIDUE)}, []),
    # "-carve" walks the main file as it stands: the leaves below its damaged root are carved
    # as unreached, the log's current pages under their own label.
    ('wal_root_carve', 'liveimage/wal_root.db', ['-carve'], 0,
     {'carve main': live(range(1, 19)),
      'main db page to be overwritten from wal': live(OVERWRITTEN),
      'wal file valid page': live(ROOT_RESIDUE, range(19, 33))},
     [r'the Notification table cannot be walked from its root page 7']),
    # Page 1 of the main file has lost its b-tree type byte; the log holds page 1 whole.
    ('wal_page1', 'liveimage/wal_page1.db', [], 0, {'sqlite lib': live(ALL)}, []),
    ('wal_page1_slack', 'liveimage/wal_page1.db', ['-incl_slack'], 0,
     {'sqlite lib': live(ALL), 'main db page to be overwritten from wal': live(OVERWRITTEN),
      'wal file slack in valid page': live(ROOT_RESIDUE)}, []),
    # No schema without the log: the tables are walked in the image, the log's current pages
    # are not carved again.
    ('wal_page1_carve', 'liveimage/wal_page1.db', ['-carve'], 0,
     {'carve main from wal data': live(ALL),
      'main db page to be overwritten from wal': live(OVERWRITTEN),
      'wal file slack in valid page': live(ROOT_RESIDUE)}, []),
    # The root's right child is the root itself. The library goes round the loop until it
    # notices: each row it gave is reported once, and the run fails. Its last leaf (Orders
    # 37 to 39) no walk reaches; the carve finds it.
    ('cycle', 'liveimage/cycle.db', [], 255, {'sqlite lib': live(range(1, 37))},
     [r'database disk image is malformed',
      r'the library gave \d+ of its \d+ Notification rows again before it failed: each row is '
      r'reported once']),
    ('cycle_slack', 'liveimage/cycle.db', ['-incl_slack'], 0,
     {'carve main': live(range(1, 40)), 'main db slack': live(ROOT_RESIDUE)},
     [r'database disk image is malformed',
      r"the library failed on the Notification table after \d+ rows: velk's own walk read the "
      r'table in their place \(36 rows\)']),
    ('cycle_carve', 'liveimage/cycle.db', ['-carve'], 0,
     {'carve main': live(range(1, 40)), 'main db slack': live(ROOT_RESIDUE)}, []),
    # Commits at frames 10, 11 and 20, the chain broken at frame 15: frames 12 to 20 are
    # left out, and the live rows are the library's after the commit at frame 11.
    ('chain_break', 'liveimage/chain_break.db', [], 0,
     {'sqlite lib': collections.Counter({NO_MARKER: 9, 'VELK-WAL-INSERTED-NOTIFICATION-1': 1,
                                         'VELK-WAL-UPDATE-AFTER-1': 1,
                                         'VELK-WAL-DELETED-NOTIFICATION-1': 1})},
     [r'its checksum chain breaks at frame 15: 9 frames not applied to the live rows '
      r'\(-carve and -incl_slack read them\)']),
    # A transaction spilled to the log and never committed: none of its 13 frames is
    # applied; its pages are carved as superseded, updated copies of Orders 1 to 12
    # included.
    ('spilled', 'liveimage/spilled.db', [], 0, {'sqlite lib': live(range(1, 21))},
     [r'its checksum chain breaks at frame 3: 13 frames not applied']),
    ('spilled_slack', 'liveimage/spilled.db', ['-incl_slack'], 0,
     {'sqlite lib': live(range(1, 21)), 'main db slack': live(ROOT_RESIDUE),
      'wal file page superceded by new page': live(range(1, 21)) + live(range(21, 51),
                                                                        kind='SPILLED')},
     [r'its checksum chain breaks at frame 3: 13 frames not applied']),
    # A database without the handler or the channel table: its notifications are reported
    # all the same, with those cells empty, in every mode.
    ('no_handler', 'dbproc/no_handler.db', [], 0, {'sqlite lib': {NO_MARKER: 6}},
     [r'no NotificationHandler table: the notifications are reported without their handler']),
    ('no_handler_slack', 'dbproc/no_handler.db', ['-incl_slack'], 0,
     {'sqlite lib': {NO_MARKER: 6}}, [r'no NotificationHandler table']),
    ('no_handler_carve', 'dbproc/no_handler.db', ['-carve'], 0,
     {'carve main': {NO_MARKER: 6}}, [r'no NotificationHandler table']),
    ('no_channel', 'dbproc/no_channel.db', [], 0, {'sqlite lib': {NO_MARKER: 6}},
     [r'no WNSPushChannel table: the notifications are reported without their channel']),
    ('no_channel_slack', 'dbproc/no_channel.db', ['-incl_slack'], 0,
     {'sqlite lib': {NO_MARKER: 6}}, [r'no WNSPushChannel table']),
    ('no_channel_carve', 'dbproc/no_channel.db', ['-carve'], 0,
     {'carve main': {NO_MARKER: 6}}, [r'no WNSPushChannel table']),
]

# The cells that stay empty when a table is missing: its captions' prefix.
EMPTY_CELLS = {'no_handler': ['Handler ', 'Source of '], 'no_channel': ['Channel ']}


class LiveView(e2e.Case):
    def markers_by_source(self, result):
        """{source: Counter of the first VELK marker of each report line (or none)}."""
        found = collections.defaultdict(collections.Counter)
        for line in result.report()[1:]:
            source = re.search(r'"src":"([^"]*)"', line)
            self.assertIsNotNone(source, line)
            marker = re.search(r'VELK-[A-Z0-9-]+', line)
            found[source.group(1)][marker.group(0) if marker else NO_MARKER] += 1
        return found

    def assert_empty_cells(self, name, result):
        header, *rows = result.report()
        captions = header.split(',')
        prefixes = EMPTY_CELLS.get(name.split('_slack')[0].split('_carve')[0], [])
        columns = [i for i, c in enumerate(captions) if any(c.startswith(p) for p in prefixes)]
        self.assertEqual(bool(columns), bool(prefixes), header)
        for row in rows:
            cells = row.split(',')
            for i in columns:
                self.assertEqual(cells[i], '', f'{captions[i]}: {row[:200]}')

    def test_each_notification_once_per_place(self):
        for name, fixture, mode, status, expected, said in CASES:
            with self.subTest(name):
                db = self.fixture_copy(fixture, f'{name}/{fixture.split("/")[-1]}')
                result = self.velk(['-db', db, '-csv', '-quiet'] + mode)
                self.assertEqual(result.status, status, result.err)
                got = self.markers_by_source(result)
                self.assertEqual({k: dict(v) for k, v in got.items()},
                                 {k: dict(v) for k, v in expected.items()})
                for fragment in said:
                    self.assertRegex(result.err, f'prob reading {re.escape(db)}(-wal)?: {fragment}')
                if not said:
                    self.assertNotIn('prob', result.err)
                self.assert_empty_cells(name, result)

    def test_missing_table_is_named_in_every_input_mode(self):
        db = self.fixture_copy('dbproc/no_handler.db')
        listed = self.velk(['-pipe', '-csv', '-quiet'], stdin=(db + '\n').encode())
        self.assertEqual(listed.status, 0, listed.err)
        self.assertEqual(len(self.data_rows(listed, '"src":"sqlite lib"')), 6)
        self.assertIn(f'prob reading {db}: no NotificationHandler table', listed.err)


if __name__ == '__main__':
    e2e.run_module_suite()
