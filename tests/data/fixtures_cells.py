"""Fixture set `cells`: values that test how each report cell is written.

    python3 tests/data/make_fixtures.py cells

- controls.db: terminal control characters in stored values (escape sequences that move
  the cursor and erase lines, BEL, DEL, the C1 control U+009B, a stray byte 0x9B) beside
  text whose UTF-8 continuation bytes lie in 0x80-0x9F and must stay as they are.
- activity.db: the ActivityId stored every way the column allows (a 16-byte GUID blob, the
  GUID's text, a 16-character text, shorter and longer blobs, NULL, an empty blob, all-zero
  bytes, an integer), and a deleted notification with a GUID left in a freeblock.

Both use the platform's schema (make_fixtures.SCHEMA), rollback-journal mode (DELETE), page
size 4096, no companion files, and come out byte for byte the same on every run.
"""

import make_fixtures as mf

T0 = mf.filetime(2024, 5, 6, 7, 8, 9, 1_234_567)
CREATED = '2024-05-06 07:00:00'

# ---------------------------------------------------------------------------------------
# controls.db
# ---------------------------------------------------------------------------------------

# Cursor up one line and erase it, twice: viewed raw in a terminal, the two report lines
# above the planted row vanish.
ERASE_TWO_LINES = b'\x1b[1A\x1b[2K\x1b[1A\x1b[2K'
# A window-title sequence (OSC 0 ... BEL).
SET_TITLE = '\x1b]0;pwned\x07'
CONTROL_HANDLER = 'Contoso.Esc\x1b[31mRed_8wekyb3d8bbwe!App'
CONTROLS_HANDLERS = [
    (1, CONTROL_HANDLER, None, 'app:immersive', None, CREATED),
    (2, 'Contoso.Plain_8wekyb3d8bbwe!App', None, 'app:immersive', None, CREATED),
]
CONTROLS_CHANNELS = [('c0ffee00c0ffee00c0ffee00c0ffee00', 1, 'https://ctl.example/\x07bell',
                      mf.filetime(2024, 5, 6, 7, 0, 0))]
VICTIM = 'VELK-CELLS-VICTIM-1'
HIDER = 'VELK-CELLS-HIDER-1'
KEPT = 'VELK-CELLS-KEPT-1'
# ü (C3 BC), ß (C3 9F), € (E2 82 AC), 東 (E6 9D B1), ś (C5 9B): continuation bytes in the
# C1 range inside well-formed characters.
KEPT_TEXT = 'Grüße € 東 ś'


def hider_payload():
    """Ends in the line-erasing sequence; holds BEL, DEL and U+009B (C2 9B) before it."""
    return mf.toast('Hide', f'{HIDER} bell\x07 del\x7f csi\u009b2K') + ERASE_TWO_LINES


def kept_payload():
    """Non-ASCII text to keep, a stray byte 0x9B (no UTF-8) and a lone byte E9 (kept)."""
    return mf.toast('Kept', f'{KEPT} {KEPT_TEXT} STRAY').replace(b'STRAY', b'\x9b|\xe9')


def controls_notifications():
    return [
        mf.notification(1, 51, 2, 'toast', mf.toast('Victim', f'{VICTIM} stays visible'),
                        T0, mf.MINUTE, tag='victim'),
        mf.notification(2, 52, 1, 'toast', hider_payload(), T0 + mf.SECOND, mf.MINUTE,
                        tag=f'tag{SET_TITLE}', group='grp\x7f'),
        mf.notification(3, 53, 2, 'toast', kept_payload(), T0 + 2 * mf.SECOND, mf.MINUTE,
                        tag=KEPT_TEXT),
    ]


def build_controls(path):
    con = mf.create_database(path, 'DELETE')
    con.execute('BEGIN')
    mf.insert_handlers(con, CONTROLS_HANDLERS)
    mf.insert_notifications(con, controls_notifications())
    mf.insert_channels(con, CONTROLS_CHANNELS)
    mf.insert_metadata(con, 54)
    con.execute('COMMIT')
    payloads = [r[0] for r in con.execute('SELECT Payload FROM Notification ORDER BY [Order]')]
    mf.expect(payloads[1].endswith(ERASE_TWO_LINES), 'controls: the hider payload ends raw')
    mf.expect(b'\xc2\x9b' in payloads[1] and b'\x07' in payloads[1] and b'\x7f' in payloads[1],
              'controls: BEL, DEL or U+009B missing')
    mf.expect(b'\x9b|\xe9' in payloads[2], 'controls: stray bytes missing')
    con.close()


# ---------------------------------------------------------------------------------------
# activity.db
# ---------------------------------------------------------------------------------------

GUID_TEXT = '3f2504e0-4f89-11d3-9a0c-0305e82c3301'
DELETED_GUID_TEXT = '9c1f4b2a-7d3e-4e88-b6a0-51c2d9e8f370'
ACTIVITY_DELETED = 'VELK-CELLS-DELETED-ACTIVITY-1'
# Order -> (stored ActivityId, how the report shows it).
ACTIVITY_IDS = {
    1: (mf.guid(GUID_TEXT), GUID_TEXT),
    2: (GUID_TEXT, GUID_TEXT),
    3: ('abcdefghijklmnop', 'abcdefghijklmnop'),
    4: (bytes(range(1, 9)), '0102030405060708'),
    5: (bytes(range(0xA0, 0xB4)), bytes(range(0xA0, 0xB4)).hex()),
    6: (None, ''),
    7: (b'', ''),
    8: (bytes(16), ''),
    9: (1234, '1234'),
}
ACTIVITY_DELETED_ORDER = 10


def activity_notifications():
    rows = [mf.notification(order, 60 + order, 2, 'toast',
                            mf.toast(f'Activity {order}', 'its ActivityId as stored'),
                            T0 + order * mf.SECOND, mf.MINUTE, activity=stored)
            for order, (stored, _) in ACTIVITY_IDS.items()]
    rows.append(mf.notification(ACTIVITY_DELETED_ORDER, 70, 2, 'toast',
                                mf.toast('Deleted', f'{ACTIVITY_DELETED} keeps its GUID'),
                                T0 + 20 * mf.SECOND, mf.MINUTE, tag=ACTIVITY_DELETED,
                                activity=mf.guid(DELETED_GUID_TEXT)))
    return rows


def build_activity(path):
    con = mf.create_database(path, 'DELETE')
    con.execute('BEGIN')
    mf.insert_handlers(con, CONTROLS_HANDLERS[1:])
    mf.insert_notifications(con, activity_notifications())
    mf.insert_metadata(con, 71)
    con.execute('COMMIT')
    con.execute('BEGIN')
    con.execute('DELETE FROM Notification WHERE [Order] = ?', (ACTIVITY_DELETED_ORDER,))
    con.execute('COMMIT')
    kinds = dict(con.execute('SELECT [Order], typeof(ActivityId) FROM Notification'))
    mf.expect(kinds == {1: 'blob', 2: 'text', 3: 'text', 4: 'blob', 5: 'blob', 6: 'null',
                        7: 'blob', 8: 'blob', 9: 'integer'}, f'activity: stored kinds {kinds}')
    con.close()
    mf.check_in_bytes(path.read_bytes(), 'activity', [ACTIVITY_DELETED])


def write_cells(out_dir, work):
    del work  # written in place
    build_controls(out_dir / 'controls.db')
    build_activity(out_dir / 'activity.db')


SETS = {'cells': write_cells}
