"""A Windows program run for a test through the project's launcher (tools/wine-run), and the
account of it a check shows: its exit code, its standard output and its standard error, each
named, so that a run that failed without a word still says how it ended. Wine's own error
messages are on for these runs (a run that goes well prints none): when Wine itself ends a
program, what it says comes out on the standard error."""
import os
import subprocess

WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-run")


def run(*args, timeout=300):
    """Runs a program under Wine; gives its exit code and the account of the run."""
    done = subprocess.run([WINE_RUN, *args], capture_output=True, timeout=timeout,
                          env={**os.environ, "WINEDEBUG": "-all,err+all"})
    return account(done), done.returncode


def account(done):
    stdout = done.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
    stderr = done.stderr.decode("utf-8", "replace").replace("\r\n", "\n")
    return "exit code %d\n--- standard output:\n%s--- standard error:\n%s" % (
        done.returncode, stdout or "(nothing)\n", stderr or "(nothing)\n")
