"""Updates that a kill -9 breaks off, and two updaters in one directory, in real windows under
Xvfb: after a kill during the unpack, a start with the server down shows the old version,
runnable, with nothing left behind, and a start with it up installs the new one."""

import os
import signal
import subprocess
import sys
import time
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tools"))
from pack_server import PackServer  # noqa: E402
from program_dir import PROGRAM, ProgramDirTestCase  # noqa: E402
from xvfb import wait_until  # noqa: E402

def snapshot(folder):
    """Every name under `folder` (hidden ones too) with its mode and, for files, content."""
    found = {}
    for base, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(base, name)
            content = None
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, "rb") as f:
                    content = f.read()
            found[os.path.relpath(path, folder)] = (os.lstat(path).st_mode, content)
    return found


class CrashRecovery(ProgramDirTestCase):
    def setUp(self):
        super().setUp()
        with open(self.path("readme.txt"), "w") as f:
            f.write("version 1\n")

    def write_ini(self, urls):
        with open(self.path("Update.ini"), "w") as f:
            f.write("[Program]\nAppName=App\n[Update]\nPackNumber=%d\n" % len(urls))
            for i, url in enumerate(urls, 1):
                f.write("Pack%d=%s\n" % (i, url))

    def start(self):
        env = self.x.env(no_proxy="*", UPDATE_TEST_MARKER=self.marker)
        return subprocess.Popen([self.path("Update")], env=env)

    def window_of(self, proc):
        """The dialog window of the process `proc` once it is shown, else None."""
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            out = self.x.xdotool("search", "--all", "--onlyvisible", "--pid", str(proc.pid),
                                 "--name", "^App Update$", check=False)
            if out.split():
                return out.split()[0]
            time.sleep(0.1)
        return None

    def end(self, proc, wid, key):
        """Presses `key` until the updater ends: a press that comes before the dialog has
        reached the state where the key ends it is followed by another."""
        self.assertTrue(self.x.press_until_exit(wid, key, proc),
                        "the updater did not end after " + key)
        self.assertEqual(proc.returncode, 0)

    def write_archive(self):
        with zipfile.ZipFile(os.path.join(self.packs, "app.zip"), "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("app.exe", PROGRAM.format(version=2))
            z.writestr("readme.txt", "version 2\n")
            for i in range(28):
                z.writestr("lib/part%02d/file.txt" % i, "part %d\n" % i)
            # Long enough to unpack that the kill lands inside it.
            z.writestr("data/big.bin", bytes(256 << 20))

    def test_kill_during_unpack_then_server_down_then_up(self):
        self.write_archive()
        before = None
        with PackServer(self.packs) as server:
            self.write_ini([server.url("/files/app.zip")])
            before = snapshot(self.program)
            proc = self.start()
            try:
                wid = self.window_of(proc)
                self.assertIsNotNone(wid, "no window")
                self.x.key(wid, "Return")
                self.assertTrue(wait_until(
                    lambda: os.path.exists(self.path(".~update", "1", "readme.txt")), 60),
                    "the unpack into the staging area did not begin")
                proc.send_signal(signal.SIGKILL)
                proc.wait(timeout=10)
            finally:
                if proc.poll() is None:
                    proc.kill()
            self.assertTrue(os.path.exists(self.path(".~update")), "the kill came too late")

        # The server is down: the old version, whole and runnable, and nothing else.
        proc = self.start()
        try:
            wid = self.window_of(proc)
            self.assertIsNotNone(wid, "no window after the kill")
            self.assertEqual(snapshot(self.program), before)
            self.end(proc, wid, "Escape")  # Exit starts the program
        finally:
            if proc.poll() is None:
                proc.kill()
        self.assertEqual(self.started_version(), "1")

        # The server is up again (on a new port): the new version.
        with PackServer(self.packs) as server:
            self.write_ini([server.url("/files/app.zip")])
            proc = self.start()
            try:
                wid = self.window_of(proc)
                self.assertIsNotNone(wid, "no window for the second update")
                self.x.key(wid, "Return")
                self.assertTrue(wait_until(lambda: os.path.exists(self.path("app.bak")), 120),
                                "the second update did not install")
                self.assertTrue(wait_until(
                    lambda: not os.path.exists(self.path(".~update")), 60),
                    "the staging area stayed after the update")
                self.end(proc, wid, "Return")  # Finish
            finally:
                if proc.poll() is None:
                    proc.kill()
        self.assertEqual(self.started_version(), "2")
        with open(self.path("readme.txt")) as f:
            self.assertEqual(f.read(), "version 2\n")
        self.assertEqual(os.path.getsize(self.path("data", "big.bin")), 256 << 20)
        self.assertEqual([n for n in os.listdir(self.program) if n.startswith(".")], [])

    def test_two_updaters_in_one_directory(self):
        self.write_archive()
        with PackServer(self.packs) as server:
            # A slow second pack keeps the first updater at work while the other is pressed.
            self.write_ini([server.url("/files/app.zip"),
                            server.url("/trickle/slow.bin?size=100000&piece=2000&every=100")])
            first, second = self.start(), self.start()
            try:
                first_wid, second_wid = self.window_of(first), self.window_of(second)
                self.assertIsNotNone(first_wid, "no window for the first updater")
                self.assertIsNotNone(second_wid, "no window for the second updater")
                self.x.key(first_wid, "Return")
                self.assertTrue(wait_until(lambda: os.path.exists(self.path(".~update"))),
                                "the first updater did not begin")
                self.x.key(second_wid, "Return")
                # The second was turned away and is back at Update/Exit: Escape is Exit and ends
                # it at once, while the first still downloads.
                self.end(second, second_wid, "Escape")
                self.started_version()  # whichever version is in place by then
                self.assertIsNone(first.poll(), "the first updater ended with the second")
                self.assertTrue(wait_until(lambda: os.path.exists(self.path("slow.bin")) and
                                           not os.path.exists(self.path(".~update")), 60),
                                "the first updater did not finish")
                self.end(first, first_wid, "Return")  # Finish
            finally:
                for proc in (first, second):
                    if proc.poll() is None:
                        proc.kill()
        self.assertEqual(self.started_version(), "2")
        with open(self.path("app.bak")) as f:
            self.assertIn("echo 1 ", f.read())
        self.assertEqual(os.path.getsize(self.path("slow.bin")), 100000)
        self.assertEqual(sorted(n for n in os.listdir(self.program) if n.startswith(".")), [])


if __name__ == "__main__":
    unittest.main()
