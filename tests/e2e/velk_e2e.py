#!/usr/bin/env python3
"""Acceptance suite: the built velk binary run as an examiner runs it.

    python3 tests/e2e/velk_e2e.py --velk build/velk --data tests/data --real ../shared/data/real

Every run happens in a fresh temporary folder on copies of its inputs: the real database of
the shared data folder (skipped when absent, unless the environment variable CI is set,
which makes its absence a failure) and the committed fixtures of tests/data. The
suite asserts statuses, report lines, record sources and messages, and at the end checks that
every option and help word of the usage text was used by at least one run.

Further cases live in sibling modules named *_e2e.py, each run as its own test (so they
spread over the cores): such a module imports this one, subclasses Case and ends with
`velk_e2e.run_module_suite()`.
"""

import argparse
import os
import re
import resource
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

VELK = None
DATA = None
REAL = None

# What the suite's runs used, checked against the usage text at the end.
USED_WORDS = set()
HELP_WORDS = ['-h', '-help', '/?', '--help']

# The real database: its six live notifications, and what the first (Order 1) holds.
REAL_ROWS = 6
ORDER1_ARRIVAL = '2020-12-11 19:11:35.902'
ORDER1_EXPIRY = '2020-12-11 19:12:35.902'
ORDER1_UNIX = '1607713895'
ORDER1_SHORT = 'windows.immersivecontrolpanel'
ORDER1_PRIMARY = 'windows.immersivecontrolpanel_cw5n1h2txyewy!microsoft.windows.immersivecontrolpanel'
ORDER1_PAYLOAD = "<toast activationType='protocol' launch='ms-settings:connecteddevices'>"
# The sample fixture: live notifications with its -wal applied, and of its main file alone.
SAMPLE_LIVE = 11
SAMPLE_MAIN_ROWS = 10


class Run:
    def __init__(self, status, out, err):
        self.status = status
        self.out = out
        self.err = err

    @property
    def lines(self):
        return self.out.split('\n')

    def report(self):
        """The lines after the banner (three lines and an empty one), without the last end."""
        lines = self.lines
        if lines and lines[-1] == '':
            lines = lines[:-1]
        return lines[4:]


def run(args, cwd, stdin=b'', argv0=None, record=True):
    for word in args:
        if record and (word.startswith('-') or word == '/?'):
            USED_WORDS.add(word.lower())
    executable = os.path.abspath(VELK)
    done = subprocess.run([argv0 or executable] + args, executable=executable, cwd=cwd,
                          input=stdin, capture_output=True, timeout=300, check=False)
    return Run(done.returncode, done.stdout.decode('utf-8', 'surrogateescape'),
               done.stderr.decode('utf-8', 'surrogateescape'))


def copy_writable(source, target):
    shutil.copyfile(source, target)
    os.chmod(target, stat.S_IRUSR | stat.S_IWUSR)


