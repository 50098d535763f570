#!/usr/bin/env python3
"""Checks the program against the independent format implementation in reference_book.py:
pages it did not write read back field for field, and pages it writes are byte-identical."""
import datetime
import json
import os
import subprocess
import sys
import tempfile

import reference_book as ref

TOOL = sys.argv[1]
failures = []


def tool(home, *args):
    result = subprocess.run([TOOL, "--home", home, "--json", *args], capture_output=True)
    if result.returncode != 0:
        raise SystemExit("orvelan-book %s failed: %s" % (" ".join(args), result.stderr.decode()))
    return json.loads(result.stdout.decode("utf-8"))


def as_json(name, value):
    """The tool's JSON gives the stored "dd/mm/yy" as ISO 8601 and an empty stamp as null."""
    if name == "DateModified":
        if not value.strip():
            return None
        day, month, year = value.split("/")
        # The latest century that does not put the date in the future.
        century = "20" if int(year) <= datetime.date.today().year % 100 else "19"
        return "%s%s-%s-%s" % (century, year, month, day)
    if name == "TimeModified":
        return value.strip() or None
    return value


def check(condition, message):
    if not condition:
        failures.append(message)


def read_record(home, tab, page):
    with open(os.path.join(home, "DataBook", ref.TAB_FILES[tab]), "rb") as f:
        f.seek((page - 1) * ref.RECORD)
        return f.read(ref.RECORD)


with tempfile.TemporaryDirectory() as home:
    ref.write_book(home)
    for page in ref.expected():
        shown = tool(home, "show", str(page["tab"]), str(page["page"]))
        for name, value in page["fields"].items():
            value = as_json(name, value)
            check(shown[name] == value, "tab %d page %d %s: %r != %r"
                  % (page["tab"], page["page"], name, shown[name], value))
    settings = tool(home, "settings", "--show-password")
    for name, value in (("DialFieldFollowsPageTurn", "1"), ("SerialPort", "3"), ("DialMethod", "1"),
                        ("TapiLineChoice", "02"), ("MasterPassword", "secret".ljust(64)),
                        ("CuvaLeft", "1234  "), ("CuvaTop", "567   "), ("SearchName", "1"),
                        ("SearchNotes", "1"), ("EnableMinimise", "1")):
        check(settings[name] == value, "setting %s: %r != %r" % (name, settings[name], value))
    with open(os.path.join(home, "ossabusr.dat"), "rb") as f:
        before = f.read()
    tool(home, "settings", "DialMethod=2")
    with open(os.path.join(home, "ossabusr.dat"), "rb") as f:
        after = f.read()
    check(len(after) == 4095 and after[:256] == before[:256], "settings write keeps the first 256 bytes")
    check(tool(home, "settings", "--show-password")["MasterPassword"] == "secret".ljust(64),
          "password survives a write")

with tempfile.TemporaryDirectory() as home:
    tool(home, "reset", "--yes")
    blank = bytes.fromhex(subprocess.run([sys.executable, ref.__file__, "blank"],
                                         capture_output=True, check=True).stdout.decode().strip())
    for tab in range(26):
        with open(os.path.join(home, "DataBook", ref.TAB_FILES[tab]), "rb") as f:
            check(f.read() == blank, "blank page of tab %d" % tab)

    values = {"Name": "Zoë Example", "Addr1": "1 Long Road", "Phone1": "0123 456", "Email": "z@example.com",
              "Notes": "two\nlines", "OrgWeb": "www.example.org"}
    added = tool(home, "add", *["%s=%s" % item for item in values.items()])
    stored = read_record(home, added["tab"], added["page"])
    plain_date = ref.cipher(stored[1666:1674])
    plain_time = ref.cipher(stored[1674:1682])
    expected = {name: value.replace("\n", "\r\n").encode("cp1252") for name, value in values.items()}
    expected.update({"PageNo": str(added["page"]).encode(), "DateModified": plain_date,
                     "TimeModified": plain_time})
    check(stored == ref.record(expected), "a page added by the tool matches the reference bytes")
    check(added["tab"] == 25 and added["page"] == 1, "Zoë files under Z as page 1")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("compatibility checks passed")
