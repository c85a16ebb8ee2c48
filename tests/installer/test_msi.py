#!/usr/bin/env python3
"""Parcelon.msi deployed as an administrator does, by the prefix's 64-bit msiexec in a fresh
Wine prefix of its own: first what regsvr32 writes for each DLL, the keys the package must
write alike; then a silent install over a package of a lower version (major upgrade), the
files, every key in both registry views, the add-in created by its ProgID from a program of
each bitness, and removal.
    test_msi.py MSI X86_DLL X64_DLL PROBE32 PROBE64 VERSION SEND_EXE"""
import copy
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import wine_prefix  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.environ.get("PARCELON_BUILD", os.path.join(ROOT, "build"))
PREFIX = wine_prefix.WinePrefix(os.path.join(BUILD, "msi-wine"))
MSI = VERSION = SEND_EXE = None
DLLS, PROBES = {}, {}  # bits -> file of that bitness
CLASSES = r"HKLM\Software\Classes"
CLSID = "{E9ACBD03-EE05-4A87-85D1-B020D0C02EC0}"
LIBID = "{6C883919-8F6C-49EC-9613-7E7A38630C26}"
IID = "{F8229C60-BD72-4A95-B75D-8E28FB5621CD}"
CLASS_KEYS = [CLASSES + "\\CLSID\\" + CLSID, CLASSES + r"\Parcelon.OutlookAddin", CLASSES + r"\Parcelon.OutlookAddin.1",
              CLASSES + "\\TypeLib\\" + LIBID, CLASSES + "\\Interface\\" + IID]
ADDINS = r"Software\Microsoft\Office\Outlook\Addins"
ADDIN = ADDINS + r"\Parcelon.OutlookAddin"
UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
FOLDER = {"32": "x86", "64": "x64"}


def install_dir():
    return os.path.join(PREFIX.path, "drive_c", "Program Files", "Parcelon")


def dll_path(bits):
    return "C:\\Program Files\\Parcelon\\" + FOLDER[bits] + "\\Parcelon.dll"


def registration(view):
    """Our class keys in one view, and the add-in key of HKLM there."""
    keys = {key: PREFIX.reg_tree(key, view) for key in CLASS_KEYS}
    keys["addin"] = PREFIX.reg_tree("HKLM\\" + ADDIN, view)
    return keys


def rows(registration):
    """One (key, subkey, value name, type, data) for each value, and for each key without values.
    The type library's help folder is compared without the trailing backslash that Windows
    Installer gives a folder."""
    def data(sub, text):
        return text.rstrip("\\") if sub.endswith("\\helpdir") else text
    return {(key, sub, name, kind, data(sub, text)) for key, tree in registration.items()
            for sub, values in tree.items()
            for name, (kind, text) in (list(values.items()) or [("", ("", ""))])}


def msiexec(*args):
    code, out, err = PREFIX.wine(PREFIX.system_program("64", "msiexec.exe"), *args, timeout=600)
    PREFIX.wait()
    return code, out + err


def product_code(msi):
    out = subprocess.run(["msiinfo", "export", msi, "Property"], capture_output=True, check=True, text=True).stdout
    return dict(line.split("\t", 1) for line in out.splitlines()[3:])["ProductCode"]


