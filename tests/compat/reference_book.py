#!/usr/bin/env python3
"""An independent implementation of the book's file formats, written from their description alone,
used to check that the program reads what it did not write and writes what this writes.

    reference_book.py write-book DIR      write a book with known pages (and a settings file)
    reference_book.py expect             print the pages written, as JSON
    reference_book.py record FIELD=VALUE...   print one stored record in hex (Reserved zero)
    reference_book.py utf8-record FIELD=VALUE...   the same as a UTF-8 page, with its marker

Texts are Windows-1252, one byte per character, unless the page holds a character Windows-1252
has not got: then every text of the page is UTF-8 and Reserved holds b"UTF-8\\0\\0\\0".
A page of a synchronised book holds its identity in Reserved instead: b"I", then b"8" (UTF-8)
or b"W" (Windows-1252), then six identity bytes, none of them a zero byte or a space.
    reference_book.py keystream N        print the first N keystream bytes in hex
"""
import json
import os
import struct
import sys

KEY = b"#&7k 4.R~#"
RECORD = 1690
FIELDS = [("PageNo", 6), ("Name", 32)] + [("Addr%d" % i, 32) for i in range(1, 7)] + [
    ("Phone1", 24), ("Phone2", 24), ("Mobile", 24), ("Fax", 24), ("Pager", 24), ("Email", 60),
    ("Group", 24), ("Organisation", 32), ("JobTitle", 32), ("Department", 32)] + [
    ("OrgAddr%d" % i, 32) for i in range(1, 7)] + [
    ("OrgEmail", 60), ("OrgWeb", 60), ("Notes", 824), ("DateModified", 8), ("TimeModified", 8),
    ("Reserved", 8)]
assert sum(w for _, w in FIELDS) == RECORD


class Rng:
    def __init__(self):
        self.state = 0x050000

    def step(self):
        self.state = (self.state * 0xFD43FD + 0xC39EC3) % (1 << 24)

    def rnd(self, x=1.0):
        if x < 0:
            b = struct.unpack("<I", struct.pack("<f", x))[0]
            self.state = (b + (b >> 24)) % (1 << 24)
            self.step()
        elif x > 0:
            self.step()
        return self.state / float(1 << 24)

    def randomize(self, n):
        h = struct.unpack("<Q", struct.pack("<d", n))[0] >> 32
        mix = (h ^ (h >> 16)) & 0xFFFF
        self.state = (self.state & 0xFF) | (mix << 8)


def to_single(text):
    return struct.unpack("<f", struct.pack("<f", float(text)))[0]


def keystream(length, key=KEY):
    t = b"\x00M1" + key[:64]
    s1 = s2 = 0
    for i, a in enumerate(t, start=1):
        v = ((a * i) ^ a) + 1
        if i % 2:
            s1 += v
        else:
            s2 += v
    rng = Rng()
    rng.rnd(to_single("-0." + str(s2)))
    rng.randomize(to_single("0." + str(s1)))
    out = []
    for i in range(1, length + 1):
        r = int(240 * rng.rnd() + 1)
        w = -2 if i % 2 else 1
        out.append(r - (r % 7) * w + (i % 4) + 1)
    return out


STREAM = keystream(3839)


def cipher(data):
    return bytes(b ^ STREAM[i] for i, b in enumerate(data))


UTF8_MARKER = b"UTF-8\x00\x00\x00"


def field_bytes(value, width, utf8=False):
    value = value.strip(b" ")
    if len(value) > width and utf8:
        cut = width
        while cut > 0 and (value[cut] & 0xC0) == 0x80:  # never inside a character
            cut -= 1
        value = value[:cut]
    return value.ljust(width, b" ")[:width]


def identity_reserved(identity, utf8):
    assert len(identity) == 6 and b"\x00" not in identity and b" " not in identity
    return b"I" + (b"8" if utf8 else b"W") + identity


def record(values, blank=False, utf8=False, identity=None):
    out = b""
    for name, width in FIELDS:
        if name == "Reserved":
            if identity is not None:
                out += identity_reserved(identity, utf8)
                continue
            out += b" " * 8 if blank else UTF8_MARKER if utf8 else b"\x00" * 8
        else:
            out += cipher(field_bytes(values.get(name, b""), width, utf8))
    return out


def is_utf8(stored):
    reserved = stored[1682:1690]
    return reserved == UTF8_MARKER or reserved[:2] == b"I8"


def identity_of(stored):
    """The six identity bytes of a stored record, or None."""
    reserved = stored[1682:1690]
    return reserved[2:] if reserved[:1] == b"I" and reserved[1:2] in (b"8", b"W") else None


