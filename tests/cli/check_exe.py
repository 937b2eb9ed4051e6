#!/usr/bin/python3
"""Static checks of a built veilfold.exe, read back with pefile: a console
program for the machine asked for, standing alone (no compiler runtime DLLs
to carry beside it).

usage: check_exe.py --machine {i386,amd64} EXE
"""
import argparse
import re
import sys
import unittest

import pefile

MACHINES = {"i386": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"],
            "amd64": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]}
RUNTIME_DLLS = re.compile(r"^(libgcc|libstdc\+\+|libwinpthread|libssp)", re.I)

args = None


class BuiltExe(unittest.TestCase):
    def test_a_console_program_for_the_machine_needing_no_runtime_dlls(self):
        pe = pefile.PE(args.exe)
        self.assertEqual(pe.FILE_HEADER.Machine, MACHINES[args.machine])
        self.assertTrue(pe.is_exe())
        self.assertEqual(pe.OPTIONAL_HEADER.Subsystem, pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"])
        imported = [entry.dll.decode() for entry in pe.DIRECTORY_ENTRY_IMPORT]
        self.assertEqual([d for d in imported if RUNTIME_DLLS.match(d)], [], imported)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--machine", choices=MACHINES, required=True)
    parser.add_argument("exe")
    args, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
