"""The hot-journal and WAL-zero sets.

    python3 tests/data/make_fixtures.py hotjournal
    python3 tests/data/make_fixtures.py walzero

hotjournal/wpndatabase.db + wpndatabase.db-journal: a push database in rollback mode copied
while a transaction was still open. The transaction deleted three committed notifications
(HOT_DELETED) and inserted 40 (HOT_UNCOMMITTED-00 to -39, Orders between the committed
ones) with a page cache of one page, so SQLite wrote most changed pages into the database
file before commit, after saving their old content in the journal. The main file thus holds
uncommitted cells that rolling the journal back undoes; the journal holds the pages as they
were.

walzero/wpndatabase.db + wpndatabase.db-wal: a push database in WAL mode whose log holds the
current version of a notification (Order 3) inserted after the last checkpoint, its payload
a BLOB with a zero byte in the middle (WALZERO_HEAD, 0, WALZERO_TAIL).
"""

import shutil
import sqlite3
import struct

import make_fixtures as mf

HOT_FOLDER = 'hotjournal'
WALZERO_FOLDER = 'walzero'
HOT_HANDLERS = [h for h in mf.HANDLERS if h[0] in (2, 7, 9, 10)]
HOT_KEPT = 'VELK-HOT-KEPT'
HOT_DELETED = 'VELK-HOT-DELETED'
HOT_UNCOMMITTED = 'VELK-HOT-UNCOMMITTED'
HOT_INSERTED = 40
HOT_COMMITTED = 24
HOT_DELETED_AT = (3, 8, 15)
HOT_NONCE = 0x4C0FFEE5
WALZERO_HEAD = 'VELK-WALZERO-HEAD'
WALZERO_TAIL = 'VELK-WALZERO-TAIL'


def hot_committed():
    t = mf.filetime(2023, 3, 18, 8, 0, 0, 1_010_101)
    rows = []
    for i in range(HOT_COMMITTED):
        marker = HOT_DELETED if i in HOT_DELETED_AT else HOT_KEPT
        rows.append(mf.notification(10 * (i + 1), 200 + i, 7, 'toast', mf.toast(
            'Inbox', f'{marker}-{i:02d} message number {i} of the committed set'),
            t + i * mf.MINUTE, 3 * mf.DAY, group='Inbox'))
    return rows


def hot_uncommitted():
    t = mf.filetime(2023, 3, 18, 9, 30, 0, 2_020_202)
    # Orders between the committed ones: most land in the leaves the committed rows are in.
    return [mf.notification(10 * (i % HOT_COMMITTED + 1) + 1 + i // HOT_COMMITTED, 300 + i, 9,
                            'toast', mf.toast('Chat', f'{HOT_UNCOMMITTED}-{i:02d} a reply'),
                            t + i * mf.SECOND, 3 * mf.DAY, group='Messages')
            for i in range(HOT_INSERTED)]


def with_nonce(journal, nonce, page_size):
    """The journal under a fixed nonce: every segment header's and every record's checksum
    rewritten, so the committed file is the same on every run. A journal synced during its
    transaction holds a further segment, under its own header, from the next sector boundary
    after the records the previous header counts."""
    data = bytearray(journal)
    sector = struct.unpack_from('>I', data, 20)[0]
    record = page_size + 8
    header = 0
    # A segment not yet synced has its magic and count still zero; its initial size, sector
    # and page size are the first header's.
    while header + sector <= len(data) and data[header + 16:header + 28] == data[16:28]:
        count = struct.unpack_from('>I', data, header + 8)[0]
        struct.pack_into('>I', data, header + 12, nonce)
        at = header + sector
        unsynced = count in (0, 0xFFFFFFFF)  # its records run to the end of the file
        while at + record <= len(data) and (unsynced or count > 0):
            page = bytes(data[at + 4:at + 4 + page_size])
            struct.pack_into('>I', data, at + 4 + page_size, mf.journal_checksum(nonce, page))
            at += record
            count -= 0 if unsynced else 1
        header = (at + sector - 1) // sector * sector
    return bytes(data)


def markers_in(data, prefix, count):
    return [i for i in range(count) if f'{prefix}-{i:02d}'.encode() in data]


