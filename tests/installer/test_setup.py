#!/usr/bin/env python3
"""Parcelon-Setup.exe in a fresh Wine prefix, run silently as an administrator deploys it:
the files, the registration in both registry views, the add-in key and the uninstall entry;
the add-in created by its ProgID from a program of each bitness; the uninstaller it writes
signed; setup run twice; then the uninstaller; and the setup window gone through as a user
does, its pages kept as PNG files in the build folder. Where 32-bit programs cannot run, the 32-bit registration must fail
loudly: in the setup's log, its exit code and, with a window, a message."""
import os
import pwd
import shutil
import subprocess
import struct
import sys
import unittest
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import wine_prefix  # noqa: E402
import test_signatures  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
ENV_SCRIPT = os.path.join(ROOT, "tools", "wine-env.sh")
BUILD = os.environ.get("PARCELON_BUILD", os.path.join(ROOT, "build"))
PREFIX = os.path.join(BUILD, "setup-wine")
SCRATCH = wine_prefix.WinePrefix(PREFIX)
CLSID = "{E9ACBD03-EE05-4A87-85D1-B020D0C02EC0}"
LIBID = "{6C883919-8F6C-49EC-9613-7E7A38630C26}"
ADDINS = r"HKCU\Software\Microsoft\Office\Outlook\Addins"
UNINSTALL = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall"
SETUP = None
PROBES = {}  # bits -> addin-probe.exe of that bitness
DLLS = {"32": None, "64": None}
DRIVER = None


def png_from_bmp(bmp_path, png_path):
    """Writes a 24-bit bottom-up BMP as an RGB PNG; the number of colours in it."""
    with open(bmp_path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) // 4 * 4
    rows, colours = [], set()
    for y in range(height):
        start = offset + (height - 1 - y) * stride
        bgr = data[start:start + width * 3]
        rgb = bytearray(bgr)
        rgb[0::3], rgb[2::3] = bgr[2::3], bgr[0::3]
        rows.append(b"\0" + bytes(rgb))
        colours.update(bytes(rgb[i:i + 3]) for i in range(0, len(rgb), 3 * 7))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    with open(png_path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b""))
    return len(colours)


shell, wine, runs_win32 = SCRATCH.shell, SCRATCH.wine, SCRATCH.runs_win32
reg_value, reg_key_exists, windows_path = SCRATCH.reg_value, SCRATCH.reg_key_exists, SCRATCH.windows_path


