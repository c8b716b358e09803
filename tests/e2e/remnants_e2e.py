#!/usr/bin/env python3
"""Acceptance cases: removed notifications recovered where they survive, each once per place,
labelled by that place: a rollback journal whose header a commit zeroed, a copy cut inside
its last page (said, with the page it cut counted as missing), and pages past the end the
database's header gives.

    python3 tests/e2e/remnants_e2e.py --velk build/velk --data tests/data --real ../shared/data/real
"""

import collections
import re

import velk_e2e as e2e

PAGE = 4096
REAL_PAGES = 54  # the real database's header count; its file holds 256 pages
REAL_LEAF = 7    # its Notification root, a leaf holding the six notifications
TAIL_PAGE = 100


def live(orders, *labels):
    """Each LIVE marker of the given Orders, once under each label."""
    return {(f'VELK-RECOVERY-LIVE-{order}', label): 1 for order in orders for label in labels}


def marked(kind, orders, *labels):
    return {(f'VELK-RECOVERY-{kind}-{order}', label): 1 for order in orders for label in labels}


def real(*labels):
    """The real database's six notifications, known by their arrival times."""
    return {(arrival, label): 1 for arrival in REAL_ARRIVALS for label in labels}


REAL_ARRIVALS = ['2020-12-11 19:11:35.902', '2020-12-11 19:11:37.574',
                 '2020-12-11 19:11:38.980', '2020-12-11 19:11:41.730',
                 '2020-12-11 19:11:42.996', '2020-12-11 19:11:49.952']

OTHER_ORDERS = [1, 2, 4, 5, 6, 7, 8]
# (name, fixture, mode, counts of (marker, label)). The zeroed header of a persisted journal
# hides nothing: its records are the database's pages before the commit, the deleted row in
# its leaf's image.
PERSISTED_CASES = [
    ('slack', '-incl_slack',
     {**live(OTHER_ORDERS, 'sqlite lib', 'carve journal'),
      **marked('PERSISTED', [3], 'carve journal')}),
    ('carve', '-carve',
     {**live(OTHER_ORDERS, 'carve main', 'carve journal'),
      **marked('PERSISTED', [3], 'carve journal')}),
]

TAIL_LIVE = [1, 2, 3, 5, 7, 8]
# A stale leaf past the header's page count is no page of the live tree: its rows, live
# copies and deleted ones alike, are labelled as the space past the end.
TAIL_CASES = [
    ('slack', '-incl_slack',
     {**live(TAIL_LIVE, 'sqlite lib', 'main db past end'),
      **marked('TAIL', [4, 6], 'main db past end')}),
    ('carve', '-carve',
     {**live(TAIL_LIVE, 'carve main', 'main db past end'),
      **marked('TAIL', [4, 6], 'main db past end')}),
]

# (name, bytes of the real database kept, mode, what standard error says, counts). 220,000
# bytes are 53 whole pages and part of the 54th that the header counts.
CUT_MESSAGE = 'prob reading {db}: cut off after 53 of its 54 pages{part}: only those were read'
REAL_CUT_CASES = [
    ('inside_page_carve', 220000, '-carve', CUT_MESSAGE.format(db='{db}', part=' (and part of page 54)'),
     real('carve main')),
    ('inside_page_slack', 220000, '-incl_slack',
     CUT_MESSAGE.format(db='{db}', part=' (and part of page 54)'), real('sqlite lib')),
    ('whole_pages_carve', 53 * PAGE, '-carve', CUT_MESSAGE.format(db='{db}', part=''),
     real('carve main')),
]


def row_counts(result):
    """(marker, label) -> the number of report rows carrying both: the marker is the row's
    VELK-... text, or its arrival time where it has none (the real database)."""
    counts = collections.Counter()
    for row in result.report()[1:]:
        source = re.search(r'"src":"([^"]*)"', row)
        marker = re.search(r'VELK-[A-Z0-9-]+', row)
        key = marker.group(0) if marker else row.split(',')[0].strip()
        counts[(key, source.group(1) if source else '')] += 1
    return dict(counts)


class Remnants(e2e.Case):
    def run_csv(self, db, mode):
        return self.velk(['-db', db, mode, '-csv', '-quiet'])

    def check(self, result, counts, said=''):
        self.assertEqual(result.status, 0, result.err)
        self.assertEqual(row_counts(result), counts)
        if said:
            self.assertIn(said, result.err)
        else:
            self.assertNotIn('cut off', result.err)

    def test_persisted_journal(self):
        for name, mode, counts in PERSISTED_CASES:
            with self.subTest(name):
                db = self.fixture_copy('remnants/persisted.db')
                self.check(self.run_csv(db, mode), counts)

    def test_leaf_past_the_end(self):
        for name, mode, counts in TAIL_CASES:
            with self.subTest(name):
                db = self.fixture_copy('remnants/tail_leaf.db')
                self.check(self.run_csv(db, mode), counts)

    def test_real_leaf_past_the_end(self):
        """The real database's Notification leaf copied to page 100 of its 256-page file."""
        for mode, walked in (('-incl_slack', 'sqlite lib'), ('-carve', 'carve main')):
            with self.subTest(mode):
                db = self.real_copy()
                with open(db, 'r+b') as f:
                    f.seek((REAL_LEAF - 1) * PAGE)
                    leaf = f.read(PAGE)
                    f.seek((TAIL_PAGE - 1) * PAGE)
                    f.write(leaf)
                self.check(self.run_csv(db, mode), real(walked, 'main db past end'))

    def test_copy_cut_inside_its_last_page(self):
        db = self.fixture_copy('remnants/cut_page.db')
        said = (f'prob reading {db}: cut off after 20 of its 21 pages (and part of page 21): '
                'only those were read')
        self.check(self.run_csv(db, '-incl_slack'),
                   {**live([1, 3, 4, 6, 7, 8], 'sqlite lib'),
                    **marked('CUT-DELETED', [2, 5], 'main db slack')}, said)

    def test_real_copy_cut(self):
        for name, length, mode, said, counts in REAL_CUT_CASES:
            with self.subTest(name):
                whole = self.real_copy()
                db = self.path(f'cut{length}.db')
                with open(whole, 'rb') as f, open(db, 'wb') as cut:
                    cut.write(f.read(length))
                self.check(self.run_csv(db, mode), counts, said.format(db=db))


if __name__ == '__main__':
    e2e.run_module_suite()
