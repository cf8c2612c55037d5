"""Reads every csv file that the end-to-end cases expect with Python's csv module. The
mode-1 result tables listed below (read with pandas too, when it is installed) have
their header, one row per calculated point and the same number of cells in every row.
In every other csv file a row without a number in it is a head, and each row after it
(up to the next head) pairs its cells with that head's names: it must have exactly as
many fields.

usage: python3 readcsv.py <folder of the end-to-end cases>
"""
import csv
import glob
import io
import os
import sys

DEGC = "T(\u00a1C)"  # the degree sign is byte 0xA1, read here as Latin-1

# file: (header or None, number of rows after the header)
EXPECTED = {
    "mode1-pseudosection-results/expected/zt-rock.csv": (["P(kbar)", DEGC, ""], 3),
    "mode1-pseudosection-results/expected/zt-rock-2.csv": (None, 3),
    "mode1-pseudosection-lists/expected/zt-lists.csv": (["P(kbar)", DEGC, ""], 3),
    "mode1-pseudosection-lists/expected/zt-lists-2.csv": (None, 3),
    "mode1-pseudosection-restart/expected/zt-again.csv":
        (["P(kbar)", "T(C)", "prop", "liq", "ol", "q", "mt", ""], 1),
    "mode1-pseudosection-restart/expected/zt-again-2.csv": (None, 1),
    "mode1-pseudosection-lowvar/expected/zt-lowvar.csv": (["P(kbar)", DEGC, ""], 6),
    "mode1-pseudosection-lowvar/expected/zt-lowvar-2.csv": (None, 6),
    "mode1-univariant-line/expected/zt-line-2.csv": (None, 4),
}


def rows_of(text):
    reader = csv.reader(io.StringIO(text), skipinitialspace=True)
    return [[cell.strip() for cell in row] for row in reader if row]


def isnumber(text):
    try:
        float(text)
        return True
    except ValueError:
        return False


def unpaired(rows):
    """The rows whose cells do not pair one to one with the names of the head above them."""
    bad = []
    head = None
    for row in rows:
        if not any(isnumber(cell) for cell in row):
            head = row
            continue
        if head is not None and len(row) != len(head):
            bad.append(f"{len(row)} fields under a head of {len(head)}: {row[:3]}...")
    return bad


def main():
    root = sys.argv[1]
    failures = []
    found = sorted(os.path.relpath(p, root) for p in glob.glob(os.path.join(root, "*/expected/*.csv")))
    # Files of other cases, whose layouts are not described here, must at least read.
    others = [name for name in found if name not in EXPECTED]
    for name in others:
        with open(os.path.join(root, name), encoding="latin-1", newline="") as f:
            rows = rows_of(f.read())
        if not rows:
            failures.append(f"{name}: no rows")
        failures.extend(f"{name}: {problem}" for problem in unpaired(rows))
    try:
        import pandas
    except ImportError:
        pandas = None
    for name, (header, count) in EXPECTED.items():
        path = os.path.join(root, name)
        with open(path, encoding="latin-1", newline="") as f:
            text = f.read()
        rows = rows_of(text)
        if header is not None:
            if not rows or rows[0] != header:
                failures.append(f"{name}: header {rows[:1]} is not {header}")
                continue
            rows = rows[1:]
        if len(rows) != count:
            failures.append(f"{name}: {len(rows)} rows, expected {count}")
        widths = {len(r) for r in rows}
        if header is not None:
            widths.add(len(header))
        if len(widths) != 1:
            failures.append(f"{name}: rows of different widths {sorted(widths)}")
        for r in rows:
            try:
                float(r[0])
                float(r[1])
            except ValueError:
                failures.append(f"{name}: P and T of {r} are no numbers")
        if pandas is not None:
            frame = pandas.read_csv(io.StringIO(text), header=0 if header is not None else None,
                                    skipinitialspace=True, skip_blank_lines=True)
            if len(frame) != count:
                failures.append(f"{name}: pandas reads {len(frame)} rows, expected {count}")
    for f in failures:
        print(f)
    print(f"{len(EXPECTED) + len(others)} csv files read" + (" with pandas" if pandas is not None else "") +
          f", {len(failures)} problem(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
