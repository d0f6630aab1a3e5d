"""The Windows build in a real window: Update.exe under Wine and a private Xvfb, in a program
directory with version 1 of a small Windows program. Enter runs a whole update of an archive
pack from the test server and Finish starts version 2; a pack the server does not have
leaves version 1, which Finish starts. With a public key in Update.ini, an archive signed
with it (by the real minisign tool) installs and a changed one leaves version 1."""

import filecmp
import os
import shutil
import subprocess
import sys
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tools"))
from pack_server import PackServer  # noqa: E402
from xvfb import XvfbTestCase, wait_until  # noqa: E402

EXE = os.environ["UPDATE_EXE"]
APP_V1 = os.environ["TINY_APP_V1"]
APP_V2 = os.environ["TINY_APP_V2"]
WINE_RUN = os.environ["WINE_RUN"]
SCREENSHOTS = os.environ.get("UPDATE_SCREENSHOT_DIR")


def windows_path(path):
    """A Linux path as Wine's Z: drive shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class WindowsUpdate(XvfbTestCase):
    def setUp(self):
        super().setUp()
        self.packs = os.path.join(self.root, "packs")
        self.program = os.path.join(self.root, "program")
        self.marker = os.path.join(self.root, "started.txt")
        os.makedirs(self.packs)
        os.makedirs(self.program)
        shutil.copy(APP_V1, self.path("app.exe"))
        shutil.copy(EXE, self.path("Update.exe"))

    def path(self, *parts):
        return os.path.join(self.program, *parts)

    def run_updater(self, server, pack_path, done, screenshot=None, public_key=None):
        """Starts Update.exe, presses Enter, waits until `done` holds, then presses Enter
        (Finish) until the program has ended."""
        with open(self.path("Update.ini"), "w") as f:
            f.write("[Program]\nAppName=App\nWebsite=https://app.example.org\n"
                    "[Update]\nPackNumber=1\nPack1=%s\n" % server.url(pack_path))
            if public_key:
                f.write("PublicKey=%s\n" % public_key)
        env = self.x.env(no_proxy="*", UPDATE_TEST_MARKER=windows_path(self.marker))
        for name in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY"):
            env.pop(name, None)
        proc = subprocess.Popen([WINE_RUN, self.path("Update.exe")], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wid = self.x.wait_for_window("App Update", timeout=60)
            self.assertIsNotNone(wid, "no window titled 'App Update' appeared")
            self.x.key(wid, "Return")
            if not wait_until(done, timeout=60):
                if SCREENSHOTS:
                    os.makedirs(SCREENSHOTS, exist_ok=True)
                    self.x.screenshot(os.path.join(SCREENSHOTS, "windows_update_stuck.png"), wid)
                self.fail("the update did not come to its end: %s" % os.listdir(self.program))
            if screenshot and SCREENSHOTS:
                os.makedirs(SCREENSHOTS, exist_ok=True)
                # The worker's last texts follow its last file operation.
                wait_until(lambda: False, timeout=1.0)
                self.x.screenshot(os.path.join(SCREENSHOTS, screenshot), wid)
            self.assertTrue(self.x.press_until_exit(wid, "Return", proc, timeout=30),
                            "Finish did not end the dialog")
            self.assertEqual(proc.wait(timeout=10), 0)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait(timeout=10)

    def started_version(self):
        self.assertTrue(wait_until(lambda: os.path.exists(self.marker), timeout=30),
                        "Finish started no program")
        with open(self.marker) as f:
            return f.read().strip()

    def write_signed_archive(self, change_after_signing=False):
        """app.zip with version 2, signed with a key made here; gives the public key line."""
        pack = os.path.join(self.packs, "app.zip")
        with zipfile.ZipFile(pack, "w", zipfile.ZIP_DEFLATED) as z:
            z.write(APP_V2, "app.exe")
            z.comment = b"signed"
        public, secret = os.path.join(self.root, "key.pub"), os.path.join(self.root, "key.sec")
        for args in (["-G", "-f", "-W", "-p", public, "-s", secret],
                     ["-S", "-s", secret, "-m", pack]):
            subprocess.run(["minisign", *args], check=True, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, timeout=60)
        if change_after_signing:
            # The archive stays whole: only its comment changes.
            with open(pack, "r+b") as f:
                f.seek(-1, os.SEEK_END)
                f.write(b"S")
        with open(public) as f:
            return f.read().splitlines()[1]

    def leftovers(self):
        return [n for n in os.listdir(self.program) if n.startswith(".")]

    def test_a_whole_archive_update(self):
        with zipfile.ZipFile(os.path.join(self.packs, "app.zip"), "w", zipfile.ZIP_DEFLATED) as z:
            z.write(APP_V2, "app.exe")
            z.writestr("data/readme.txt", "version 2\r\n")
        with PackServer(self.packs) as server:
            self.run_updater(
                server, "/files/app.zip",
                lambda: os.path.exists(self.path("data", "readme.txt")) and not self.leftovers(),
                screenshot="windows_update_done.png")
        self.assertEqual(self.started_version(), "2")
        self.assertTrue(filecmp.cmp(self.path("app.exe"), APP_V2, shallow=False))
        self.assertTrue(filecmp.cmp(self.path("app.bak"), APP_V1, shallow=False))
        with open(self.path("data", "readme.txt"), "rb") as f:
            self.assertEqual(f.read(), b"version 2\r\n")
        self.assertFalse(os.path.exists(self.path("app.zip")))
        self.assertEqual(self.leftovers(), [])

    def test_b_missing_pack_keeps_version_1(self):
        with PackServer(self.packs) as server:
            before = sorted(os.listdir(self.program)) + ["Update.ini"]
            self.run_updater(
                server, "/files/app.zip",
                lambda: os.path.exists(self.path("Update.ini")) and not self.leftovers()
                and os.path.exists(self.path("app.exe")), screenshot=None)
        self.assertEqual(self.started_version(), "1")
        self.assertTrue(filecmp.cmp(self.path("app.exe"), APP_V1, shallow=False))
        self.assertEqual(sorted(os.listdir(self.program)), sorted(before))

    def test_c_signed_archive_installs(self):
        key = self.write_signed_archive()
        with PackServer(self.packs) as server:
            self.run_updater(
                server, "/files/app.zip",
                lambda: os.path.exists(self.path("app.bak")) and not self.leftovers(),
                public_key=key)
        self.assertEqual(self.started_version(), "2")
        self.assertTrue(filecmp.cmp(self.path("app.exe"), APP_V2, shallow=False))

    def test_d_changed_signed_archive_keeps_version_1(self):
        key = self.write_signed_archive(change_after_signing=True)
        with PackServer(self.packs) as server:
            self.run_updater(
                server, "/files/app.zip",
                lambda: os.path.exists(self.path("Update.ini")) and not self.leftovers(),
                public_key=key)
        self.assertEqual(self.started_version(), "1")
        self.assertTrue(filecmp.cmp(self.path("app.exe"), APP_V1, shallow=False))
        self.assertEqual(sorted(os.listdir(self.program)), ["Update.exe", "Update.ini", "app.exe"])


if __name__ == "__main__":
    unittest.main()
