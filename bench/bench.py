#!/usr/bin/env python3
"""Times every velk mode against the SQLite shell on a large synthetic push-notification database.

    python3 bench/bench.py [--size-mb 300] [--velk build/velk] [--runs 5] [--keep DIR]

The database is built in a temporary folder (or in --keep DIR, where a database of the same
size built earlier is reused) with the platform's schema (the CREATE texts of
tests/data/make_fixtures.py): a few thousand handlers with their settings and channels, then
notifications with payloads of a few KB until the file reaches the requested size; one
notification in eight is deleted with secure delete off, so the slack holds residue; after a
checkpoint a last batch of updates and deletions is left in the -wal.

Measured, each writing its report to a file:
  cat             cat of the database and its -wal: the floor of any reader
  sqlite3         sqlite3 -readonly -csv of Notification joined with NotificationHandler and
                  its first WNSPushChannel, one row per notification: the rows velk's default
                  run reports
  velk            velk -db DB -quiet -out FILE, then with -csv, -incl_slack, -carve and
                  -parse_chunk
  velk (no -wal)  velk -db DB -quiet -out FILE on a copy of the database with its -wal
                  checkpointed into it: the same rows, read in place instead of from the
                  private copy that a database with a -wal is read from
One unmeasured warm-up round runs every command once; then --runs rounds run them all again,
interleaved (cat, sqlite3, each velk mode, then the next round), so a change of machine load
hits every command alike. Printed per command: the median wall-clock time, the median of its
per-round ratios to sqlite3 and to velk's default run, the largest peak RSS of its runs (from
the child's rusage) and its report's size. Before the table: the payload bytes of the live
rows, and a check that velk's default and -csv reports, and the run without a -wal, hold as
many rows as sqlite3's dump. After it: the WAL ratio, the median of the per-round ratios of
velk's default run on the WAL database to the run on the same rows without a -wal (what the
private copy and the log cost; the goal is 1.15 at most), then the same ratios of velk's
default run to sqlite3 (goal 1.2 at most) and of -incl_slack and -carve to the default run
(goal 1.5 at most each).
velk reads its own copy of the database, which must stay byte for byte unchanged with no file
appearing beside it (sqlite3 gets a copy of its own: it adds a -shm). This is a benchmark, not
a test: nothing fails on a slow run, and CTest does not run it.
"""

import argparse
import csv
import hashlib
import os
import pathlib
import random
import shutil
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / 'tests' / 'data'))
import make_fixtures as fx  # noqa: E402  (the schema and row builders of the fixtures)

HANDLER_COUNT = 3000  # handler ids 2 to 3001: the finder recognises ids up to 32767
CHANNEL_EVERY = 3     # one push channel for every third handler
DELETE_EVERY = 8      # one notification in eight deleted before the checkpoint
ROWS_PER_COMMIT = 2000
PUSH_TABLES = ['Notification', 'NotificationHandler', 'WNSPushChannel', 'HandlerSettings']


def handler_rows():
    created = '2024-02-01 08:00:00'
    for rid in range(2, HANDLER_COUNT + 2):
        kind = ('app:system', 'app:immersive', 'app:desktop')[rid % 3]
        primary = f'Bench.App{rid:05d}_8wekyb3d8bbwe!App'
        yield (rid, primary, None, kind, None, created)


def channel_rows():
    base = fx.filetime(2024, 2, 1, 8, 30, 0)
    for rid in range(2, HANDLER_COUNT + 2, CHANNEL_EVERY):
        token = hashlib.sha256(str(rid).encode()).hexdigest()
        yield (token[:32], rid, f'https://db5p.notify.windows.com/w/?token={token}',
               base + rid * fx.SECOND)


# Words of two-, three- and four-byte UTF-8 characters, one word in NON_ASCII_EVERY: real
# toasts hold accented names, other scripts and emoji, and every value velk writes is scanned
# for control characters, so the bench must not be ASCII alone. About 5.5 % of the
# database's bytes are then non-ASCII.
NON_ASCII_WORDS = ['café', 'naïve', 'Grüße', 'señal', 'Ångström', 'résumé', 'Øresund', 'żółw',
                   'Привет', '東京', '通知', '😀', '🎉', '👍🏽', '❤️']
