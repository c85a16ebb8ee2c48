"""A Wine prefix of a test's own: made fresh, programs started in it through tools/wine-env.sh
(the loader of each program's bitness), and its registry read through Wine's reg."""
import os
import shutil
import subprocess

ENV_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-env.sh")


def wine32_loader_runs():
    """Whether Wine's 32-bit loader is installed and this machine executes it: the test of a
    launcher's answer, found without the launcher."""
    loader = subprocess.run(["bash", "-c", f'source "{ENV_SCRIPT}" && echo "$WINE32_LOADER"'],
                            capture_output=True, text=True).stdout.strip()
    try:
        return subprocess.run([loader, "--version"], capture_output=True).returncode == 0
    except OSError:  # not installed, or a kernel that runs no 32-bit program
        return False


class WinePrefix:
    def __init__(self, path):
        self.path = path

    def shell(self, command, timeout=300):
        """Runs `command` in bash with wine-env.sh sourced, in this prefix: code, stdout, stderr."""
        env = {**os.environ, "WINEPREFIX": self.path}
        run = subprocess.run(["bash", "-c", f'source "{ENV_SCRIPT}" && {command}'], capture_output=True,
                             env=env, timeout=timeout)
        return run.returncode, run.stdout.decode("utf-8", "replace"), run.stderr.decode("utf-8", "replace")

    def wine(self, *args, timeout=300):
        quoted = " ".join("'" + a.replace("'", "'\\''") + "'" for a in args)
        code, out, err = self.shell(f"parcelon_wine {quoted}", timeout)
        return code, out.replace("\r", ""), err

    def create(self):
        """Deletes the prefix and makes it again."""
        self.stop()  # a server kept for the run would go on serving the deleted prefix
        shutil.rmtree(self.path, ignore_errors=True)
        os.makedirs(self.path)
        self.shell("parcelon_wine_prefix_init", timeout=600)
        self.wait()
        # A persistent server writes the registry files later: the system folder tells.
        assert os.path.exists(self.system_program("64", "regsvr32.exe")), "the fresh prefix could not be made"

    def wait(self):
        self.shell("parcelon_wine_wait", timeout=600)

    def stop(self):
        self.shell("parcelon_wine_stop")

    def runs_win32(self):
        """Whether parcelon_wine starts 32-bit programs (PARCELON_NO_WIN32=1 says no)."""
        return self.shell("parcelon_runs_win32")[0] == 0

    def system_program(self, bits, name):
        """The Linux path of a program of the prefix's system folder of that bitness."""
        return os.path.join(self.path, "drive_c", "windows", "system32" if bits == "64" else "syswow64", name)

    def windows_path(self, linux_path):
        rel = os.path.relpath(linux_path, os.path.join(self.path, "drive_c"))
        return "C:\\" + rel.replace("/", "\\")

    def reg_value(self, key, name=None, view=64):
        """The data of a value as reg prints it, or None when the key or value is absent."""
        selector = ["/ve"] if name is None else ["/v", name]
        code, out, _ = self.wine("reg", "query", key, *selector, f"/reg:{view}")
        if code != 0:
            return None
        for line in out.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                return parts[2] if len(parts) == 3 else ""
        return None

    def reg_key_exists(self, key, view=64):
        return self.wine("reg", "query", key, f"/reg:{view}")[0] == 0

    def reg_tree(self, key, view=64):
        """Every key below and including `key` in that view, by its path below `key` ("" for
        itself), with its values as {name: (type, data)} ("" names the default value);
        an empty dictionary when the key is absent."""
        code, out, _ = self.wine("reg", "query", key, "/s", f"/reg:{view}")
        tree, values = {}, None
        if code != 0:
            return tree
        for line in out.splitlines():
            if line.startswith("HKEY_"):
                below = line[len(line.split("\\", 1)[0]):]
                prefix = key[len(key.split("\\", 1)[0]):]
                values = tree.setdefault(below[len(prefix):].lstrip("\\").lower(), {})
            elif line.strip() and values is not None:
                fields = line.strip().split("    ")
                name = "" if fields[0] == "(Default)" else fields[0]
                values[name] = (fields[1], fields[2] if len(fields) > 2 else "")
        return tree
