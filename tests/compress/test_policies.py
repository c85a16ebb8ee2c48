#!/usr/bin/env python3
"""An administrator's policies under Software\\Policies\\Kestrelbay\\Parcelon, set in Wine's
registry, through parcelon-host compose and its robot: SendLimitMB where the server's limit
cannot be read and where it can (the lower counts, the machine's value before the user's),
AttachOverLimit 0 (no "Attach anyway"), BlockedTypes 1 and 2, the dialog's options when it
opens, and values of the wrong type or out of range ignored and written to the diagnostic log."""
import io
import os
import subprocess
import unittest
import zipfile
from contextlib import contextmanager

import test_archives as base
import test_message_limits as limits

POLICY_KEY = r"Software\Policies\Kestrelbay\Parcelon"
LOG_KEY = r"HKCU\Software\Kestrelbay\Parcelon"


def reg(*args):
    return subprocess.run([base.WINE_RUN, "reg", *args, "/reg:64"], capture_output=True)


@contextmanager
def policies(*values):
    """Sets each (hive, name, type, data) for the block, then removes both hives' keys."""
    try:
        for hive, name, kind, data in values:
            set_value = reg("add", hive + "\\" + POLICY_KEY, "/v", name, "/t", kind, "/d", str(data), "/f")
            assert set_value.returncode == 0, set_value
        yield
    finally:
        for hive in ("HKLM", "HKCU"):
            reg("delete", hive + "\\" + POLICY_KEY, "/f")


def archive_names(message):
    """The entry names of the message's one archive."""
    (part,) = list(message.iter_attachments())
    with zipfile.ZipFile(io.BytesIO(part.get_payload(decode=True))) as archive:
        return sorted(archive.namelist())


class PoliciesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        limits.make_tree(cls, "-policies")
        for hive in ("HKLM", "HKCU"):
            reg("delete", hive + "\\" + POLICY_KEY, "/f")

    def compose(self, *args):
        output, rc, messages = limits.compose(self.root, "--attach", base.windows_path(self.tree), *args)
        self.assertEqual([], limits.leftover_archives())
        return output, rc, messages

    def test_send_limit_stands_in_for_the_servers_and_the_lower_counts(self):
        # POP and IMAP: no server limit, Outlook's 20 MB; the policy's 1 MB asks, and with
        # AttachOverLimit 0 offers no "Attach anyway".
        with policies(("HKCU", "SendLimitMB", "REG_DWORD", 1), ("HKCU", "AttachOverLimit", "REG_DWORD", 0)):
            output, _, messages = self.compose("--account-type", "imap", "--answer", "leave-out,anyway")
        self.assertIn("question: The archive is 0.8 MB; this account sends at most 1 MB in one message.", output)
        self.assertIn("question: Your administrator does not allow attaching an archive over the limit.", output)
        self.assertRegex(output, r"choices: Send in \d messages \| Back\nanswered: Back")
        self.assertEqual([], list(messages[0][1].iter_attachments()))
        # The server's 500 KB is lower than the policy's 1 MB; "Attach anyway" is back.
        with policies(("HKCU", "SendLimitMB", "REG_DWORD", 1)):
            output, _, _ = self.compose("--send-limit-kb", "500", "--answer", "leave-out,back")
        self.assertIn("this account sends at most 500 KB in one message.", output)
        self.assertIn("| Attach anyway | Back", output)
        # The server's 5000 KB would take it; the machine's 1 MB, before the user's 50, does not.
        with policies(("HKLM", "SendLimitMB", "REG_DWORD", 1), ("HKCU", "SendLimitMB", "REG_DWORD", 50)):
            output, _, _ = self.compose("--send-limit-kb", "5000", "--answer", "leave-out,back")
        self.assertIn("this account sends at most 1 MB in one message.", output)

    def test_blocked_types_left_out_without_asking_or_not_checked(self):
        setup = self.prefix + "Sub/Deep/Setup.EXE"
        expected = sorted(self.prefix + name for name in self.files)
        with policies(("HKLM", "BlockedTypes", "REG_DWORD", 1)):
            output, rc, messages = self.compose()
        self.assertEqual(0, rc, output)
        self.assertNotIn("question:", output)
        self.assertIn("(a type mail systems refuse)", output)
        self.assertEqual(expected, [n for n in archive_names(messages[0][1]) if not n.endswith("/")])
        with policies(("HKCU", "BlockedTypes", "REG_DWORD", 2)):
            output, rc, messages = self.compose()
        self.assertNotIn("question:", output)
        self.assertIn(setup, archive_names(messages[0][1]))

    def test_the_dialog_opens_with_the_policys_options_which_the_user_may_change(self):
        output, _, _ = self.compose("--answer", "leave-out")
        self.assertIn("opened with: compress on, sub-folders on", output)
        with policies(("HKLM", "CompressAttachments", "REG_DWORD", 0), ("HKCU", "IncludeSubFolders", "REG_DWORD", 0)):
            output, rc, messages = self.compose("--answer", "leave-out")
        self.assertIn("opened with: compress off, sub-folders off", output)
        # The robot turns both on again, as a user may: one archive with the sub-folders.
        self.assertIn(self.prefix + "Sub/Deep/c.bin", archive_names(messages[0][1]))

    def test_a_value_of_the_wrong_type_or_out_of_range_is_ignored_and_logged(self):
        log = os.path.join(self.root, "diagnostic.log")
        reg("add", LOG_KEY, "/v", "Log File", "/t", "REG_SZ", "/d", base.windows_path(log), "/f")
        reg("add", LOG_KEY, "/v", "Log Level", "/t", "REG_DWORD", "/d", "1", "/f")
        try:
            with policies(("HKLM", "BlockedTypes", "REG_SZ", 1), ("HKCU", "AttachOverLimit", "REG_DWORD", 7),
                          ("HKCU", "SendLimitMB", "REG_DWORD", 0)):
                output, _, _ = self.compose("--send-limit-kb", "500", "--answer", "leave-out,back")
        finally:
            reg("delete", LOG_KEY, "/v", "Log File", "/f")
            reg("delete", LOG_KEY, "/v", "Log Level", "/f")
        self.assertIn("question: " + self.prefix + "Sub/Deep/Setup.EXE", output, "asked, as without the policy")
        self.assertIn("this account sends at most 500 KB in one message.", output)
        self.assertIn("| Attach anyway | Back", output)
        with open(log, encoding="utf-8", errors="replace") as f:
            text = f.read()
        self.assertIn(r"The policy HKLM\Software\Policies\Kestrelbay\Parcelon\BlockedTypes is not a DWORD", text)
        self.assertIn("The policy AttachOverLimit is 7, outside 0 to 1; ignored.", text)
        self.assertIn("The policy SendLimitMB is 0, outside 1 to 1048576; ignored.", text)


if __name__ == "__main__":
    limits.main()
