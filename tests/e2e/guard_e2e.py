#!/usr/bin/env python3
"""Acceptance cases for what velk refuses and says: an output file that is an input under
another name, separators that break CSV readers, messages that name their subject, and the
body file's time rule read back by mactime.

    python3 tests/e2e/guard_e2e.py --velk build/velk --data tests/data --real ../shared/data/real
"""

import os
import sqlite3

import velk_e2e as e2e

SAMPLE = 'sample/wpndatabase.db'
PAGE = 4096
NOTIFICATION_PAGE = 7  # the sample's one Notification leaf

# FILETIMEs: far past the year 3000 (mactime would place it in 30120), the first tick of
# 1601, and the last second of 2999 (the window's end, still a time).
FAR_FUTURE = 9_000_000_000_000_000_000
YEAR_1601 = 1
END_OF_2999 = 441_481_535_990_000_000
END_OF_2999_UNIX = 32_503_679_999


class SecondNames(e2e.Case):
    """No input is emptied through a second name: a hard link of a walked file, at any depth
    the walk reaches, is refused as -out and as -diags before anything is emptied; an earlier
    report of velk is still replaced."""

    def prepare(self):
        with open(os.path.join(e2e.DATA, SAMPLE), 'rb') as f:
            f.seek((NOTIFICATION_PAGE - 1) * PAGE)
            page = f.read(PAGE)
        os.makedirs(self.path('f', 'sub'))
        for name in ('f/page7.bin', 'f/sub/deep.bin'):
            with open(self.path(name), 'wb') as f:
                f.write(page)
        with open(self.path('f', 'notes.txt'), 'w', encoding='ascii') as f:
            f.write('case notes\n')
        os.link(self.path('f', 'page7.bin'), self.path('hard.bin'))
        os.link(self.path('f', 'sub', 'deep.bin'), self.path('deep.bin'))
        os.link(self.path('f', 'notes.txt'), self.path('notes.txt'))
        earlier = self.velk(['-db', self.fixture_copy(SAMPLE, 'plain.db'), '-quiet', '-out',
                             'f/old.txt'])
        self.assertEqual(earlier.status, 0, earlier.err)
        os.link(self.path('f', 'old.txt'), self.path('old.txt'))

    def test_hard_links_of_inputs(self):
        chunk = ['-parse_chunk', '-quiet']
        # (name, args, stdin, status, what standard error says)
        cases = [
            ('enumdir_chunk_out', ['-enumdir', 'f', '-out', 'hard.bin'] + chunk, '', 255,
             'prob opening file hard.bin for output: it is the input f/page7.bin, aborting'),
            ('enumdir_chunk_diags', ['-enumdir', 'f', '-diags', 'hard.bin'] + chunk, '', 255,
             'prob opening file hard.bin for diagnostics: it is the input f/page7.bin'),
            ('enumdir_chunk_below', ['-enumdir', 'f', '-num_subdirs', '1', '-out', 'deep.bin']
             + chunk, '', 255, 'it is the input f/sub/deep.bin'),
            ('enumdir_database_mode', ['-enumdir', 'f', '-quiet', '-out', 'notes.txt'], '', 255,
             'prob opening file notes.txt for output: it is the input f/notes.txt'),
            ('pipe_chunk', ['-pipe', '-out', 'hard.bin'] + chunk, 'f/page7.bin\n', 255,
             'under -pipe -parse_chunk any file may be an input'),
            ('pipe_database_mode', ['-pipe', '-quiet', '-diags', 'notes.txt'], 'f/notes.txt\n',
             255, 'under -pipe any file may be an input'),
            # An earlier report is replaced, and the walk skips it under its own name.
            ('enumdir_earlier_report', ['-enumdir', 'f', '-out', 'old.txt'] + chunk, '', 0,
             'skipping f/old.txt: it is the results file'),
        ]
        for name, args, stdin, status, said in cases:
            with self.subTest(name):
                result, before = self.run_prepared(args, stdin.encode())
                self.assertEqual(result.status, status, result.err)
                self.assertIn(said, result.err)
                if status == 0:
                    continue
                self.assertEqual(result.out, '')
                self.assertEqual(e2e.folder_bytes(self.tmp), before, 'a file was written')


