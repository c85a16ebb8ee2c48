#!/usr/bin/env python3
"""No file name passes through an 8-bit call: Parcelon.dll and parcelon-host import no ANSI
file-system function, and no library of ours refers to the C run-time's narrow file
functions. fopen may be imported only because minizip's default file functions, which
Parcelon does not use, refer to it."""
import argparse
import re
import subprocess
import sys
import unittest

ARGS = None

# Every Windows and shell function that takes or returns a file name in the ANSI code page.
ANSI_FILE_CALLS = {
    "CreateFileA", "CreateFile2", "OpenFile", "_lopen", "_lcreat",
    "FindFirstFileA", "FindFirstFileExA", "FindNextFileA",
    "GetFileAttributesA", "GetFileAttributesExA", "SetFileAttributesA",
    "GetFullPathNameA", "GetLongPathNameA", "GetShortPathNameA", "SearchPathA",
    "GetTempPathA", "GetTempFileNameA", "GetCurrentDirectoryA", "SetCurrentDirectoryA",
    "GetWindowsDirectoryA", "GetSystemWindowsDirectoryA", "GetSystemDirectoryA",
    "DeleteFileA", "MoveFileA", "MoveFileExA", "CopyFileA", "CopyFileExA", "ReplaceFileA",
    "CreateDirectoryA", "CreateDirectoryExA", "RemoveDirectoryA",
    "GetModuleFileNameA", "LoadLibraryA", "LoadLibraryExA",
    "GetDriveTypeA", "GetDiskFreeSpaceA", "GetDiskFreeSpaceExA", "GetVolumeInformationA",
    "GetLogicalDriveStringsA", "ExpandEnvironmentStringsA", "CreateFileMappingA",
    "DragQueryFileA", "ShellExecuteA", "ShellExecuteExA", "DoEnvironmentSubstA",
    "SHGetFolderPathA", "SHGetSpecialFolderPathA", "SHFileOperationA", "PathFileExistsA",
    "GetOpenFileNameA", "GetSaveFileNameA",
}
# The C run-time's functions that open, remove or look at a file by a narrow name.
NARROW_RUNTIME_FILE_CALLS = {
    "fopen", "fopen64", "_fsopen", "freopen", "_open", "_sopen", "_creat", "remove", "_unlink",
    "unlink", "rename", "_stat", "_stat64", "_stati64", "_access", "_mkdir", "_rmdir", "_chdir",
    "_findfirst", "_findfirst64", "_findnext", "_findnext64", "_splitpath", "_makepath", "_fullpath",
}


def imports(binary):
    dump = subprocess.run([ARGS.objdump, "-p", binary], capture_output=True, text=True, check=True).stdout
    table = dump[dump.find("The Import Tables"):]
    return set(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\S+)\s*$", table, re.MULTILINE))


def undefined_symbols(library):
    dump = subprocess.run([ARGS.nm, "-u", "-A", library], capture_output=True, text=True, check=True).stdout
    symbols = set()
    for line in dump.splitlines():
        name = line.split()[-1]
        name = re.sub(r"^(__imp_)?_?", "", name) if ARGS.leading_underscore else re.sub(r"^__imp_", "", name)
        symbols.add(name.split("@")[0])
    return symbols


class ImportTableTest(unittest.TestCase):
    def test_the_reading_of_the_import_table_works(self):
        for binary in ARGS.binaries:
            found = imports(binary)
            self.assertIn("CreateFileW", found, binary)
            self.assertIn("GetTempPathW", found, binary)

    def test_no_ansi_file_call_is_imported(self):
        for binary in ARGS.binaries:
            self.assertEqual(set(), imports(binary) & (ANSI_FILE_CALLS - set(ARGS.startup_imports)), binary)

    def test_only_minizips_unused_default_brings_in_fopen(self):
        for binary in ARGS.binaries:
            self.assertEqual(set(), imports(binary) & (NARROW_RUNTIME_FILE_CALLS - {"fopen", "fopen64"}), binary)
        for library in ARGS.libraries:
            self.assertEqual(set(), undefined_symbols(library) & (NARROW_RUNTIME_FILE_CALLS | ANSI_FILE_CALLS),
                             library)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--nm", required=True)
    parser.add_argument("--leading-underscore", action="store_true")
    # Imports of the toolchain's start-up code, never of ours (the library check holds them too).
    parser.add_argument("--startup-imports", nargs="*", default=[])
    parser.add_argument("--binaries", nargs="+", required=True)
    parser.add_argument("--libraries", nargs="+", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
