"""The program directory of a real-window test, in a temporary folder per test: version 1 of
a small program app.exe that tells which version was started, and the updater from
UPDATE_EXE; packs go into self.packs."""

import os
import shutil

from xvfb import XvfbTestCase, wait_until

# The program tells which version was started, in a file outside the program directory.
PROGRAM = '#!/bin/sh\necho {version} > "$UPDATE_TEST_MARKER"\n'


def write_program(path, version):
    with open(path, "w") as f:
        f.write(PROGRAM.format(version=version))
    os.chmod(path, 0o755)


class ProgramDirTestCase(XvfbTestCase):
    write_program = staticmethod(write_program)

    def setUp(self):
        super().setUp()
        self.packs = os.path.join(self.root, "packs")
        self.program = os.path.join(self.root, "program")
        self.marker = os.path.join(self.root, "started")
        os.makedirs(self.packs)
        os.makedirs(self.program)
        write_program(self.path("app.exe"), 1)
        shutil.copy(os.environ["UPDATE_EXE"], self.path("Update"))

    def path(self, *parts):
        return os.path.join(self.program, *parts)

    def started_version(self):
        """The version the last start ran; the marker goes, so the next start is seen anew."""
        self.assertTrue(wait_until(lambda: os.path.exists(self.marker)), "no program started")
        with open(self.marker) as f:
            version = f.read().strip()
        os.remove(self.marker)
        return version
