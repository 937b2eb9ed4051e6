#!/usr/bin/python3
"""Encrypts files with the module's own run (through the oracle tool under
Wine) and decrypts them with Python's own SHA-1 and the ARC4 of the
`cryptography` package: the encrypted-file format checked from outside, on
single files and on a tree of what a real disk holds (names no code page
spells, a path past 300 characters, hard links)."""
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


def tool_arguments():
    """The Wine runner, the prefix's architecture, the prefix and the tool, from the command line."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--arch", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--tool", required=True)
    parser.add_argument("--killer", help="the program that ends the tool part-way, for the kill tests")
    return parser.parse_args()


def tool_command(args):
    return [args.wine_run, args.arch, args.prefix, args.tool]


def run_captured(command):
    """Runs `command` with its output caught in files, not pipes: the Wine
    programs that start with a prefix's session inherit the pipes of
    whichever program started it, and a read of them would wait for those
    to end."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(command, stdout=out, stderr=err, timeout=300).returncode
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(command, code, out.read(), err.read())


def check_encrypted(key, path, data):
    """Problems with `path` after Encrypt: it must exist only marked, and decrypt to `data`."""
    encrypted = path + ".$#!"
    if os.path.exists(path) or not os.path.exists(encrypted):
        return "not renamed to its encrypted name"
    with open(encrypted, "rb") as f:
        stored = f.read()
    if len(stored) != len(data) or rc4(key, stored) != data or (data and stored == data):
        return "does not decrypt to the plain bytes"
    return None


def check_tree(args, key, folder):
    """A tree of Unicode names, a long path and hard links, encrypted and decrypted as one selection."""
    tree = os.path.join(folder, "tree")
    names = ["\u65e5\u672c\u8a9e/\u30d5\u30a1\u30a4\u30eb.txt",    # Japanese
             "\u0444\u0430\u0439\u043b/\u0434\u043e\u043a.bin",  # Cyrillic
             "\U0001F512 emoji/\u0441\u0435\u043a\u0440\u0435\u0442.dat",
             "\uff0e\uff0e/inside.txt",                  # fullwidth full stops: not ".."
             "/".join(["a" * 100, "b" * 100, "c" * 100, "long.bin"]),
             "pair/first.bin"]
    plain = {}
    for name in names:
        path = os.path.join(tree, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        plain[path] = os.urandom(70000)
        with open(path, "wb") as f:
            f.write(plain[path])
    second = os.path.join(tree, "pair", "second.bin")
    os.link(os.path.join(tree, "pair", "first.bin"), second)
    plain[second] = plain[os.path.join(tree, "pair", "first.bin")]
    # A file with a second name outside the selection: asked about, answered No.
    shared = os.path.join(tree, "shared.bin")
    outside = os.path.join(folder, "outside.bin")
    with open(shared, "wb") as f:
        f.write(b"shared plain bytes")
    os.link(shared, outside)

    failures = 0
    for direction in ([], ["--decrypt"]):
        command = tool_command(args) + direction + [PASSWORD, windows_path(tree)]
        run = run_captured(command)
        asked = run.stdout.decode("utf-8").splitlines()
        # Encrypt asks about the names outside; Decrypt first asks about a file
        # that does not look encrypted, and the answer No settles it.
        expected = ["asked %d: %s" % (132 if direction else 142, windows_path(shared))]
        if asked != expected:
            print("FAIL tree %s: asked %r, expected %r" % (direction or "encrypt", asked, expected))
            failures += 1
        for path, data in plain.items():
            problem = check_encrypted(key, path, data) if not direction else None
            if direction and (not os.path.exists(path) or open(path, "rb").read() != data):
                problem = "not back to its plain name and bytes"
            if problem:
                print("FAIL %s: %s" % (path, problem))
                failures += 1
        for path in (shared, outside):
            if open(path, "rb").read() != b"shared plain bytes" or os.path.exists(path + ".$#!"):
                print("FAIL %s: changed, though the user said No" % path)
                failures += 1
    print("ok   tree of %d files, %d-character path, hard links" %
          (len(plain), max(len(windows_path(p)) for p in plain)) if not failures else "FAIL tree")
    return failures


def main():
    args = tool_arguments()

    key = rc4_key(PASSWORD)
    with tempfile.TemporaryDirectory(prefix="vf-oracle-") as folder:
        plain = {}
        for size in SIZES:
            path = os.path.join(folder, "plain %d.bin" % size)
            plain[path] = os.urandom(size)
            with open(path, "wb") as f:
                f.write(plain[path])
        command = tool_command(args) + [PASSWORD] + [windows_path(p) for p in plain]
        subprocess.run(command, check=True, timeout=240)

        failures = 0
        for path, data in plain.items():
            problem = check_encrypted(key, path, data)
            if problem:
                print("FAIL %s: %s" % (path, problem))
                failures += 1
            else:
                print("ok   %d bytes" % len(data))
        failures += check_tree(args, key, folder)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
