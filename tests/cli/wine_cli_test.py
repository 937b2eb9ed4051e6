#!/usr/bin/python3
"""veilfold.exe, the shell extension and the Linux veilfold share one password
and one file format. The extension's side is its own code under Wine: its key
store as the password dialogs use it (extension_keys_tool) and its run over
the Win32 file system (fileproc_oracle_tool, which answers every question No).

usage: wine_cli_test.py --wine-run SCRIPT --arch win64|win32 --veilfold EXE --keys-tool EXE
                        --extension-run EXE [--linux-veilfold PROGRAM] [unittest arguments]

Everything the tests change lies in one temporary folder, the Wine prefix
they run in among it; each case works in a folder of its own inside it.
"""
import argparse
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms

MARK = ".$#!"
PASSWORD = "shared password"  # ASCII: the extension's run takes its key from the UTF-8 bytes of its argument
args = None
run_folder = None


def byte_form(digest):
    """A digest as the extension holds it: each 32-bit word least significant byte first."""
    return b"".join(digest[n:n + 4][::-1] for n in range(0, 20, 4))


def encrypted(password_bytes, data):
    key = byte_form(hashlib.sha1(password_bytes).digest())
    return Cipher(algorithms.ARC4(key), mode=None).encryptor().update(data)


def stored_check_value(password_bytes):
    return byte_form(hashlib.sha1(password_bytes + hashlib.sha1(password_bytes).hexdigest().encode()).digest())


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class Result:
    def __init__(self, status, out, err):
        self.status = status
        self.out = out.decode("utf-8", errors="replace").replace("\r\n", "\n")
        self.err = err.decode("utf-8", errors="replace").replace("\r\n", "\n")

    def __repr__(self):
        return "exit %d, stdout %r, stderr %r" % (self.status, self.out, self.err)


def wine_environment():
    # Arguments and file names pass between Linux and Wine in UTF-8.
    return dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")


def run(command, stdin=b"", **options):
    """The program's exit status and output. The output goes through files, not pipes: a
    program Wine starts for the session (services.exe and the like) outlives the call and
    would hold a pipe open."""
    with tempfile.TemporaryFile(dir=run_folder) as out, tempfile.TemporaryFile(dir=run_folder) as err:
        status = subprocess.run(command, input=stdin, stdout=out, stderr=err, **options).returncode
        out.seek(0)
        err.seek(0)
        return Result(status, out.read(), err.read())


def wine(program, *arguments, stdin=b""):
    prefix = os.path.join(run_folder, "wineprefix")
    return run([args.wine_run, args.arch, prefix, program, *arguments], stdin, env=wine_environment())


def veilfold_exe(*arguments, password=None):
    return wine(args.veilfold, *arguments, stdin=(password + "\n").encode() if password else b"")


def keys(command, *password):
    return wine(args.keys_tool, command, *password)


def extension_run(*arguments):
    return wine(args.extension_run, *arguments)


def registry_check_value():
    """The bytes of the extension's registry value, as reg.exe shows them; None when absent."""
    query = wine("reg", "query", "HKCU\\Software\\Veilfold\\Configuration", "/v", "HashedKey")
    for line in query.out.splitlines():
        if "HashedKey" in line and "REG_BINARY" in line:
            return bytes.fromhex(line.split()[-1])
    return None


