#!/usr/bin/env python3
"""Fault injection against orvelan-book: kill -9 at random instants, a file size limit, a small
full file system (as root), parallel commands, stale locks, encrypting, decrypting and changing
the password of a book killed half-way (with PyNaCl to read the sealed form), and syncs with a
local Radicale server killed half-way (when Radicale is installed). After every fault an independent
reader checks that every page that existed before is still there, that no part record and no
file of the wrong mode remains, and that the next command starts cleanly and removes what an
interrupted write left.

    fault_suite.py TOOL [--seed N] [--runs N]
    fault_suite.py TOOL --two-sided ROUNDS [--seed N]
"""
import json
import re
import base64
import os
import random
import resource
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "compat"))
from reference_book import FIELDS, RECORD, TAB_FILES, cipher, record  # noqa: E402

# Encrypted books are read with PyNaCl through sealed_book.py, beside reference_book.py.

NAME_OFFSET, NAME_WIDTH = 6, 32
TEMPORARY = ".orvelan-tmp-"
LETTERS = "ABCDEFGHIKLMNOPQRSTUVWXYZ"  # one per letter tab, I standing for I and J
FAILURES = []


def fail(case, message):
    FAILURES.append("%s: %s" % (case, message))
    print("FAIL %s: %s" % (case, message), flush=True)


# ---- an independent reader ------------------------------------------------------------------

