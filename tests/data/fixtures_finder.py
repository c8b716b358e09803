"""The finder set: deleted notifications whose stored values the record finder must take
whatever they are, a short record whose start a freeblock header took, a Notification table
with a column added after the known ones, and a live payload holding a zero byte.

    python3 tests/data/make_fixtures.py finder

Each deleted row carries a marker, VELK-FINDER-<what>, in its payload; see README.md.
"""

import pathlib
import shutil
import struct

import make_fixtures as mf

# The values a deleted notification may hold that the record finder must still take, one
# row each: (marker suffix, column, value). Every other column is the base row's.
VALUE_VARIANTS = [
    ('EXPIRES-ON-REBOOT-1', 'ExpiresOnReboot', 1),
    ('EXPIRES-ON-REBOOT-TEXT', 'ExpiresOnReboot', 'FALSE'),
    ('DATA-VERSION-2', 'DataVersion', 2),
    ('DATA-VERSION-70000', 'DataVersion', 70000),
    ('TAG-NULL', 'Tag', None),
    ('GROUP-NULL', 'Group', None),
    ('HANDLER-NULL', 'HandlerId', None),
    ('HANDLER-32768', 'HandlerId', 32768),
    ('EXPIRY-NULL', 'ExpiryTime', None),
    ('EXPIRY-SMALL', 'ExpiryTime', 5),
    ('ARRIVAL-NULL', 'ArrivalTime', None),
    ('PAYLOAD-TEXT', 'Payload', 'text'),
    ('ID-6-BYTES', 'Id', 1 << 40),
    ('BOOT-NULL', 'BootId', None),
    ('ACTIVITY-TEXT', 'ActivityId', '3f2504e0-4f89-11d3-9a0c-0305e82c3301'),
]
COLUMNS = ['Order', 'Id', 'HandlerId', 'ActivityId', 'Type', 'Payload', 'Tag', 'Group',
           'ExpiryTime', 'ArrivalTime', 'DataVersion', 'PayloadType', 'BootId', 'ExpiresOnReboot']
HANDLERS = [h for h in mf.HANDLERS if h[0] in (2, 6, 7, 9)]
LIVE_ORDERS = [1, 40]
SHORT_ORDERS = [5, 131]    # a rowid of one byte and of two
SHORT_SEPARATORS = [4, 6, 130, 132]
ADDED_COLUMN = '[Priority] INTEGER'
ADDED_BEFORE = [1, 2, 3]   # written before the column was added: 14 columns
ADDED_AFTER = [4, 5, 6]    # written after: 15 columns
ADDED_DELETED = [2, 5]
ZERO_BYTE_ORDER = 1


def marker(what):
    return f'VELK-FINDER-{what}'


def base_row(order, what, handler=7, repeat=0):
    """A toast of the platform's shape whose record is well over 127 bytes, so that a
    freeblock header over its first four bytes leaves Order's serial type whole."""
    t = mf.filetime(2023, 6, 1, 9, 0, 0, 1_414_213) + order * 5 * mf.MINUTE
    line = f'{marker(what)} ' + 'jumps over the lazy dog. ' * repeat
    return list(mf.notification(order, 300 + order, handler, 'toast',
                                mf.toast(f'Finder {order}', line), t, 3 * mf.DAY,
                                tag=f'tag-{order}', group='grp'))


def variant_rows():
    rows = []
    for i, (what, column, value) in enumerate(VALUE_VARIANTS):
        row = base_row(10 + i, what)
        at = COLUMNS.index(column)
        row[at] = row[5].decode('utf-8') if value == 'text' else value
        rows.append(tuple(row))
    return rows


def live_rows(orders):
    return [tuple(base_row(order, f'LIVE-{order}')) for order in orders]


def short_badge(order):
    """A badge whose record is under 128 bytes: with a rowid under 128, the freeblock header
    takes its Order's serial type."""
    t = mf.filetime(2023, 6, 2, 8, 30, 0, 2_718_281) + order * mf.MINUTE
    return mf.notification(order, 400 + order, 7, 'badge',
                           f'<badge value="3"/><!--{marker(f"SHORT-{order}")}-->'.encode(), t,
                           mf.DAY, activity=None)


def record_size(row):
    types = mf.notification_serial_types(row)
    return len(types) + 1 + sum(value_size(v) for v in row[1:])


