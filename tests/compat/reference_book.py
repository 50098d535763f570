#!/usr/bin/env python3
"""An independent implementation of the book's file formats, written from their description alone,
used to check that the program reads what it did not write and writes what this writes.

    reference_book.py write-book DIR      write a book with known pages (and a settings file)
    reference_book.py expect             print the pages written, as JSON
    reference_book.py record FIELD=VALUE...   print one stored record in hex (Reserved zero)
    reference_book.py utf8-record FIELD=VALUE...   the same as a UTF-8 page, with its marker

Texts are Windows-1252, one byte per character, unless the page holds a character Windows-1252
has not got: then every text of the page is SCSU (the Standard Compression Scheme for Unicode,
Unicode Technical Standard #6), each field a stream of its own from the initial state, and
Reserved holds b"SCSU\\0\\0\\0\\0". Pages written earlier hold UTF-8 with b"UTF-8\\0\\0\\0".
A page of a synchronised book holds its identity in Reserved instead: b"I", then b"S" (SCSU),
b"8" (UTF-8) or b"W" (Windows-1252), then six identity bytes, none of them a zero byte or a space.
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
SCSU_MARKER = b"SCSU\x00\x00\x00\x00"

# SCSU, from Unicode Technical Standard #6.
SCSU_STATIC = [0x0000, 0x0080, 0x0100, 0x0300, 0x2000, 0x2080, 0x2100, 0x3000]
SCSU_DYNAMIC = [0x0080, 0x00C0, 0x0400, 0x0600, 0x0900, 0x3040, 0x30A0, 0xFF00]
SCSU_FIXED = {0xF9: 0x00C0, 0xFA: 0x0250, 0xFB: 0x0370, 0xFC: 0x0530, 0xFD: 0x3040,
              0xFE: 0x30A0, 0xFF: 0xFF60}


def scsu_window_offset(x):
    if 0x01 <= x <= 0x67:
        return x * 0x80
    if 0x68 <= x <= 0xA7:
        return x * 0x80 + 0xAC00
    if x in SCSU_FIXED:
        return SCSU_FIXED[x]
    raise ValueError("reserved window offset %#x" % x)


def scsu_decode(data):
    """Decodes one SCSU stream that starts in the initial state."""
    units = bytearray()  # UTF-16BE

    def put(cp):
        units.extend(chr(cp).encode("utf-16-be") if cp > 0xFFFF
                     else cp.to_bytes(2, "big"))

    dynamic = list(SCSU_DYNAMIC)
    active, unicode_mode, i = 0, False, 0
    while i < len(data):
        b = data[i]
        i += 1
        if unicode_mode:
            if 0xE0 <= b <= 0xE7:
                active, unicode_mode = b - 0xE0, False
            elif 0xE8 <= b <= 0xEF:
                active, unicode_mode = b - 0xE8, False
                dynamic[active] = scsu_window_offset(data[i])
                i += 1
            elif b == 0xF0:
                units.extend(data[i:i + 2])
                i += 2
            elif b == 0xF1:
                h, l = data[i], data[i + 1]
                i += 2
                active, unicode_mode = h >> 5, False
                dynamic[active] = 0x10000 + 0x80 * (((h & 0x1F) << 8) | l)
            elif b == 0xF2:
                raise ValueError("reserved tag")
            else:
                units.extend(bytes([b, data[i]]))
                i += 1
            continue
        if b in (0x00, 0x09, 0x0A, 0x0D) or 0x20 <= b <= 0x7F:
            put(b)
        elif b >= 0x80:
            put(dynamic[active] + b - 0x80)
        elif 0x01 <= b <= 0x08:
            n, c = b - 0x01, data[i]
            i += 1
            put(SCSU_STATIC[n] + c if c < 0x80 else dynamic[n] + c - 0x80)
        elif b == 0x0B:
            h, l = data[i], data[i + 1]
            i += 2
            active = h >> 5
            dynamic[active] = 0x10000 + 0x80 * (((h & 0x1F) << 8) | l)
        elif b == 0x0E:
            units.extend(data[i:i + 2])
            i += 2
        elif b == 0x0F:
            unicode_mode = True
        elif 0x10 <= b <= 0x17:
            active = b - 0x10
        elif 0x18 <= b <= 0x1F:
            active = b - 0x18
            dynamic[active] = scsu_window_offset(data[i])
            i += 1
        else:
            raise ValueError("reserved tag %#x" % b)
    return bytes(units).decode("utf-16-be", "surrogatepass")


def scsu_encode(text):
    """A plain SCSU writer (not ICU's): ASCII as itself, letters of the small alphabets through
    dynamic window 0, defined on the way with SD0, everything else quoted with SQU."""
    out = bytearray()
    window = SCSU_DYNAMIC[0]
    for ch in text:
        cp = ord(ch)
        if cp in (0x00, 0x09, 0x0A, 0x0D) or 0x20 <= cp <= 0x7F:
            out.append(cp)
        elif window <= cp < window + 0x80:
            out.append(0x80 + cp - window)
        elif 0x80 <= cp < 0x3380:
            window = (cp // 0x80) * 0x80
            out += bytes([0x18, window // 0x80, 0x80 + cp - window])
        else:
            for unit in range(0, len(ch.encode("utf-16-be")), 2):
                out.append(0x0E)
                out += ch.encode("utf-16-be")[unit:unit + 2]
    if out.endswith(b" ") and not text.endswith(" "):
        out.append(0x10)  # SC0: the last 0x20 is half of a quoted character
    return bytes(out)


def field_bytes(value, width, encoding="cp1252"):
    """A field's bytes: `value` is bytes (Windows-1252, UTF-8 or ASCII), or a text of an SCSU
    page, written as the longest start whose own stream fits."""
    if isinstance(value, str):
        value = value.strip(" ")
        cut = len(value)
        while len(scsu_encode(value[:cut])) > width:
            cut -= 1
        if 0 < cut < len(value) and value[cut - 1:cut + 1] == "\r\n":
            cut -= 1
        value = scsu_encode(value[:cut])
    else:
        value = value.strip(b" ")
        if len(value) > width and encoding == "utf8":
            cut = width
            while cut > 0 and (value[cut] & 0xC0) == 0x80:  # never inside a character
                cut -= 1
            value = value[:cut]
    return value.ljust(width, b" ")[:width]


def identity_reserved(identity, encoding):
    assert len(identity) == 6 and b"\x00" not in identity and b" " not in identity
    return b"I" + {"utf8": b"8", "scsu": b"S"}.get(encoding, b"W") + identity


def record(values, blank=False, encoding="cp1252", identity=None):
    out = b""
    for name, width in FIELDS:
        if name == "Reserved":
            if identity is not None:
                out += identity_reserved(identity, encoding)
                continue
            out += b" " * 8 if blank else {"utf8": UTF8_MARKER, "scsu": SCSU_MARKER}.get(
                encoding, b"\x00" * 8)
        else:
            out += cipher(field_bytes(values.get(name, b""), width, encoding))
    return out


def encoding_of(stored):
    reserved = stored[1682:1690]
    if reserved == SCSU_MARKER or reserved[:2] == b"IS":
        return "scsu"
    if reserved == UTF8_MARKER or reserved[:2] == b"I8":
        return "utf8"
    return "cp1252"


def is_utf8(stored):
    return encoding_of(stored) == "utf8"


def is_scsu(stored):
    return encoding_of(stored) == "scsu"


def field_text(stored, name):
    """A field of a stored record as text, decoded by the page's marker."""
    offset = 0
    for field, width in FIELDS:
        if field == name:
            break
        offset += width
    raw = cipher(stored[offset:offset + width]).strip(b" ")
    encoding = encoding_of(stored)
    return scsu_decode(raw) if encoding == "scsu" else raw.decode(
        "utf-8" if encoding == "utf8" else "cp1252")


def identity_of(stored):
    """The six identity bytes of a stored record, or None."""
    reserved = stored[1682:1690]
    return reserved[2:] if reserved[:1] == b"I" and reserved[1:2] in (b"S", b"8", b"W") else None


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
    # UTF-8 pages, marked in Reserved, as earlier versions wrote them; the Polish name is cut at
    # 32 bytes between two letters.
    11: [{"encoding": "utf8", "PageNo": b"1", "Name": "Łukasz Nowak".encode(),
          "Addr1": "ul. Łódź 5".encode(), "Notes": "Иванов\r\n王芳 😀 Παπαδόπουλος".encode(),
          "Organisation": "Zoë Café".encode(), "DateModified": b"02/03/26", "TimeModified": b"11:12"},
         {"encoding": "utf8", "PageNo": b"2", "Name": "Łęczycka-Żółkiewska Maria Łucja".encode(),
          "DateModified": b"02/03/26", "TimeModified": b"11:13"}],
    # Pages of a synchronised book, each with its identity, after a blank page.
    18: [None,
         {"identity": b"\x01s\xfe9Q\x7f", "PageNo": b"2", "Name": b"Sync Person",
          "Phone1": b"0123", "DateModified": b"05/12/26", "TimeModified": b"08:00"},
         {"identity": b"K\x80\xff\t2z", "encoding": "utf8", "PageNo": b"3",
          "Name": "Syncé Ωmega".encode(), "Notes": "Πρώτη".encode(),
          "DateModified": b"05/12/26", "TimeModified": b"08:01"}],
}


