#!/usr/bin/env python3
"""The archives Parcelon writes, read back by independent extractors: Python's zipfile,
Info-ZIP unzip and zipinfo, and 7-Zip. Files are made in the Wine prefix; parcelon-host packs them
into a message (the .eml is read with Python's email package) or, with `pack`, into an
archive it keeps, with one worker and with several."""
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
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import dll_registration  # noqa: E402
import program_run  # noqa: E402

HOST = None
DLL = None
PREFIX = os.environ.get("WINEPREFIX", "")
FOLDER = "parcelon-pytests"
# Windows programs start only through the project's launcher, which picks Wine's loader.
WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-run")
# Chunk size of the pack runs that cut files into many pieces.
CHUNK = 65536


def write_files(folder, files):
    """Writes each name's bytes below `folder`, making the folders on the way."""
    for name, data in files:
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def windows_path(unix_path):
    drive_c = os.path.join(PREFIX, "drive_c")
    return "C:\\" + os.path.relpath(unix_path, drive_c).replace("/", "\\")


def compose(*args):
    """Runs parcelon-host compose; returns the account of the run, its exit code and the
    message's attachments."""
    out = tempfile.NamedTemporaryFile(suffix=".eml", dir=os.path.join(PREFIX, "drive_c"), delete=False)
    out.close()
    try:
        output, rc = program_run.run(HOST, "compose", *args, "--out", windows_path(out.name), timeout=120)
        with open(out.name, "rb") as f:
            message = email.message_from_binary_file(f, policy=email.policy.default)
    finally:
        os.unlink(out.name)
    attachments = {p.get_filename(): p.get_payload(decode=True) for p in message.iter_attachments()}
    return output, rc, attachments


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
        cls.prefix = "Work/"  # the chosen folder under its own name
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

    def test_entries_are_plain_deflate_or_stored_without_extras(self):
        with open(self.zip_path, "rb") as f:
            raw = f.read()
        with self.archive() as z:
            self.assertEqual(zipfile.ZIP_DEFLATED, z.getinfo(self.prefix + "a.txt").compress_type)
            for name in ("Sub/b.bin", "empty.txt"):
                self.assertEqual(zipfile.ZIP_STORED, z.getinfo(self.prefix + name).compress_type, name)
            for info in z.infolist():
                if info.compress_type == zipfile.ZIP_STORED:
                    self.assertEqual(info.file_size, info.compress_size, info.filename)
                else:
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
            self.assertEqual(["Work/a.txt"], z.namelist())

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


# One name per script, an emoji (a surrogate pair in UTF-16) and a combining accent; none of
# them fits code page 1252.
UNICODE_NAMES = [
    "\u041e\u0442\u0447\u0451\u0442.txt",
    "\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.txt",
    "\u65e5\u672c\u8a9e\u306e\u6587\u66f8.txt",
    "\u05de\u05e1\u05de\u05da.txt",
    "\U0001F4E6 parcel.txt",
    "Cafe\u0301.txt",
]


class UnicodeNamesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = os.path.join(PREFIX, "drive_c", FOLDER + "-unicode")
        shutil.rmtree(cls.root, ignore_errors=True)
        cls.chosen = "\u041f\u0430\u043a\u0435\u0442 \u03a9"
        cls.files = {name: ("content of " + name).encode("utf-8") for name in UNICODE_NAMES}
        cls.files["\u5b50\u30d5\u30a9\u30eb\u30c0/" + UNICODE_NAMES[0]] = b"nested"
        # A file at a path of 1000 characters below a folder named outside the code page.
        deep = "/".join(["p" * 200] * 5) + "/" + "f" * 80 + ".txt"
        cls.files[deep] = b"far down"
        write_files(os.path.join(cls.root, cls.chosen), cls.files.items())
        cls.deep = deep
        cls.prefix = cls.chosen + "/"

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def path(self, name=""):
        return windows_path(os.path.join(self.root, self.chosen, name)).rstrip("\\")

    def test_the_premise_no_name_fits_the_ansi_code_page(self):
        for name in UNICODE_NAMES:
            with self.assertRaises(UnicodeEncodeError, msg=name):
                name.encode("cp1252")
        self.assertGreater(len(self.path(self.deep)), 1000)

    def test_packed_names_are_utf8_with_the_flag_and_read_back_by_zipfile_and_unzip(self):
        output, rc, attachments = compose("--attach", self.path())
        self.assertEqual(0, rc, output)
        data = attachments["attach.zip"]
        with zipfile.ZipFile(io.BytesIO(data)) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(sorted(self.prefix + n for n in self.files), sorted(z.namelist()))
            for info in z.infolist():
                self.assertEqual(0x800, info.flag_bits & 0x800, info.filename)
                self.assertEqual(self.files[info.filename[len(self.prefix):]], z.read(info))
        for name in UNICODE_NAMES:
            self.assertIn(self.prefix + name, output, "the host prints the names in UTF-8")
        with tempfile.TemporaryDirectory() as target:
            archive = os.path.join(target, "received.zip")
            with open(archive, "wb") as f:
                f.write(data)
            out = os.path.join(target, "out")
            unzip = subprocess.run(["unzip", "-q", archive, "-d", out], capture_output=True,
                                   env=dict(os.environ, LC_ALL="C.UTF-8"))
            self.assertEqual(0, unzip.returncode, unzip.stderr)
            for name, content in self.files.items():
                with open(os.path.join(out, self.prefix, name), "rb") as f:
                    self.assertEqual(content, f.read(), name)

    def test_each_single_attachment_carries_the_full_name(self):
        args = []
        for name in self.files:
            args += ["--attach", self.path(name)]
        output, rc, attachments = compose(*args, "--no-compress")
        self.assertEqual(0, rc, output)
        expected = {os.path.basename(name): data for name, data in self.files.items()}
        expected[UNICODE_NAMES[0]] = self.files[UNICODE_NAMES[0]]  # the nested one has the same name
        self.assertEqual(len(self.files), output.count("attachment: "))
        self.assertEqual(set(expected), set(attachments))
        for name in UNICODE_NAMES[1:]:
            self.assertEqual(expected[name], attachments[name])
        self.assertEqual(b"far down", attachments[os.path.basename(self.deep)])

    def test_a_missing_file_is_reported_by_its_full_name(self):
        missing = self.path("\u043d\u0435\u0442 \U0001F6AB.txt")
        output, rc, _ = compose("--attach", self.path(UNICODE_NAMES[1]), "--attach", missing)
        self.assertEqual(0, rc, output)
        self.assertIn("left out: " + missing, output)


def pack(out, *args):
    """Runs parcelon-host pack; the account of the run and its exit code."""
    return program_run.run(HOST, "pack", "--out", windows_path(out), *args)


def entries(path):
    with zipfile.ZipFile(path) as z:
        return [(i.filename, i.date_time, i.external_attr, i.internal_attr, i.CRC, i.file_size, z.read(i))
                for i in z.infolist()]


class ParallelPackTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = os.path.join(PREFIX, "drive_c", FOLDER + "-pack")
        shutil.rmtree(cls.root, ignore_errors=True)
        tree = os.path.join(cls.root, "Tree")
        rng = random.Random(11)
        block = bytes(rng.getrandbits(8) for _ in range(1000))
        words = [b"parcel", b"archive", b"deflate", b"chunk", b"window", b"match", b"\r\n"]
        text = lambda size: b"".join(rng.choice(words) for _ in range(size // 4))[:size]
        cls.files = {
            # Runs of one byte and a repeated block: chunk ends fall inside long matches.
            "runs.bin": b"a" * (5 * CHUNK + 123) + block * 300 + b"z" * CHUNK,
            "one-past.bin": bytes(rng.getrandbits(8) for _ in range(3 * CHUNK)) + b"!",
            "exact.txt": b"".join(rng.choice(words) for _ in range(2 * CHUNK))[:4 * CHUNK],
            "text.txt": b" ".join(rng.choice(words) for _ in range(200_000)),
            "empty.txt": b"",
            "\u00e9t\u00e9/\u65e5\u672c.txt": "\u65e5\u672c\u8a9e".encode("utf-8") * 1000,
            ".hidden": b"hidden",
            "readonly.txt": b"read only",
            # The first chunk decides whether a file is deflated or stored.
            "photo.jpg": rng.randbytes(300_000),
            "random-then-text.bin": rng.randbytes(CHUNK) + text(3 * CHUNK),
            "text-then-random.bin": text(CHUNK) + rng.randbytes(3 * CHUNK),
            "one-chunk.txt": text(CHUNK),
            "one-chunk.bin": rng.randbytes(CHUNK),
            "one.txt": b"1",
            # Only the middle of the first chunk compresses.
            "random-text-random.bin": rng.randbytes(CHUNK) + text(2 * CHUNK) + rng.randbytes(CHUNK),
        }
        for i in range(60):
            cls.files["small/%02d.txt" % i] = b"small file %d\n" % i * (i + 1)
        write_files(tree, cls.files.items())
        stamp = time.mktime((2011, 7, 4, 9, 30, 12, 0, 0, -1))
        os.utime(os.path.join(tree, "text.txt"), (stamp, stamp))
        os.chmod(os.path.join(tree, "readonly.txt"), 0o444)
        cls.tree = tree
        cls.prefix = "Tree/"
        cls.archives = {}
        cls.outputs = {}
        for label, args in {"one": ["--threads", "1"], "four": ["--threads", "4"],
                            "one-chunked": ["--threads", "1", "--chunk-bytes", str(CHUNK)],
                            "three-chunked": ["--threads", "3", "--chunk-bytes", str(CHUNK)]}.items():
            out = os.path.join(cls.root, label + ".zip")
            cls.outputs[label] = pack(out, *args, windows_path(tree))
            cls.archives[label] = out

    @classmethod
    def tearDownClass(cls):
        os.chmod(os.path.join(cls.tree, "readonly.txt"), 0o644)
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_every_archive_is_made_and_read_back_whole(self):
        for label, path in self.archives.items():
            output, rc = self.outputs[label]
            self.assertEqual(0, rc, output)
            self.assertIn("archive: ", output)
            with zipfile.ZipFile(path) as z:
                self.assertIsNone(z.testzip(), label)
                self.assertEqual(sorted(self.prefix + n for n in self.files), sorted(z.namelist()), label)
                for name, data in self.files.items():
                    self.assertEqual(data, z.read(self.prefix + name), "%s in %s" % (name, label))
            test = subprocess.run(["unzip", "-t", path], capture_output=True)
            self.assertEqual(0, test.returncode, test.stdout)
            self.assertIn(b"No errors detected", test.stdout)
            test = subprocess.run(["7zz", "t", path], capture_output=True)
            self.assertEqual(0, test.returncode, test.stdout)
            self.assertIn(b"Everything is Ok", test.stdout)

    def test_what_deflate_cannot_shrink_by_3_percent_is_stored(self):
        stored = {"photo.jpg", "one-chunk.bin", "one.txt", "empty.txt", "one-past.bin", ".hidden"}
        deflated = {"one-chunk.txt", "text-then-random.bin", "text.txt", "runs.bin", "exact.txt"}
        for label, path in self.archives.items():
            chunked = "chunked" in label
            with zipfile.ZipFile(path) as z:
                method = lambda name: z.getinfo(self.prefix + name).compress_type
                first_chunk_random = {"random-then-text.bin", "random-text-random.bin"}
                for name in stored | (first_chunk_random if chunked else set()):
                    self.assertEqual(zipfile.ZIP_STORED, method(name), "%s in %s" % (name, label))
                    self.assertEqual(len(self.files[name]), z.getinfo(self.prefix + name).compress_size)
                for name in deflated | (set() if chunked else first_chunk_random):
                    self.assertEqual(zipfile.ZIP_DEFLATED, method(name), "%s in %s" % (name, label))
                    info = z.getinfo(self.prefix + name)
                    self.assertLessEqual(info.compress_size, info.file_size, "%s in %s" % (name, label))

    def test_the_number_of_workers_does_not_change_the_archive(self):
        self.assertEqual(entries(self.archives["one"]), entries(self.archives["four"]))
        self.assertEqual(entries(self.archives["one-chunked"]), entries(self.archives["three-chunked"]))
        for a, b in (("one", "four"), ("one-chunked", "three-chunked")):
            with open(self.archives[a], "rb") as f, open(self.archives[b], "rb") as g:
                self.assertEqual(f.read(), g.read(), "%s and %s byte for byte" % (a, b))

    def test_chunked_entries_match_whole_ones_but_for_the_compressed_bytes(self):
        # The text bit is deflate's guess from the first block it emits, which a chunk's
        # flush may cut short; everything else is the same.
        whole, chunked = entries(self.archives["one"]), entries(self.archives["one-chunked"])
        self.assertEqual([e[:3] + e[4:] for e in whole], [e[:3] + e[4:] for e in chunked])
        with zipfile.ZipFile(self.archives["one-chunked"]) as z:
            info = z.getinfo(self.prefix + "runs.bin")
            self.assertLess(info.compress_size, len(self.files["runs.bin"]) // 20, "the dictionary carries over")

    def test_times_attributes_and_the_entry_order(self):
        with zipfile.ZipFile(self.archives["four"]) as z:
            text = z.getinfo(self.prefix + "text.txt")
            self.assertEqual((2011, 7, 4, 9, 30, 12), text.date_time)
            self.assertEqual(0x20, text.external_attr & 0xFF)
            self.assertEqual(1, text.internal_attr & 1, "its bytes look like text")
            self.assertEqual(0, z.getinfo(self.prefix + "one-past.bin").internal_attr & 1)
            self.assertEqual(0x21, z.getinfo(self.prefix + "readonly.txt").external_attr & 0xFF)
            self.assertEqual(0x22, z.getinfo(self.prefix + ".hidden").external_attr & 0xFF)
            names = z.namelist()
        small = [n for n in names if "/small/" in n]
        self.assertEqual(sorted(small), small, "a folder's files stay together, in the file system's order")

    def test_left_out_paths_are_printed_and_a_missing_archive_folder_fails(self):
        out = os.path.join(self.root, "missing.zip")
        output, rc = pack(out, windows_path(os.path.join(self.tree, "empty.txt")),
                          windows_path(os.path.join(self.root, "nothing-here.txt")))
        self.assertEqual(0, rc, output)
        self.assertIn("left out: " + windows_path(os.path.join(self.root, "nothing-here.txt")), output)
        with zipfile.ZipFile(out) as z:
            self.assertEqual(["empty.txt"], z.namelist(), "a chosen file under its own name")
        output, rc = pack(os.path.join(self.root, "no-such-folder", "a.zip"), windows_path(self.tree))
        self.assertNotEqual(0, rc, output)
        self.assertFalse(os.path.exists(os.path.join(self.root, "no-such-folder")))

    def test_a_drive_root_stands_under_the_drives_name(self):
        dosdevices = os.path.join(PREFIX, "dosdevices")
        letter = next(c for c in "pqrstuvwxy" if not os.path.lexists(os.path.join(dosdevices, c + ":")))
        drive = os.path.join(self.root, "drive")
        write_files(drive, [("Sub/d.txt", b"on the drive")])
        os.symlink(drive, os.path.join(dosdevices, letter + ":"))
        try:
            out = os.path.join(self.root, "drive.zip")
            output, rc = pack(out, letter.upper() + ":\\")
        finally:
            os.unlink(os.path.join(dosdevices, letter + ":"))
        self.assertEqual(0, rc, output)
        with zipfile.ZipFile(out) as z:
            self.assertEqual({"Drive %s/Sub/d.txt" % letter.upper(): b"on the drive"},
                             {n: z.read(n) for n in z.namelist()})

    def test_bad_arguments_give_the_usage(self):
        output, rc = pack(os.path.join(self.root, "x.zip"), "--threads", "0", windows_path(self.tree))
        self.assertEqual(2, rc)
        self.assertIn("usage: parcelon-host pack", output)


class Zip64Test(unittest.TestCase):
    """Zip64 where an archive needs it: 65,535 entries or more, an entry of 4 GiB or more."""

    @classmethod
    def setUpClass(cls):
        cls.root = os.path.join(PREFIX, "drive_c", FOLDER + "-zip64")
        shutil.rmtree(cls.root, ignore_errors=True)
        # 65,535 files in one folder and 4,465 in another: alone, and both, 70,000.
        cls.many = os.path.join(cls.root, "Many")
        cls.more = os.path.join(cls.root, "More")
        write_files(cls.many, (("%05d.txt" % i, b"%d\n" % i) for i in range(65535)))
        write_files(cls.more, (("%05d.txt" % i, b"%d\n" % i) for i in range(65535, 70000)))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def assert_read_whole_by_all(self, path, expected):
        with zipfile.ZipFile(path) as z:
            names = z.namelist()
            self.assertEqual(len(expected), len(names))
            for name in names:
                self.assertEqual(expected[name.rsplit("/", 1)[-1]], z.read(name), name)
        test = subprocess.run(["unzip", "-tq", path], capture_output=True)
        self.assertEqual(0, test.returncode, test.stdout[-2000:])
        test = subprocess.run(["7zz", "t", path], capture_output=True)
        self.assertEqual(0, test.returncode, test.stdout[-2000:])
        self.assertIn(b"Files: %d" % len(expected), test.stdout)

    def test_65535_and_70000_small_files_are_all_packed_and_read_back(self):
        content = {"%05d.txt" % i: b"%d\n" % i for i in range(70000)}
        for label, folders, count in (("65535", [self.many], 65535), ("70000", [self.many, self.more], 70000)):
            out = os.path.join(self.root, label + ".zip")
            output, rc = pack(out, *map(windows_path, folders))
            self.assertEqual(0, rc, output[-2000:])
            self.assertIn("(%d files)" % count, output)
            self.assert_read_whole_by_all(out, {n: content[n] for n in sorted(content)[:count]})

    def test_a_sparse_file_of_4_5_gib_is_packed_and_read_back_with_its_crc(self):
        free = shutil.disk_usage(self.root).free
        if free < 2 << 30:
            self.skipTest("%d bytes free" % free)
        big = os.path.join(self.root, "Big", "z\u00e9ros.bin")
        os.makedirs(os.path.dirname(big))
        size = 9 << 29
        with open(big, "wb") as f:
            f.truncate(size)
        out = os.path.join(self.root, "big.zip")
        output, rc = pack(out, windows_path(big))
        os.unlink(big)
        self.assertEqual(0, rc, output[-2000:])
        with zipfile.ZipFile(out) as z:
            info = z.infolist()[0]
            self.assertEqual(size, info.file_size)
            # What the library's zip64 path would drop.
            self.assertEqual(11, info.create_system, "made on NTFS, as every entry")
            self.assertEqual(0x800, info.flag_bits & 0x800, "a UTF-8 name")
            self.assertEqual(0x20, info.external_attr & 0xFF)
            crc = 0
            with z.open(info) as entry:  # zipfile checks the CRC at the end
                for block in iter(lambda: entry.read(1 << 24), b""):
                    self.assertEqual(bytes(len(block)), block)
                    crc = zlib.crc32(block, crc)
            self.assertEqual(info.CRC, crc)
        test = subprocess.run(["unzip", "-tq", out], capture_output=True)
        self.assertEqual(0, test.returncode, test.stdout)


class LinkedFoldersTest(unittest.TestCase):
    """Folders that lead elsewhere are not walked into: a Unix symbolic link to a parent
    (Wine shows it as a plain folder, so only the folder's identity gives it away), and a
    junction or a symbolic link where Wine can make them."""

    @classmethod
    def setUpClass(cls):
        cls.root = os.path.join(PREFIX, "drive_c", FOLDER + "-links")
        shutil.rmtree(cls.root, ignore_errors=True)
        cls.tree = os.path.join(cls.root, "Tree")
        os.makedirs(os.path.join(cls.tree, "Sub"))
        for name, data in {"a.txt": b"alpha", "Sub/b.txt": b"beta"}.items():
            with open(os.path.join(cls.tree, name), "wb") as f:
                f.write(data)
        os.symlink("..", os.path.join(cls.tree, "Sub", "up"))
        # Outside the tree: a link to a file packed beside it could meet that file opened
        # by another worker, which today's opening without sharing refuses.
        with open(os.path.join(cls.root, "outside.txt"), "wb") as f:
            f.write(b"outside")
        os.symlink(os.path.join("..", "outside.txt"), os.path.join(cls.tree, "linked.txt"))
        cls.prefix = "Tree/"

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_a_folder_leading_back_to_its_parent_is_reported_and_nothing_is_packed_twice(self):
        out = os.path.join(self.root, "links.zip")
        output, rc = pack(out, windows_path(self.tree))
        self.assertEqual(0, rc, output)
        loop = windows_path(os.path.join(self.tree, "Sub", "up")) + "\\"
        self.assertIn("left out: " + loop + " (link not followed)", output)
        with zipfile.ZipFile(out) as z:
            names = z.namelist()
            self.assertEqual(sorted(self.prefix + n for n in ("a.txt", "linked.txt", "Sub/b.txt")), sorted(names),
                             output)
            self.assertEqual(b"outside", z.read(self.prefix + "linked.txt"))  # a file link: its content

    def test_junctions_and_symbolic_links_made_by_windows_are_reported(self):
        made = []
        for kind, flag in (("junction", "/J"), ("symbolic link", "/D")):
            link = os.path.join(self.root, "Linked " + kind)
            subprocess.run([WINE_RUN, "cmd", "/c", "mklink", flag, windows_path(link), windows_path(self.tree)],
                           capture_output=True, timeout=60)
            if os.path.lexists(link):
                made.append(link)
        if not made:
            self.skipTest("this Wine makes neither junctions nor symbolic links")
        for link in made:
            output, rc = pack(os.path.join(self.root, "made.zip"), windows_path(os.path.join(self.root)))
            self.assertEqual(0, rc, output)
            self.assertIn("left out: " + windows_path(link) + "\\ (link not followed)", output)


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
