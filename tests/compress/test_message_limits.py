#!/usr/bin/env python3
"""A packed folder on an account with a size limit, through parcelon-host compose and its
robot: sent in several messages (the copies keep recipients and body, carry their part in
the subject, are shown and not sent), refused types left out, Outlook refusing the attach,
and Back. Every message and part is read back with Python's email and zipfile and unzip."""
import argparse
import email
import email.policy
import glob
import os
import random
import shutil
import subprocess
import sys
import unittest
import zipfile

import test_archives as base
import program_run  # found in tests/support, which test_archives puts on the path

PREFERENCES = r"HKCU\Software\Microsoft\Office\16.0\Outlook\Preferences"
SIZES = {"a.bin": 260_000, "Sub/b.bin": 180_000, "Sub/Deep/c.bin": 240_000, "Sub/d.bin": 90_000, "e.txt": 30_000}


def compose(work, *args):
    """Runs parcelon-host compose; its output and every message written, in order."""
    for old in glob.glob(os.path.join(work, "message*.eml")):
        os.unlink(old)
    out = base.windows_path(os.path.join(work, "message.eml"))
    output, rc = program_run.run(base.HOST, "compose", *args, "--out", out)
    messages = []
    for n in range(1, 20):
        path = os.path.join(work, "message.eml" if n == 1 else "message-%d.eml" % n)
        if not os.path.exists(path):
            break
        with open(path, "rb") as f:
            messages.append((os.path.getsize(path), email.message_from_binary_file(f, policy=email.policy.default)))
    return output, rc, messages


def leftover_archives():
    drive_c = os.path.join(base.PREFIX, "drive_c")
    found = glob.glob(os.path.join(drive_c, "*.zip"))
    for temp in glob.glob(os.path.join(drive_c, "users", "*", "*", "Temp")):
        found += [p for p in glob.glob(os.path.join(temp, "**", "*.zip*"), recursive=True)]
    return found


def make_tree(test_class, suffix):
    """A fresh folder for `test_class` with Tree: SIZES of incompressible files (0.8 MB
    packed) and one file of a refused type, Sub/Deep/Setup.EXE."""
    test_class.root = os.path.join(base.PREFIX, "drive_c", base.FOLDER + suffix)
    shutil.rmtree(test_class.root, ignore_errors=True)
    test_class.tree = os.path.join(test_class.root, "Tree")
    rng = random.Random(35)
    test_class.files = {name: bytes(rng.getrandbits(8) for _ in range(size)) for name, size in SIZES.items()}
    base.write_files(test_class.tree, list(test_class.files.items()) + [("Sub/Deep/Setup.EXE", b"MZ")])
    test_class.prefix = "Tree/"


class MessageLimitsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        make_tree(cls, "-limits")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_exchange_limit_sends_the_parts_on_shown_copies_each_under_the_limit(self):
        output, rc, messages = compose(self.root, "--attach", base.windows_path(self.tree), "--send-limit-kb", "500",
                                       "--answer", "leave-out,split")
        self.assertEqual(0, rc, output)
        self.assertIn("question: " + self.prefix + "Sub/Deep/Setup.EXE", output)
        self.assertIn("question: The archive is 0.8 MB; this account sends at most 500 KB in one message.", output)
        count = len(messages)
        self.assertGreaterEqual(count, 3, output)
        self.assertIn("answered: Send in %d messages" % count, output)
        extracted = os.path.join(self.root, "extracted")
        for n, (size, message) in enumerate(messages, 1):
            self.assertLessEqual(size, 500 * 1024, "message %d as sent stays under the limit" % n)
            self.assertEqual("Robin Example <robin@example.com>", message["To"])
            self.assertEqual("Sent with Parcelon.", message.get_body().get_content().strip())
            self.assertEqual("Files from Parcelon" + ("" if n == 1 else " (%d of %d)" % (n, count)), message["Subject"])
            (part,) = list(message.iter_attachments())
            self.assertEqual("attach (%d of %d).zip" % (n, count), part.get_filename())
            path = os.path.join(self.root, part.get_filename())
            with open(path, "wb") as f:
                f.write(part.get_payload(decode=True))
            self.assertEqual(0, subprocess.run(["unzip", "-tq", path], capture_output=True).returncode)
            subprocess.run(["unzip", "-oq", path, "-d", extracted], check=True)
            os.unlink(path)
        self.assertEqual(count - 1, output.count(", shown)"), "every copy shown, the message itself left as it was")
        for name, data in self.files.items():
            with open(os.path.join(extracted, self.prefix, name), "rb") as f:
                self.assertEqual(data, f.read(), name)
        self.assertFalse(os.path.exists(os.path.join(extracted, self.prefix, "Sub/Deep/Setup.EXE")))
        self.assertEqual([], leftover_archives())

    def test_outlook_refusing_the_archive_is_reported_and_leaves_nothing(self):
        base_reg = [base.WINE_RUN, "reg"]
        subprocess.run(base_reg + ["add", PREFERENCES, "/v", "MaximumAttachmentSize", "/t", "REG_DWORD", "/d", "300",
                                   "/f"], capture_output=True, check=True)
        try:
            output, rc, messages = compose(self.root, "--attach", base.windows_path(self.tree), "--account-type",
                                           "imap", "--answer", "anyway")
        finally:
            subprocess.run(base_reg + ["delete", PREFERENCES, "/v", "MaximumAttachmentSize", "/f"], capture_output=True)
        self.assertIn("this account sends at most 300 KB in one message.", output)
        self.assertIn("stopped: the archive attach.zip (0.8 MB) could not be attached: The file you're attaching is "
                      "bigger than the server allows. Try putting the file in a shared location and sending a link "
                      "instead", output)
        self.assertEqual(1, len(messages))
        self.assertEqual([], list(messages[0][1].iter_attachments()))
        self.assertEqual([], leftover_archives())

    def test_imap_at_outlooks_default_attaches_and_back_attaches_nothing(self):
        output, rc, messages = compose(self.root, "--attach", base.windows_path(self.tree), "--account-type", "imap")
        self.assertEqual(0, rc, output)
        self.assertNotIn("this account sends at most", output, "0.8 MB is within Outlook's 20 MB")
        self.assertEqual(["attach.zip"], [p.get_filename() for p in messages[0][1].iter_attachments()])

        output, rc, messages = compose(self.root, "--attach", base.windows_path(self.tree), "--send-limit-kb", "500",
                                       "--answer", "anyway,back")
        self.assertIn("answered: Back", output)
        self.assertIn("dialog still open: 1 rows chosen", output)
        self.assertEqual(1, len(messages))
        self.assertEqual([], list(messages[0][1].iter_attachments()))
        self.assertEqual([], leftover_archives())


def main():
    """Runs the tests of the __main__ module against --host, unregistering --dll afterwards."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--dll", required=True)
    parser.add_argument("--host", required=True)
    args, rest = parser.parse_known_args()
    base.HOST = args.host
    base.FOLDER += "-" + os.path.basename(os.path.dirname(os.path.dirname(args.host)))
    try:
        unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
    finally:
        base.dll_registration.unregister(args.dll)


if __name__ == "__main__":
    main()
