"""Runs tests/tools/test_server.py for a Python test: serves a directory under /files/."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "test_server.py")


class PackServer:
    def __init__(self, files_dir, request_log=None):
        """request_log: a file to which the server appends the path of every request."""
        self.files_dir = files_dir
        self.request_log = request_log
        self.work = tempfile.mkdtemp(prefix="update_pack_server_")
        self.process = None
        self.port = None

    def __enter__(self):
        port_file = os.path.join(self.work, "ports.json")
        args = [sys.executable, SCRIPT, "--port-file", port_file, "--dir", self.files_dir]
        if self.request_log:
            args += ["--request-log", self.request_log]
        self.process = subprocess.Popen(
            args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while not os.path.exists(port_file):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise RuntimeError("the test server did not start")
            time.sleep(0.05)
        with open(port_file) as f:
            self.port = json.load(f)["http"]
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=10)
        shutil.rmtree(self.work, ignore_errors=True)

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)
