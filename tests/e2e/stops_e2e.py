#!/usr/bin/env python3
"""Acceptance cases: how a run ends and where its output may go.

    python3 tests/e2e/stops_e2e.py --velk build/velk --data tests/data --real ../shared/data/real

- Every signal that ends a process, sent while the private copy of a database is being made,
  leaves TMPDIR empty and says so once; SIGPIPE and SIGXFSZ end nothing, the write that met
  them fails and is said.
- -out and -diags are judged on the file opened: a name flipped between nothing and a link to
  evidence by another process never gets the evidence emptied.
- In batch runs a file that may be an input is never emptied to hold the report.
- A walk reads a database's companions with it, and every failure names its cause.
"""

import hashlib
import os
import resource
import signal
import subprocess
import sys
import time

import velk_e2e as e2e

# The signals sent from outside whose default action ends a process.
ENDING_SIGNALS = [signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGUSR1,
                  signal.SIGUSR2, signal.SIGALRM, signal.SIGXCPU, signal.SIGVTALRM,
                  signal.SIGPROF]
SAMPLE_PAGE = 4096
NOTIFICATION_PAGE = 7  # the sample's Notification table root, a leaf holding its rows


def no_core_files():
    """Run in the child: SIGQUIT and SIGXCPU would otherwise leave a core file behind."""
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def file_size_limit(size):
    def apply():
        no_core_files()
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
    return apply


def digest(path):
    with open(path, 'rb') as f:
        return hashlib.sha256(f.read()).hexdigest()


def files_below(folder):
    return sorted(os.path.join(root, name) for root, _, names in os.walk(folder)
                  for name in names)


def velk_path():
    return os.path.abspath(e2e.VELK)


