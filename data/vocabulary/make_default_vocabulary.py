#!/usr/bin/env python3
"""Writes default_words.csv, the rows of the vocabulary the program ships, from the open lists
prepared by the shared vocabulary build (words.csv and extra_words.csv, see README.md), and packs
it as default_words.tar.xz. The lists are renamed to the plain course names the tree shows and
kept in the order below, which is the order the tree lists them in.

    usage: make_default_vocabulary.py SHARED_VOCAB_FOLDER
"""
import csv
import io
import lzma
import pathlib
import sys
import tarfile

# Source list name -> course name, in tree order. Lists marked unfinished at their source are
# left out.
LISTS = [
    ("ECDICT:中考词汇(zk)", "中考词汇"),
    ("ECDICT:高考词汇(gk)", "高考词汇"),
    ("ECDICT:四级词汇(cet4)", "大学英语四级词汇"),
    ("ECDICT:六级词汇(cet6)", "大学英语六级词汇"),
    ("ECDICT:考研词汇(ky)", "考研词汇"),
    ("ECDICT:托福词汇(toefl)", "托福词汇"),
    ("ECDICT:雅思词汇(ielts)", "雅思词汇"),
    ("ECDICT:GRE词汇(gre)", "GRE词汇"),
    ("english-phrases:初中短语(junior)", "初中短语"),
    ("english-phrases:高中短语(senior)", "高中短语"),
    ("english-phrases:考研短语(npee,未完成)", "考研短语"),
]
# Rows already filed under one of the program's course books keep their name.
BOOKS = ["英语四级考试词组", "英语六级考试词组"]


def read(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.DictReader(f))


def main():
    shared = pathlib.Path(sys.argv[1])
    here = pathlib.Path(__file__).resolve().parent
    extra = read(shared / "extra_words.csv")
    books = read(shared / "words.csv")
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(["en", "ch", "subclass"])
    counts = {}
    for source, name in LISTS:
        for row in extra:
            if row["subclass"] == source:
                writer.writerow([row["en"], row["ch"], name])
                counts[name] = counts.get(name, 0) + 1
    for book in BOOKS:
        for row in books:
            if row["subclass"] == book:
                writer.writerow([row["en"], row["ch"], book])
                counts[book] = counts.get(book, 0) + 1
    data = out.getvalue().encode("utf-8")
    info = tarfile.TarInfo("default_words.csv")
    info.size = len(data)
    info.mtime = 0  # the same input packs to the same bytes
    with lzma.open(here / "default_words.tar.xz", "wb", preset=9 | lzma.PRESET_EXTREME) as xz:
        with tarfile.open(fileobj=xz, mode="w", format=tarfile.USTAR_FORMAT) as tar:
            tar.addfile(info, io.BytesIO(data))
    for name, n in counts.items():
        print(f"{n:6d}  {name}")
    print(f"{sum(counts.values()):6d}  rows in {len(counts)} lists")


if __name__ == "__main__":
    main()
