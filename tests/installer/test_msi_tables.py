#!/usr/bin/env python3
"""Parcelon.msi's tables read back with msiinfo: a per-machine 64-bit package with an upgrade
code, no self-registration, and in the component of each DLL the Registry rows of the
registrar script (its HKCR keys for the machine, its add-in key in HKLM) beside the type
library's, the two components alike but for their DLL and bitness.
    test_msi_tables.py MSI REGISTRAR_SCRIPT VERSION"""
import re
import subprocess
import sys
import unittest

MSI = SCRIPT = VERSION = None
LIBID = "{6C883919-8F6C-49EC-9613-7E7A38630C26}"
IID = "{F8229C60-BD72-4A95-B75D-8E28FB5621CD}"
COMPONENT_64BIT = 0x100
HKLM = "2"


def table(name):
    """The rows of a table as lists of columns (msiinfo export: names, types, key, rows)."""
    out = subprocess.run(["msiinfo", "export", MSI, name], capture_output=True, check=True, text=True).stdout
    return [line.split("\t") for line in out.splitlines()[3:]]


def script_rows(text):
    """(key, name, data) of every value the registrar script writes, with its HKCR keys as the
    machine's (Software\\Classes) and its HKCU keys as HKLM's; "+" rows for keys without values.
    REG_DWORD data as MSI writes it (#n), %MODULE% as "%MODULE%"."""
    tokens = re.findall(r"//[^\n]*|'[^']*'|\{[0-9A-Fa-f-]{36}\}|[{}=]|[^\s{}=']+", text)
    tokens = [t for t in tokens if not t.startswith("//")]
    rows, position = [], 0

    def data(kind, quoted):
        return ("#" if kind == "d" else "") + quoted.strip("'")

    def keys(path):
        nonlocal position
        while tokens[position] != "}":
            if tokens[position] == "val":
                name, kind, quoted = tokens[position + 1], tokens[position + 3], tokens[position + 4]
                rows.append((path, name, data(kind, quoted)))
                position += 5
                continue
            while tokens[position] in ("NoRemove", "ForceRemove"):
                position += 1
            key = path + "\\" + tokens[position].strip("'")
            position += 1
            written = tokens[position] == "="
            if written:
                rows.append((key, "", data(tokens[position + 1], tokens[position + 2])))
                position += 3
            if tokens[position] == "{":
                position += 1
                before = len(rows)
                keys(key)
                written = written or len(rows) > before
                position += 1
            if not written:
                rows.append((key, "+", ""))

    while position < len(tokens):
        root = {"HKCR": "Software\\Classes", "HKCU": ""}[tokens[position]]
        position += 2
        keys(root)
        position += 1
    return {(key.lstrip("\\"), name, value) for key, name, value in rows}


class MsiTables(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tables = subprocess.run(["msiinfo", "tables", MSI], capture_output=True, check=True,
                                    text=True).stdout.split()
        cls.properties = {row[0]: row[1] for row in table("Property")}
        cls.components = {row[0]: row for row in table("Component")}
        cls.files = {row[0]: row for row in table("File")}

    def registry(self, component):
        return {(key, name, value) for _, root, key, name, value, owner in table("Registry")
                if owner == component and root == HKLM}

    def dll_component(self, folder):
        """The component of the DLL in %ProgramFiles%\\Parcelon\\<folder>, and its file key."""
        directories = {row[0]: row for row in table("Directory")}
        for name, component in self.components.items():
            directory = directories[component[2]]
            if directory[2] == folder and directories[directory[1]][2] == "Parcelon" and \
                    directories[directory[1]][1] == "ProgramFiles64Folder":
                (file_key,) = [key for key, row in self.files.items() if row[1] == name]
                self.assertEqual("Parcelon.dll", self.files[file_key][2].split("|")[-1])
                return name, file_key
        self.fail(f"no component in ProgramFiles64Folder\\Parcelon\\{folder}")

    def test_a_per_machine_package_with_its_product_and_upgrade_code(self):
        info = subprocess.run(["msiinfo", "suminfo", MSI], capture_output=True, check=True, text=True).stdout
        self.assertIn("Template: x64;1033", info)
        self.assertEqual("1", self.properties.get("ALLUSERS"))
        self.assertEqual("Parcelon", self.properties.get("ProductName"))
        self.assertEqual("Kestrelbay", self.properties.get("Manufacturer"))
        self.assertEqual(VERSION, self.properties.get("ProductVersion"))
        code = self.properties.get("UpgradeCode", "")
        self.assertRegex(code, r"^\{[0-9A-F-]{36}\}$")
        # Older versions are found and removed; a newer one stops the install.
        upgrades = {(row[1], row[2]): row for row in table("Upgrade") if row[0] == code}
        self.assertIn(("", VERSION), upgrades)
        self.assertIn((VERSION, ""), upgrades)
        actions = [row[0] for row in table("InstallExecuteSequence")]
        self.assertIn("FindRelatedProducts", actions)
        self.assertIn("RemoveExistingProducts", actions)

    def test_b_registration_is_the_packages_own_not_self_registration(self):
        self.assertNotIn("SelfReg", self.tables)
        actions = [row[0] for row in table("InstallExecuteSequence")]
        self.assertNotIn("SelfRegModules", actions)
        self.assertIn("WriteRegistryValues", actions)
        self.assertIn("RemoveRegistryValues", actions)

    def test_c_each_dll_component_holds_the_scripts_rows_and_the_type_librarys(self):
        with open(SCRIPT, encoding="utf-8") as f:
            expected = script_rows(f.read())
        self.assertIn(("Software\\Microsoft\\Office\\Outlook\\Addins\\Parcelon.OutlookAddin", "LoadBehavior", "#3"),
                      expected)
        for folder, platform, bits in (("x86", "win32", 0), ("x64", "win64", COMPONENT_64BIT)):
            with self.subTest(folder=folder):
                component, file_key = self.dll_component(folder)
                self.assertEqual(bits, int(self.components[component][3]) & COMPONENT_64BIT)
                rows = self.registry(component)
                module = {(key, name, value.replace("%MODULE%", f"[#{file_key}]")) for key, name, value in expected}
                self.assertEqual(set(), module - rows, "rows of the registrar script missing")
                library = f"Software\\Classes\\TypeLib\\{LIBID}\\1.0"
                self.assertIn((f"{library}\\0\\{platform}", "", f"[#{file_key}]"), rows)
                self.assertIn((library, "", "Parcelon 1.0 Type Library"), rows)
                self.assertIn((f"Software\\Classes\\Interface\\{IID}\\TypeLib", "", LIBID), rows)
                others = rows - module
                self.assertEqual(set(), {row for row in others if not row[0].startswith(
                    (library, f"Software\\Classes\\Interface\\{IID}")) and row[1] != "*"},
                    "rows that neither the script nor the type library write")

    def test_d_the_32_bit_and_the_64_bit_component_write_the_same_keys(self):
        (c32, f32), (c64, f64) = self.dll_component("x86"), self.dll_component("x64")
        d32, d64 = self.components[c32][2], self.components[c64][2]
        as64 = {(key.replace("\\0\\win32", "\\0\\win64"), name,
                 value.replace(f"[#{f32}]", f"[#{f64}]").replace(f"[{d32}]", f"[{d64}]"))
                for key, name, value in self.registry(c32)}
        self.assertEqual(self.registry(c64), as64)
        self.assertGreater(len(as64), 20)


if __name__ == "__main__":
    MSI, SCRIPT, VERSION = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
