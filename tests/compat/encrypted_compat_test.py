#!/usr/bin/env python3
"""Checks encrypted books against the documented format with a second libsodium binding
(sealed_book.py, PyNaCl): every record the tool seals opens there byte for byte, a record
sealed there opens in the tool, nothing of a page or the password can be read from the raw
files, and decrypting gives back the plain book."""
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference_book as ref  # noqa: E402
import sealed_book  # noqa: E402

TOOL = sys.argv[1]
PASSWORD = " Blue heron 7 "  # the spaces around it do not count
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def tool(home, *args):
    result = subprocess.run([TOOL, "--home", home, "--json", "--password-file",
                             os.path.join(home, "..", os.path.basename(home) + ".pw"), *args],
                            capture_output=True)
    if result.returncode != 0:
        raise SystemExit("orvelan-book %s failed: %s" % (" ".join(args), result.stderr.decode()))
    return json.loads(result.stdout.decode("utf-8")) if result.stdout.strip() else None


def tab_bytes(home, tab):
    with open(os.path.join(home, "DataBook", ref.TAB_FILES[tab]), "rb") as f:
        return f.read()


with tempfile.TemporaryDirectory() as work:
    home = os.path.join(work, "book")
    with open(home + ".pw", "w", encoding="utf-8") as f:
        f.write(PASSWORD + "\n")
    ref.write_book(home)
    plain = {tab: tab_bytes(home, tab) for tab in range(26)}

    tool(home, "encrypt")
    book_id, key = sealed_book.book_key(home, PASSWORD)
    for tab in range(26):
        opened = sealed_book.records(os.path.join(home, "DataBook", ref.TAB_FILES[tab]),
                                     book_id, key, tab)
        check(b"".join(r or b"" for r in opened) == plain[tab] and None not in opened,
              "tab %d opens to the plain records byte for byte" % tab)

    # Nothing a reader of plain books could find: no stored field, no password.
    raw = b""
    for current, _, files in os.walk(home):
        for name in files:
            with open(os.path.join(current, name), "rb") as f:
                raw += f.read()
    for tab, pages in ref.PAGES.items():
        for page in pages:
            if page:
                name = ref.cipher(ref.field_bytes(page["Name"], 32, page.get("utf8", False)))
                check(name not in raw, "the stored name of a page of tab %d is readable" % tab)
    for text in (b"secret", PASSWORD.strip().encode(), b"Abbott", b"jones"):
        check(text not in raw, "%r is readable in the files" % text)

    # A record sealed here opens in the tool at its place, and nowhere else.
    record = ref.record({"PageNo": b"2", "Name": b"Aurelia Nacl", "Phone1": b"0800 123"})
    data = bytearray(tab_bytes(home, 1))
    data[1730:2 * 1730] = sealed_book.seal_record(book_id, key, 1, 2, record)
    with open(os.path.join(home, "DataBook", ref.TAB_FILES[1]), "wb") as f:
        f.write(bytes(data))
    shown = tool(home, "show", "1", "2")
    check(shown["Name"] == "Aurelia Nacl" and shown["Phone1"] == "0800 123",
          "the tool reads a record sealed by the second binding: %r" % shown)
    data[0:1730] = sealed_book.seal_record(book_id, key, 1, 3, record)  # sealed for page 3
    with open(os.path.join(home, "DataBook", ref.TAB_FILES[1]), "wb") as f:
        f.write(bytes(data))
    result = subprocess.run([TOOL, "--home", home, "--password-file", home + ".pw", "check"],
                            capture_output=True, text=True)
    check(result.returncode == 1 and "page 1 of tab A is damaged" in result.stdout,
          "a record sealed for another place is reported: %r" % result.stdout)
    data[0:1730] = sealed_book.seal_record(book_id, key, 1, 1, plain[1][:1690])
    with open(os.path.join(home, "DataBook", ref.TAB_FILES[1]), "wb") as f:
        f.write(bytes(data))

    tool(home, "decrypt")
    check(not os.path.exists(os.path.join(home, "book.key")), "book.key goes with decrypting")
    for tab in range(26):
        expected = plain[tab] if tab != 1 else plain[1][:1690] + record + plain[1][2 * 1690:]
        check(tab_bytes(home, tab) == expected, "tab %d is plain again byte for byte" % tab)

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("encrypted book checks passed")
