#!/usr/bin/env python3
"""Parcelon.dll checked as a file, without running it: it is built for its target, exports
exactly the four server functions and carries its resources. Runs for both builds on
every machine, also where the build cannot be run."""
import struct
import sys
import unittest

from pe_image import PeImage, RT_VERSION

DLL = None
ARCH = None


class DllImageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.image = PeImage(DLL)
        cls.resources = cls.image.resources()

    def test_built_as_a_dll_for_its_target(self):
        self.assertEqual(ARCH, self.image.arch)
        self.assertTrue(self.image.characteristics & 0x2000, "IMAGE_FILE_DLL")

    def test_exports_exactly_the_four_server_functions(self):
        self.assertEqual(["DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"],
                         sorted(self.image.exports()))

    def test_registrar_script_and_type_library(self):
        script = self.resources[("REGISTRY", 101)].decode("ascii")
        self.assertIn("Parcelon.OutlookAddin.1", script)
        self.assertIn("%MODULE%", script)
        library = self.resources[("TYPELIB", 1)]
        self.assertEqual(b"MSFT", library[:4])

    def test_project_name_and_version_block(self):
        self.assertEqual("Parcelon", self.image.string(100))
        version = self.resources[(RT_VERSION, 1)]
        fixed = version.index(struct.pack("<I", 0xFEEF04BD))
        file_ms, file_ls = struct.unpack_from("<II", version, fixed + 8)
        self.assertEqual((0x00010000, 0), (file_ms, file_ls))
        self.assertIn("Kestrelbay".encode("utf-16-le"), version)


if __name__ == "__main__":
    DLL, ARCH = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0]], verbosity=2)
