#!/usr/bin/env python3
"""Times velk against the SQLite shell on a large synthetic push-notification database.

    python3 bench/bench.py [--size-mb 300] [--velk build/velk] [--runs 3] [--keep DIR]

The database is built in a temporary folder with the platform's schema (the CREATE texts of
tests/data/make_fixtures.py): a few thousand handlers with their settings and channels, then
notifications with payloads of a few KB until the file reaches the requested size; one
notification in eight is deleted with secure delete off, so the slack holds residue; after a
checkpoint a last batch of updates and deletions is left in the -wal. Each measured command
runs on its own copy of the database and its -wal, and the script checks that velk leaves
its copy byte for byte unchanged.

Measured, with the best of --runs wall-clock times:
  velk            velk -db COPY -quiet -out TMP
  velk slack      the same with -incl_slack
  velk carve      the same with -carve
  sqlite3         sqlite3 -readonly -csv COPY with one SELECT * per push table, to TMP
Each velk time is printed with its ratio to the sqlite3 time. This is a benchmark, not a
test: nothing fails on a slow run, and CTest does not run it.
"""

import argparse
import hashlib
import pathlib
import random
import shutil
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


def payload(rng, order):
    """A toast of 1 to 6 KB of printable words, unique per row."""
    words = ' '.join(f'w{rng.randrange(1 << 20):05x}' for _ in range(rng.randrange(150, 900)))
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


def fresh_copy(source, folder, name):
    target = folder / name
    shutil.rmtree(target, ignore_errors=True)
    target.mkdir()
    for companion in ('', '-wal'):
        shutil.copyfile(f'{source}{companion}', target / f'wpndatabase.db{companion}')
    return target / 'wpndatabase.db'


def digest(path):
    h = hashlib.sha256()
    for companion in ('', '-wal'):
        with open(f'{path}{companion}', 'rb') as f:
            for block in iter(lambda: f.read(1 << 20), b''):
                h.update(block)
    return h.hexdigest()


def timed(command, stdout):
    start = time.perf_counter()
    done = subprocess.run(command, stdout=stdout, stderr=subprocess.PIPE, check=False)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f'bench: {command[0]} ended with status {done.returncode}: '
                 f'{done.stderr.decode(errors="replace")[:400]}')
    return elapsed


def best_velk(velk, source, work, extra, runs):
    best = None
    for run in range(runs):
        db = fresh_copy(source, work, 'velk')
        before = digest(db)
        out = work / 'velk.out'
        elapsed = timed([str(velk), '-db', str(db), '-quiet', '-out', str(out)] + extra,
                        subprocess.DEVNULL)
        fx.expect(digest(db) == before, 'velk changed its input')
        size = out.stat().st_size
        best = elapsed if best is None else min(best, elapsed)
        if run == 0:
            print(f'  velk {" ".join(extra) or "(default)"}: {size} bytes of report')
    return best


def best_sqlite(source, work, runs):
    query = ''.join(f'SELECT * FROM {table};' for table in PUSH_TABLES)
    best = None
    for _ in range(runs):
        db = fresh_copy(source, work, 'sqlite')
        with open(work / 'sqlite.out', 'wb') as out:
            elapsed = timed(['sqlite3', '-readonly', '-csv', str(db), query], out)
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--size-mb', type=int, default=300)
    parser.add_argument('--velk', default=str(ROOT / 'build' / 'velk'))
    parser.add_argument('--runs', type=int, default=3)
    parser.add_argument('--keep', help='build the database in this folder and keep it')
    args = parser.parse_args()
    velk = pathlib.Path(args.velk)
    if not velk.exists() or shutil.which('sqlite3') is None:
        sys.exit(f'bench: needs {velk} (build it first) and the sqlite3 shell')
    with tempfile.TemporaryDirectory() as tmp:
        work = pathlib.Path(args.keep) if args.keep else pathlib.Path(tmp)
        work.mkdir(parents=True, exist_ok=True)
        started = time.perf_counter()
        source, order = build(work, args.size_mb)
        size = source.stat().st_size + wal_size(source)
        print(f'database: {size / 1e6:.0f} MB ({order} notifications written), '
              f'built in {time.perf_counter() - started:.0f} s')
        base = best_sqlite(source, work, args.runs)
        print(f'{"sqlite3 -readonly -csv":<24} {base:8.2f} s')
        for label, extra in (('velk', []), ('velk -incl_slack', ['-incl_slack']),
                             ('velk -carve', ['-carve'])):
            elapsed = best_velk(velk, source, work, extra, args.runs)
            print(f'{label:<24} {elapsed:8.2f} s   velk / sqlite3 = {elapsed / base:.2f}')


if __name__ == '__main__':
    main()
