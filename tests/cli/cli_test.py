#!/usr/bin/env python3
"""veilfold on the command line, run as a child process without a terminal.

Usage: cli_test.py VEILFOLD JOURNAL-KILL-CHILD [unittest arguments]
(journal_kill_child: a run of the engine killed part way, see tests/platform).
Each case works in a temporary folder of its own, which also holds the HOME,
XDG_CONFIG_HOME and XDG_STATE_HOME the child sees.
"""
import hashlib
import json
import os
import pty
import stat
import subprocess
import sys
import tempfile
import unittest

VEILFOLD = None
KILL_CHILD = None
MARK = ".$#!"


def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) & 0xFF
        s[i], s[j] = s[j], s[i]
    out = bytearray(len(data))
    i = j = 0
    for n, byte in enumerate(data):
        i = (i + 1) & 0xFF
        j = (j + s[i]) & 0xFF
        s[i], s[j] = s[j], s[i]
        out[n] = byte ^ s[(s[i] + s[j]) & 0xFF]
    return bytes(out)


def byte_form(digest):
    """A digest as the extension holds it: each 32-bit word least significant byte first."""
    return b"".join(digest[n:n + 4][::-1] for n in range(0, 20, 4))


def encrypted(password_bytes, data):
    return rc4(byte_form(hashlib.sha1(password_bytes).digest()), data)


def check_value(password_bytes):
    """The check value's standard hex, and the 20 bytes stored."""
    digest = hashlib.sha1(password_bytes + hashlib.sha1(password_bytes).hexdigest().encode()).digest()
    return digest.hex(), byte_form(digest)


class CliCase(unittest.TestCase):
    def setUp(self):
        self._temp = tempfile.TemporaryDirectory()
        self.root = os.path.realpath(self._temp.name)
        self.env = dict(os.environ, HOME=os.path.join(self.root, "home"),
                        XDG_CONFIG_HOME=os.path.join(self.root, "config"),
                        XDG_STATE_HOME=os.path.join(self.root, "state"))
        os.mkdir(self.env["HOME"])

    def tearDown(self):
        self._temp.cleanup()

    def fresh(self):
        """A new temporary folder and home, for the next case of a table."""
        self.tearDown()
        self.setUp()

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def write(self, relative, data, mtime_ns=None):
        full = self.path(relative)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
        if mtime_ns is not None:
            os.utime(full, ns=(mtime_ns, mtime_ns), follow_symlinks=False)
        return full

    def read(self, relative):
        with open(self.path(relative), "rb") as f:
            return f.read()

    def run_veilfold(self, *args, stdin=b""):
        # A session of its own: no controlling terminal, so /dev/tty cannot be opened.
        result = subprocess.run([VEILFOLD, *args], input=stdin, capture_output=True, cwd=self.root,
                                env=self.env, start_new_session=True)
        return result.returncode, result.stdout.decode(errors="replace"), result.stderr.decode(errors="replace")

    def set_password(self, password=b"secret"):
        status, _, err = self.run_veilfold("password", "set", stdin=password + b"\n")
        self.assertEqual(status, 0, err)

    def snapshot(self, top):
        """Every entry under `top`: kind, bytes or target, mode and time."""
        entries = {}
        for folder, folders, files in os.walk(self.path(top)):
            for name in folders + files:
                full = os.path.join(folder, name)
                facts = os.lstat(full)
                if stat.S_ISLNK(facts.st_mode):
                    what = ("link", os.readlink(full))
                elif stat.S_ISDIR(facts.st_mode):
                    what = ("folder",)
                else:
                    with open(full, "rb") as f:
                        what = ("file", f.read(), facts.st_mtime_ns)
                entries[os.path.relpath(full, self.root).encode(errors="surrogateescape")] = what + (
                    stat.S_IMODE(facts.st_mode),)
        return entries


