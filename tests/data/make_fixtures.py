#!/usr/bin/env python3
"""Writes velk's committed test fixtures beside this script.

    python3 tests/data/make_fixtures.py

Every value is fixed: no clock, no randomness of our own. SQLite itself puts random salts
into a write-ahead log and a random nonce into a rollback journal, so those two files differ
from run to run in their headers and checksums; everything else is the same bytes each time.
The script checks what it wrote and stops with a message and status 1 when anything is off.
See README.md beside it for what each fixture holds.
"""

import datetime
import importlib
import pathlib
import shutil
import sqlite3
import struct
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
PAGE_SIZE = 4096

# The push-notification schema, byte for byte as the platform stores it in sqlite_master,
# in the platform's order (so root pages fall as in a real database: 2 to 21).
SCHEMA = [
    ('table', 'NotificationHandler', 'CREATE TABLE [NotificationHandler] ( [RecordId] INTEGER PRIMARY KEY, [PrimaryId] TEXT NOT NULL COLLATE NOCASE, [WNSId] TEXT COLLATE NOCASE, [HandlerType] TEXT, [WNFEventName] INT64, [SystemDataPropertySet] BLOB, [CreatedTime] DATETIME, [ModifiedTime] DATETIME, [ParentId] TEXT COLLATE NOCASE, [ContainerSid] TEXT COLLATE NOCASE)'),
    ('index', 'byHandlerName', 'CREATE UNIQUE INDEX [byHandlerName] ON [NotificationHandler] ([PrimaryId])'),
    ('table', 'HandlerSettings', 'CREATE TABLE [HandlerSettings]( [HandlerId] INTEGER CONSTRAINT[SettingsToHandler] REFERENCES[NotificationHandler]([RecordId]) ON DELETE CASCADE ON UPDATE CASCADE, [SettingKey] TEXT NOT NULL, [Value] INT, CONSTRAINT[] PRIMARY KEY([SettingKey], [HandlerId]) ON CONFLICT REPLACE)'),
    ('index', 'bySetting', 'CREATE INDEX [bySetting] ON[HandlerSettings] ([SettingKey], [Value])'),
    ('table', 'Notification', "CREATE TABLE [Notification]( [Order] INTEGER NOT NULL PRIMARY KEY, [Id] INTEGER NOT NULL, [HandlerId] INTEGER CONSTRAINT[NotificationToHandler] REFERENCES[NotificationHandler]([RecordId]) ON DELETE CASCADE ON UPDATE CASCADE, [ActivityId] GUID,[Type] TEXT NOT NULL, [Payload] BLOB, [Tag] TEXT, [Group] TEXT, [ExpiryTime] INT64, [ArrivalTime] INT64, [DataVersion] INT64 DEFAULT '0', [PayloadType] TEXT NOT NULL, [BootId] INT64 DEFAULT '0', [ExpiresOnReboot] BOOLEAN DEFAULT 'FALSE', UNIQUE([Id]) ON CONFLICT REPLACE)"),
    ('index', 'notificationById', 'CREATE INDEX [notificationById] ON [Notification] ([Id])'),
    ('index', 'notificationByApp', 'CREATE INDEX [notificationByApp] ON [Notification] ([HandlerId])'),
    ('index', 'notificationByActivityId', 'CREATE INDEX [notificationByActivityId] ON [Notification] ([ActivityId])'),
    ('index', 'notificationByAppByType', 'CREATE INDEX [notificationByAppByType] ON [Notification] ([HandlerId], [Type])'),
    ('index', 'notificationByTagGroup', 'CREATE INDEX [notificationByTagGroup] ON [Notification] ([HandlerId], [Type], [Group], [Tag])'),
    ('index', 'notificationByType', 'CREATE INDEX [notificationByType] ON [Notification] ([Type])'),
    ('index', 'notificationExpired', 'CREATE INDEX [notificationExpired] ON [Notification] ([ExpiryTime] DESC)'),
    ('table', 'WNSPushChannel', "CREATE TABLE [WNSPushChannel]( [ChannelId] TEXT NOT NULL, [HandlerId] INTEGER REFERENCES[NotificationHandler]([RecordId]) ON DELETE CASCADE ON UPDATE CASCADE, [Uri] TEXT, [ExpiryTime] INT64, [CreatedTime] INT64, [DeviceVersion] INT64 DEFAULT '0', CONSTRAINT[] PRIMARY KEY([ChannelId]) ON CONFLICT REPLACE)"),
    ('index', 'channelByApp', 'CREATE INDEX [channelByApp] ON [WNSPushChannel] ([HandlerId])'),
    ('index', 'channelExpired', 'CREATE INDEX [channelExpired] ON [WNSPushChannel] ([ExpiryTime] DESC)'),
    ('table', 'Metadata', 'CREATE TABLE [Metadata]( [Key] TEXT, [Value] INT64, CONSTRAINT[] PRIMARY KEY([Key]) ON CONFLICT REPLACE)'),
]
TABLES = ['NotificationHandler', 'HandlerSettings', 'Notification', 'WNSPushChannel', 'Metadata']

# Markers: each row removed from a fixture carries one, so a test can find its residue.
DELETED_HANDLER = 'VELK-DELETED-HANDLER-1'
DELETED_NOTIFICATIONS = ['VELK-DELETED-NOTIFICATION-1', 'VELK-DELETED-NOTIFICATION-2',
                         'VELK-DELETED-NOTIFICATION-3']
WAL_INSERTED = ['VELK-WAL-INSERTED-NOTIFICATION-1', 'VELK-WAL-INSERTED-NOTIFICATION-2']
WAL_UPDATE_BEFORE = 'VELK-WAL-UPDATE-BEFORE-1'
WAL_UPDATE_AFTER = 'VELK-WAL-UPDATE-AFTER-1'
WAL_DELETED = 'VELK-WAL-DELETED-NOTIFICATION-1'
JOURNAL_DELETED = 'VELK-JOURNAL-DELETED-NOTIFICATION-1'
JOURNAL_INSERTED = 'VELK-JOURNAL-INSERTED-NOTIFICATION-1'

WAL_MAGICS = (0x377F0682, 0x377F0683)
WAL_HEADER_SIZE = 32
WAL_FRAME_HEADER_SIZE = 24
JOURNAL_MAGIC = bytes.fromhex('d9d505f920a163d7')


def fail(message):
    print(f'make_fixtures: FAILED: {message}', file=sys.stderr)
    sys.exit(1)


def expect(condition, message):
    if not condition:
        fail(message)


# ---------------------------------------------------------------------------------------
# Values
# ---------------------------------------------------------------------------------------

FILETIME_EPOCH = datetime.datetime(1601, 1, 1)


def filetime(year, month, day, hour, minute, second, ticks=0):
    """100-nanosecond ticks since 1601-01-01 UTC, from a fixed date (never the clock)."""
    delta = datetime.datetime(year, month, day, hour, minute, second) - FILETIME_EPOCH
    return (delta.days * 86400 + delta.seconds) * 10_000_000 + ticks


SECOND = 10_000_000
MINUTE = 60 * SECOND
DAY = 86400 * SECOND
BOOT_ID = filetime(2023, 3, 14, 8, 1, 37, 1_234_567)
ZERO_GUID = bytes(16)


def guid(text):
    """A GUID's 16 stored bytes in the Windows layout (first three fields little-endian)."""
    h = text.replace('-', '')
    raw = bytes.fromhex(h)
    return raw[3::-1] + raw[5:3:-1] + raw[7:5:-1] + raw[8:]


def toast(line1, line2, launch='', scenario=''):
    attrs = f" launch='{launch}'" if launch else ''
    attrs += f" scenario='{scenario}'" if scenario else ''
    return (f"<toast{attrs}><visual><binding template='ToastGeneric'>"
            f"<text id='1'>{line1}</text><text id='2'>{line2}</text>"
            f"</binding></visual></toast>").encode('utf-8')


def tile(line1, line2):
    return ('<tile><visual><binding template="TileMedium" branding="name">'
            f'<text hint-style="caption">{line1}</text>'
            f'<text hint-style="captionSubtle" hint-wrap="true">{line2}</text>'
            '</binding></visual></tile>').encode('utf-8')


def badge(value):
    return f'<badge value="{value}"/>'.encode('utf-8')


# (RecordId, PrimaryId, WNSId, HandlerType, WNFEventName, CreatedTime); ModifiedTime is the
# created time except where a later change is noted.
HANDLERS = [
    (1, 'FamilySafety_Settings', 'windows.familysafety_cw5n1h2txyewy', 'app:system',
     4725692431943338101, '2023-03-14 08:02:11'),
    (2, 'Windows.Defender', 'System', 'app:system', None, '2023-03-14 08:02:11'),
    (3, 'Windows.SystemToast.AutoPlay', 'System', 'app:system', None, '2023-03-14 08:02:11'),
    (4, 'Windows.SystemToast.BackupReminder', 'System', 'app:system', None,
     '2023-03-14 08:02:12'),
    (5, 'Microsoft.Windows.ShellExperienceHost_cw5n1h2txyewy!App', None, 'app:immersive', None,
     '2023-03-14 08:02:14'),
    (6, 'Microsoft.WindowsStore_8wekyb3d8bbwe!App', None, 'app:immersive', None,
     '2023-03-14 08:02:15'),
    (7, 'microsoft.windowscommunicationsapps_8wekyb3d8bbwe!microsoft.windowslive.mail', None,
     'app:immersive', None, '2023-03-14 08:02:15'),
    (8, f'Contoso.{DELETED_HANDLER}_8wekyb3d8bbwe!App', None, 'app:immersive', None,
     '2023-03-14 08:02:16'),
    (9, 'Microsoft.SkypeApp_kzf8qxf38zg5c!App', None, 'app:immersive', None,
     '2023-03-14 08:02:16'),
    (10, 'windows.immersivecontrolpanel_cw5n1h2txyewy!microsoft.windows.immersivecontrolpanel',
     'NonImmersivePackage', 'app:desktop', None, '2023-03-14 08:03:40'),
    (11, 'Microsoft.People_8wekyb3d8bbwe!x4c7a3b7dy2188y46d4ya362y19ac5a5805e5x', None,
     'app:immersive', None, '2023-03-14 08:05:02'),
    (12, 'Microsoft.Office.OUTLOOK.EXE.15', 'NonImmersivePackage', 'app:desktop', None,
     '2023-03-14 09:12:47'),
    (13, 'MSEdge', 'NonImmersivePackage', 'app:desktop', None, '2023-03-14 09:40:05'),
]
HANDLER_MODIFIED = {9: '2023-03-15 07:55:31'}
SAMPLE_DELETED_HANDLER_ID = 8
# The platform keeps 24 keys per handler; a few are enough here.
SETTING_KEYS = [('s:toast', 1), ('s:tile', 1), ('s:badge', 1), ('s:banner', 1),
                ('s:lock:toast', 1), ('c:toast', 0)]
METADATA = [('tile:maxCount', 5), ('toast:maxCount', 20), ('badge:maxCount', 1),
            ('toastCondensed:maxCount', 80), ('DB_INTIIALIZED', 1), ('OutlookQuirkEnabled', 1)]
# (ChannelId, HandlerId, Uri, CreatedTime); channels expire 30 days after creation.
CHANNELS = [
    ('5f0c8d2e4b7a41c3a9e6d1b08f27c364', 6,
     'https://db5p.notify.windows.com/w/?token=BQYAAACm1sXb3kq%2bKQ7pR2Y0fN8uVhW4ZcTjLxA9e'
     'GdHoP5iUrEs6MyBvJnCw3Dq1lFaIt%2fS7gKz0OmXpYbRcN4eWuHjQ%3d', filetime(2023, 3, 14, 8, 6, 12)),
    ('a8e31f7d09c24b5e8d6f0e1a2b3c4d5e', 7,
     'https://db5p.notify.windows.com/w/?token=BQYAAADx9Tz2Lm0%2fqW8eRk3Yc5vBn1HsJ7gUa4Pd'
     'Ei6FoK2rNtMy0XbQlC9wVjZh3S%2bpDuGfA8nIkOxTe5Ry1Wm%3d', filetime(2023, 3, 14, 8, 6, 40)),
    ('c3d9b6a1e5f74820b1c7d3e9f0a2b4c6', 9,
     'https://bn3p.notify.windows.com/w/?token=BQYAAAB7qKp4Vn%2bXe1Gc9Ls0dTf6RmZ3HyJ8aWuEi'
     '2OoBt5NkQr7MxS1vCgYhDzP4lAjF%2fU6wIe0bKsTn9Xc%3d', filetime(2023, 3, 14, 9, 2, 5)),
]


def notification(order, nid, handler, kind, payload, arrival, life, tag='', group='',
                 activity=ZERO_GUID):
    return (order, nid, handler, activity, kind, payload, tag, group, arrival + life, arrival,
            0, 'Xml', BOOT_ID, 0)


