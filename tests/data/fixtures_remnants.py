"""Push databases whose removed notifications survive where a reader easily misses them: in
a rollback journal whose header a commit zeroed (journal_mode=PERSIST), in a copy cut inside
its last page, and in pages past the database's end that the platform's 1 MiB file growth
leaves behind. Rows are the recovery set's (`make_fixtures.recovery_rows`), shaped as the
record finder expects; every payload holds a marker `VELK-RECOVERY-<kind>-<Order>`.

    python3 tests/data/make_fixtures.py remnants
"""

import shutil
import struct

import make_fixtures as mf

PAGE_SIZE = mf.PAGE_SIZE
NOTIFICATION_LEAF = 7  # the Notification root, its one leaf in every database here
# journal_mode=PERSIST zeroes the header from the magic to the page size at each commit.
PERSISTED_ZEROED = 28
JOURNAL_SECTOR = 512
# The nonce is random and zeroed with the header; the records' checksums are written again
# for this one, so the journal comes out the same on every run.
PERSISTED_NONCE = 0x9E251573
PERSISTED_ORDER = 3
CUT_DELETED_ORDERS = (2, 5)
CUT_BYTES_KEPT = 1000  # of the last page
TAIL_ORDERS = (4, 6)
TAIL_PAGE = 100
GROWTH_STEP = 1 << 20  # the platform grows its database files in steps of 1 MiB


def kind_of(orders, kind):
    return lambda order: kind if order in orders else 'LIVE'


def header_words(data):
    """The header's page count, change counter and the counter the count was written with."""
    count, = struct.unpack_from('>I', data, 28)
    changes, = struct.unpack_from('>I', data, 24)
    valid_for, = struct.unpack_from('>I', data, 92)
    return count, changes, valid_for


def check_count_current(data, label, pages):
    count, changes, valid_for = header_words(data)
    mf.expect(count == pages and changes == valid_for,
              f'{label}: header counts {count} pages (counter {changes}, valid for {valid_for})')


def check_rows(files, scratch, label, live, gone):
    con = mf.open_copy(files, scratch)
    mf.check_schema(con, label)
    count = con.execute('SELECT count(*) FROM Notification').fetchone()[0]
    mf.expect(count == len(live), f'{label}: {count} notifications')
    mf.check_live(con, label, live, gone)
    con.close()


# ---- The persisted journal ----------------------------------------------------------------

def rewrite_checksums(journal):
    """The records' checksums under PERSISTED_NONCE; the zeroed header is left as it is."""
    out = bytearray(journal)
    record = PAGE_SIZE + 8
    for at in range(JOURNAL_SECTOR, len(out) - record + 1, record):
        page = bytes(out[at + 4:at + 4 + PAGE_SIZE])
        struct.pack_into('>I', out, at + 4 + PAGE_SIZE, mf.journal_checksum(PERSISTED_NONCE, page))
    return bytes(out)


def write_persisted(out_dir, work):
    """Filled in rollback mode, then one transaction under journal_mode=PERSIST deletes Order 3
    with secure delete on: the main file keeps no byte of it, the journal's saved leaf does."""
    db = work / 'persisted.db'
    rows = mf.recovery_rows(kind_of((PERSISTED_ORDER,), 'PERSISTED'))
    mf.check_finder_shape(rows, 'remnants persisted')
    con = mf.create_database(db, 'DELETE')
    mf.fill_recovery(con, rows, 109)
    mf.expect(con.execute('PRAGMA journal_mode=PERSIST').fetchone()[0] == 'persist',
              'remnants persisted: journal mode')
    con.execute('PRAGMA secure_delete=ON')
    con.execute('BEGIN')
    con.execute('DELETE FROM Notification WHERE [Order] = ?', (PERSISTED_ORDER,))
    con.execute('COMMIT')
    con.close()
    shutil.copyfile(db, out_dir / 'persisted.db')
    journal = db.with_name(f'{db.name}-journal').read_bytes()
    (out_dir / 'persisted.db-journal').write_bytes(rewrite_checksums(journal))
    return rows


def check_persisted(out_dir, rows, scratch):
    db, journal = out_dir / 'persisted.db', out_dir / 'persisted.db-journal'
    main, jrnl = db.read_bytes(), journal.read_bytes()
    mf.check_db_header(main, 'remnants persisted', 1)
    deleted = mf.markers_of(rows, 'PERSISTED')
    mf.expect(jrnl[:JOURNAL_SECTOR] == bytes(JOURNAL_SECTOR),
              'remnants persisted: the journal header is not zeroed')
    record = PAGE_SIZE + 8
    mf.expect((len(jrnl) - JOURNAL_SECTOR) % record == 0,
              'remnants persisted: the records do not follow a 512-byte sector')
    numbers = [struct.unpack_from('>I', jrnl, at)[0]
               for at in range(JOURNAL_SECTOR, len(jrnl), record)]
    mf.expect(NOTIFICATION_LEAF in numbers and all(1 <= n <= len(main) // PAGE_SIZE
                                                   for n in numbers),
              f'remnants persisted: journal records of pages {numbers}')
    mf.check_in_bytes(jrnl, 'remnants persisted journal', deleted)
    mf.expect(all(m.encode() not in main for m in deleted),
              'remnants persisted: the deleted row is in the main file')
    # A zeroed header is no hot journal: opening a copy rolls nothing back.
    check_rows([db, journal], scratch / 'remnants_persisted', 'remnants persisted',
               mf.markers_of(rows, 'LIVE'), deleted)


