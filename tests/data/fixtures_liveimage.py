"""Fixtures of the live view: databases whose log holds the good version of a page the main
file holds damaged, a notification b-tree whose links loop, and logs whose checksum chain
breaks. Written by make_fixtures.py (`python3 tests/data/make_fixtures.py liveimage`).

Every notification carries a marker `VELK-LIVEIMAGE-<kind>-<Order>` in its payload, so a
test can count where each one is reported.
"""

import shutil
import sqlite3
import struct

import make_fixtures as mf

PAGE_SIZE = mf.PAGE_SIZE
NOTIFICATION_ROOT = 7
HANDLER_IDS = [h[0] for h in mf.RECOVERY_HANDLERS]
# The log fixtures: Orders 1 to 24 checkpointed into the main file (three leaves below the
# root), then Orders 25 to 32 committed in the log, which splits the last leaf and so holds
# a new version of the root, and of page 1 (the file grew).
MAIN_ORDERS = range(1, 25)
LOG_ORDERS = range(25, 33)
# The looping tree: 39 notifications, five leaves below the root.
CYCLE_ORDERS = range(1, 40)
# The spilled transaction: 20 rows checkpointed; then, in one transaction never committed,
# 12 of them updated and 39 rows inserted through a cache of 5 pages.
SPILL_BASE_ORDERS = range(1, 21)
SPILL_ORDERS = range(21, 60)
# The chain broken inside the last of three transactions (commits at frames 10, 11, 20).
BROKEN_FRAME = 15


def marker(kind, order):
    return f'VELK-LIVEIMAGE-{kind}-{order}'


def rows(orders, kind):
    """Recovery-shaped notifications (the record finder's layout), handlers cycling."""
    return [mf.recovery_notification(o, 'toast', marker(kind, o), HANDLER_IDS[o % 4])
            for o in orders]


def filled_database(path, journal_mode, orders):
    con = mf.create_database(path, journal_mode)
    if journal_mode == 'WAL':
        con.execute('PRAGMA wal_autocheckpoint=0')
    mf.fill_recovery(con, rows(orders, 'LIVE'), 200)
    return con


def frames_of(wal):
    """(page number, commit size, checksum holds) of each frame, the chain checked as SQLite
    does from the header on; a frame past a break does not hold."""
    magic, _, page_size = struct.unpack_from('>III', wal, 0)
    order = '>' if magic & 1 else '<'

    def checksum(data, s1, s2):
        words = struct.unpack(f'{order}{len(data) // 4}I', data)
        for i in range(0, len(words), 2):
            s1 = (s1 + words[i] + s2) & 0xFFFFFFFF
            s2 = (s2 + words[i + 1] + s1) & 0xFFFFFFFF
        return s1, s2

    s = checksum(wal[:24], 0, 0)
    mf.expect(s == struct.unpack_from('>II', wal, 24), 'a -wal header checksum does not hold')
    out, intact = [], True
    frame = mf.WAL_FRAME_HEADER_SIZE + page_size
    for at in range(mf.WAL_HEADER_SIZE, len(wal) - frame + 1, frame):
        page, commit = struct.unpack_from('>II', wal, at)
        n = checksum(wal[at:at + 8], *s)
        n = checksum(wal[at + 24:at + frame], *n)
        holds = (intact and n == struct.unpack_from('>II', wal, at + 16)
                 and wal[at + 8:at + 16] == wal[16:24])
        if holds:
            s = n
        intact = holds
        out.append((page, commit, holds))
    return out


def counts_with(files, scratch, name):
    """The notifications SQLite reads from the table itself (count(*) would take an index)."""
    con = mf.open_copy(files, scratch / name)
    try:
        return len(con.execute('SELECT [Order], Payload FROM Notification').fetchall())
    except sqlite3.DatabaseError:
        return None
    finally:
        con.close()


def zero_byte(path, offset):
    data = bytearray(path.read_bytes())
    data[offset] = 0
    path.write_bytes(bytes(data))


def build_wal_pair(work, out_dir):
    """Orders 1 to 24 checkpointed, 25 to 32 in the log; written as wal_root.db and
    wal_page1.db, the same pair damaged in two places."""
    db = work / 'wal.db'
    con = filled_database(db, 'WAL', MAIN_ORDERS)
    busy, _, _ = con.execute('PRAGMA wal_checkpoint(TRUNCATE)').fetchone()
    mf.expect(busy == 0, 'liveimage: checkpoint was blocked')
    con.execute('BEGIN')
    mf.insert_notifications(con, rows(LOG_ORDERS, 'LIVE'))
    con.execute('COMMIT')
    for name in ('wal_root.db', 'wal_page1.db'):
        shutil.copyfile(db, out_dir / name)
        shutil.copyfile(f'{db}-wal', out_dir / f'{name}-wal')
    con.close()
    # The root's type byte (the log holds the root whole), and page 1's b-tree type byte
    # (the log holds page 1 whole): the main file alone cannot be read past either.
    zero_byte(out_dir / 'wal_root.db', (NOTIFICATION_ROOT - 1) * PAGE_SIZE)
    zero_byte(out_dir / 'wal_page1.db', 100)