class StopSignals(e2e.Case):
    """A run stopped while its private copy is being made."""

    def slow_copy_input(self):
        """A database whose -wal takes a while to copy (sparse: nothing on disk here)."""
        db = self.fixture_copy('sample/wpndatabase.db', 'big/x.db', companions=())
        with open(db + '-wal', 'wb') as f:
            f.truncate(128 * 1024 * 1024)
        tmpdir = self.path('tmp')
        os.makedirs(tmpdir, exist_ok=True)
        return db, tmpdir

    def frozen_mid_copy(self, db, tmpdir):
        """A run stopped (SIGSTOP) once the copy of the -wal has begun."""
        child = subprocess.Popen([velk_path(), '-db', db, '-quiet'],
                                 env=dict(os.environ, TMPDIR=tmpdir), cwd=self.tmp,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                 preexec_fn=no_core_files)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and child.poll() is None:
            if any(name.endswith('-wal') for name in files_below(tmpdir)):
                break
            time.sleep(0.001)
        child.send_signal(signal.SIGSTOP)
        self.assertIsNone(child.poll(), 'the run ended before the copy was made')
        self.assertTrue(files_below(tmpdir), 'no copy in TMPDIR')
        return child

    def test_each_signal_mid_copy_removes_the_copy_and_says_so_once(self):
        # (name, signals sent while the run is stopped, the statuses it may end with)
        cases = [(number.name, [number], [-number]) for number in ENDING_SIGNALS]
        cases += [
            # Two at once: the first handled ends the run, the second adds no line.
            ('TERM_and_INT', [signal.SIGTERM, signal.SIGINT], [-signal.SIGINT, -signal.SIGTERM]),
            # Ignored: the run goes on to its end and removes the copy itself.
            ('PIPE', [signal.SIGPIPE], [0]),
            ('XFSZ', [signal.SIGXFSZ], [0]),
        ]
        db, tmpdir = self.slow_copy_input()
        for name, numbers, statuses in cases:
            with self.subTest(name):
                child = self.frozen_mid_copy(db, tmpdir)
                for number in numbers:
                    child.send_signal(number)
                child.send_signal(signal.SIGCONT)
                _, err = child.communicate(timeout=120)
                err = err.decode('utf-8', 'replace')
                self.assertIn(child.returncode, statuses, err)
                self.assertEqual(files_below(tmpdir), [])
                self.assertEqual(os.listdir(tmpdir), [])
                if child.returncode == 0:
                    self.assertNotIn('interrupted', err)
                    continue
                ended_by = signal.Signals(-child.returncode).name
                self.assertEqual(err.count('interrupted by'), 1, err)
                self.assertIn(f'interrupted by {ended_by}, private copy of the database '
                              'removed\n', err)

    def test_failed_writes_end_as_failed_writes(self):
        db = self.fixture_copy('edge/wal_checksum.db', 'w/x.db')
        plain = self.fixture_copy('sample/wpndatabase.db', 'p/x.db', companions=())
        big = self.fixture_copy('sample/wpndatabase.db', 'b/y.db', companions=())
        with open(big + '-wal', 'wb') as f:
            f.write(b'\0' * (4 * 1024 * 1024))  # past the limit below
        # (name, args, stdin, where stdout and stderr go ('closed': a pipe no one reads),
        #  the limit on file sizes, status, fragment standard error holds)
        cases = [
            # Lines written to a standard error that was closed while the copy exists.
            ('stderr_closed', ['-pipe'], db + '\n', ('null', 'closed'), None, 0, None),
            ('stdout_closed', ['-db', db], '', ('closed', 'pipe'), None, 255,
             'prob writing to standard output\n'),
            ('results_file_past_limit', ['-db', plain, '-quiet', '-out', 'r.txt'], '',
             ('pipe', 'pipe'), 512, 255, 'prob writing results file: r.txt\n'),
            ('copy_past_limit', ['-db', big, '-quiet'], '', ('pipe', 'pipe'), 2 * 1024 * 1024,
             255, f'cannot copy {big}-wal into TMPDIR '),
        ]
        tmpdir = self.path('tmp')
        os.makedirs(tmpdir)
        for name, args, stdin, (out_to, err_to), limit, status, said in cases:
            with self.subTest(name):
                got, err = self.run_with_streams(args, stdin, out_to, err_to, limit, tmpdir)
                self.assertEqual(got, status, err)
                self.assertEqual(os.listdir(tmpdir), [])
                self.assertNotIn('interrupted', err)
                if said is not None:
                    self.assertEqual(err.count(said), 1, err)

    def run_with_streams(self, args, stdin, out_to, err_to, limit, tmpdir):
        ends = {}
        for which, to in (('out', out_to), ('err', err_to)):
            if to == 'closed':
                read_end, write_end = os.pipe()
                os.close(read_end)
                ends[which] = write_end
            else:
                ends[which] = subprocess.DEVNULL if to == 'null' else subprocess.PIPE
        child = subprocess.Popen([velk_path()] + args, cwd=self.tmp,
                                 env=dict(os.environ, TMPDIR=tmpdir), stdin=subprocess.PIPE,
                                 stdout=ends['out'], stderr=ends['err'],
                                 preexec_fn=file_size_limit(limit) if limit else no_core_files)
        for end in ends.values():
            if isinstance(end, int) and end >= 0:
                os.close(end)
        _, err = child.communicate(stdin.encode(), timeout=120)
        return child.returncode, (err or b'').decode('utf-8', 'replace')


FLIPPER = r'''
import os, sys
target, stop, names = sys.argv[1], sys.argv[2], sys.argv[3:]
open(stop + '.ready', 'w').close()
while not os.path.exists(stop):
    for name in names:
        try:
            os.symlink(target, name)
        except OSError:
            pass
    for name in names:
        try:
            os.unlink(name)
        except OSError:
            pass
'''


