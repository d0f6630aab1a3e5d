"""The built executable in a real window under Xvfb: startup, the title, Escape and the
program it starts, the working directory, and the silent exits."""

import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tools"))
from xvfb import XvfbTestCase, wait_until  # noqa: E402

EXE = os.environ["UPDATE_EXE"]
APP_NAME = "Ünïcødé Äpp"
MARKER_PROGRAM = '#!/bin/sh\necho started > "$(dirname "$0")/marker"\n'


def make_program_dir(root, ini, name="app"):
    """A program directory holding the updater, its Update.ini and the program `tool.exe`."""
    folder = os.path.join(root, name)
    os.makedirs(folder)
    shutil.copy(EXE, os.path.join(folder, "Update"))
    if ini is not None:
        with open(os.path.join(folder, "Update.ini"), "w", encoding="utf-8") as f:
            f.write(ini)
    tool = os.path.join(folder, "tool.exe")
    with open(tool, "w") as f:
        f.write(MARKER_PROGRAM)
    os.chmod(tool, 0o755)
    return folder


class Startup(XvfbTestCase):
    def ini(self):
        return ("[Program]\nAppName=%s\nWebsite=https://example.org\n"
                "[Update]\nPackNumber=1\nPack1=http://127.0.0.1:9/files/tool.zip\n" % APP_NAME)

    def run_until_escape(self, cwd):
        folder = make_program_dir(self.root, self.ini())
        proc = subprocess.Popen([os.path.join(folder, "Update")], cwd=cwd, env=self.x.env())
        try:
            wid = self.x.wait_for_window(APP_NAME + " Update")
            self.assertIsNotNone(wid, "no window titled '%s Update'" % APP_NAME)
            self.x.key(wid, "Escape")
            self.assertEqual(proc.wait(timeout=10), 0)
        finally:
            if proc.poll() is None:
                proc.kill()
        self.assertTrue(wait_until(lambda: os.path.exists(os.path.join(folder, "marker")), 10.0),
                        "Escape did not start the program named by Pack1")

    def test_window_escape_starts_program(self):
        self.run_until_escape(cwd=self.root)

    def test_other_working_directory(self):
        # A decoy Update.ini in the working directory must play no part.
        elsewhere = os.path.join(self.root, "elsewhere")
        os.makedirs(elsewhere)
        with open(os.path.join(elsewhere, "Update.ini"), "w") as f:
            f.write("[Program]\nAppName=Decoy\n")
        self.run_until_escape(cwd=elsewhere)
        self.assertFalse(self.x.windows_named("Decoy Update"))

    def assert_silent_exit(self, folder):
        before = sorted(os.listdir(folder))
        start = time.monotonic()
        proc = subprocess.run([os.path.join(folder, "Update")], cwd=self.root, env=self.x.env(),
                              timeout=10, capture_output=True)
        self.assertEqual(proc.returncode, 0)
        self.assertLess(time.monotonic() - start, 2.0)
        self.assertEqual(proc.stdout + proc.stderr, b"")
        self.assertEqual(sorted(os.listdir(folder)), before, "something was written")
        self.assertFalse(self.x.windows_named(" Update"))

    def test_without_update_ini_exits_silently(self):
        self.assert_silent_exit(make_program_dir(self.root, None))

    def test_without_display_and_update_ini_exits_silently(self):
        folder = make_program_dir(self.root, None)
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        proc = subprocess.run([os.path.join(folder, "Update")], env=env, timeout=10,
                              capture_output=True)
        self.assertEqual((proc.returncode, proc.stdout + proc.stderr), (0, b""))

    def test_path_beyond_capacity_exits_silently(self):
        # The executable's path takes more than 259 UTF-16 units: startup ends as without a file.
        deep = self.root
        while len(deep) < 300:
            deep = os.path.join(deep, "d" * 40)
        os.makedirs(deep)
        self.assert_silent_exit(make_program_dir(deep, self.ini()))


if __name__ == "__main__":
    unittest.main()