# SCSU pages written by this plain writer, not by ICU: Cyrillic, Greek and Arabic names of about
# 30 letters whole in Name, Chinese and an emoji quoted, a notes line break between two windows.
PAGES[19] = [{"encoding": "scsu", "PageNo": b"1", "Name": "Смирнова Екатерина Алексеевна",
              "Addr1": "ул. Тверская 7", "Notes": "Иванов\r\n王芳 😀 Παπαδόπουλος 丠",
              "DateModified": b"03/03/26", "TimeModified": b"10:00"}]
PAGES[15] = [{"encoding": "scsu", "PageNo": b"1", "Name": "Παπαδόπουλος, Γιώργος",
              "Organisation": "عبد الرحمن بن خالد المنصوري", "Phone1": "+30 210 1234567",
              "DateModified": b"03/03/26", "TimeModified": b"10:01"},
             {"identity": b"Q\x01\x02\x03\x04\x05", "encoding": "scsu", "PageNo": b"2",
              "Name": "Ρόδος 丠", "DateModified": b"03/03/26", "TimeModified": b"10:02"}]


def write_book(root):
    os.makedirs(os.path.join(root, "DataBook"), exist_ok=True)
    for tab, name in enumerate(TAB_FILES):
        with open(os.path.join(root, "DataBook", name), "wb") as f:
            pages = PAGES.get(tab, [None])
            for page in pages:
                f.write(record({}, blank=True) if page is None
                        else record(page, encoding=page.get("encoding", "cp1252"),
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
            encoding = (page or {}).get("encoding", "cp1252")
            for name, width in FIELDS[1:-1]:
                value = field_bytes((page or {}).get(name, b""), width, encoding).strip(b" ")
                text = (scsu_decode(value) if encoding == "scsu"
                        else value.decode("utf-8" if encoding == "utf8" else "cp1252"))
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
        print(record(values, encoding="utf8" if utf8 else "cp1252").hex())
    elif command == "blank":
        print(record({}, blank=True).hex())
    elif command == "keystream":
        print(bytes(keystream(int(sys.argv[2]))).hex())
    else:
        sys.exit("unknown command")


if __name__ == "__main__":
    main()
