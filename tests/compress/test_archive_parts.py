#!/usr/bin/env python3
"""A packed archive cut into parts for several messages, and thinned of the file types mail
systems refuse, by parcelon-host pack; every part read back by Python's zipfile and
Info-ZIP unzip, and all parts extracted into one folder."""
import argparse
import os
import random
import shutil
import subprocess
import sys
import time
import unittest
import zipfile

import test_archives as base

LIMIT_KB = 400
SIZES = {"a.bin": 300_000, "Sub/b.bin": 150_000, "Sub/Deep/c.bin": 250_000, "Sub/Deep/d.bin": 90_000,
         "Sub/\u00e9t\u00e9.txt": 20_000, "z.bin": 120_000}
BLOCKED = ["Run.EXE", "Sub/Deep/tool.Ps1", "Sub/setup.msi"]


class ArchivePartsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = os.path.join(base.PREFIX, "drive_c", base.FOLDER + "-parts")
        shutil.rmtree(cls.root, ignore_errors=True)
        cls.tree = os.path.join(cls.root, "Tree")
        rng = random.Random(18)
        cls.files = {name: bytes(rng.getrandbits(8) for _ in range(size)) for name, size in SIZES.items()}
        cls.files.update({name: b"echo refused\r\n" for name in BLOCKED})
        base.write_files(cls.tree, cls.files.items())
        stamp = time.mktime((2019, 3, 14, 15, 9, 26, 0, 0, -1))
        os.utime(os.path.join(cls.tree, "Sub/b.bin"), (stamp, stamp))
        os.chmod(os.path.join(cls.tree, "z.bin"), 0o444)
        cls.prefix = "Tree/"  # the chosen folder under its own name

    @classmethod
    def tearDownClass(cls):
        os.chmod(os.path.join(cls.tree, "z.bin"), 0o644)
        shutil.rmtree(cls.root, ignore_errors=True)

    def pack(self, label, *args):
        folder = os.path.join(self.root, label)
        os.makedirs(folder)
        out = os.path.join(folder, "attach.zip")
        output, rc = base.pack(out, *args, base.windows_path(self.tree))
        return out, output, rc

    def test_parts_each_under_the_limit_give_back_the_tree_with_names_times_and_attributes(self):
        out, output, rc = self.pack("split", "--split-kb", str(LIMIT_KB))
        self.assertEqual(0, rc, output)
        parts = sorted(p for p in os.listdir(os.path.dirname(out)) if p != "attach.zip")
        count = len(parts)
        self.assertGreaterEqual(count, 3, output)
        self.assertEqual(["attach (%d of %d).zip" % (i, count) for i in range(1, count + 1)], parts)
        paths = [os.path.join(os.path.dirname(out), p) for p in parts]
        whole = zipfile.ZipFile(out).infolist()
        copied = []
        for path in paths:
            self.assertLessEqual(os.path.getsize(path), LIMIT_KB * 1024, path)
            test = subprocess.run(["unzip", "-tq", path], capture_output=True)
            self.assertEqual(0, test.returncode, test.stdout + test.stderr)
            with zipfile.ZipFile(path) as z:
                self.assertIsNone(z.testzip())
                copied += z.infolist()
        kept = ["filename", "date_time", "external_attr", "internal_attr", "CRC", "file_size", "compress_size",
                "compress_type", "flag_bits", "create_system"]
        fields = lambda infos: [[getattr(i, k) for k in kept] for i in infos]  # noqa: E731
        self.assertEqual(fields(whole), fields(copied), "every entry once, in order, copied as it was deflated")
        extracted = os.path.join(self.root, "extracted")
        for path in paths:
            subprocess.run(["unzip", "-oq", path, "-d", extracted], check=True)
        for name, data in self.files.items():
            with open(os.path.join(extracted, self.prefix, name), "rb") as f:
                self.assertEqual(data, f.read(), name)
        b = next(i for i in copied if i.filename.endswith("Sub/b.bin"))
        self.assertEqual((2019, 3, 14, 15, 9, 26), b.date_time)
        z = next(i for i in copied if i.filename.endswith("z.bin"))
        self.assertTrue(z.external_attr & 1, "read-only bit kept")

    def test_a_file_over_the_limit_alone_is_named_and_nothing_is_split(self):
        out, output, rc = self.pack("too-large", "--split-kb", "200")
        self.assertEqual(1, rc, output)
        named = [line.split(": ", 1)[1] for line in output.splitlines() if line.startswith("too large for one")]
        self.assertEqual([self.prefix + "a.bin", self.prefix + "Sub/Deep/c.bin"], named)
        self.assertEqual(["attach.zip"], os.listdir(os.path.dirname(out)))

    def test_blocked_types_in_nested_folders_and_any_case_are_found_and_left_out_when_asked(self):
        out, output, rc = self.pack("blocked")
        self.assertEqual(0, rc, output)
        for name in BLOCKED:
            self.assertIn("blocked type: " + self.prefix + name, output)
        self.assertNotIn("blocked type: " + self.prefix + "a.bin", output)
        self.assertEqual(len(SIZES) + len(BLOCKED), len(zipfile.ZipFile(out).namelist()), "kept unless asked")

        out, output, rc = self.pack("left-out", "--leave-out-blocked")
        self.assertEqual(0, rc, output)
        with zipfile.ZipFile(out) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(sorted(self.prefix + n for n in SIZES), sorted(z.namelist()))
        self.assertEqual(0, subprocess.run(["unzip", "-tq", out], capture_output=True).returncode)
        self.assertEqual(["attach.zip"], os.listdir(os.path.dirname(out)), "nothing left beside it")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    args, rest = parser.parse_known_args()
    base.HOST = args.host
    base.FOLDER += "-" + os.path.basename(os.path.dirname(os.path.dirname(args.host)))
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
