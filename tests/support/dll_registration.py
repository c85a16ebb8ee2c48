"""Unregistering a Parcelon.dll that parcelon-host registered, with the regsvr32 of the
DLL's own bitness (tools/wine-env.sh), so that a test leaves the prefix's registry as it
found it."""
import os
import subprocess

WINE_ENV = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-env.sh")


def unregister(dll):
    command = 'source "$0" && parcelon_regsvr32 "$1" /u /s'
    return subprocess.run(["bash", "-c", command, WINE_ENV, os.path.abspath(dll)], capture_output=True,
                          timeout=120).returncode