TAB_FILES = ["OrvelC0.rfx"] + ["Orvel%02X.raf" % t for t in range(1, 26)]

PAGES = {
    1: [{"PageNo": b"1", "Name": b"Abbott & Sons", "Phone1": b"01234 567890",
         "Email": b"info@abbott.example", "DateModified": b"01/02/03", "TimeModified": b"04:05"},
        None,
        {"PageNo": b"3", "Name": b"Ann \xc9lise", "Notes": b"first line\r\nsecond line",
         "OrgWeb": b"www.example.com", "DateModified": b"31/12/99", "TimeModified": b"23:59"}],
    9: [{"PageNo": b"1", "Name": b"jones", "Addr1": b"  12 High Street  ", "Mobile": b"+44 7000",
         "DateModified": b"15/06/25", "TimeModified": b"09:30"}],
    0: [{"PageNo": b"1", "Name": b"3M Company", "Department": b"R\x96D",
         "DateModified": b"10/10/10", "TimeModified": b"10:10"}],
    # UTF-8 pages, marked in Reserved; the Polish name is cut at 32 bytes between two letters.
    11: [{"utf8": True, "PageNo": b"1", "Name": "Łukasz Nowak".encode(),
          "Addr1": "ul. Łódź 5".encode(), "Notes": "Иванов\r\n王芳 😀 Παπαδόπουλος".encode(),
          "Organisation": "Zoë Café".encode(), "DateModified": b"02/03/26", "TimeModified": b"11:12"},
         {"utf8": True, "PageNo": b"2", "Name": "Łęczycka-Żółkiewska Maria Łucja".encode(),
          "DateModified": b"02/03/26", "TimeModified": b"11:13"}],
    # Pages of a synchronised book, each with its identity, after a blank page.
    18: [None,
         {"identity": b"\x01s\xfe9Q\x7f", "PageNo": b"2", "Name": b"Sync Person",
          "Phone1": b"0123", "DateModified": b"05/12/26", "TimeModified": b"08:00"},
         {"identity": b"K\x80\xff\t2z", "utf8": True, "PageNo": b"3",
          "Name": "Syncé Ωmega".encode(), "Notes": "Πρώτη".encode(),
          "DateModified": b"05/12/26", "TimeModified": b"08:01"}],
}


def write_book(root):
    os.makedirs(os.path.join(root, "DataBook"), exist_ok=True)
    for tab, name in enumerate(TAB_FILES):
        with open(os.path.join(root, "DataBook", name), "wb") as f:
            pages = PAGES.get(tab, [None])
            for page in pages:
                f.write(record({}, blank=True) if page is None
                        else record(page, utf8=page.get("utf8", False),
                                    identity=page.get("identity")))
    block = bytearray(b"\x00" * 3839)
    for pos, value in ((88, b"1"), (89, b"3"), (90, b"1"), (91, b"02"), (100, b"secret".ljust(64)),
                       (165, b"1"), (166, b"0"), (200, b"1234".ljust(6)), (210, b"567".ljust(6)),
                       (288, b"1"), (289, b"0"), (300, b"1"), (301, b"0"), (309, b"1")):
        block[pos - 1:pos - 1 + len(value)] = value
    with open(os.path.join(root, "ossabusr.dat"), "wb") as f:
        f.write(b"\xAA" * 256 + cipher(bytes(block)))


def expected():
    out = []
    for tab, pages in sorted(PAGES.items()):
        for number, page in enumerate(pages, start=1):
            fields = {}
            utf8 = (page or {}).get("utf8", False)
            for name, width in FIELDS[1:-1]:
                value = field_bytes((page or {}).get(name, b""), width, utf8).strip(b" ")
                text = value.decode("utf-8" if utf8 else "cp1252")
                if name == "Notes":
                    text = text.replace("\r\n", "\n")
                fields[name] = text
            out.append({"tab": tab, "page": number, "fields": fields})
    return out


def main():
    command = sys.argv[1]
    if command == "write-book":
        write_book(sys.argv[2])
    elif command == "expect":
        print(json.dumps(expected()))
    elif command in ("record", "utf8-record"):
        utf8 = command == "utf8-record"
        values = {}
        for arg in sys.argv[2:]:
            name, _, value = arg.partition("=")
            values[name] = value.encode("utf-8" if utf8 else "cp1252").replace(b"\\n", b"\r\n")
        print(record(values, utf8=utf8).hex())
    elif command == "blank":
        print(record({}, blank=True).hex())
    elif command == "keystream":
        print(bytes(keystream(int(sys.argv[2]))).hex())
    else:
        sys.exit("unknown command")


if __name__ == "__main__":
    main()
