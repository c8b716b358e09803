"""The super-journal set: a rollback journal that names a file for the library to delete.

    python3 tests/data/make_fixtures.py superjournal

A rollback journal may end with the name of a super-journal (the journal of a transaction
over several databases). Rolling the journal back, the SQLite library looks for that file,
opens it and deletes it, wherever the name points; a relative name counts from the working
folder. A name that leads nowhere makes the journal a finished one: it is removed without
being played back, and the database file stands as it is.

superjournal/wpndatabase.db is a push database in rollback mode whose last transaction
reached the file whole (it is consistent as it lies: SUPER_AFTER is live, SUPER_BEFORE
gone); wpndatabase.db-journal holds the pages from before it under a synced header, then a
super-journal record naming "wpndatabase.db", the database itself. Played back, the journal
gives the database before the transaction (SUPER_BEFORE live, SUPER_AFTER gone); with its
super-journal missing it is not played back. The acceptance tests put names of their own
into the journal with with_super_journal(without_super_journal(data), name).
"""

import os
import shutil
import struct

import make_fixtures as mf

FOLDER = 'superjournal'
SUPER_BEFORE = 'VELK-SUPER-BEFORE-1'
SUPER_AFTER = 'VELK-SUPER-AFTER-1'
EVIDENCE_NAME = 'wpndatabase.db'
NONCE = 0x0DDBA11

# The library's fixed place in the file for the lock bytes (1 GiB) gives the page number
# that marks a super-journal record: no page of a journal ever has it.
LOCK_BYTE_OFFSET = 0x40000000
SECTOR_SIZE = 512
# The record's tail: name length, checksum, journal magic.
SUPER_TAIL = 4 + 4 + len(mf.JOURNAL_MAGIC)


def super_journal_page(page_size):
    return LOCK_BYTE_OFFSET // page_size + 1


def with_super_journal(journal, name, page_size=mf.PAGE_SIZE):
    """The journal with a super-journal record naming name (str or bytes) appended: the lock
    page number, the name, its length, the sum of its bytes and the journal magic. The
    library adds the bytes as C chars, signed on the platforms that run the tests, so the
    name is kept to ASCII, where either sign gives the same sum."""
    raw = name.encode() if isinstance(name, str) else bytes(name)
    mf.expect(raw and all(0 < b < 0x80 for b in raw), f'super-journal name {raw!r}: not ASCII')
    return (journal + struct.pack('>I', super_journal_page(page_size)) + raw +
            struct.pack('>II', len(raw), sum(raw)) + mf.JOURNAL_MAGIC)


def without_super_journal(journal):
    """The journal without its super-journal record; as it is when it has none."""
    if len(journal) < SUPER_TAIL or journal[-8:] != mf.JOURNAL_MAGIC:
        return journal
    length = struct.unpack_from('>I', journal, len(journal) - SUPER_TAIL)[0]
    start = len(journal) - SUPER_TAIL - length - 4
    return journal[:start] if start >= 0 else journal


def super_journal_name(journal):
    """The name a journal's super-journal record holds, b'' when it has none."""
    stripped = without_super_journal(journal)
    return journal[len(stripped) + 4:len(journal) - SUPER_TAIL]


def notifications():
    t = mf.filetime(2023, 3, 17, 10, 12, 30, 1_313_131)
    rows = [r for r in mf.sample_notifications() if r[0] in (1, 2, 4, 6)]
    rows.append(mf.notification(20, 40, 7, 'toast', mf.toast('Order shipped',
                f'{SUPER_BEFORE} your order left the warehouse'), t, 3 * mf.DAY, group='Inbox'))
    return rows


def build_before(path):
    con = mf.create_database(path, 'DELETE')
    con.execute('BEGIN')
    mf.insert_handlers(con, [h for h in mf.HANDLERS if h[0] in (2, 6, 7, 9, 10)])
    mf.insert_settings(con, [2, 6, 7, 9, 10])
    mf.insert_notifications(con, notifications())
    mf.insert_channels(con, [c for c in mf.CHANNELS if c[1] in (6, 7)])
    mf.insert_metadata(con, 41)
    con.execute('COMMIT')
    con.close()


