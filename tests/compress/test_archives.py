#!/usr/bin/env python3
"""The archives Parcelon writes, read back by independent extractors: Python's zipfile,
Info-ZIP unzip and zipinfo. Files are made in the Wine prefix; parcelon-host packs them
into a message; the .eml is read with Python's email package."""
import argparse
import email
import email.policy
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import dll_registration  # noqa: E402

HOST = None
DLL = None
PREFIX = os.environ.get("WINEPREFIX", "")
FOLDER = "parcelon-pytests"
# Windows programs start only through the project's launcher, which picks Wine's loader.
WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-run")


def windows_path(unix_path):
    drive_c = os.path.join(PREFIX, "drive_c")
    return "C:\\" + os.path.relpath(unix_path, drive_c).replace("/", "\\")


def compose(*args):
    """Runs parcelon-host compose; returns its output and the message's attachments."""
    out = tempfile.NamedTemporaryFile(suffix=".eml", dir=os.path.join(PREFIX, "drive_c"), delete=False)
    out.close()
    try:
        run = subprocess.run([WINE_RUN, HOST, "compose", *args, "--out", windows_path(out.name)],
                             capture_output=True, timeout=120)
        with open(out.name, "rb") as f:
            message = email.message_from_binary_file(f, policy=email.policy.default)
    finally:
        os.unlink(out.name)
    attachments = {p.get_filename(): p.get_payload(decode=True) for p in message.iter_attachments()}
    return run.stdout.decode("utf-8", "replace"), run.returncode, attachments


class ArchiveTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = os.path.join(PREFIX, "drive_c", FOLDER)
        shutil.rmtree(cls.root, ignore_errors=True)
        work = os.path.join(cls.root, "Work")
        os.makedirs(os.path.join(work, "Sub"))
        os.makedirs(os.path.join(cls.root, "Empty"))
        rng = random.Random(3)
        cls.files = {
            "a.txt": b"alpha\r\n" * 300,
            "empty.txt": b"",
            "Caf\u00e9 menu.txt": "caf\u00e9 au lait".encode("utf-8"),
            ".hidden.txt": b"hidden",
            "readonly.txt": b"read only",
            "Sub/b.bin": bytes(rng.getrandbits(8) for _ in range(100_000)),
        }
        for name, data in cls.files.items():
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
        cls.stamp = time.mktime((2006, 3, 15, 14, 5, 7, 0, 0, -1))
        os.utime(os.path.join(work, "a.txt"), (cls.stamp, cls.stamp))
        os.chmod(os.path.join(work, "readonly.txt"), 0o444)
        cls.prefix = FOLDER + "/Work/"
        cls.output, cls.rc, cls.attachments = compose("--attach", windows_path(work))
        cls.zip_path = os.path.join(cls.root, "received.zip")
        with open(cls.zip_path, "wb") as f:
            f.write(cls.attachments.get("attach.zip", b""))

    @classmethod
    def tearDownClass(cls):
        os.chmod(os.path.join(cls.root, "Work", "readonly.txt"), 0o644)
        shutil.rmtree(cls.root, ignore_errors=True)

    def archive(self):
        return zipfile.ZipFile(self.zip_path)

    def test_entries_have_names_sizes_and_contents(self):
        self.assertEqual(0, self.rc, self.output)
        self.assertEqual(["attach.zip"], list(self.attachments))
        with self.archive() as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(sorted(self.prefix + n for n in self.files), sorted(z.namelist()))
            for name, data in self.files.items():
                info = z.getinfo(self.prefix + name)
                self.assertEqual(len(data), info.file_size, name)
                self.assertEqual(data, z.read(info), name)

    def test_entries_are_plain_deflate_without_extras(self):
        with open(self.zip_path, "rb") as f:
            raw = f.read()
        with self.archive() as z:
            for info in z.infolist():
                self.assertEqual(zipfile.ZIP_DEFLATED, info.compress_type, info.filename)
                self.assertEqual(b"", info.extra, info.filename)
                self.assertEqual(0, info.flag_bits & 0x8, "no data descriptor")
                signature, = struct.unpack_from("<I", raw, info.header_offset)
                name_length, extra_length = struct.unpack_from("<HH", raw, info.header_offset + 26)
                self.assertEqual(0x04034B50, signature)
                self.assertEqual(0, extra_length, "no extra field in the local header")
                self.assertEqual(len(info.filename.encode("utf-8")), name_length)

    def test_only_non_ascii_names_are_flagged_utf8(self):
        with self.archive() as z:
            for info in z.infolist():
                self.assertEqual(not info.filename.isascii(), bool(info.flag_bits & 0x800), info.filename)
        listing = subprocess.run(["unzip", "-l", self.zip_path], capture_output=True,
                                 env=dict(os.environ, LC_ALL="C.UTF-8")).stdout.decode("utf-8")
        self.assertIn(self.prefix + "Caf\u00e9 menu.txt", listing)

    def test_times_and_attributes_come_from_the_source_files(self):
        with self.archive() as z:
            a = z.getinfo(self.prefix + "a.txt")
            self.assertEqual((2006, 3, 15, 14, 5, 6), a.date_time, "local time, 2-second steps")
            self.assertEqual(0x20, a.external_attr & 0xFF)
            self.assertEqual(0x21, z.getinfo(self.prefix + "readonly.txt").external_attr & 0xFF)
            self.assertEqual(0x22, z.getinfo(self.prefix + ".hidden.txt").external_attr & 0xFF)

    def test_info_zip_tests_and_lists_the_archive(self):
        test = subprocess.run(["unzip", "-t", self.zip_path], capture_output=True)
        self.assertEqual(0, test.returncode, test.stdout)
        self.assertIn(b"No errors detected", test.stdout)
        info = subprocess.run(["zipinfo", self.zip_path], capture_output=True)
        self.assertEqual(0, info.returncode)
        listing = info.stdout.decode("utf-8", "replace")
        self.assertIn("%d files" % len(self.files), listing)
        self.assertIn("defN", listing)
        self.assertIn(self.prefix + "Sub/b.bin", listing)

    def test_host_prints_attachment_and_entries(self):
        self.assertIn("attachment: attach.zip (%d bytes)" % len(self.attachments["attach.zip"]), self.output)
        self.assertIn(self.prefix + "Sub/b.bin (100000 bytes", self.output)


class OptionsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = os.path.join(PREFIX, "drive_c", FOLDER + "-options")
        shutil.rmtree(cls.root, ignore_errors=True)
        os.makedirs(os.path.join(cls.root, "Work", "Sub"))
        os.makedirs(os.path.join(cls.root, "Empty"))
        for name, data in {"Work/a.txt": b"a" * 10, "Work/Sub/b.txt": b"b" * 20, "c.txt": b"c"}.items():
            with open(os.path.join(cls.root, name), "wb") as f:
                f.write(data)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def path(self, name):
        return windows_path(os.path.join(self.root, name))

    def test_without_compression_each_file_is_an_attachment(self):
        output, rc, attachments = compose("--attach", self.path("Work"), "--attach", self.path("c.txt"),
                                          "--no-compress")
        self.assertEqual(0, rc, output)
        self.assertEqual({"a.txt": b"a" * 10, "b.txt": b"b" * 20, "c.txt": b"c"}, attachments)

    def test_without_sub_folders_only_the_folders_own_files_are_packed(self):
        _, _, attachments = compose("--attach", self.path("Work"), "--no-subfolders")
        with zipfile.ZipFile(io.BytesIO(attachments["attach.zip"])) as z:
            self.assertEqual([FOLDER + "-options/Work/a.txt"], z.namelist())

    def test_an_empty_folder_gives_the_22_byte_archive(self):
        _, _, attachments = compose("--attach", self.path("Empty"))
        data = attachments["attach.zip"]
        self.assertEqual(22, len(data))
        with zipfile.ZipFile(io.BytesIO(data)) as z:
            self.assertEqual([], z.namelist())

    def test_paths_that_cannot_be_chosen_are_printed(self):
        output, rc, attachments = compose("--attach", self.path("c.txt"), "--attach", self.path("missing.txt"))
        self.assertEqual(0, rc)
        self.assertIn("left out: " + self.path("missing.txt"), output)
        self.assertIn("attach.zip", attachments)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--dll", required=True)
    parser.add_argument("--host", required=True)
    args, rest = parser.parse_known_args()
    HOST, DLL = args.host, args.dll
    FOLDER += "-" + os.path.basename(os.path.dirname(os.path.dirname(HOST)))
    try:
        unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
    finally:
        # parcelon-host registers this build's add-in when none is: take it out again.
        dll_registration.unregister(DLL)