class RoundTripTest(CliCase):
    def test_tree_encrypts_to_rc4_of_the_key_and_decrypts_back_whole(self):
        files = {
            "tree/plain": bytes(range(256)) * 50,
            "tree/empty": b"",
            "tree/sub/deeper/leaf": b"leaf contents\n" * 100,
            "tree/name \udcff bytes": b"non-UTF-8 name",
        }
        for n, (relative, data) in enumerate(files.items()):
            self.write(relative, data, mtime_ns=1600000000123456789 + n)
        self.write("tree/.hidden/inside", b"never touched")
        os.symlink("../outside", self.path("tree/link"))
        self.write("outside", b"what the link leads to")
        os.link(self.path("tree/plain"), self.path("tree/sub/second-name"))
        before = self.snapshot("tree")
        self.write("pw", b"tree password\n")
        self.set_password(b"tree password")

        status, _, err = self.run_veilfold("encrypt", "--password-file", self.path("pw"), "tree")
        self.assertEqual(status, 0, err)
        self.assertIn("tree/link (a link, not followed)", err)
        self.assertIn("tree/.hidden (its name begins with a dot)", err)
        after = self.snapshot("tree")
        for relative, data in files.items():
            name = relative.encode(errors="surrogateescape")
            self.assertNotIn(name, after)
            kind, contents, mtime, mode = after[name + MARK.encode()]
            self.assertEqual(contents, encrypted(b"tree password", data), relative)
            self.assertEqual((mtime, mode), before[name][2:], relative)
        # One file under two names: transformed once, both names marked.
        self.assertEqual(os.stat(self.path("tree/sub/second-name" + MARK)).st_ino,
                         os.stat(self.path("tree/plain" + MARK)).st_ino)
        self.assertEqual(after[b"tree/.hidden/inside"], before[b"tree/.hidden/inside"])
        self.assertEqual(after[b"tree/link"], before[b"tree/link"])
        self.assertEqual(self.read("outside"), b"what the link leads to")

        status, _, err = self.run_veilfold("decrypt", "--password-file", self.path("pw"), "tree")
        self.assertEqual(status, 0, err)
        self.assertEqual(self.snapshot("tree"), before)
        self.assertEqual(os.listdir(self.path("state/veilfold/journal")), [])


class QuestionTest(CliCase):
    def test_an_already_marked_file_is_encrypted_again_only_on_yes(self):
        # Encrypted again, it keeps its one mark.
        cases = [  # flags, exit status, transformed
            (["--yes"], 0, True),
            (["--no"], 1, False),
            ([], 1, False),  # no terminal, no flag: the safe answer
        ]
        data = b"marked already"
        for flags, expected_status, transformed in cases:
            with self.subTest(flags=flags):
                self.fresh()
                self.set_password()
                marked = self.write("x" + MARK, data)
                status, _, err = self.run_veilfold("encrypt", *flags, marked, stdin=b"secret\n")
                self.assertEqual(status, expected_status, err)
                if transformed:
                    self.assertEqual(self.read("x" + MARK), encrypted(b"secret", data))
                else:
                    self.assertEqual(self.read("x" + MARK), data)
                    self.assertIn(marked + ": already encrypted", err)


class BadInputTest(CliCase):
    def test_bad_input_changes_nothing_and_says_so(self):
        cases = [  # arguments, exit status, words on stderr
            (["encrypt", "file", "missing"], 1, "missing: no such file or folder"),
            (["encrypt", "--frobnicate", "file"], 2, "--frobnicate"),
            (["decrypt"], 2, "PATH"),
            (["decrypt", "--frobnicate"], 2, "--frobnicate"),  # the unknown word, not the missing PATH
            (["encrypt", "--yes", "--no", "file"], 2, "excludes"),
            (["frobnicate"], 2, ""),
            (["encrypt", "--check-value", "12ab", "file"], 2, "40 hex digits"),
            (["encrypt", "--code-page", "99999", "file"], 2, "code page 99999"),
            (["encrypt", "--password-file", "no-such-file", "file"], 2, "no-such-file: cannot read it"),
        ]
        for arguments, expected_status, words in cases:
            with self.subTest(arguments=arguments):
                self.fresh()
                self.set_password()
                self.write("file", b"contents")
                before = self.snapshot(".")
                status, _, err = self.run_veilfold(*arguments, stdin=b"secret\n")
                self.assertEqual(status, expected_status, err)
                self.assertIn(words, err)
                self.assertEqual(self.snapshot("."), before)

    @unittest.skipIf(os.geteuid() == 0, "root reads every file")
    def test_an_unreadable_file_is_reported_and_the_rest_done(self):
        self.set_password()
        self.write("tree/locked", b"locked")
        self.write("tree/open", b"open")
        os.chmod(self.path("tree/locked"), 0)
        status, _, err = self.run_veilfold("encrypt", "tree", stdin=b"secret\n")
        self.assertEqual(status, 1, err)
        self.assertIn(self.path("tree/locked") + ": cannot open it", err)
        self.assertEqual(self.read("tree/open" + MARK), encrypted(b"secret", b"open"))


