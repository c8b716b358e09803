#!/usr/bin/env python3
"""Writes the seed corpus of the push_record_finder fuzz target from the recovery fixtures.

    python3 tests/fuzz/make_finder_corpus.py

Input: [table bits][chunk]; table bits 0 select all tables. The chunks are the Notification
leaf of recovery/deleted.db (deleted rows in freeblocks), the first frame's page of
recovery/wal.db-wal, the page saved in recovery/journal.db-journal, and hand-made headers of
the three tables, whole and with their first serial type at the chunk's first byte. Every
value is fixed: the same fixtures give the same seeds.
"""

import pathlib

HERE = pathlib.Path(__file__).resolve().parent
RECOVERY = HERE.parent / 'data' / 'recovery'
OUT = HERE / 'corpus' / 'push_record_finder'
PAGE = 4096
ALL, NOTIFICATION, HANDLER, CHANNEL = 0, 1, 2, 4

NOTIFICATION_ROW = (bytes.fromhex('0b 00 01 01 2c 17 20 13 13 06 06 15 07') + bytes([0xa5]) * 16
                    + b'toast' + b'<toast/>..' + bytes(range(16)))
CHANNEL_ROW = bytes.fromhex('09 1b 01 1b 06 06') + b'3;12345' + b'\x09' + b'https:/' + b'1' * 16
HANDLER_ROW = (bytes.fromhex('0a 00 1f 0d 13 17 00 00 33 33') + b'Windows.D' + b'app' + b'wnf..'
               + b'2023-03-14 08:02:11' * 2)
HANDLER_GUID_ROW = (bytes.fromhex('0b 00 55 00 1f 00 00 33 33 00 00')
                    + b'3f2504e0-4f89-11d3-9a0c-0305e82c3301' + b'app:immer'
                    + b'2023-03-14 08:02:11' * 2)


def in_cell(row):
    return b'\x3c\x05' + row + bytes(4)


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    deleted = (RECOVERY / 'deleted.db').read_bytes()
    wal = (RECOVERY / 'wal.db-wal').read_bytes()
    journal = (RECOVERY / 'journal.db-journal').read_bytes()
    seeds = {
        'deleted_leaf': bytes([ALL]) + deleted[6 * PAGE:7 * PAGE],
        'wal_first_frame': bytes([NOTIFICATION]) + wal[32 + 24:32 + 24 + PAGE],
        'journal_page': bytes([ALL]) + journal[512 + 4:512 + 4 + PAGE],
        'headers': bytes([ALL]) + b''.join(in_cell(r) for r in (
            NOTIFICATION_ROW, CHANNEL_ROW, HANDLER_ROW, HANDLER_GUID_ROW)),
        'notification_types_first': bytes([ALL]) + NOTIFICATION_ROW[1:],
        'channel_types_first': bytes([CHANNEL]) + CHANNEL_ROW[1:],
        'handler_types_first': bytes([HANDLER]) + HANDLER_GUID_ROW[1:],
        'notification_cut_at_end': bytes([ALL]) + bytes(PAGE - 40) + NOTIFICATION_ROW[:40],
    }
    for name, data in seeds.items():
        (OUT / name).write_bytes(data)
    print(f'{len(seeds)} seeds in {OUT}')


if __name__ == '__main__':
    main()
