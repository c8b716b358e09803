#!/usr/bin/env python3
"""Acceptance cases of raw page chunks: a chunk cut anywhere gives the same records, each
once, and a chunk of millions of tiny records is read in memory bounded by its size.

    python3 tests/e2e/chunk_e2e.py --velk build/velk --data tests/data --real ../shared/data/real
"""

import os
import re
import subprocess

import velk_e2e as e2e

OFFSET = re.compile(r'"record offset":"0x([0-9a-f]+)"')
# Zero bytes in front of the four pages: none, the sector multiples a partition may start
# at, and an odd cut.
LEADS = [0, 512, 1024, 2048, 3584, 1001]
PAGES_RECORDS = 60


def chunk_rows(result, name):
    """(record offset, the row with its offset and the chunk's name taken out) per row."""
    rows = []
    for row in result.report()[1:]:
        offset = OFFSET.search(row)
        rows.append((int(offset.group(1), 16) if offset else None,
                     OFFSET.sub('', row).replace(name, '')))
    return rows


# The 43-byte cell SQLite writes for one notification of the platform's schema: Order 7 (the
# rowid), Id 7, HandlerId 2, ActivityId NULL, Type 'badge', an empty Payload, empty Tag and
# Group, ExpiryTime and ArrivalTime (8-byte integers), DataVersion 0, PayloadType 'Xml',
# BootId 0, ExpiresOnReboot 0.
TINY_CELL = bytes.fromhex('2907'                                # payload size, rowid
                          '0f00010100170c0d0d060608130808'       # record header
                          '0702' '6261646765'                     # Id, HandlerId, 'badge'
                          '01da6c8001a42800' '01da6bb6d73a6800'   # ExpiryTime, ArrivalTime
                          '586d6c')                               # 'Xml'


class ChunkAtAnyLead(e2e.Case):
    def test_every_record_once_whatever_the_lead(self):
        pages = os.path.join(e2e.DATA, 'chunkcut', 'pages.bin')
        with open(pages, 'rb') as f:
            data = f.read()
        aligned = None
        for lead in LEADS:
            with self.subTest(lead=lead):
                name = f'lead{lead}.bin'
                with open(self.path(name), 'wb') as f:
                    f.write(bytes(lead) + data)
                result = self.velk(['-db', name, '-parse_chunk', '-csv', '-quiet'])
                self.assertEqual(result.status, 0, result.err)
                rows = chunk_rows(result, name)
                self.assertEqual(len(rows), PAGES_RECORDS, result.out)
                self.assertEqual(len({offset for offset, _ in rows}), PAGES_RECORDS)
                orders = sorted(int(m) for m in re.findall(r'>Chunk (\d+)<', result.out))
                self.assertEqual(orders, list(range(1, PAGES_RECORDS + 1)))
                if aligned is None:
                    aligned = rows
                    continue
                # The same records with the same values, each where the lead moved it.
                self.assertEqual(rows, [(offset + lead, row) for offset, row in aligned])


class TinyRecordsChunk(e2e.Case):
    CHUNK_BYTES = 3 << 20

    def run_peak(self, name):
        """velk -parse_chunk on the file: its report and its peak RSS in KiB. A sanitizer
        build keeps freed blocks aside (256 MiB of them by default): here it reuses them at
        once, so that the peak measures what velk holds."""
        env = dict(os.environ)
        env['ASAN_OPTIONS'] = ':'.join(filter(None, [
            env.get('ASAN_OPTIONS'), 'quarantine_size_mb=0', 'thread_local_quarantine_size_kb=0']))
        with open(self.path('report'), 'wb') as out:
            child = subprocess.Popen([os.path.abspath(e2e.VELK), '-db', name, '-parse_chunk',
                                      '-csv', '-quiet'], cwd=self.tmp, stdout=out,
                                     stderr=subprocess.DEVNULL, env=env)
            _, status, usage = os.wait4(child.pid, 0)
        self.assertEqual(os.waitstatus_to_exitcode(status), 0)
        with open(self.path('report'), encoding='utf-8') as f:
            return e2e.Run(0, f.read(), ''), usage.ru_maxrss

    def test_many_tiny_records_same_rows_in_bounded_memory(self):
        cell = TINY_CELL
        self.assertEqual(len(cell), 43)
        with open(self.path('one.bin'), 'wb') as f:
            f.write(cell)
        one, _ = self.run_peak('one.bin')
        (_, expected), = chunk_rows(one, 'one.bin')
        # What a run takes whatever the chunk's size: a thousand records, enough for the
        # report to be written on several threads.
        with open(self.path('few.bin'), 'wb') as f:
            f.write(cell * 1000)
        _, floor = self.run_peak('few.bin')
        count = self.CHUNK_BYTES // len(cell)
        with open(self.path('tiny.bin'), 'wb') as f:
            f.write(cell * count)
        result, peak = self.run_peak('tiny.bin')
        rows = chunk_rows(result, 'tiny.bin')
        # Every cell once, in file order, each row the row of the cell alone.
        self.assertEqual(len(rows), count)
        first = rows[0][0]
        self.assertEqual([offset for offset, _ in rows],
                         [first + i * len(cell) for i in range(count)])
        self.assertEqual({row for _, row in rows}, {expected})
        # The records are held compactly: a few times the chunk above what the run of one
        # record takes (KiB); kept whole they took over thirty times.
        self.assertLess(peak, floor + 4 * self.CHUNK_BYTES // 1024)


if __name__ == '__main__':
    e2e.run_module_suite()