NON_ASCII_EVERY = 11
# Raised when the rows built change, so that a database kept by --keep is built again.
DATABASE_CONTENT = 'utf8-words'


def word(rng):
    if rng.randrange(NON_ASCII_EVERY) == 0:
        return rng.choice(NON_ASCII_WORDS)
    return f'w{rng.randrange(1 << 20):05x}'


def payload(rng, order):
    """A toast of 1 to 6 KB of words, unique per row."""
    words = ' '.join(word(rng) for _ in range(rng.randrange(150, 900)))
    return fx.toast(f'Bench message {order}', words, launch=f'bench:open?id={order}')


def notification_row(rng, order):
    arrival = fx.filetime(2024, 2, 1, 9, 0, 0) + order * 37 * fx.SECOND
    handler = 2 + rng.randrange(HANDLER_COUNT)
    kind = rng.choice(('toast', 'toast', 'toast', 'tile', 'badge'))
    return fx.notification(order, order + 100, handler, kind, payload(rng, order), arrival,
                           3 * fx.DAY)


def fill(con, target_bytes, db_path):
    rng = random.Random(20240201)  # fixed seed: the same database on every run
    con.execute('BEGIN')
    fx.insert_handlers(con, handler_rows())
    fx.insert_settings(con, range(2, HANDLER_COUNT + 2))
    fx.insert_channels(con, channel_rows())
    con.execute('COMMIT')
    order = 0
    while db_path.stat().st_size + wal_size(db_path) < target_bytes:
        rows = [notification_row(rng, order + i + 1) for i in range(ROWS_PER_COMMIT)]
        order += ROWS_PER_COMMIT
        con.execute('BEGIN')
        fx.insert_notifications(con, rows)
        con.execute('COMMIT')
        con.execute('PRAGMA wal_checkpoint(TRUNCATE)')
    con.execute('BEGIN')
    fx.insert_metadata(con, order + 101)
    con.execute(f'DELETE FROM Notification WHERE [Order] % {DELETE_EVERY} = 0')
    con.execute('COMMIT')
    return order, rng


def wal_size(db_path):
    wal = pathlib.Path(f'{db_path}-wal')
    return wal.stat().st_size if wal.exists() else 0


def wal_batch(con, order, rng):
    """Left in the -wal: updated payloads, deleted rows and a few new notifications."""
    con.execute('BEGIN')
    for o in range(3, order, 97):
        con.execute('UPDATE Notification SET Payload = ?, DataVersion = 1 WHERE [Order] = ?',
                    (payload(rng, o), o))
    con.execute('DELETE FROM Notification WHERE [Order] % 101 = 5')
    fx.insert_notifications(con, [notification_row(rng, order + i + 1) for i in range(200)])
    con.execute('COMMIT')


def build(folder, size_mb):
    db = folder / 'wpndatabase.db'
    con = fx.create_database(db, 'WAL')
    con.execute('PRAGMA wal_autocheckpoint=0')
    order, rng = fill(con, size_mb * 1024 * 1024, db)
    busy, _, _ = con.execute('PRAGMA wal_checkpoint(TRUNCATE)').fetchone()
    fx.expect(busy == 0, 'checkpoint blocked')
    wal_batch(con, order, rng)
    # Copy while this connection holds the frames: closing it would checkpoint them.
    out = folder / 'bench'
    out.mkdir()
    shutil.copyfile(db, out / 'wpndatabase.db')
    shutil.copyfile(f'{db}-wal', out / 'wpndatabase.db-wal')
    con.close()
    return out / 'wpndatabase.db', order


JOIN_QUERY = ('SELECT n.*, h.*, c.* FROM Notification AS n '
              'LEFT JOIN NotificationHandler AS h ON h.RecordId = n.HandlerId '
              'LEFT JOIN WNSPushChannel AS c ON c.rowid = '
              '(SELECT min(rowid) FROM WNSPushChannel WHERE HandlerId = n.HandlerId);')