class OutputNameRace(e2e.Case):
    RUNS = 500

    def test_a_flipped_name_never_reaches_the_evidence(self):
        db = self.fixture_copy('sample/wpndatabase.db', 'in.db', companions=())
        evidence = self.fixture_copy('sample/wpndatabase.db', 'evidence.db', companions=())
        before = digest(evidence), digest(db)
        stop = self.path('stop')
        flipper = subprocess.Popen([sys.executable, '-c', FLIPPER, evidence, stop,
                                    self.path('out.txt'), self.path('d.txt')], cwd=self.tmp)
        statuses = set()
        try:
            deadline = time.monotonic() + 60
            while not os.path.exists(stop + '.ready') and time.monotonic() < deadline:
                time.sleep(0.01)
            for _ in range(self.RUNS):
                done = subprocess.run([velk_path(), '-db', 'in.db', '-quiet', '-out', 'out.txt',
                                       '-diags', 'd.txt'], cwd=self.tmp, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.PIPE, timeout=60, check=False)
                statuses.add(done.returncode)
                if done.returncode != 0:
                    self.assertIn(b'prob ', done.stderr)
        finally:
            with open(stop, 'w', encoding='ascii'):
                pass
            flipper.wait(timeout=30)
        # The race was met (a name found as a link to the evidence is refused), and no run
        # ended otherwise than by its status.
        self.assertIn(255, statuses)
        self.assertLessEqual(statuses, {0, 255})
        self.assertEqual((digest(evidence), digest(db)), before)
        self.assertEqual(set(os.listdir(self.tmp)) - {'in.db', 'evidence.db', 'stop', 'stop.ready',
                                                       'out.txt', 'd.txt'}, set())


class BatchOutputFiles(e2e.Case):
    """-out and -diags at a file a batch run may take as an input."""

    def prepare(self):
        plain = self.fixture_copy('sample/wpndatabase.db', 'plain.db', companions=())
        os.makedirs(self.path('f', 'sub'))
        with open(plain, 'rb') as f:
            f.seek((NOTIFICATION_PAGE - 1) * SAMPLE_PAGE)
            page = f.read(SAMPLE_PAGE)
        for name in ('f/page7.bin', 'f/sub/page7.bin', 'page7.bin'):
            with open(self.path(name), 'wb') as f:
                f.write(page)
        for name in ('f/notes.txt', 'notes.txt'):
            with open(self.path(name), 'w', encoding='ascii') as f:
                f.write('case notes\n')
        open(self.path('empty.txt'), 'wb').close()
        earlier = e2e.run(['-db', 'plain.db', '-quiet', '-out', 'f/old.txt', '-diags',
                           'f/old-d.txt'], self.tmp)
        self.assertEqual(earlier.status, 0, earlier.err)

    def test_a_possible_input_is_never_emptied(self):
        chunk = ['-parse_chunk', '-quiet']
        walked = 'it lies in the walked folder '
        listed = 'under -pipe -parse_chunk any file may be an input'
        # (name, args, stdin, status, fragment standard error holds; for a refusal the
        #  fragment after "prob opening file X for R: ")
        cases = [
            ('enumdir_out_at_chunk', ['-enumdir', 'f', '-out', 'f/page7.bin'] + chunk, '', 255,
             walked),
            ('enumdir_diags_at_chunk', ['-enumdir', 'f', '-diags', 'f/page7.bin'] + chunk, '',
             255, walked),
            ('enumdir_out_below_depth', ['-enumdir', 'f', '-out', 'f/sub/page7.bin'] + chunk, '',
             255, walked),
            ('enumdir_database_mode', ['-enumdir', 'f', '-quiet', '-out', 'f/notes.txt'], '', 255,
             walked),
            ('pipe_out_at_listed_chunk', ['-pipe', '-out', 'page7.bin'] + chunk, 'page7.bin\n',
             255, listed),
            ('pipe_diags_at_unlisted_file', ['-pipe', '-diags', 'notes.txt'] + chunk,
             'page7.bin\n', 255, listed),
            # Earlier output of velk is replaced, and the walk skips it.
            ('enumdir_earlier_report', ['-enumdir', 'f', '-out', 'f/old.txt'] + chunk, '', 0,
             'skipping f/old.txt: it is the results file'),
            ('enumdir_earlier_diags', ['-enumdir', 'f', '-diags', 'f/old-d.txt'] + chunk, '', 0,
             'skipping f/old-d.txt: it is the diagnostics file'),
            ('pipe_empty_file', ['-pipe', '-out', 'empty.txt'] + chunk, 'page7.bin\n', 0, ''),
            # A list is read only after the output is emptied, and a listed name's companions
            # need not look like SQLite data: any file may be an input there too.
            ('pipe_database_mode', ['-pipe', '-quiet', '-out', 'notes.txt'], 'plain.db\n', 255,
             'under -pipe any file may be an input'),
            ('enumdir_outside_the_folder', ['-enumdir', 'f', '-out', 'notes.txt'] + chunk, '',
             255, 'under -enumdir -parse_chunk any file may be an input'),
        ]
        for name, args, stdin, status, said in cases:
            with self.subTest(name):
                result, before = self.run_prepared(args, stdin.encode())
                self.assertEqual(result.status, status, result.err)
                if status == 0:
                    self.assertIn(said, result.err)
                    continue
                target = args[args.index('-out' if '-out' in args else '-diags') + 1]
                role = 'output' if '-out' in args else 'diagnostics'
                self.assertIn(f'prob opening file {target} for {role}: {said}', result.err)
                self.assertEqual(result.out, '')
                self.assertEqual(e2e.folder_bytes(self.tmp), before, 'a file was written')


