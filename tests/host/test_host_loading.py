#!/usr/bin/env python3
"""parcelon-host as Outlook loads add-ins: from the user's Outlook Addins key, through the
registered Parcelon.dll of its own bitness, into a compose window whose "Parcelon" button
the robot clicks: on the ribbon when the host plays Outlook 2007 or later, on the command
bar before. The message's archive is read back by Python's zipfile and unzip -t."""
import argparse
import email
import email.policy
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import chosen_rows  # noqa: E402
import dll_registration  # noqa: E402
import png_pixels  # noqa: E402
import program_run  # noqa: E402
import wine_prefix  # noqa: E402

HOST = None
DLL = None
CLOSE_WINDOW = None
PREFIX = os.environ.get("WINEPREFIX", "")
DPI = int(os.environ.get("PARCELON_TEST_DPI", "96"))  # set by at_dpi.py
ADDINS_KEY = r"HKCU\Software\Microsoft\Office\Outlook\Addins"
WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-run")


def windows_path(unix_path):
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def wine(*args):
    return subprocess.run([WINE_RUN, *args], capture_output=True, timeout=120)


def reg(*args):
    return wine("reg", *args)


def ribbons_asked(output):
    """The ribbon IDs the host asked the add-in for, in order."""
    return [line.split()[2] for line in output.splitlines()
            if line.startswith("ribbon asked: ") and " of Parcelon.OutlookAddin: " in line]


PARCEL_COLOUR = (196, 140, 72)  # the parcel of the button faces


class HostLoadingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="parcelon-host-", dir=os.path.join(PREFIX, "drive_c"))
        tree = os.path.join(cls.work, "Tree")
        os.makedirs(os.path.join(tree, "Sub", "Deeper"))
        cls.files = {
            "a.txt": b"alpha\r\n" * 500,
            "Sub/b.bin": bytes(range(256)) * 400,
            "Sub/Deeper/c \u00fc.txt": "\u00fcber".encode("utf-8"),
        }
        for name, data in cls.files.items():
            with open(os.path.join(tree, name), "wb") as f:
                f.write(data)
        cls.tree = tree

    @classmethod
    def tearDownClass(cls):
        reg("delete", ADDINS_KEY + r"\Parcelon.Missing", "/f")
        dll_registration.unregister(DLL)
        shutil.rmtree(cls.work, ignore_errors=True)

    def compose(self, *args):
        out = os.path.join(self.work, "message.eml")
        if os.path.exists(out):
            os.unlink(out)
        run = subprocess.run([WINE_RUN, HOST, "compose", *args, "--out", windows_path(out)],
                             capture_output=True, timeout=180)
        attachments = {}
        if os.path.exists(out):
            with open(out, "rb") as f:
                message = email.message_from_binary_file(f, policy=email.policy.default)
            attachments = {p.get_filename(): p.get_payload(decode=True) for p in message.iter_attachments()}
        self.stderr = run.stderr.decode("utf-8", "replace")
        return run.stdout.decode("utf-8", "replace"), run.returncode, attachments

    def check_archive(self, data, name="attach.zip"):
        path = os.path.join(self.work, name)
        with open(path, "wb") as f:
            f.write(data)
        prefix = "Tree/"  # the chosen folder under its own name
        with zipfile.ZipFile(path) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual({prefix + n: d for n, d in self.files.items()},
                             {i.filename: z.read(i) for i in z.infolist()})
        test = subprocess.run(["unzip", "-t", path], capture_output=True, env={**os.environ, "LANG": "C.UTF-8"})
        self.assertEqual(0, test.returncode, test.stdout)

    def test_chosen_rows_stand_at_the_archives_top_under_their_own_names_and_alike_names_are_numbered(self):
        rows = chosen_rows.ChosenRows(PREFIX, os.path.join(self.work, "Elsewhere"))
        rows.make()
        drive_c = wine_prefix.WinePrefix(PREFIX)
        # A folder row's path ends with a backslash.
        renamed = ['renamed: %s%s (packed as "%s")' % (drive_c.windows_path(row), "\\" * os.path.isdir(row), name)
                   for row, name in rows.renamed.items()]
        try:
            output, code, attachments = self.compose(*[a for row in rows.rows
                                                       for a in ("--attach", drive_c.windows_path(row))])
        finally:
            rows.remove()
        self.assertEqual(0, code, output)
        for line in renamed:
            self.assertIn(line, output)
        self.assertIn("report: 2 chosen items were renamed in the archive", output)
        path = os.path.join(self.work, "chosen.zip")
        with open(path, "wb") as f:
            f.write(attachments["attach.zip"])
        with zipfile.ZipFile(path) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(rows.expected(), {i.filename: z.read(i) for i in z.infolist()})
            self.assertEqual([], rows.foreign_parts(z.namelist()))
            self.assertEqual(zipfile.ZIP_DEFLATED, z.getinfo("Q3 Report/header.h").compress_type)
        test = subprocess.run(["unzip", "-t", path], capture_output=True, env={**os.environ, "LANG": "C.UTF-8"})
        self.assertEqual(0, test.returncode, test.stdout)

    def test_unregistered_prefix_gets_this_builds_dll_and_the_robot_packs_the_tree(self):
        reg("delete", ADDINS_KEY + r"\Parcelon.OutlookAddin", "/f")
        output, code, attachments = self.compose("--attach", windows_path(self.tree))
        self.assertEqual(0, code, output)
        self.assertIn("registered: " + windows_path(DLL), output)
        self.assertIn("add-in loaded: Parcelon.OutlookAddin", output)
        # Outlook 16.0 unless told otherwise: the ribbon button, and no command-bar button.
        self.assertIn("playing Outlook 16.0.0.0", output)
        self.assertIn('ribbon button: "Parcelon" in group "Parcelon" of the Message tab', output)
        self.assertIn("ribbon picture: GetRibbonImage for ParcelonButton: 32 x 32", output)
        self.assertNotIn("button installed:", output)
        self.assertIn('clicking the ribbon button "Parcelon"', output)
        self.assertIn('dialog opened: "Parcelon"', output)
        # The main window's ribbon asked for at start-up, before the add-in's start-up
        # completes, the compose window's once its window opens.
        self.assertEqual(["Microsoft.Outlook.Explorer", "Microsoft.Outlook.Mail.Compose"], ribbons_asked(output))
        self.assertLess(output.index("ribbon asked: Microsoft.Outlook.Explorer"), output.index("add-in loaded"))
        # The main window's markup is the group for inline replies.
        self.assertRegex(output, r"Microsoft.Outlook.Explorer of Parcelon.OutlookAddin: \d+ characters of markup")
        self.assertEqual(["attach.zip"], list(attachments))
        self.check_archive(attachments["attach.zip"])

        # Registered now: the next run loads it from the registry without registering.
        output, code, attachments = self.compose("--attach", windows_path(self.tree), "--archive", "tree.zip")
        self.assertEqual(0, code, output)
        self.assertNotIn("registered:", output)
        self.assertIn("add-in loaded: Parcelon.OutlookAddin", output)
        self.check_archive(attachments["tree.zip"], "tree.zip")

    def test_outlook_2003_gets_the_command_bar_button_and_is_never_asked_for_a_ribbon(self):
        output, code, attachments = self.compose("--outlook-version", "11.0.5510", "--attach", windows_path(self.tree))
        self.assertEqual(0, code, output)
        self.assertIn("playing Outlook 11.0.5510: compose windows with command bars", output)
        self.assertIn('button installed: "Parcelon" on "Standard"', output)
        self.assertIn('clicking the command-bar button "Parcelon"', output)
        self.assertEqual([], ribbons_asked(output))
        self.assertNotIn("ribbon button", output)
        self.assertEqual(["attach.zip"], list(attachments))
        self.check_archive(attachments["attach.zip"])

    def test_outlook_2007_has_a_compose_ribbon_but_no_main_window_ribbon(self):
        output, code, attachments = self.compose("--outlook-version", "12.0.6423.1000", "--attach",
                                                 windows_path(self.tree), "--no-compress")
        self.assertEqual(0, code, output)
        self.assertEqual(["Microsoft.Outlook.Mail.Compose"], ribbons_asked(output))
        self.assertIn('clicking the ribbon button "Parcelon"', output)
        self.assertNotIn("button installed:", output)
        self.assertEqual({os.path.basename(n) for n in self.files}, set(attachments))

    def test_addin_option_registers_that_dll_and_other_addins_that_fail_are_reported(self):
        reg("add", ADDINS_KEY + r"\Parcelon.Missing", "/v", "LoadBehavior", "/t", "REG_DWORD", "/d", "3", "/f")
        output, code, attachments = self.compose("--addin", windows_path(DLL), "--attach",
                                                 windows_path(self.tree), "--no-compress")
        self.assertEqual(0, code, output)
        self.assertIn("registered: " + windows_path(DLL) + "\n", output.replace("\r\n", "\n"))
        self.assertIn("add-in not loaded: Parcelon.Missing", output)
        self.assertEqual({os.path.basename(n) for n in self.files}, set(attachments))

    def test_a_dll_that_cannot_be_registered_fails_the_run(self):
        output, code, attachments = self.compose("--addin", windows_path(os.path.join(self.work, "none.dll")),
                                                 "--attach", windows_path(self.tree))
        self.assertNotEqual(0, code)
        self.assertEqual({}, attachments)

    def test_unknown_paths_are_printed_as_left_out(self):
        output, code, attachments = self.compose("--attach", windows_path(self.tree), "--attach",
                                                 windows_path(os.path.join(self.work, "no such file")))
        self.assertEqual(0, code, output)
        self.assertIn("left out: " + windows_path(os.path.join(self.work, "no such file")), output)
        self.check_archive(attachments["attach.zip"])

    def test_the_robot_sets_the_dialogs_options_and_a_refused_name_attaches_nothing(self):
        output, code, attachments = self.compose("--attach", windows_path(self.tree), "--no-subfolders",
                                                 "--archive", "  top level ")
        self.assertEqual(0, code, output)
        self.assertIn("dropped: 1 paths, 1 rows chosen", output)
        self.assertEqual(["top level.zip"], list(attachments))
        path = os.path.join(self.work, "top level.zip")
        with open(path, "wb") as f:
            f.write(attachments["top level.zip"])
        with zipfile.ZipFile(path) as z:
            self.assertEqual(["Tree/a.txt"], z.namelist())

        output, code, attachments = self.compose("--attach", windows_path(self.tree), "--archive", "CON")
        self.assertNotEqual(0, code, output)
        self.assertIn("archive name refused", output)
        self.assertEqual({}, attachments)

    def working_folders_left(self):
        """What stands in %TEMP%\\Parcelon of the prefix's users."""
        left = []
        for root, folders, _ in os.walk(os.path.join(PREFIX, "drive_c", "users")):
            if os.path.basename(root) == "Parcelon" and os.path.basename(os.path.dirname(root)) == "Temp":
                left += folders
        return left

    def test_three_packings_at_once_each_get_their_own_complete_archive_and_leave_nothing(self):
        # Registered first, so the three runs only read the registry.
        output, code, _ = self.compose("--addin", windows_path(DLL), "--attach", windows_path(self.tree))
        self.assertEqual(0, code, output)
        trees = {}
        for n, size in (("one", 40 << 20), ("two", 3000), ("three", 5000)):
            tree = os.path.join(self.work, "At once " + n)
            os.makedirs(tree, exist_ok=True)
            # The large one mostly text, with a random part, so it is read in many chunks.
            data = (b"line of a large report\r\n" * (size // 48) + os.urandom(size // 2))[:size]
            with open(os.path.join(tree, n + ".bin"), "wb") as f:
                f.write(data)
            trees[n] = (tree, data)
        runs = {n: subprocess.Popen([WINE_RUN, HOST, "compose", "--attach", windows_path(tree), "--out",
                                     windows_path(os.path.join(self.work, n + ".eml"))], stdout=subprocess.PIPE)
                for n, (tree, _) in trees.items()}
        for n, run in runs.items():
            output = run.communicate(timeout=300)[0].decode("utf-8", "replace")
            self.assertEqual(0, run.returncode, output)
            with open(os.path.join(self.work, n + ".eml"), "rb") as f:
                message = email.message_from_binary_file(f, policy=email.policy.default)
            parts = {p.get_filename(): p.get_payload(decode=True) for p in message.iter_attachments()}
            self.assertEqual(["attach.zip"], list(parts), output)
            archive = os.path.join(self.work, n + ".zip")
            with open(archive, "wb") as f:
                f.write(parts["attach.zip"])
            tree, data = trees[n]
            with zipfile.ZipFile(archive) as z:
                self.assertIsNone(z.testzip())
                entry = os.path.basename(tree) + "/" + n + ".bin"
                self.assertEqual([entry], z.namelist())
                self.assertEqual(data, z.read(entry))
        self.assertEqual([], self.working_folders_left())
        self.assertFalse(os.path.exists(os.path.join(PREFIX, "drive_c", "attach.zip")))

    def test_an_archive_that_cannot_be_written_attaches_nothing_and_leaves_no_working_folder(self):
        tree = os.path.join(self.work, "Too large to write")
        os.makedirs(tree, exist_ok=True)
        with open(os.path.join(tree, "random.bin"), "wb") as f:
            f.write(os.urandom(16 << 20))

        def files_of_8_mb_at_most():  # beyond that a write fails (EFBIG) and nothing else happens
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (8 << 20, 8 << 20))

        out = os.path.join(self.work, "unwritten.eml")
        run = subprocess.run([WINE_RUN, HOST, "compose", "--attach", windows_path(tree), "--out", windows_path(out)],
                             capture_output=True, timeout=180, preexec_fn=files_of_8_mb_at_most)
        output = run.stdout.decode("utf-8", "replace")
        self.assertIn("stopped: the archive could not be written.", output)
        self.assertIn("The archive was made in C:\\users\\", output)
        with open(out, "rb") as f:
            message = email.message_from_binary_file(f, policy=email.policy.default)
        self.assertEqual([], list(message.iter_attachments()))
        self.assertEqual([], self.working_folders_left())

    def test_an_inline_reply_gets_the_button_on_the_main_windows_message_tab(self):
        output, code, attachments = self.compose("--inline", "--attach", windows_path(self.tree))
        self.assertEqual(0, code, output)
        self.assertIn('ribbon button: "Parcelon" in group "Parcelon" of the main window\'s inline Message tab', output)
        self.assertIn('dialog opened: "Parcelon"', output)  # found as a dialog owned by the main window
        self.assertEqual(["attach.zip"], list(attachments))
        self.check_archive(attachments["attach.zip"])

    def test_a_host_that_ends_without_disconnection_is_not_called_after_it_ended(self):
        # Outlook since 2010: the process ends with the add-in loaded, with or without
        # OnBeginShutdown first; the module's unload must release nothing into the host.
        for mode in ("fast", "begin"):
            output, code, attachments = self.compose("--shutdown", mode, "--attach", windows_path(self.tree))
            self.assertEqual(0, code, output + self.stderr)
            self.assertNotIn("called after the host ended", self.stderr)
            self.check_archive(attachments["attach.zip"])
        self.assertIn("stand-in objects held after OnBeginShutdown: 0", output)

    def stop_while_packing(self, *args):
        """A packing of a large file stopped by `args`: nothing attached, no archive left in
        the system drive's root or a temporary folder, the module unloaded at the end."""
        big = os.path.join(self.work, "Big")
        if not os.path.exists(big):
            os.makedirs(big)
            with open(os.path.join(big, "large.bin"), "wb") as f:
                f.write(os.urandom(64 << 20))
        users = os.path.join(PREFIX, "drive_c", "users")
        roots = [os.path.join(PREFIX, "drive_c")] + [os.path.join(users, u, "AppData", "Local", "Temp")
                                                      for u in os.listdir(users)]
        output, code, attachments = self.compose(*args, "--attach", windows_path(big))
        self.assertEqual(0, code, output + self.stderr)
        self.assertIn("module can unload: yes", output)
        self.assertIn("module after freeing unused libraries: unloaded", output)
        self.assertEqual({}, attachments)
        self.assertNotIn("called after the host ended", self.stderr)
        for root in roots:
            self.assertFalse(os.path.exists(os.path.join(root, "attach.zip")), root)
        self.assertEqual([], self.working_folders_left())
        return output

    def test_shutting_down_while_the_dialog_packs_attaches_nothing_and_leaves_nothing(self):
        output = self.stop_while_packing("--shutdown", "while-packing")
        self.assertIn("shutting down while the dialog packs", output)
        self.assertIn("module can unload at once: no", output)  # its dialog is still on screen

    def test_shutting_down_while_a_question_before_attaching_is_open_ends_it_and_attaches_nothing(self):
        output = self.stop_while_packing("--shutdown", "while-asking", "--send-limit-kb", "1024")
        self.assertIn("question open: The archive is 64", output)
        self.assertIn("shutting down while a question is open", output)
        self.assertNotIn("answered:", output)

    def test_closing_the_compose_window_while_the_dialog_packs_ends_the_dialog_and_attaches_nothing(self):
        output = self.stop_while_packing("--close-while-packing")
        self.assertIn("compose window closed", output)

    def leave_window_to_a_person(self, picture_name, *args, title="Untitled - Message"):
        out = os.path.join(self.work, "by-hand.eml")
        screens = os.path.join(os.path.dirname(os.path.dirname(HOST)), "screens")
        os.makedirs(screens, exist_ok=True)
        picture = os.path.join(screens, picture_name)
        if os.path.exists(picture):
            os.unlink(picture)
        # A session of its own, so that a host that does not end is ended with all its
        # processes and cannot hold the test's output open.
        host = subprocess.Popen([WINE_RUN, HOST, "compose", *args, "--out", windows_path(out)],
                                stdout=subprocess.PIPE, start_new_session=True)
        closer = subprocess.run([WINE_RUN, CLOSE_WINDOW, title, windows_path(picture)],
                                capture_output=True, timeout=120)
        try:
            output, _ = host.communicate(timeout=120)
        except subprocess.TimeoutExpired:
            os.killpg(host.pid, signal.SIGKILL)
            output, _ = host.communicate()
            self.fail("the host did not end after its window was closed:\n%s\nclose-window: %s" % (
                output.decode("utf-8", "replace"), program_run.account(closer)))
        output = output.decode("utf-8", "replace")
        self.assertEqual(0, closer.returncode, closer.stderr)
        self.assertEqual(0, host.returncode, output)
        self.assertNotIn("dialog opened", output)
        with open(out, "rb") as f:
            message = email.message_from_binary_file(f, policy=email.policy.default)
        self.assertEqual([], list(message.iter_attachments()))
        return output, picture

    def test_without_paths_the_window_waits_for_a_person_and_closing_it_writes_the_message(self):
        # Saved as screens/compose-ribbon.png and screens/compose-command-bar.png, with
        # -192dpi (say) before .png when the prefix runs at another DPI.
        suffix = "" if DPI == 96 else "-%ddpi" % DPI
        area = (DPI / 96) ** 2
        output, picture = self.leave_window_to_a_person("compose-ribbon%s.png" % suffix)
        self.assertIn('ribbon button: "Parcelon"', output)
        # The 32 x 32 picture from the add-in's callback (64 x 64 at 192 DPI) is on the
        # screen, not a 16 x 16 face.
        large = png_pixels.count_colour(picture, PARCEL_COLOUR)
        self.assertGreater(large, 150 * area)

        output, picture = self.leave_window_to_a_person("compose-command-bar%s.png" % suffix,
                                                        "--outlook-version", "11.0")
        self.assertIn('button installed: "Parcelon" on "Standard"', output)
        small = png_pixels.count_colour(picture, PARCEL_COLOUR)
        self.assertGreater(small, 10 * area)
        self.assertLess(small, large / 2)

        # Saved as screens/main-inline-reply.png: the main window with the inline reply's
        # Message tab and the large "Parcelon" button on it.
        output, picture = self.leave_window_to_a_person("main-inline-reply.png", "--inline",
                                                        title="Inbox - Microsoft Outlook")
        self.assertIn('ribbon button: "Parcelon" in group "Parcelon" of the main window', output)
        self.assertGreater(png_pixels.count_colour(picture, PARCEL_COLOUR), 150)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--close-window", required=True)
    args, rest = parser.parse_known_args()
    HOST, DLL, CLOSE_WINDOW = args.host, args.dll, args.close_window
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
