#!/usr/bin/env python3
"""A rollback journal that names a super-journal outside the private copy.

Rolling a journal back, the SQLite library deletes the super-journal the journal names. The
journal of tests/data/superjournal is put beside the evidence with a name of each kind (the
evidence itself, relative; an absolute path; a relative path climbing out with ".."), and
velk is run on it in each mode that reads through the library. Nothing outside the private
copy may change, the name is said, and the live rows are those the library shows when the
named file is not there.
"""

import os
import pathlib
import shutil
import sqlite3
import sys
import tempfile

import velk_e2e as e2e

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / 'data'))
import fixtures_superjournal as sj  # noqa: E402  (the journal builder of the fixtures)

LIVE = '"src":"sqlite lib"'
MESSAGE = 'the -journal names a super-journal outside the copy: {}; left alone'

# Each name against the case folder "case", the working folder of the run, beside the folder
# "outside" that holds victim.txt.
NAMES = [
    ('evidence_relative', lambda tmp: 'wpndatabase.db'),
    ('absolute', lambda tmp: os.path.join(tmp, 'outside', 'victim.txt')),
    ('dotdot', lambda tmp: '../outside/victim.txt'),
]
# Each mode reading the live rows through the library: (name, arguments, standard input).
MODES = [
    ('default', ['-db', 'wpndatabase.db', '-csv'], b''),
    ('incl_slack', ['-db', 'wpndatabase.db', '-csv', '-incl_slack'], b''),
    ('pipe', ['-pipe', '-csv'], b'wpndatabase.db\n'),
]


def library_notifications(db, journal):
    """The notifications the library shows for db beside journal, its super-journal name
    replaced by one that leads nowhere: (Order, Payload) by Order."""
    with tempfile.TemporaryDirectory() as scratch:
        shutil.copyfile(db, os.path.join(scratch, 'x.db'))
        absent = os.path.join(scratch, 'absent', 'super')
        with open(os.path.join(scratch, 'x.db-journal'), 'wb') as f:
            f.write(sj.with_super_journal(sj.without_super_journal(journal), absent))
        con = sqlite3.connect(os.path.join(scratch, 'x.db'))
        rows = con.execute('SELECT [Order], Payload FROM Notification ORDER BY 1').fetchall()
        con.close()
    return rows


class CraftedSuperJournal(e2e.Case):
    def setUp(self):
        super().setUp()
        source = os.path.join(e2e.DATA, sj.FOLDER, 'wpndatabase.db')
        with open(source + '-journal', 'rb') as f:
            self.base_journal = sj.without_super_journal(f.read())
        self.notifications = library_notifications(source, self.base_journal)
        # The library's rows: the transaction the journal would undo stands.
        orders = [order for order, _ in self.notifications]
        self.assertEqual(orders, [1, 2, 4, 6, 21])
        # velk on the database alone reads it in place through the library: the same rows.
        alone = self.fixture_copy(f'{sj.FOLDER}/wpndatabase.db', 'alone/wpndatabase.db',
                                  companions=())
        self.expected = self.live_rows(self.velk(['-db', 'wpndatabase.db', '-csv'],
                                                 cwd=os.path.dirname(alone)))
        self.assertEqual(len(self.expected), len(self.notifications))

    def live_rows(self, result):
        self.assertEqual(result.status, 0, result.err)
        return [line for line in result.report() if LIVE in line]

    def plant(self, name):
        """The case folder with the journal naming name, and the outside file."""
        db = self.fixture_copy(f'{sj.FOLDER}/wpndatabase.db', 'case/wpndatabase.db',
                               companions=())
        with open(db + '-journal', 'wb') as f:
            f.write(sj.with_super_journal(self.base_journal, name))
        os.makedirs(self.path('outside'))
        with open(self.path('outside', 'victim.txt'), 'wb') as f:
            f.write(b'a file the examiner keeps\n')
        return os.path.dirname(db)

    def test_nothing_outside_the_copy_is_touched(self):
        for label, make_name in NAMES:
            for mode, args, stdin in MODES:
                with self.subTest(name=label, mode=mode):
                    shutil.rmtree(self.path('case'), ignore_errors=True)
                    shutil.rmtree(self.path('outside'), ignore_errors=True)
                    name = make_name(self.tmp)
                    case = self.plant(name)
                    before = e2e.folder_bytes(self.tmp)
                    result = self.velk(args, stdin=stdin, cwd=case)
                    self.assertEqual(e2e.folder_bytes(self.tmp), before)
                    self.assertEqual(result.err.count(MESSAGE.format(name)), 1, result.err)
                    self.assertEqual(self.live_rows(result), self.expected)
                    self.assertNotIn(sj.SUPER_BEFORE, '\n'.join(self.live_rows(result)))
                    # The journal is not played back: its pages in the file are the live
                    # ones, never reported again as pages a rollback overwrites.
                    self.assertFalse([line for line in result.report()
                                      if 'overwritten from journal' in line])


if __name__ == '__main__':
    e2e.run_module_suite()
