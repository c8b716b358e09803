#!/usr/bin/env python3
"""Writes the seed corpus of the markup_text fuzz target.

    python3 tests/fuzz/make_markup_corpus.py

Input: [flags][name length][name][text]; flag bits 1 trim and case-blind, 2 percent forms,
4 a name stretched past 256 characters, 8 half the length, bits 4 to 7 n. Every seed is
written out here, so the same script always gives the same files.
"""

import pathlib

OUT = pathlib.Path(__file__).resolve().parent / 'corpus' / 'markup_text'
TRIM, PERCENT, LONG_NAME, HALF = 0x01, 0x02, 0x04, 0x08

SEEDS = {
    'html_page': (TRIM | 0x20, b'href',
                  b'<HTML><A  HREF = X.Html id="7">link</a>\r\n<pre> a<b> </pre>'
                  b'<script>if(a<b)c()</script><? echo 1 ?>tail'),
    'xml_declaration': (0x10, b'version', b'<?xml version="1.0" encoding=\'utf-8\'?><r/>'),
    'nested_elements': (TRIM, b'x', b'a<x><y/>z</x>b<X>open<x/>c</X>d<x>never closed'),
    'self_closing_no_blank': (0, b'b', b'a<b/>c'),
    'percent_escapes': (PERCENT, b'/', b'a%41b%2541%0A%2Fc%zz%4'),
    'json_array': (TRIM, b'A', b'[{"a": "x,y", "b": 2},{"c":{"d":"}"}}]'),
    'unclosed_everything': (HALF | PERCENT, b'name', b'<t name = \'x y name="z {"a":[\x01\xff%'),
    'long_name': (LONG_NAME, b'n', b'<t n="1" b="2">' + b'n' * 260 + b'="v" '),
}


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for name, (flags, attribute, text) in SEEDS.items():
        (OUT / name).write_bytes(bytes([flags, len(attribute)]) + attribute + text)


if __name__ == '__main__':
    main()
