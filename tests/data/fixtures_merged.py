"""The merged set: notifications deleted together, whose freed cells SQLite merged into one
freeblock (each cell but the lowest keeps a stale freeblock header over its first four
bytes); deleted rows of a Notification table with a column added, whose rowid a freeblock
header took; and ActivityIds stored as integers and reals.

    python3 tests/data/make_fixtures.py merged

Each row carries a marker, VELK-MERGED-<what>, in its payload; see README.md.
"""

import pathlib

import fixtures_finder as ff
import make_fixtures as mf

# Runs of adjacent rows deleted in one transaction, 2 to 6 long, each between live rows so
# that every run is a freeblock of its own, all in the table's one leaf (a leaf left
# underfull beside another would be merged with it, its freed cells rewritten). Orders count
# from `first`, below 128 or from 128 on; short records are under 128 bytes (a freeblock
# header takes their Order's serial type when the rowid is one byte), long ones 128 or more.
RUN_LENGTHS = [2, 3, 4, 5, 6]
MERGED_SETS = {'short_low.db': ('short', 1), 'short_high.db': ('short', 200),
               'long_low.db': ('long', 1), 'long_high.db': ('long', 200)}
LONG_TAIL = 24
# Orders of the added-column set: a long record whose rowid and payload length (two bytes
# each) the freeblock header took, and a run of short ones under 128.
ADDED_LONG = [200, 202]
ADDED_SHORT_RUN = [10, 11, 12]
ADDED_LIVE = [9, 13, 199, 201, 203]
# ActivityIds of every storage class the GUID column's numeric affinity keeps, by Order (an
# integral real is kept as an integer; 1e20 lies past the integers and stays a real).
ACTIVITY_VALUES = {
    20: 7, 21: -300, 22: 70000, 23: 1 << 30, 24: 1 << 40, 25: -(1 << 60), 26: 0, 27: 1,
    28: 2.5, 29: -1234.125, 31: 1e20,
}
ACTIVITY_DELETED = [21, 23, 25, 27, 29, 31]


def marker(what):
    return f'VELK-MERGED-{what}'


def row(order, kind, activity=mf.ZERO_GUID):
    """A badge whose record is short, or one whose payload makes it long; Tag and Group
    NULL."""
    t = mf.filetime(2023, 7, 3, 10, 0, 0, 3_141_592) + order * mf.MINUTE
    tail = ' ' * LONG_TAIL if kind == 'long' else ''
    payload = f'<badge value="{order % 10}"/><!--{marker(order)}{tail}-->'.encode()
    return mf.notification(order, 500 + order, 7, 'badge', payload, t, mf.DAY, tag=None,
                           group=None, activity=activity)


def run_layout(kind, first):
    """(rows, runs): a live separator around each deleted run."""
    rows, runs, order = [], [], first
    for length in RUN_LENGTHS:
        rows.append(row(order, kind))
        run = list(range(order + 1, order + 1 + length))
        rows += [row(o, kind) for o in run]
        runs.append(run)
        order += length + 1
    rows.append(row(order, kind))
    return rows, runs


def create(path):
    con = mf.create_database(path, 'DELETE')
    con.execute('BEGIN')
    mf.insert_handlers(con, ff.HANDLERS)
    mf.insert_metadata(con, 900)
    con.execute('COMMIT')
    return con


def delete_runs(con, runs):
    """Each run in one statement, as clearing a group does: SQLite frees its cells one by one
    in rowid order, each merging with the freeblock of the one before (its neighbour above
    in the page)."""
    con.execute('BEGIN')
    for run in runs:
        con.execute(f'DELETE FROM Notification WHERE [Order] IN ({",".join(map(str, run))})')
    con.execute('COMMIT')


def write_runs(out_dir, name, kind, first):
    rows, runs = run_layout(kind, first)
    for r in rows:
        mf.expect((ff.record_size(r) < 128) == (kind == 'short'), f'{name}: Order {r[0]} size')
    db = out_dir / name
    con = create(db)
    mf.insert_notifications(con, rows)
    delete_runs(con, runs)
    left = {r[0] for r in con.execute('SELECT [Order] FROM Notification')}
    con.close()
    deleted = [o for run in runs for o in run]
    mf.expect(not left & set(deleted) and len(left) == len(rows) - len(deleted),
              f'{name}: the runs are not deleted')
    data = db.read_bytes()
    leaves = mf.table_leaves(data, mf.root_page(db, 'Notification'))
    mf.expect(len(leaves) == 1, f'{name}: {len(leaves)} leaves')
    chain = len(mf.freeblocks(data, leaves[0]))
    mf.expect(chain == len(runs), f'{name}: {chain} freeblocks for {len(runs)} runs')
    for r in rows:
        if r[0] in deleted:
            types = mf.notification_serial_types(r)
            mf.expect(types[1:] in data, f'{name}: Order {r[0]} lost its serial types')


def write_added_column(out_dir):
    """added_column.db: a column added after the known ones, rows written with it, some
    deleted alone (long, Orders of two bytes) and some together (short, one byte)."""
    db = out_dir / 'added_column.db'
    con = create(db)
    con.execute(f'ALTER TABLE Notification ADD COLUMN {ff.ADDED_COLUMN}')
    orders = sorted(ADDED_LONG + ADDED_SHORT_RUN + ADDED_LIVE)
    con.execute('BEGIN')
    for order in orders:
        r = row(order, 'long' if order in ADDED_LONG else 'short')
        con.execute(f'INSERT INTO Notification ({", ".join(f"[{c}]" for c in ff.COLUMNS)}, '
                    f'[Priority]) VALUES ({", ".join("?" * 15)})', r + (order * 3,))
    con.execute('COMMIT')
    delete_runs(con, [ADDED_SHORT_RUN] + [[o] for o in ADDED_LONG])
    mf.expect(con.execute('SELECT count(*) FROM Notification').fetchone()[0] == len(ADDED_LIVE),
              'added_column: wrong rows left')
    con.close()


def write_activity(out_dir):
    """activity.db: ActivityIds stored as integers of every width, the constants 0 and 1,
    and reals; every other row deleted (each alone)."""
    db = out_dir / 'activity.db'
    con = create(db)
    rows = [row(o, 'short', activity=v) for o, v in ACTIVITY_VALUES.items()]
    mf.insert_notifications(con, rows)
    kinds = dict(con.execute('SELECT [Order], typeof(ActivityId) FROM Notification'))
    mf.expect(all(kinds[o] == ('real' if isinstance(v, float) else 'integer')
                  for o, v in ACTIVITY_VALUES.items()), f'activity: stored as {kinds}')
    delete_runs(con, [[o] for o in ACTIVITY_DELETED])
    con.close()
    types = {mf.serial_type(v) for v in ACTIVITY_VALUES.values() if not isinstance(v, float)}
    mf.expect(types == {1, 2, 3, 4, 5, 6, 8, 9}, f'activity: integer types {types}')


def write_merged(out_dir, work):
    for name, (kind, first) in MERGED_SETS.items():
        write_runs(out_dir, name, kind, first)
    write_added_column(out_dir)
    write_activity(out_dir)


SETS = {'merged': write_merged}
