"""Unregistering a Parcelon.dll that parcelon-host registered, with the regsvr32 of the
DLL's own bitness (system32 holds the 64-bit one, syswow64 the 32-bit one), so that a test
leaves the prefix's registry as it found it."""
import os
import struct
import subprocess

WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-run")


def pe_bits(path):
    with open(path, "rb") as f:
        f.seek(60)
        offset = struct.unpack("<I", f.read(4))[0]
        f.seek(offset + 4)
        machine = struct.unpack("<H", f.read(2))[0]
    return 64 if machine == 0x8664 else 32


def unregister(dll, prefix=os.environ.get("WINEPREFIX", "")):
    folder = "system32" if pe_bits(dll) == 64 else "syswow64"
    regsvr32 = os.path.join(prefix, "drive_c", "windows", folder, "regsvr32.exe")
    windows_dll = "Z:" + os.path.abspath(dll).replace("/", "\\")
    return subprocess.run([WINE_RUN, regsvr32, "/u", "/s", windows_dll], capture_output=True, timeout=120).returncode