class Case(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix='velk-e2e-')

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.tmp, *parts)

    def real_copy(self, name='wpndatabase.db'):
        source = os.path.join(REAL, 'wpndatabase.db')
        if not os.path.exists(source):
            # A CI run must read the real file; a developer's machine may lack it.
            if os.environ.get('CI'):
                self.fail(f'real data missing while CI is set: {source}')
            self.skipTest(f'real data absent: {source}')
        target = self.path(name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        copy_writable(source, target)
        return target

    def fixture_copy(self, relative, name=None, companions=('-wal', '-journal')):
        """A copy of a committed fixture and whichever companions it has."""
        source = os.path.join(DATA, relative)
        target = self.path(name or relative)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        copy_writable(source, target)
        for companion in companions:
            if os.path.exists(source + companion):
                copy_writable(source + companion, target + companion)
        return target

    def velk(self, args, stdin=b'', cwd=None):
        return run(args, cwd or self.tmp, stdin)

    def assert_banner(self, result, *command_words):
        lines = result.lines
        self.assertGreaterEqual(len(lines), 4, result.out)
        self.assertRegex(lines[0], r'^velk - .+ -$')
        self.assertEqual(lines[3], '')
        for word in command_words:
            self.assertIn(word, lines[2])

    def run_prepared(self, args, stdin=b''):
        """velk run in a new temporary folder set up by the case's prepare(), with what
        the folder held before the run (folder_bytes)."""
        self.tearDown()
        self.setUp()
        self.prepare()
        before = folder_bytes(self.tmp)
        return self.velk(args, stdin), before

    def mactime_lines(self, body, *flags):
        """The lines mactime lists from a -bodyfile report (the case is skipped without
        mactime, Debian's sleuthkit)."""
        body_file = self.path('body.txt')
        with open(body_file, 'w', encoding='utf-8', errors='surrogateescape') as f:
            f.write('\n'.join(body.report()) + '\n')
        mactime = shutil.which('mactime')
        if mactime is None:
            self.skipTest('mactime (Debian package sleuthkit) not installed: body file not read')
        listed = subprocess.run([mactime, '-b', body_file, '-d', *flags], capture_output=True,
                                timeout=120, check=False)
        self.assertEqual(listed.returncode, 0, listed.stderr)
        return listed.stdout.decode('utf-8', 'replace').split('\n')

    def data_rows(self, result, marker):
        return [line for line in result.report() if marker in line]


class Help(Case):
    def test_help_words_print_the_usage_alone(self):
        usage = None
        for args in (['-h'], ['-HELP', '-db', 'x.db'], ['-csv', '/?'], ['--help'], []):
            with self.subTest(args=args):
                result = self.velk(args)
                self.assertEqual(result.status, 0)
                self.assertEqual(result.out, '')
                self.assertIn('  velk -db <wpndatabase.db> [options]\n', result.err)
                usage = usage or result.err
                self.assertEqual(result.err, usage)
        self.assertEqual(os.listdir(self.tmp), [])

    def test_option_failure_prints_banner_and_usage(self):
        result = self.velk(['-csv', '-db'])
        self.assertEqual(result.status, 255)
        self.assert_banner(result, '-csv -db')
        self.assertEqual(result.report(), [])
        self.assertIn('Usage\n', result.err)


class RealDatabase(Case):
    """The real database, in every output form."""

    def test_default_table(self):
        db = self.real_copy()
        result = self.velk(['-db', db])
        self.assertEqual(result.status, 0, result.err)
        self.assert_banner(result, '-db ' + db)
        header, *rows = result.report()
        self.assertTrue(header.startswith('Notification ArrivalTime | '), header)
        self.assertEqual(len(rows), REAL_ROWS, result.out)
        cells = [cell.strip() for cell in rows[0].split(' | ')]
        self.assertEqual(cells[0], ORDER1_ARRIVAL)
        self.assertEqual(cells[1], ORDER1_EXPIRY)
        self.assertIn(ORDER1_SHORT, cells)
        self.assertIn('{"src":"sqlite lib"}', cells)
        self.assertIn(db, cells)
        self.assertTrue(any(cell.startswith(ORDER1_PAYLOAD) for cell in cells))
        # The padded table: every line of the report is as wide as the header's cells.
        self.assertEqual(rows[0].index(' | '), header.index(' | '))
        self.assertIn('analyzing ' + db, result.err)

    def test_quiet_and_results_file(self):
        db = self.real_copy()
        out = self.path('results.txt')
        result = self.velk(['-db', db, '-quiet', '-out', out])
        self.assertEqual(result.status, 0)
        self.assertEqual(result.out, '')
        self.assertNotIn('analyzing', result.err)
        with open(out, encoding='utf-8') as f:
            written = Run(0, f.read(), '')
        self.assert_banner(written, '-quiet')
        self.assertEqual(len(written.report()), REAL_ROWS + 1)

    def test_csv(self):
        db = self.real_copy()
        result = self.velk(['-db', db, '-csv', '-quiet'])
        self.assertEqual(result.status, 0)
        header, *rows = result.report()
        self.assertTrue(header.startswith('Notification ArrivalTime,Notification ExpiryTime,'))
        self.assertEqual(len(rows), REAL_ROWS)
        # One blank before each date-and-time value, no filling to the column width.
        self.assertTrue(rows[0].startswith(f' {ORDER1_ARRIVAL}, {ORDER1_EXPIRY},'), rows[0])
        self.assertIn(f',toast,{ORDER1_SHORT},{{"src":"sqlite lib"}},{db},{ORDER1_PAYLOAD}',
                      rows[0])

    def test_csv_without_whitespace_and_own_separator(self):
        db = self.real_copy()
        result = self.velk(['-db', db, '-csv', '-no_whitespace', '-csv_separator', '|',
                            '-quiet'])
        self.assertEqual(result.status, 0)
        header, *rows = result.report()
        self.assertTrue(header.startswith('Notification ArrivalTime|Notification ExpiryTime|'))
        self.assertTrue(rows[0].startswith(f'{ORDER1_ARRIVAL}|{ORDER1_EXPIRY}|'), rows[0])
        self.assertIn(f'|toast|{ORDER1_SHORT}|', rows[0])

    def test_table_without_whitespace(self):
        db = self.real_copy()
        result = self.velk(['-db', db, '-no_whitespace', '-quiet'])
        rows = result.report()[1:]
        self.assertTrue(rows[0].startswith(f'{ORDER1_ARRIVAL}|{ORDER1_EXPIRY}|'), rows[0])

    def test_all_fields(self):
        db = self.real_copy()
        result = self.velk(['-db', db, '-csv', '-all_fields', '-quiet'])
        header, *rows = result.report()
        self.assertIn(',Order,Id,HandlerId,', header)
        self.assertIn(f',toast,{ORDER1_SHORT},1,2,68,', rows[0])
        self.assertIn(f',{ORDER1_PRIMARY},', rows[0])

    def test_date_and_time_formats(self):
        db = self.real_copy()
        result = self.velk(['-db', db, '-csv', '-dateformat', 'mm/dd/yyyy', '-timeformat',
                            'hh:mm:ss', '-quiet'])
        self.assertRegex(result.lines[1], r'\d\d/\d\d/\d{4} ')
        rows = result.report()[1:]
        self.assertTrue(rows[0].startswith(' 12/11/2020 19:11:35, 12/11/2020 19:12:35,'),
                        rows[0])

    def test_log2timeline(self):
        db = self.real_copy()
        result = self.velk(['-db', db, '-csvl2t', '-username', 'alice', '-hostname', 'ws01',
                            '-quiet'])
        self.assertEqual(result.status, 0)
        header, *rows = result.report()
        self.assertTrue(header.startswith('date/time,timezone,MACB,source,sourcetype,type,'))
        # Arrival ("B") and expiry ("C") differ for every notification: two lines each.
        self.assertEqual(len(rows), 2 * REAL_ROWS)
        self.assertTrue(rows[0].startswith(
            f' {ORDER1_ARRIVAL},UTC,...B,VELK_DB,PushNotification artifact,ArrivalTime,'
            f'alice,ws01,{ORDER1_SHORT} (toast),{ORDER1_PAYLOAD}'), rows[0])
        self.assertIn(f',PrimaryID: {ORDER1_PRIMARY},', rows[0])
        self.assertTrue(rows[0].endswith(f'db: {db}'), rows[0])
        self.assertTrue(rows[1].startswith(f' {ORDER1_EXPIRY},UTC,..C.,'), rows[1])

    def test_bodyfile(self):
        db = self.real_copy()
        result = self.velk(['-db', db, '-bodyfile', '-quiet'])
        header, *rows = result.report()
        self.assertEqual(header, 'md5|name|inode|mode as string|uid|gid|size|access time|'
                                 'modify time|mft time|create time')
        self.assertEqual(len(rows), REAL_ROWS)
        self.assertTrue(rows[0].startswith(
            f'0|PushNotification artifact; Type: toast; PrimaryID: {ORDER1_PRIMARY}; '
            f'Payload: {ORDER1_PAYLOAD}'), rows[0])
        self.assertTrue(rows[0].endswith(f'|0|0|0|{ORDER1_UNIX}'), rows[0])

    def test_carve_reads_the_same_rows_without_the_library(self):
        db = self.real_copy()
        result = self.velk(['-db', db, '-carve', '-csv', '-quiet'])
        self.assertEqual(result.status, 0)
        rows = result.report()[1:]
        self.assertEqual(len(rows), REAL_ROWS)
        self.assertTrue(all('{"src":"carve main"; "record offset":"0x' in row for row in rows))
        self.assertTrue(any(row.startswith(f' {ORDER1_ARRIVAL},') for row in rows))

    def test_slack_of_the_real_database(self):
        db = self.real_copy()
        with open(db, 'rb') as f:
            before = f.read()
        result = self.velk(['-db', db, '-incl_slack', '-csv', '-quiet'])
        self.assertEqual(result.status, 0)
        rows = result.report()[1:]
        self.assertEqual(len(self.data_rows(result, '"sqlite lib"')), REAL_ROWS)
        self.assertGreaterEqual(len(rows), REAL_ROWS)
        with open(db, 'rb') as f:
            self.assertEqual(f.read(), before, 'velk changed its input')

    def test_page_chunk(self):
        db = self.real_copy()
        with open(db, 'rb') as f:
            data = f.read()
        # The Notification table's one leaf: page 7, from file offset 6 * 4096.
        chunk = self.path('page7.bin')
        with open(chunk, 'wb') as f:
            f.write(data[6 * 4096:7 * 4096])
        # -carve, -incl_slack and -incl_settings are ignored next to -parse_chunk.
        result = self.velk(['-db', chunk, '-parse_chunk', '-carve', '-incl_slack', '-csv',
                            '-quiet'])
        self.assertEqual(result.status, 0, result.err)
        rows = result.report()[1:]
        self.assertEqual(len(rows), REAL_ROWS)
        self.assertTrue(all('"src":"carve blob"' in row for row in rows))
        self.assertTrue(any(row.startswith(f' {ORDER1_ARRIVAL},') for row in rows))

    def test_page_chunk_without_records_fails(self):
        noise = self.path('noise.bin')
        with open(noise, 'wb') as f:
            f.write(bytes((i * 97 + 13) % 251 for i in range(8192)))
        result = self.velk(['-db', noise, '-parse_chunk', '-quiet'])
        self.assertEqual(result.status, 255)
        self.assertIn('problem finding proper signatures to parse', result.err)


class Fixtures(Case):
    """Recovered rows of the scripted fixtures, with the sources they came from."""

    def recovered(self, result, marker):
        return [line for line in self.data_rows(result, marker) if '"sqlite lib"' not in line]

    def test_sample_slack_and_wal(self):
        db = self.fixture_copy('sample/wpndatabase.db')
        result = self.velk(['-db', db, '-incl_slack', '-csv', '-quiet'])
        self.assertEqual(result.status, 0)
        self.assertEqual(len(self.data_rows(result, '"sqlite lib"')), SAMPLE_LIVE)
        self.assertEqual(sum(line.startswith('Notification ArrivalTime') for line in result.lines),
                         1)
        for marker in ('VELK-DELETED-NOTIFICATION-1', 'VELK-DELETED-NOTIFICATION-3'):
            rows = self.recovered(result, marker)
            self.assertTrue(any('"src":"main db page to be overwritten from wal"' in row
                                and f',{db},' in row for row in rows), marker)
        deleted_in_wal = self.recovered(result, 'VELK-WAL-DELETED-NOTIFICATION-1')
        self.assertTrue(any('"src":"wal file slack in valid page"' in row
                            and f',{db}-wal,' in row for row in deleted_in_wal))
        self.assertTrue(any('"src":"wal file page superceded by new page"' in row
                            for row in deleted_in_wal))

    def test_journal(self):
        db = self.fixture_copy('journal/wpndatabase.db')
        result = self.velk(['-db', db, '-incl_slack', '-csv', '-quiet'])
        self.assertEqual(result.status, 0)
        rows = self.recovered(result, 'VELK-JOURNAL-DELETED-NOTIFICATION-1')
        self.assertTrue(any('"src":"carve journal"' in row and f',{db}-journal,' in row
                            for row in rows), result.out)

    def test_damaged_copies(self):
        # The truncated copy is cut inside page 7, after the freeblock of the third deleted
        # notification and before those of the other two.
        for name, marker in (('cell_pointer_past_end.db', 'VELK-DELETED-NOTIFICATION-1'),
                             ('freeblock_loop.db', 'VELK-DELETED-NOTIFICATION-1'),
                             ('truncated.db', 'VELK-DELETED-NOTIFICATION-3')):
            for mode in ('-carve', '-incl_slack'):
                with self.subTest(name=name, mode=mode):
                    db = self.fixture_copy('damaged/' + name)
                    result = self.velk(['-db', db, mode, '-csv', '-quiet'])
                    self.assertEqual(result.status, 0, result.err)
                    rows = self.recovered(result, marker)
                    self.assertTrue(any('"src":"main db slack"' in row for row in rows),
                                    result.out)

    def test_damaged_copies_that_the_library_cannot_read_fail_the_run(self):
        for name in ('cell_pointer_past_end.db', 'truncated.db'):
            with self.subTest(name=name):
                db = self.fixture_copy('damaged/' + name)
                result = self.velk(['-db', db, '-csv'])
                self.assertEqual(result.status, 255, result.err)
                self.assertIn(f'prob reading {db}: database disk image is malformed\n',
                              result.err)

    def test_default_table_marks_recovered_rows(self):
        db = self.fixture_copy('damaged/freeblock_loop.db', 'f.db')
        result = self.velk(['-db', db, '-incl_slack', '-quiet'])
        rows = self.recovered(result, 'VELK-DELETED-NOTIFICATION-3')
        self.assertTrue(any('{"src":"main db slack"; "record offset":"0x' in row
                            for row in rows), result.out)


class InputLoop(Case):
    def test_pipe_reports_every_listed_database_under_one_header(self):
        first = self.fixture_copy('sample/wpndatabase.db', 'a/wpndatabase.db')
        second = self.real_copy('b/wpndatabase.db')
        listing = f'{first}\r\n\n{second}\r\n'.encode()
        result = self.velk(['-pipe', '-csv', '-diags', self.path('d.txt')], stdin=listing)
        self.assertEqual(result.status, 0, result.err)
        self.assertTrue(result.lines[2].startswith('"Command line: <filelist> ... | '))
        self.assertEqual(sum(line.startswith('Notification ArrivalTime') for line in result.lines),
                         1)
        self.assertEqual(len(self.data_rows(result, f',{first},')), SAMPLE_LIVE)
        self.assertEqual(len(self.data_rows(result, f',{second},')), REAL_ROWS)
        with open(self.path('d.txt'), encoding='utf-8') as f:
            diags = f.read()
        self.assertIn(f'\n->{first}\n', diags)
        self.assertIn(f'\n->{second}\n', diags)

    def test_pipe_with_nothing_accepted_fails(self):
        db = self.real_copy()
        for args, listing in ((['-pipe', '-filter', '*.db'], f'{db}-wal\nnotes.txt\n'),
                              (['-pipe'], '\n\r\n'),
                              (['-pipe', '-db', db], '')):
            with self.subTest(args=args):
                result = self.velk(args, stdin=listing.encode())
                self.assertEqual(result.status, 255)
                self.assertEqual(len(result.lines), 5, result.out)  # banner, empty line, end
                self.assertNotIn('analyzing', result.err)

    def test_enumdir_depth(self):
        self.real_copy('dir/sub/wpndatabase.db')
        shallow = self.velk(['-enumdir', 'dir', '-filter', '*.db'])
        self.assertEqual(shallow.status, 255)
        self.assertEqual(shallow.report(), [])
        deep = self.velk(['-enumdir', 'dir', '-num_subdirs', '1', '-filter', '*.db', '-csv'])
        self.assertEqual(deep.status, 0)
        self.assertEqual(len(self.data_rows(deep, ',dir/sub/wpndatabase.db,')), REAL_ROWS)
        here = self.velk(['-enumdir', '.', '-num_subdirs', '1', '-csv'], cwd=self.path('dir'))
        self.assertEqual(here.status, 0)
        self.assertEqual(len(self.data_rows(here, ',./sub/wpndatabase.db,')), REAL_ROWS)
        missing = self.velk(['-enumdir', 'missing', '-num_subdirs', '2'])
        self.assertEqual(missing.status, 255)

    def test_enumdir_opens_names_as_found(self):
        self.real_copy('w/%HOME%x.db')
        self.real_copy('w/n\udcff.db')
        result = self.velk(['-enumdir', 'w', '-csv', '-quiet'])
        self.assertEqual(result.status, 0)
        self.assertEqual(len(self.data_rows(result, ',w/%HOME%x.db,')), REAL_ROWS)
        self.assertEqual(len(self.data_rows(result, ',w/n\udcff.db,')), REAL_ROWS)

    def test_pipe_of_page_chunks(self):
        db = self.real_copy()
        result = self.velk(['-pipe', '-parse_chunk', '-csv', '-quiet'],
                           stdin=f'{db}\n'.encode())
        self.assertEqual(result.status, 0)
        self.assertTrue(self.data_rows(result, '"src":"carve blob"'))


class ReadmeExamples(Case):
    """The README's "Output forms" examples are what this build writes."""

    def readme(self):
        with open(os.path.join(DATA, '..', '..', 'README.md'), encoding='utf-8') as f:
            text = f.read()
        self.assertIn('## Output forms', text)
        return text.split('## Output forms', 1)[1]

    def test_examples_match_a_run(self):
        section = self.readme()
        self.real_copy()
        for mode, count in (([], 2), (['-csv'], 2), (['-csvl2t'], 3), (['-bodyfile'], 2)):
            with self.subTest(mode=mode):
                result = self.velk(['-db', 'wpndatabase.db', '-quiet'] + mode)
                for line in result.report()[:count]:
                    self.assertIn('\n    ' + line + '\n', section)
        self.fixture_copy('damaged/freeblock_loop.db', 'freeblock_loop.db')
        result = self.velk(['-db', 'freeblock_loop.db', '-incl_slack', '-csv', '-quiet'])
        recovered = self.data_rows(result, '"src":"main db slack"; "record offset":"0x6cbb"')
        self.assertEqual(len(recovered), 1)
        self.assertIn('\n    ' + recovered[0] + '\n', section)


# Output and errors an examiner can trust: a run never writes over its evidence, every failure
# is one line on standard error (also under -quiet) and shows in the status, and an argument
# no option took is warned about. Each run starts from the same folder: e.db and e.db-wal
# (the sample fixture) with link.db, a hard link to e.db; notes.txt; empty.bin; the empty
# folder emptyd; w/e.db; and bad/x.db, a text file.
# (name, arguments, standard input, standard output ('pipe' or 'full'), status,
#  fragments that standard error holds in this order, fragments it must not hold,
#  files that must stay byte for byte as they were, or stay absent)
EVIDENCE = ['e.db', 'e.db-wal', 'w/e.db']
TRUST_CASES = [
    ('out_is_the_database', ['-db', 'e.db', '-quiet', '-out', 'e.db'], '', 'pipe', 255,
     ['prob opening file e.db for output: it is the input e.db, aborting'], [], EVIDENCE),
    ('out_is_the_wal', ['-db', 'e.db', '-quiet', '-out', 'e.db-wal'], '', 'pipe', 255,
     ['it is the input e.db-wal'], [], EVIDENCE),
    ('out_is_a_journal_to_be', ['-db', 'e.db', '-out', 'e.db-journal'], '', 'pipe', 255,
     ['it is the input e.db-journal'], [], EVIDENCE + ['e.db-journal']),
    ('out_by_another_path', ['-db', 'e.db', '-out', 'emptyd/../e.db'], '', 'pipe', 255,
     ['it is the input e.db'], [], EVIDENCE),
    ('out_is_a_hard_link', ['-db', 'e.db', '-out', 'link.db'], '', 'pipe', 255,
     ['prob opening file link.db for output: it is the input e.db'], [], EVIDENCE),
    ('diags_is_the_database', ['-db', 'w/e.db', '-diags', 'w/e.db'], '', 'pipe', 255,
     ['it is the input w/e.db'], [], EVIDENCE),
    ('piped_results_file_skipped', ['-pipe', '-quiet', '-out', 'r.txt'], 'r.txt\ne.db\n', 'pipe',
     0, ['skipping r.txt: it is the results file'], [], EVIDENCE),
    ('walked_results_file_skipped', ['-enumdir', 'w', '-quiet', '-out', 'w/r.txt'], '', 'pipe',
     0, ['skipping w/r.txt: it is the results file'], [], EVIDENCE),
    ('stdout_full', ['-db', 'e.db', '-quiet'], '', 'full', 255,
     ['prob writing to standard output'], [], EVIDENCE),
    ('stdout_full_on_option_failure', ['-db'], '', 'full', 255,
     ['prob writing to standard output'], [], EVIDENCE),
    ('pipe_nothing_read', ['-pipe'], '/nonexistent.db\n', 'pipe', 255,
     ['prob accessing file /nonexistent.db'], [], EVIDENCE),
    ('pipe_one_of_two_read', ['-pipe', '-quiet'], '/nonexistent.db\ne.db\n', 'pipe', 0,
     ['prob accessing file /nonexistent.db'], [], EVIDENCE),
    ('pipe_nothing_accepted', ['-pipe', '-filter', '*.db'], 'notes.txt\n', 'pipe', 255,
     ['no input file accepted from standard input'], [], EVIDENCE),
    ('enumdir_empty', ['-enumdir', 'emptyd', '-quiet'], '', 'pipe', 255,
     ['no input file accepted from folder emptyd'], [], EVIDENCE),
    ('enumdir_every_file_failed', ['-enumdir', 'bad', '-quiet'], '', 'pipe', 255,
     ['prob processing file bad/x.db'], ['no input file accepted'], EVIDENCE),
    ('enumdir_missing', ['-enumdir', 'missing', '-quiet'], '', 'pipe', 255,
     ['prob listing folder missing: No such file or directory'], ['no input file accepted'],
     EVIDENCE),
    ('enumdir_of_a_file', ['-enumdir', 'notes.txt', '-quiet'], '', 'pipe', 255,
     ['prob listing folder notes.txt: Not a directory'], [], EVIDENCE),
    ('enumdir_subfolder_past_path_max', ['-enumdir', 'deep', '-num_subdirs', '40', '-quiet'], '',
     'pipe', 0, ['prob listing folder deep/', 'File name too long'], ['prob accessing'],
     EVIDENCE),
    ('quiet_missing_database', ['-db', 'missing.db', '-quiet'], '', 'pipe', 255,
     ['prob accessing file missing.db'], [], EVIDENCE),
    ('quiet_not_a_database', ['-db', 'notes.txt', '-quiet'], '', 'pipe', 255,
     ['prob processing file notes.txt'], [], EVIDENCE),
    ('quiet_chunk_missing', ['-parse_chunk', '-db', 'missing.bin', '-quiet'], '', 'pipe', 255,
     ['prob accessing file missing.bin'], [], EVIDENCE),
    ('quiet_chunk_empty', ['-parse_chunk', '-db', 'empty.bin', '-quiet'], '', 'pipe', 255,
     ['prob accessing file empty.bin'], [], EVIDENCE),
    ('quiet_chunk_folder', ['-parse_chunk', '-db', 'emptyd', '-quiet'], '', 'pipe', 255,
     ['prob accessing file emptyd'], [], EVIDENCE),
    ('unknown_options_warned_first', ['-db', 'e.db', '-bogus', '-incl_slak'], '', 'pipe', 0,
     ['unknown option ignored: -bogus\n', 'unknown option ignored: -incl_slak\n',
      'analyzing e.db'], [], EVIDENCE),
    ('unknown_option_warned_when_quiet', ['-db', 'e.db', '-quiet', '-Bogus', 'x'], '', 'pipe', 0,
     ['unknown option ignored: -Bogus\n', 'unknown option ignored: x\n'], [], EVIDENCE),
    ('append_is_taken_with_out', ['-db', 'e.db', '-quiet', '-out', 'r.txt', '-append'], '',
     'pipe', 0, [], ['unknown option'], EVIDENCE),
]


class TrustedOutput(Case):
    def prepare(self, name):
        self.fixture_copy('sample/wpndatabase.db', 'e.db')
        self.fixture_copy('sample/wpndatabase.db', 'w/e.db', companions=())
        with open(self.path('notes.txt'), 'w', encoding='utf-8') as f:
            f.write('not a database\n')
        open(self.path('empty.bin'), 'wb').close()
        os.mkdir(self.path('emptyd'))
        os.link(self.path('e.db'), self.path('link.db'))
        os.mkdir(self.path('bad'))
        shutil.copyfile(self.path('notes.txt'), self.path('bad/x.db'))
        if name == 'enumdir_subfolder_past_path_max':
            # A folder whose path is 4095 bytes long: lstat finds it, but its path and the
            # '/' that listing it needs pass PATH_MAX, so it cannot be listed, whoever runs
            # the suite (a folder without permissions stops only users other than root).
            self.fixture_copy('sample/wpndatabase.db', 'deep/e.db', companions=())
            names = ['d' * 250] * 16 + ['d' * (4095 - len('deep') - 16 * 251 - 1)]
            fd = os.open(self.path('deep'), os.O_RDONLY)
            for part in names:
                os.mkdir(part, dir_fd=fd)
                inner = os.open(part, os.O_RDONLY, dir_fd=fd)
                os.close(fd)
                fd = inner
            os.close(fd)

    def snapshot(self, paths):
        taken = {}
        for relative in paths:
            path = self.path(relative)
            if os.path.exists(path):
                with open(path, 'rb') as f:
                    taken[relative] = f.read()
            else:
                taken[relative] = None
        return taken

    def run_case(self, args, stdin, stdout):
        for word in args:
            if word.startswith('-'):
                USED_WORDS.add(word.lower())
        with open('/dev/full' if stdout == 'full' else os.devnull, 'wb') as sink:
            done = subprocess.run([os.path.abspath(VELK)] + args, cwd=self.tmp, input=stdin.encode(),
                                  stdout=subprocess.PIPE if stdout == 'pipe' else sink,
                                  stderr=subprocess.PIPE, timeout=300, check=False)
        return done.returncode, done.stderr.decode('utf-8', 'surrogateescape')

    def test_cases(self):
        for name, args, stdin, stdout, status, said, unsaid, unchanged in TRUST_CASES:
            with self.subTest(name):
                if stdout == 'full' and not os.path.exists('/dev/full'):
                    self.skipTest('no /dev/full')
                self.tearDown()
                self.setUp()
                self.prepare(name)
                before = self.snapshot(unchanged)
                got, err = self.run_case(args, stdin, stdout)
                self.assertEqual(got, status, err)
                at = 0
                for fragment in said:
                    found = err.find(fragment, at)
                    self.assertNotEqual(found, -1, f'{fragment!r} (in order) not in {err!r}')
                    at = found + len(fragment)
                for fragment in unsaid:
                    self.assertNotIn(fragment, err)
                self.assertEqual(self.snapshot(unchanged), before, 'a file was written')


class LineBreaksInValues(Case):
    """Line breaks inside stored text never split a report line, in any line-based form."""

    PRIMARY = 'broken\rhandler\nname\r\nend'
    TAG = 'tag\r\none\rtwo\nthree'

    def broken_copy(self):
        import sqlite3
        db = self.real_copy()
        con = sqlite3.connect(db)
        with con:
            con.execute('UPDATE NotificationHandler SET PrimaryId = ? WHERE RecordId = 68',
                        (self.PRIMARY,))
            con.execute('UPDATE Notification SET Tag = ? WHERE "Order" = 1', (self.TAG,))
        con.close()  # the last connection folds its -wal back into the file
        return db

    def test_one_line_per_notification_in_every_form(self):
        db = self.broken_copy()
        primary = 'broken[CR]handler[LF]name[CRLF]end'
        tag = 'tag[CRLF]one[CR]two[LF]three'
        for mode, per_row in ((['-csv', '-all_fields'], 1), (['-csvgen', '-all_fields'], 1),
                              (['-csvl2t'], 2), (['-bodyfile'], 1)):
            with self.subTest(mode=mode):
                result = self.velk(['-db', db, '-quiet'] + mode)
                self.assertEqual(result.status, 0, result.err)
                header, *rows = result.report()
                self.assertEqual(len(rows), per_row * REAL_ROWS, result.out)
                self.assertTrue(all(primary in row for row in rows), result.out)
                if '-all_fields' in mode:
                    self.assertEqual(sum(tag in row for row in rows), 1, result.out)
                self.assertNotIn('\r', result.out)
        listed = self.mactime_lines(self.velk(['-db', db, '-quiet', '-bodyfile']))
        # mactime also lists the zero times of each entry; the arrival is the "b" time.
        entries = [line for line in listed if ',...b,' in line and primary in line]
        self.assertEqual(len(entries), REAL_ROWS, listed)


class ValuesInEveryForm(Case):
    """The values fixture (tests/data/values) read back in every form: one row per
    notification, the header's width, and the stored values (a leading quote, separators
    inside values, a NULL HandlerId, negative numbers, times around 1970)."""

    # Report rows by Order: the NULL-keyed notification, handler 1's and handler 0's.
    NULL_KEY, PIPE, ZERO = '-5', '2', '3'
    ARRIVALS = {NULL_KEY: ' 1970-01-01 00:00:00.500', PIPE: ' 2023-03-14 09:26:53.589',
                ZERO: ' 1969-12-31 23:59:59.000'}
    # (name, options, separator, the read-back separator is a CSV delimiter, expected cells
    # by Order and caption)
    TABLES = [
        ('csv', ['-csv', '-all_fields', '-incl_settings'], ',', True, {
            NULL_KEY: {'HandlerId': '', 'Source of Notification': '', 'Channel Uri': '',
                       'Handler CreatedTime': '', 'Settings': '', 'Type': '"q'},
            PIPE: {'HandlerId': '1', 'Source of Notification': 'Contoso.Pipe|Bar',
                   'Tag': '"tag', 'HandlerType': '"q', 'WNFEventName': '0xfffffffffffffff9',
                   'Settings': '["s:toast":"-3"; "s:tile":"1"]',
                   'Channel Uri': 'https://one.example/ab::x'},
            ZERO: {'HandlerId': '0', 'Source of Notification': 'Zero.Handler',
                   'Channel Uri': 'https://zero.example/', 'Settings': '["s:zero":"4"]'}}),
        ('carve', ['-carve', '-csv', '-all_fields'], ',', True, {
            NULL_KEY: {'HandlerId': '', 'Source of Notification': '', 'Channel Uri': ''},
            ZERO: {'HandlerId': '0', 'Channel Uri': 'https://zero.example/'}}),
        ('base10', ['-csv', '-all_fields', '-base10'], ',', True, {
            PIPE: {'WNFEventName': '-7', 'Order': '2'}}),
        ('quoted_colon', ['-csv', '-all_fields', '-csv_separator', ':',
                          '-enable_quoted_csv_fields'], ':', True, {
            PIPE: {'Handler WNSId': 'ab::cd', 'Tag': '"tag',
                   'Channel Uri': 'https://one.example/ab::x'}}),
        ('separator_ab', ['-csv', '-all_fields', '-csv_separator', 'ab'], 'ab', False, {
            PIPE: {'Handler WNSId': '  ::cd', 'Group': '  ',
                   'Handler PrimaryId': 'Contoso.Pipe|Bar_8wekyb3d8bbwe!App'}}),
        ('separator_colons', ['-csv', '-all_fields', '-csv_separator', '::'], '::', False, {
            PIPE: {'Handler WNSId': 'ab  cd', 'Channel Uri': 'https://one.example/ab  x'},
            ZERO: {'Channel Uri': 'https://zero.example/'}}),
    ]

    def rows(self, result, separator, csv_reader):
        import csv
        lines = result.report()
        if csv_reader:
            table = list(csv.reader(lines, delimiter=separator))
        else:
            table = [line.split(separator) for line in lines]
        header, *rows = table
        self.assertEqual([len(row) for row in rows], [len(header)] * len(rows), result.out)
        return [dict(zip(header, row)) for row in rows]

    def test_table_forms(self):
        db = self.fixture_copy('values/values.db', 'v.db')
        for name, options, separator, csv_reader, expected in self.TABLES:
            with self.subTest(name):
                result = self.velk(['-db', db, '-quiet'] + options)
                self.assertEqual(result.status, 0, result.err)
                by_order = {row['Order']: row for row in self.rows(result, separator, csv_reader)}
                self.assertEqual(sorted(by_order), sorted(self.ARRIVALS), result.out)
                for order, arrival in self.ARRIVALS.items():
                    self.assertEqual(by_order[order]['Notification ArrivalTime'], arrival)
                for order, cells in expected.items():
                    for caption, value in cells.items():
                        self.assertEqual(by_order[order][caption], value, (order, caption))

    def test_log2timeline(self):
        import csv
        db = self.fixture_copy('values/values.db', 'v.db')
        result = self.velk(['-db', db, '-quiet', '-csvl2t', '-username', '"x'])
        self.assertEqual(result.status, 0, result.err)
        header, *rows = list(csv.reader(result.report()))
        self.assertEqual([len(row) for row in rows], [len(header)] * 6, result.out)
        lines = {(row[0], row[2]): row for row in rows}
        self.assertEqual(sorted(lines), [
            (' 1969-12-31 23:59:59.000', '...B'), (' 1970-01-01 00:00:00.500', '...B'),
            (' 1970-01-01 00:00:59.000', '..C.'), (' 1970-01-01 00:01:00.500', '..C.'),
            (' 2023-03-14 09:26:53.589', '...B'), (' 2023-03-17 09:26:53.589', '..C.')])
        self.assertTrue(all(row[header.index('user')] == '"x' for row in rows))
        null_key = lines[(' 1970-01-01 00:00:00.500', '...B')]
        self.assertEqual(null_key[header.index('short')], '"q')
        self.assertEqual(null_key[header.index('notes')], '')

    def test_body_file(self):
        db = self.fixture_copy('values/values.db', 'v.db')
        result = self.velk(['-db', db, '-quiet', '-bodyfile'])
        self.assertEqual(result.status, 0, result.err)
        header, *lines = result.report()
        fields = [line.split('|') for line in lines]
        self.assertEqual([len(f) for f in fields], [len(header.split('|'))] * 3, result.out)
        # Unix second 0 and a moment before 1970 are both 0: mactime reads no other form.
        self.assertEqual(sorted(f[-1] for f in fields), ['0', '0', '1678786013'])
        self.assertIn('PrimaryID: Contoso.Pipe;Bar_', result.out)
        mactime = shutil.which('mactime')
        if mactime is None:
            self.skipTest('mactime (Debian package sleuthkit) not installed: body file not read')
        body_file = self.path('body.txt')
        with open(body_file, 'w', encoding='utf-8') as f:
            f.write('\n'.join(lines) + '\n')
        listed = subprocess.run([mactime, '-b', body_file, '-d', '-z', 'UTC'],
                                capture_output=True, timeout=120, check=False)
        self.assertEqual(listed.returncode, 0, listed.stderr)
        created = [line for line in listed.stdout.decode('utf-8', 'replace').split('\n')
                   if ',...b,' in line]
        self.assertEqual(len(created), 1, listed.stdout)
        self.assertTrue(created[0].startswith('Tue Mar 14 2023 09:26:53,'), created[0])

    def test_multiline(self):
        db = self.fixture_copy('values/values.db', 'v.db')
        result = self.velk(['-db', db, '-quiet', '-multiline', '-all_fields'])
        self.assertEqual(result.status, 0, result.err)
        blocks = '\n'.join(result.report()).strip('\n').split('\n\n')
        self.assertEqual(len(blocks), 3, result.out)
        by_order = {}
        for block in blocks:
            cells = {}
            for line in block.split('\n'):
                caption, colon, value = line.partition(':')
                self.assertEqual(colon, ':', line)
                cells[caption] = value.strip()
            by_order[cells['Order']] = cells
        self.assertEqual(sorted(by_order), sorted(self.ARRIVALS))
        self.assertEqual(by_order[self.NULL_KEY]['HandlerId'], '')
        self.assertEqual(by_order[self.NULL_KEY]['Notification ArrivalTime'],
                         '1970-01-01 00:00:00.500')
        self.assertEqual(by_order[self.PIPE]['Source of Notification'], 'Contoso.Pipe|Bar')


class OptionFailures(Case):
    """An option failure names the argument before the usage text; the status stays 255."""

    def test_the_failing_argument_is_named(self):
        for args, line in ((['-csv', '-db'], 'missing value for -db\n'),
                           (['-db', ''], 'missing value for -db\n'),
                           (['-db', 'x.db', '-out'], 'missing value for -out\n'),
                           (['-csv'], 'missing -db <file> (or -pipe or -enumdir)\n'),
                           (['-db', 'x.db', '-cmd_start_time', '20200131'],
                            'bad value for -cmd_start_time: 20200131\n'),
                           (['-enumdir', '.', '-num_subdirs', 'abc'],
                            'bad value for -num_subdirs: abc\n'),
                           (['-enumdir', '.', '-num_subdirs', '-1'],
                            'bad value for -num_subdirs: -1\n'),
                           (['-db', 'x.db', '-csv_separator', ''],
                            'bad value for -csv_separator: ""\n')):
            with self.subTest(args=args):
                result = self.velk(args)
                self.assertEqual(result.status, 255)
                self.assertTrue(result.err.startswith(line), result.err)
                self.assertIn('Usage\n', result.err)


# Output files and options, in every mode. Each run starts from the same folder: case/e.db
# with case/e.db-wal (the sample fixture), jr/x.db with jr/x.db-journal (the journal
# fixture), other.db and plain.db (copies of the sample's main file), hl.db (a hard link of
# case/e.db), chunk.bin (page 2 of the sample) with its hard link hl.bin, the FIFO f.fifo
# and the empty folder emptyd.
GUARD_MODES = [
    ('db', ['-db', 'case/e.db'], ''),
    ('pipe', ['-pipe'], 'case/e.db\n'),
    ('enumdir', ['-enumdir', 'case'], ''),
    ('parse_chunk', ['-parse_chunk', '-db', 'chunk.bin'], ''),
]
# Target kind: the output file named in every mode, or per mode.
GUARD_TARGETS = [
    ('database', lambda mode: 'other.db'),
    ('wal', lambda mode: 'case/e.db-wal'),
    ('journal', lambda mode: 'jr/x.db-journal'),
    ('shm', lambda mode: 'case/e.db-shm'),
    ('hard_link_of_an_input', lambda mode: 'hl.bin' if mode == 'parse_chunk' else 'hl.db'),
]
# (name, arguments, standard input, status, fragments standard error holds in order)
OUTPUT_FILE_CASES = [
    ('diags_fifo', ['-db', 'plain.db', '-diags', 'f.fifo'], '', 255,
     ['prob opening file f.fifo for diagnostics: it is not a regular file, aborting\n']),
    ('diags_missing_folder', ['-db', 'plain.db', '-diags', 'nowhere/d.txt'], '', 255,
     ['prob opening file nowhere/d.txt for diagnostics: No such file or directory, aborting\n']),
    ('diags_dev_full', ['-db', 'plain.db', '-diags', '/dev/full'], '', 255,
     ['prob opening file /dev/full for diagnostics: it is not a regular file']),
    ('diags_folder', ['-db', 'plain.db', '-diags', 'emptyd'], '', 255,
     ['prob opening file emptyd for diagnostics: it is not a regular file']),
    ('diags_empty', ['-db', 'plain.db', '-diags', ''], '', 255,
     ['missing value for -diags\n', 'Usage\n']),
    ('out_fifo', ['-pipe', '-out', 'f.fifo'], 'plain.db\n', 255,
     ['prob opening file f.fifo for output: it is not a regular file']),
    ('out_and_diags_alike', ['-db', 'plain.db', '-out', 'r.txt', '-diags', './r.txt'], '', 255,
     ['prob opening file ./r.txt for diagnostics: it is also the results file, aborting\n']),
    ('diags_evidence_without_input', ['-diags', 'case/e.db', '-csv'], '', 255,
     ['missing -db <file>', 'Usage\n']),
    ('diags_evidence_bad_option', ['-diags', 'other.db', '-db', 'plain.db', '-num_subdirs', 'x'],
     '', 255, ['bad value for -num_subdirs: x\n']),
    ('piped_diagnostics_file_skipped', ['-pipe', '-quiet', '-diags', 'd.txt'],
     'd.txt\nplain.db\n', 0, ['skipping d.txt: it is the diagnostics file\n']),
]
# (name, arguments, standard input, descriptor closed, status, file that must not hold text)
CLOSED_STREAM_CASES = [
    ('stdout', ['-db', 'plain.db', '-diags', 'd.txt'], '', 1, 255,
     ('d.txt', 'Notification ArrivalTime')),
    ('stderr', ['-pipe', '-out', 'r.txt'], 'missing.db\nplain.db\n', 2, 0,
     ('r.txt', 'prob accessing')),
    ('stdin', ['-pipe', '-quiet', '-out', 'r.txt'], '', 0, 255, ('r.txt', 'prob')),
]
# (name, arguments, standard input, fragments standard error holds, fragments it must not)
NOTE_CASES = [
    ('unimplemented', ['-db', 'plain.db', '-quiet', '-csv', '-xml', '-sqlite', 'x.sqlite'], '',
     ['option ignored by velk: -xml\n', 'option ignored by velk: -sqlite\n'],
     ['unknown option']),
    ('repeated', ['-db', 'plain.db', '-quiet', '-csv', '-csv', '-all_fields', '-all_fields'], '',
     [], ['option', 'unknown']),
    ('db_beside_pipe', ['-pipe', '-quiet', '-db', 'plain.db'], 'plain.db\n',
     ['option not used: -db plain.db (-pipe names the inputs)\n'], ['unknown option']),
    ('carve_beside_chunk', ['-parse_chunk', '-db', 'chunk.bin', '-quiet', '-carve'], '',
     ['option not used: -carve (-parse_chunk reads page chunks)\n'], ['unknown option']),
    ('levels_without_diags', ['-db', 'plain.db', '-quiet', '-l2'], '',
     ['option not used: -l2 (no -diags file)\n'], ['unknown option']),
]


class OutputFilesAndOptions(Case):
    def prepare(self):
        self.fixture_copy('sample/wpndatabase.db', 'case/e.db')
        self.fixture_copy('journal/wpndatabase.db', 'jr/x.db')
        for name in ('other.db', 'plain.db'):
            self.fixture_copy('sample/wpndatabase.db', name, companions=())
        os.link(self.path('case/e.db'), self.path('hl.db'))
        with open(self.path('plain.db'), 'rb') as f:
            f.seek(4096)
            page = f.read(4096)
        with open(self.path('chunk.bin'), 'wb') as f:
            f.write(page)
        os.link(self.path('chunk.bin'), self.path('hl.bin'))
        os.mkfifo(self.path('f.fifo'))
        os.mkdir(self.path('emptyd'))

    def fresh(self):
        self.tearDown()
        self.setUp()
        self.prepare()

    def snapshot(self):
        """Every file of the folder with its bytes (the FIFO by name only)."""
        taken = {}
        for folder, _, names in os.walk(self.tmp):
            for name in names:
                path = os.path.join(folder, name)
                if stat.S_ISFIFO(os.lstat(path).st_mode):
                    taken[path] = 'fifo'
                    continue
                with open(path, 'rb') as f:
                    taken[path] = f.read()
        return taken

    def run_timed(self, args, stdin='', preexec=None, stdout=subprocess.PIPE,
                  stderr=subprocess.PIPE):
        for word in args:
            if word.startswith('-'):
                USED_WORDS.add(word.lower())
        began = time.monotonic()
        done = subprocess.run([os.path.abspath(VELK)] + args, cwd=self.tmp, input=stdin.encode(),
                              stdout=stdout, stderr=stderr, timeout=30, check=False,
                              preexec_fn=preexec)
        err = (done.stderr or b'').decode('utf-8', 'surrogateescape')
        out = (done.stdout or b'').decode('utf-8', 'surrogateescape')
        return done.returncode, out, err, time.monotonic() - began

    def assert_in_order(self, err, fragments):
        at = 0
        for fragment in fragments:
            found = err.find(fragment, at)
            self.assertNotEqual(found, -1, f'{fragment!r} (in order) not in {err!r}')
            at = found + len(fragment)

    def test_evidence_never_overwritten_in_any_mode(self):
        for mode, mode_args, stdin in GUARD_MODES:
            for kind, target_of in GUARD_TARGETS:
                for option, role in (('-out', 'output'), ('-diags', 'diagnostics')):
                    target = target_of(mode)
                    with self.subTest(mode=mode, target=kind, option=option):
                        self.fresh()
                        before = self.snapshot()
                        status, out, err, _ = self.run_timed(mode_args + [option, target], stdin)
                        self.assertEqual(status, 255, err)
                        self.assertIn(f'prob opening file {target} for {role}: ', err)
                        self.assertEqual(out, '')
                        self.assertEqual(self.snapshot(), before, 'a file was written')

    def test_output_files_checked_before_opening(self):
        for name, args, stdin, status, said in OUTPUT_FILE_CASES:
            with self.subTest(name):
                if '/dev/full' in args and not os.path.exists('/dev/full'):
                    continue
                self.fresh()
                before = self.snapshot()
                got, _, err, took = self.run_timed(args, stdin)
                self.assertEqual(got, status, err)
                self.assert_in_order(err, said)
                if status == 255:
                    # A refusal that waited (a FIFO opened for writing) would hang until the
                    # 30 s timeout; the bound leaves room for a sanitizer build on a busy
                    # two-core machine, where starting velk alone takes near a second.
                    self.assertLess(took, 10.0, 'a refusal must not wait')
                    self.assertEqual(self.snapshot(), before, 'a file was written')

    def test_closed_standard_streams_take_no_file(self):
        for name, args, stdin, closed, status, (name_of_file, text) in CLOSED_STREAM_CASES:
            with self.subTest(name):
                self.fresh()
                got, _, err, _ = self.run_timed(
                    args, stdin, preexec=lambda fd=closed: os.close(fd),
                    stderr=subprocess.DEVNULL if closed == 2 else subprocess.PIPE)
                self.assertEqual(got, status, err)
                if closed == 1:
                    self.assertIn('prob writing to standard output', err)
                path = self.path(name_of_file)
                if os.path.exists(path):
                    with open(path, encoding='utf-8', errors='replace') as f:
                        self.assertNotIn(text, f.read())

    def test_a_full_disk_fails_the_run(self):
        def limited(size):
            def apply():
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
            return apply
        for option, path, size, said in (('-out', 'r.txt', 512, 'prob writing results file: r.txt'),
                                         ('-diags', 'd.txt', 64,
                                          'prob writing diagnostics file: d.txt')):
            with self.subTest(option):
                self.fresh()
                got, out, err, _ = self.run_timed(['-db', 'plain.db', '-quiet', option, path],
                                                  preexec=limited(size))
                self.assertEqual(got, 255, err)
                self.assertIn(said + '\n', err)
                self.assertEqual(os.path.getsize(self.path(path)), size)
                if option == '-diags':
                    self.assertEqual(len(self.data_rows(Run(got, out, err), 'sqlite lib')),
                                     SAMPLE_MAIN_ROWS)

    def test_options_not_acted_on_are_named(self):
        for name, args, stdin, said, unsaid in NOTE_CASES:
            with self.subTest(name):
                self.fresh()
                _, out, err, _ = self.run_timed(args, stdin)
                self.assert_in_order(err, said)
                for fragment in unsaid:
                    self.assertNotIn(fragment, err)
                self.assertFalse(os.path.exists(self.path('x.sqlite')))
                if name in ('unimplemented', 'repeated'):
                    header = Run(0, out, err).report()[0]
                    self.assertTrue(header.startswith('Notification ArrivalTime,'), header)


# ---- Input names, special files and the private copy ---------------------------------------

def folder_bytes(folder):
    """Every file below folder with its bytes: what a run must leave as it found it."""
    taken = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, 'rb') as f:
                taken[path] = f.read()
    return taken