class PasswordTest(CliCase):
    def test_set_stores_the_extensions_check_value_privately(self):
        self.set_password("café".encode())
        hex_value, stored = check_value(b"caf\xe9")  # Windows-1252 bytes, not UTF-8
        self.assertEqual(self.read("config/veilfold/check"), stored)
        self.assertEqual(stat.S_IMODE(os.stat(self.path("config/veilfold")).st_mode), 0o700)
        self.assertEqual(stat.S_IMODE(os.stat(self.path("config/veilfold/check")).st_mode), 0o600)
        status, _, err = self.run_veilfold("password", "check", stdin="café\n".encode())
        self.assertEqual(status, 0, err)
        status, _, err = self.run_veilfold("password", "check", "--check-value", hex_value.upper(),
                                           stdin="café\n".encode())
        self.assertEqual(status, 0, err)
        # A second set would orphan what the first password encrypted.
        status, _, err = self.run_veilfold("password", "set", stdin=b"other\n")
        self.assertEqual(status, 1, err)
        self.assertEqual(self.read("config/veilfold/check"), stored)

    def test_a_wrong_password_is_refused_and_nothing_changes(self):
        self.set_password()
        self.write("file", b"contents")
        for command in (["encrypt", "file"], ["decrypt", "file"], ["password", "check"]):
            with self.subTest(command=command):
                status, _, err = self.run_veilfold(*command, stdin=b"Secret\n")
                self.assertEqual(status, 1, err)
                self.assertIn("incorrect password", err)
                self.assertEqual(self.read("file"), b"contents")

    def test_the_key_is_the_code_pages_bytes_of_what_the_extensions_field_holds(self):
        cases = [  # password, code page option, accepted key bytes (None: refused)
            ("€uro", [], b"\x80uro"),
            ("中文", [], None),
            ("пароль", [], None),
            ("пароль", ["--code-page", "1251"], "пароль".encode("cp1251")),
            # The field holds 254 characters, and of those the whole ones that fit in 254 bytes;
            # what lies past them is not looked at.
            ("x" * 300, [], b"x" * 254),
            ("x" * 254 + "中", [], b"x" * 254),
            ("日" * 200, ["--code-page", "932"], "日".encode("cp932") * 127),
        ]
        for password, option, key_bytes in cases:
            with self.subTest(password=password, option=option):
                self.fresh()
                self.write("file", b"contents")
                status, _, err = self.run_veilfold("password", "set", *option, stdin=password.encode() + b"\n")
                if key_bytes is None:
                    self.assertEqual(status, 2, err)
                    self.assertIn("code page cannot hold", err)
                    self.assertFalse(os.path.exists(self.path("config/veilfold/check")))
                else:
                    self.assertEqual(status, 0, err)
                    status, _, err = self.run_veilfold("encrypt", *option, "file", stdin=password.encode() + b"\n")
                    self.assertEqual(status, 0, err)
                    self.assertEqual(self.read("file" + MARK), encrypted(key_bytes, b"contents"))

    def test_without_a_check_value_encrypt_refuses_and_decrypt_warns(self):
        self.write("plain", b"plain")
        self.write("secret" + MARK, encrypted(b"pw", b"was plain"))
        status, _, err = self.run_veilfold("encrypt", "plain", stdin=b"pw\n")
        self.assertEqual(status, 2, err)
        self.assertEqual(self.read("plain"), b"plain")
        status, _, err = self.run_veilfold("decrypt", "secret" + MARK, stdin=b"pw\n")
        self.assertEqual(status, 0, err)
        self.assertIn("warning: no check value", err)
        self.assertEqual(self.read("secret"), b"was plain")