def check_wal_pair(out_dir, scratch):
    total = len(MAIN_ORDERS) + len(LOG_ORDERS)
    for name, page in (('wal_root.db', NOTIFICATION_ROOT), ('wal_page1.db', 1)):
        db, wal = out_dir / name, out_dir / f'{name}-wal'
        frames = frames_of(wal.read_bytes())
        mf.expect(all(holds for _, _, holds in frames) and frames[-1][1] != 0,
                  f'{name}: the log is not one whole commit')
        mf.expect(page in [p for p, _, _ in frames], f'{name}: the log lacks page {page}')
        data = db.read_bytes()
        mf.expect(data[NOTIFICATION_ROOT * PAGE_SIZE - PAGE_SIZE] == (0 if page != 1 else 5),
                  f'{name}: the root in the main file')
        mf.check_in_bytes(data, name, [marker('LIVE', o) for o in MAIN_ORDERS])
        got = counts_with([db, wal], scratch, name)
        mf.expect(got == total, f'{name}: {got} notifications with the log')
        mf.expect(counts_with([db], scratch, name + '-alone') is None,
                  f'{name}: the main file alone still reads')


def build_cycle(path):
    """Rollback mode; the root's right-child pointer aimed at the root itself."""
    filled_database(path, 'DELETE', CYCLE_ORDERS).close()
    data = bytearray(path.read_bytes())
    at = (NOTIFICATION_ROOT - 1) * PAGE_SIZE
    mf.expect(data[at] == 0x05, 'cycle: the root is no interior page')
    struct.pack_into('>I', data, at + 8, NOTIFICATION_ROOT)
    path.write_bytes(bytes(data))


def check_cycle(path, scratch):
    con = mf.open_copy([path], scratch / 'cycle')
    orders = []
    try:
        for order, _ in con.execute('SELECT [Order], Payload FROM Notification'):
            orders.append(order)
        mf.fail('cycle: SQLite read the looping tree to its end')
    except sqlite3.DatabaseError:
        pass
    con.close()
    mf.expect(len(orders) > len(set(orders)), 'cycle: SQLite gave no row twice')


def build_chain_break(work, out_dir):
    """The sample (three commits: frames 1-10, 11 and 12-20) with frame 15's checksum
    altered: SQLite applies the log up to the commit at frame 11."""
    (work / 'sample').mkdir()
    mf.build_sample(work, work / 'sample')
    shutil.copyfile(work / 'sample' / 'wpndatabase.db', out_dir / 'chain_break.db')
    wal = bytearray((work / 'sample' / 'wpndatabase.db-wal').read_bytes())
    at = mf.WAL_HEADER_SIZE + (BROKEN_FRAME - 1) * (mf.WAL_FRAME_HEADER_SIZE + PAGE_SIZE)
    wal[at + 16] ^= 0xFF
    wal[at + 20] ^= 0xFF
    (out_dir / 'chain_break.db-wal').write_bytes(bytes(wal))


def check_chain_break(out_dir, scratch):
    db, wal = out_dir / 'chain_break.db', out_dir / 'chain_break.db-wal'
    frames = frames_of(wal.read_bytes())
    mf.expect(len(frames) == 20, f'chain_break: {len(frames)} frames')
    mf.expect([i + 1 for i, f in enumerate(frames) if f[1]] == [10, 11, 20],
              'chain_break: commit frames')
    mf.expect([i + 1 for i, f in enumerate(frames) if not f[2]][0] == BROKEN_FRAME,
              'chain_break: where the chain breaks')
    con = mf.open_copy([db, wal], scratch / 'chain_break')
    mf.check_live(con, 'chain_break', [mf.WAL_UPDATE_AFTER, mf.WAL_DELETED], [])
    con.close()


def build_spilled(work, out_dir):
    """A transaction too big for a cache of 5 pages spills its pages to the log before it
    commits; a page spilled twice is rewritten in its frame, which breaks the checksum chain
    there. Copied before the commit: no frame of the log commits."""
    db = work / 'spilled.db'
    con = filled_database(db, 'WAL', SPILL_BASE_ORDERS)
    busy, _, _ = con.execute('PRAGMA wal_checkpoint(TRUNCATE)').fetchone()
    mf.expect(busy == 0, 'spilled: checkpoint was blocked')
    con.execute('PRAGMA cache_size=5')
    con.execute('BEGIN')
    con.execute('UPDATE Notification SET ExpiryTime = ExpiryTime + 1 WHERE [Order] <= 12')
    for row in rows(SPILL_ORDERS, 'SPILLED'):
        mf.insert_notifications(con, [row])
    shutil.copyfile(db, out_dir / 'spilled.db')
    shutil.copyfile(f'{db}-wal', out_dir / 'spilled.db-wal')
    con.execute('ROLLBACK')
    con.close()


def check_spilled(out_dir, scratch):
    db, wal = out_dir / 'spilled.db', out_dir / 'spilled.db-wal'
    frames = frames_of(wal.read_bytes())
    mf.expect(not any(commit for _, commit, _ in frames), 'spilled: a frame commits')
    intact = [holds for _, _, holds in frames].index(False) if not all(
        holds for _, _, holds in frames) else len(frames)
    mf.expect(0 < intact < len(frames), f'spilled: the chain breaks at frame {intact + 1}')
    got = counts_with([db, wal], scratch, 'spilled')
    mf.expect(got == len(SPILL_BASE_ORDERS), f'spilled: {got} notifications with the log')


def write_liveimage(out_dir, work):
    scratch = work / 'check'
    scratch.mkdir()
    build_wal_pair(work, out_dir)
    check_wal_pair(out_dir, scratch)
    build_cycle(out_dir / 'cycle.db')
    check_cycle(out_dir / 'cycle.db', scratch)
    build_chain_break(work, out_dir)
    check_chain_break(out_dir, scratch)
    build_spilled(work, out_dir)
    check_spilled(out_dir, scratch)


SETS = {'liveimage': write_liveimage}
