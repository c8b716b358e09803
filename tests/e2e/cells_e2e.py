#!/usr/bin/env python3
"""Acceptance cases for how report cells are written: terminal control characters in
stored values, cells holding the CSV separator, and the ActivityId as stored.

    python3 tests/e2e/cells_e2e.py --velk build/velk --data tests/data --real ../shared/data/real
"""

import csv
import re

import velk_e2e as e2e

# The fixture set tests/data/cells (tests/data/fixtures_cells.py).
CONTROLS = 'cells/controls.db'
ACTIVITY = 'cells/activity.db'

# A character that would reach a terminal as a control: C0 but tab, LF and CR; DEL; the C1
# controls; and a byte 0x80-0x9F that is no UTF-8 (surrogate-escaped when decoded).
RAW_CONTROL = re.compile('[\x00-\x08\x0b\x0c\x0e-\x1f\x7f\x80-\x9f\udc80-\udc9f]')

HIDER_PAYLOAD = ("<toast><visual><binding template='ToastGeneric'><text id='1'>Hide</text>"
                 "<text id='2'>VELK-CELLS-HIDER-1 bell\\x07 del\\x7f csi\\u009b2K</text>"
                 "</binding></visual></toast>\\x1b[1A\\x1b[2K\\x1b[1A\\x1b[2K")
# Kept as stored: well-formed UTF-8 whose continuation bytes lie in 0x80-0x9F, and a lone
# byte E9 (no UTF-8, no control); the stray byte 0x9B before it is escaped.
KEPT_PAYLOAD = 'VELK-CELLS-KEPT-1 Grüße € 東 ś \\x9b'
KEPT_BYTE = '\udce9</text>'
SHORT_NAME = 'Contoso.Esc\\x1b[31mRed'
PRIMARY_ID = 'Contoso.Esc\\x1b[31mRed_8wekyb3d8bbwe!App'
CHANNEL_URI = 'https://ctl.example/\\x07bell'
TAG = 'tag\\x1b]0;pwned\\x07'


def csv_rows(result, separator=','):
    header, *rows = csv.reader(result.report(), delimiter=separator)
    return header, rows


class ControlsInEveryForm(e2e.Case):
    """A planted payload ending in cursor-up and erase-line sequences (with BEL, DEL and
    U+009B before them) reaches no form raw: each control is written as a visible escape,
    every other byte of the value as stored, one report line per notification."""

    # (name, options, fragments that must appear, lines per notification, CSV reader)
    FORMS = [
        ('table', ['-all_fields'], [HIDER_PAYLOAD, SHORT_NAME, CHANNEL_URI, TAG, 'grp\\x7f'],
         1, False),
        ('csv', ['-csv', '-all_fields'], [HIDER_PAYLOAD, SHORT_NAME, CHANNEL_URI, TAG], 1, True),
        ('csvl2t', ['-csvl2t'], [HIDER_PAYLOAD, SHORT_NAME, 'PrimaryID: ' + PRIMARY_ID], 2, True),
        ('bodyfile', ['-bodyfile'], ['Payload: ' + HIDER_PAYLOAD, 'PrimaryID: ' + PRIMARY_ID],
         1, False),
        ('multiline', ['-multiline', '-all_fields'],
         ['Payload:', HIDER_PAYLOAD, SHORT_NAME, CHANNEL_URI, TAG], None, False),
    ]

    def test_every_form(self):
        db = self.fixture_copy(CONTROLS, 'c.db')
        for name, options, fragments, per_row, reader in self.FORMS:
            with self.subTest(name):
                result = self.velk(['-db', db, '-quiet'] + options)
                self.assertEqual(result.status, 0, result.err)
                self.assertIsNone(RAW_CONTROL.search(result.out), repr(result.out))
                for fragment in fragments + [KEPT_PAYLOAD, KEPT_BYTE, 'VELK-CELLS-VICTIM-1']:
                    self.assertIn(fragment, result.out)
                if per_row is None:
                    continue
                if reader:
                    header, rows = csv_rows(result)
                    self.assertEqual([len(r) for r in rows], [len(header)] * 3 * per_row)
                else:
                    self.assertEqual(len(result.report()), 1 + 3 * per_row, result.out)

    def test_line_breaks_keep_their_forms(self):
        """CR and LF are no escapes: the table writes them raw, CSV as markers."""
        import sqlite3
        db = self.fixture_copy(CONTROLS, 'c.db')
        con = sqlite3.connect(db)
        with con:
            con.execute("UPDATE Notification SET Tag = 'a\r\nb\x1bc' WHERE [Order] = 1")
        con.close()
        table = self.velk(['-db', db, '-quiet', '-all_fields'])
        self.assertIn('a\r\nb\\x1bc', table.out)
        listed = self.velk(['-db', db, '-quiet', '-csv', '-all_fields'])
        self.assertIn('a[CRLF]b\\x1bc', listed.out)

    def test_names_in_messages(self):
        """A planted file name in a walked folder reaches stderr escaped, like a cell."""
        import os
        folder = self.path('walk')
        os.makedirs(folder)
        with open(os.path.join(folder, 'x\x1b[1A\x1b[2K\rcover.db'), 'wb') as planted:
            planted.write(b'no database here')
        result = self.velk(['-enumdir', folder])
        self.assertIn('x\\x1b[1A\\x1b[2K\\x0dcover.db', result.err)
        # Captured through a pipe: no status line, so no control may be there at all.
        self.assertIsNone(RAW_CONTROL.search(result.err), repr(result.err))
        self.assertNotIn('\r', result.err)


