# SPDX-License-Identifier: GPL-3.0-or-later
"""The CSV reader, its writer and the address-book reader against Python's csv module on
many seeded random texts: the records must be csv.reader's, the written text must read
back as the same records, and the table (delimiter, header, rows, rows without address)
must be what a reference written here from the documented rules makes of csv.reader's rows.
PELMAR_CSV_SEED picks other texts; PELMAR_CSV_CASES sets how many."""
import csv
import io
import json
import os
import random
import re
import subprocess
import unittest

PROGRAM = os.path.join(os.environ.get("PELMAR_BIN", "build/bin"), "csv_records")
SEED = int(os.environ.get("PELMAR_CSV_SEED", "14"))
CASES = int(os.environ.get("PELMAR_CSV_CASES", "6000"))

PIECES = ["a", "b", "x", "@", " ", ",", ";", "\t", '"', '"', '""', "\r", "\n", "\r\n",
          "č", "Ž", "\x00", ":::", "<", ">"]
HEADER_NAMES = ["Email", "E-mail Address", "e-mail 1 - value", "PRIMARY EMAIL", "E-POŠTA", "Name",
                "First Name", "Given Name", "Last Name", "Display Name", "Notes", "Company, Inc",
                'Say "hi"', "x", ""]

ADDRESS_NAMES = ["emailaddress", "email", "email1value", "primaryemail", "mail", "epošta", "epoštninaslov"]
DISPLAY_NAMES = ["displayname", "fullname", "name"]


def random_text(rng):
    return "".join(rng.choice(PIECES) for _ in range(rng.randint(0, 40)))


def random_header(rng):
    delimiter = rng.choice([",", ";", "\t"])
    fields = []
    for name in rng.sample(HEADER_NAMES, rng.randint(1, 4)):
        if rng.random() < 0.3 or any(c in name for c in ',;\t"'):
            name = '"' + name.replace('"', '""') + '"'
        fields.append(name)
    return rng.choice(["", "\ufeff"]) + delimiter.join(fields) + rng.choice(["\r\n", "\n", "\r"])


def random_case(rng):
    if rng.random() < 0.5:
        return random_header(rng) + "".join(random_text(rng) + "\r\n" for _ in range(rng.randint(0, 4)))
    return random_text(rng)


def csv_rows(text, delimiter):
    return list(csv.reader(io.StringIO(text, newline=""), delimiter=delimiter))


def one_line(text):
    """Control characters as blanks, runs of blanks one blank, trimmed."""
    return re.sub(r" +", " ", re.sub(r"[\x00-\x1f\x7f]", " ", text)).strip(" ")


def header_key(name):
    return re.sub(r"[\s\-_]", "", name).casefold()


def first_column(keys, names):
    return next((keys.index(n) for n in names if n in keys), -1)


def reference_delimiter(text):
    counts = {",": 0, ";": 0, "\t": 0}
    quoted = False
    for c in text:
        if c == '"':
            quoted = not quoted
        elif not quoted and c in "\r\n":
            break
        elif not quoted and c in counts:
            counts[c] += 1
    return max([",", ";", "\t"], key=lambda d: counts[d])


def reference_address(value):
    address = one_line(value).split(":::")[0]
    if "<" in address:
        address = address.split("<")[1].split(">")[0]
    return one_line(address.replace("<", "").replace(">", ""))


def reference_table(text):
    if text.startswith("\ufeff"):
        text = text[1:]
    delimiter = reference_delimiter(text)
    rows = csv_rows(text, delimiter)
    if not rows:
        return None
    columns = rows[0]
    address = first_column([header_key(c) for c in columns], ADDRESS_NAMES)
    if address < 0:
        return None
    values, skipped = [], 0
    for row in rows[1:]:
        if all(one_line(f) == "" for f in row):
            continue
        row = (row + [""] * len(columns))[:len(columns)]
        if reference_address(row[address]):
            values.append(row)
        else:
            skipped += 1
    return {"delimiter": delimiter, "columns": columns, "values": values, "skipped": skipped}


class CsvAgainstPython(unittest.TestCase):
    def test_random_texts(self):
        rng = random.Random(SEED)
        cases = [(rng.choice([",", ";", "\t"]), random_case(rng)) for _ in range(CASES)]
        feed = b"".join(d.encode() + b"%d\n" % len(t.encode()) + t.encode() for d, t in cases)
        output = subprocess.run([PROGRAM], input=feed, stdout=subprocess.PIPE, check=True).stdout
        results = [json.loads(line) for line in output.decode().splitlines()]
        self.assertEqual(len(results), len(cases))
        failures = []
        for (delimiter, text), result in zip(cases, results):
            expected = csv_rows(text, delimiter)
            if result["records"] != expected:
                failures.append(("records", delimiter, text, result["records"], expected))
            elif csv_rows(result["written"], delimiter) != expected:
                failures.append(("written", delimiter, text, result["written"], expected))
            elif result["table"] != reference_table(text):
                failures.append(("table", delimiter, text, result["table"], reference_table(text)))
        tables = sum(1 for r in results if r["table"] is not None)
        print(f"{len(cases)} texts (seed {SEED}), {tables} read as address books")
        self.assertGreater(tables, len(cases) // 10)
        self.assertEqual(failures[:5], [])


if __name__ == "__main__":
    unittest.main()