PAYLOAD_QUERY = 'SELECT total(length(CAST(Payload AS BLOB))) FROM Notification;'
VELK_MODES = [('velk', []), ('velk -csv', ['-csv']), ('velk -incl_slack', ['-incl_slack']),
              ('velk -carve', ['-carve']), ('velk -parse_chunk', ['-parse_chunk'])]
LIVE_ROW_MARK = b'sqlite lib'  # the source of every live row, once per report line
# What each mode may cost against another, as paired per-round ratios: the default run
# against the shell dumping the same rows, slack and carving against the default run.
RATIO_GOALS = [('velk', 'sqlite3', 1.2), ('velk -incl_slack', 'velk', 1.5),
               ('velk -carve', 'velk', 1.5)]


def copy_into(source, folder):
    folder.mkdir(parents=True, exist_ok=True)
    for companion in ('', '-wal'):
        shutil.copyfile(f'{source}{companion}', folder / f'wpndatabase.db{companion}')
    return folder / 'wpndatabase.db'


def checkpointed_copy(source, folder):
    """A copy of the database with its -wal checkpointed into it, in rollback mode: the same
    rows in one file, which velk reads in place."""
    db = copy_into(source, folder)
    con = sqlite3.connect(str(db), isolation_level=None)
    mode = con.execute('PRAGMA journal_mode=DELETE').fetchone()[0]
    con.close()
    fx.expect(mode == 'delete' and not wal_size(db), 'the checkpointed copy kept its -wal')
    return db


def digest(path):
    h = hashlib.sha256()
    for companion in ('', '-wal'):
        if not os.path.exists(f'{path}{companion}'):
            continue
        with open(f'{path}{companion}', 'rb') as f:
            for block in iter(lambda: f.read(1 << 20), b''):
                h.update(block)
    return h.hexdigest()


# Linux keeps the largest resident size across fork and exec, so a child that this (large)
# process starts inherits its size as the floor of ru_maxrss. GNU time is small: its child's
# rusage, which it prints, is the child's own.
GNU_TIME = '/usr/bin/time'


def run(command, out_path, err_path):
    """Wall-clock seconds and peak RSS (bytes) of one child writing its stdout to out_path."""
    rss_path = out_path.parent / 'maxrss'
    wrapped = os.access(GNU_TIME, os.X_OK)
    launched = [GNU_TIME, '-f', '%M', '-o', str(rss_path)] + command if wrapped else command
    with open(out_path, 'wb') as out, open(err_path, 'wb') as err:
        start = time.perf_counter()
        child = subprocess.Popen(launched, stdout=out, stderr=err)
        # Reaped here rather than by Popen.wait: wait4 hands back the child's rusage.
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f'bench: {command[0]} ended with status {child.returncode}: '
                 f'{pathlib.Path(err_path).read_bytes().decode(errors="replace")[:400]}')
    kilobytes = int(rss_path.read_text().split()[-1]) if wrapped else usage.ru_maxrss
    return elapsed, kilobytes * 1024


class command_stats:
    def __init__(self, label, command, out_path):
        self.label, self.command, self.out_path = label, command, out_path
        self.times, self.peaks = [], []

    def once(self, keep=True):
        # Every command starts on an empty output file: the shell's stdout is emptied by
        # open() before the clock starts, so velk's -out file is emptied there too (cutting
        # a large earlier report inside the timed run would charge velk for the file system).
        self.report.write_bytes(b'')
        elapsed, peak = run(self.command, self.out_path, self.out_path.parent / 'stderr')
        if keep:
            self.times.append(elapsed)
            self.peaks.append(peak)
        return elapsed


def paired_ratio(numerators, denominators):
    return statistics.median(a / b for a, b in zip(numerators, denominators))


def count_csv_rows(path):
    with open(path, newline='', encoding='utf-8', errors='replace') as f:
        return sum(1 for _ in csv.reader(f))


def count_marked_lines(path):
    with open(path, 'rb') as f:
        return sum(1 for line in f if LIVE_ROW_MARK in line)


