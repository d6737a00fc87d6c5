#!/usr/bin/env python3
"""gen_data.py - writes the benchmark rows in the forms the contenders read.

    gen_data.py N DIR  ->  DIR/rows.csv   delimited, comma separated, one row a line
                           DIR/rows.fix   fixed records of 126 bytes (line feed included),
                                          dates YYYY-MM-DD: the engine's external table
    gen_data.py --blobs N DIR
                       ->  DIR/blobs/NNNNNN.txt  N text files of 100 KiB (lines of up to 72
                                                 characters and a line feed)
                           DIR/blobs.txt  delimited: id,name of the blob file
                           DIR/blobs.csv  CSV: id,"the same text inline"

Both row files hold the same N rows of bench_rows (id, name, amount, born, note):
id 1..N, a name of up to 30 characters, an amount of at most two decimals
written in its shortest form (12.5, 7; some negative), a date and a note of
up to 60 characters. The CSV writes the date day first (DD/MM/YYYY), the
fixed records YYYY-MM-DD (the engine's own text-to-date conversion would read
a day-first date with slashes as month first). The rows are the same on every
run (fixed seed), so timings of different runs compare like with like. The CSV is written exactly as the
unloaders write the table back (shortest numbers, day-first dates), so an
unload of a freshly loaded table can be compared with it byte for byte.

Texts hold letters, digits, blanks, '-' and '.', and never start with a blank,
so every reader takes them as they are: no separators, quotes, apostrophes or
backslashes to escape. Every field has a value (no NULLs): a blank fixed field
would be a NULL to one reader and a text of blanks to another.

Fixed layout (1-based byte positions): id 1-10, name 11-40, amount 41-55,
born 56-65, note 66-125, line feed 126. Every field is left-aligned and blank
padded, numbers too: a minus sign must be the first byte of a number field.
The engine's external table reads the records as CHAR columns of those widths
and converts them in its INSERT ... SELECT.
"""
import os
import random
import sys

BLOB_BYTES = 100 * 1024
BLOB_TEXTS = 16  # distinct blob contents, used in turn
FIXED_WIDTHS = (10, 30, 15, 10, 60)  # plus the line feed: 126 bytes a record

FIRST = ("Ada Alan Grace Edsger Barbara Donald Ken Dennis Niklaus John Frances "
         "Margaret Tony Leslie Robin Radia Hedy Claude Katherine Seymour").split()
LAST = ("Lovelace Turing Hopper Dijkstra Liskov Knuth Thompson Ritchie Wirth "
        "Backus Allen Hamilton Hoare Lamport Milner Perlman Lamarr Shannon "
        "Johnson Papert Kernighan-Pike Stroustrup").split()
WORDS = ("batch load ledger account north south east west overdue paid "
         "review pending archive branch transfer credit debit monthly annual "
         "audit v2 ref.7 key-42 region 2019 final draft checked").split()


def make_pools(rng):
    """Precomputed texts, so the per-row cost is a few index picks."""
    names = []
    for _ in range(2000):
        name = "%s %s" % (rng.choice(FIRST), rng.choice(LAST))
        if rng.random() < 0.5:
            name += " %d" % rng.randrange(1, 1000)
        names.append(name[:30].rstrip())
    notes = []
    for _ in range(2000):
        note = " ".join(rng.choice(WORDS) for _ in range(rng.randrange(1, 12)))
        notes.append(note[:60].rstrip())
    return names, notes


def days_in_month(year, month):
    if month == 2:
        leap = year % 4 == 0 and (year % 100 != 0 or year % 400 == 0)
        return 29 if leap else 28
    return 30 if month in (4, 6, 9, 11) else 31


def make_row(rng, row_id, names, notes):
    """One row as texts: (id, name, amount, (day, month, year), note)."""
    cents = rng.randrange(-5_000_000, 100_000_000)  # -50000.00 .. 999999.99
    sign = "-" if cents < 0 else ""
    amount = "%s%d.%02d" % (sign, abs(cents) // 100, abs(cents) % 100)
    amount = amount.rstrip("0").rstrip(".")  # shortest form: 12.5, 7
    year = rng.randrange(1930, 2011)
    month = rng.randrange(1, 13)
    day = rng.randrange(1, days_in_month(year, month) + 1)
    return (str(row_id), names[rng.randrange(len(names))], amount,
            (day, month, year), notes[rng.randrange(len(notes))])


def fixed_record(fields):
    out = []
    for text, width in zip(fields, FIXED_WIDTHS):
        if len(text) > width:
            raise ValueError("field %r wider than %d" % (text, width))
        out.append(text.ljust(width))
    return "".join(out) + "\n"


def blob_text(rng):
    """BLOB_BYTES of text: lines of words, each line ended by a line feed."""
    lines, size = [], 0
    while size < BLOB_BYTES:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randrange(4, 12)))[:72].rstrip()
        if BLOB_BYTES - size <= 73:  # the last line fills the size exactly
            line = "x" * (BLOB_BYTES - size - 1)
        line += "\n"
        lines.append(line)
        size += len(line)
    return "".join(lines)


def write_blobs(count, outdir):
    rng = random.Random(20240502)
    texts = [blob_text(rng) for _ in range(BLOB_TEXTS)]
    folder = os.path.join(os.path.abspath(outdir), "blobs")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(outdir, "blobs.txt"), "w", newline="\n") as names, \
         open(os.path.join(outdir, "blobs.csv"), "w", newline="\n") as inline:
        for blob_id in range(1, count + 1):
            text = texts[blob_id % BLOB_TEXTS]
            name = os.path.join(folder, "%06d.txt" % blob_id)
            with open(name, "w", newline="\n") as blob:
                blob.write(text)
            names.write("%d,%s\n" % (blob_id, name))
            inline.write('%d,"%s"\n' % (blob_id, text))  # no quotes inside


def write_rows(count, outdir):
    rng = random.Random(20240501)
    names, notes = make_pools(rng)
    path = lambda name: os.path.join(outdir, name)
    with open(path("rows.csv"), "w", newline="\n") as csv, \
         open(path("rows.fix"), "w", newline="\n") as fix:
        for row_id in range(1, count + 1):
            ident, name, amount, (day, month, year), note = make_row(rng, row_id, names, notes)
            born = "%02d/%02d/%04d" % (day, month, year)
            csv.write("%s,%s,%s,%s,%s\n" % (ident, name, amount, born, note))
            iso = "%04d-%02d-%02d" % (year, month, day)
            fix.write(fixed_record((ident, name, amount, iso, note)))


def main():
    args = sys.argv[1:]
    blobs = bool(args) and args[0] == "--blobs"
    if blobs:
        args = args[1:]
    if len(args) != 2 or not args[0].isdigit() or int(args[0]) < 1:
        sys.stderr.write("usage: gen_data.py [--blobs] COUNT DIR\n")
        return 2
    count, outdir = int(args[0]), args[1]
    os.makedirs(outdir, exist_ok=True)
    if blobs:
        write_blobs(count, outdir)
    else:
        write_rows(count, outdir)
    return 0


if __name__ == "__main__":
    sys.exit(main())
