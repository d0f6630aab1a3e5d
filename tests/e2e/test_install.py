"""Whole updates with archive packs, in a real window under Xvfb, each in a temporary program
directory served by the test server: a good archive, a hostile one, an error page under a
.zip name, and a cancel while the archive downloads."""

import hashlib
import os
import subprocess
import sys
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tools"))
from make_pack_archives import modes_archive  # noqa: E402
from pack_server import PackServer  # noqa: E402
from program_dir import PROGRAM, ProgramDirTestCase  # noqa: E402
from xvfb import wait_until  # noqa: E402

def snapshot(folder):
    """Every file under `folder` with a digest of its content and its mode."""
    found = {}
    for base, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(base, name)
            with open(path, "rb") as f:
                digest = hashlib.sha256(f.read()).hexdigest()
            found[os.path.relpath(path, folder)] = (digest, os.stat(path).st_mode)
    return found


class Install(ProgramDirTestCase):
    def run_updater(self, server, pack_path, steps):
        with open(self.path("Update.ini"), "w") as f:
            f.write("[Program]\nAppName=App\n[Update]\nPackNumber=1\nPack1=%s\n"
                    % server.url(pack_path))
        env = self.x.env(no_proxy="*", UPDATE_TEST_MARKER=self.marker)
        proc = subprocess.Popen([self.path("Update")], env=env)
        self.proc = proc
        try:
            wid = self.x.wait_for_window("App Update")
            self.assertIsNotNone(wid)
            steps(wid)
            self.assertEqual(proc.wait(timeout=20), 0)
        finally:
            if proc.poll() is None:
                proc.kill()

    def update_then_finish(self, done):
        """Enter starts the update; once `done` holds, Enter (Finish) or Escape ends it."""
        def steps(wid):
            self.x.key(wid, "Return")
            self.assertTrue(wait_until(done), "the update did not come to its end")
            self.assertTrue(self.x.press_until_exit(wid, "Escape", self.proc),
                            "Escape did not end the dialog")
        return steps

    def old_program_is_back(self):
        with open(self.path("app.exe")) as f:
            return "echo 1 " in f.read() and not os.path.exists(self.path("app.bak"))

    def test_a_whole_update(self):
        staged = os.path.join(self.root, "app.exe")
        self.write_program(staged, 2)
        with zipfile.ZipFile(os.path.join(self.packs, "app.zip"), "w", zipfile.ZIP_DEFLATED) as z:
            z.write(staged, "app.exe")
            z.writestr("plugins/extra/one.txt", "one\n")  # no directory entries
            z.writestr("plugins/two.txt", "two\n")
        with PackServer(self.packs) as server:
            def steps(wid):
                self.x.key(wid, "Return")
                self.assertTrue(wait_until(lambda: os.path.exists(self.path("plugins", "two.txt"))
                                           and not os.path.exists(self.path("app.zip"))))
                self.assertTrue(self.x.press_until_exit(wid, "Return", self.proc),  # Finish
                                "Finish did not end the dialog")
            self.run_updater(server, "/files/app.zip", steps)
        self.assertEqual(self.started_version(), "2")
        with open(self.path("app.bak")) as f:
            self.assertIn("echo 1 ", f.read())
        with open(self.path("plugins", "extra", "one.txt")) as f:
            self.assertEqual(f.read(), "one\n")
        self.assertFalse(os.path.exists(self.path("app.zip")))
        self.assertEqual([n for n in os.listdir(self.program) if n.startswith(".")], [])

    def test_b_traversal_entry(self):
        with zipfile.ZipFile(os.path.join(self.packs, "app.zip"), "w") as z:
            z.writestr("app.exe", PROGRAM.format(version=2))
            z.writestr("../escaped.txt", "outside\n")
        before_root = sorted(os.listdir(self.root))
        with PackServer(self.packs) as server:
            self.run_updater(server, "/files/app.zip", self.update_then_finish(
                lambda: not os.path.exists(self.path("app.zip")) and self.old_program_is_back()))
        self.assertEqual(self.started_version(), "1")
        self.assertEqual(sorted(n for n in os.listdir(self.root) if n != "started"),
                         [n for n in before_root if n != "started"])
        self.assertFalse(os.path.exists(os.path.join(self.root, "escaped.txt")))

    def test_c_error_page_under_zip_name(self):
        with open(os.path.join(self.packs, "app.zip"), "w") as f:
            f.write("<html><body><h1>Service unavailable</h1></body></html>\n")
        with PackServer(self.packs) as server:
            self.run_updater(server, "/files/app.zip", self.update_then_finish(
                lambda: not os.path.exists(self.path("app.zip")) and self.old_program_is_back()))
        self.assertEqual(self.started_version(), "1")
        self.assertEqual(sorted(os.listdir(self.program)), ["Update", "Update.ini", "app.exe"])

    def test_d_cancel_during_archive_download(self):
        with open(self.path("Update.ini"), "w") as f:
            f.write("")  # rewritten by run_updater; part of the snapshot either way
        with PackServer(self.packs) as server:
            before = None

            def steps(wid):
                nonlocal before
                before = snapshot(self.program)
                self.x.key(wid, "Return")
                self.assertTrue(wait_until(lambda: os.path.exists(self.path(".~update", "1.pack"))),
                                "the download did not begin in the staging area")
                self.x.key(wid, "Escape")  # acts as Cancel while downloading
                self.assertTrue(wait_until(lambda: not os.path.exists(self.path(".~update"))),
                                "the staging area was not removed after the cancel")
                self.assertTrue(self.x.press_until_exit(wid, "Escape", self.proc),  # now Exit
                                "Exit did not end the dialog")
            self.run_updater(server, "/trickle/app.zip?size=2000000&piece=2000&every=20", steps)
        self.assertEqual(snapshot(self.program), before)
        self.assertEqual(self.started_version(), "1")

    def test_e_new_install_with_modes_and_zip64(self):
        """Into a directory without the program: a directory entry with attributes 0, ZIP64
        headers and end record, an executable helper in a subdirectory; Finish starts the
        program the archive brought."""
        os.remove(self.path("app.exe"))
        with open(os.path.join(self.packs, "app.zip"), "wb") as f:
            f.write(modes_archive(0o100644, PROGRAM.format(version=2).encode()))
        with PackServer(self.packs) as server:
            def steps(wid):
                self.x.key(wid, "Return")
                self.assertTrue(wait_until(lambda: os.path.exists(self.path("app.exe"))
                                           and not os.path.exists(self.path("app.zip"))),
                                "the archive was not installed")
                self.assertTrue(self.x.press_until_exit(wid, "Return", self.proc),  # Finish
                                "Finish did not end the dialog")
            self.run_updater(server, "/files/app.zip", steps)
        self.assertEqual(self.started_version(), "2")
        self.assertTrue(os.path.isdir(self.path("conf")))
        self.assertEqual(os.stat(self.path("tools", "bin", "helper")).st_mode & 0o7777, 0o755)
        self.assertEqual(os.stat(self.path("tools", "bin", "setuid")).st_mode & 0o7777, 0o755)
        self.assertEqual(os.stat(self.path("conf", "private.ini")).st_mode & 0o7777, 0o600)
        helper = subprocess.run([self.path("tools", "bin", "helper")], stdout=subprocess.PIPE,
                                text=True, timeout=10)
        self.assertEqual(helper.stdout, "helper\n")


if __name__ == "__main__":
    unittest.main()