def sample_notifications():
    t = filetime(2023, 3, 14, 9, 26, 53, 5_897_932)
    crlf = toast('Lunch?', 'Are you free at noon?\r\nWe could try the new place.\rSee you',
                 launch='skype:chat?id=8:live:alice')
    return [
        notification(1, 21, 10, 'toast', toast('Setting up a device',
                     "We're setting up 'USB Receiver'.",
                     launch='ms-settings:connecteddevices'), t, MINUTE),
        notification(2, 22, 2, 'toast', toast('Virus &amp; threat protection',
                     'Quick scan finished. No threats found.', launch='windowsdefender://threat'),
                     t + 4 * MINUTE + 1_111_111, 3 * DAY,
                     activity=guid('3f2504e0-4f89-11d3-9a0c-0305e82c3301')),
        notification(3, 23, 7, 'toast', toast('Invoice 4471',
                     f'{DELETED_NOTIFICATIONS[0]} please settle by Friday'),
                     t + 9 * MINUTE + 2_222_222, 3 * DAY, tag=DELETED_NOTIFICATIONS[0],
                     group='Inbox'),
        notification(4, 24, 6, 'tile', tile('Store', '3 updates are ready to install'),
                     t + 12 * MINUTE + 3_333_333, 3 * DAY),
        notification(5, 25, 7, 'badge', badge(3), t + 15 * MINUTE + 4_444_444, 3 * DAY),
        notification(6, 26, 9, 'toast', crlf, t + 21 * MINUTE + 5_555_555, 3 * DAY,
                     tag='chat-8-live-alice', group='Messages',
                     activity=guid('9c1f4b2a-7d3e-4e88-b6a0-51c2d9e8f370')),
        notification(7, 27, 6, 'tile', tile('Store', f'{DELETED_NOTIFICATIONS[1]} deal of the day'),
                     t + 26 * MINUTE + 6_666_666, 3 * DAY, tag=DELETED_NOTIFICATIONS[1]),
        notification(8, 28, 7, 'toast', toast('Grüße aus München',
                     'Ihr Termin am Montag um 10:30 ist bestätigt ✓ — 東京 オフィス'),
                     t + 31 * MINUTE + 7_777_777, 3 * DAY, tag='Grüße-München', group='Inbox'),
        notification(9, 29, 12, 'toast', toast('Meeting moved',
                     'Hi Alice, the review is now at 3 PM, room 4, building B.'),
                     t + 35 * MINUTE + 8_888_888, 3 * DAY, tag='mtg-2231', group='Inbox,Work'),
        notification(10, 30, 1, 'toast', toast('Screen time',
                     f'{WAL_UPDATE_BEFORE} one hour left today', launch='ms-settings:family'),
                     t + 42 * MINUTE + 9_999_999, 60 * MINUTE),
        notification(11, 31, 9, 'toast', toast('Missed call',
                     f'{WAL_DELETED} Bob tried to call you'), t + 48 * MINUTE + 1_212_121,
                     3 * DAY, tag=WAL_DELETED, group='Calls'),
        notification(12, 32, 5, 'toast', toast('Focus assist',
                     f'{DELETED_NOTIFICATIONS[2]} 2 notifications while you were busy'),
                     t + 53 * MINUTE + 3_434_343, MINUTE, tag=DELETED_NOTIFICATIONS[2]),
        notification(13, 33, 11, 'tile', tile('People', 'Carol changed her profile picture'),
                     t + 57 * MINUTE + 5_656_565, 3 * DAY),
    ]


SAMPLE_DELETED_ORDERS = [3, 7, 12]
WAL_UPDATED_ORDER = 10
WAL_DELETED_ORDER = 11


def wal_inserted_notifications():
    t = filetime(2023, 3, 15, 7, 58, 2, 4_747_474)
    return [
        notification(14, 34, 9, 'toast', toast('Bob', f'{WAL_INSERTED[0]} call me back, please'),
                     t, 3 * DAY, tag='chat-8-live-bob', group='Messages'),
        notification(15, 35, 7, 'badge', badge(4), t + 2 * MINUTE + 5_151_515, 3 * DAY,
                     tag=WAL_INSERTED[1]),
    ]


# ---------------------------------------------------------------------------------------
# Writing
# ---------------------------------------------------------------------------------------

def connect(path):
    """Autocommit connection: every transaction below is an explicit BEGIN/COMMIT."""
    con = sqlite3.connect(str(path), isolation_level=None)
    # Debian builds SQLite with secure delete on; residue is what the carver looks for.
    con.execute('PRAGMA secure_delete=OFF')
    expect(con.execute('PRAGMA secure_delete').fetchone()[0] == 0, 'secure_delete stays on')
    return con


def create_database(path, journal_mode, page_size=PAGE_SIZE):
    con = connect(path)
    con.execute(f'PRAGMA page_size={page_size}')
    con.execute('PRAGMA auto_vacuum=NONE')
    mode = con.execute(f'PRAGMA journal_mode={journal_mode}').fetchone()[0]
    expect(mode == journal_mode.lower(), f'journal_mode {journal_mode} gave {mode}')
    con.execute('BEGIN')
    for _, _, sql in SCHEMA:
        con.execute(sql)
    con.execute('PRAGMA user_version=7')
    con.execute('COMMIT')
    return con


def insert_handlers(con, handlers):
    for rid, primary, wns, kind, wnf, created in handlers:
        modified = HANDLER_MODIFIED.get(rid, created)
        con.execute('INSERT INTO NotificationHandler (RecordId, PrimaryId, WNSId, HandlerType, '
                    'WNFEventName, SystemDataPropertySet, CreatedTime, ModifiedTime, ParentId, '
                    'ContainerSid) VALUES (?, ?, ?, ?, ?, NULL, ?, ?, NULL, NULL)',
                    (rid, primary, wns, kind, wnf, created, modified))


def insert_settings(con, handler_ids):
    for rid in handler_ids:
        for key, value in SETTING_KEYS:
            con.execute('INSERT INTO HandlerSettings (HandlerId, SettingKey, Value) '
                        'VALUES (?, ?, ?)', (rid, key, value))


def insert_notifications(con, rows):
    con.executemany('INSERT INTO Notification ([Order], Id, HandlerId, ActivityId, Type, '
                    'Payload, Tag, [Group], ExpiryTime, ArrivalTime, DataVersion, PayloadType, '
                    'BootId, ExpiresOnReboot) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)',
                    rows)


def insert_channels(con, channels):
    for cid, handler, uri, created in channels:
        con.execute('INSERT INTO WNSPushChannel (ChannelId, HandlerId, Uri, ExpiryTime, '
                    'CreatedTime, DeviceVersion) VALUES (?, ?, ?, ?, ?, 0)',
                    (cid, handler, uri, created + 30 * DAY, created))


def insert_metadata(con, next_id):
    con.executemany('INSERT INTO Metadata (Key, Value) VALUES (?, ?)',
                    METADATA + [('CurrentNotificationId', next_id)])


def fill_sample(con):
    """Base content: inserts first, deletes after, so no later insert reuses the freed space."""
    con.execute('BEGIN')
    insert_handlers(con, HANDLERS)
    insert_settings(con, [h[0] for h in HANDLERS if h[0] != SAMPLE_DELETED_HANDLER_ID])
    insert_notifications(con, sample_notifications())
    insert_channels(con, CHANNELS)
    insert_metadata(con, 34)
    con.execute('COMMIT')
    con.execute('BEGIN')
    con.execute('DELETE FROM NotificationHandler WHERE RecordId = ?',
                (SAMPLE_DELETED_HANDLER_ID,))
    con.execute('COMMIT')
    for order in SAMPLE_DELETED_ORDERS:
        con.execute('BEGIN')
        con.execute('DELETE FROM Notification WHERE [Order] = ?', (order,))
        con.execute('COMMIT')


def write_wal_batch(con):
    """The last transactions, left in the WAL: an insert, an update and a delete."""
    con.execute('BEGIN')
    insert_notifications(con, wal_inserted_notifications())
    con.execute("UPDATE Metadata SET Value = 36 WHERE Key = 'CurrentNotificationId'")
    con.execute('COMMIT')
    con.execute('BEGIN')
    payload = toast('Screen time', f'{WAL_UPDATE_AFTER} time is up for today',
                    launch='ms-settings:family')
    con.execute('UPDATE Notification SET Payload = ?, DataVersion = 1 WHERE [Order] = ?',
                (payload, WAL_UPDATED_ORDER))
    con.execute('COMMIT')
    con.execute('BEGIN')
    con.execute('DELETE FROM Notification WHERE [Order] = ?', (WAL_DELETED_ORDER,))
    con.execute('COMMIT')


def build_sample(work, out_dir):
    db = work / 'wpndatabase.db'
    con = create_database(db, 'WAL')
    con.execute('PRAGMA wal_autocheckpoint=0')
    fill_sample(con)
    busy, _, _ = con.execute('PRAGMA wal_checkpoint(TRUNCATE)').fetchone()
    expect(busy == 0, 'checkpoint of the base content was blocked')
    expect(pathlib.Path(f'{db}-wal').stat().st_size == 0, 'checkpoint left frames in the WAL')
    write_wal_batch(con)
    # Copy while this connection still holds the frames: closing the last connection
    # would checkpoint them into the main file and delete the -wal.
    shutil.copyfile(db, out_dir / 'wpndatabase.db')
    shutil.copyfile(f'{db}-wal', out_dir / 'wpndatabase.db-wal')
    con.close()


# Journal fixture: a small push database in rollback-journal mode, caught mid-transaction.
JOURNAL_HANDLERS = [h for h in HANDLERS if h[0] in (2, 7, 9, 10)]


def journal_notifications():
    rows = [r for r in sample_notifications() if r[0] in (1, 2, 5, 6)]
    t = filetime(2023, 3, 16, 18, 4, 9, 6_060_606)
    rows.append(notification(16, 36, 7, 'toast', toast('Parcel',
                f'{JOURNAL_DELETED} your parcel was delivered to the front door'),
                t, 3 * DAY, group='Inbox'))
    return rows


def journal_transaction(con):
    """Deletes the marked row and registers a new app; big enough to spill to the file."""
    con.execute('BEGIN')
    con.execute('DELETE FROM Notification WHERE [Order] = 16')
    insert_handlers(con, [h for h in HANDLERS if h[0] in (6, 11, 12, 13)])
    insert_settings(con, [6, 11, 12, 13])
    t = filetime(2023, 3, 16, 18, 9, 44, 7_070_707)
    text = ' '.join(f'{JOURNAL_INSERTED} line {i} of the release notes.' for i in range(120))
    insert_notifications(con, [notification(17, 37, 6, 'toast',
                                            toast('What is new', text), t, 3 * DAY)])


def build_journal(work, out_dir):
    db = work / 'wpndatabase.db'
    con = create_database(db, 'DELETE')
    con.execute('BEGIN')
    insert_handlers(con, JOURNAL_HANDLERS)
    insert_settings(con, [h[0] for h in JOURNAL_HANDLERS])
    insert_notifications(con, journal_notifications())
    insert_channels(con, [c for c in CHANNELS if c[1] in (7, 9)])
    insert_metadata(con, 37)
    con.execute('COMMIT')
    before = db.read_bytes()
    # A small cache makes SQLite write changed pages into the database file before commit
    # (after syncing the journal, which makes it hot); secure delete zeroes the deleted
    # cell there, so the marked row survives in the journal alone.
    con.execute('PRAGMA cache_size=10')
    con.execute('PRAGMA secure_delete=ON')
    journal_transaction(con)
    shutil.copyfile(db, out_dir / 'wpndatabase.db')
    shutil.copyfile(f'{db}-journal', out_dir / 'wpndatabase.db-journal')
    con.execute('ROLLBACK')
    con.close()
    return before


# ---------------------------------------------------------------------------------------
# Damage
# ---------------------------------------------------------------------------------------

def page_slice(data, page):
    start = (page - 1) * PAGE_SIZE
    return start, data[start:start + PAGE_SIZE]


def btree_header_at(page):
    return 100 if page == 1 else 0


def btree_children(data, page):
    _, body = page_slice(data, page)
    hdr = btree_header_at(page)
    kind = body[hdr]
    if kind not in (0x02, 0x05):
        return []
    count = struct.unpack_from('>H', body, hdr + 3)[0]
    right = struct.unpack_from('>I', body, hdr + 8)[0]
    children = []
    for i in range(count):
        cell = struct.unpack_from('>H', body, hdr + 12 + 2 * i)[0]
        children.append(struct.unpack_from('>I', body, cell)[0])
    return children + [right]


def table_leaves(data, root):
    """Leaf pages of a table b-tree, left to right (the sample is two levels deep at most)."""
    leaves, todo, seen = [], [root], set()
    while todo:
        page = todo.pop(0)
        expect(page not in seen and len(seen) < 64, f'b-tree loop at page {page}')
        seen.add(page)
        _, body = page_slice(data, page)
        if body[btree_header_at(page)] == 0x0D:
            leaves.append(page)
        else:
            todo[:0] = btree_children(data, page)
    return leaves


def freeblocks(data, page):
    _, body = page_slice(data, page)
    hdr = btree_header_at(page)
    chain, at = [], struct.unpack_from('>H', body, hdr + 1)[0]
    while at != 0:
        expect(at not in chain and at + 4 <= PAGE_SIZE, f'bad freeblock chain on page {page}')
        chain.append(at)
        at = struct.unpack_from('>H', body, at)[0]
    return chain


def root_page(data_path, table):
    con = sqlite3.connect(f'file:{data_path}?mode=ro&immutable=1', uri=True)
    root = con.execute('SELECT rootpage FROM sqlite_master WHERE name = ?', (table,)).fetchone()
    con.close()
    return root[0]