def wineserver(option):
    env = dict(wine_environment(), WINEPREFIX=os.path.join(run_folder, "wineprefix"))
    subprocess.run(["wineserver", option], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def setUpModule():
    global run_folder
    run_folder = tempfile.mkdtemp(prefix="vf-cli-wine-")
    keys("acp")  # creates the prefix
    wineserver("-w")  # the session it started has ended
    # One Wine session for the whole run, as one Windows session: the key
    # the extension keeps until sign-out lives in a volatile registry key,
    # which goes with the session. It ends on its own some minutes after a
    # run that could not end it.
    wineserver("-p300")


def tearDownModule():
    wineserver("-k")
    wineserver("-w")
    shutil.rmtree(run_folder)


class WineCase(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(dir=run_folder)
        keys("forget")

    def tearDown(self):
        shutil.rmtree(self.root)

    def assertOk(self, result):
        self.assertEqual(result.status, 0, result)

    def make_tree(self):
        """A folder of names no single code page spells, an empty file and one of several blocks,
        each with a last-write time of its own (in Windows' 100 ns steps)."""
        files = {
            "letter.txt": b"Dear reader,\n" * 40,
            "empty": b"",
            "caf\u00e9/\u65e5\u672c\u8a9e \u0444\u0430\u0439\u043b.bin": bytes(range(256)) * 300,
            "deep/er/still/large.bin": bytes((n * 7 + n // 251) & 0xFF for n in range(3 << 20)),
        }
        tree = os.path.join(self.root, "tree")
        for n, (relative, data) in enumerate(files.items()):
            path = os.path.join(tree, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
            mtime = 1600000000 * 10**9 + 1234500 + n * 100
            os.utime(path, ns=(mtime, mtime))
        return tree, files

    def snapshot(self, top):
        """Every file under `top`: its name, bytes and last-write time."""
        entries = {}
        for folder, _, names in os.walk(top):
            for name in names:
                path = os.path.join(folder, name)
                with open(path, "rb") as f:
                    entries[os.path.relpath(path, top)] = (f.read(), os.stat(path).st_mtime_ns)
        return entries


class WindowsProgramTest(WineCase):
    def test_one_password_for_the_extension_and_veilfold_exe(self):
        code_page = "cp" + keys("acp").out.strip()
        # Each password set by one side and checked by the other, both ways.
        for password in ["caf\u00e9", "\u20acuro 2024", "x" * 300, "\u4e2d\u6587"]:
            with self.subTest(password=password):
                try:  # what the password field holds: its first 254 characters
                    key_bytes = password[:254].encode(code_page)
                except UnicodeEncodeError:
                    key_bytes = None
                keys("forget")
                set_by_extension = keys("set", password)
                if key_bytes is None:  # refused by both, and nothing stored
                    self.assertEqual(set_by_extension.status, 2, set_by_extension)
                    result = veilfold_exe("password", "set", password=password)
                    self.assertEqual(result.status, 2, result)
                    self.assertIn("code page cannot hold", result.err)
                    self.assertIsNone(registry_check_value())
                    continue
                self.assertOk(set_by_extension)
                self.assertEqual(registry_check_value(), stored_check_value(key_bytes))
                self.assertOk(veilfold_exe("password", "check", password=password))
                wrong = veilfold_exe("password", "check", password="!" + password)
                self.assertEqual(wrong.status, 1, wrong)
                self.assertIn("incorrect password", wrong.err)

                keys("forget")
                self.assertOk(veilfold_exe("password", "set", password=password))
                self.assertEqual(registry_check_value(), stored_check_value(key_bytes))
                self.assertOk(keys("check", password))

    def test_a_new_password_ends_the_key_the_extension_keeps(self):
        # The kept key would otherwise go on encrypting under the old password.
        self.assertOk(keys("set", "old"))
        self.assertOk(keys("retain", "old"))
        self.assertOk(keys("retained"))
        self.assertOk(veilfold_exe("password", "set", "--replace", password="new"))
        self.assertEqual(keys("retained").status, 1)
        self.assertOk(keys("check", "new"))

    def test_what_one_encrypts_the_other_decrypts(self):
        self.assertOk(keys("set", PASSWORD))
        tree, files = self.make_tree()
        before = self.snapshot(tree)

        self.assertOk(veilfold_exe("encrypt", windows_path(tree), password=PASSWORD))
        after = self.snapshot(tree)
        self.assertEqual(sorted(after), sorted(name + MARK for name in before))
        for name, (data, mtime) in before.items():
            self.assertEqual(after[name + MARK], (encrypted(PASSWORD.encode(), data), mtime), name)
        status = veilfold_exe("status", "--json", windows_path(tree))
        self.assertOk(status)
        self.assertEqual(sorted(json.loads(status.out)["marked"]),
                         sorted(windows_path(os.path.join(tree, name + MARK)) for name in files))
        self.assertOk(extension_run("--decrypt", PASSWORD, windows_path(tree)))
        self.assertEqual(self.snapshot(tree), before)

        self.assertOk(extension_run(PASSWORD, windows_path(tree)))
        self.assertOk(veilfold_exe("decrypt", windows_path(tree), password=PASSWORD))
        self.assertEqual(self.snapshot(tree), before)


class AcrossSystemsTest(WineCase):
    def setUp(self):
        if not args.linux_veilfold or not os.path.exists(args.linux_veilfold):
            self.skipTest("no Linux veilfold at %s: build the native tree first" % args.linux_veilfold)
        super().setUp()

    def linux_veilfold(self, *arguments, password=PASSWORD):
        env = dict(os.environ, HOME=os.path.join(self.root, "home"),
                   XDG_CONFIG_HOME=os.path.join(self.root, "config"), XDG_STATE_HOME=os.path.join(self.root, "state"))
        # A session of its own: no terminal, so the password comes from standard input.
        return run([args.linux_veilfold, *arguments], (password + "\n").encode(), env=env, start_new_session=True)

    def test_files_cross_both_ways_whole_with_names_and_times(self):
        tree, _ = self.make_tree()
        before = self.snapshot(tree)
        self.assertOk(self.linux_veilfold("password", "set"))

        self.assertOk(extension_run(PASSWORD, windows_path(tree)))
        self.assertEqual(sorted(self.snapshot(tree)), sorted(name + MARK for name in before))
        self.assertOk(self.linux_veilfold("decrypt", tree))
        self.assertEqual(self.snapshot(tree), before)

        self.assertOk(self.linux_veilfold("encrypt", tree))
        self.assertOk(extension_run("--decrypt", PASSWORD, windows_path(tree)))
        self.assertEqual(self.snapshot(tree), before)

    def test_the_linux_check_value_is_the_extensions(self):
        password = "caf\u00e9 cr\u00e8me"
        code_page = keys("acp").out.strip()
        self.assertOk(keys("set", password))
        self.assertOk(self.linux_veilfold("password", "set", "--code-page", code_page, password=password))
        with open(os.path.join(self.root, "config", "veilfold", "check"), "rb") as f:
            self.assertEqual(f.read(), registry_check_value())


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--arch", required=True)
    parser.add_argument("--veilfold", required=True)
    parser.add_argument("--keys-tool", required=True)
    parser.add_argument("--extension-run", required=True)
    parser.add_argument("--linux-veilfold")
    args, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
