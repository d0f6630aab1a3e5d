"""A private X server for one test run, and the few xdotool calls the real-window tests need."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest


class Xvfb:
    """Starts Xvfb on a free display number; use as a context manager."""

    def __init__(self, size="1024x768x24"):
        self.size = size
        self.process = None
        self.display = None

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        # -noreset: by default the server resets when its last client leaves, and a program
        # that connects during the reset cannot open the display.
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self.size, "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        # The server has said it is ready; still make sure it answers a client before any
        # test program tries, so that a slow start under load is not taken for a failure.
        deadline = time.monotonic() + 15
        while subprocess.run(["xdpyinfo"], env=self.env(), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL).returncode != 0:
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.process.kill()
                raise RuntimeError("Xvfb on %s does not answer" % self.display)
            time.sleep(0.1)
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=10)

    def env(self, **extra):
        env = dict(os.environ, DISPLAY=self.display)
        env.update(extra)
        return env

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *args], env=self.env(), capture_output=True, text=True)
        if check and result.returncode != 0:
            raise RuntimeError("xdotool %s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout

    def windows_named(self, name):
        """The ids of the mapped windows whose title is exactly `name`."""
        out = self.xdotool("search", "--onlyvisible", "--name", ".", check=False)
        found = []
        for wid in out.split():
            title = self.xdotool("getwindowname", wid, check=False).rstrip("\n")
            if title == name:
                found.append(wid)
        return found

    def wait_for_window(self, name, timeout=15.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.windows_named(name)
            if found:
                return found[0]
            time.sleep(0.1)
        return None

    def key(self, wid, *keys):
        """Gives `wid` the input focus and sends it the keys (there is no window manager)."""
        self.xdotool("windowfocus", "--sync", wid)
        time.sleep(0.2)
        self.xdotool("key", "--clearmodifiers", *keys)

    def press_until_exit(self, wid, key, process, timeout=20.0):
        """Presses `key` in `wid` until `process` has ended, and gives whether it did. A press
        that comes before the dialog has reached the state where the key ends it (the worker
        makes its final writes just after its last file operation) is followed by another."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if process.poll() is not None:
                return True
            self.xdotool("windowfocus", "--sync", wid, check=False)
            time.sleep(0.2)
            self.xdotool("key", "--clearmodifiers", key, check=False)
            try:
                process.wait(timeout=1.5)
            except subprocess.TimeoutExpired:
                pass
        return process.poll() is not None

    def screenshot(self, path, wid="root"):
        subprocess.run(["import", "-window", wid, path], env=self.env(), check=True,
                       capture_output=True)


def wait_until(condition, timeout=20.0):
    """Polls `condition` until it holds or `timeout` seconds pass; gives whether it held."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


class XvfbTestCase(unittest.TestCase):
    """A test class sharing one private X server (self.x), with a temporary folder per test
    (self.root)."""

    @classmethod
    def setUpClass(cls):
        cls.x = Xvfb().__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.x.__exit__(None, None, None)

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="update_e2e_")

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)


def main(argv):
    """`xvfb.py --run COMMAND...`: runs COMMAND with DISPLAY set to a private X server and
    gives its exit status; the command is killed after UPDATE_XVFB_TIMEOUT seconds (240)."""
    if len(argv) < 3 or argv[1] != "--run":
        print("usage: xvfb.py --run COMMAND...", file=sys.stderr)
        return 2
    timeout = float(os.environ.get("UPDATE_XVFB_TIMEOUT", "240"))
    with Xvfb() as x:
        try:
            return subprocess.run(argv[2:], env=x.env(), timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            print("xvfb.py: %s did not end within %d s" % (argv[2], timeout), file=sys.stderr)
            return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