# ---- The copy cut inside its last page ----------------------------------------------------

def write_cut(out_dir, work):
    """Orders 2 and 5 deleted with secure delete off (freeblocks of the Notification leaf),
    then the file cut CUT_BYTES_KEPT bytes into its last page, which its header still
    counts."""
    db = work / 'cut.db'
    rows = mf.recovery_rows(kind_of(CUT_DELETED_ORDERS, 'CUT-DELETED'))
    mf.check_finder_shape(rows, 'remnants cut')
    con = mf.create_database(db, 'DELETE')
    mf.fill_recovery(con, rows, 109)
    for order in CUT_DELETED_ORDERS:
        con.execute('BEGIN')
        con.execute('DELETE FROM Notification WHERE [Order] = ?', (order,))
        con.execute('COMMIT')
    con.close()
    whole = db.read_bytes()
    check_rows([db], work / 'check_cut', 'remnants cut (whole)', mf.markers_of(rows, 'LIVE'),
               mf.markers_of(rows, 'CUT-DELETED'))
    pages = len(whole) // PAGE_SIZE
    (out_dir / 'cut_page.db').write_bytes(whole[:(pages - 1) * PAGE_SIZE + CUT_BYTES_KEPT])
    return rows, pages


def check_cut(out_dir, rows, pages):
    data = (out_dir / 'cut_page.db').read_bytes()
    mf.check_db_header(data, 'remnants cut', 1)
    check_count_current(data, 'remnants cut', pages)
    mf.expect(len(data) == (pages - 1) * PAGE_SIZE + CUT_BYTES_KEPT and pages > NOTIFICATION_LEAF,
              f'remnants cut: {len(data)} bytes of {pages} pages')
    # Every notification, live or deleted, lies whole before the cut.
    mf.check_serial_types_in(data[:pages * PAGE_SIZE], rows, 'remnants cut')
    mf.check_in_bytes(data, 'remnants cut', mf.markers_of(rows, 'CUT-DELETED'))


# ---- Pages past the database's end --------------------------------------------------------

def write_tail(out_dir, work):
    """All eight rows, a copy of their leaf taken, then Orders 4 and 6 deleted with secure
    delete on. The file is grown to 1 MiB as the platform grows it, and the copied leaf
    written at page 100: a stale page past the header's count of 21, whose rows no other
    byte of the file keeps."""
    db = work / 'tail.db'
    rows = mf.recovery_rows(kind_of(TAIL_ORDERS, 'TAIL'))
    mf.check_finder_shape(rows, 'remnants tail')
    con = mf.create_database(db, 'DELETE')
    mf.fill_recovery(con, rows, 109)
    con.close()
    before = db.read_bytes()
    leaf = before[(NOTIFICATION_LEAF - 1) * PAGE_SIZE:NOTIFICATION_LEAF * PAGE_SIZE]
    con = mf.connect(db)
    con.execute('PRAGMA secure_delete=ON')
    con.execute('BEGIN')
    for order in TAIL_ORDERS:
        con.execute('DELETE FROM Notification WHERE [Order] = ?', (order,))
    con.execute('COMMIT')
    con.close()
    check_rows([db], work / 'check_tail', 'remnants tail (live)', mf.markers_of(rows, 'LIVE'),
               mf.markers_of(rows, 'TAIL'))
    data = bytearray(db.read_bytes())
    pages = len(data) // PAGE_SIZE
    data.extend(bytes(GROWTH_STEP - len(data)))
    data[(TAIL_PAGE - 1) * PAGE_SIZE:TAIL_PAGE * PAGE_SIZE] = leaf
    (out_dir / 'tail_leaf.db').write_bytes(bytes(data))
    return rows, pages


def check_tail(out_dir, rows, pages, scratch):
    path = out_dir / 'tail_leaf.db'
    data = path.read_bytes()
    mf.check_db_header(data, 'remnants tail', 1)
    check_count_current(data, 'remnants tail', pages)
    mf.expect(len(data) == GROWTH_STEP and pages < TAIL_PAGE, f'remnants tail: {pages} pages')
    inside, past = data[:pages * PAGE_SIZE], data[pages * PAGE_SIZE:]
    tail = mf.markers_of(rows, 'TAIL')
    mf.expect(all(m.encode() not in inside for m in tail),
              'remnants tail: a deleted row is inside the database')
    mf.check_serial_types_in(past, rows, 'remnants tail past the end')
    mf.expect(data[(TAIL_PAGE - 1) * PAGE_SIZE] == 0x0D, 'remnants tail: page 100 is no leaf')
    # SQLite reads the database up to its header's count: the grown file is the same database.
    check_rows([path], scratch / 'remnants_tail', 'remnants tail', mf.markers_of(rows, 'LIVE'),
               tail)


def write_remnants(out_dir, work):
    (work / 'check').mkdir(exist_ok=True)
    rows = write_persisted(out_dir, work)
    check_persisted(out_dir, rows, work / 'check')
    rows, pages = write_cut(out_dir, work)
    check_cut(out_dir, rows, pages)
    rows, pages = write_tail(out_dir, work)
    check_tail(out_dir, rows, pages, work / 'check')


SETS = {'remnants': write_remnants}