class TerminalPromptTest(CliCase):
    def run_on_terminal(self, args, typed):
        """Runs veilfold on a pseudo-terminal of its own, typing each line of `typed` once its
        prompt has shown; returns the exit status and everything the terminal showed."""
        pid, terminal = pty.fork()
        if pid == 0:
            os.chdir(self.root)
            os.execve(VEILFOLD, [VEILFOLD, *args], self.env)
        shown = b""
        try:
            for prompt, line in typed:
                while prompt not in shown:
                    shown += os.read(terminal, 1024)
                os.write(terminal, line + b"\n")
            while True:
                shown += os.read(terminal, 1024)
        except OSError:  # the child has gone and closed its side
            pass
        os.close(terminal)
        _, status = os.waitpid(pid, 0)
        return os.waitstatus_to_exitcode(status), shown.decode(errors="replace")

    def test_password_set_asks_twice_without_echo_and_refuses_a_different_confirmation(self):
        cases = [  # the confirmation, exit status, words shown, stored
            (b"typed secret", 0, "check value stored", True),
            (b"typed secreT", 2, "the passwords don't match", False),
        ]
        for confirmation, expected_status, words, stored in cases:
            with self.subTest(confirmation=confirmation):
                self.fresh()
                status, shown = self.run_on_terminal(["password", "set"], [(b"New password: ", b"typed secret"),
                                                                           (b"again: ", confirmation)])
                self.assertEqual(status, expected_status, shown)
                self.assertIn("The same password again: ", shown)
                self.assertIn(words, shown)
                self.assertNotIn("typed", shown)  # nothing typed was echoed
                path = self.path("config/veilfold/check")
                self.assertEqual(os.path.exists(path), stored)
                if stored:
                    self.assertEqual(self.read("config/veilfold/check"), check_value(b"typed secret")[1])


    def test_a_question_is_asked_and_answered_on_the_terminal(self):
        self.set_password()
        self.write("pw", b"secret\n")
        marked = self.write("x" + MARK, b"marked already")
        status, shown = self.run_on_terminal(["encrypt", "--password-file", "pw", "x" + MARK],
                                             [(b"encrypt it again? [y]es/[n]o/[c]ancel: ", b"y")])
        self.assertEqual(status, 0, shown)
        self.assertEqual(self.read("x" + MARK), encrypted(b"secret", b"marked already"))
        self.assertIn(marked, shown)

class StatusTest(CliCase):
    def test_json_lists_marked_plain_and_passed_over(self):
        self.set_password()
        self.write("tree/a", b"a")
        self.write("tree/sub/b", b"b")
        self.write("tree/.dot/c", b"c")
        status, _, err = self.run_veilfold("encrypt", "tree/sub", stdin=b"secret\n")
        self.assertEqual(status, 0, err)
        status, out, err = self.run_veilfold("status", "--json", "tree")
        self.assertEqual(status, 0, err)
        self.assertEqual(json.loads(out), {
            "marked": ["tree/sub/b" + MARK],
            "plain": ["tree/a"],
            "passed_over": ["tree/.dot"],
            "missing": [],
            "unfinished": [],
        })
        status, _, err = self.run_veilfold("status", "tree", "gone")
        self.assertEqual(status, 1)
        self.assertIn("gone", err)


class RecoverTest(CliCase):
    def test_a_file_a_killed_run_left_is_shown_and_finished_on_yes(self):
        self.set_password()
        data = bytes((n * 131 + n // 4096) & 0xFF for n in range(3 << 20))
        target = self.write("big", data)
        killed = subprocess.run([KILL_CHILD, target, self.path("state/veilfold/journal"), str(3 << 19), "secret"])
        self.assertEqual(killed.returncode, -9)

        def unfinished():
            status, out, err = self.run_veilfold("status", "--json", self.root)
            self.assertEqual(status, 0, err)
            return [(item["path"], item["operation"]) for item in json.loads(out)["unfinished"]]

        self.assertEqual(unfinished(), [(target, "encrypt")])
        # No terminal and no flag: left for later, and said so.
        status, _, err = self.run_veilfold("recover", stdin=b"secret\n")
        self.assertEqual(status, 1, err)
        self.assertIn(target + ": left part transformed", err)
        self.assertEqual(unfinished(), [(target, "encrypt")])

        status, _, err = self.run_veilfold("recover", "--yes", stdin=b"secret\n")
        self.assertEqual(status, 0, err)
        self.assertEqual(self.read("big" + MARK), encrypted(b"secret", data))
        self.assertEqual(unfinished(), [])


if __name__ == "__main__":
    VEILFOLD = os.path.realpath(sys.argv.pop(1))
    KILL_CHILD = os.path.realpath(sys.argv.pop(1))
    unittest.main()