def sqlite_scalar(db, query):
    done = subprocess.run(['sqlite3', '-readonly', str(db), query], capture_output=True,
                          check=True)
    return float(done.stdout.decode().strip() or 0)


def folder_listing(folder):
    return sorted(p.name for p in folder.iterdir())


def make_commands(velk, velk_db, sqlite_db, nowal_db, work):
    cat = command_stats('cat (floor)', ['cat', str(velk_db), f'{velk_db}-wal'], work / 'cat.out')
    base = command_stats('sqlite3 -readonly -csv',
                         ['sqlite3', '-readonly', '-csv', str(sqlite_db), JOIN_QUERY],
                         work / 'sqlite.out')
    modes = []
    for i, (label, extra) in enumerate(VELK_MODES):
        out = work / f'velk{i}.out'
        modes.append(command_stats(label, [str(velk), '-db', str(velk_db), '-quiet', '-out',
                                           str(out)] + extra, out))
    out = work / 'velk-nowal.out'
    modes.append(command_stats('velk (no -wal)', [str(velk), '-db', str(nowal_db), '-quiet',
                                                  '-out', str(out)], out))
    # velk writes to its -out file; its standard output (the banner copy) goes to a scratch file
    for mode in modes:
        mode.out_path, mode.report = work / 'velk.stdout', mode.out_path
    cat.report, base.report = cat.out_path, base.out_path
    return cat, base, modes


def check_rows(base, modes):
    want = count_csv_rows(base.report)
    for mode in modes[:2] + modes[-1:]:
        got = count_marked_lines(mode.report)
        fx.expect(got == want, f'{mode.label} reports {got} rows, sqlite3 {want}')
    return want


def print_table(cat, base, modes, payload):
    default = modes[0]
    print(f'{"command":<24} {"median s":>9} {"÷ sqlite3":>10} {"÷ default":>10} '
          f'{"peak RSS MiB":>13} {"RSS ÷ payload":>14} {"report MB":>10}')
    for item in [cat, base] + modes:
        to_base = paired_ratio(item.times, base.times)
        to_default = paired_ratio(item.times, default.times)
        peak = max(item.peaks)
        print(f'{item.label:<24} {statistics.median(item.times):9.2f} {to_base:10.2f} '
              f'{to_default:10.2f} {peak / 2**20:13.0f} {peak / payload:14.2f} '
              f'{item.report.stat().st_size / 1e6:10.1f}')
    wal_ratio = paired_ratio(default.times, modes[-1].times)
    print(f'WAL ratio (velk on the WAL database ÷ velk on the same rows without a -wal): '
          f'{wal_ratio:.2f}, goal ≤ 1.15')
    by_label = {mode.label: mode for mode in modes}
    for label, over, goal in RATIO_GOALS:
        under = base if over == 'sqlite3' else by_label[over]
        ratio = paired_ratio(by_label[label].times, under.times)
        print(f'{label} ÷ {over}: {ratio:.2f}, goal ≤ {goal}')


def prepare(work, size_mb):
    """The database and its -wal, reused when --keep holds one of this size and content."""
    stored = work / 'bench' / 'wpndatabase.db'
    stamp = work / 'bench-size-mb'
    wanted = f'{size_mb} {DATABASE_CONTENT}'
    if stored.exists() and stamp.exists() and stamp.read_text() == wanted:
        print(f'database: reused {stored}')
        return stored
    shutil.rmtree(work / 'bench', ignore_errors=True)
    started = time.perf_counter()
    source, order = build(work, size_mb)
    stamp.write_text(wanted)
    print(f'database: {order} notifications written, built in '
          f'{time.perf_counter() - started:.0f} s')
    return source


TINY_CHUNK_MB = 64