def damage_cell_pointer(data, page):
    """Points the second cell of a leaf at an offset past the end of the page."""
    buf = bytearray(data)
    start, body = page_slice(data, page)
    hdr = btree_header_at(page)
    expect(struct.unpack_from('>H', body, hdr + 3)[0] >= 3, f'page {page} has too few cells')
    struct.pack_into('>H', buf, start + hdr + 8 + 2, 0x2000)
    return bytes(buf)


def damage_freeblock_loop(data, page):
    """Links the last freeblock of a page back to its first one."""
    buf = bytearray(data)
    start, _ = page_slice(data, page)
    chain = freeblocks(data, page)
    struct.pack_into('>H', buf, start + chain[-1], chain[0])
    return bytes(buf)


def build_damaged(sample_db, out_dir):
    data = sample_db.read_bytes()
    leaves = table_leaves(data, root_page(sample_db, 'Notification'))
    leaf = max(leaves, key=lambda p: struct.unpack_from('>H', data, (p - 1) * PAGE_SIZE + 3)[0])
    with_freeblocks = [p for p in leaves if freeblocks(data, p)]
    expect(with_freeblocks, 'no notification leaf of the sample holds a freeblock')
    (out_dir / 'cell_pointer_past_end.db').write_bytes(damage_cell_pointer(data, leaf))
    (out_dir / 'freeblock_loop.db').write_bytes(damage_freeblock_loop(data, with_freeblocks[0]))
    # Cut in the middle of the first notification leaf: the page header and cell pointers
    # remain, the cells stored near the end of the page are gone.
    cut = (leaves[0] - 1) * PAGE_SIZE + PAGE_SIZE // 2 + 123
    (out_dir / 'truncated.db').write_bytes(data[:cut])
    return {'cell_pointer_past_end.db': leaf, 'freeblock_loop.db': with_freeblocks[0],
            'truncated.db': leaves[0]}


# ---------------------------------------------------------------------------------------
# Checks of what was written
# ---------------------------------------------------------------------------------------

def open_copy(files, scratch):
    """Opens a scratch copy: SQLite writes a -shm, checkpoints or rolls back as it opens."""
    shutil.rmtree(scratch, ignore_errors=True)
    scratch.mkdir(parents=True)
    for f in files:
        shutil.copyfile(f, scratch / f.name)
    return sqlite3.connect(str(scratch / files[0].name), isolation_level=None)


def row_counts(con):
    return {t: con.execute(f'SELECT count(*) FROM [{t}]').fetchone()[0] for t in TABLES}


def live_bytes(con):
    """Every value of every live row, as bytes, for looking markers up."""
    parts = []
    for t in TABLES:
        for row in con.execute(f'SELECT * FROM [{t}]'):
            for v in row:
                parts.append(v if isinstance(v, bytes) else str(v).encode('utf-8'))
    return b'\0'.join(parts)


def check_live(con, label, present, absent):
    live = live_bytes(con)
    for m in present:
        expect(m.encode() in live, f'{label}: marker {m} is not in a live row')
    for m in absent:
        expect(m.encode() not in live, f'{label}: marker {m} is still in a live row')


def check_in_bytes(data, label, markers):
    for m in markers:
        expect(m.encode() in data, f'{label}: marker {m} is not in the raw bytes')


def check_db_header(data, label, rollback_or_wal):
    expect(data[:16] == b'SQLite format 3\0', f'{label}: not an SQLite 3 file')
    expect(struct.unpack_from('>H', data, 16)[0] == PAGE_SIZE, f'{label}: page size')
    expect(data[18] == rollback_or_wal and data[19] == rollback_or_wal,
           f'{label}: file format bytes {data[18]}/{data[19]}')
    expect(struct.unpack_from('>I', data, 52)[0] == 0, f'{label}: auto_vacuum is on')
    expect(struct.unpack_from('>I', data, 60)[0] == 7, f'{label}: user_version')


def check_schema(con, label):
    rows = [r for r in con.execute('SELECT type, name, sql FROM sqlite_master ORDER BY rowid')
            if r[2] is not None]
    expect(rows == [tuple(s) for s in SCHEMA], f'{label}: schema differs from the platform\'s')
    expect(con.execute('PRAGMA integrity_check').fetchone()[0] == 'ok',
           f'{label}: integrity check failed')


def check_wal(wal):
    expect(len(wal) > WAL_HEADER_SIZE, 'sample: -wal holds no frame')
    magic, version, page_size = struct.unpack_from('>III', wal, 0)
    expect(magic in WAL_MAGICS and version == 3007000 and page_size == PAGE_SIZE,
           'sample: -wal header')
    frames, rest = divmod(len(wal) - WAL_HEADER_SIZE, WAL_FRAME_HEADER_SIZE + PAGE_SIZE)
    expect(rest == 0, 'sample: -wal ends inside a frame')
    return frames


SAMPLE_COUNTS = {'NotificationHandler': 12, 'HandlerSettings': 72, 'Notification': 10,
                 'WNSPushChannel': 3, 'Metadata': 7}


def check_sample(out_dir, scratch):
    db, wal_path = out_dir / 'wpndatabase.db', out_dir / 'wpndatabase.db-wal'
    main, wal = db.read_bytes(), wal_path.read_bytes()
    check_db_header(main, 'sample', 2)
    frames = check_wal(wal)
    deleted = DELETED_NOTIFICATIONS + [DELETED_HANDLER]
    # Base deletions were checkpointed: their residue is in the main file.
    check_in_bytes(main, 'sample main file', deleted + [WAL_UPDATE_BEFORE, WAL_DELETED])
    check_in_bytes(wal, 'sample -wal', WAL_INSERTED + [WAL_UPDATE_AFTER, WAL_DELETED])
    for m in WAL_INSERTED + [WAL_UPDATE_AFTER]:
        expect(m.encode() not in main, f'sample main file: WAL-only marker {m} is in it')

    con = open_copy([db], scratch / 'main_alone')
    check_schema(con, 'sample main file alone')
    expect(row_counts(con) == SAMPLE_COUNTS, f'sample main file alone: {row_counts(con)}')
    check_live(con, 'sample main file alone', [WAL_UPDATE_BEFORE, WAL_DELETED],
               deleted + WAL_INSERTED + [WAL_UPDATE_AFTER])
    con.close()

    con = open_copy([db, wal_path], scratch / 'with_wal')
    check_schema(con, 'sample with -wal')
    counts = dict(SAMPLE_COUNTS, Notification=11)
    expect(row_counts(con) == counts, f'sample with -wal: {row_counts(con)}')
    check_live(con, 'sample with -wal', WAL_INSERTED + [WAL_UPDATE_AFTER],
               deleted + [WAL_UPDATE_BEFORE, WAL_DELETED])
    expect(con.execute("SELECT Value FROM Metadata WHERE Key='CurrentNotificationId'")
           .fetchone()[0] == 36, 'sample with -wal: CurrentNotificationId')
    con.close()
    return frames


def changed_pages(a, b):
    n = max(len(a), len(b))
    return [p // PAGE_SIZE + 1 for p in range(0, n, PAGE_SIZE)
            if a[p:p + PAGE_SIZE] != b[p:p + PAGE_SIZE]]


def check_journal(out_dir, before, scratch):
    db, journal = out_dir / 'wpndatabase.db', out_dir / 'wpndatabase.db-journal'
    main, jrnl = db.read_bytes(), journal.read_bytes()
    check_db_header(main, 'journal db', 1)
    expect(jrnl[:8] == JOURNAL_MAGIC, 'journal: header is not that of a hot journal')
    expect(struct.unpack_from('>I', jrnl, 24)[0] == PAGE_SIZE, 'journal: page size')
    check_in_bytes(jrnl, 'journal', [JOURNAL_DELETED])
    expect(JOURNAL_DELETED.encode() not in main,
           'journal db: the deleted row was not written out (no cache spill)')
    expect(changed_pages(before, main), 'journal db: no changed page reached the file')
    con = open_copy([db, journal], scratch / 'rollback')
    expect(row_counts(con)['Notification'] == 5, 'journal: rollback lost rows')
    check_live(con, 'journal rolled back', [JOURNAL_DELETED], [JOURNAL_INSERTED])
    check_schema(con, 'journal rolled back')
    con.close()
    expect((scratch / 'rollback' / db.name).read_bytes() == before,
           'journal: rolling back does not give the database before the transaction')
    return changed_pages(before, main)


def check_damaged(out_dir, sample_db, pages, scratch):
    sample = sample_db.read_bytes()
    for name in ('cell_pointer_past_end.db', 'freeblock_loop.db'):
        data = (out_dir / name).read_bytes()
        expect(changed_pages(sample, data) == [pages[name]],
               f'damaged {name}: damage is not on page {pages[name]} alone')
        con = open_copy([out_dir / name], scratch / name)
        result = con.execute('PRAGMA integrity_check').fetchone()[0]
        con.close()
        expect(result != 'ok', f'damaged {name}: SQLite finds nothing wrong')
    data = (out_dir / 'truncated.db').read_bytes()
    expect(sample.startswith(data) and len(data) % PAGE_SIZE != 0,
           'damaged truncated.db: not a cut-short copy of the sample')
    expect(len(data) // PAGE_SIZE + 1 == pages['truncated.db'],
           'damaged truncated.db: cut is not inside the notification leaf')


# ---------------------------------------------------------------------------------------
# Record-format fixtures: every serial type, overflow chains and b-trees of three levels on
# 1024-byte pages, once in UTF-8 and once in UTF-16le (the same rows).
# ---------------------------------------------------------------------------------------

RECORDS_PAGE_SIZE = 1024
RECORDS_SCHEMA = [
    'CREATE TABLE kinds (value, label TEXT)',
    'CREATE TABLE many (n INTEGER PRIMARY KEY, word TEXT, pad TEXT, r REAL)',
    'CREATE INDEX many_word ON many (word)',
    'CREATE TABLE spill (body TEXT, data BLOB)',
    'CREATE TABLE keyed (k TEXT, n INTEGER)',
    'CREATE INDEX keyed_k ON keyed (k)',
    'CREATE TABLE named (name TEXT UNIQUE, note TEXT)',
    'CREATE VIEW kind_labels AS SELECT label FROM kinds',
]
RECORDS_TABLES = ['kinds', 'many', 'spill', 'keyed', 'named']
MANY_ROWS = 3000
KEYED_ROWS = 60

# One row per serial type the format has (the value first, so that a NULL value shows as
# the rowid, as SQLite stores an INTEGER PRIMARY KEY alias).
KIND_VALUES = [
    ('null', None), ('zero', 0), ('one', 1),
    ('int8', 100), ('int8 minus one', -1),
    ('int16', 1000), ('int16 minus 129', -129),
    ('int24', 100000), ('int24 min', -8388608),
    ('int32', 1 << 30), ('int32 min', -(1 << 31)),
    ('int48', 1 << 40), ('int48 min', -(1 << 47)),
    ('int64', 1 << 62), ('int64 min', -(1 << 63)), ('int64 max', (1 << 63) - 1),
    ('real 1.5', 1.5), ('real -2.25', -2.25), ('real 0.1', 0.1),
    ('empty text', ''), ('text', 'hello'), ('text non-ascii', 'Grüße aus München ✓ 東京'),
    ('text with line breaks', 'one\r\ntwo\nthree'),
    ('long text', 'x' * 700),
    ('empty blob', b''), ('blob 16', bytes(range(16))), ('blob 17', bytes(range(0x41, 0x52))),
    ('text of 18 digits', '132521874959025799'),
]


def spill_body():
    return ''.join(f'line {i:04d} of a text that spills to overflow pages; ' for i in range(60))


def records_rows():
    many = [(n, f'word{(n * 7919) % MANY_ROWS:05d}', f'pad {n} ' + 'p' * (20 + n % 30),
             n / 8.0) for n in range(1, MANY_ROWS + 1)]
    keyed = [(f'key {n:03d} ' + 'k' * 280, n) for n in range(KEYED_ROWS)]
    return many, keyed


def build_records(path, encoding):
    con = sqlite3.connect(str(path), isolation_level=None)
    con.execute(f'PRAGMA page_size={RECORDS_PAGE_SIZE}')
    con.execute(f"PRAGMA encoding='{encoding}'")
    con.execute('PRAGMA auto_vacuum=NONE')
    con.execute('BEGIN')
    for sql in RECORDS_SCHEMA:
        con.execute(sql)
    con.executemany('INSERT INTO kinds VALUES (?, ?)', [(v, label) for label, v in KIND_VALUES])
    many, keyed = records_rows()
    con.executemany('INSERT INTO many VALUES (?, ?, ?, ?)', many)
    con.execute('INSERT INTO spill VALUES (?, ?)', (spill_body(), bytes(range(256)) * 10))
    con.executemany('INSERT INTO keyed VALUES (?, ?)', keyed)
    con.executemany('INSERT INTO named VALUES (?, ?)', [('first', 'a'), ('second', 'b')])
    con.execute('COMMIT')
    con.close()


def records_depth(data, root):
    """Levels of the b-tree at root (1 for a root that is a leaf)."""
    depth, page = 1, root
    while True:
        at = (page - 1) * RECORDS_PAGE_SIZE
        kind = data[at]
        if kind in (10, 13):
            return depth
        depth += 1
        page = struct.unpack('>I', data[at + 8:at + 12])[0]


