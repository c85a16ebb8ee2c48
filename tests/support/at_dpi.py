#!/usr/bin/env python3
"""at_dpi.py DPI COMMAND [ARGUMENT...]: runs COMMAND with the Wine prefix set to DPI (its
LogPixels, which every Windows program of the prefix reads when it starts) and puts the
prefix's own setting back afterwards, whatever the command does. COMMAND learns the DPI
from PARCELON_TEST_DPI. The setting is the whole prefix's: tests run this way must run
alone (ctest RUN_SERIAL). Exits with COMMAND's exit code."""
import os
import subprocess
import sys

WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-run")
KEY = r"HKCU\Control Panel\Desktop"


def reg(*args):
    return subprocess.run([WINE_RUN, "reg", *args], capture_output=True, text=True, timeout=120)


def current_setting():
    """The prefix's LogPixels as reg prints it ("0xc0"), or None when it has none."""
    query = reg("query", KEY, "/v", "LogPixels")
    for line in query.stdout.splitlines():
        fields = line.split()
        if len(fields) >= 3 and fields[0] == "LogPixels":
            return fields[-1]
    return None


def set_setting(value):
    if value is None:
        return reg("delete", KEY, "/v", "LogPixels", "/f").returncode
    return reg("add", KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(int(value, 0)), "/f").returncode


def main():
    dpi, command = sys.argv[1], sys.argv[2:]
    before = current_setting()
    if set_setting(dpi) != 0:
        print("at_dpi: LogPixels could not be set")
        return 1
    try:
        return subprocess.run(command, env=dict(os.environ, PARCELON_TEST_DPI=dpi)).returncode
    finally:
        if set_setting(before) != 0:
            print("at_dpi: LogPixels could not be put back")


if __name__ == "__main__":
    sys.exit(main())