def write_hot(out_dir, work):
    db = work / 'wpndatabase.db'
    con = mf.create_database(db, 'DELETE')
    con.execute('BEGIN')
    mf.insert_handlers(con, HOT_HANDLERS)
    mf.insert_settings(con, [h[0] for h in HOT_HANDLERS])
    mf.insert_notifications(con, hot_committed())
    mf.insert_metadata(con, 200 + HOT_COMMITTED)
    con.execute('COMMIT')
    before = db.read_bytes()
    # One page of cache: every changed page beyond it is written into the file before
    # commit, once its old content is safe in the journal.
    con.execute('PRAGMA cache_size=1')
    con.execute('BEGIN')
    con.execute('DELETE FROM Notification WHERE [Order] IN (40, 90, 160)')
    mf.insert_notifications(con, hot_uncommitted())
    # Reading every page needs cache room: the dirty pages still held are spilled for it.
    for table in mf.TABLES:
        con.execute(f'SELECT * FROM [{table}]').fetchall()
    shutil.copyfile(db, out_dir / 'wpndatabase.db')
    journal = (work / 'wpndatabase.db-journal').read_bytes()
    (out_dir / 'wpndatabase.db-journal').write_bytes(with_nonce(journal, HOT_NONCE, mf.PAGE_SIZE))
    con.execute('ROLLBACK')
    con.close()
    check_hot(out_dir, before, work / 'check')


def check_hot(out_dir, before, scratch):
    db, journal = out_dir / 'wpndatabase.db', out_dir / 'wpndatabase.db-journal'
    main, jrnl = db.read_bytes(), journal.read_bytes()
    mf.check_db_header(main, 'hotjournal db', 1)
    mf.expect(jrnl[:8] == mf.JOURNAL_MAGIC, 'hotjournal: the journal is not hot')
    spilled = markers_in(main, HOT_UNCOMMITTED, HOT_INSERTED)
    mf.expect(len(spilled) >= HOT_INSERTED // 2,
              f'hotjournal: only {len(spilled)} uncommitted rows reached the file')
    mf.expect(mf.changed_pages(before, main), 'hotjournal: no changed page reached the file')
    con = mf.open_copy([db, journal], scratch)
    mf.expect(con.execute('SELECT count(*) FROM Notification').fetchone()[0] == HOT_COMMITTED,
              'hotjournal: rolling back does not give the committed rows')
    mf.check_live(con, 'hotjournal rolled back', [HOT_DELETED], [HOT_UNCOMMITTED])
    con.close()
    mf.expect((scratch / db.name).read_bytes() == before,
              'hotjournal: rolling back does not give the database before the transaction')


def write_walzero(out_dir, work):
    db = work / 'wpndatabase.db'
    con = mf.create_database(db, 'WAL')
    con.execute('PRAGMA wal_autocheckpoint=0')
    con.execute('BEGIN')
    mf.insert_handlers(con, HOT_HANDLERS)
    rows = [r for r in mf.sample_notifications() if r[0] in (1, 2)]
    mf.insert_notifications(con, rows)
    mf.insert_metadata(con, 23)
    con.execute('COMMIT')
    busy, _, _ = con.execute('PRAGMA wal_checkpoint(TRUNCATE)').fetchone()
    mf.expect(busy == 0, 'walzero: the checkpoint was blocked')
    payload = WALZERO_HEAD.encode() + b'\0' + WALZERO_TAIL.encode()
    row = list(mf.notification(3, 23, 9, 'toast', b'', mf.filetime(2023, 3, 18, 11, 0, 0),
                               3 * mf.DAY))
    row[5] = payload
    mf.insert_notifications(con, [tuple(row)])
    # Copied while this connection holds the frames: closing it would checkpoint them.
    shutil.copyfile(db, out_dir / 'wpndatabase.db')
    shutil.copyfile(f'{db}-wal', out_dir / 'wpndatabase.db-wal')
    con.close()
    main = (out_dir / 'wpndatabase.db').read_bytes()
    wal = (out_dir / 'wpndatabase.db-wal').read_bytes()
    mf.expect(WALZERO_HEAD.encode() not in main, 'walzero: the row reached the main file')
    mf.expect(payload in wal, 'walzero: the log does not hold the row')
    check = mf.open_copy([out_dir / 'wpndatabase.db', out_dir / 'wpndatabase.db-wal'],
                         work / 'check')
    got = check.execute('SELECT Payload FROM Notification WHERE [Order] = 3').fetchone()
    check.close()
    mf.expect(got is not None and bytes(got[0]) == payload, 'walzero: the live row differs')


SETS = {HOT_FOLDER: write_hot, WALZERO_FOLDER: write_walzero}
