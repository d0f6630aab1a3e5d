"""Signed archive packs in a real window under Xvfb: with a PublicKey in Update.ini, an archive
signed with the vendor's key (made here with the real minisign tool) installs, and one changed
after signing leaves the old program in place."""

import os
import subprocess
import sys
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tools"))
from pack_server import PackServer  # noqa: E402
from program_dir import PROGRAM, ProgramDirTestCase  # noqa: E402
from xvfb import wait_until  # noqa: E402

def minisign(*args):
    subprocess.run(["minisign", *args], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


class SignedInstall(ProgramDirTestCase):
    def setUp(self):
        super().setUp()
        keys = os.path.join(self.root, "keys")
        os.makedirs(keys)
        self.secret = os.path.join(keys, "vendor.key")
        public = os.path.join(keys, "vendor.pub")
        minisign("-G", "-W", "-p", public, "-s", self.secret)
        with open(public) as f:
            self.public_key = f.read().splitlines()[1]
        self.requests = os.path.join(self.root, "requests.log")
        self.pack = os.path.join(self.packs, "app.zip")
        with zipfile.ZipFile(self.pack, "w", zipfile.ZIP_DEFLATED) as z:
            info = zipfile.ZipInfo("app.exe")
            info.external_attr = 0o755 << 16
            z.writestr(info, PROGRAM.format(version=2))
            z.writestr("notes.txt", "version 2\n")
            z.comment = b"release 2"
        minisign("-S", "-s", self.secret, "-m", self.pack)

    def run_updater(self, done):
        """Runs an update of app.zip until `done` holds, then ends it with Escape."""
        with PackServer(self.packs, self.requests) as server:
            with open(self.path("Update.ini"), "w") as f:
                f.write("[Program]\nAppName=App\n[Update]\nPackNumber=1\nPack1=%s\n"
                        "PublicKey=%s\n" % (server.url("/files/app.zip"), self.public_key))
            env = self.x.env(no_proxy="*", UPDATE_TEST_MARKER=self.marker)
            proc = subprocess.Popen([self.path("Update")], env=env)
            try:
                wid = self.x.wait_for_window("App Update")
                self.assertIsNotNone(wid, "the update window did not appear")
                self.x.key(wid, "Return")
                self.assertTrue(wait_until(done), "the update did not come to its end")
                self.assertTrue(self.x.press_until_exit(wid, "Escape", proc),
                                "Escape did not end the dialog")
                self.assertEqual(proc.returncode, 0)
            finally:
                if proc.poll() is None:
                    proc.kill()

    def test_a_signed_archive_installs(self):
        self.run_updater(lambda: os.path.exists(self.path("notes.txt"))
                         and os.path.exists(self.path("app.bak"))
                         and not os.path.exists(self.path("app.zip")))
        self.assertEqual(self.started_version(), "2")
        with open(self.path("app.bak")) as f:
            self.assertIn("echo 1 ", f.read())

    def test_b_tampered_archive_leaves_the_old_program(self):
        with open(self.pack, "r+b") as f:
            data = f.read()
            f.seek(data.rindex(b"release 2"))
            f.write(b"RELEASE 2")  # the archive stays whole; its signature no longer fits
        before = sorted(os.listdir(self.program) + ["Update.ini"])
        # Done once the signature was fetched and the downloaded pack is gone again.
        self.run_updater(lambda: self.requested("/files/app.zip.minisig")
                         and not any(n.startswith(".") for n in os.listdir(self.program)))
        self.assertEqual(self.started_version(), "1")
        self.assertEqual(sorted(os.listdir(self.program)), before)
        with open(self.path("app.exe")) as f:
            self.assertIn("echo 1 ", f.read())

    def requested(self, path):
        if not os.path.exists(self.requests):
            return False
        with open(self.requests) as f:
            return path in f.read().split()


if __name__ == "__main__":
    unittest.main()