class SeparatorInCells(e2e.Case):
    """Every CSV form read back with Python's csv module under each separator: one row per
    notification (per distinct time in log2timeline CSV), each as wide as the header, the
    header and the time column as under ","."""

    SEPARATORS = [':', '-', '.', '0', ' ', ';', '|']
    FORMS = [['-csv'], ['-csv', '-all_fields', '-incl_settings'],
             ['-csv', '-no_whitespace', '-all_fields'], ['-csvgen', '-all_fields'], ['-csvl2t']]

    def check_database(self, db):
        for form in self.FORMS:
            base = self.velk(['-db', db, '-quiet'] + form)
            self.assertEqual(base.status, 0, base.err)
            base_header, base_rows = csv_rows(base)
            self.assertTrue(base_rows, base.out)
            for separator in self.SEPARATORS:
                with self.subTest(form=form, separator=separator):
                    result = self.velk(['-db', db, '-quiet', '-csv_separator', separator] + form)
                    self.assertEqual(result.status, 0, result.err)
                    header, rows = csv_rows(result, separator)
                    self.assertEqual(header, base_header, result.out)
                    self.assertEqual([len(r) for r in rows], [len(header)] * len(base_rows),
                                     result.out)
                    self.assertEqual([r[0] for r in rows], [r[0] for r in base_rows])

    def test_real_database(self):
        self.check_database(self.real_copy())

    def test_values_fixture(self):
        self.check_database(self.fixture_copy('values/values.db', 'v.db'))

    def test_quoted_cells_keep_their_text(self):
        """A cell quoted for the separator doubles its own quotes and reads back whole."""
        db = self.fixture_copy('values/values.db', 'v.db')
        result = self.velk(['-db', db, '-quiet', '-csv', '-all_fields', '-csv_separator', ' '])
        header, rows = csv_rows(result, ' ')
        by_order = {row[header.index('Order')]: dict(zip(header, row)) for row in rows}
        self.assertEqual(by_order['2']['Tag'], '"tag')
        self.assertEqual(by_order['2']['Source of Notification'], 'Contoso.Pipe|Bar')
        self.assertEqual(by_order['2']['Notification ArrivalTime'], ' 2023-03-14 09:26:53.589')
        self.assertIn('"Notification ArrivalTime" "Notification ExpiryTime"', result.report()[0])


class ActivityIdAsStored(e2e.Case):
    """The ActivityId shows what is stored, the same in every mode: a 16-byte blob as a
    GUID, a text as its text, any other blob in hex, nothing for NULL, an empty blob or
    all-zero bytes."""

    GUID = '3f2504e0-4f89-11d3-9a0c-0305e82c3301'
    LIVE = {'1': GUID, '2': GUID, '3': 'abcdefghijklmnop', '4': '0102030405060708',
            '5': 'a0a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2b3', '6': '', '7': '', '8': '',
            '9': '1234'}
    # The deleted notification, left in a freeblock, keeps its GUID (its Order, the cell's
    # rowid, may be lost with the cell's start).
    DELETED = '9c1f4b2a-7d3e-4e88-b6a0-51c2d9e8f370'

    def activity_ids(self, result):
        self.assertEqual(result.status, 0, result.err)
        header, rows = csv_rows(result)
        return [(row[header.index('Order')], row[header.index('ActivityId')]) for row in rows]

    def test_every_mode(self):
        db = self.fixture_copy(ACTIVITY, 'a.db')
        for mode, recovered in ((['-db', db], []), (['-db', db, '-incl_slack'], [self.DELETED]),
                                (['-db', db, '-carve'], [self.DELETED])):
            with self.subTest(mode):
                ids = self.activity_ids(self.velk(mode + ['-quiet', '-csv', '-all_fields']))
                live = {order: value for order, value in ids if order in self.LIVE}
                self.assertEqual(live, self.LIVE)
                self.assertEqual([v for o, v in ids if o not in self.LIVE], recovered, ids)

    def test_table_and_multiline(self):
        db = self.fixture_copy(ACTIVITY, 'a.db')
        table = self.velk(['-db', db, '-quiet', '-all_fields'])
        self.assertIn(' | abcdefghijklmnop     ', table.out)
        multiline = self.velk(['-db', db, '-quiet', '-multiline', '-all_fields'])
        self.assertIn('ActivityId:', multiline.out)
        self.assertIn(' a0a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2b3\n', multiline.out)

    def test_real_database_unchanged(self):
        """The real database's ActivityIds are 16 zero bytes: shown empty, as before."""
        db = self.real_copy()
        for mode in ([], ['-carve']):
            with self.subTest(mode):
                ids = self.activity_ids(self.velk(['-db', db, '-quiet', '-csv', '-all_fields'] +
                                                  mode))
                self.assertEqual([value for _, value in ids], [''] * e2e.REAL_ROWS)

if __name__ == '__main__':
    e2e.run_module_suite()
