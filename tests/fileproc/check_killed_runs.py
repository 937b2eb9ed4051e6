#!/usr/bin/python3
"""Kills a real run in the middle of a file, then lets the next command
finish it: the oracle tool transforms a file of tens of MiB under Wine with
its journal on, and a Windows parent ends it with TerminateProcess after a
chosen block, in the transform and in the pass that puts a file back. The
next run recovers the file from its journal. Each file must
end wholly plain under its plain name or wholly encrypted under its marked
name, as Python's own SHA-1 and ARC4 tell."""
import os
import sys
import tempfile

from check_encrypted_file import PASSWORD, rc4, rc4_key, run_captured, tool_arguments, tool_command, windows_path

BLOCK = 2**18              # what a long file is read and written in
SIZE = 160 * BLOCK + 4321  # 161 writes, in three stretches of the journal
WRITES = (SIZE + BLOCK - 1) // BLOCK
FAIL_AT = 120 * BLOCK      # where a write fails, for the kills while putting a file back


def run_tool(args, options, paths, hold_after=None):
    """Runs the tool; with `hold_after`, a Windows parent ends it with
    TerminateProcess once it has written that many blocks, and the result
    says whether it got that far, with what the parent printed."""
    arguments = options + [PASSWORD] + paths
    if hold_after is None:
        return run_captured(tool_command(args) + arguments)
    killer = [args.wine_run, args.arch, args.prefix, args.killer, windows_path(args.tool)]
    held = ["--hold-after-write", str(hold_after)]
    result = run_captured(killer + held + arguments)
    return result.stdout.strip().endswith(b"terminated"), result.stdout.decode(errors="replace")


def main():
    args = tool_arguments()
    key = rc4_key(PASSWORD)
    plain = os.urandom(SIZE)
    encrypted = rc4(key, plain)

    # Twenty kills: fourteen spread over the transform, six over the pass
    # that puts the file back after a write fails at 30 MiB (120 blocks done,
    # as many to put back).
    cases = [("transform", 1 + n * (WRITES - 2) // 13) for n in range(14)]
    cases += [("restore", FAIL_AT // BLOCK + 1 + n * 20) for n in range(6)]
    failures = 0
    for what, kill_after in cases:
        with tempfile.TemporaryDirectory(prefix="vf-kill-") as folder:
            path = os.path.join(folder, "big.bin")
            journal = os.path.join(folder, "journal")
            with open(path, "wb") as f:
                f.write(plain)
            options = ["--journal", windows_path(journal)]
            if what == "restore":
                options += ["--fail-write-at", str(FAIL_AT)]
            killed, killing = run_tool(args, options, [windows_path(path)], kill_after)
            recovery = run_tool(args, ["--journal", windows_path(journal), "--recover"], [])
            marked = path + ".$#!"
            if os.path.exists(marked) and not os.path.exists(path):
                ok, state = open(marked, "rb").read() == encrypted, "encrypted"
            elif os.path.exists(path) and not os.path.exists(marked):
                ok, state = open(path, "rb").read() == plain, "plain"
            else:
                ok, state = False, "under both names or none"
            left = os.listdir(journal) if os.path.isdir(journal) else []
            ok = ok and killed and recovery.returncode == 0 and not left
            print("%s %-9s killed after write %4d (a whole transform writes %d): wholly %s%s" %
                  ("ok  " if ok else "FAIL", what, kill_after, WRITES, state,
                   "" if not left else ", journal left: %s" % left))
            if not killed:
                print("  the run was not killed:\n%s" % killing)
            if not ok:
                print("  recovery exited %d: %s%s" % (recovery.returncode, recovery.stdout.decode(errors="replace"),
                                                    recovery.stderr.decode(errors="replace")))
            failures += not ok
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