def value_size(v):
    code = mf.serial_type(v)
    return {0: 0, 1: 1, 2: 2, 3: 3, 4: 4, 5: 6, 6: 8, 8: 0, 9: 0}.get(code, (code - 12) // 2)


def create(path, journal_mode):
    con = mf.create_database(path, journal_mode)
    con.execute('BEGIN')
    mf.insert_handlers(con, HANDLERS)
    mf.insert_metadata(con, 500)
    con.execute('COMMIT')
    return con


def insert(con, rows):
    con.execute('BEGIN')
    mf.insert_notifications(con, rows)
    con.execute('COMMIT')


def leaves_of(path):
    data = pathlib.Path(path).read_bytes()
    return data, mf.table_leaves(data, mf.root_page(path, 'Notification'))


def check_deleted(db_files, rows, label, scratch, live):
    """The deleted rows' headers lie whole in the raw bytes, and only the live rows read."""
    data = b''.join(pathlib.Path(f).read_bytes() for f in db_files)
    mf.check_serial_types_in(data, rows, label)
    con = mf.open_copy([pathlib.Path(f) for f in db_files], scratch / label)
    payloads = b'\0'.join(bytes(r[0], 'utf-8') if isinstance(r[0], str) else r[0]
                          for r in con.execute('SELECT Payload FROM Notification'))
    mf.expect(all(marker(m).encode() in payloads for m in live), f'{label}: a live row is gone')
    for row in rows:
        text = row[5] if isinstance(row[5], bytes) else row[5].encode()
        mf.expect(text[text.index(b'VELK'):][:30] not in payloads, f'{label}: still live')
    con.close()


# ---- every valid value ----

def write_deleted_in_wal(work, out_dir, name, rows, orders):
    """<name>.db + -wal in out_dir: the rows checkpointed into the main file, then the given
    Orders deleted in the log, copied while the writer is open (the log stays)."""
    wal_db = work / f'{name}.db'
    con = create(wal_db, 'WAL')
    con.execute('PRAGMA wal_autocheckpoint=0')
    insert(con, rows)
    busy, _, _ = con.execute('PRAGMA wal_checkpoint(TRUNCATE)').fetchone()
    mf.expect(busy == 0, f'{name}: checkpoint blocked')
    mf.delete_orders(con, orders)
    shutil.copyfile(wal_db, out_dir / f'{name}.db')
    shutil.copyfile(f'{wal_db}-wal', out_dir / f'{name}.db-wal')
    con.close()


def write_values(out_dir, work, scratch):
    """values.db: the variants deleted in rollback mode (freeblocks of the main file);
    values_wal.db: the same rows checkpointed into the main file, then deleted in the -wal
    (the main file's leaf is a page the log overwrites, the log's page holds freeblocks)."""
    variants = variant_rows()
    for row in variants:
        mf.expect(record_size(row) >= 128, f'variant {row[0]} is short')
    rows = live_rows(LIVE_ORDERS[:1]) + variants + live_rows(LIVE_ORDERS[1:])
    live = [f'LIVE-{o}' for o in LIVE_ORDERS]
    orders = [r[0] for r in variants]
    db = out_dir / 'values.db'
    con = create(db, 'DELETE')
    insert(con, rows)
    # One leaf: a delete that left two leaves underfull would merge them and rewrite the
    # freed cells.
    mf.expect(len(leaves_of(db)[1]) == 1, 'values: more than one leaf')
    mf.delete_orders(con, orders)
    con.close()
    check_deleted([db], variants, 'values', scratch, live)

    write_deleted_in_wal(work, out_dir, 'values_wal', rows, orders)
    main = (out_dir / 'values_wal.db').read_bytes()
    mf.check_serial_types_in(main, variants, 'values_wal main file')
    check_deleted([out_dir / 'values_wal.db', out_dir / 'values_wal.db-wal'], variants,
                  'values_wal', scratch, live)


# ---- a short record whose start a freeblock header took ----

def write_short_badge(out_dir, work, scratch):
    """short_badge.db: two short badges (Order 5 and 131) deleted between live rows, so each
    freed cell is a freeblock of its own; short_badge_wal.db: the same rows checkpointed, the
    badges deleted in the -wal."""
    badges = [short_badge(o) for o in SHORT_ORDERS]
    for row in badges:
        mf.expect(record_size(row) < 128, f'badge {row[0]} is not short')
    separators = live_rows(SHORT_SEPARATORS)
    rows = sorted(badges + separators)
    live = [f'LIVE-{o}' for o in SHORT_SEPARATORS]
    db = out_dir / 'short_badge.db'
    con = create(db, 'DELETE')
    insert(con, rows)
    mf.delete_orders(con, SHORT_ORDERS)
    con.close()
    data, leaves = leaves_of(db)
    mf.expect(len(leaves) == 1, 'short_badge: more than one leaf')
    mf.expect(len(mf.freeblocks(data, leaves[0])) == len(SHORT_ORDERS),
              'short_badge: the badges are not one freeblock each')
    check_short(data, badges, 'short_badge')
    check_deleted([db], [], 'short_badge', scratch, live)

    write_deleted_in_wal(work, out_dir, 'short_badge_wal', rows, SHORT_ORDERS)
    check_short((out_dir / 'short_badge_wal.db-wal').read_bytes(), badges, 'short_badge_wal')


def check_short(data, badges, label):
    """Each badge's serial types from Id on are in the bytes, but not with Order's NULL
    before them: the freeblock header took it."""
    for row in badges:
        types = mf.notification_serial_types(row)
        mf.expect(types[1:] in data, f'{label}: badge {row[0]} Id onwards missing')
        if row[0] < 128:
            mf.expect(types not in data, f'{label}: badge {row[0]} kept its first serial type')


# ---- a column added after the known ones ----

def write_added_column(out_dir, work, scratch):
    """added_column.db: the platform's schema with a column added to Notification by ALTER
    TABLE; rows written before it (14 columns) and after it (15), one of each deleted."""
    db = out_dir / 'added_column.db'
    con = create(db, 'DELETE')
    insert(con, live_rows([]) + [tuple(base_row(o, f'ADDED-BEFORE-{o}')) for o in ADDED_BEFORE])
    con.execute(f'ALTER TABLE Notification ADD COLUMN {ADDED_COLUMN}')
    con.execute('BEGIN')
    for o in ADDED_AFTER:
        row = base_row(o, f'ADDED-AFTER-{o}')
        con.execute(f'INSERT INTO Notification ({", ".join(f"[{c}]" for c in COLUMNS)}, '
                    f'[Priority]) VALUES ({", ".join("?" * 15)})', row + [o * 1000])
    con.execute('COMMIT')
    mf.delete_orders(con, ADDED_DELETED)
    sql = con.execute("SELECT sql FROM sqlite_master WHERE name = 'Notification'").fetchone()[0]
    con.close()
    mf.expect(f"DEFAULT 'FALSE', {ADDED_COLUMN}, UNIQUE" in sql, f'added_column: schema {sql[-80:]}')
    data = db.read_bytes()
    for what in ('ADDED-BEFORE-2', 'ADDED-AFTER-5'):
        mf.expect(marker(what).encode() in data, f'added_column: {what} not in the file')
    check_deleted([db], [], 'added_column', scratch,
                  [f'ADDED-BEFORE-{o}' for o in ADDED_BEFORE if o not in ADDED_DELETED])


# ---- a live payload holding a zero byte ----

def write_zero_byte(out_dir, work, scratch):
    """zero_byte.db: one live notification whose payload blob holds a zero byte."""
    db = out_dir / 'zero_byte.db'
    con = create(db, 'DELETE')
    row = base_row(ZERO_BYTE_ORDER, 'ZERO-BYTE')
    row[5] = b'<toast>' + marker('ZERO-BYTE').encode() + b'\0after the zero byte</toast>'
    insert(con, [tuple(row)])
    con.close()
    con = mf.open_copy([db], scratch / 'zero_byte')
    stored = con.execute('SELECT Payload FROM Notification').fetchone()[0]
    mf.expect(stored == row[5], 'zero_byte: payload not stored whole')
    con.close()


def write_finder(out_dir, work):
    scratch = work / 'check'
    scratch.mkdir(exist_ok=True)
    write_values(out_dir, work, scratch)
    write_short_badge(out_dir, work, scratch)
    write_added_column(out_dir, work, scratch)
    write_zero_byte(out_dir, work, scratch)


SETS = {'finder': write_finder}
