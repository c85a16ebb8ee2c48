#!/usr/bin/env python3
"""Authenticode signatures of what a user installs, checked by osslsigncode with the
build's development certificate (or PARCELON_SIGN_ROOT, a company's root) as the only trusted
root: both DLLs, ParcelonSend.exe, the setup program, the MSI package and the files the MSI
installs. A file changed after signing fails. (The uninstaller that setup writes is checked
by the setup test, which runs setup.)"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD = None


def development_certificate(extension=".pem"):
    """The build's development certificate (.pem) or its key (.key)."""
    return os.path.join(BUILD, "signing", "Parcelon-Development" + extension)


def verify(path, root=None):
    """osslsigncode's verdict with `root` (else the build's) as the trusted root: its exit
    code and output."""
    root = root or os.environ.get("PARCELON_SIGN_ROOT") or development_certificate()
    run = subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", root], capture_output=True)
    return run.returncode, (run.stdout + run.stderr).decode("utf-8", "replace")


class SignaturesTest(unittest.TestCase):
    def assert_signed(self, path):
        code, output = verify(path)
        self.assertEqual(0, code, path + "\n" + output)
        self.assertIn("Signature verification: ok", output, path)
        self.assertIn("Succeeded", output, path)
        self.assertRegex(output, r"Message digest algorithm\s*: SHA256", path)

    def test_every_file_a_user_installs_verifies(self):
        for path in ("x86/server/Parcelon.dll", "x64/server/Parcelon.dll", "x64/sendto/ParcelonSend.exe",
                     "Parcelon-Setup.exe", "Parcelon.msi"):
            with self.subTest(path):
                self.assert_signed(os.path.join(BUILD, path))

    def test_the_files_the_msi_installs_are_signed(self):
        work = tempfile.mkdtemp(prefix="parcelon-msi-files-")
        try:
            subprocess.run(["msiextract", "-C", work, os.path.join(BUILD, "Parcelon.msi")], check=True,
                           capture_output=True)
            found = sorted(os.path.join(folder, name) for folder, _, names in os.walk(work) for name in names)
            self.assertEqual(["Parcelon.dll", "Parcelon.dll", "ParcelonSend.exe"],
                             sorted(os.path.basename(p) for p in found))
            for path in found:
                with self.subTest(os.path.relpath(path, work)):
                    self.assert_signed(path)
        finally:
            shutil.rmtree(work, ignore_errors=True)

    def test_a_file_changed_after_signing_fails(self):
        work = tempfile.mkdtemp(prefix="parcelon-changed-")
        try:
            for name in ("x64/server/Parcelon.dll", "Parcelon.msi"):
                changed = os.path.join(work, os.path.basename(name))
                shutil.copy(os.path.join(BUILD, name), changed)
                with open(changed, "r+b") as f:
                    f.seek(0x2000)  # inside the code of the DLL, the tables of the package
                    byte = f.read(1)
                    f.seek(0x2000)
                    f.write(bytes([byte[0] ^ 0xFF]))
                code, output = verify(changed)
                self.assertNotEqual(0, code, name + "\n" + output)
                self.assertIn("Failed", output, name)
                self.assertIn("MISMATCH", output, name)
        finally:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