class WalkCompanions(e2e.Case):
    """Companions read with their database; every failure with its cause."""

    def test_companions_and_reasons(self):
        # (name, how the folder w is filled, args after the input, status, notifications,
        #  fragments standard error holds, fragments it must not hold)
        cases = [
            ('wal_beside_its_database', self.sample_with_wal, ['-enumdir', 'w'], 0,
             e2e.SAMPLE_LIVE, [], ['prob ', 'x.db-wal']),
            ('real_with_companions', self.real_with_companions, ['-enumdir', 'w'], 0,
             e2e.REAL_ROWS, [], ['prob ']),
            ('lone_log_and_text', self.lone_log_and_text, ['-enumdir', 'w'], 255, 0,
             ['prob processing file w/y.db-wal: not an SQLite database\n',
              'prob processing file w/notes.txt: not an SQLite database\n'], []),
            ('chunks_read_alone', self.sample_with_wal, ['-enumdir', 'w', '-parse_chunk'], 0,
             None, ['analyzing w/x.db-wal\n', 'analyzing w/x.db\n'], []),
            ('chunk_empty', self.chunk_files, ['-db', 'w/empty.bin', '-parse_chunk'], 255, 0,
             ['prob accessing file w/empty.bin: the file is empty\n'], []),
            ('chunk_folder', self.chunk_files, ['-db', 'w/sub', '-parse_chunk'], 255, 0,
             ['prob accessing file w/sub: a folder, not a regular file\n'], []),
            ('chunk_missing', self.chunk_files, ['-db', 'w/gone.bin', '-parse_chunk'], 255, 0,
             ['prob accessing file w/gone.bin: No such file or directory\n'], []),
            ('walked_chunk_failures', self.chunk_files, ['-enumdir', 'w', '-parse_chunk'], 255,
             0, ['prob accessing file w/empty.bin: the file is empty\n'], []),
        ]
        for name, fill, args, status, rows, said, unsaid in cases:
            with self.subTest(name):
                self.tearDown()
                self.setUp()
                os.makedirs(self.path('w'))
                fill()
                result = self.velk(args + ['-csv'])
                self.assertEqual(result.status, status, result.err)
                if rows is not None:
                    self.assertEqual(len(result.report()[1:]), rows, result.out)
                for fragment in said:
                    self.assertEqual(result.err.count(fragment), 1, result.err)
                for fragment in unsaid:
                    self.assertNotIn(fragment, result.err)

    def sample_with_wal(self):
        self.fixture_copy('sample/wpndatabase.db', 'w/x.db')

    def real_with_companions(self):
        self.real_copy('w/wpndatabase.db')
        # An empty log and an index of zeros: what the platform leaves after a checkpoint.
        open(self.path('w/wpndatabase.db-wal'), 'wb').close()
        with open(self.path('w/wpndatabase.db-shm'), 'wb') as f:
            f.write(b'\0' * 32768)

    def lone_log_and_text(self):
        db = self.fixture_copy('sample/wpndatabase.db', 'y.db')
        os.rename(db + '-wal', self.path('w/y.db-wal'))
        with open(self.path('w/notes.txt'), 'w', encoding='ascii') as f:
            f.write('case notes\n')

    def chunk_files(self):
        open(self.path('w/empty.bin'), 'wb').close()
        os.makedirs(self.path('w/sub'))


if __name__ == '__main__':
    e2e.run_module_suite()