def check_records(out_dir, scratch):
    utf8 = out_dir / 'records.db'
    utf16 = out_dir / 'records_utf16.db'
    for path, encoding in ((utf8, 1), (utf16, 2)):
        data = path.read_bytes()
        label = f'records {path.name}'
        expect(struct.unpack('>H', data[16:18])[0] == RECORDS_PAGE_SIZE, f'{label}: page size')
        expect(struct.unpack('>I', data[56:60])[0] == encoding, f'{label}: text encoding')
        if encoding == 1:
            expect(data[100] == 13, f'{label}: the schema is not one leaf page')
        con = open_copy([path], scratch)
        roots = dict(con.execute("SELECT name, rootpage FROM sqlite_master WHERE rootpage > 0"))
        expect(con.execute('SELECT count(*) FROM many').fetchone()[0] == MANY_ROWS,
               f'{label}: many rows')
        con.close()
        expect(records_depth(data, roots['many']) == 3, f'{label}: many is not three levels')
        expect(records_depth(data, roots['many_word']) >= 2, f'{label}: many_word is one leaf')
        expect(records_depth(data, roots['keyed_k']) >= 2, f'{label}: keyed_k is one leaf')
        expect(len(data) // RECORDS_PAGE_SIZE > 100, f'{label}: too small')
    expect(utf8.read_bytes()[56:60] != utf16.read_bytes()[56:60], 'records: twins share encoding')


def write_records(out_dir, scratch):
    build_records(out_dir / 'records.db', 'UTF-8')
    build_records(out_dir / 'records_utf16.db', 'UTF-16le')
    check_records(out_dir, scratch)


# ---------------------------------------------------------------------------------------
# Carving: deleted rows and a dropped table, their secure-delete twin, a journal caught
# before its first sync, and a scripted journal
# ---------------------------------------------------------------------------------------

CARVE_PAGE_SIZE = 4096
CARVE_TABLE = 'CREATE TABLE items (id INTEGER PRIMARY KEY, label TEXT, payload BLOB)'
CARVE_DROPPED_TABLE = 'CREATE TABLE dropped (id INTEGER PRIMARY KEY, label TEXT, payload BLOB)'
# Rowids of 128 or more and payloads of 128 bytes or more: both cell varints take two bytes,
# so the 4-byte freeblock header that replaces them leaves the record header whole.
CARVE_ROWIDS = range(200, 300)  # 100 rows of 158-byte cells: four leaf pages
CARVE_DELETED = [r for r in CARVE_ROWIDS if r % 7 == 0]  # three or four per page
CARVE_DROPPED_ROWIDS = range(1000, 1060)
CARVE_JOURNAL_DELETED = [r for r in CARVE_ROWIDS if r % 11 == 3 and r not in CARVE_DELETED]
SCRIPTED_PAGE_SIZE = 1024
SCRIPTED_NONCE = 0x5EED1234
SCRIPTED_RECORDS = [(5, 0), (2, 1), (5, 2)]  # (page number, image): page 5 saved twice


def carve_label(kind, rowid):
    """68 characters: the text's serial type takes two bytes."""
    return f'VELK-CARVE-{kind}-{rowid:04d} ' + 'x' * 44


def carve_payload(rowid):
    return bytes((rowid + i) % 256 for i in range(80))


def carve_kind(rowid):
    if rowid in CARVE_DELETED:
        return 'DELETED'
    if rowid in CARVE_JOURNAL_DELETED:
        return 'JOURNAL'
    return 'LIVE'


def carve_record_header(label):
    """The record header of an items row whose id is the rowid alias (stored as NULL)."""
    def varint2(v):
        return bytes([0x80 | (v >> 7), v & 0x7F])
    return bytes([6, 0]) + varint2(13 + 2 * len(label)) + varint2(12 + 2 * 80)


def build_carve_db(path, secure_delete):
    con = sqlite3.connect(str(path), isolation_level=None)
    con.execute(f'PRAGMA secure_delete={"ON" if secure_delete else "OFF"}')
    expect(con.execute('PRAGMA secure_delete').fetchone()[0] == int(secure_delete),
           f'{path.name}: secure_delete')
    con.execute(f'PRAGMA page_size={CARVE_PAGE_SIZE}')
    con.execute('PRAGMA auto_vacuum=NONE')
    con.execute('PRAGMA journal_mode=DELETE')
    con.execute('BEGIN')
    con.execute(CARVE_TABLE)
    con.execute(CARVE_DROPPED_TABLE)
    for r in CARVE_ROWIDS:
        con.execute('INSERT INTO items VALUES (?, ?, ?)',
                    (r, carve_label(carve_kind(r), r), carve_payload(r)))
    for r in CARVE_DROPPED_ROWIDS:
        con.execute('INSERT INTO dropped VALUES (?, ?, ?)',
                    (r, carve_label('DROPPED', r), carve_payload(r)))
    con.execute('COMMIT')
    leaves = table_leaves_of(con, 'items')
    con.execute('BEGIN')
    con.executemany('DELETE FROM items WHERE id = ?', [(r,) for r in CARVE_DELETED])
    con.execute('DROP TABLE dropped')
    con.execute('COMMIT')
    expect(table_leaves_of(con, 'items') == leaves, f'{path.name}: deleting moved cells')
    con.close()


def table_leaves_of(con, table):
    return con.execute("SELECT count(*) FROM dbstat WHERE name = ? AND pagetype = 'leaf'",
                       (table,)).fetchone()[0] if has_dbstat(con) else None


def has_dbstat(con):
    try:
        con.execute('SELECT count(*) FROM dbstat').fetchone()
        return True
    except sqlite3.OperationalError:
        return False


def check_carve_db(path, secure_delete):
    data = path.read_bytes()
    expect(struct.unpack_from('>H', data, 16)[0] == CARVE_PAGE_SIZE, f'{path.name}: page size')
    expect(struct.unpack_from('>I', data, 36)[0] >= 4, f'{path.name}: the dropped table\'s '
           'pages are not on the freelist')
    con = sqlite3.connect(f'file:{path}?mode=ro&immutable=1', uri=True)
    live = {r[0] for r in con.execute('SELECT id FROM items')}
    expect(live == set(CARVE_ROWIDS) - set(CARVE_DELETED), f'{path.name}: live rows')
    expect(con.execute('PRAGMA integrity_check').fetchone()[0] == 'ok',
           f'{path.name}: integrity check failed')
    con.close()
    for r in list(CARVE_DELETED) + list(CARVE_DROPPED_ROWIDS):
        kind = 'DELETED' if r in CARVE_DELETED else 'DROPPED'
        label = carve_label(kind, r)
        whole = carve_record_header(label) + label.encode() + carve_payload(r)
        if secure_delete:
            expect(label.encode()[:20] not in data, f'{path.name}: row {r} left residue')
        else:
            expect(whole in data, f'{path.name}: deleted row {r} is not whole in the file')


def build_midway(work, out_dir):
    """A journal copied before its first sync: magic still zero, record count 0."""
    db = work / 'midway.db'
    con = sqlite3.connect(str(db), isolation_level=None)
    con.execute('PRAGMA secure_delete=OFF')
    con.execute(f'PRAGMA page_size={CARVE_PAGE_SIZE}')
    con.execute('PRAGMA auto_vacuum=NONE')
    con.execute('PRAGMA journal_mode=DELETE')
    con.execute('BEGIN')
    con.execute(CARVE_TABLE)
    for r in CARVE_ROWIDS:
        con.execute('INSERT INTO items VALUES (?, ?, ?)',
                    (r, carve_label(carve_kind(r), r), carve_payload(r)))
    con.execute('COMMIT')
    before = db.read_bytes()
    con.execute('BEGIN')
    con.executemany('DELETE FROM items WHERE id = ?', [(r,) for r in CARVE_JOURNAL_DELETED])
    shutil.copyfile(db, out_dir / 'midway.db')
    shutil.copyfile(f'{db}-journal', out_dir / 'midway.db-journal')
    con.execute('ROLLBACK')
    con.close()
    main, jrnl = (out_dir / 'midway.db').read_bytes(), (out_dir / 'midway.db-journal').read_bytes()
    expect(main == before, 'midway: a page reached the database file before commit')
    expect(jrnl[:8] == bytes(8), 'midway: the journal header was already synced')
    count, _, _, _, page_size = struct.unpack_from('>IIIII', jrnl, 8)
    expect(count == 0 and page_size == CARVE_PAGE_SIZE, 'midway: journal header fields')
    expect((len(jrnl) - 512) % (CARVE_PAGE_SIZE + 8) == 0 and len(jrnl) > 512,
           'midway: the last record does not end at the end of the file')
    check_in_bytes(jrnl, 'midway journal', [carve_label('JOURNAL', r)
                                            for r in CARVE_JOURNAL_DELETED])


def journal_checksum(nonce, page):
    total, i = nonce, len(page) - 200
    while i > 0:
        total += page[i]
        i -= 200
    return total & 0xFFFFFFFF


def build_scripted_journal(out_dir):
    """Three records of 1024-byte pages under a synced header, page 5 saved twice."""
    header = JOURNAL_MAGIC + struct.pack('>IIIII', len(SCRIPTED_RECORDS), SCRIPTED_NONCE, 6, 512,
                                         SCRIPTED_PAGE_SIZE)
    data = header.ljust(512, b'\0')
    for number, image in SCRIPTED_RECORDS:
        page = bytes((number * 17 + image * 101 + i * 3) % 256 for i in range(SCRIPTED_PAGE_SIZE))
        data += struct.pack('>I', number) + page
        data += struct.pack('>I', journal_checksum(SCRIPTED_NONCE, page))
    (out_dir / 'scripted.db-journal').write_bytes(data)


def write_carve(out_dir, work):
    build_carve_db(out_dir / 'deleted.db', False)
    build_carve_db(out_dir / 'deleted_secure.db', True)
    check_carve_db(out_dir / 'deleted.db', False)
    check_carve_db(out_dir / 'deleted_secure.db', True)
    build_midway(work, out_dir)
    build_scripted_journal(out_dir)


# ---------------------------------------------------------------------------------------
# Table-walk fixtures on 1024-byte pages: a WAL database whose log holds page 1 and one
# table's page only, and a table whose rowids span the signed 64-bit range.
# ---------------------------------------------------------------------------------------

WALK_PAGE_SIZE = 1024
SPLIT_NOTES = [(1, 'first note'), (2, 'VELK-SPLIT-BEFORE-1 second note'), (3, 'third note')]
SPLIT_UPDATED = 'VELK-SPLIT-AFTER-1 second note, changed in the log'
SPLIT_ARCHIVE_ROWS = 300
# Rowids around the 32-bit boundary and below zero, among a plain run of 1 to 2000.
SPECIAL_ROWIDS = [-3, 4294967295, 5000000000]
PLAIN_ROWIDS = range(1, 2001)


def split_archive_rows():
    return [(n, f'archived entry {n:04d} ' + 'a' * (30 + n % 20))
            for n in range(1, SPLIT_ARCHIVE_ROWS + 1)]


def build_split_wal(work, out_dir):
    """Main file checkpointed with both tables; the log rewrites page 1 and notes' page."""
    db = work / 'split.db'
    con = connect(db)
    con.execute(f'PRAGMA page_size={WALK_PAGE_SIZE}')
    con.execute('PRAGMA auto_vacuum=NONE')
    expect(con.execute('PRAGMA journal_mode=WAL').fetchone()[0] == 'wal', 'split: not WAL')
    con.execute('PRAGMA wal_autocheckpoint=0')
    con.execute('BEGIN')
    con.execute('CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT)')
    con.execute('CREATE TABLE archive (id INTEGER PRIMARY KEY, body TEXT)')
    con.executemany('INSERT INTO notes VALUES (?, ?)', SPLIT_NOTES)
    con.executemany('INSERT INTO archive VALUES (?, ?)', split_archive_rows())
    con.execute('COMMIT')
    busy, _, _ = con.execute('PRAGMA wal_checkpoint(TRUNCATE)').fetchone()
    expect(busy == 0, 'split: checkpoint was blocked')
    # One transaction: the row update dirties notes' leaf, the user version page 1.
    con.execute('BEGIN')
    con.execute('UPDATE notes SET body = ? WHERE id = 2', (SPLIT_UPDATED,))
    con.execute('PRAGMA user_version=3')
    con.execute('COMMIT')
    shutil.copyfile(db, out_dir / 'split.db')
    shutil.copyfile(f'{db}-wal', out_dir / 'split.db-wal')
    con.close()


def wal_frame_pages(wal, page_size):
    frame = WAL_FRAME_HEADER_SIZE + page_size
    return [struct.unpack_from('>I', wal, at)[0]
            for at in range(WAL_HEADER_SIZE, len(wal) - frame + 1, frame)]


def check_split_wal(out_dir, scratch):
    db, wal_path = out_dir / 'split.db', out_dir / 'split.db-wal'
    main, wal = db.read_bytes(), wal_path.read_bytes()
    expect(struct.unpack_from('>I', wal, 8)[0] == WALK_PAGE_SIZE, 'split: -wal page size')
    expect((len(wal) - WAL_HEADER_SIZE) % (WAL_FRAME_HEADER_SIZE + WALK_PAGE_SIZE) == 0,
           'split: -wal ends inside a frame')
    notes_root = root_page(db, 'notes')
    archive_root = root_page(db, 'archive')
    expect(wal_frame_pages(wal, WALK_PAGE_SIZE) == [1, notes_root],
           f'split: -wal holds pages {wal_frame_pages(wal, WALK_PAGE_SIZE)}')
    expect(main[(archive_root - 1) * WALK_PAGE_SIZE] == 0x05, 'split: archive is one leaf')
    check_in_bytes(main, 'split main file', ['VELK-SPLIT-BEFORE-1'])
    check_in_bytes(wal, 'split -wal', ['VELK-SPLIT-AFTER-1'])
    con = open_copy([db, wal_path], scratch / 'split')
    expect(con.execute('PRAGMA user_version').fetchone()[0] == 3, 'split: user_version')
    expect(con.execute('SELECT body FROM notes WHERE id = 2').fetchone()[0] == SPLIT_UPDATED,
           'split: the update is not in the log')
    expect(con.execute('SELECT count(*) FROM archive').fetchone()[0] == SPLIT_ARCHIVE_ROWS,
           'split: archive rows')
    con.close()


def build_rowids(path):
    con = sqlite3.connect(str(path), isolation_level=None)
    con.execute(f'PRAGMA page_size={WALK_PAGE_SIZE}')
    con.execute('PRAGMA auto_vacuum=NONE')
    con.execute('BEGIN')
    con.execute('CREATE TABLE ids (id INTEGER PRIMARY KEY, label TEXT)')
    rowids = sorted(SPECIAL_ROWIDS + list(PLAIN_ROWIDS))
    con.executemany('INSERT INTO ids VALUES (?, ?)',
                    [(r, f'row {r} ' + 'r' * (r % 17 if r > 0 else 5)) for r in rowids])
    con.execute('COMMIT')
    con.close()


def check_rowids(path, scratch):
    con = open_copy([path], scratch / 'rowids')
    ids = [r[0] for r in con.execute('SELECT id FROM ids ORDER BY id')]
    con.close()
    expect(len(ids) == len(SPECIAL_ROWIDS) + len(PLAIN_ROWIDS), 'rowids: row count')
    expect(ids[0] == -3 and ids[-1] == 5000000000 and -1 not in ids, 'rowids: special rowids')
    data = path.read_bytes()
    expect(records_depth_at(data, root_page(path, 'ids'), WALK_PAGE_SIZE) >= 2,
           'rowids: ids is one leaf')


def records_depth_at(data, root, page_size):
    depth, page = 1, root
    while data[(page - 1) * page_size] not in (10, 13):
        depth += 1
        at = (page - 1) * page_size
        page = struct.unpack('>I', data[at + 8:at + 12])[0]
    return depth


def write_walk(work, out_dir, scratch):
    build_split_wal(work, out_dir)
    check_split_wal(out_dir, scratch)
    build_rowids(out_dir / 'rowids.db')
    check_rowids(out_dir / 'rowids.db', scratch)


# ---------------------------------------------------------------------------------------
# Database processing: schema variants (names in capitals, a table missing, a notification
# table without known columns, unknown columns between known ones), damage in the schema,
# inputs that are no database, and a WAL pair whose main file has a damaged page 1.
# ---------------------------------------------------------------------------------------

DBPROC_HANDLER_IDS = (1, 2, 7, 9, 10)
DBPROC_ORDERS = (1, 2, 5, 6, 8)  # sample notifications of those handlers
# A GUID whose stored bytes hold zeros: a reader that measures it as text loses it.
DBPROC_ZERO_BYTE_GUID = 'a1b2c3d4-0000-4e11-8f00-00aa00bb00cc'
DBPROC_GUID_ORDER = 20
DBPROC_WAL_ORDER = 21
DBPROC_WAL_MARKER = 'VELK-DBPROC-WAL-NOTIFICATION-1'
DBPROC_EXTRA_NOTE = 'VELK-EXTRA-NOTE-'
DBPROC_EXTRA_ORIGIN = 'VELK-EXTRA-ORIGIN'
DBPROC_ROOT_PAST_END = 999


def dbproc_notifications():
    rows = [r for r in sample_notifications() if r[0] in DBPROC_ORDERS]
    t = filetime(2023, 3, 14, 11, 7, 19, 2_468_024)
    rows.append(notification(DBPROC_GUID_ORDER, 40, 1, 'toast',
                             toast('Screen time', 'Two hours left today', launch='ms-settings:family'),
                             t, 60 * MINUTE, activity=guid(DBPROC_ZERO_BYTE_GUID)))
    return rows


def dbproc_wal_notification():
    t = filetime(2023, 3, 14, 12, 30, 0, 1_357_913)
    return notification(DBPROC_WAL_ORDER, 41, 9, 'toast',
                        toast('Alice', f'{DBPROC_WAL_MARKER} see you at noon'), t, 3 * DAY,
                        tag='chat-8-live-alice', group='Messages')


def schema_without(tables):
    """The platform's schema less the named tables and their indexes."""
    return [s for s in SCHEMA if s[1] not in tables and
            not any(f'ON [{t}]' in s[2] or f'ON[{t}]' in s[2] for t in tables)]


def extra_column_schema():
    """Unknown columns between known ones: Notification.SourceNote, HandlerSettings.Origin."""
    out = []
    for kind, name, sql in SCHEMA:
        if name == 'Notification':
            sql = sql.replace('[ActivityId] GUID,', '[SourceNote] TEXT, [ActivityId] GUID,')
        elif name == 'HandlerSettings':
            sql = sql.replace('[SettingKey] TEXT NOT NULL,', '[Origin] TEXT, [SettingKey] TEXT NOT NULL,')
        out.append((kind, name, sql))
    return out


NO_KNOWN_COLUMNS_TABLE = 'CREATE TABLE [Notification]( [Serial] INTEGER PRIMARY KEY, [Body] TEXT)'


def build_dbproc_db(path, schema, journal_mode='DELETE'):
    """A push database of the dbproc rows in the tables the schema has."""
    con = connect(path)
    con.execute(f'PRAGMA page_size={PAGE_SIZE}')
    con.execute('PRAGMA auto_vacuum=NONE')
    mode = con.execute(f'PRAGMA journal_mode={journal_mode}').fetchone()[0]
    expect(mode == journal_mode.lower(), f'{path.name}: journal_mode {mode}')
    con.execute('BEGIN')
    for _, _, sql in schema:
        con.execute(sql)
    con.execute('PRAGMA user_version=7')
    names = {s[1].lower() for s in schema if s[0] == 'table'}
    if 'notificationhandler' in names:
        insert_handlers(con, [h for h in HANDLERS if h[0] in DBPROC_HANDLER_IDS])
    if 'handlersettings' in names:
        insert_settings(con, DBPROC_HANDLER_IDS)
    if 'notification' in names:
        if NO_KNOWN_COLUMNS_TABLE in [s[2] for s in schema]:
            con.executemany('INSERT INTO Notification (Serial, Body) VALUES (?, ?)',
                            [(1, 'first'), (2, 'second')])
        else:
            insert_notifications(con, dbproc_notifications())
    if 'wnspushchannel' in names:
        insert_channels(con, [c for c in CHANNELS if c[1] in DBPROC_HANDLER_IDS])
    if 'metadata' in names:
        insert_metadata(con, 42)
    con.execute('COMMIT')
    return con


def build_extra_column(path):
    con = build_dbproc_db(path, extra_column_schema())
    con.execute('BEGIN')
    con.execute(f"UPDATE Notification SET SourceNote = '{DBPROC_EXTRA_NOTE}' || [Order]")
    con.execute(f"UPDATE HandlerSettings SET Origin = '{DBPROC_EXTRA_ORIGIN}'")
    con.execute('COMMIT')
    con.close()


def build_bad_root(path, root):
    """Notification's schema row points at page `root`: 0, or a page past the end."""
    con = build_dbproc_db(path, schema_without(['WNSPushChannel']))
    con.execute('PRAGMA writable_schema=ON')
    con.execute('BEGIN')
    con.execute("UPDATE sqlite_master SET rootpage = ? WHERE name = 'Notification'", (root,))
    con.execute('COMMIT')
    con.close()


def build_damaged_page1(work, out_dir):
    """WAL pair: the -wal holds page 1, and page 1 of the main file has no b-tree header."""
    db = work / 'damaged_page1.db'
    con = build_dbproc_db(db, SCHEMA, 'WAL')
    busy, _, _ = con.execute('PRAGMA wal_checkpoint(TRUNCATE)').fetchone()
    expect(busy == 0, 'damaged_page1: checkpoint was blocked')
    con.execute('PRAGMA wal_autocheckpoint=0')
    con.execute('BEGIN')
    insert_notifications(con, [dbproc_wal_notification()])
    con.execute('PRAGMA user_version=8')
    con.execute('COMMIT')
    # Copy while the writer is open: closing it would checkpoint the log and delete it.
    shutil.copyfile(db, out_dir / 'damaged_page1.db')
    shutil.copyfile(f'{db}-wal', out_dir / 'damaged_page1.db-wal')
    con.close()
    buf = bytearray((out_dir / 'damaged_page1.db').read_bytes())
    # Page 1's b-tree header (8 bytes after the file header) wiped: no type, no cells.
    buf[100:108] = bytes(8)
    (out_dir / 'damaged_page1.db').write_bytes(bytes(buf))


def scratch_counts(files, scratch, tables):
    con = open_copy(files, scratch)
    counts = {t: con.execute(f'SELECT count(*) FROM [{t}]').fetchone()[0] for t in tables}
    con.close()
    return counts


def check_dbproc(out_dir, scratch):
    n, h = len(DBPROC_ORDERS) + 1, len(DBPROC_HANDLER_IDS)
    s, c = h * len(SETTING_KEYS), len([x for x in CHANNELS if x[1] in DBPROC_HANDLER_IDS])
    full = ['NotificationHandler', 'HandlerSettings', 'Notification', 'WNSPushChannel']
    expected = {
        'upper_case.db': ({'NOTIFICATIONHANDLER': h, 'HANDLERSETTINGS': s, 'NOTIFICATION': n,
                           'WNSPUSHCHANNEL': c}),
        'no_channel.db': {'NotificationHandler': h, 'HandlerSettings': s, 'Notification': n},
        'no_handler.db': {'HandlerSettings': s, 'Notification': n, 'WNSPushChannel': c},
        'no_known_columns.db': {'NotificationHandler': h, 'Notification': 2},
        'extra_column.db': dict(zip(full, (h, s, n, c))),
    }
    for name, counts in expected.items():
        got = scratch_counts([out_dir / name], scratch / name, counts)
        expect(got == counts, f'{name}: {got}')
    con = open_copy([out_dir / 'upper_case.db'], scratch / 'upper')
    tables = [r[0] for r in con.execute("SELECT sql FROM sqlite_master WHERE type = 'table'")]
    con.close()
    expect(tables and all(t == t.upper() for t in tables), 'upper_case.db: lower-case names')
    con = open_copy([out_dir / 'extra_column.db'], scratch / 'extra')
    notes = {r[0] for r in con.execute('SELECT SourceNote FROM Notification')}
    guid_bytes = con.execute('SELECT ActivityId FROM Notification WHERE [Order] = ?',
                             (DBPROC_GUID_ORDER,)).fetchone()[0]
    con.close()
    expect(notes == {f'{DBPROC_EXTRA_NOTE}{o}' for o in DBPROC_ORDERS + (DBPROC_GUID_ORDER,)},
           'extra_column.db: SourceNote values')
    expect(len(guid_bytes) == 16 and 0 in guid_bytes, 'extra_column.db: GUID without zeros')
    for name, root in (('root_zero.db', 0), ('root_past_end.db', DBPROC_ROOT_PAST_END)):
        con = sqlite3.connect(f'file:{out_dir / name}?mode=ro&immutable=1', uri=True)
        con.execute('PRAGMA writable_schema=ON')
        got = con.execute("SELECT rootpage FROM sqlite_master WHERE name = 'Notification'")
        expect(got.fetchone()[0] == root, f'{name}: root page')
        con.close()
    check_damaged_page1(out_dir, scratch, n, h)
    expect((out_dir / 'empty.db').stat().st_size == 0, 'empty.db is not empty')
    expect(not (out_dir / 'not_sqlite.txt').read_bytes().lower().startswith(b'sqlite'),
           'not_sqlite.txt starts like a database')


def check_damaged_page1(out_dir, scratch, n, h):
    db, wal = out_dir / 'damaged_page1.db', out_dir / 'damaged_page1.db-wal'
    data = db.read_bytes()
    expect(data[:16] == b'SQLite format 3\0' and data[18] == 2 and data[100:108] == bytes(8),
           'damaged_page1: header or damage')
    expect(wal_frame_pages(wal.read_bytes(), PAGE_SIZE)[0] == 1, 'damaged_page1: -wal page 1')
    check_in_bytes(wal.read_bytes(), 'damaged_page1 -wal', [DBPROC_WAL_MARKER])
    got = scratch_counts([db, wal], scratch / 'page1_wal', ['Notification', 'NotificationHandler'])
    expect(got == {'Notification': n + 1, 'NotificationHandler': h}, f'damaged_page1: {got}')
    con = open_copy([db], scratch / 'page1_alone')
    try:
        con.execute('SELECT count(*) FROM Notification').fetchone()
        fail('damaged_page1: the main file alone still reads')
    except sqlite3.DatabaseError:
        pass
    con.close()


def write_dbproc(out_dir, work, scratch):
    upper = [(k, n.upper(), sql.upper()) for k, n, sql in SCHEMA]
    build_dbproc_db(out_dir / 'upper_case.db', upper).close()
    build_dbproc_db(out_dir / 'no_channel.db', schema_without(['WNSPushChannel'])).close()
    build_dbproc_db(out_dir / 'no_handler.db', schema_without(['NotificationHandler'])).close()
    no_known = [s if s[1] != 'Notification' else ('table', 'Notification', NO_KNOWN_COLUMNS_TABLE)
                for s in schema_without(['WNSPushChannel'])
                if not (s[0] == 'index' and 'ON [Notification]' in s[2])]
    build_dbproc_db(out_dir / 'no_known_columns.db', no_known).close()
    build_extra_column(out_dir / 'extra_column.db')
    build_bad_root(out_dir / 'root_zero.db', 0)
    build_bad_root(out_dir / 'root_past_end.db', DBPROC_ROOT_PAST_END)
    build_damaged_page1(work, out_dir)
    (out_dir / 'empty.db').write_bytes(b'')
    (out_dir / 'not_sqlite.txt').write_bytes(
        b'Notes from the examination of the workstation.\n'
        b'The database was copied to the evidence drive before analysis.\n')
    check_dbproc(out_dir, scratch)


# ---------------------------------------------------------------------------------------
# Recovery fixtures: push databases whose removed notifications the record finder must
# recover from main-file slack, from pages a WAL overwrites, from superseded WAL frames and
# from a rollback journal. Their rows are shaped like the real platform's (see the record
# header checks below), and every notification carries a marker in its payload.
# ---------------------------------------------------------------------------------------

RECOVERY_PAGE_SIZE_SMALL = 1024
RECOVERY_HANDLERS = [h for h in HANDLERS if h[0] in (2, 6, 7, 9, 10, 12, 13)]
RECOVERY_CHANNELS = [c for c in CHANNELS if c[1] in (6, 7, 9)]
RECOVERY_DELETED_ORDERS = [2, 5, 7]
RECOVERY_WAL_UPDATED_ORDER = 2
RECOVERY_WAL_DELETED_ORDER = 4
RECOVERY_JOURNAL_DELETED_ORDER = 3
RECOVERY_JOURNAL_NONCE = 0x7E1C0DE5
RECOVERY_SECTOR = 512


def recovery_marker(kind, order):
    return f'VELK-RECOVERY-{kind}-{order}'


def recovery_notification(order, kind, marker, handler):
    """A row as the platform writes it: Id and HandlerId small integers, a 16-byte ActivityId,
    a payload blob of a few hundred bytes (so a freeblock header that replaces the cell's
    first four bytes leaves the serial types whole), empty Tag and Group texts."""
    t = filetime(2023, 4, 2, 10, 15, 0, 3_141_592) + order * 7 * MINUTE
    line = f'{marker} message {order}: ' + 'the quick brown fox jumps over the lazy dog. ' * 5
    payload = {'toast': toast(f'Note {order}', line), 'tile': tile(f'Tile {order}', line),
               'badge': badge(f'{order} {line}')}[kind]
    return notification(order, 100 + order, handler, kind, payload, t, 3 * DAY)


def recovery_rows(kind_of_row):
    """Orders 1 to 8, handlers cycling over 2, 6, 7, 9; Order 6 is a tile, Order 8 a badge."""
    handlers = [2, 6, 7, 9]
    rows = []
    for order in range(1, 9):
        kind = 'tile' if order == 6 else 'badge' if order == 8 else 'toast'
        rows.append(recovery_notification(order, kind, recovery_marker(kind_of_row(order), order),
                                          handlers[order % len(handlers)]))
    return rows


def serial_type(value):
    if value is None:
        return 0
    if isinstance(value, bytes):
        return 12 + 2 * len(value)
    if isinstance(value, str):
        return 13 + 2 * len(value.encode('utf-8'))
    if value in (0, 1):
        return 8 + value
    for code, width in ((1, 1), (2, 2), (3, 3), (4, 4), (5, 6), (6, 8)):
        if -(1 << (8 * width - 1)) <= value < (1 << (8 * width - 1)):
            return code
    fail(f'no serial type for {value}')


def varint(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def notification_serial_types(row):
    """The serial types of a stored Notification row: Order is the rowid alias (NULL)."""
    return bytes([0]) + b''.join(varint(serial_type(v)) for v in row[1:])


def check_finder_shape(rows, label):
    """What the record finder relies on in a row, as in the real database."""
    for row in rows:
        types = notification_serial_types(row)
        order, nid, handler, activity, kind, payload, tag, group = row[:8]
        expect(types[1] in (1, 2, 3, 9) and types[2] in (1, 2) and types[3] in (0, 0x2C),
               f'{label}: Order {order} anchor {types[:4].hex()}')
        expect(kind in ('toast', 'tile', 'badge') and tag == '' and group == '',
               f'{label}: Order {order} type, tag or group')
        expect(200 <= len(payload) < 900, f'{label}: Order {order} payload of {len(payload)}')
        expect(len(types) + 1 < 128 and order < 128, f'{label}: Order {order} header or rowid')


def check_serial_types_in(data, rows, label):
    for row in rows:
        expect(notification_serial_types(row) in data,
               f'{label}: the header of Order {row[0]} is not whole in the raw bytes')


def fill_recovery(con, rows, next_id):
    con.execute('BEGIN')
    insert_handlers(con, RECOVERY_HANDLERS)
    insert_settings(con, [h[0] for h in RECOVERY_HANDLERS])
    insert_notifications(con, rows)
    insert_channels(con, RECOVERY_CHANNELS)
    insert_metadata(con, next_id)
    con.execute('COMMIT')


def build_recovery_deleted(path):
    """Rollback-journal mode; Orders 2, 5 and 7 deleted with secure delete off."""
    rows = recovery_rows(lambda o: 'DELETED' if o in RECOVERY_DELETED_ORDERS else 'LIVE')
    check_finder_shape(rows, 'recovery deleted')
    con = create_database(path, 'DELETE')
    fill_recovery(con, rows, 109)
    for order in RECOVERY_DELETED_ORDERS:
        con.execute('BEGIN')
        con.execute('DELETE FROM Notification WHERE [Order] = ?', (order,))
        con.execute('COMMIT')
    con.close()
    return rows


def build_recovery_wal(work, out_dir, name, page_size, checkpoint):
    """WAL mode, copied while the writer is open. With checkpoint, the rows reach the main
    file first; then one transaction updates Order 2's payload and another deletes Order 4.
    Without it every row stays in the log."""
    db = work / name
    rows = recovery_rows(lambda o: 'WAL-UPDATE-BEFORE' if o == RECOVERY_WAL_UPDATED_ORDER else
                         'WAL-DELETED' if o == RECOVERY_WAL_DELETED_ORDER else 'LIVE')
    check_finder_shape(rows, f'recovery {name}')
    con = create_database(db, 'WAL', page_size)
    con.execute('PRAGMA wal_autocheckpoint=0')
    fill_recovery(con, rows, 109)
    if checkpoint:
        busy, _, _ = con.execute('PRAGMA wal_checkpoint(TRUNCATE)').fetchone()
        expect(busy == 0, f'recovery {name}: checkpoint blocked')
    updated = recovery_notification(RECOVERY_WAL_UPDATED_ORDER, 'toast',
                                    recovery_marker('WAL-UPDATE-AFTER',
                                                    RECOVERY_WAL_UPDATED_ORDER), 2)
    con.execute('BEGIN')
    con.execute('UPDATE Notification SET Payload = ? WHERE [Order] = ?',
                (updated[5], RECOVERY_WAL_UPDATED_ORDER))
    con.execute('COMMIT')
    con.execute('BEGIN')
    con.execute('DELETE FROM Notification WHERE [Order] = ?', (RECOVERY_WAL_DELETED_ORDER,))
    con.execute('COMMIT')
    shutil.copyfile(db, out_dir / name)
    shutil.copyfile(f'{db}-wal', out_dir / f'{name}-wal')
    con.close()
    return rows


def build_recovery_journal(work, out_dir):
    """Order 3 deleted with secure delete on, so only the journal written here keeps it: a
    synced header and one record, the Notification leaf as it was before the delete, ending
    exactly at the end of the file."""
    db = work / 'journal.db'
    rows = recovery_rows(lambda o: 'JOURNAL-DELETED' if o == RECOVERY_JOURNAL_DELETED_ORDER
                         else 'LIVE')
    check_finder_shape(rows, 'recovery journal')
    con = create_database(db, 'DELETE')
    fill_recovery(con, rows, 109)
    before = db.read_bytes()
    leaf = root_page(db, 'Notification')
    con.execute('PRAGMA secure_delete=ON')
    con.execute('BEGIN')
    con.execute('DELETE FROM Notification WHERE [Order] = ?', (RECOVERY_JOURNAL_DELETED_ORDER,))
    con.execute('COMMIT')
    con.close()
    after = db.read_bytes()
    # The delete also changed page 1 and the Notification indexes; the journal keeps the
    # table leaf alone.
    expect(leaf in changed_pages(before, after), 'recovery journal: the leaf did not change')
    page = before[(leaf - 1) * PAGE_SIZE:leaf * PAGE_SIZE]
    header = JOURNAL_MAGIC + struct.pack('>IIIII', 1, RECOVERY_JOURNAL_NONCE,
                                         len(before) // PAGE_SIZE, RECOVERY_SECTOR, PAGE_SIZE)
    journal = header.ljust(RECOVERY_SECTOR, b'\0') + struct.pack('>I', leaf) + page
    journal += struct.pack('>I', journal_checksum(RECOVERY_JOURNAL_NONCE, page))
    shutil.copyfile(db, out_dir / 'journal.db')
    (out_dir / 'journal.db-journal').write_bytes(journal)
    return rows, leaf


def markers_of(rows, kind):
    return [recovery_marker(kind, r[0]) for r in rows
            if recovery_marker(kind, r[0]).encode() in r[5]]


def check_recovery_deleted(out_dir, rows, scratch):
    path = out_dir / 'deleted.db'
    data = path.read_bytes()
    check_db_header(data, 'recovery deleted', 1)
    deleted = [r for r in rows if r[0] in RECOVERY_DELETED_ORDERS]
    check_serial_types_in(data, deleted, 'recovery deleted')
    check_in_bytes(data, 'recovery deleted', markers_of(rows, 'DELETED'))
    con = open_copy([path], scratch / 'recovery_deleted')
    check_schema(con, 'recovery deleted')
    expect(row_counts(con)['Notification'] == len(rows) - len(deleted),
           f'recovery deleted: {row_counts(con)}')
    check_live(con, 'recovery deleted', markers_of(rows, 'LIVE'), markers_of(rows, 'DELETED'))
    con.close()


def check_recovery_wal(out_dir, name, rows, page_size, checkpointed, scratch):
    db, wal_path = out_dir / name, out_dir / f'{name}-wal'
    main, wal = db.read_bytes(), wal_path.read_bytes()
    magic, version, wal_page = struct.unpack_from('>III', wal, 0)
    expect(magic in WAL_MAGICS and version == 3007000 and wal_page == page_size,
           f'recovery {name}: -wal header')
    expect((len(wal) - WAL_HEADER_SIZE) % (WAL_FRAME_HEADER_SIZE + page_size) == 0,
           f'recovery {name}: -wal ends inside a frame')
    before, deleted = markers_of(rows, 'WAL-UPDATE-BEFORE'), markers_of(rows, 'WAL-DELETED')
    after = recovery_marker('WAL-UPDATE-AFTER', RECOVERY_WAL_UPDATED_ORDER)
    check_in_bytes(wal, f'recovery {name} -wal', deleted + [after])
    if checkpointed:
        check_in_bytes(main, f'recovery {name} main file', before + deleted)
        check_serial_types_in(main, rows, f'recovery {name} main file')
        expect(after.encode() not in main, f'recovery {name}: the update reached the main file')
    else:
        check_in_bytes(wal, f'recovery {name} -wal', before)
        check_serial_types_in(wal, rows, f'recovery {name} -wal')
    con = open_copy([db, wal_path], scratch / f'recovery_{name}')
    check_schema(con, f'recovery {name} with -wal')
    expect(row_counts(con)['Notification'] == len(rows) - 1, f'recovery {name}: {row_counts(con)}')
    check_live(con, f'recovery {name} with -wal', [after] + markers_of(rows, 'LIVE'),
               before + deleted)
    con.close()


def check_recovery_journal(out_dir, rows, leaf, scratch):
    db, journal = out_dir / 'journal.db', out_dir / 'journal.db-journal'
    main, jrnl = db.read_bytes(), journal.read_bytes()
    deleted = markers_of(rows, 'JOURNAL-DELETED')
    expect(all(m.encode() not in main for m in deleted), 'recovery journal: marker in main file')
    check_in_bytes(jrnl, 'recovery journal', deleted)
    expect(len(jrnl) == RECOVERY_SECTOR + 4 + PAGE_SIZE + 4, 'recovery journal: size')
    # Opening a copy rolls the hot journal back: the deleted row returns to the table
    # b-tree (the indexes, not journaled, still lack it).
    con = open_copy([db, journal], scratch / 'recovery_journal')
    payloads = b'\0'.join(r[0] for r in con.execute('SELECT Payload FROM Notification NOT INDEXED'))
    expect(len(payloads.split(b'\0')) == len(rows) and all(m.encode() in payloads for m in deleted),
           'recovery journal: the rollback did not bring the deleted row back')
    con.close()
    expect(leaf == 7, f'recovery journal: Notification root page {leaf}')


def write_recovery(out_dir, work):
    rows = build_recovery_deleted(out_dir / 'deleted.db')
    check_recovery_deleted(out_dir, rows, work / 'check')
    for name, page_size, checkpoint in (('wal.db', PAGE_SIZE, True),
                                        ('wal1024.db', RECOVERY_PAGE_SIZE_SMALL, False)):
        rows = build_recovery_wal(work, out_dir, name, page_size, checkpoint)
        check_recovery_wal(out_dir, name, rows, page_size, checkpoint, work / 'check')
    rows, leaf = build_recovery_journal(work, out_dir)
    check_recovery_journal(out_dir, rows, leaf, work / 'check')


# ---------------------------------------------------------------------------------------
# Edge fixtures: valid but unusual push databases, and companions written in ways the
# platform's own files rarely are, whose rows the reader must still reach: 64 KiB pages, a
# leaf whose every row was deleted, deleted notifications of handler 1 (its HandlerId stored
# as the constant 1), a -wal whose last frame fails its checksum and a -journal padded to a
# 4096-byte sector.
# ---------------------------------------------------------------------------------------

EDGE_HANDLERS = [h for h in HANDLERS if h[0] in (1, 2, 6, 7, 9)]
EDGE_PAGE_SIZE_LARGE = 65536
EDGE_JOURNAL_SECTOR = 4096
EDGE_JOURNAL_NONCE = 0x5EC70A11


def edge_marker(kind, order):
    return f'VELK-EDGE-{kind}-{order}'


def edge_rows(orders, kind_of, handler_of, repeat=5):
    """Toasts of the recovery shape; repeat lengthens the payload (pages of fewer rows)."""
    rows = []
    for order in orders:
        t = filetime(2023, 5, 6, 11, 0, 0, 2_718_281) + order * 11 * MINUTE
        line = (f'{edge_marker(kind_of(order), order)} message {order}: '
                + 'the quick brown fox jumps over the lazy dog. ' * repeat)
        rows.append(notification(order, 200 + order, handler_of(order), 'toast',
                                 toast(f'Edge {order}', line), t, 2 * DAY))
    return rows


def fill_edge(con, rows):
    con.execute('BEGIN')
    insert_handlers(con, EDGE_HANDLERS)
    insert_notifications(con, rows)
    insert_metadata(con, 300)
    con.execute('COMMIT')


def delete_orders(con, orders):
    con.execute('BEGIN')
    for order in orders:
        con.execute('DELETE FROM Notification WHERE [Order] = ?', (order,))
    con.execute('COMMIT')


def leaf_header(data, page, page_size):
    body = data[(page - 1) * page_size:page * page_size]
    return struct.unpack_from('>BHHH', body, 0)


def build_emptied(path, page_size):
    """Every notification deleted, one by one: the root leaf keeps no cell, its content start
    is the page end (stored as 0 on a 65536-byte page), and the rows stay in the page."""
    rows = edge_rows(range(1, 5), lambda o: 'EMPTIED', lambda o: [2, 6, 7, 9][o % 4])
    con = create_database(path, 'DELETE', page_size)
    fill_edge(con, rows)
    for order in range(1, 5):
        delete_orders(con, [order])
    expect(con.execute('SELECT count(*) FROM Notification').fetchone()[0] == 0,
           f'{path.name}: rows left')
    con.close()
    data = path.read_bytes()
    kind, first_free, cells, content = leaf_header(data, root_page(path, 'Notification'),
                                                   page_size)
    stored_end = 0 if page_size == 65536 else page_size
    expect((kind, first_free, cells, content) == (13, 0, 0, stored_end),
           f'{path.name}: Notification leaf header {kind, first_free, cells, content}')
    check_in_bytes(data, path.name, [edge_marker('EMPTIED', o) for o in range(1, 5)])


def freelist_pages(data, page_size):
    pages, trunk = [], struct.unpack_from('>I', data, 32)[0]
    while trunk:
        expect(trunk not in pages and len(pages) < 64, 'freelist loop')
        body = data[(trunk - 1) * page_size:trunk * page_size]
        nxt, count = struct.unpack_from('>II', body, 0)
        pages.append(trunk)
        pages.extend(struct.unpack_from(f'>{count}I', body, 8))
        trunk = nxt
    return pages


def build_handler_one(path):
    """Notifications of handler 1 deleted two ways: Order 2 from a leaf that keeps Order 1
    (a freeblock), Orders 11 and 12 with the last leaf, which they fill (a free page)."""
    handler = {2: 1, 11: 1, 12: 1}
    rows = edge_rows(range(1, 13),
                     lambda o: 'HANDLER1-FREEBLOCK' if o == 2 else
                     'HANDLER1-FREEPAGE' if o in (11, 12) else 'LIVE',
                     lambda o: handler.get(o, 2), repeat=30)
    con = create_database(path, 'DELETE')
    fill_edge(con, rows)
    delete_orders(con, [2])
    delete_orders(con, [11, 12])
    con.close()
    data = path.read_bytes()
    free = freelist_pages(data, PAGE_SIZE)
    for order, kind in ((2, 'HANDLER1-FREEBLOCK'), (11, 'HANDLER1-FREEPAGE'),
                        (12, 'HANDLER1-FREEPAGE')):
        at = data.find(edge_marker(kind, order).encode())
        expect(at >= 0, f'handler1: marker of Order {order} gone')
        expect((at // PAGE_SIZE + 1 in free) == (kind == 'HANDLER1-FREEPAGE'),
               f'handler1: Order {order} residue on page {at // PAGE_SIZE + 1}, free {free}')


def build_handler_one_wal(work, out_dir):
    """WAL mode, checkpointed; then Order 3 (handler 1) deleted in the log alone."""
    db = work / 'handler1_wal.db'
    rows = edge_rows(range(1, 6), lambda o: 'HANDLER1-WAL' if o == 3 else 'LIVE',
                     lambda o: 1 if o == 3 else 2)
    con = create_database(db, 'WAL')
    con.execute('PRAGMA wal_autocheckpoint=0')
    fill_edge(con, rows)
    busy, _, _ = con.execute('PRAGMA wal_checkpoint(TRUNCATE)').fetchone()
    expect(busy == 0, 'handler1_wal: checkpoint blocked')
    delete_orders(con, [3])
    shutil.copyfile(db, out_dir / 'handler1_wal.db')
    shutil.copyfile(f'{db}-wal', out_dir / 'handler1_wal.db-wal')
    con.close()
    wal = (out_dir / 'handler1_wal.db-wal').read_bytes()
    check_in_bytes(wal, 'handler1_wal -wal', [edge_marker('HANDLER1-WAL', 3)])


def wal_frames_of(wal, page_size):
    step = WAL_FRAME_HEADER_SIZE + page_size
    return [WAL_HEADER_SIZE + i * step for i in range((len(wal) - WAL_HEADER_SIZE) // step)]


def build_wal_checksum(work, out_dir, scratch):
    """Three commits that each rewrite only the Notification leaf (Order 1's payload, markers
    CHECKSUM-1 to -3); the third frame's checksum words are then altered, so SQLite reads the
    log up to the second commit."""
    db = work / 'wal_checksum.db'
    rows = edge_rows(range(1, 5), lambda o: 'LIVE', lambda o: [2, 6, 7, 9][o % 4])
    con = create_database(db, 'WAL')
    con.execute('PRAGMA wal_autocheckpoint=0')
    fill_edge(con, rows)
    busy, _, _ = con.execute('PRAGMA wal_checkpoint(TRUNCATE)').fetchone()
    expect(busy == 0, 'wal_checksum: checkpoint blocked')
    for n in (1, 2, 3):
        payload = rows[0][5].replace(edge_marker('LIVE', 1).encode(),
                                     edge_marker('CHECKSUM', n).encode().ljust(
                                         len(edge_marker('LIVE', 1)), b'.'))
        con.execute('BEGIN')
        con.execute('UPDATE Notification SET Payload = ? WHERE [Order] = 1', (payload,))
        con.execute('COMMIT')
    shutil.copyfile(db, out_dir / 'wal_checksum.db')
    wal = bytearray(pathlib.Path(f'{db}-wal').read_bytes())
    con.close()
    frames = wal_frames_of(wal, PAGE_SIZE)
    leaf = root_page(out_dir / 'wal_checksum.db', 'Notification')
    pages = [struct.unpack_from('>I', wal, at)[0] for at in frames]
    expect(pages == [leaf] * 3, f'wal_checksum: frames of pages {pages}')
    last = frames[-1]
    for at in (last + 16, last + 20):
        struct.pack_into('>I', wal, at, struct.unpack_from('>I', wal, at)[0] ^ 0x00A5A5A5)
    (out_dir / 'wal_checksum.db-wal').write_bytes(bytes(wal))
    con = open_copy([out_dir / 'wal_checksum.db', out_dir / 'wal_checksum.db-wal'],
                    scratch / 'wal_checksum')
    payload = con.execute('SELECT Payload FROM Notification WHERE [Order] = 1').fetchone()[0]
    con.close()
    expect(edge_marker('CHECKSUM', 2).encode() in payload,
           'wal_checksum: SQLite does not read the second commit')
    check_in_bytes(bytes(wal[last:]), 'wal_checksum last frame', [edge_marker('CHECKSUM', 3)])


def build_journal_sector(work, out_dir):
    """A journal whose header names a 4096-byte sector: a record of page 0 (no page) at 4096,
    then the Notification leaf as it was before Order 2 was deleted with secure delete on."""
    db = work / 'journal_sector.db'
    rows = edge_rows(range(1, 5), lambda o: 'JOURNAL-SECTOR' if o == 2 else 'LIVE',
                     lambda o: [2, 6, 7, 9][o % 4])
    con = create_database(db, 'DELETE')
    fill_edge(con, rows)
    before = db.read_bytes()
    leaf = root_page(db, 'Notification')
    con.execute('PRAGMA secure_delete=ON')
    delete_orders(con, [2])
    con.close()
    after = db.read_bytes()
    marker = edge_marker('JOURNAL-SECTOR', 2).encode()
    expect(marker not in after, 'journal_sector: marker in the main file')
    page = before[(leaf - 1) * PAGE_SIZE:leaf * PAGE_SIZE]
    header = JOURNAL_MAGIC + struct.pack('>IIIII', 2, EDGE_JOURNAL_NONCE,
                                         len(before) // PAGE_SIZE, EDGE_JOURNAL_SECTOR, PAGE_SIZE)
    empty = bytes(PAGE_SIZE)
    journal = (header.ljust(EDGE_JOURNAL_SECTOR, b'\0')
               + struct.pack('>I', 0) + empty
               + struct.pack('>I', journal_checksum(EDGE_JOURNAL_NONCE, empty))
               + struct.pack('>I', leaf) + page
               + struct.pack('>I', journal_checksum(EDGE_JOURNAL_NONCE, page)))
    shutil.copyfile(db, out_dir / 'journal_sector.db')
    (out_dir / 'journal_sector.db-journal').write_bytes(journal)


def write_edge(out_dir, work):
    (work / 'check').mkdir(exist_ok=True)
    build_emptied(out_dir / 'emptied.db', PAGE_SIZE)
    build_emptied(out_dir / 'emptied64k.db', EDGE_PAGE_SIZE_LARGE)
    build_handler_one(out_dir / 'handler1.db')
    build_handler_one_wal(work, out_dir)
    build_wal_checksum(work, out_dir, work / 'check')
    build_journal_sector(work, out_dir)


# ---------------------------------------------------------------------------------------


# ---------------------------------------------------------------------------------------
# String-anchored carving: the one leaf page of a 512-byte-page table holding a single row
# (rowid 300, an integer, a 20-character text), and the same row with a 40-byte zero blob
# between the integer and the text, which puts the header out of the anchor's reach.
# ---------------------------------------------------------------------------------------

ANCHORED_PAGE_SIZE = 512
ANCHORED_ROWID = 300
ANCHORED_NUMBER = 77
ANCHORED_TEXT = 'anchored row text 20'


def build_anchored_page(work, name, with_blob):
    db = work / f'{name}.db'
    con = sqlite3.connect(db, isolation_level=None)
    con.execute(f'PRAGMA page_size={ANCHORED_PAGE_SIZE}')
    if with_blob:
        con.execute('CREATE TABLE t(n INTEGER, z BLOB, s TEXT)')
        con.execute('INSERT INTO t(rowid, n, z, s) VALUES (?, ?, zeroblob(40), ?)',
                    (ANCHORED_ROWID, ANCHORED_NUMBER, ANCHORED_TEXT))
    else:
        con.execute('CREATE TABLE t(n INTEGER, s TEXT)')
        con.execute('INSERT INTO t(rowid, n, s) VALUES (?, ?, ?)',
                    (ANCHORED_ROWID, ANCHORED_NUMBER, ANCHORED_TEXT))
    con.close()
    data = db.read_bytes()
    page = data[ANCHORED_PAGE_SIZE:2 * ANCHORED_PAGE_SIZE]
    expect(len(ANCHORED_TEXT) == 20, 'anchored text is 20 characters')
    expect(page[0] == 0x0D and page[3:5] == b'\x00\x01', f'{name}: page 2 is a one-cell leaf')
    expect(ANCHORED_TEXT.encode() in page, f'{name}: the text is on the page')
    return page


def write_anchored(out_dir, work):
    (out_dir / 'one_cell_page.bin').write_bytes(build_anchored_page(work, 'one_cell', False))
    (out_dir / 'blob_first_page.bin').write_bytes(build_anchored_page(work, 'blob_first', True))


# ---------------------------------------------------------------------------------------
# Damaged table roots: the Notification table's root page is no b-tree page any more (its
# type byte zeroed), once where the root is the table's one leaf and once where it is an
# interior page above several leaves. Order 2 was deleted first (secure delete off), so a
# freeblock in a leaf still holds it. No walk from the schema reaches the rows: a carve must.
# ---------------------------------------------------------------------------------------

ROOTS_LIVE = 'ROOTS-LIVE'
ROOTS_DELETED = 'ROOTS-DELETED'


def build_zeroed_root(path, orders, repeat, root_kind):
    rows = edge_rows(orders, lambda o: ROOTS_DELETED if o == 2 else ROOTS_LIVE,
                     lambda o: [2, 6, 7, 9][o % 4], repeat)
    con = create_database(path, 'DELETE')
    fill_edge(con, rows)
    delete_orders(con, [2])
    con.close()
    data = bytearray(path.read_bytes())
    root = root_page(path, 'Notification')
    at = (root - 1) * PAGE_SIZE
    expect(data[at] == root_kind, f'{path.name}: root page {root} is of type {data[at]}')
    leaves = [root] if root_kind == 13 else table_leaves(bytes(data), root)
    expect(len(leaves) >= (1 if root_kind == 13 else 3), f'{path.name}: leaves {leaves}')
    expect(all(data[(p - 1) * PAGE_SIZE] == 13 for p in leaves), f'{path.name}: leaf types')
    data[at] = 0
    path.write_bytes(bytes(data))
    check_in_bytes(bytes(data), path.name,
                   [edge_marker(ROOTS_LIVE if o != 2 else ROOTS_DELETED, o) for o in orders])
    con = sqlite3.connect(f'file:{path}?mode=ro&immutable=1', uri=True)
    try:
        con.execute('SELECT max(length(Payload)) FROM Notification').fetchone()
        fail(f'{path.name}: SQLite still reads the Notification table')
    except sqlite3.DatabaseError:
        pass
    finally:
        con.close()


def write_roots(out_dir, work):
    del work  # everything is built in place
    build_zeroed_root(out_dir / 'leaf_root_zeroed.db', range(1, 5), 5, 13)
    build_zeroed_root(out_dir / 'interior_root_zeroed.db', range(1, 13), 30, 5)


# ---------------------------------------------------------------------------------------
# Values: the unusual values every output form must carry whole. A leading double quote
# (Type, Tag, HandlerType), the bar and the characters of multi-character separators ("ab",
# "::") inside names, payloads and URIs, a NULL HandlerId beside a handler, a channel and a
# setting keyed 0 and a channel and a setting keyed NULL, a negative Order, WNFEventName and
# settings Value, and arrivals in the first second of 1970 and in the last second of 1969.
# ---------------------------------------------------------------------------------------

VALUES_CREATED = filetime(2023, 3, 14, 8, 6, 12)
VALUES_HANDLERS = [
    (0, 'Zero.Handler_cw5n1h2txyewy!App', None, 'app:desktop', None, '2023-03-14 08:02:11'),
    (1, 'Contoso.Pipe|Bar_8wekyb3d8bbwe!App', 'ab::cd', '"q', -7, '2023-03-14 08:02:12'),
]
VALUES_SETTINGS = [(1, 's:toast', -3), (1, 's:tile', 1), (None, 's:null', 9), (0, 's:zero', 4)]
# The NULL-keyed channel comes first: a NULL taken for 0 would find it before the channel of
# handler 0.
VALUES_CHANNELS = [('chan-null', None, 'https://null.example/'),
                   ('chan-zero', 0, 'https://zero.example/'),
                   ('chan-one', 1, 'https://one.example/ab::x')]


def values_notifications():
    return [
        notification(-5, 41, None, '"q', toast('No handler', 'its key is NULL'),
                     filetime(1970, 1, 1, 0, 0, 0, 5_000_000), MINUTE),
        notification(2, 42, 1, 'toast', toast('Pipe | and "quotes"', 'ab::cd a:b, ab|x'),
                     filetime(2023, 3, 14, 9, 26, 53, 5_897_932), 3 * DAY, tag='"tag',
                     group='ab'),
        notification(3, 43, 0, 'tile', tile('Zero', 'handler 0'),
                     filetime(1969, 12, 31, 23, 59, 59), MINUTE),
    ]


def build_values(path):
    con = create_database(path, 'DELETE')
    con.execute('BEGIN')
    insert_handlers(con, VALUES_HANDLERS)
    con.executemany('INSERT INTO HandlerSettings (HandlerId, SettingKey, Value) VALUES (?, ?, ?)',
                    VALUES_SETTINGS)
    insert_notifications(con, values_notifications())
    insert_channels(con, [(c, h, u, VALUES_CREATED) for c, h, u in VALUES_CHANNELS])
    insert_metadata(con, 44)
    con.execute('COMMIT')
    null_keys = con.execute('SELECT (SELECT count(*) FROM Notification WHERE HandlerId IS NULL), '
                            '(SELECT count(*) FROM WNSPushChannel WHERE HandlerId IS NULL), '
                            '(SELECT count(*) FROM HandlerSettings WHERE HandlerId IS NULL)')
    expect(null_keys.fetchone() == (1, 1, 1), 'values: one NULL key in each keyed table')
    orders = [r[0] for r in con.execute('SELECT [Order] FROM Notification ORDER BY [Order]')]
    expect(orders == [-5, 2, 3], f'values: orders {orders}')
    con.close()


def write_values(out_dir, work):
    del work  # one file, written in place
    build_values(out_dir / 'values.db')


# ---------------------------------------------------------------------------------------
# Text encodings: one push database written three times, in UTF-8, UTF-16le and UTF-16be,
# with the same rows inserted and deleted in the same order. Texts (the schema's too) are
# stored in the database's encoding, blobs (payloads, activity ids) as the same bytes in all
# three; the deleted notification's residue is left in a freeblock of each.
# ---------------------------------------------------------------------------------------

ENCODING_PAGE_SIZE = 1024
ENCODINGS = [('utf8.db', 'UTF-8', 1), ('utf16le.db', 'UTF-16le', 2),
             ('utf16be.db', 'UTF-16be', 3)]
ENCODING_LIVE_ORDERS = [1, 2, 4, 5, 6, 8]
ENCODING_DELETED = 'VELK-ENCODING-DELETED-NOTIFICATION-1'
ENCODING_DELETED_ORDER = 20


def encoding_notifications():
    rows = [r for r in sample_notifications() if r[0] in ENCODING_LIVE_ORDERS]
    t = filetime(2023, 3, 14, 10, 30, 0, 1_357_913)
    rows.append(notification(ENCODING_DELETED_ORDER, 40, 9, 'toast',
                             toast('Ünread message', f'{ENCODING_DELETED} see you at 5'),
                             t, 3 * DAY, tag=ENCODING_DELETED, group='Messages'))
    return rows


def build_encoding(path, encoding):
    con = connect(path)
    # The encoding is fixed when the first table is written: before anything else.
    con.execute(f"PRAGMA encoding='{encoding}'")
    con.execute(f'PRAGMA page_size={ENCODING_PAGE_SIZE}')
    con.execute('PRAGMA auto_vacuum=NONE')
    con.execute('BEGIN')
    for _, _, sql in SCHEMA:
        con.execute(sql)
    con.execute('PRAGMA user_version=7')
    # Handler 8's name carries a deletion marker of the sample: it is left out here.
    insert_handlers(con, [h for h in HANDLERS if h[0] != SAMPLE_DELETED_HANDLER_ID])
    insert_notifications(con, encoding_notifications())
    insert_channels(con, CHANNELS)
    insert_metadata(con, 41)
    con.execute('COMMIT')
    con.execute('BEGIN')
    con.execute('DELETE FROM Notification WHERE [Order] = ?', (ENCODING_DELETED_ORDER,))
    con.execute('COMMIT')
    con.close()


def check_encodings(out_dir, scratch):
    contents = []
    for name, encoding, word in ENCODINGS:
        data = (out_dir / name).read_bytes()
        expect(struct.unpack_from('>I', data, 56)[0] == word, f'encoding {name}: header word')
        expect(struct.unpack_from('>H', data, 16)[0] == ENCODING_PAGE_SIZE,
               f'encoding {name}: page size')
        con = open_copy([out_dir / name], scratch / 'encoding')
        expect(con.execute('PRAGMA encoding').fetchone()[0] == encoding,
               f'encoding {name}: the library reads another encoding')
        check_schema(con, f'encoding {name}')
        check_live(con, f'encoding {name}', [], [ENCODING_DELETED])
        orders = [r[0] for r in con.execute('SELECT [Order] FROM Notification ORDER BY 1')]
        expect(orders == ENCODING_LIVE_ORDERS, f'encoding {name}: live orders {orders}')
        contents.append((row_counts(con), live_bytes(con)))
        con.close()
        # The marker is in the deleted payload (a blob: the same bytes in every encoding).
        check_in_bytes(data, f'encoding {name}', [ENCODING_DELETED])
    expect(all(c == contents[0] for c in contents), 'encoding: the three hold other rows')


def write_encodings(out_dir, work):
    for name, encoding, _ in ENCODINGS:
        build_encoding(out_dir / name, encoding)
    check_encodings(out_dir, work)


def extra_sets():
    """The sets that sibling modules named fixtures_*.py add, each by its SETS table of
    name -> writer(out_dir, work_dir). A module may import this one for its helpers."""
    sys.path.insert(0, str(HERE))
    sets = {}
    for module_path in sorted(HERE.glob('fixtures_*.py')):
        module = importlib.import_module(module_path.stem)
        for name, writer in module.SETS.items():
            if name in sets:
                fail(f'fixture set {name} is written by two modules')
            sets[name] = writer
    return sets


def main():
    if sys.argv[1:] == ['dbproc']:
        # The database-processing set alone: the other sets' WAL salts stay as committed.
        out = HERE / 'dbproc'
        shutil.rmtree(out, ignore_errors=True)
        out.mkdir()
        with tempfile.TemporaryDirectory() as tmp:
            work = pathlib.Path(tmp)
            (work / 'check').mkdir()
            write_dbproc(out, work, work / 'check')
        print(f'SQLite {sqlite3.sqlite_version}: dbproc {sorted(f.name for f in out.iterdir())}')
        return
    writers = {'recovery': write_recovery, 'edge': write_edge, 'carve': write_carve,
               'anchored': write_anchored, 'roots': write_roots, 'values': write_values,
               'encoding': write_encodings}
    extras = extra_sets()
    writers.update(extras)
    if len(sys.argv) == 2 and sys.argv[1] in writers:
        # One set alone: the other sets' WAL salts and journal nonces stay as committed.
        name = sys.argv[1]
        out = HERE / name
        shutil.rmtree(out, ignore_errors=True)
        out.mkdir()
        with tempfile.TemporaryDirectory() as tmp:
            writers[name](out, pathlib.Path(tmp))
        print(f'SQLite {sqlite3.sqlite_version}: {name} {sorted(f.name for f in out.iterdir())}')
        return
    outputs = {name: HERE / name
               for name in ('sample', 'journal', 'damaged', 'records', 'walk', 'carve',
                            'dbproc', 'recovery', 'edge', 'anchored', 'roots', 'values',
                            'encoding', *extras)}
    for out in outputs.values():
        shutil.rmtree(out, ignore_errors=True)
        out.mkdir()
    with tempfile.TemporaryDirectory() as tmp:
        work = pathlib.Path(tmp)
        for sub in ('sample', 'journal', 'walk', 'check', 'carve'):
            (work / sub).mkdir()
        build_sample(work / 'sample', outputs['sample'])
        frames = check_sample(outputs['sample'], work / 'check')
        before = build_journal(work / 'journal', outputs['journal'])
        spilled = check_journal(outputs['journal'], before, work / 'check')
        sample_db = outputs['sample'] / 'wpndatabase.db'
        pages = build_damaged(sample_db, outputs['damaged'])
        check_damaged(outputs['damaged'], sample_db, pages, work / 'check')
        write_records(outputs['records'], work / 'check')
        write_walk(work / 'walk', outputs['walk'], work / 'check')
        write_carve(outputs['carve'], work / 'carve')
        write_dbproc(outputs['dbproc'], work / 'carve', work / 'check')
        (work / 'recovery').mkdir()
        write_recovery(outputs['recovery'], work / 'recovery')
        (work / 'edge').mkdir()
        write_edge(outputs['edge'], work / 'edge')
        (work / 'anchored').mkdir()
        write_anchored(outputs['anchored'], work / 'anchored')
        write_roots(outputs['roots'], work)
        write_values(outputs['values'], work)
        (work / 'encoding').mkdir()
        write_encodings(outputs['encoding'], work / 'encoding')
        for name, writer in extras.items():
            (work / name).mkdir()
            writer(outputs[name], work / name)
    print(f'SQLite {sqlite3.sqlite_version}')
    print(f'sample: {sample_db.stat().st_size // PAGE_SIZE} pages, {frames} WAL frames')
    print(f'journal: pages written before commit {spilled}')
    print(f'damaged: pages {pages}')
    total = sum(f.stat().st_size for out in outputs.values() for f in out.iterdir())
    print(f'total {total} bytes')


if __name__ == '__main__':
    main()