def report_rows(result, name):
    """The report's data rows with the input's name taken out of them, sorted."""
    return sorted(line.replace(name, '<db>') for line in result.report()[1:])


def memory_bound_kib():
    """64 MiB, the bound a -pipe run keeps to whatever standard input holds; above what the
    binary takes doing nothing when that is more (a sanitizer build starts near 64 MiB)."""
    with open(os.devnull, 'rb') as empty:
        child = subprocess.Popen([os.path.abspath(VELK), '-pipe', '-quiet'], stdin=empty,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, _, usage = os.wait4(child.pid, 0)
    return max(64 * 1024, usage.ru_maxrss + 16 * 1024)


def peak_rss_kib(pid):
    with open(f'/proc/{pid}/status', encoding='ascii') as f:
        for line in f:
            if line.startswith('VmHWM:'):
                return int(line.split()[1])
    return 0


# (name, how the input x.db is made, TMPDIR ('T/...' in the run's folder; None: unset),
#  status, the line standard error holds)
ACCESS_CASES = [
    ('fifo', 'fifo', None, 255, 'prob accessing file x.db: a FIFO, not a regular file'),
    ('folder', 'folder', None, 255, 'prob accessing file x.db: a folder, not a regular file'),
    ('link_to_dev_zero', 'zero', None, 255,
     'prob accessing file x.db (resolved: /dev/zero): a character device, not a regular file'),
    ('dangling_link', 'dangling', None, 255, 'prob accessing file x.db: No such file or directory'),
    ('wal_is_a_fifo', 'wal_fifo', None, 255,
     'prob accessing file x.db-wal: a FIFO, not a regular file'),
    ('tmpdir_missing', 'sample', 'T/missing', 255,
     'cannot copy x.db into TMPDIR T/missing: No such file or directory'),
    ('tmpdir_a_file', 'sample', 'T/notes.txt', 255,
     'cannot copy x.db into TMPDIR T/notes.txt: Not a directory'),
    ('tmpdir_empty_is_unset', 'sample', '', 0, 'analyzing x.db'),
]


class InputNames(Case):
    """Inputs are read as the examiner named them, and what cannot be read says why."""

    def sample_elsewhere(self):
        return self.fixture_copy('sample/wpndatabase.db', 'real/wpndatabase.db')

    def test_symlinked_database_reads_its_log(self):
        db = self.sample_elsewhere()
        os.makedirs(self.path('case'))
        os.symlink(db, self.path('case/link.db'))
        for mode in ([], ['-incl_slack'], ['-carve']):
            with self.subTest(mode=mode):
                direct = self.velk(['-db', db, '-csv', '-quiet'] + mode)
                linked = self.velk(['-db', 'case/link.db', '-csv', '-quiet'] + mode)
                self.assertEqual(linked.status, 0, linked.err)
                self.assertEqual(report_rows(linked, 'case/link.db'), report_rows(direct, db))
                self.assertEqual(len(self.data_rows(linked, ',case/link.db')),
                                 len(self.data_rows(direct, ',' + db)))
        live = self.velk(['-db', 'case/link.db', '-csv', '-quiet'])
        self.assertEqual(len(self.data_rows(live, ',case/link.db,')), SAMPLE_LIVE)

    def test_what_cannot_be_read_says_why(self):
        for name, kind, tmpdir, status, line in ACCESS_CASES:
            with self.subTest(name=name):
                folder = self.path(name)
                os.makedirs(folder)
                x = os.path.join(folder, 'x.db')
                if kind in ('sample', 'wal_fifo'):
                    copy_writable(os.path.join(DATA, 'sample/wpndatabase.db'), x)
                    copy_writable(os.path.join(DATA, 'sample/wpndatabase.db-wal'), x + '-wal')
                if kind == 'wal_fifo':
                    os.remove(x + '-wal')
                    os.mkfifo(x + '-wal')
                elif kind == 'fifo':
                    os.mkfifo(x)
                elif kind == 'folder':
                    os.mkdir(x)
                elif kind == 'zero':
                    os.symlink('/dev/zero', x)
                elif kind == 'dangling':
                    os.symlink('gone.db', x)
                with open(os.path.join(folder, 'notes.txt'), 'w', encoding='utf-8') as f:
                    f.write('a file\n')
                env = dict(os.environ)
                env.pop('TMPDIR', None)
                if tmpdir is not None:
                    env['TMPDIR'] = tmpdir.replace('T/', folder + '/')
                done = subprocess.run([os.path.abspath(VELK), '-db', 'x.db'], cwd=folder, env=env,
                                      capture_output=True, timeout=30, check=False)
                err = done.stderr.decode('utf-8', 'surrogateescape')
                self.assertEqual(done.returncode, status, err)
                self.assertIn(line.replace('T/', folder + '/') + '\n', err)

    def test_six_hundred_byte_path(self):
        """Read as a short path to the same files is: in place, with -carve, with its log."""
        folder = self.tmp
        while len(folder) < 590:
            folder = os.path.join(folder, 'd' * min(100, 590 - len(folder)))
        os.makedirs(folder)
        source = os.path.join(DATA, 'sample/wpndatabase.db')
        for mode, companions in (([], ()), (['-carve'], ()), ([], ('-wal',))):
            with self.subTest(mode=mode, companions=companions):
                short = self.fixture_copy('sample/wpndatabase.db', 's.db', companions)
                db = os.path.join(folder, 'wpndatabase.db')
                for stale in (db, db + '-wal'):
                    if os.path.exists(stale):
                        os.remove(stale)
                copy_writable(source, db)
                for companion in companions:
                    copy_writable(source + companion, db + companion)
                self.assertGreaterEqual(len(db), 600)
                result = self.velk(['-db', db, '-csv', '-quiet'] + mode)
                self.assertEqual(result.status, 0, result.err)
                expected = self.velk(['-db', short, '-csv', '-quiet'] + mode)
                self.assertEqual(report_rows(result, db), report_rows(expected, short))
                self.assertGreaterEqual(len(self.data_rows(result, ',' + db + ',')),
                                        SAMPLE_LIVE - 1)
                for companion in ('', '-wal'):
                    if os.path.exists(short + companion):
                        os.remove(short + companion)

    def test_walk_opens_regular_files_inside_the_folder_only(self):
        db = self.fixture_copy('sample/wpndatabase.db', 'case/sub/wpndatabase.db')
        outside = self.sample_elsewhere()
        os.mkfifo(self.path('case/pipe.db'))
        os.symlink(outside, self.path('case/outside.db'))
        os.symlink('sub/wpndatabase.db', self.path('case/inside.db'))
        skipped = ['case/pipe.db: a FIFO, not a regular file',
                   f'case/outside.db: a link to {os.path.realpath(outside)}, outside the walked '
                   'folder',
                   f'case/inside.db: a link to {os.path.realpath(db)}, read in this walk already']
        try:
            os.mknod(self.path('case/device.db'), 0o600 | stat.S_IFCHR, os.makedev(1, 3))
            skipped.append('case/device.db: a character device, not a regular file')
        except OSError:
            pass  # no right to make devices here: the other kinds still run
        result = self.velk(['-enumdir', 'case', '-num_subdirs', '1', '-csv', '-quiet'])
        self.assertEqual(result.status, 0, result.err)
        for line in skipped:
            self.assertEqual(result.err.count('skipping ' + line + '\n'), 1, result.err)
        self.assertEqual(len(self.data_rows(result, ',case/sub/wpndatabase.db,')), SAMPLE_LIVE)
        self.assertEqual([line for line in result.report()[1:]
                          if ',case/sub/wpndatabase.db,' not in line], [])

    def test_pipe_lines_that_are_no_paths(self):
        db = self.sample_elsewhere()
        for name, listing, status, said in (
                ('long_line', b'/' + b'n' * 4095 + b'\n' + db.encode() + b'\n', 0,
                 'skipping line 1 of standard input: longer than 4095 bytes, so no path'),
                ('nul_byte', db.encode() + b'\0x\n' + db.encode() + b'\n', 0,
                 'skipping line 1 of standard input: it holds a NUL byte, which no path can'),
                ('long_line_alone', 100000000, 255,
                 'skipping line 1 of standard input: longer than 4095 bytes, so no path')):
            with self.subTest(name=name):
                with open(self.path('stdin'), 'wb') as f:
                    # 100 MB of zero bytes as a sparse file: this process stays small, as
                    # the child's peak counts what it had before it became velk.
                    if isinstance(listing, int):
                        f.truncate(listing)
                    else:
                        f.write(listing)
                with open(self.path('stdin'), 'rb') as stdin, \
                        open(self.path('err'), 'wb') as err:
                    child = subprocess.Popen([os.path.abspath(VELK), '-pipe', '-csv', '-quiet'],
                                             cwd=self.tmp, stdin=stdin,
                                             stdout=subprocess.DEVNULL, stderr=err)
                    _, wait_status, usage = os.wait4(child.pid, 0)
                    child.returncode = os.waitstatus_to_exitcode(wait_status)
                with open(self.path('err'), encoding='utf-8', errors='replace') as f:
                    text = f.read()
                self.assertEqual(child.returncode, status, text)
                self.assertEqual(text.count(said), 1, text)
                self.assertNotIn('prob accessing', text)
                if status != 0:
                    # Nothing but the line was read: what it takes is the reader's alone.
                    self.assertLess(usage.ru_maxrss, memory_bound_kib())  # KiB

    def test_endless_pipe_line_keeps_memory_bounded(self):
        with open('/dev/zero', 'rb') as zero:
            child = subprocess.Popen([os.path.abspath(VELK), '-pipe'], cwd=self.tmp, stdin=zero,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            try:
                time.sleep(2)
                peak = peak_rss_kib(child.pid)
            finally:
                child.kill()
                _, err = child.communicate()
        self.assertLess(peak, memory_bound_kib())
        self.assertEqual(err.count(b'skipping line 1 of standard input: longer than 4095'), 1)

    def test_interrupted_run_leaves_no_copy(self):
        db = self.fixture_copy('sample/wpndatabase.db', 'big/x.db', companions=())
        with open(db + '-wal', 'wb') as f:
            f.truncate(512 * 1024 * 1024)  # sparse: long to copy, nothing on disk
        tmpdir = self.path('tmp')
        os.mkdir(tmpdir)
        env = dict(os.environ, TMPDIR=tmpdir)
        for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=number.name):
                child = subprocess.Popen([os.path.abspath(VELK), '-db', db, '-quiet'], env=env,
                                         cwd=self.tmp, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.PIPE)
                deadline = time.monotonic() + 30
                while time.monotonic() < deadline and child.poll() is None:
                    copies = [os.path.join(root, name)
                              for root, _, names in os.walk(tmpdir) for name in names]
                    if any(name.endswith('-wal') for name in copies):
                        break  # the log is being copied
                    time.sleep(0.001)
                child.send_signal(number)
                _, err = child.communicate(timeout=60)
                self.assertEqual(child.returncode, -number, err)
                self.assertIn(f'interrupted by {number.name}, private copy of the database '
                              'removed\n'.encode(), err)
                self.assertEqual(os.listdir(tmpdir), [])


# Recovery where the own reader meets damage: table leaves no walk reaches are carved, each
# row with its source; a log whose checksum chain breaks is said; a copy cut short is said;
# and a read that failed with no notification recovered fails the run, in every mode.
# (name, input (a fixture, or 'real' with its byte 24576 zeroed, the Notification table's
#  one page), mode, status, notifications, (marker, source) pairs that must be there,
#  fragments standard error holds)
ROOT_CASES = [
    ('real_zeroed_root_carve', 'real', '-carve', 0, REAL_ROWS,
     [(ORDER1_PAYLOAD, 'carve main')],
     ['prob reading {db}: the Notification table cannot be walked from its root page 7']),
    # The library fails on the table: the own walk reads the handlers the rows are joined to.
    ('real_zeroed_root_slack', 'real', '-incl_slack', 0, REAL_ROWS,
     [(ORDER1_PAYLOAD, 'carve main'), (ORDER1_SHORT, 'carve main')],
     ['prob reading {db}: database disk image is malformed',
      'prob reading {db}: the Notification table cannot be walked from its root page 7']),
    ('root_zero_carve', 'dbproc/root_zero.db', '-carve', 0, 6, [],
     ['the Notification table cannot be walked from its root page 0']),
    ('root_past_end_slack', 'dbproc/root_past_end.db', '-incl_slack', 0, 6, [], []),
    # A root whose type byte alone is lost is read as the leaf it was: its cells as rows, its
    # freeblock as slack.
    ('zeroed_leaf_root_carve', 'roots/leaf_root_zeroed.db', '-carve', 0, 4,
     [('VELK-EDGE-ROOTS-LIVE-1', 'carve main'), ('VELK-EDGE-ROOTS-LIVE-4', 'carve main'),
      ('VELK-EDGE-ROOTS-DELETED-2', 'main db slack')], []),
    # The leaves below a zeroed interior root: live cells as "carve main", the freeblock of
    # the deleted row as slack; the root itself, read as the interior page it was, keeps in
    # its gap two rows from when it was the table's one leaf.
    ('zeroed_interior_root_carve', 'roots/interior_root_zeroed.db', '-carve', 0, 14,
     [('VELK-EDGE-ROOTS-LIVE-1', 'carve main'), ('VELK-EDGE-ROOTS-LIVE-12', 'carve main'),
      ('VELK-EDGE-ROOTS-DELETED-2', 'main db slack')], []),
    ('zeroed_interior_root_slack', 'roots/interior_root_zeroed.db', '-incl_slack', 0, 14,
     [('VELK-EDGE-ROOTS-LIVE-5', 'carve main'), ('VELK-EDGE-ROOTS-DELETED-2', 'main db slack')],
     []),
]

# (name, bytes of the real database kept, mode, status, notifications, fragments standard
#  error holds). Every notification recovered from a cut copy is "carve main": the walk reads
# them where the library fails (112 KiB keeps the schema), the carve where the schema is gone.
CUT_CASES = [
    ('5000_bytes_slack', 5000, '-incl_slack', 255, 0,
     ['prob reading {db}: cut off after 1 of its 54 pages (and part of page 2)',
      'prob reading {db}: the carve recovered no notification either']),
    ('5000_bytes_carve', 5000, '-carve', 255, 0,
     ['prob reading {db}: the carve recovered no notification either']),
    ('32_kib_carve', 32768, '-carve', 0, REAL_ROWS,
     ['prob reading {db}: cut off after 8 of its 54 pages: only those were read']),
    ('32_kib_slack', 32768, '-incl_slack', 0, REAL_ROWS, ['cut off after 8 of its 54 pages']),
    ('112_kib_slack', 114688, '-incl_slack', 0, REAL_ROWS,
     ['prob reading {db}: database disk image is malformed',
      'prob reading {db}: cut off after 28 of its 54 pages: only those were read']),
]


class Recovery(Case):
    def zeroed_real_copy(self):
        db = self.real_copy('z.db')
        with open(db, 'r+b') as f:
            f.seek(24576)
            f.write(b'\0')
        return db

    def check(self, result, status, notifications, found, said, db):
        rows = [line for line in result.report()[1:] if '"src":"' in line]
        # Each row's source and marker: the payloads are too long to show whole.
        shown = [(re.search(r'"src":"[^"]*"', row).group(0),
                  (re.findall(r'VELK-[A-Z0-9-]+', row) or [row[:40]])[0]) for row in rows]
        self.assertEqual(result.status, status, result.err)
        self.assertEqual(len(rows), notifications, shown)
        for marker, source in found:
            self.assertTrue(any(marker in row and f'"src":"{source}"' in row for row in rows),
                            f'{marker} as {source}: {shown}')
        for fragment in said:
            self.assertIn(fragment.format(db=db), result.err)

    def test_unreached_leaves_are_carved(self):
        for name, source, mode, status, count, found, said in ROOT_CASES:
            with self.subTest(name):
                db = self.zeroed_real_copy() if source == 'real' else self.fixture_copy(source)
                result = self.velk(['-db', db, mode, '-csv', '-quiet'])
                self.check(result, status, count, found, said, db)

    def test_cut_off_copies(self):
        for name, length, mode, status, count, said in CUT_CASES:
            with self.subTest(name):
                whole = self.real_copy()
                db = self.path(f'cut{length}.db')
                with open(whole, 'rb') as f, open(db, 'wb') as cut:
                    cut.write(f.read(length))
                result = self.velk(['-db', db, mode, '-csv', '-quiet'])
                found = [(ORDER1_PAYLOAD, 'carve main')] if count else []
                self.check(result, status, count, found, said, db)

    def test_broken_wal_checksum_is_said_and_rows_stay_the_librarys(self):
        db = self.fixture_copy('sample/wpndatabase.db')
        intact = self.velk(['-db', db, '-csv', '-quiet'])
        self.assertNotIn('checksum', intact.err)
        with open(db + '-wal', 'r+b') as f:
            f.seek(32 + 24 + 100)  # a byte of the first frame's page
            byte = f.read(1)
            f.seek(-1, os.SEEK_CUR)
            f.write(bytes([byte[0] ^ 0xFF]))
        main_only = self.fixture_copy('sample/wpndatabase.db', 'm.db', companions=())
        for args in ([], ['-incl_slack']):
            with self.subTest(args=args):
                result = self.velk(['-db', db, '-csv', '-quiet'] + args)
                self.assertEqual(result.status, 0, result.err)
                self.assertIn(f'prob reading {db}-wal: its checksum chain breaks at frame 1: '
                              '20 frames not applied to the live rows (-carve and -incl_slack '
                              'read them)\n', result.err)
                library = self.velk(['-db', main_only, '-csv', '-quiet'])
                self.assertEqual(self.data_rows(result, '"sqlite lib"'),
                                 [row.replace(main_only, db)
                                  for row in self.data_rows(library, '"sqlite lib"')])
        carved = self.velk(['-db', db, '-carve', '-csv', '-quiet'])
        self.assertNotIn('checksum', carved.err)
        self.assertTrue(self.data_rows(carved, 'VELK-WAL-INSERTED-NOTIFICATION-1'))

    def test_chunk_without_a_known_notification_layout_says_so(self):
        db = self.fixture_copy('dbproc/extra_column.db')
        result = self.velk(['-db', db, '-parse_chunk', '-csv', '-quiet'])
        self.assertEqual(result.status, 0, result.err)
        self.assertEqual(result.report(), [])
        self.assertIn(f'prob reading {db}: no notification found: a chunk is read without a '
                      'schema, and no record in it has a notification layout velk knows',
                      result.err)


# Text encodings: a database in UTF-16le or UTF-16be reports what its UTF-8 twin reports, in
# every mode: texts decoded per the header, blobs (the payloads) as their bytes. Each case
# compares the reports field for field, less the record offsets and the file's own name.
ENCODING_MODES = [[], ['-incl_slack'], ['-carve'], ['-parse_chunk']]
ENCODING_NAMES = [('utf16le.db', 'UTF-16le'), ('utf16be.db', 'UTF-16be')]


class TextEncodings(Case):
    def utf16_copy(self, source, name, encoding):
        """The library's copy of a database in another text encoding: its dump replayed into
        a new file whose encoding is set before its first table."""
        import sqlite3
        target = self.path(name)
        con = sqlite3.connect(source)
        dump = list(con.iterdump())
        con.close()
        con = sqlite3.connect(target)
        con.execute(f"PRAGMA encoding='{encoding}'")
        con.executescript('\n'.join(dump))
        con.close()
        return target

    def report(self, db, mode):
        result = self.velk(['-db', db, '-csv', '-all_fields', '-quiet'] + mode)
        self.assertEqual(result.status, 0, result.err)
        self.assertNotIn('prob', result.err)
        rows = result.report()
        if mode == ['-parse_chunk']:
            # A chunk's notification shows the first copy of its channel the chunk holds: the
            # twins keep different stale copies, whose times a later cell overwrote.
            rows = [','.join(cells[:4] + ['', ''] + cells[6:])
                    for cells in (row.split(',', 6) for row in rows)]
        return [re.sub(r'; "record offset":"0x[0-9a-f]+"', '', row).replace(db, 'DB')
                for row in rows]

    def assert_same_reports(self, twin, copies, live_rows):
        for mode in ENCODING_MODES:
            expected = self.report(twin, mode)
            self.assertGreaterEqual(len(expected), live_rows + 1, expected)
            for db in copies:
                with self.subTest(db=os.path.basename(db), mode=mode):
                    self.assertEqual(self.report(db, mode), expected)

    def test_real_database_copies(self):
        original = self.real_copy()
        copies = [self.utf16_copy(original, name, encoding) for name, encoding in ENCODING_NAMES]
        self.assert_same_reports(original, copies, REAL_ROWS)

    def test_fixtures_with_a_deleted_notification(self):
        twin = self.fixture_copy('encoding/utf8.db')
        copies = [self.fixture_copy('encoding/' + name) for name, _ in ENCODING_NAMES]
        self.assert_same_reports(twin, copies, 6)
        recovered = self.velk(['-db', copies[1], '-incl_slack', '-csv', '-quiet'])
        self.assertTrue(any('VELK-ENCODING-DELETED-NOTIFICATION-1' in row
                            and '"src":"main db slack"' in row for row in recovered.report()),
                        recovered.out)


def check_usage_coverage():
    """Every option and help word that the usage text names was used by some run."""
    usage = run(['-h'], tempfile.gettempdir(), record=False).err
    named = set(re.findall(r'^  (-[a-z_0-9]+)', usage, re.M))
    for line in re.findall(r'velk (.*)$', usage, re.M):
        named.update(w for w in line.split() if re.fullmatch(r'-[a-z_]+', w))
    named.update(HELP_WORDS)
    missing = sorted(w for w in named if w not in USED_WORDS)
    expected = {'-db', '-pipe', '-enumdir', '-num_subdirs', '-csv', '-csvl2t', '-bodyfile',
                '-all_fields', '-username', '-hostname', '-csv_separator', '-dateformat',
                '-timeformat', '-no_whitespace', '-quiet', '-incl_slack', '-carve',
                '-parse_chunk'}
    unparsed = sorted(expected - named)
    return missing, unparsed


def parse_paths():
    """Sets the binary and data folders from the command line; returns the other words."""
    global VELK, DATA, REAL
    parser = argparse.ArgumentParser()
    parser.add_argument('--velk', required=True)
    parser.add_argument('--data', required=True)
    parser.add_argument('--real', required=True)
    args, rest = parser.parse_known_args()
    VELK, DATA, REAL = args.velk, args.data, args.real
    return rest


def run_module_suite():
    """Entry of a further *_e2e.py module: its own cases, on the paths this module holds."""
    rest = parse_paths()
    program = unittest.main(module='__main__', argv=[sys.argv[0]] + rest, exit=False,
                            verbosity=1)
    sys.exit(0 if program.result.wasSuccessful() else 1)


def main():
    rest = parse_paths()
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=1)
    if not program.result.wasSuccessful():
        sys.exit(1)
    if program.result.testsRun and not rest:
        missing, unparsed = check_usage_coverage()
        real_skipped = not os.path.exists(os.path.join(REAL, 'wpndatabase.db'))
        if unparsed or (missing and not real_skipped):
            print(f'usage words never used: {missing}; not found in the usage: {unparsed}',
                  file=sys.stderr)
            sys.exit(1)
    sys.exit(0)

if __name__ == '__main__':
    main()
