#!/usr/bin/env python3
"""Writes a large Access (Jet 4) vocabulary for the fill benchmark.

It takes the small word_fixture.mdb (catalogue, table `word`, the program's password) as its
frame, drops its rows, and appends data pages holding ROWS rows of en, ch from a CSV word list,
all under one course key. The usage map of `word` is rewritten to cover the new pages.
usage: make_jet_vocabulary.py FIXTURE.mdb WORDS.csv[.gz] ROWS COURSE OUT.mdb
"""
import csv
import gzip
import io
import struct
import sys

PAGE = 4096
WORD_TDEF = 3      # page of table word's definition in the fixture
MAP_PAGE = 4       # page holding the usage maps
WORD_MAP_ROW = 2   # row of that page with word's usage map


def text(value):
    """Jet 4 text: compressed (FF FE + one byte a character) when every character fits in
    one byte and none is NUL, else UCS-2."""
    if value and all(0 < ord(c) < 256 for c in value):
        return b"\xff\xfe" + value.encode("latin-1")
    return value.encode("utf-16-le")


def row(en, ch, subclass):
    fields = [text(en), text(ch), text(subclass)]
    data = b"".join(fields)
    starts, pos = [], 2
    for field in fields:
        starts.append(pos)
        pos += len(field)
    offsets = struct.pack("<H", pos) + b"".join(struct.pack("<H", s) for s in reversed(starts))
    return struct.pack("<H", 3) + data + offsets + struct.pack("<H", 3) + b"\x07"


def data_page(rows):
    body = bytearray(PAGE)
    body[0:2] = b"\x01\x01"
    body[4:8] = struct.pack("<I", WORD_TDEF)
    body[12:14] = struct.pack("<H", len(rows))
    end = PAGE
    for i, r in enumerate(rows):
        end -= len(r)
        body[end:end + len(r)] = r
        body[14 + 2 * i:16 + 2 * i] = struct.pack("<H", end)
    body[2:4] = struct.pack("<H", end - (14 + 2 * len(rows)))
    return bytes(body)


def pages_of(words):
    page, used = [], 14
    for r in words:
        if used + len(r) + 2 > PAGE - 16:
            yield page
            page, used = [], 14
        page.append(r)
        used += len(r) + 2
    if page:
        yield page


def usage_map_page(old, first_data_page, page_count):
    """The map page with word's usage map grown to cover every new data page."""
    count = struct.unpack_from("<H", old, 12)[0]
    offsets = [struct.unpack_from("<H", old, 14 + 2 * i)[0] & 0x1FFF for i in range(count)]
    ends = [PAGE] + offsets[:-1]
    records = [old[o:e] for o, e in zip(offsets, ends)]
    bitmap = bytearray((first_data_page + page_count + 7) // 8)
    for p in range(first_data_page, first_data_page + page_count):
        bitmap[p // 8] |= 1 << (p % 8)
    records[WORD_MAP_ROW] = b"\x00" + struct.pack("<I", 0) + bytes(bitmap)
    return data_page_raw(old[:12], records)


def data_page_raw(header, records):
    body = bytearray(PAGE)
    body[0:12] = header
    body[12:14] = struct.pack("<H", len(records))
    end = PAGE
    for i, r in enumerate(records):
        end -= len(r)
        body[end:end + len(r)] = r
        body[14 + 2 * i:16 + 2 * i] = struct.pack("<H", end)
    body[2:4] = struct.pack("<H", end - (14 + 2 * len(records)))
    return bytes(body)


def main():
    fixture, source, count, course, out = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]
    frame = bytearray(open(fixture, "rb").read())
    opener = gzip.open if source.endswith(".gz") else open
    words = []
    with opener(source, "rb") as raw:
        for record in csv.DictReader(io.TextIOWrapper(raw, encoding="utf-8")):
            r = row(record["en"][:255], record["ch"][:255], course)
            if len(r) < 1500:
                words.append(r)
            if len(words) == count:
                break
    pages = [data_page(p) for p in pages_of(words)]
    # The fixture's own data page of word (page 6) goes; the new pages follow the frame.
    first = len(frame) // PAGE
    frame[6 * PAGE:7 * PAGE] = data_page([])
    frame[MAP_PAGE * PAGE:(MAP_PAGE + 1) * PAGE] = usage_map_page(
        bytes(frame[MAP_PAGE * PAGE:(MAP_PAGE + 1) * PAGE]), first, len(pages))
    struct.pack_into("<I", frame, WORD_TDEF * PAGE + 16, len(words))
    with open(out, "wb") as f:
        f.write(frame)
        for p in pages:
            f.write(p)
    print(f"{len(words)} rows on {len(pages)} pages written to {out}")


if __name__ == "__main__":
    main()