class MsiInFreshPrefix(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        PREFIX.create()
        cls.win32 = PREFIX.runs_win32()
        cls.reference = cls.what_regsvr32_writes()
        # Other add-ins' keys, which removing the package must keep.
        cls.others = ["HKLM\\" + ADDINS + r"\Another.Addin", "HKCU\\" + ADDINS + r"\Another.Addin"]
        for key in cls.others:
            for view in ("32", "64"):
                PREFIX.wine("reg", "add", key, "/v", "LoadBehavior", "/t", "REG_DWORD", "/d", "3", "/f",
                            f"/reg:{view}")
        cls.older = os.path.join(PREFIX.path, "drive_c", "Parcelon-0.9.msi")
        subprocess.run(["bash", os.path.join(ROOT, "tools", "build-msi.sh"), "0.9.0.0", DLLS["32"], DLLS["64"],
                        SEND_EXE, cls.older], check=True, capture_output=True)

    @classmethod
    def tearDownClass(cls):
        PREFIX.stop()

    @classmethod
    def what_regsvr32_writes(cls):
        """The keys of both views after regsvr32 registered each DLL where the package puts it,
        with the add-in key it writes for the user; the prefix is left without them. Where
        32-bit programs cannot run, the 32-bit registration comes from the 64-bit one: the
        32-bit view's class names the x86 DLL and the shared type library key has its entry."""
        bitnesses = ["32", "64"] if cls.win32 else ["64"]  # the package's 64-bit rows are written last
        for bits in bitnesses:
            os.makedirs(os.path.join(install_dir(), FOLDER[bits]))
            shutil.copyfile(DLLS[bits], os.path.join(install_dir(), FOLDER[bits], "Parcelon.dll"))
            code, out, err = PREFIX.wine(PREFIX.system_program(bits, "regsvr32.exe"), "/s", dll_path(bits))
            assert code == 0, f"regsvr32 of the {bits}-bit DLL: {code} {out} {err}"
        reference = {}
        for view in (32, 64):
            reference[view] = {key: PREFIX.reg_tree(key, view) for key in CLASS_KEYS}
            reference[view]["addin"] = PREFIX.reg_tree("HKCU\\" + ADDIN, view)
        if not cls.win32:
            print("32-bit regsvr32 cannot run here: the 32-bit view is checked against the 64-bit registration "
                  "with the x86 DLL's path", file=sys.stderr)
            reference[64][CLASSES + "\\TypeLib\\" + LIBID]["1.0\\0\\win32"] = {"": ("REG_SZ", dll_path("32"))}
            reference[32] = copy.deepcopy(reference[64])
            reference[32][CLASSES + "\\CLSID\\" + CLSID]["inprocserver32"][""] = ("REG_SZ", dll_path("32"))
        for bits in reversed(bitnesses):
            PREFIX.wine(PREFIX.system_program(bits, "regsvr32.exe"), "/s", "/u", dll_path(bits))
            os.remove(os.path.join(install_dir(), FOLDER[bits], "Parcelon.dll"))
            os.rmdir(os.path.join(install_dir(), FOLDER[bits]))
        os.rmdir(install_dir())
        for view in ("32", "64"):
            assert not any(registration(view).values()), f"regsvr32 /u left keys in the {view}-bit view"
        return reference

    def entries(self):
        """(product code, DisplayVersion) of every Apps & features entry named Parcelon."""
        code, out, _ = PREFIX.wine("reg", "query", UNINSTALL, "/s")
        found, key = [], None
        for line in out.splitlines():
            if line.startswith("HKEY_"):
                key = line
            elif line.split() == ["DisplayName", "REG_SZ", "Parcelon"]:
                found.append(key)
        return [(key.rsplit("\\", 1)[1], PREFIX.reg_value("HKLM" + key[len("HKEY_LOCAL_MACHINE"):], "DisplayVersion"))
                for key in found]

    def expect_probe(self, bits):
        """The add-in created by its ProgID from a program of `bits`, connected to the stand-in."""
        code, out, err = PREFIX.wine(PROBES[bits], timeout=120)
        self.assertEqual(0, code, out + err)
        self.assertIn(f"server {dll_path(bits)}".lower(), out.lower())
        self.assertIn("explorers 1 inspectors 1", out)
        self.assertIn("released", out)

    def test_1_silent_install_over_a_lower_version_leaves_one_copy(self):
        code, log = msiexec("/i", PREFIX.windows_path(self.older), "/qn")
        self.assertEqual(0, code, log)
        self.assertEqual([(product_code(self.older), "0.9.0.0")], self.entries())
        code, log = msiexec("/i", "Z:" + MSI.replace("/", "\\"), "/qn")
        self.assertEqual(0, code, log)
        self.assertEqual([(product_code(MSI), VERSION)], self.entries())
        entry = UNINSTALL + "\\" + product_code(MSI)
        self.assertEqual("Kestrelbay", PREFIX.reg_value(entry, "Publisher"))
        self.assertEqual(["x64", "x86"], sorted(os.listdir(install_dir())))
        built = {"x86": {"Parcelon.dll": DLLS["32"]},
                 "x64": {"Parcelon.dll": DLLS["64"], "ParcelonSend.exe": SEND_EXE}}
        for folder, files in built.items():
            self.assertEqual(sorted(files), sorted(os.listdir(os.path.join(install_dir(), folder))))
            for name, source in files.items():
                with open(os.path.join(install_dir(), folder, name), "rb") as a, open(source, "rb") as b:
                    self.assertEqual(b.read(), a.read(), folder + "\\" + name)

    def test_2_both_views_hold_what_regsvr32_writes_with_the_add_in_key_for_the_machine(self):
        for view in (64, 32):
            with self.subTest(view=view):
                installed = registration(view)
                self.assertEqual(set(), rows(self.reference[view]) ^ rows(installed), "keys that differ")
                self.assertEqual(("REG_DWORD", "0x3"), installed["addin"][""]["LoadBehavior"])
                self.assertEqual(("REG_SZ", dll_path(str(view))),
                                 installed[CLASSES + "\\CLSID\\" + CLSID]["inprocserver32"][""])
        # Nothing for the user: the package is the machine's.
        self.assertFalse(PREFIX.reg_key_exists("HKCU\\" + ADDIN))
        self.assertFalse(PREFIX.reg_key_exists(r"HKCU\Software\Classes\CLSID" + "\\" + CLSID))

    def test_3_a_program_of_each_bitness_creates_the_add_in_by_its_progid(self):
        self.expect_probe("64")
        if not self.win32:
            self.skipTest("32-bit Outlook not checked: this machine cannot run 32-bit programs")
        self.expect_probe("32")

    def test_4_removal_leaves_nothing_of_ours_and_keeps_other_add_ins(self):
        code, log = msiexec("/x", product_code(MSI), "/qn")
        self.assertEqual(0, code, log)
        self.assertFalse(os.path.exists(install_dir()))
        self.assertEqual([], self.entries())
        for view in ("32", "64"):
            self.assertFalse(any(registration(view).values()), f"keys left in the {view}-bit view")
            for key in self.others:
                self.assertEqual("0x3", PREFIX.reg_value(key, "LoadBehavior", view), f"{key} /reg:{view}")
        self.assertEqual(2, PREFIX.wine(PROBES["64"], timeout=120)[0])  # the ProgID is gone


if __name__ == "__main__":
    MSI, DLLS["32"], DLLS["64"], PROBES["32"], PROBES["64"], VERSION, SEND_EXE = sys.argv[1:8]
    MSI = os.path.abspath(MSI)
    unittest.main(argv=sys.argv[:1], verbosity=2)
