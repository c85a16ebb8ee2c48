#!/usr/bin/env python3
"""The check of a message as it is sent, through parcelon-host compose: files attached as
Outlook's own Attach File does (and a picture of the body), then Send pressed, ItemSend
raised and the add-in's questions answered. message.eml is written only when the send went
on; the copies of a message sent in parts are written after it; every archive is read back
with Python's zipfile and unzip."""
import email
import email.policy
import os
import random
import shutil
import subprocess
import unittest
import zipfile

import test_archives as base
import test_message_limits as limits
import program_run  # found in tests/support, which test_archives puts on the path

SETTINGS = r"HKCU\Software\Kestrelbay\Parcelon"
POLICY = r"HKCU\Software\Policies\Kestrelbay\Parcelon"
WORDS = "parcel limit message archive account server outbox folder report photo draft".split()


def reg(*args):
    subprocess.run([base.WINE_RUN, "reg", *args, "/f"], capture_output=True, check=True)


class SendCheckTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = os.path.join(base.PREFIX, "drive_c", base.FOLDER + "-send")
        shutil.rmtree(cls.root, ignore_errors=True)
        rng = random.Random(30)
        text = lambda size: " ".join(rng.choice(WORDS) for _ in range(size // 6)).encode()[:size]
        noise = lambda size: bytes(rng.getrandbits(8) for _ in range(size))
        cls.files = {"notes.txt": text(250_000), "minutes.txt": text(200_000), "plan.txt": text(220_000),
                     "a.bin": noise(300_000), "b.bin": noise(260_000), "c.bin": noise(280_000),
                     "setup.exe": b"MZ" + noise(2_000), "image001.png": b"\x89PNG\r\n\x1a\n" + noise(9_000)}
        base.write_files(os.path.join(cls.root, "files"), list(cls.files.items()))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def send(self, names, *args, picture=True):
        attach = []
        for name in names:
            attach += ["--attach-file", base.windows_path(os.path.join(self.root, "files", name))]
        if picture:
            attach += ["--inline-picture", base.windows_path(os.path.join(self.root, "files", "image001.png"))]
        return limits.compose(self.root, *attach, "--send", *args)

    def attachments(self, message):
        return {p.get_filename(): p.get_payload(decode=True) for p in message.iter_attachments()}

    def assertKeptAsItWas(self, output, names):
        self.assertIn("send cancelled; the message stays open with:", output)
        kept = output.split("send cancelled; the message stays open with:\n", 1)[1]
        for name in names + ["image001.png"]:
            self.assertIn("attachment: %s (%d bytes)" % (name, len(self.files[name])), kept)
        self.assertNotIn(".zip", kept)
        self.assertIn("message not sent", output)

    def test_under_the_limit_nothing_is_asked_and_the_message_goes_untouched(self):
        output, rc, messages = self.send(["a.bin", "notes.txt"], "--send-limit-kb", "5000")
        self.assertEqual(0, rc, output)
        self.assertNotIn("question:", output)
        self.assertIn("send went on", output)
        self.assertEqual({n: self.files[n] for n in ["a.bin", "notes.txt", "image001.png"]},
                         self.attachments(messages[0][1]))

    def test_pack_and_send_puts_one_archive_in_place_of_the_files_and_leaves_the_picture(self):
        names = ["notes.txt", "minutes.txt", "plan.txt"]
        output, rc, messages = self.send(names, "--send-limit-kb", "500", "--answer", "pack")
        self.assertEqual(0, rc, output)
        self.assertIn("question: This message is 0.7 MB; this account sends at most 500 KB in one message.", output)
        self.assertIn("choices: Pack and send | Send anyway | Back", output)
        self.assertIn("send went on", output)
        self.assertEqual(1, len(messages), output)
        attached = self.attachments(messages[0][1])
        self.assertEqual(["attachments.zip", "image001.png"], sorted(attached))
        self.assertEqual(self.files["image001.png"], attached["image001.png"])
        path = os.path.join(self.root, "attachments.zip")
        with open(path, "wb") as f:
            f.write(attached["attachments.zip"])
        self.assertEqual(0, subprocess.run(["unzip", "-tq", path], capture_output=True).returncode)
        with zipfile.ZipFile(path) as archive:
            self.assertEqual(sorted(names), sorted(archive.namelist()))
            for name in names:
                self.assertEqual(self.files[name], archive.read(name), name)
        self.assertEqual([], limits.leftover_archives())

        # One file: the archive takes its name.
        output, rc, messages = self.send(["notes.txt"], "--send-limit-kb", "300", "--answer", "pack", picture=False)
        self.assertEqual(["notes.txt.zip"], list(self.attachments(messages[0][1])), output)

    def test_packed_and_still_too_large_goes_in_parts_shown_and_this_send_is_cancelled(self):
        names = ["a.bin", "b.bin", "c.bin"]
        output, rc, messages = self.send(names, "--send-limit-kb", "500", "--answer", "pack,split")
        self.assertEqual(0, rc, output)
        self.assertIn("question: This message is 0.9 MB; this account sends at most 500 KB in one message.", output)
        self.assertIn("question: The archive is 0.9 MB; this account sends at most 500 KB in one message.", output)
        self.assertIn("answered: Send in 3 messages", output)
        self.assertIn("send cancelled; the message stays open with:\nattachment: image001.png", output)
        self.assertIn("attachment: attachments (1 of 3).zip", output.split("send cancelled")[1])
        self.assertIn("message not sent", output)
        self.assertEqual([], messages)
        self.assertEqual(2, output.count(", shown)"), "the copies with parts 2 and 3, shown and not sent")
        found = {}
        for n in (2, 3):
            with open(os.path.join(self.root, "message-%d.eml" % n), "rb") as f:
                message = email.message_from_binary_file(f, policy=email.policy.default)
            self.assertEqual("Files from Parcelon (%d of 3)" % n, message["Subject"])
            part = self.attachments(message)["attachments (%d of 3).zip" % n]
            path = os.path.join(self.root, "part.zip")
            with open(path, "wb") as f:
                f.write(part)
            with zipfile.ZipFile(path) as archive:
                found.update({name: archive.read(name) for name in archive.namelist()})
        self.assertEqual(2, len(found), "parts 2 and 3 carry one file each")
        for name, data in found.items():
            self.assertEqual(self.files[name], data)
        self.assertEqual([], limits.leftover_archives())

    def test_send_anyway_goes_as_it_is_back_and_cancel_while_packing_keep_it_as_it_was(self):
        names = ["a.bin", "b.bin"]
        output, rc, messages = self.send(names, "--send-limit-kb", "500", "--answer", "anyway")
        self.assertIn("answered: Send anyway", output)
        self.assertEqual({n: self.files[n] for n in names + ["image001.png"]}, self.attachments(messages[0][1]))

        output, rc, messages = self.send(names, "--send-limit-kb", "500", "--answer", "back")
        self.assertIn("answered: Back", output)
        self.assertKeptAsItWas(output, names)
        self.assertEqual([], messages)

        output, rc, messages = self.send(names, "--send-limit-kb", "500", "--answer", "pack", "--cancel-packing")
        self.assertIn("answered: Pack and send", output)
        self.assertIn("pressing Cancel as the packing starts", output)
        self.assertKeptAsItWas(output, names)
        self.assertEqual([], messages)
        self.assertEqual([], limits.leftover_archives())

        # The administrators' policy turns the check off.
        reg("add", POLICY, "/v", "CheckOnSend", "/t", "REG_DWORD", "/d", "0")
        try:
            output, rc, messages = self.send(names, "--send-limit-kb", "500", "--answer", "back")
        finally:
            reg("delete", POLICY, "/v", "CheckOnSend")
        self.assertNotIn("question:", output)
        self.assertEqual(1, len(messages), output)

    def test_a_blocked_type_is_asked_about_also_from_an_inline_reply(self):
        question = ("question: This message carries setup.exe, a type that Gmail and many company mail systems "
                    "refuse.")
        output, rc, messages = self.send(["setup.exe", "notes.txt"], "--answer", "anyway")
        self.assertIn(question, output)
        self.assertIn("choices: Send anyway | Back", output)
        self.assertEqual(["image001.png", "notes.txt", "setup.exe"], sorted(self.attachments(messages[0][1])))

        # The robot finds the question only over the window it was sent from: the main one.
        output, rc, messages = self.send(["setup.exe", "notes.txt"], "--inline", "--answer", "back")
        self.assertIn(question, output)
        self.assertKeptAsItWas(output, ["setup.exe", "notes.txt"])
        self.assertEqual([], messages)

    def test_a_failing_host_call_lets_the_send_go_on_and_is_logged(self):
        log = os.path.join(self.root, "parcelon.log")
        reg("add", SETTINGS, "/v", "Log File", "/t", "REG_SZ", "/d", base.windows_path(log))
        reg("add", SETTINGS, "/v", "Log Level", "/t", "REG_DWORD", "/d", "2")
        try:
            output, rc, messages = self.send(["a.bin", "b.bin"], "--send-limit-kb", "500", "--answer", "back",
                                             "--fail", "Attachment.Size")
        finally:
            reg("delete", SETTINGS, "/v", "Log File")
            reg("delete", SETTINGS, "/v", "Log Level")
        self.assertNotIn("question:", output)
        self.assertIn("send went on", output)
        self.assertEqual(3, len(self.attachments(messages[0][1])), output)
        with open(log, encoding="utf-8") as f:
            self.assertIn("Sending: the check could not finish (0x80004005); the message goes as it is", f.read())


if __name__ == "__main__":
    limits.main()
