#!/usr/bin/env python3
"""Exported vCards read back by an independent parser (python3-vobject), field for field.

Usage: vcard_vobject_test.py ORVELAN_BOOK_TOOL
"""
import os
import subprocess
import sys
import tempfile

import vobject

PAGES = [
    {
        "Name": "Smith, Anna-Maria",
        "Addr1": "Flat 2; The Old Mill",
        "Addr2": "12 High Street, Lower End",
        "Addr4": "Ambridge",
        "Addr6": "AB1 2CD",
        "Phone1": "01632 960 001",
        "Phone2": "020 7946 0002",
        "Mobile": "07700 900003",
        "Fax": "01632 960 004",
        "Pager": "07623 000005",
        "Email": "anna@example.org",
        "Group": "Family, Friends",
        "Organisation": "Smith & Co; Ltd",
        "JobTitle": "Head of \\ Things",
        "Department": "Accounts",
        "OrgAddr1": "Unit 4",
        "OrgAddr2": "Trading Estate",
        "OrgEmail": "a.smith@smithco.example",
        "OrgWeb": "https://smithco.example/?a=1;b=2",
        "Notes": "Line one: colon\nline two, comma; semicolon and a long line " + "x" * 90,
    },
    {"Name": "José Álvarez", "Mobile": "+34 600 000 000", "Notes": "café"},
    {"Name": "Łukasz Nowak", "Addr1": "ul. Długa 5", "Addr2": "00-238 Warszawa",
     "Organisation": "Firma Przykładowa", "Notes": "Ελληνικά, русский, 中文 🙂 " + "ż" * 60},
    {"Name": "王芳", "Phone1": "+86 10 1234 5678", "Group": "同事"},
]


def run(tool, home, *args):
    env = dict(os.environ, ORVELAN_HOME=home)
    result = subprocess.run([tool, *args], env=env, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{' '.join(args)} failed: {result.stderr}{result.stdout}")
    return result.stdout


def values(card, name):
    return [line for line in card.contents.get(name, [])]


def types(line):
    found = []
    for value in line.params.get("TYPE", []):
        found += [v.upper() for v in value.split(",")]
    return found


def check(card, page, version, problems):
    def expect(what, got, wanted):
        if got != wanted:
            problems.append(f"{version} {page['Name']}: {what} is {got!r}, not {wanted!r}")

    expect("VERSION", card.version.value, version)
    expect("FN", card.fn.value, page["Name"])
    family, _, given = page["Name"].partition(", ")
    if not given:  # without a comma the whole name is the given name
        family, given = "", page["Name"]
    expect("N family", card.n.value.family, family)
    expect("N given", card.n.value.given, given)

    phones = {}
    for line in values(card, "tel"):
        phones[tuple(types(line))] = line.value
    for field, kinds in (("Phone1", ("HOME", "VOICE")), ("Phone2", ("WORK", "VOICE")),
                         ("Mobile", ("CELL",)), ("Fax", ("FAX",)), ("Pager", ("PAGER",))):
        expect(f"TEL {kinds}", phones.get(kinds), page.get(field))

    mails = {}
    for line in values(card, "email"):
        mails["WORK" if "WORK" in types(line) else "HOME"] = line.value
    expect("EMAIL home", mails.get("HOME"), page.get("Email"))
    expect("EMAIL work", mails.get("WORK"), page.get("OrgEmail"))

    def lines(first):
        texts = [page.get(f"{first}{i}", "") for i in range(1, 7)]
        while texts and not texts[-1]:
            texts.pop()
        return texts

    addresses = {}
    for line in values(card, "adr"):
        kind = "WORK" if "WORK" in types(line) else "HOME"
        addresses[kind] = line
    labels = {}
    for line in values(card, "label"):
        labels["WORK" if "WORK" in types(line) else "HOME"] = line.value
    for kind, first in (("HOME", "Addr"), ("WORK", "OrgAddr")):
        wanted = lines(first)
        line = addresses.get(kind)
        if not wanted:
            expect(f"ADR {kind}", line, None)
            continue
        if line is None:
            problems.append(f"{version} {page['Name']}: no ADR {kind}")
            continue
        expect(f"ADR {kind} street", line.value.street, "\n".join(t for t in wanted if t))
        label = labels.get(kind) if version == "3.0" else line.params.get("LABEL", [None])[0]
        if version == "4.0" and label is not None:
            label = label.replace("\\n", "\n").replace("\\\\", "\\")
        expect(f"LABEL {kind}", label, "\n".join(wanted))

    org = card.contents.get("org")
    if page.get("Organisation") or page.get("Department"):
        units = [page.get("Organisation", "")] + ([page["Department"]] if page.get("Department") else [])
        expect("ORG", org[0].value if org else None, units)
    else:
        expect("ORG", org, None)
    for field, name in (("JobTitle", "title"), ("OrgWeb", "url"), ("Notes", "note")):
        line = card.contents.get(name)
        expect(name.upper(), line[0].value if line else None, page.get(field))
    categories = card.contents.get("categories")
    expect("CATEGORIES", categories[0].value if categories else None,
           [g.strip() for g in page["Group"].split(",")] if page.get("Group") else None)
    if not card.contents.get("uid") or not card.uid.value.startswith("urn:uuid:"):
        problems.append(f"{version} {page['Name']}: no UID")
    if not card.contents.get("rev"):
        problems.append(f"{version} {page['Name']}: no REV")


def main():
    tool = sys.argv[1]
    problems = []
    with tempfile.TemporaryDirectory() as home:
        for page in PAGES:
            run(tool, home, "add", *[f"{k}={v}" for k, v in page.items()])
        for version in ("3.0", "4.0"):
            path = os.path.join(home, f"out-{version}.vcf")
            run(tool, home, "export", "vcf", path, "--version", version)
            raw = open(path, "rb").read()
            for line in raw.split(b"\r\n"):
                if len(line) > 75:
                    problems.append(f"{version}: a line of {len(line)} octets")
            if raw.replace(b"\r\n", b"").find(b"\n") >= 0:
                problems.append(f"{version}: a line ends without CRLF")
            cards = list(vobject.readComponents(raw.decode("utf-8")))
            if len(cards) != len(PAGES):
                problems.append(f"{version}: {len(cards)} cards for {len(PAGES)} pages")
            by_name = {card.fn.value: card for card in cards}
            for page in PAGES:
                card = by_name.get(page["Name"])
                if card is None:
                    problems.append(f"{version}: no card for {page['Name']}")
                else:
                    check(card, page, version, problems)
    for problem in problems:
        print(problem)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
