#!/usr/bin/env python3
"""Parcelon.dll and the programs beside it import only DLLs that every Windows has: the
MinGW runtime (libstdc++, libgcc, winpthread) is linked in statically."""
import re
import subprocess
import sys
import unittest

OBJDUMP = None
BINARIES = []
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
    "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "shlwapi.dll", "psapi.dll", "msvcrt.dll",
    "version.dll", "dbghelp.dll",
}


def imported_dlls(binary):
    dump = subprocess.run([OBJDUMP, "-p", binary], capture_output=True, text=True, check=True).stdout
    return {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}


class StaticLinkTest(unittest.TestCase):
    def test_only_system_dlls_are_imported(self):
        for binary in BINARIES:
            dlls = imported_dlls(binary)
            self.assertIn("kernel32.dll", dlls, binary)
            self.assertEqual(set(), dlls - SYSTEM_DLLS, binary)

    def test_the_add_in_loads_no_common_controls_before_its_dialog_opens(self):
        # Loading comctl32 took longer than the rest of the add-in's start-up together.
        dll = next(b for b in BINARIES if b.lower().endswith("parcelon.dll"))
        self.assertNotIn("comctl32.dll", imported_dlls(dll))


if __name__ == "__main__":
    OBJDUMP = sys.argv[1]
    BINARIES = sys.argv[2:]
    unittest.main(argv=[sys.argv[0]], verbosity=2)
