#!/usr/bin/python3
"""Compares the registry values that the key store writes for a password with
an independent computation: the key is SHA-1(password), the check value
SHA-1(password + hex(key)); the registry holds each digest with every 4-byte
word reversed. Passwords longer than 254 characters count by their first 254.

usage: check_registry_values.py EXPORT_EXE WINE_RUN ARCH PREFIX  (the last three: how to run EXPORT_EXE)
"""
import hashlib
import subprocess
import sys

MAX_PASSWORD = 254
REG_BINARY = 3

PASSWORDS = [
    "Secret1",
    "secret1",
    "correct horse battery staple",
    "x" * 254,
]


def stored_form(digest):
    return b"".join(digest[i:i + 4][::-1] for i in range(0, 20, 4))


def expected_values(password):
    data = password[:MAX_PASSWORD].encode("ascii")
    key = hashlib.sha1(data).digest()
    check = hashlib.sha1(data + key.hex().encode("ascii")).digest()
    return {"HashedKey": stored_form(check), "Key": stored_form(key)}


def exported_values(wine_run, exe, password):
    out = subprocess.run(wine_run + [exe, password], capture_output=True, text=True, check=True).stdout
    values = {}
    for line in out.splitlines():
        name, value_type, data = line.strip().split(" ")
        values[name] = (int(value_type), bytes.fromhex(data))
    return values


def main(exe, *wine_run):
    failures = 0
    for password in PASSWORDS:
        got = exported_values(list(wine_run), exe, password)
        for name, want in expected_values(password).items():
            if got.get(name) != (REG_BINARY, want):
                failures += 1
                print(f"{name} for a {len(password)}-character password: got {got.get(name)}, want {want.hex()}")
    print(f"{len(PASSWORDS)} passwords, {failures} mismatches")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