def tiny_records_chunk(velk, work):
    """Peak RSS of velk -parse_chunk on a chunk of one 43-byte notification cell repeated
    (about 1.56 million records in 64 MiB), built here from a one-row database, divided by
    the chunk's size: the records are held compactly until written (goal ≤ 2)."""
    chunk = work / 'tiny-records.bin'
    if not chunk.exists() or chunk.stat().st_size != TINY_CHUNK_MB << 20:
        db = work / 'tiny-record.db'
        db.unlink(missing_ok=True)
        con = fx.create_database(db, 'DELETE')
        arrival = fx.filetime(2024, 3, 1, 9, 0, 0)
        con.execute('BEGIN')
        # ActivityId NULL, an empty payload and BootId 0: the smallest cell the finder takes.
        fx.insert_notifications(con, [(7, 7, 2, None, 'badge', b'', '', '', arrival + fx.DAY,
                                       arrival, 0, 'Xml', 0, 0)])
        con.execute('COMMIT')
        con.close()
        data = db.read_bytes()
        _, page = fx.page_slice(data, fx.table_leaves(data, fx.root_page(db, 'Notification'))[0])
        cell = page[int.from_bytes(page[8:10], 'big'):]
        fx.expect(len(cell) == 43, f'the tiny cell is {len(cell)} bytes, not 43')
        size = TINY_CHUNK_MB << 20
        chunk.write_bytes((cell * (size // len(cell) + 1))[:size])
    out = work / 'tiny-records.out'
    elapsed, peak = run([str(velk), '-db', str(chunk), '-parse_chunk', '-quiet', '-out', str(out)],
                        work / 'tiny-records.stdout', work / 'tiny-records.stderr')
    rows = sum(1 for line in open(out, 'rb') if b'carve blob' in line)
    out.unlink()
    print(f'tiny-record chunk: {TINY_CHUNK_MB} MiB of one 43-byte cell, {rows} rows in '
          f'{elapsed:.1f} s; peak RSS {peak / 2**20:.0f} MiB = {peak / chunk.stat().st_size:.2f} '
          f'x the chunk (goal ≤ 2)')


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--size-mb', type=int, default=300)
    parser.add_argument('--velk', default=str(ROOT / 'build' / 'velk'))
    parser.add_argument('--runs', type=int, default=5, help='measured rounds (at least 5)')
    parser.add_argument('--keep', help='build the database in this folder and keep it')
    args = parser.parse_args()
    velk = pathlib.Path(args.velk).resolve()
    if not velk.exists() or shutil.which('sqlite3') is None:
        sys.exit(f'bench: needs {velk} (build it first) and the sqlite3 shell')
    runs = max(args.runs, 5)
    with tempfile.TemporaryDirectory() as tmp:
        work = pathlib.Path(args.keep) if args.keep else pathlib.Path(tmp)
        work.mkdir(parents=True, exist_ok=True)
        source = prepare(work, args.size_mb)
        scratch = pathlib.Path(tmp) / 'run'
        velk_db = copy_into(source, scratch / 'velk')
        sqlite_db = copy_into(source, scratch / 'sqlite')
        nowal_db = checkpointed_copy(source, scratch / 'nowal')
        before, listing = digest(velk_db), folder_listing(velk_db.parent)
        nowal_before, nowal_listing = digest(nowal_db), folder_listing(nowal_db.parent)
        size = velk_db.stat().st_size + wal_size(velk_db)
        payload = sqlite_scalar(sqlite_db, PAYLOAD_QUERY)
        print(f'database: {size / 1e6:.0f} MB with its -wal; live payload {payload / 1e6:.1f} MB')
        cat, base, modes = make_commands(velk, velk_db, sqlite_db, nowal_db, scratch)
        everything = [cat, base] + modes
        for item in everything:  # the warm-up round: caches filled, nothing kept
            item.once(keep=False)
        rows = check_rows(base, modes)
        print(f'rows: {rows} in sqlite3\'s dump and in velk\'s default, -csv and no -wal '
              f'reports')
        for _ in range(runs):
            for item in everything:
                item.once()
                fx.expect(folder_listing(velk_db.parent) == listing and
                          folder_listing(nowal_db.parent) == nowal_listing,
                          f'{item.label} left a file beside the database')
        fx.expect(digest(velk_db) == before and digest(nowal_db) == nowal_before,
                  'velk changed its input')
        print(f'{runs} rounds after one warm-up; medians, ratios paired per round')
        print_table(cat, base, modes, payload)
        tiny_records_chunk(velk, work)


if __name__ == '__main__':
    main()
