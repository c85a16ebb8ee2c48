#!/usr/bin/env python3
"""ParcelonSend, as Explorer's "Send to > Parcelon" runs it, against parcelon-host serve
playing the Outlook of the prefix: one new message with the chosen paths packed (read back by
Python's zipfile and unzip -t), Outlook started when it is registered but not running, a
message box when there is none, Cancel in the progress window, and an administrator's send
limit holding without "Attach anyway"."""
import argparse
import email
import email.policy
import getpass
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import chosen_rows  # noqa: E402

SEND = HOST = ROBOT = CLOSE_WINDOW = None
PREFIX = os.environ.get("WINEPREFIX", "")
WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-run")
NO_OUTLOOK_TEXT = ("Parcelon could not find Microsoft Outlook on this computer.\n\n"
                   "Parcelon puts the files on a new Outlook message; install Outlook to send them this way.")


def windows_path(unix_path):
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def c_path(unix_path):
    """A path on the prefix's drive C:, as Explorer would hand it over."""
    return "C:\\" + os.path.relpath(unix_path, os.path.join(PREFIX, "drive_c")).replace("/", "\\")


def screen(name):
    screens = os.path.join(os.path.dirname(os.path.dirname(SEND)), "screens")
    os.makedirs(screens, exist_ok=True)
    path = os.path.join(screens, name)
    if os.path.exists(path):
        os.unlink(path)
    return path


def working_folders_left():
    """What stands in %TEMP%\\Parcelon of the prefix's users."""
    left = []
    for root, folders, files in os.walk(os.path.join(PREFIX, "drive_c", "users")):
        if os.path.basename(root) == "Parcelon" and os.path.basename(os.path.dirname(root)) == "Temp":
            left += folders + files
    return left


def leave_abandoned_working_folder():
    """A working folder as a packing that ended with its process leaves it: a lock nobody holds.
    It goes in %TEMP%, which Wine sets to the profile's Temp folder."""
    folder = os.path.join(PREFIX, "drive_c", "users", getpass.getuser(), "Temp", "Parcelon", "ended-during-a-packing")
    os.makedirs(folder, exist_ok=True)
    open(os.path.join(folder, "in-use.lock"), "wb").close()
    return folder


def messages_in(folder):
    """{file name: {attachment name: bytes}} of the .eml files parcelon-host wrote."""
    found = {}
    for name in sorted(os.listdir(folder)):
        if name.endswith(".eml"):
            with open(os.path.join(folder, name), "rb") as f:
                message = email.message_from_binary_file(f, policy=email.policy.default)
            found[name] = {p.get_filename(): p.get_payload(decode=True) for p in message.iter_attachments()}
    return found


class SendToTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="parcelon-sendto-", dir=os.path.join(PREFIX, "drive_c"))
        cls.report = os.path.join(cls.work, "Q3 Report")
        os.makedirs(os.path.join(cls.report, "Tables"))
        cls.report_files = {"summary.txt": b"Quarter three\r\n" * 300,
                            "Tables/sales \u00fc.csv": b"region,sales\r\n" + b"north,12\r\n" * 200}
        for name, data in cls.report_files.items():
            with open(os.path.join(cls.report, name), "wb") as f:
                f.write(data)
        cls.plan = os.path.join(cls.work, "plan.docx")
        with open(cls.plan, "wb") as f:
            f.write(b"PK not really a document " * 100)
        # Only the prefix's own registration of Outlook counts.
        subprocess.run([WINE_RUN, HOST, "serve", "--unregister"], capture_output=True, timeout=60)

    @classmethod
    def tearDownClass(cls):
        subprocess.run([WINE_RUN, HOST, "serve", "--unregister"], capture_output=True, timeout=60)
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        self.out = tempfile.mkdtemp(prefix="messages-", dir=self.work)

    def entry_name(self, path, chosen):
        """The name the archive gives a file: below its chosen row's own name."""
        return os.path.relpath(path, os.path.dirname(chosen)).replace(os.sep, "/")

    def start_serving(self, *args):
        serve = subprocess.Popen([WINE_RUN, HOST, "serve", "--out", windows_path(os.path.join(self.out, "message.eml")),
                                  "--timeout-s", "90", *args], stdout=subprocess.PIPE)
        line = serve.stdout.readline().decode()
        self.assertIn("serving Outlook.Application", line)
        return serve

    def send(self, *paths, picture=None):
        """ParcelonSend on `paths` while a person waits for the new message, looks at it and
        closes it; gives ParcelonSend's exit code and the closer's."""
        closer = subprocess.Popen([WINE_RUN, CLOSE_WINDOW, "Untitled - Message",
                                   windows_path(picture or os.path.join(self.out, "message.png"))],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        sent = subprocess.run([WINE_RUN, SEND, *[c_path(p) for p in paths]], capture_output=True, timeout=120)
        closer.communicate(timeout=120)
        return sent.returncode, closer.returncode

    def check_archive(self, data, name, expected):
        path = os.path.join(self.out, name)
        with open(path, "wb") as f:
            f.write(data)
        with zipfile.ZipFile(path) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(expected, {i.filename: z.read(i) for i in z.infolist()})
        test = subprocess.run(["unzip", "-t", path], capture_output=True, env={**os.environ, "LANG": "C.UTF-8"})
        self.assertEqual(0, test.returncode, test.stdout)

    def report_entries(self):
        return {self.entry_name(os.path.join(self.report, n), self.report): d for n, d in self.report_files.items()}

    def sent_through_the_running_outlook(self, paths, archive, expected, picture=None):
        serve = self.start_serving()
        code, closed = self.send(*paths, picture=picture)
        output, _ = serve.communicate(timeout=120)
        self.assertEqual((0, 0, 0), (code, closed, serve.returncode), output)
        self.assertEqual({"message.eml": [archive]}, {k: list(v) for k, v in messages_in(self.out).items()})
        self.check_archive(messages_in(self.out)["message.eml"][archive], archive, expected)
        self.assertEqual([], working_folders_left())

    def test_a_folder_goes_on_one_new_message_as_its_own_name_zip(self):
        self.sent_through_the_running_outlook([self.report], "Q3 Report.zip", self.report_entries(),
                                              picture=screen("sendto-message.png"))

    def test_a_single_file_goes_as_its_name_with_zip(self):
        with open(self.plan, "rb") as f:
            expected = {self.entry_name(self.plan, self.plan): f.read()}
        abandoned = leave_abandoned_working_folder()
        self.sent_through_the_running_outlook([self.plan], "plan.docx.zip", expected)
        self.assertFalse(os.path.exists(abandoned), "a folder left by an ended packing goes when ParcelonSend starts")

    def test_files_and_folders_together_go_as_attach_zip(self):
        expected = self.report_entries()
        with open(self.plan, "rb") as f:
            expected[self.entry_name(self.plan, self.plan)] = f.read()
        self.sent_through_the_running_outlook([self.report, self.plan], "attach.zip", expected)

    def test_chosen_rows_stand_at_the_archives_top_as_the_dialog_puts_them(self):
        rows = chosen_rows.ChosenRows(PREFIX, os.path.join(self.work, "Elsewhere"))
        rows.make()
        try:
            serve = self.start_serving()
            robot = subprocess.Popen([WINE_RUN, ROBOT, "report", "Parcelon", windows_path(screen("sendto-report.png"))],
                                     stdout=subprocess.PIPE)
            code, closed = self.send(*rows.rows)
            told, _ = robot.communicate(timeout=120)
            output, _ = serve.communicate(timeout=120)
        finally:
            rows.remove()
        self.assertEqual((0, 0, 0, 0), (code, closed, robot.returncode, serve.returncode), output)
        self.assertIn(b"text: 2 chosen items were renamed in the archive", told)
        self.check_archive(messages_in(self.out)["message.eml"]["attach.zip"], "attach.zip", rows.expected())
        with zipfile.ZipFile(os.path.join(self.out, "attach.zip")) as z:
            self.assertEqual([], rows.foreign_parts(z.namelist()))

    def send_three_scans_in_parts(self, size, picture, *serve_args):
        """Three incompressible files of `size` bytes, each alone under the limit, together
        above it, sent to three new messages by the first choice of the send choice window;
        what the robot saw of that window."""
        parts = os.path.join(self.work, "Scans")
        shutil.rmtree(parts, ignore_errors=True)
        os.makedirs(parts)
        scans = {}
        for i in range(3):
            scans["scan%d.bin" % i] = os.urandom(size)
            with open(os.path.join(parts, "scan%d.bin" % i), "wb") as f:
                f.write(scans["scan%d.bin" % i])
        serve = self.start_serving(*serve_args)
        robot = subprocess.Popen([WINE_RUN, ROBOT, "choose", "Parcelon", windows_path(screen(picture))],
                                 stdout=subprocess.PIPE)
        code, closed = self.send(parts)
        chosen, _ = robot.communicate(timeout=120)
        output, _ = serve.communicate(timeout=120)
        self.assertEqual((0, 0, 0, 0), (code, closed, robot.returncode, serve.returncode), output)
        self.assertIn(b"pressed Send in 3 messages", chosen)
        messages = messages_in(self.out)
        self.assertEqual(["message-2.eml", "message-3.eml", "message.eml"], sorted(messages))
        packed = {}
        for number, name in enumerate(("message.eml", "message-2.eml", "message-3.eml"), 1):
            part = "Scans (%d of 3).zip" % number
            self.assertEqual([part], list(messages[name]))
            with open(os.path.join(self.out, part), "wb") as f:
                f.write(messages[name][part])
            with zipfile.ZipFile(os.path.join(self.out, part)) as z:
                packed.update({i.filename: z.read(i) for i in z.infolist()})
        self.assertEqual({self.entry_name(os.path.join(parts, n), parts): d for n, d in scans.items()}, packed)
        self.assertEqual([], working_folders_left())
        return chosen.decode("utf-8").replace("\r\n", "\n"), messages

    def test_past_the_accounts_limit_it_is_sent_in_several_new_messages_when_the_user_says_so(self):
        _, messages = self.send_three_scans_in_parts(60 << 10, "sendto-send-choice.png", "--send-limit-kb", "100")
        for name, attachments in messages.items():
            self.assertLess(len(next(iter(attachments.values()))), 100 << 10, name)

    def test_the_policys_send_limit_holds_without_attach_anyway(self):
        policy = r"Software\Policies\Kestrelbay\Parcelon"
        for hive, name, value in (("HKCU", "SendLimitMB", "1"), ("HKLM", "AttachOverLimit", "0")):
            subprocess.run([WINE_RUN, "reg", "add", hive + "\\" + policy, "/v", name, "/t", "REG_DWORD", "/d", value,
                            "/f", "/reg:64"], capture_output=True, check=True)
        try:  # no limit from the server: the policy's 1 MB alone
            chosen, messages = self.send_three_scans_in_parts(500 << 10, "sendto-send-choice-by-policy.png")
        finally:
            for hive in ("HKCU", "HKLM"):
                subprocess.run([WINE_RUN, "reg", "delete", hive + "\\" + policy, "/f", "/reg:64"], capture_output=True)
        self.assertIn("this account sends at most 1 MB in one message.", chosen)
        self.assertIn("Your administrator does not allow attaching an archive over the limit.", chosen)
        self.assertIn("choices: Send in 3 messages | Back\n", chosen)

    def test_an_outlook_registered_but_not_running_is_started_and_the_message_appears(self):
        registered = subprocess.run([WINE_RUN, HOST, "serve", "--register", "--out",
                                     windows_path(os.path.join(self.out, "message.eml")), "--timeout-s", "90"],
                                    capture_output=True, timeout=60)
        self.assertEqual(0, registered.returncode, registered.stderr)
        try:
            code, closed = self.send(self.plan)
        finally:
            subprocess.run([WINE_RUN, HOST, "serve", "--unregister"], capture_output=True, timeout=60)
        self.assertEqual((0, 0), (code, closed))
        for _ in range(100):  # the started Outlook writes the message as it ends
            if messages_in(self.out):
                break
            time.sleep(0.2)
        self.assertEqual({"message.eml": ["plan.docx.zip"]}, {k: list(v) for k, v in messages_in(self.out).items()})
        self.assertEqual([], working_folders_left())

    def test_without_an_outlook_a_message_box_says_so_and_nothing_is_left(self):
        robot = subprocess.Popen([WINE_RUN, ROBOT, "answer", "Parcelon", windows_path(screen("sendto-no-outlook.png"))],
                                 stdout=subprocess.PIPE)
        sent = subprocess.run([WINE_RUN, SEND, windows_path(self.report)], capture_output=True, timeout=120)
        answered, _ = robot.communicate(timeout=120)
        self.assertEqual(0, robot.returncode, answered)
        self.assertIn("text: " + NO_OUTLOOK_TEXT + "\n", answered.decode("utf-8").replace("\r\n", "\n"))
        self.assertEqual(3, sent.returncode)
        self.assertEqual({}, messages_in(self.out))
        self.assertEqual([], working_folders_left())

    def test_cancel_in_the_progress_window_leaves_no_message_and_nothing_on_disk(self):
        big = os.path.join(self.work, "Big")
        os.makedirs(big, exist_ok=True)
        for i in range(6):  # long enough to pack for the window to show and be cancelled
            with open(os.path.join(big, "part%d.txt" % i), "w") as f:
                f.write(os.urandom(20 << 20).hex())  # deflated, not stored, so it takes its time
        try:
            serve = self.start_serving()
            robot = subprocess.Popen([WINE_RUN, ROBOT, "cancel", "Parcelon",
                                      windows_path(screen("sendto-progress.png"))], stdout=subprocess.PIPE)
            sent = subprocess.run([WINE_RUN, SEND, c_path(big)], capture_output=True, timeout=180)
            pressed, _ = robot.communicate(timeout=120)
            output, _ = serve.communicate(timeout=120)
        finally:
            shutil.rmtree(big, ignore_errors=True)
        self.assertEqual(0, robot.returncode, pressed)
        self.assertEqual((1, 0), (sent.returncode, serve.returncode), output)
        self.assertIn(b"no message left", output)
        self.assertEqual({}, messages_in(self.out))
        self.assertEqual([], working_folders_left())


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for option in ("--send", "--host", "--robot", "--close-window"):
        parser.add_argument(option, required=True)
    args, rest = parser.parse_known_args()
    SEND, HOST, ROBOT, CLOSE_WINDOW = args.send, args.host, args.robot, args.close_window
    unittest.main(argv=[sys.argv[0]] + rest)
