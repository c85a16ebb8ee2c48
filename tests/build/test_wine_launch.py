#!/usr/bin/env python3
"""Windows programs are started in one place, tools/wine-env.sh: it reads a program's
bitness from its PE header, refuses 32-bit programs where they cannot run (and when
PARCELON_NO_WIN32=1 asks for that path), and no other script or test calls Wine itself."""
import os
import re
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import wine_prefix  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
ENV_SCRIPT = os.path.join(ROOT, "tools", "wine-env.sh")
BINARIES = {}


def launcher(command, **env):
    """Runs `command` in bash after sourcing wine-env.sh; (exit code, stdout, stderr)."""
    run = subprocess.run(["bash", "-c", f'source "{ENV_SCRIPT}" && {command}'],
                         capture_output=True, text=True, env={**os.environ, **env}, timeout=60)
    return run.returncode, run.stdout.strip(), run.stderr.strip()


class LauncherTest(unittest.TestCase):
    def test_bitness_read_from_the_pe_header(self):
        for path, bits in BINARIES.items():
            self.assertEqual((0, bits, ""), launcher(f'parcelon_pe_bits "{path}"'), path)
        # Not a PE file, or no file at all: a built-in program, no bitness.
        self.assertEqual((0, "", ""), launcher(f'parcelon_pe_bits "{ENV_SCRIPT}"'))
        self.assertEqual((0, "", ""), launcher("parcelon_pe_bits regsvr32"))

    def test_without_32_bit_execution_a_32_bit_program_is_refused_and_x64_is_used(self):
        program = next(path for path, bits in BINARIES.items() if bits == "32")
        code, _, error = launcher(f'parcelon_wine "{program}"', PARCELON_NO_WIN32="1")
        self.assertEqual(126, code)
        self.assertIn("cannot execute 32-bit programs", error)
        self.assertEqual((0, "x64", ""), launcher("parcelon_demo_target", PARCELON_NO_WIN32="1"))
        self.assertEqual(1, launcher("parcelon_runs_win32", PARCELON_NO_WIN32="1")[0])

    def test_32_bit_execution_follows_the_machine(self):
        machine_runs_32 = wine_prefix.wine32_loader_runs()
        self.assertEqual(0 if machine_runs_32 else 1, launcher("parcelon_runs_win32", PARCELON_NO_WIN32="")[0])
        self.assertEqual("x86" if machine_runs_32 else "x64",
                         launcher("parcelon_demo_target", PARCELON_NO_WIN32="")[1])

    def test_no_script_starts_wine_by_itself(self):
        wine = r"(wine|wine64|/usr/lib/wine/wine(64)?)"
        direct = re.compile(  # in command position of a shell line, a Python argument list, CMake
            rf"(^\s*|[;|&(`{{]\s*|\bexec\s+|\bthen\s+|\bdo\s+){wine}(\s|$)"
            rf"|\[\s*[\"']{wine}[\"']|EMULATOR\s+{wine}\b")
        offenders = []
        for folder, _, files in os.walk(ROOT):
            if any(part in folder for part in ("/.git", "/build", "/.deps")):
                continue
            for name in files:
                path = os.path.join(folder, name)
                if path == ENV_SCRIPT or not re.search(r"(\.sh|\.py|\.cmake|CMakeLists\.txt|Makefile|/run)$", path):
                    continue
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        code = line.split("#", 1)[0]
                        if direct.search(code):
                            offenders.append(f"{os.path.relpath(path, ROOT)}:{number}: {line.strip()}")
        self.assertEqual([], offenders)


if __name__ == "__main__":
    for argument in sys.argv[1:]:
        path, bits = argument.rsplit("=", 1)
        BINARIES[path] = bits
    unittest.main(argv=[sys.argv[0]], verbosity=2)
