#!/usr/bin/python3
"""Encrypts files with the module's TransformFile (through the oracle tool
under Wine) and decrypts them with Python's own SHA-1 and the ARC4 of the
`cryptography` package: the encrypted-file format checked from outside."""
import argparse
import hashlib
import os
import subprocess
import sys
import tempfile

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms

PASSWORD = "Veilfold oracle password"
SIZES = [0, 1, 65535, 65536, 3 * 65535 + 7, 1000003]


def rc4_key(password):
    # The key is SHA-1 of the password, each 32-bit word least-significant byte first.
    digest = hashlib.sha1(password.encode("ascii")).digest()
    return b"".join(digest[n:n + 4][::-1] for n in range(0, 20, 4))


def rc4(key, data):
    # Needs OpenSSL's legacy provider on OpenSSL 3; cryptography loads it itself.
    return Cipher(algorithms.ARC4(key), mode=None).encryptor().update(data)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--arch", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--tool", required=True)
    args = parser.parse_args()

    key = rc4_key(PASSWORD)
    with tempfile.TemporaryDirectory(prefix="vf-oracle-") as folder:
        plain = {}
        for size in SIZES:
            path = os.path.join(folder, "plain %d.bin" % size)
            plain[path] = os.urandom(size)
            with open(path, "wb") as f:
                f.write(plain[path])
        command = [args.wine_run, args.arch, args.prefix, args.tool, PASSWORD] + [windows_path(p) for p in plain]
        subprocess.run(command, check=True, timeout=240)

        failures = 0
        for path, data in plain.items():
            encrypted = path + ".$#!"
            if os.path.exists(path) or not os.path.exists(encrypted):
                print("FAIL %s: not renamed to its encrypted name" % path)
                failures += 1
                continue
            with open(encrypted, "rb") as f:
                stored = f.read()
            if len(stored) != len(data) or rc4(key, stored) != data or (data and stored == data):
                print("FAIL %s: does not decrypt to the plain bytes" % path)
                failures += 1
            else:
                print("ok   %d bytes" % len(data))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
