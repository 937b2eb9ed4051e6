#!/usr/bin/python3
"""Static checks of a built veilfold.dll, read back with pefile.

usage: check_dll.py --machine {i386,amd64} --strings src/res/strings.rc --resource-header src/res/resource.h DLL
"""
import argparse
import re
import sys
import unittest

import pefile

MACHINES = {"i386": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"],
            "amd64": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]}
RUNTIME_DLLS = re.compile(r"^(libgcc|libstdc\+\+|libwinpthread|libssp)", re.I)
RT_STRING = 6
RT_GROUP_ICON = 14

args = None


def rc_string_table(strings_rc, resource_h):
    """The STRINGTABLE of the resource script, ids resolved, escapes decoded."""
    ids = {m.group(1): int(m.group(2))
           for m in re.finditer(r"#define\s+(\w+)\s+(\d+)", open(resource_h).read())}
    table = {}
    for m in re.finditer(r'^\s*(\w+)\s+"((?:[^"]|"")*)"\s*$', open(strings_rc).read(), re.M):
        key = ids[m.group(1)] if m.group(1) in ids else int(m.group(1))
        text = m.group(2).replace('""', '"')
        table[key] = re.sub(r"\\(.)", lambda e: {"n": "\n", "r": "\r", "t": "\t"}.get(e.group(1), e.group(1)), text)
    return table


def dll_string_table(pe):
    """Every string-table entry in the DLL: blocks of 16 length-prefixed UTF-16 strings."""
    table = {}
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if rtype.id != RT_STRING:
            continue
        for block in rtype.directory.entries:
            for lang in block.directory.entries:
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                pos = 0
                for index in range(16):
                    length = int.from_bytes(data[pos:pos + 2], "little")
                    pos += 2
                    if length:
                        table[(block.id - 1) * 16 + index] = data[pos:pos + 2 * length].decode("utf-16-le")
                    pos += 2 * length
    return table


class BuiltDll(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(args.dll)

    def test_machine_type(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, MACHINES[args.machine])
        self.assertTrue(self.pe.is_dll())

    def test_exports_exactly_the_two_com_entry_points_undecorated(self):
        names = sorted(e.name.decode() for e in self.pe.DIRECTORY_ENTRY_EXPORT.symbols)
        self.assertEqual(names, ["DllCanUnloadNow", "DllGetClassObject"])

    def test_imports_no_compiler_runtime(self):
        imported = [entry.dll.decode() for entry in self.pe.DIRECTORY_ENTRY_IMPORT]
        self.assertEqual([d for d in imported if RUNTIME_DLLS.match(d)], [], imported)

    def test_version_block(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), (0x00010001, 0))
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), (0x00010001, 0))
        self.assertEqual(fixed.FileOS, 0x4)    # VOS__WINDOWS32
        self.assertEqual(fixed.FileType, 0x2)  # VFT_DLL
        strings = {}
        for info in self.pe.FileInfo[0]:
            for table in getattr(info, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
        self.assertEqual(strings["FileVersion"], "1.1")
        self.assertEqual(strings["ProductVersion"], "1.1")
        self.assertEqual(strings["FileDescription"], "File Encryption Shell Extension")
        self.assertEqual(strings["InternalName"], "Veilfold")
        self.assertEqual(strings["OriginalFilename"], "veilfold.dll")

    def test_string_table_as_written_in_the_resource_script(self):
        expected = rc_string_table(args.strings, args.resource_header)
        self.assertEqual(dll_string_table(self.pe), expected)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--machine", choices=MACHINES, required=True)
    parser.add_argument("--strings", required=True)
    parser.add_argument("--resource-header", required=True)
    parser.add_argument("dll")
    args, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
