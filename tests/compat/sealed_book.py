#!/usr/bin/env python3
"""An independent reader of encrypted books, written from the documented format alone with a
second libsodium binding (PyNaCl): book.key's Argon2id password slot unwraps the book key, and
each 1730-byte record of a tab file opens with XChaCha20-Poly1305 (IETF) under the additional
data bookId || tab || record number (8 bytes, little-endian) into the 1690-byte plain record.

    sealed_book.py DIR PASSWORD     print every record of the book in hex, one per line
"""
import base64
import json
import os
import struct
import sys

from nacl import bindings, pwhash

SEALED = 1730
WRAP_LABEL = b"orvelan-book-key-v1"


def book_key(root, password):
    """(bookId, key) from book.key with the master password (spaces around it removed)."""
    with open(os.path.join(root, "book.key"), "rb") as f:
        doc = json.loads(f.read().decode("utf-8"))
    assert doc["format"] == "orvelan-book-key" and doc["version"] == 1
    book_id = base64.b64decode(doc["bookId"])
    for slot in doc["slots"]:
        if slot.get("kind") != "password":
            continue
        kek = pwhash.argon2id.kdf(32, password.strip(" ").encode("utf-8"),
                                  base64.b64decode(slot["salt"]),
                                  opslimit=slot["opslimit"], memlimit=slot["memlimit"])
        key = bindings.crypto_aead_xchacha20poly1305_ietf_decrypt(
            base64.b64decode(slot["wrappedKey"]), WRAP_LABEL + book_id,
            base64.b64decode(slot["nonce"]), kek)
        return book_id, key
    raise ValueError("book.key has no password slot")


def open_record(book_id, key, tab, number, sealed):
    """The plain record, or None when it fails its tag."""
    ad = book_id + bytes([tab]) + struct.pack("<Q", number)
    try:
        return bindings.crypto_aead_xchacha20poly1305_ietf_decrypt(sealed[24:], ad, sealed[:24], key)
    except Exception:  # nacl raises CryptoError
        return None


def seal_record(book_id, key, tab, number, plain):
    ad = book_id + bytes([tab]) + struct.pack("<Q", number)
    nonce = os.urandom(24)
    return nonce + bindings.crypto_aead_xchacha20poly1305_ietf_encrypt(plain, ad, nonce, key)


def open_file(book_id, key, label, sealed):
    """A file sealed whole (the sync state, the trash) under its label."""
    return bindings.crypto_aead_xchacha20poly1305_ietf_decrypt(sealed[24:], label + book_id,
                                                              sealed[:24], key)


def records(path, book_id, key, tab):
    """Every record of a sealed file of `tab`, None for one that fails its tag."""
    with open(path, "rb") as f:
        data = f.read()
    return [open_record(book_id, key, tab, i + 1, data[i * SEALED:(i + 1) * SEALED])
            for i in range(len(data) // SEALED)]


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from reference_book import TAB_FILES
    root, password = sys.argv[1], sys.argv[2]
    book_id, key = book_key(root, password)
    for tab, name in enumerate(TAB_FILES):
        for plain in records(os.path.join(root, "DataBook", name), book_id, key, tab):
            print(plain.hex() if plain is not None else "damaged")
