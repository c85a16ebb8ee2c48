"""A Windows program run for a test through the project's launcher (tools/wine-run), and the
account of it a check shows: its exit code, its standard output and its standard error, each
named, so that a run that failed without a word still says how it ended. Wine's own error
messages are on for these runs (a run that goes well prints none): when Wine itself ends a
program, what it says comes out on the standard error."""
import os
import signal
import subprocess

WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "wine-run")


def run(*args, timeout=300):
    """Runs a program under Wine; gives its exit code and the account of the run. A program
    still running after `timeout` seconds is ended with its whole process group (the
    launcher's Wine process among them, which would otherwise live on and hold its windows
    and working folders into the next tests), and the test fails with what it had said."""
    with subprocess.Popen([WINE_RUN, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          env={**os.environ, "WINEDEBUG": "-all,err+all"}, start_new_session=True) as process:
        try:
            stdout, stderr = process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            stdout, stderr = process.communicate(timeout=30)
            raise AssertionError("still running after %d s, ended\n" % timeout + account(
                subprocess.CompletedProcess(args, -signal.SIGKILL, stdout, stderr)))
    done = subprocess.CompletedProcess(args, process.returncode, stdout, stderr)
    return account(done), done.returncode


def account(done):
    stdout = done.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
    stderr = done.stderr.decode("utf-8", "replace").replace("\r\n", "\n")
    return "exit code %d\n--- standard output:\n%s--- standard error:\n%s" % (
        done.returncode, stdout or "(nothing)\n", stderr or "(nothing)\n")