class SetupInFreshPrefix(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        SCRATCH.create()
        cls.win32 = runs_win32()
        # What the setup program's own regsvr32 start meets: PARCELON_NO_WIN32=1 cannot reach
        # that far, Wine finds its 32-bit loader by itself.
        cls.setup_win32 = wine_prefix.wine32_loader_runs()
        if cls.setup_win32 != cls.win32:
            print("PARCELON_NO_WIN32=1: the setup program itself still starts the 32-bit regsvr32 on this "
                  "machine; only the 32-bit probe is refused", file=sys.stderr)
        local = os.path.join(PREFIX, "drive_c", "users", pwd.getpwuid(os.getuid()).pw_name, "AppData", "Local")
        cls.install = os.path.join(local, "Parcelon")
        cls.send_to = os.path.join(os.path.dirname(local), "Roaming", "Microsoft", "Windows", "SendTo", "Parcelon.lnk")
        cls.uninstall_log = os.path.join(local, "Temp", "Parcelon-Uninstall.log")
        cls.dll_paths = {"32": windows_path(os.path.join(cls.install, "x86", "Parcelon.dll")),
                         "64": windows_path(os.path.join(cls.install, "x64", "Parcelon.dll"))}
        # Another add-in's key, which uninstalling must keep.
        wine("reg", "add", ADDINS + r"\Another.Addin", "/v", "LoadBehavior", "/t", "REG_DWORD", "/d", "3", "/f")
        cls.first = wine(SETUP, "/S", timeout=600)
        shell("parcelon_wine_wait", timeout=600)

    @classmethod
    def tearDownClass(cls):
        shell("parcelon_wine_stop")

    def setup_log(self):
        with open(os.path.join(self.install, "Setup.log"), "rb") as f:
            return f.read().decode("utf-16")

    def expect_installed(self, code):
        """Exit code, files, registrations, add-in key and uninstall entry of one setup run."""
        self.assertEqual(0 if self.setup_win32 else 2, code, self.setup_log())
        log = self.setup_log()
        self.assertIn("Registering the 64-bit DLL (64-bit Outlook): done", log)
        if self.setup_win32:
            self.assertIn("Registering the 32-bit DLL (32-bit Outlook): done", log)
            self.assertNotIn("FAILED", log)
        else:
            self.assertIn("FAILED: Registering the 32-bit DLL (32-bit Outlook)", log)
            print("this machine cannot run 32-bit programs: setup reported the 32-bit registration as failed "
                  "(exit code 2), as it must", file=sys.stderr)
        # One copy of each DLL, the uninstaller and the log, nothing else.
        self.assertEqual(["Setup.log", "Uninstall.exe", "x64", "x86"], sorted(os.listdir(self.install)))
        for bits, folder in (("32", "x86"), ("64", "x64")):
            self.assertEqual(["Parcelon.dll"] + (["ParcelonSend.exe"] if bits == "64" else []),
                             sorted(os.listdir(os.path.join(self.install, folder))))
            with open(os.path.join(self.install, folder, "Parcelon.dll"), "rb") as a, open(DLLS[bits], "rb") as b:
                self.assertEqual(b.read(), a.read(), folder)
        # Each registry view names the DLL of its own bitness.
        server = r"HKCR\CLSID" + "\\" + CLSID + r"\InprocServer32"
        self.assertEqual(self.dll_paths["64"].lower(), (reg_value(server, view=64) or "").lower())
        self.assertEqual(self.dll_paths["32"].lower() if self.setup_win32 else None,
                         reg_value(server, view=32) and reg_value(server, view=32).lower())
        self.assertEqual(CLSID, reg_value(r"HKCR\Parcelon.OutlookAddin\CLSID"))
        # The registration is the machine's here (Wine's user may write it), so none for the user.
        self.assertFalse(reg_key_exists(r"HKCU\Software\Classes\CLSID" + "\\" + CLSID))
        self.assertEqual("0x3", reg_value(ADDINS + r"\Parcelon.OutlookAddin", "LoadBehavior"))
        entry = UNINSTALL + r"\Parcelon"
        self.assertEqual("Parcelon", reg_value(entry, "DisplayName"))
        self.assertEqual("1.0.0.0", reg_value(entry, "DisplayVersion"))
        self.assertEqual("Kestrelbay", reg_value(entry, "Publisher"))
        uninstaller = windows_path(os.path.join(self.install, "Uninstall.exe"))
        self.assertEqual(f'"{uninstaller}"'.lower(), reg_value(entry, "UninstallString").lower())
        self.assertEqual(f'"{uninstaller}" /S'.lower(), reg_value(entry, "QuietUninstallString").lower())
        # What the uninstaller is to unregister: what setup registered.
        self.assertEqual("0x1", reg_value(entry, "Registered64"))
        self.assertEqual("0x1" if self.setup_win32 else None, reg_value(entry, "Registered32"))
        code, out, _ = wine("reg", "query", UNINSTALL)
        self.assertEqual(1, sum(1 for line in out.splitlines() if "parcelon" in line.lower()), out)
        self.expect_send_to_shortcut()

    def expect_send_to_shortcut(self):
        """The Send To shortcut: a shell link whose target and icon are the installed ParcelonSend.exe."""
        with open(self.send_to, "rb") as f:
            link = f.read()
        self.assertEqual(b"\x4c\x00\x00\x00", link[:4])  # a shell link's header size
        target = windows_path(os.path.join(self.install, "x64", "ParcelonSend.exe")).lower()
        # The target in the link's ANSI part, the icon location as UTF-16.
        self.assertIn(target.encode("ascii"), link.lower())
        self.assertIn(target.encode("utf-16-le"), link.lower())

    def expect_probe(self, bits):
        """The add-in created by its ProgID from a program of `bits`, connected to the stand-in."""
        code, out, err = wine(PROBES[bits], timeout=120)
        if bits == "32" and not self.win32:
            self.assertEqual(126, code, err)
            print("32-bit Outlook not checked: this machine cannot run 32-bit programs", file=sys.stderr)
            return
        self.assertEqual(0, code, out + err)
        self.assertIn(f"server {self.dll_paths[bits]}".lower(), out.lower())
        self.assertIn("explorers 1 inspectors 1", out)
        self.assertIn("released", out)

    def test_1_silent_setup_installs_and_registers_for_both_bitnesses(self):
        self.expect_installed(self.first[0])
        for bits in ("64", "32"):
            with self.subTest(bits=bits):
                self.expect_probe(bits)

    def test_1b_the_uninstaller_it_writes_is_signed(self):
        test_signatures.BUILD = BUILD
        for path in (os.path.join(self.install, "Uninstall.exe"), os.path.join(self.install, "x64", "ParcelonSend.exe")):
            code, output = test_signatures.verify(path)
            self.assertEqual(0, code, output)
            self.assertIn("Signature verification: ok", output)

    def test_2_setup_run_again_upgrades_in_place(self):
        code, _, _ = wine(SETUP, "/S", timeout=600)
        shell("parcelon_wine_wait", timeout=600)
        self.expect_installed(code)
        self.expect_probe("64")

    def test_3_silent_uninstall_leaves_nothing_of_ours(self):
        code, _, err = wine(os.path.join(self.install, "Uninstall.exe"), "/S", timeout=600)
        self.assertEqual(0, code, err)
        shell("parcelon_wine_wait", timeout=600)  # the uninstaller runs on from a copy in %TEMP%
        self.assertFalse(os.path.exists(self.install))
        self.assertFalse(os.path.exists(self.send_to))
        self.assertFalse(os.path.exists(self.uninstall_log), "the uninstaller reported a failure")
        self.assertFalse(reg_key_exists(UNINSTALL + r"\Parcelon"))
        for view in (32, 64):
            for key in (r"HKCR\CLSID" + "\\" + CLSID, r"HKCR\Parcelon.OutlookAddin", r"HKCR\Parcelon.OutlookAddin.1",
                        r"HKCR\TypeLib" + "\\" + LIBID, r"HKCU\Software\Classes\CLSID" + "\\" + CLSID):
                self.assertFalse(reg_key_exists(key, view), f"{key} /reg:{view}")
        self.assertFalse(reg_key_exists(ADDINS + r"\Parcelon.OutlookAddin"))
        self.assertEqual("0x3", reg_value(ADDINS + r"\Another.Addin", "LoadBehavior"))
        self.assertEqual(2, wine(PROBES["64"], timeout=120)[0])  # the ProgID is gone

    def run_setup_window(self, name):
        """Runs setup with its window, gone through by setup-driver; its exit code, what the
        driver printed, and the pages kept, as BUILD/<name>-<page>.png."""
        self.assertTrue(os.environ.get("DISPLAY"), "the setup window needs an X display (tools/run-tests.sh)")
        shots = os.path.join(PREFIX, "drive_c", "setup-pictures")
        shutil.rmtree(shots, ignore_errors=True)
        os.makedirs(shots)
        setup = subprocess.Popen(["bash", "-c", f'source "{ENV_SCRIPT}" && parcelon_wine "$0"', SETUP],
                                 env={**os.environ, "WINEPREFIX": PREFIX},
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        code, out, err = wine(DRIVER, "Parcelon Setup", windows_path(shots), timeout=600)
        setup_code = setup.wait(timeout=300)
        shell("parcelon_wine_wait", timeout=600)
        self.assertEqual(0, code, out + err)
        self.assertIn("first page button: &Install", out)
        pages = sorted(name[:-4] for name in os.listdir(shots))
        for page in pages:
            picture = os.path.join(BUILD, f"{name}-{page}.png")
            self.assertGreater(png_from_bmp(os.path.join(shots, page + ".bmp"), picture), 8, f"{picture} looks empty")
        return setup_code, out, pages

    def uninstall_quietly(self):
        wine(os.path.join(self.install, "Uninstall.exe"), "/S", timeout=600)
        shell("parcelon_wine_wait", timeout=600)
        self.assertFalse(os.path.exists(self.install))
        self.assertFalse(reg_key_exists(ADDINS + r"\Parcelon.OutlookAddin"))

    def test_4_the_setup_window_ends_telling_to_restart_outlook(self):
        code, out, pages = self.run_setup_window("setup")
        self.assertEqual(0 if self.setup_win32 else 2, code)
        self.assertEqual(["finish", "welcome"] if self.setup_win32 else ["failure", "finish", "welcome"], pages, out)
        self.expect_installed(code)
        self.uninstall_quietly()

    def test_5_a_step_that_fails_is_logged_shown_and_ends_with_exit_code_2(self):
        # A file where the 32-bit DLL's folder belongs: copying and registering it must fail.
        os.makedirs(self.install, exist_ok=True)
        blocker = os.path.join(self.install, "x86")
        with open(blocker, "w") as f:
            f.write("in the way")
        try:
            code, _, _ = wine(SETUP, "/S", timeout=600)
            shell("parcelon_wine_wait", timeout=600)
            self.assertEqual(2, code)
            log = self.setup_log()
            self.assertIn("FAILED: copying C:\\users", log)
            self.assertIn("FAILED: Registering the 32-bit DLL (32-bit Outlook): ", log)
            self.assertIn("Registering the 64-bit DLL (64-bit Outlook): done", log)
            self.assertIn("Setup finished with failures.", log)
            self.assertEqual("0x3", reg_value(ADDINS + r"\Parcelon.OutlookAddin", "LoadBehavior"))
            # With its window, setup says so before its last page.
            code, out, pages = self.run_setup_window("setup-failed")
            self.assertEqual(2, code)
            self.assertEqual(["failure", "finish", "welcome"], pages)
            self.assertIn("message: Setup could not finish these steps:", out)
        finally:
            os.remove(blocker)
        self.uninstall_quietly()

if __name__ == "__main__":
    SETUP, PROBES["32"], PROBES["64"], DLLS["32"], DLLS["64"], DRIVER = sys.argv[1:7]
    unittest.main(argv=sys.argv[:1], verbosity=2)