def apply_transaction(path):
    con = mf.connect(path)
    t = mf.filetime(2023, 3, 17, 10, 20, 5, 2_424_242)
    con.execute('BEGIN')
    con.execute('DELETE FROM Notification WHERE [Order] = 20')
    mf.insert_notifications(con, [mf.notification(21, 41, 9, 'toast', mf.toast('Alice',
                            f'{SUPER_AFTER} see you at the station'), t, 3 * mf.DAY,
                            group='Messages')])
    con.execute("UPDATE Metadata SET Value = 42 WHERE Key = 'CurrentNotificationId'")
    con.execute('COMMIT')
    con.close()


def hot_journal(before, after, page_size=mf.PAGE_SIZE):
    """The journal of the transaction from before to after, synced: every page of before
    that after changed, as it was, under a header counting them."""
    pages = len(before) // page_size
    changed = [n for n in range(1, pages + 1)
               if before[(n - 1) * page_size:n * page_size] != after[(n - 1) * page_size:n * page_size]]
    header = mf.JOURNAL_MAGIC + struct.pack('>IIIII', len(changed), NONCE, pages, SECTOR_SIZE,
                                            page_size)
    data = header.ljust(SECTOR_SIZE, b'\0')
    for n in changed:
        page = before[(n - 1) * page_size:n * page_size]
        data += struct.pack('>I', n) + page + struct.pack('>I', mf.journal_checksum(NONCE, page))
    return data, changed


def live_markers(files, scratch):
    con = mf.open_copy(files, scratch)
    live = mf.live_bytes(con)
    con.close()
    return [m for m in (SUPER_BEFORE, SUPER_AFTER) if m.encode() in live]


def check(out_dir, before, work):
    db, journal = out_dir / 'wpndatabase.db', out_dir / 'wpndatabase.db-journal'
    data = journal.read_bytes()
    mf.check_db_header(db.read_bytes(), 'superjournal db', 1)
    mf.expect(super_journal_name(data) == EVIDENCE_NAME.encode(),
              'superjournal: the journal names no super-journal')
    base = without_super_journal(data)
    mf.expect(with_super_journal(base, EVIDENCE_NAME) == data, 'superjournal: record round trip')
    # Without the record the journal is played back to the database before the transaction.
    plain = work / 'plain.db-journal'
    plain.write_bytes(base)
    shutil.copyfile(db, work / 'plain.db')
    mf.expect(live_markers([work / 'plain.db', plain], work / 'rolled') == [SUPER_BEFORE],
              'superjournal: playing the journal back does not give the rows before')
    mf.expect((work / 'rolled' / 'plain.db').read_bytes() == before,
              'superjournal: playing the journal back does not give the database before')
    # A super-journal that is missing: the journal is finished, the database stands.
    mf.expect(live_markers([db, journal], work / 'missing') == [SUPER_AFTER],
              'superjournal: with its super-journal missing the journal was played back')
    # One that is there: played back, and the library deletes the file the journal names.
    victim = work / 'victim.txt'
    victim.write_bytes(b'not a journal')
    named = work / 'named.db-journal'
    named.write_bytes(with_super_journal(base, str(victim)))
    shutil.copyfile(db, work / 'named.db')
    mf.expect(live_markers([work / 'named.db', named], work / 'named') == [SUPER_BEFORE],
              'superjournal: with its super-journal there the journal was not played back')
    mf.expect(not victim.exists(), 'superjournal: the library left the named file alone')


def check_in_empty_folder(out_dir, before, work):
    """The checks run from an empty working folder: the committed journal's relative name
    must lead nowhere there."""
    empty = work / 'cwd'
    empty.mkdir()
    cwd = os.getcwd()
    os.chdir(empty)
    try:
        check(out_dir, before, work)
    finally:
        os.chdir(cwd)
    mf.expect(not any(empty.iterdir()), 'superjournal: a check left a file in its folder')


def write(out_dir, work):
    before_path, after_path = work / 'before.db', work / 'after.db'
    build_before(before_path)
    shutil.copyfile(before_path, after_path)
    apply_transaction(after_path)
    before, after = before_path.read_bytes(), after_path.read_bytes()
    data, changed = hot_journal(before, after)
    mf.expect(changed, 'superjournal: the transaction changed no page')
    shutil.copyfile(after_path, out_dir / 'wpndatabase.db')
    (out_dir / 'wpndatabase.db-journal').write_bytes(with_super_journal(data, EVIDENCE_NAME))
    check_in_empty_folder(out_dir, before, work)


SETS = {FOLDER: write}