class RefusedSeparators(e2e.Case):
    """A separator holding a double quote or a line break is refused as the empty one is."""

    def test_each_is_refused(self):
        db = self.fixture_copy(SAMPLE, 'w.db')
        for shown, value in (('"', '"'), ('\\x0a', '\n'), ('\\x0d', '\r'), ('a"b', 'a"b'),
                             ('""', '')):
            for extra in ([], ['-enable_quoted_csv_fields']):
                with self.subTest(value=shown, extra=extra):
                    result = self.velk(['-db', db, '-csv', '-quiet', '-csv_separator', value]
                                       + extra)
                    self.assertEqual(result.status, 255, result.err)
                    self.assertIn(f'bad value for -csv_separator: {shown}\n', result.err)
                    self.assertEqual(len(result.report()), 0, result.out)


class NamedMessages(e2e.Case):
    """Every message names what it is about, and the banner escapes what it repeats."""

    def test_messages(self):
        with open(self.path('junk.bin'), 'wb') as f:
            f.write(bytes(range(256)) * 32)
        self.fixture_copy(SAMPLE, 'w.db')
        env_folder = os.environ.get('HOME', '/')
        # (name, args, stdin, status, what standard error says)
        cases = [
            ('chunk_without_records', ['-db', 'junk.bin', '-parse_chunk', '-quiet'], '', 255,
             'problem finding proper signatures to parse in junk.bin\n'),
            ('pipe_of_chunks', ['-pipe', '-parse_chunk', '-quiet'], 'w.db\njunk.bin\n', 0,
             'problem finding proper signatures to parse in junk.bin\n'),
            ('enumdir_typed_and_expanded', ['-enumdir', '%HOME%velkzzdir', '-quiet'], '', 255,
             f'prob listing folder %HOME%velkzzdir (expanded: {env_folder}velkzzdir): '
             'No such file or directory\n'),
        ]
        for name, args, stdin, status, said in cases:
            with self.subTest(name):
                result = self.velk(args, stdin.encode())
                self.assertEqual(result.status, status, result.err)
                self.assertIn(said, result.err)

    def test_banner_escapes_the_command_line(self):
        self.fixture_copy(SAMPLE, 'x\x1b[31m\ny\x07.db')
        result = self.velk(['-db', 'x\x1b[31m\ny\x07.db', '-quiet'])
        self.assertEqual(result.status, 0, result.err)
        self.assertEqual(result.lines[2],
                         '"Command line: ' + os.path.abspath(e2e.VELK)
                         + ' -db x\\x1b[31m[LF]y\\x07.db -quiet"')
        self.assertEqual(result.lines[3], '')
        self.assertNotIn('\x1b', result.out)


class BodyFileTimes(e2e.Case):
    """A time the other forms leave out is 0 (not set) in the body file, which mactime
    reads back as such; a time inside the window keeps its seconds."""

    def test_times_read_back_by_mactime(self):
        db = self.fixture_copy(SAMPLE, 'w.db')
        con = sqlite3.connect(db)
        with con:
            for order, time in ((1, FAR_FUTURE), (2, YEAR_1601), (4, END_OF_2999)):
                con.execute('UPDATE Notification SET ArrivalTime = ? WHERE "Order" = ?',
                            (time, order))
        con.close()  # the last connection folds its -wal back into the file
        body = self.velk(['-db', db, '-quiet', '-bodyfile'])
        self.assertEqual(body.status, 0, body.err)
        rows = body.report()[1:]
        self.assertEqual(len(rows), e2e.SAMPLE_LIVE, body.out)
        created = sorted(int(row.rsplit('|', 1)[1]) for row in rows)
        self.assertEqual(created[:2], [0, 0], body.out)
        self.assertEqual(created[-1], END_OF_2999_UNIX, body.out)
        csv = self.velk(['-db', db, '-quiet', '-csv'])
        self.assertEqual(sum(row.startswith('    ,') for row in csv.report()[1:]), 2, csv.out)
        listed = self.mactime_lines(body, '-y')
        dates = [line.split(',', 1)[0] for line in listed[1:] if ',...b,' in line]
        # Two arrivals are not set (mactime lists no "b" time for them); none past 2999.
        self.assertEqual(len(dates), e2e.SAMPLE_LIVE - 2, listed)
        self.assertEqual(max(dates), '2999-12-31T23:59:59Z', listed)


if __name__ == '__main__':
    e2e.run_module_suite()