def read_names(root):
    """{tab: [name or '' for blank]} and the tab files whose length is not whole records."""
    tabs, partial = {}, []
    for tab, name in enumerate(TAB_FILES):
        path = os.path.join(root, "DataBook", name)
        if not os.path.isfile(path):
            continue
        with open(path, "rb") as f:
            data = f.read()
        if len(data) % RECORD:
            partial.append(name)
        names = []
        for i in range(len(data) // RECORD):
            field = data[i * RECORD + NAME_OFFSET:i * RECORD + NAME_OFFSET + NAME_WIDTH]
            names.append(cipher(field).strip(b" ").decode("cp1252"))
        tabs[tab] = names
    return tabs, partial


def named_pages(tabs):
    return {(tab, name) for tab, names in tabs.items() for name in names if name}


def check_book(case, root, before, created_by_tool=False, order_kept=None):
    tabs, partial = read_names(root)
    # A kill can cut a write of pages behind a tab's end between two of the file's pages; the
    # write notes the old length beside the file, and the next start cuts the part record off.
    partial = [name for name in partial
               if not os.path.isfile(os.path.join(root, "DataBook", name + ".appending"))]
    if partial:
        fail(case, "part records in %s" % partial)
    lost = named_pages(before) - named_pages(tabs)
    if lost:
        fail(case, "%d page(s) lost, e.g. %s" % (len(lost), sorted(lost)[:3]))
    if order_kept:
        for tab, names in before.items():
            old = [n for n in names if n]
            new = [n for n in tabs.get(tab, []) if n and n in set(old)]
            if new[:len(old)] != old:
                fail(case, "tab %d lost its order" % tab)
    check_modes(case, root, created_by_tool)
    return tabs


def check_modes(case, root, created_by_tool):
    for folder, dirs, files in os.walk(root):
        if created_by_tool and stat.S_IMODE(os.stat(folder).st_mode) & 0o077:
            fail(case, "folder %s is %o" % (folder, stat.S_IMODE(os.stat(folder).st_mode)))
        for name in files:
            mode = stat.S_IMODE(os.lstat(os.path.join(folder, name)).st_mode)
            if mode & 0o077:
                fail(case, "%s is %o" % (os.path.join(folder, name), mode))


def temporaries(*folders):
    found = []
    for folder in folders:
        for current, _, files in os.walk(folder):
            found += [os.path.join(current, f) for f in files if TEMPORARY in f]
    return found


# ---- books and the tool --------------------------------------------------------------------

BLANK = record({}, blank=True)
NAMED = record({"Name": b"x", "Phone1": b"0123"})


def named_record(name):
    return NAMED[:NAME_OFFSET] + cipher(name.encode().ljust(NAME_WIDTH)[:NAME_WIDTH]) + \
        NAMED[NAME_OFFSET + NAME_WIDTH:]


def make_book(root, pages_per_tab, rng, blanks=0.2):
    os.makedirs(os.path.join(root, "DataBook"), mode=0o700, exist_ok=True)
    os.chmod(root, 0o700)
    for tab, name in enumerate(TAB_FILES):
        path = os.path.join(root, "DataBook", name)
        with open(os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "wb") as f:
            chunks = []
            for i in range(pages_per_tab if tab else 1):
                if tab == 0 or rng.random() < blanks:
                    chunks.append(BLANK)
                else:
                    chunks.append(named_record("%sox %d" % (LETTERS[tab - 1], i)))
            f.write(b"".join(chunks))


def run(tool, root, args, limit=None, timeout=60):
    def limited():
        if limit is not None:
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    return subprocess.run([tool, "--home", root] + args, capture_output=True, text=True,
                          preexec_fn=limited, timeout=timeout)


def write_csv(path, count, prefix="Kim"):
    with open(path, "w", encoding="cp1252", newline="") as f:
        f.write("Name,Organisation,Phone\r\n")
        for i in range(count):
            f.write("%s %d,Acme %d,555 %d\r\n" % (prefix, i, i, i))


# ---- cases ----------------------------------------------------------------------------------

def kill_at_random_instants(tool, work, rng, runs):
    """kill -9 during each command; the book before the kill is the reference."""
    csv = os.path.join(work, "in.csv")
    write_csv(csv, 3000)
    operations = {
        "add": lambda: ["add", "Name=Quinn %d" % rng.randrange(10 ** 6), "Notes=x"],
        "set": lambda: ["set", "C", "1", "Phone1=999"],
        "settings": lambda: ["settings", "SerialPort=2", "DialMethod=1"],
        "import": lambda: ["import", csv],
        "export": lambda: ["export", rng.choice(["csv", "eab"]), os.path.join(work, "out.x")],
        "compact": lambda: ["compact"],
        "first run": lambda: ["add", "Name=Una"],
    }
    landed = total = 0
    for case, args in operations.items():
        for attempt in range(runs):
            root = os.path.join(work, "kill-%s-%d" % (case.replace(" ", ""), attempt))
            if case != "first run":
                make_book(root, 400, rng)
            else:
                os.makedirs(root, mode=0o700)  # a new, empty book folder
            before, _ = read_names(root) if case != "first run" else ({}, [])
            process = subprocess.Popen([tool, "--home", root] + args(), stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            time.sleep(rng.uniform(0, 0.12))
            process.send_signal(signal.SIGKILL)
            total += 1
            landed += process.wait() == -signal.SIGKILL
            label = "kill -9 during %s (run %d)" % (case, attempt)
            check_book(label, root, before, created_by_tool=case == "first run",
                       order_kept=case == "compact")
            # The next command takes over the lock, completes the book and removes leftovers.
            after = run(tool, root, ["settings", "SerialPort=1"])
            if after.returncode != 0:
                fail(label, "the next command failed: " + after.stderr.strip())
            left = temporaries(root)
            if left:
                fail(label, "temporaries left after the next start: %s" % left[:2])
            tabs, partial = read_names(root)
            notes = [f for f in os.listdir(os.path.join(root, "DataBook")) if f.endswith(".appending")]
            if partial or notes:
                fail(label, "after the next start: part records %s, notes %s" % (partial, notes))
            if len(tabs) != 26:
                fail(label, "the book was not completed: %d tab files" % len(tabs))
            # An export's new file has no name until it is whole; only a kill in the instant
            # between naming and renaming it can leave one beside the export, outside the book.
            out_left = [f for f in os.listdir(work) if f.startswith("out.x" + TEMPORARY)]
            if len(out_left) > 1:
                fail(label, "export temporaries left: %s" % out_left)
            for name in out_left:
                os.remove(os.path.join(work, name))
            shutil.rmtree(root, ignore_errors=True)
    print("kill -9 landed during the command in %d of %d runs" % (landed, total), flush=True)


def raw_pages(root):
    """{(tab, page): the record as stored}."""
    pages = {}
    for tab, name in enumerate(TAB_FILES):
        with open(os.path.join(root, "DataBook", name), "rb") as f:
            data = f.read()
        pages.update({(tab, i): data[i * RECORD:(i + 1) * RECORD] for i in range(len(data) // RECORD)})
    return pages


def killed_merge_imports(tool, work, rng, runs):
    """kill -9 during an import that merges its records into pages of the book: every page is as
    it was, or its old form is in the trash."""
    csv = os.path.join(work, "merge.csv")
    with open(csv, "w", encoding="cp1252", newline="") as f:
        f.write("Name,Phone\r\n" + "".join("%sox %d,+44 113 %03d %04d\r\n" % (LETTERS[t], i, t, i)
                                            for t in range(25) for i in range(400)))
    took = 0
    for attempt in range(-1, runs):  # the first run is timed, not killed
        root = os.path.join(work, "merge-%d" % attempt)
        make_book(root, 400, rng)
        before, pages = read_names(root)[0], raw_pages(root)
        start = time.time()
        process = subprocess.Popen([tool, "--home", root, "import", csv, "--duplicates", "merge"],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if attempt >= 0:
            time.sleep(rng.uniform(0, took))
            process.send_signal(signal.SIGKILL)
        process.wait()
        took = took or time.time() - start
        label = "kill -9 during an import that merges (run %d)" % attempt
        check_book(label, root, before)
        trash = os.path.join(root, "trash.json")
        entries = json.load(open(trash, encoding="utf-8"))["entries"] if os.path.exists(trash) else []
        kept = {base64.b64decode(e.get("record", "")) for e in entries}
        now = raw_pages(root)
        lost = [(t, i) for (t, i), old in pages.items()
                if before[t][i] and now.get((t, i)) != old and old not in kept]
        if lost:
            fail(label, "%d changed page(s) not in the trash, e.g. %s" % (len(lost), lost[:3]))
        shutil.rmtree(root, ignore_errors=True)
    print("killed merge imports: %d run(s) of a %.1f s import" % (runs, took), flush=True)


def file_size_limit(tool, work, rng):
    """ulimit -f: every write past the limit is an ordinary, reported write error."""
    root = os.path.join(work, "ulimit")
    make_book(root, 30, rng, blanks=0)
    before, _ = read_names(root)
    size = os.path.getsize(os.path.join(root, "DataBook", "Orvel01.raf"))
    result = run(tool, root, ["add", "Name=Ava Limit"], limit=size + 100)
    if result.returncode == 0 or "The disk is full" not in result.stderr:
        fail("ulimit -f add", "exit %d, %r" % (result.returncode, result.stderr))
    check_book("ulimit -f add", root, before)
    if os.path.getsize(os.path.join(root, "DataBook", "Orvel01.raf")) != size:
        fail("ulimit -f add", "the tab file changed length")

    csv = os.path.join(work, "limit.csv")
    write_csv(csv, 23, prefix="Abel")
    result = run(tool, root, ["import", csv], limit=size + 13 * RECORD + 1374)
    tabs, _ = read_names(root)
    added = len(tabs[1]) - len(before[1])
    if added != 13 or result.returncode == 0 or "10 record(s) could not be imported; 13 were" \
            not in result.stderr:
        fail("ulimit -f import", "added %d, exit %d, %r" % (added, result.returncode,
                                                             result.stderr))
    check_book("ulimit -f import", root, before)

    for args, text in ((["settings", "SerialPort=4"], "ossabusr.dat: The disk is full"),
                       (["export", "csv", os.path.join(work, "big.csv")], "The disk is full"),
                       (["print", "page", "A", "1", "--pdf", os.path.join(work, "p.pdf")],
                        "Cannot write " + os.path.join(work, "p.pdf"))):
        result = run(tool, root, args, limit=1200)
        label = "ulimit -f " + args[0]
        if result.returncode != 5 or text not in result.stderr:
            fail(label, "exit %d, %r" % (result.returncode, result.stderr))
        if os.path.exists(os.path.join(work, "big.csv")) or os.path.exists(
                os.path.join(work, "p.pdf")):
            fail(label, "a part file was left")
    if temporaries(root, work):
        fail("ulimit -f", "temporaries left: %s" % temporaries(root, work)[:2])


def small_file_system(tool, work, rng):
    """A 3 MB file system, filled up: each command fails cleanly or succeeds, exactly."""
    if os.geteuid() != 0:
        print("SKIP small file system: needs root to mount a 3 MB tmpfs", flush=True)
        return
    mount = os.path.join(work, "small")
    os.makedirs(mount)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=3m", "tmpfs", mount],
                      capture_output=True).returncode != 0:
        print("SKIP small file system: mounting a tmpfs failed", flush=True)
        return
    try:
        root = os.path.join(mount, "book")
        make_book(root, 20, rng, blanks=0.3)
        os.makedirs(os.path.join(root, "Reserve"), mode=0o700)
        result = run(tool, root, ["compact"])
        if result.returncode != 0:
            fail("full disk setup", result.stderr)
        backups = {n: open(os.path.join(root, "Reserve", n), "rb").read()
                   for n in os.listdir(os.path.join(root, "Reserve"))}
        # Fill the disk, leaving a little room.
        with open(os.path.join(mount, "filler"), "wb", buffering=0) as f:
            try:
                while True:
                    f.write(b"\1" * 4096)
            except OSError:
                pass
        before, _ = read_names(root)
        for args in (["add", "Name=Ada Full"], ["settings", "SerialPort=3"], ["compact"],
                     ["export", "eab", os.path.join(mount, "out.eab")]):
            label = "full disk " + args[0]
            result = run(tool, root, args)
            check_book(label, root, before)
            # A page that fits into a blank page needs no room; everything else must fail, and
            # say so.
            if result.returncode != 0 and not result.stderr.strip():
                fail(label, "failed without a message")
            if result.returncode == 0 and args[0] != "add":
                fail(label, "reported success on a full disk: %r" % result.stdout)
            if args[0] == "compact":
                for name, data in backups.items():
                    if open(os.path.join(root, "Reserve", name), "rb").read() != data:
                        fail(label, "backup %s was replaced by an incomplete one" % name)
        if temporaries(root) or os.path.exists(os.path.join(mount, "out.eab")):
            fail("full disk", "part files left")
        # Room for the staging of the import and some of its pages, not all.
        with open(os.path.join(mount, "filler"), "r+b") as f:
            f.truncate(os.path.getsize(os.path.join(mount, "filler")) - 800 * 1024)
        csv = os.path.join(work, "full.csv")
        write_csv(csv, 300, prefix="Fay")
        pages_before = named_pages(read_names(root)[0])
        result = run(tool, root, ["import", csv])
        tabs = check_book("full disk import", root, before)
        added = len(named_pages(tabs) - pages_before)
        said = result.stdout + result.stderr
        expected = ("Imported %d page(s)" % added) if result.returncode == 0 else \
            ("could not be imported; %d were." % added)
        if added == 0 or added == 300 or expected not in said:
            fail("full disk import", "added %d pages but said %r" % (added, said))
        os.remove(os.path.join(mount, "filler"))
        result = run(tool, root, ["add", "Name=Ada Room"])
        if result.returncode != 0:
            fail("full disk, room again", result.stderr)
    finally:
        subprocess.run(["umount", mount])


def parallel_commands(tool, work, rng):
    root = os.path.join(work, "parallel")
    make_book(root, 5, rng, blanks=0)
    before, _ = read_names(root)
    adds = [subprocess.Popen([tool, "--home", root, "add", "Name=Pat %d" % i],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            for i in range(8)]
    for i, process in enumerate(adds):
        _, err = process.communicate(timeout=60)
        if process.returncode != 0:
            fail("parallel add %d" % i, err.strip())
    tabs = check_book("parallel add", root, before)
    if len(named_pages(tabs) - named_pages(before)) != 8:
        fail("parallel add", "%d pages added" % len(named_pages(tabs) - named_pages(before)))
    names = ["SerialPort=4", "DialMethod=3", "EnableMinimise=1", "TapiLineChoice=7",
             "SearchNotes=1", "FinishWithoutPrompting=1"]
    settings = [subprocess.Popen([tool, "--home", root, "settings", n], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, text=True) for n in names]
    for process in settings:
        process.communicate(timeout=60)
        if process.returncode != 0:
            fail("parallel settings", "a command failed")
    shown = run(tool, root, ["settings"]).stdout
    for assignment in names:
        name, value = assignment.split("=")
        if not any(line.split("=")[0].strip() == name and line.split("=")[1].strip() == value
                   for line in shown.splitlines()):
            fail("parallel settings", "the change %s was lost" % assignment)


def stale_locks(tool, work, rng):
    root = os.path.join(work, "stale")
    make_book(root, 3, rng)
    for content in (b"", b"\x00garbage", b"999999999\norvelan-book\n\n"):
        with open(os.path.join(root, "orvelan.lock"), "wb") as f:
            f.write(content)
        old = time.time() - 7200
        os.utime(os.path.join(root, "orvelan.lock"), (old, old))
        result = run(tool, root, ["add", "Name=Stan"])
        if result.returncode != 0:
            fail("stale lock %r" % content, result.stderr.strip())


class Radicale:
    """A Radicale server on 127.0.0.1 with one user, in a folder of its own."""

    USER, PASSWORD = "faults", "fault-pass"

    def __init__(self, work):
        self.folder = os.path.join(work, "radicale")
        os.makedirs(self.folder)
        with open(os.path.join(self.folder, "users"), "w") as f:
            f.write("%s:%s\n" % (self.USER, self.PASSWORD))
        import socket
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            self.port = probe.getsockname()[1]
        with open(os.path.join(self.folder, "config"), "w") as f:
            f.write("[server]\nhosts = 127.0.0.1:%d\n[auth]\ntype = htpasswd\n"
                    "htpasswd_filename = %s/users\nhtpasswd_encryption = plain\ndelay = 0\n"
                    "[rights]\ntype = owner_only\n[storage]\nfilesystem_folder = %s/data\n"
                    "[web]\ntype = none\n[logging]\nlevel = warning\n"
                    % (self.port, self.folder, self.folder))
        self.process = subprocess.Popen(["radicale", "--config", os.path.join(self.folder, "config")],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.url = "http://127.0.0.1:%d/" % self.port
        for _ in range(100):
            try:
                self.request("PROPFIND", "", headers={"Depth": "0"})
                return
            except OSError:
                time.sleep(0.1)
        raise OSError("Radicale does not start")

    def request(self, method, path, body=None, headers=None):
        auth = base64.b64encode(("%s:%s" % (self.USER, self.PASSWORD)).encode()).decode()
        request = urllib.request.Request(self.url + path, data=body, method=method,
                                         headers=dict(headers or {}, Authorization="Basic " + auth))
        with urllib.request.urlopen(request, timeout=30) as answer:
            return answer.read()

    def make_address_book(self, name):
        self.request("MKCOL", "%s/%s/" % (self.USER, name), body=(
            b'<?xml version="1.0"?><mkcol xmlns="DAV:" xmlns:CR="urn:ietf:params:xml:ns:carddav">'
            b'<set><prop><resourcetype><collection/><CR:addressbook/></resourcetype></prop></set>'
            b'</mkcol>'))

    def card_names(self, name):
        """The FN of every card in the address book, read by plain HTTP as another device would."""
        folder = os.path.join(self.folder, "data", "collection-root", self.USER, name)
        names = []
        for file in sorted(os.listdir(folder)):
            if file.endswith(".vcf"):
                card = self.request("GET", "%s/%s/%s" % (self.USER, name, file)).decode("utf-8")
                names += [line[3:] for line in card.splitlines() if line.startswith("FN:")]
        return names

    def stop(self):
        self.process.terminate()
        self.process.wait()


def read_any_names(root, passwords):
    """read_names for a book in either form: a sealed one is opened with PyNaCl (sealed_book.py)
    under whichever of `passwords` opens it. A record that fails its tag reads as None."""
    if not os.path.exists(os.path.join(root, "book.key")):
        return read_names(root)
    import sealed_book
    opened = None
    for password in passwords:
        try:
            opened = sealed_book.book_key(root, password)
            break
        except Exception:  # the wrong password of the two
            continue
    if opened is None:
        return None, ["book.key opens with none of the passwords"]
    tabs, partial = {}, []
    for tab, name in enumerate(TAB_FILES):
        path = os.path.join(root, "DataBook", name)
        if not os.path.isfile(path):
            continue
        if os.path.getsize(path) % sealed_book.SEALED:
            partial.append(name)
        tabs[tab] = [None if plain is None else
                     cipher(plain[NAME_OFFSET:NAME_OFFSET + NAME_WIDTH]).strip(b" ").decode("cp1252")
                     for plain in sealed_book.records(path, *opened, tab)]
    return tabs, partial


def killed_conversions(tool, work, rng, runs):
    """kill -9 during encrypt, decrypt, a password change and writing commands on an encrypted
    book: the next command finds a whole book in one form, every page in it, nothing mixed."""
    try:
        import nacl  # noqa: F401
    except ImportError:
        print("killed conversions: skipped, python3-nacl is not installed", flush=True)
        return
    password, changed = "S3cret!pw", "n3w-Phrase"
    pw = os.path.join(work, "pw")
    with open(pw, "w") as f:
        f.write(password + "\n")
    csv = os.path.join(work, "sealed-in.csv")
    write_csv(csv, 2000, prefix="Ulla")
    operations = {
        "encrypt": (False, ["encrypt"]),
        "decrypt": (True, ["decrypt"]),
        "password change": (True, ["settings", "MasterPassword=" + changed]),
        "add to an encrypted book": (True, ["add", "Name=Quinn Sealed"]),
        "compact of an encrypted book": (True, ["compact"]),
        # Killed once the book is unlocked, while the command writes.
        "import into an encrypted book": ("writing", ["import", csv]),
        "set on an encrypted book": ("writing", ["set", "B", "1", "Phone1=555-0100"]),
        "delete on an encrypted book": ("writing", ["delete", "B", "1"]),
    }
    landed = total = 0
    for case, (encrypted, args) in operations.items():
        for attempt in range(max(2, runs // 2)):
            root = os.path.join(work, "conv-%s-%d" % (case.replace(" ", ""), attempt))
            make_book(root, 1000 if encrypted != "writing" else 200, rng)
            before, _ = read_names(root)
            if encrypted and run(tool, root, ["--password-file", pw, "encrypt"]).returncode:
                fail(case, "could not encrypt the book first")
                continue
            pause = rng.uniform(0.2, 1.8)
            if encrypted == "writing":
                # Unlocking (Argon2id) takes most of a command's time: the kill comes after it.
                started = time.time()
                run(tool, root, ["--password-file", pw, "list", "A"])
                pause = (time.time() - started) * rng.uniform(0.9, 1.1) + rng.uniform(0, 0.1)
            process = subprocess.Popen([tool, "--home", root, "--password-file", pw] + args,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(pause)
            process.send_signal(signal.SIGKILL)
            total += 1
            landed += process.wait() == -signal.SIGKILL
            label = "kill -9 during %s (run %d)" % (case, attempt)
            # The next command completes or undoes the conversion before it reads anything.
            after = None
            for given in (password, changed):
                with open(pw + ".next", "w") as f:
                    f.write(given + "\n")
                after = run(tool, root, ["--password-file", pw + ".next", "check"])
                if after.returncode == 0:
                    break
            if after.returncode != 0:
                fail(label, "the next command failed: " + (after.stdout + after.stderr).strip())
            left = [f for _, _, files in os.walk(root) for f in files
                    if f.endswith(".convert") or f in ("book.conversion", "book.key.new")]
            if left:
                fail(label, "conversion files left: %s" % left[:3])
            tabs, partial = read_any_names(root, (password, changed))
            if tabs is None or partial:
                fail(label, "mixed or part records: %s" % partial[:3])
                continue
            damaged = [(tab, i + 1) for tab, names in tabs.items()
                       for i, name in enumerate(names) if name is None]
            if damaged:
                fail(label, "records that fail their tag: %s" % damaged[:3])
            lost = named_pages(before) - named_pages(tabs)
            if lost and args[0] == "delete":
                # A deleted page is in the (sealed) trash, which the tool reads.
                trash = run(tool, root, ["--password-file", pw + ".next", "trash"]).stdout
                lost = {page for page in lost if page != (2, before[2][0]) or
                        before[2][0] not in trash}
            if lost:
                fail(label, "%d page(s) lost, e.g. %s" % (len(lost), sorted(lost)[:3]))
            if encrypted == "writing":
                # As typed, and as the field cipher of a plain book holds a name.
                plain = plain_texts_in(root, [b"Ulla ", b"Acme ", cipher(b"Ulla 1"),
                                              cipher(b"Box 1")])
                if plain:
                    fail(label, "readable texts in %s" % plain[:3])
            check_modes(label, root, False)
            shutil.rmtree(root, ignore_errors=True)
    print("killed conversions: kill -9 landed in %d of %d runs" % (landed, total), flush=True)


def plain_texts_in(root, texts):
    """The files of the book folder that hold any of `texts` as they are."""
    found = []
    for folder, _, files in os.walk(root):
        for name in files:
            with open(os.path.join(folder, name), "rb") as f:
                data = f.read()
            found += [name for text in texts if text in data]
    return found


def killed_syncs(tool, work, rng):
    """kill -9 during syncs until one completes, sending a book out and then into an empty one:
    no page is lost or doubled, the server holds each page once and no conflict copy appears."""
    if shutil.which("radicale") is None:
        print("killed syncs: skipped, Radicale is not installed", flush=True)
        return
    server = Radicale(work)
    env = dict(os.environ, ORVELAN_SYNC_PASSWORD=Radicale.PASSWORD)
    try:
        server.make_address_book("kills")
        account = ["sync", "--url", server.url, "--user", Radicale.USER, "--addressbook", "kills"]
        sender = os.path.join(work, "sync-sender")
        make_book(sender, 10, rng)
        receiver = os.path.join(work, "sync-receiver")
        os.makedirs(receiver, mode=0o700)
        # Receiving is quicker than sending, whose server work grows with every card.
        for label, root, latest in (("sending", sender, 1.5), ("receiving", receiver, 0.3)):
            before, _ = read_names(root)
            landed = 0
            for attempt in range(12):
                process = subprocess.Popen([tool, "--home", root] + account, env=env,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(rng.uniform(0.01, latest))
                process.send_signal(signal.SIGKILL)
                if process.wait() != -signal.SIGKILL:
                    break
                landed += 1
                check_book("kill -9 during a sync %s (run %d)" % (label, attempt), root, before)
            done = subprocess.run([tool, "--home", root] + account, env=env, capture_output=True,
                                  text=True, timeout=120)
            case = "the sync %s after %d kill(s)" % (label, landed)
            if done.returncode != 0:
                fail(case, done.stderr.strip())
            tabs = check_book(case, root, before)
            names = sorted(name for pages in tabs.values() for name in pages if name)
            expected = sorted(name for pages in read_names(sender)[0].values()
                              for name in pages if name)
            if names != expected:
                fail(case, "the book holds %d pages, %d expected" % (len(names), len(expected)))
            cards = sorted(server.card_names("kills"))
            if cards != expected:
                fail(case, "the server holds %d cards, %d expected (%d distinct)"
                     % (len(cards), len(expected), len(set(cards))))
            print("killed syncs %s: %d kill(s) landed" % (label, landed), flush=True)
    finally:
        server.stop()


class TwoSided:
    """A model of the contacts both sides should hold (name -> phone), the book changed through
    the tool and the server over plain HTTP as a phone would."""

    def __init__(self, tool, work, server, rng):
        self.tool, self.server, self.rng = tool, server, rng
        self.root = os.path.join(work, "two-sided")
        os.makedirs(self.root, mode=0o700)
        self.env = dict(os.environ, ORVELAN_SYNC_PASSWORD=Radicale.PASSWORD)
        self.account = ["sync", "--url", server.url, "--user", Radicale.USER,
                        "--addressbook", "model"]
        self.model = {}
        self.serial = 0

    def fresh(self):
        self.serial += 1
        name = "%s%s %d" % (self.rng.choice(LETTERS), self.rng.choice("aeiou"), self.serial)
        return name, "555 %04d" % self.rng.randrange(10000)

    def tool_json(self, *args):
        done = subprocess.run([self.tool, "--home", self.root, "--json"] + list(args),
                              capture_output=True, text=True, env=self.env, timeout=120)
        if done.returncode != 0:
            raise RuntimeError("%s: %s" % (" ".join(args), done.stderr.strip()))
        return json.loads(done.stdout) if done.stdout.strip() else None

    def book(self):
        return {row["Name"]: (row["tab"], row["page"], row["Phone1"])
                for row in self.tool_json("list") if not row["blank"]}

    def cards(self):
        """{href file: card text} of the address book."""
        folder = os.path.join(self.server.folder, "data", "collection-root", Radicale.USER, "model")
        return {file: self.server.request("GET", "%s/model/%s" % (Radicale.USER, file)).decode()
                for file in sorted(os.listdir(folder)) if file.endswith(".vcf")}

    @staticmethod
    def fn(card):
        return next((line[3:] for line in card.splitlines() if line.startswith("FN:")), "")

    def card_of(self, name):
        return next((f for f, card in self.cards().items() if self.fn(card) == name), None)

    def put(self, file, card):
        self.server.request("PUT", "%s/model/%s" % (Radicale.USER, file), body=card.encode(),
                            headers={"Content-Type": "text/vcard"})

    # One side's changes.
    def book_add(self, name, phone):
        self.tool_json("add", "Name=" + name, "Phone1=" + phone)

    def book_edit(self, name, phone):
        tab, page, _ = self.book()[name]
        self.tool_json("set", str(tab), str(page), "Phone1=" + phone)

    def book_delete(self, name):
        tab, page, _ = self.book()[name]
        self.tool_json("delete", str(tab), str(page))

    def server_add(self, name, phone):
        self.put("phone-%d.vcf" % self.serial, "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-%d\r\n"
                 "FN:%s\r\nTEL;TYPE=HOME,VOICE:%s\r\nEND:VCARD\r\n" % (self.serial, name, phone))

    def server_edit(self, name, phone):
        file = self.card_of(name)
        self.put(file, self.cards()[file].replace(self.model[name], phone))

    def server_delete(self, name):
        self.server.request("DELETE", "%s/model/%s" % (Radicale.USER, self.card_of(name)))

    def round(self):
        """Random changes on both sides; returns what they were, for a failure's message."""
        done = []
        names = sorted(self.model)  # a contact added in this round is on one side only
        for _ in range(self.rng.randint(0, 2)):
            name, phone = self.fresh()
            side = self.rng.choice(("book", "server"))
            (self.book_add if side == "book" else self.server_add)(name, phone)
            self.model[name] = phone
            done.append("%s adds %s" % (side, name))
        for name in self.rng.sample(names, min(len(names), self.rng.randint(0, 3))):
            _, phone = self.fresh()
            op = self.rng.choice(("book edit", "server edit", "book delete", "server delete",
                                  "book delete, server edit", "server delete, book edit"))
            if op == "book edit":
                self.book_edit(name, phone)
            elif op == "server edit":
                self.server_edit(name, phone)
            elif op == "book delete":
                self.book_delete(name)
            elif op == "server delete":
                self.server_delete(name)
            elif op == "book delete, server edit":
                self.server_edit(name, phone)
                self.book_delete(name)
            else:
                self.book_edit(name, phone)
                self.server_delete(name)
            # A deletion loses to a change on the other side.
            if op.endswith("delete"):
                del self.model[name]
            else:
                self.model[name] = phone
            done.append("%s: %s" % (name, op))
        return done

    def sync(self, kill_after=None):
        if kill_after is not None:
            process = subprocess.Popen([self.tool, "--home", self.root] + self.account,
                                       env=self.env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            time.sleep(kill_after)
            process.send_signal(signal.SIGKILL)
            process.wait()
        return self.tool_json(*self.account)

    def check(self, case):
        book = self.book()
        found = {name: phone for name, (_, _, phone) in book.items()}
        if len(book) != sum(1 for _ in self.tool_json("list") if not _["blank"]):
            fail(case, "a name is on more than one page")
        if found != self.model:
            fail(case, "the book holds %s, expected %s" % (sorted(found.items()),
                                                           sorted(self.model.items())))
        cards = [self.fn(card) for card in self.cards().values()]
        if sorted(cards) != sorted(self.model):
            fail(case, "the server holds %s, expected %s" % (sorted(cards), sorted(self.model)))
        for file, card in self.cards().items():
            name = self.fn(card)
            if name in self.model and self.model[name] not in card:
                fail(case, "the card of %s lacks %s" % (name, self.model[name]))
        quiet = self.tool_json(*self.account)
        moved = {k: quiet[k] for k in ("sent", "received", "deletedHere", "deletedOnServer",
                                       "conflicts")}
        if any(moved.values()):
            fail(case, "a second sync still changed %s" % moved)


def two_sided(tool, work, rng, rounds):
    """Seeded rounds of random changes on both sides, a sync killed with kill -9 at a random
    instant in about a third of them, then a sync that completes: every contact that should exist
    is on both sides exactly once with its latest number, deletions follow the rules (a change on
    the other side wins), and a second sync changes nothing."""
    if shutil.which("radicale") is None:
        print("two-sided sync: skipped, Radicale is not installed", flush=True)
        return
    server = Radicale(work)
    try:
        server.make_address_book("model")
        model = TwoSided(tool, work, server, rng)
        for _ in range(6):
            name, phone = model.fresh()
            model.book_add(name, phone)
            model.model[name] = phone
        model.sync()
        model.check("the first sync")
        kills = 0
        for number in range(rounds):
            done = model.round()
            kill = rng.random() < 1 / 3
            kills += kill
            model.sync(rng.uniform(0.02, 0.6) if kill else None)
            model.check("round %d (%s%s)" % (number + 1, "; ".join(done) or "no change",
                                              ", a sync killed first" if kill else ""))
            if FAILURES:
                break
        print("two-sided sync: %d rounds, %d with a killed sync" % (number + 1, kills),
              flush=True)
    finally:
        server.stop()


def main():
    tool = sys.argv[1]
    seed = int(sys.argv[sys.argv.index("--seed") + 1]) if "--seed" in sys.argv else \
        int(time.time())
    runs = int(sys.argv[sys.argv.index("--runs") + 1]) if "--runs" in sys.argv else 6
    print("fault suite, seed %d" % seed, flush=True)
    rng = random.Random(seed)
    start = time.time()
    work = tempfile.mkdtemp(prefix="orvelan-faults-")
    if "--two-sided" in sys.argv:
        try:
            two_sided(tool, work, rng, int(sys.argv[sys.argv.index("--two-sided") + 1]))
        finally:
            shutil.rmtree(work, ignore_errors=True)
        if FAILURES:
            print("%d failure(s) (seed %d)" % (len(FAILURES), seed))
            return 1
        print("two-sided sync passed in %.1f s (seed %d)" % (time.time() - start, seed))
        return 0
    try:
        for case in (stale_locks, parallel_commands, file_size_limit, small_file_system):
            case(tool, work, rng)
            print("%-20s done at %.1f s" % (case.__name__, time.time() - start), flush=True)
        kill_at_random_instants(tool, work, rng, runs)
        killed_merge_imports(tool, work, rng, runs)
        print("kill -9 runs done at %.1f s" % (time.time() - start), flush=True)
        killed_conversions(tool, work, rng, runs)
        print("killed conversions done at %.1f s" % (time.time() - start), flush=True)
        killed_syncs(tool, work, rng)
        print("killed syncs done at %.1f s" % (time.time() - start), flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if FAILURES:
        print("%d failure(s) (seed %d)" % (len(FAILURES), seed))
        return 1
    print("all fault cases passed in %.1f s" % (time.time() - start))
    return 0


if __name__ == "__main__":
    sys.exit(main())
