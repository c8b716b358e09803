"""Fixture set `chunkcut`: a chunk of raw pages to read at any alignment.

    python3 tests/data/make_fixtures.py chunkcut

- pages.bin: four packed leaf pages of the Notification table (4096 bytes each, 60 toasts,
  Orders 1 to 60), cut out of a database in rollback-journal mode (DELETE) with the
  platform's schema. The tests put zero bytes in front of it, as a chunk cut from an image
  at a sector boundary has them, and expect the same 60 records whatever the lead.

Comes out byte for byte the same on every run.
"""

import struct

import make_fixtures as mf

T0 = mf.filetime(2024, 6, 1, 10, 0, 0, 7_654_321)
HANDLERS = [(2, 'Contoso.Chunk_8wekyb3d8bbwe!App', None, 'app:immersive', None,
             '2024-06-01 09:00:00')]
PAGES = 4
ROWS_PER_PAGE = 15


def chunk_rows(count):
    rows = []
    for order in range(1, count + 1):
        # About 250 bytes a record: fifteen fill a page, and a page boundary falls inside
        # a record for most leads.
        words = ' '.join(f'c{order:02d}w{i:02d}' for i in range(10))
        rows.append(mf.notification(order, 500 + order, 2, 'toast',
                                    mf.toast(f'Chunk {order}', words),
                                    T0 + order * mf.SECOND, mf.DAY))
    return rows


def build_pages(db_path):
    con = mf.create_database(db_path, 'DELETE')
    con.execute('BEGIN')
    mf.insert_handlers(con, HANDLERS)
    mf.insert_notifications(con, chunk_rows(PAGES * ROWS_PER_PAGE + 20))
    con.execute('COMMIT')
    con.close()
    data = db_path.read_bytes()
    leaves = mf.table_leaves(data, mf.root_page(db_path, 'Notification'))[:PAGES]
    pages = b''.join(mf.page_slice(data, page)[1] for page in leaves)
    counts = [struct.unpack_from('>H', pages, i * mf.PAGE_SIZE + 3)[0] for i in range(PAGES)]
    mf.expect(counts == [ROWS_PER_PAGE] * PAGES, f'chunkcut: cells per page {counts}')
    mf.check_in_bytes(pages, 'chunkcut', ['Chunk 1<', 'Chunk 60<'])
    return pages


def write_chunkcut(out_dir, work):
    (out_dir / 'pages.bin').write_bytes(build_pages(work / 'chunkcut.db'))


SETS = {'chunkcut': write_chunkcut}
