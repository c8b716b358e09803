#!/usr/bin/env python3
"""Acceptance cases of notifications deleted together (their freed cells merged into one
freeblock under stale freeblock headers), of a table with a column added whose rowids
freeblock headers took, and of ActivityIds stored as integers and reals: each surviving row
is reported once per place, no Order is made up, and every stored value is read.

    python3 tests/e2e/merged_e2e.py --velk build/velk --data tests/data --real ../shared/data/real
"""

import collections
import re

import velk_e2e as e2e

RUN_LENGTHS = [2, 3, 4, 5, 6]
# fixture -> the first Order of its runs (tests/data/fixtures_merged.py).
RUN_SETS = {'short_low': 1, 'short_high': 200, 'long_low': 1, 'long_high': 200}
LIB = 'sqlite lib'
SLACK = 'main db slack'
BLOB = 'carve blob'


def runs_from(first):
    """(live, deleted) Orders: a live row before each run and after the last."""
    live, deleted, order = [], [], first
    for length in RUN_LENGTHS:
        live.append(order)
        deleted += range(order + 1, order + 1 + length)
        order += length + 1
    return live + [order], deleted


def once(label, orders):
    return {(label, str(o)): 1 for o in orders}


def report_rows(result):
    """Each report row's cells by caption (written with '|' as the separator)."""
    header, *rows = result.report()
    captions = [c.strip() for c in header.split('|')]
    return [dict(zip(captions, (c.strip() for c in row.split('|')))) for row in rows]


def by_marker(result):
    """(source label, marker Order) -> count, and marker Order -> the row (the last one)."""
    found, cells = collections.Counter(), {}
    for row in report_rows(result):
        marker = re.search(r'VELK-MERGED-([0-9]+)', row.get('Payload', ''))
        source = re.search(r'"src":"([^"]*)"', row.get('Misc data', ''))
        key = marker.group(1) if marker else ''
        found[(source.group(1) if source else '?', key)] += 1
        cells[key] = row
    return dict(found), cells


class MergedCase(e2e.Case):
    def run_velk(self, fixture, mode):
        db = self.fixture_copy(f'merged/{fixture}.db')
        result = self.velk(['-db', db, mode, '-csv', '-all_fields', '-csv_separator', '|',
                            '-quiet'])
        self.assertEqual(result.status, 0, result.err)
        return by_marker(result)


class DeletedTogether(MergedCase):
    def test_every_row_of_a_run_once(self):
        # The deleted rows lie in one freeblock per run, each but the lowest under a stale
        # freeblock header; their rowids went with it.
        for fixture, first in RUN_SETS.items():
            live, deleted = runs_from(first)
            for mode, live_label, deleted_label in [('-incl_slack', LIB, SLACK),
                                                    ('-carve', 'carve main', SLACK),
                                                    ('-parse_chunk', BLOB, BLOB)]:
                with self.subTest(fixture=fixture, mode=mode):
                    found, cells = self.run_velk(fixture, mode)
                    expected = once(live_label, live)
                    expected.update(once(deleted_label, deleted) if mode != '-parse_chunk'
                                    else once(BLOB, live + deleted))
                    self.assertEqual(found, expected)
                    self.assertEqual({o: cells[str(o)]['Order'] for o in deleted},
                                     {o: '' for o in deleted})
                    self.assertEqual({cells[str(o)]['Id'] for o in deleted},
                                     {str(500 + o) for o in deleted})


class AddedColumn(MergedCase):
    def test_no_order_is_made_up(self):
        found, cells = self.run_velk('added_column', '-incl_slack')
        deleted = [10, 11, 12, 200, 202]
        self.assertEqual(found, {**once(LIB, [9, 13, 199, 201, 203]), **once(SLACK, deleted)})
        self.assertEqual({o: (cells[str(o)]['Order'], cells[str(o)]['Id']) for o in deleted},
                         {o: ('', str(500 + o)) for o in deleted})

    def test_a_chunk_has_no_schema_to_match_the_added_layout(self):
        # Without a schema the added column's serial type reads as no known layout: the rows
        # are not reported, and nothing is said of them.
        db = self.fixture_copy('merged/added_column.db')
        result = self.velk(['-parse_chunk', db, '-csv', '-quiet'])
        self.assertNotIn('VELK-MERGED', result.out)
        self.assertNotIn('layout', result.err)


# Order -> the ActivityId as stored (tests/data/fixtures_merged.py), written as the library
# writes it; every other row deleted.
ACTIVITY = {20: '7', 21: '-300', 22: '70000', 23: str(1 << 30), 24: str(1 << 40),
            25: str(-(1 << 60)), 26: '0', 27: '1', 28: '2.5', 29: '-1234.125', 31: '1.0e+20'}
ACTIVITY_DELETED = [21, 23, 25, 27, 29, 31]


class NumericActivityId(MergedCase):
    def test_every_storage_class_in_every_source(self):
        live = [o for o in ACTIVITY if o not in ACTIVITY_DELETED]
        for mode, expected in [
                ('-incl_slack', {**once(LIB, live), **once(SLACK, ACTIVITY_DELETED)}),
                ('-parse_chunk', once(BLOB, ACTIVITY))]:
            with self.subTest(mode):
                found, cells = self.run_velk('activity', mode)
                self.assertEqual(found, expected)
                # Shown as the number, as the library gives a live row's.
                self.assertEqual({o: cells[str(o)]['ActivityId'] for o in ACTIVITY}, ACTIVITY)


if __name__ == '__main__':
    e2e.run_module_suite()
