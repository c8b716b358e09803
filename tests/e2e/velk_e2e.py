#!/usr/bin/env python3
"""Acceptance suite: the built velk binary run as an examiner runs it.

    python3 tests/e2e/velk_e2e.py --velk build/velk --data tests/data --real ../shared/data/real

Every run happens in a fresh temporary folder on copies of its inputs: the real database of
the shared data folder (skipped when absent, unless the environment variable CI is set,
which makes its absence a failure) and the committed fixtures of tests/data. The
suite asserts statuses, report lines, record sources and messages, and at the end checks that
every option and help word of the usage text was used by at least one run.
"""

import argparse
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
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
        recovered = self.data_rows(result, '"src":"main db slack"; "record offset":"0x6cbf"')
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
        body = self.velk(['-db', db, '-quiet', '-bodyfile'])
        body_file = self.path('body.txt')
        with open(body_file, 'w', encoding='utf-8', errors='surrogateescape') as f:
            f.write('\n'.join(body.report()) + '\n')
        mactime = shutil.which('mactime')
        if mactime is None:
            self.skipTest('mactime (Debian package sleuthkit) not installed: body file not read')
        listed = subprocess.run([mactime, '-b', body_file, '-d'], capture_output=True,
                                timeout=120, check=False)
        self.assertEqual(listed.returncode, 0, listed.stderr)
        # mactime also lists the zero times of each entry; the arrival is the "b" time.
        entries = [line for line in listed.stdout.decode('utf-8', 'replace').split('\n')
                   if ',...b,' in line and primary in line]
        self.assertEqual(len(entries), REAL_ROWS, listed.stdout)


class OptionFailures(Case):
    """An option failure names the argument before the usage text; the status stays 255."""

    def test_the_failing_argument_is_named(self):
        for args, line in ((['-csv', '-db'], 'missing value for -db\n'),
                           (['-csv'], 'missing -db <file> (or -pipe or -enumdir)\n'),
                           (['-db', 'x.db', '-cmd_start_time', '20200131'],
                            'bad value for -cmd_start_time: 20200131\n')):
            with self.subTest(args=args):
                result = self.velk(args)
                self.assertEqual(result.status, 255)
                self.assertTrue(result.err.startswith(line), result.err)
                self.assertIn('Usage\n', result.err)


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


def main():
    global VELK, DATA, REAL
    parser = argparse.ArgumentParser()
    parser.add_argument('--velk', required=True)
    parser.add_argument('--data', required=True)
    parser.add_argument('--real', required=True)
    args, rest = parser.parse_known_args()
    VELK, DATA, REAL = args.velk, args.data, args.real
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
