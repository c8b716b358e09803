#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets.

    python3 tests/fuzz/make_corpus.py                      # committed corpus, from fixtures
    python3 tests/fuzz/make_corpus.py --real DIR --out DIR # adds pages of the real files

The committed corpus (tests/fuzz/corpus/<target>/) is built only from the project's own
fixtures (tests/data); pages of the real database are never copied into the project, so
`make fuzz` adds them to a scratch seed folder at run time. Every value is fixed: the same
fixtures give the same seeds.

sqlite_pages input: [options][page size code][page index][image], page size 512 << code.
"""

import argparse
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
DATA = HERE.parent / 'data'

SIZE_CODES = {512: 0, 1024: 1, 2048: 2, 4096: 3, 8192: 4}
# Option bits of sqlite_pages: 1 raw blobs, 2 skip overflow, 4 no rowid, 8 UTF-16 text,
# 16 capture headers, 32 annotate times, top two bits reserved bytes / 32.
PLAIN, RAW, SKIP, NO_ROWID, UTF16, CAPTURE = 0x00, 0x01, 0x02, 0x04, 0x08, 0x10


def page(data, number, size):
    return data[(number - 1) * size:number * size]


def seed(options, size, index, image):
    return bytes([options, SIZE_CODES[size], index]) + image


def spill_chain_image(records):
    """The spilling row's leaf as image page 1 and its overflow chain renumbered 2 to 6."""
    size = 1024
    leaf = bytearray(page(records, 5, size))
    cell = struct.unpack('>H', leaf[8:10])[0]
    # payload varint (2 bytes) + rowid (1 byte) + 525 local bytes: the first overflow page.
    at = cell + 3 + 525
    chain = [struct.unpack('>I', leaf[at:at + 4])[0]]
    while True:
        nxt = struct.unpack('>I', page(records, chain[-1], size)[:4])[0]
        if nxt == 0:
            break
        chain.append(nxt)
    leaf[at:at + 4] = struct.pack('>I', 2)
    image = bytes(leaf)
    for i, number in enumerate(chain):
        overflow = bytearray(page(records, number, size))
        overflow[:4] = struct.pack('>I', i + 3 if i + 1 < len(chain) else 0)
        image += bytes(overflow)
    return image


def fixture_seeds():
    records = (DATA / 'records' / 'records.db').read_bytes()
    utf16 = (DATA / 'records' / 'records_utf16.db').read_bytes()
    sample = (DATA / 'sample' / 'wpndatabase.db').read_bytes()
    looped = (DATA / 'damaged' / 'freeblock_loop.db').read_bytes()
    past_end = (DATA / 'damaged' / 'cell_pointer_past_end.db').read_bytes()
    seeds = {}
    for number in range(1, 10):
        seeds[f'records_page_{number}'] = seed(RAW, 1024, 0, page(records, number, 1024))
    seeds['records_page_3_no_rowid'] = seed(NO_ROWID | CAPTURE, 1024, 0, page(records, 3, 1024))
    seeds['records_spill_chain'] = seed(RAW, 1024, 0, spill_chain_image(records))
    seeds['records_spill_skipped'] = seed(SKIP, 1024, 0, spill_chain_image(records))
    seeds['utf16_page_2'] = seed(UTF16, 1024, 0, page(utf16, 2, 1024))
    seeds['utf16_page_1'] = seed(UTF16, 1024, 0, page(utf16, 1, 1024))
    for number in (1, 2, 3, 5, 7):
        seeds[f'sample_page_{number}'] = seed(PLAIN, 4096, 0, page(sample, number, 4096))
    seeds['damaged_freeblock_loop'] = seed(PLAIN, 4096, 0, page(looped, 7, 4096))
    seeds['damaged_cell_pointer_past_end'] = seed(RAW, 4096, 0, page(past_end, 7, 4096))
    seeds['records_page_2_cut'] = seed(RAW, 1024, 0, page(records, 2, 1024)[:700])
    return seeds


def real_seeds(real_dir):
    real = (pathlib.Path(real_dir) / 'wpndatabase.db').read_bytes()
    return {f'real_page_{n}': seed(PLAIN, 4096, 0, page(real, n, 4096))
            for n in (1, 2, 3, 5, 7, 26, 31)}


def write(out_dir, seeds):
    target = pathlib.Path(out_dir) / 'sqlite_pages'
    target.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (target / name).write_bytes(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--real', help='folder of the real database files')
    parser.add_argument('--out', default=str(HERE / 'corpus'))
    args = parser.parse_args()
    seeds = fixture_seeds()
    if args.real:
        seeds = real_seeds(args.real)  # the fixture seeds are read from the committed corpus
    write(args.out, seeds)


if __name__ == '__main__':
    main()
