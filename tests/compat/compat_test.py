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


def book_bytes(home):
    out = {}
    for name in ref.TAB_FILES:
        with open(os.path.join(home, "DataBook", name), "rb") as f:
            out[name] = f.read()
    return out


def read_record(home, tab, page):
    with open(os.path.join(home, "DataBook", ref.TAB_FILES[tab]), "rb") as f:
        f.seek((page - 1) * ref.RECORD)
        return f.read(ref.RECORD)


with tempfile.TemporaryDirectory() as home:
    ref.write_book(home)
    untouched = book_bytes(home)
    for page in ref.expected():
        shown = tool(home, "show", str(page["tab"]), str(page["page"]))
        for name, value in page["fields"].items():
            value = as_json(name, value)
            check(shown[name] == value, "tab %d page %d %s: %r != %r"
                  % (page["tab"], page["page"], name, shown[name], value))
    # UTF-8 and SCSU pages are found in any letter case, field by field; reading, searching and
    # exporting change no byte.
    found = tool(home, "search", "--in", "name,notes", "ŁUKASZ")
    check([(r["tab"], r["page"]) for r in found] == [(11, 1)], "search by an upper-case Ł: %r" % found)
    found = tool(home, "search", "--in", "notes", "παπαδόπουλος")
    check([(r["tab"], r["page"]) for r in found] == [(11, 1), (19, 1)], "search in Greek: %r" % found)
    found = tool(home, "search", "--in", "name,organisation", "ΓΙΏΡΓΟΣ")
    check([(r["tab"], r["page"]) for r in found] == [(15, 1)], "search an SCSU name: %r" % found)
    found = tool(home, "search", "--in", "name,organisation", "المنصوري")
    check([(r["tab"], r["page"]) for r in found] == [(15, 1)], "search in Arabic: %r" % found)
    tool(home, "export", "eab", os.path.join(home, "all.eab"))
    check(book_bytes(home) == untouched, "reading the book leaves every tab file byte-identical")
    with open(os.path.join(home, "all.eab"), "rb") as f:
        eab = f.read()
    check(read_record(home, 11, 1) in eab and ref.is_utf8(read_record(home, 11, 1)),
          "an exchange file carries a UTF-8 page with its marker")
    settings = tool(home, "settings", "--show-password")
    for name, value in (("DialFieldFollowsPageTurn", "1"), ("SerialPort", "3"), ("DialMethod", "1"),
                        ("TapiLineChoice", "02"), ("MasterPassword", "secret"),
                        ("CuvaLeft", "1234  "), ("CuvaTop", "567   "), ("SearchName", "1"),
                        ("SearchNotes", "1"), ("EnableMinimise", "1")):
        check(settings[name] == value, "setting %s: %r != %r" % (name, settings[name], value))
    with open(os.path.join(home, "ossabusr.dat"), "rb") as f:
        before = f.read()
    tool(home, "settings", "DialMethod=2")
    with open(os.path.join(home, "ossabusr.dat"), "rb") as f:
        after = f.read()
    check(len(after) == 4095 and after[:256] == before[:256], "settings write keeps the first 256 bytes")
    check(tool(home, "settings", "--show-password")["MasterPassword"] == "secret",
          "password survives a write")

    # A synchronised page keeps its identity through an exchange file, an edit, a change of
    # encoding and the removal of the blank page before it.
    sync_page, sync_utf8 = ref.PAGES[18][1], ref.PAGES[18][2]
    check(read_record(home, 18, 2) in eab and read_record(home, 18, 3) in eab,
          "an exchange file carries synchronised pages with their identities")
    tool(home, "set", "18", "2", "Phone1=0999")
    stored = read_record(home, 18, 2)
    values = dict(sync_page, Phone1=b"0999", DateModified=ref.cipher(stored[1666:1674]),
                  TimeModified=ref.cipher(stored[1674:1682]))
    check(stored == ref.record(values, identity=sync_page["identity"]),
          "an edited page with an identity matches the reference bytes")
    tool(home, "set", "18", "2", "Notes=Иванов")
    stored = read_record(home, 18, 2)
    check(ref.is_scsu(stored) and stored[1682:1684] == b"IS"
          and ref.identity_of(stored) == sync_page["identity"]
          and ref.field_text(stored, "Notes") == "Иванов",
          "a page that becomes SCSU keeps its identity: %r" % stored[1682:1690])

    # A UTF-8 page stays as it is until it is saved; then it is written in SCSU, texts unchanged.
    before = {name: ref.field_text(read_record(home, 11, 1), name) for name, _ in ref.FIELDS[1:-3]}
    tool(home, "set", "11", "1", "Phone1=0800")
    stored = read_record(home, 11, 1)
    check(stored[1682:1690] == ref.SCSU_MARKER, "a saved UTF-8 page is written in SCSU")
    after = {name: ref.field_text(stored, name) for name, _ in ref.FIELDS[1:-3]}
    check(after == dict(before, Phone1="0800"), "its texts are unchanged: %r" % after)
    tool(home, "compact")
    moved = [read_record(home, 18, page) for page in (1, 2)]
    check([ref.identity_of(record) for record in moved]
          == [sync_page["identity"], sync_utf8["identity"]],
          "compacting keeps each identity with its page: %r" % [r[1682:1690] for r in moved])

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

    # A page with a character Windows-1252 has not got is written in SCSU with its marker; names
    # of 30 letters in Cyrillic, Greek or Arabic are stored whole, each field decodes alone.
    for values, tab in (
            ({"Name": "Émile Żółw", "Notes": "Иванов\n王芳 😀 丠", "Organisation": "Zoë",
              "Addr1": "丠"}, 5),
            ({"Name": "Смирнова-Кузнецова Екатерина А", "Addr1": "ул. Тверская 7"}, 18),
            ({"Name": "Παπαδόπουλος-Οικονόμου Γιώργος", "Phone1": "+30 210"}, 15),
            ({"Name": "عبد الرحمن بن خالد المنصوري الك"}, 2),
            ({"Name": "3M Polska 丠", "Department": "Продажи"}, 0)):
        added = tool(home, "add", *["%s=%s" % item for item in values.items()])
        check(added["tab"] == tab, "%s files under tab %d, not %d" % (values["Name"], tab, added["tab"]))
        stored = read_record(home, added["tab"], added["page"])
        check(stored[1682:1690] == ref.SCSU_MARKER, "SCSU marker of %s" % values["Name"])
        for name, value in values.items():
            check(ref.field_text(stored, name) == value.replace("\n", "\r\n"),
                  "%s of %s: %r" % (name, values["Name"], ref.field_text(stored, name)))
        check(ref.field_text(stored, "PageNo") == str(added["page"]), "page number as ASCII")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("compatibility checks passed")
