"""The built executable in a real window under Xvfb runs a whole download: Enter starts the
update; once the pack is in place and the dialog reads Finish, Enter ends the dialog and the
new program is started."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tools"))
from pack_server import PackServer  # noqa: E402
from xvfb import Xvfb, wait_until  # noqa: E402

EXE = os.environ["UPDATE_EXE"]
PROGRAM = '#!/bin/sh\necho {version} > "$(dirname "$0")/started"\n'


def write_program(path, version):
    with open(path, "w") as f:
        f.write(PROGRAM.format(version=version))
    os.chmod(path, 0o755)


class UpdateRun(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="update_e2e_")
        self.packs = os.path.join(self.root, "packs")
        self.program = os.path.join(self.root, "program")
        os.makedirs(self.packs)
        os.makedirs(self.program)

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def test_enter_updates_then_enter_finishes(self):
        write_program(os.path.join(self.packs, "tool.exe"), 2)
        write_program(os.path.join(self.program, "tool.exe"), 1)
        shutil.copy(EXE, os.path.join(self.program, "Update"))
        with PackServer(self.packs) as server, Xvfb() as x:
            with open(os.path.join(self.program, "Update.ini"), "w") as f:
                f.write("[Program]\nAppName=Tool\n[Update]\nPackNumber=1\nPack1=%s\n"
                        % server.url("/files/tool.exe"))
            proc = subprocess.Popen([os.path.join(self.program, "Update")],
                                    env=x.env(no_proxy="*"))
            try:
                wid = x.wait_for_window("Tool Update")
                self.assertIsNotNone(wid)
                x.key(wid, "Return")
                backup = os.path.join(self.program, "tool.bak")
                self.assertTrue(wait_until(lambda: os.path.exists(backup)),
                                "Enter did not start the update")
                # The worker puts the dialog into Finished right after; until then Enter
                # does nothing, so it is pressed again.
                self.assertTrue(x.press_until_exit(wid, "Return", proc),
                                "Finish did not end the dialog")
                self.assertEqual(proc.returncode, 0)
            finally:
                if proc.poll() is None:
                    proc.kill()
        started = os.path.join(self.program, "started")
        self.assertTrue(wait_until(lambda: os.path.exists(started)), "Finish started nothing")
        with open(started) as f:
            self.assertEqual(f.read().strip(), "2")  # the new program, not the old one
        with open(os.path.join(self.program, "tool.bak")) as f:
            self.assertIn("echo 1", f.read())


if __name__ == "__main__":
    unittest.main()
