#!/usr/bin/env python3
"""Runs one command while tests/tools/test_server.py serves on 127.0.0.1, for test programs
that cannot start it themselves (the Windows build's, under Wine).

  with_test_server.py [--dir DIR] -- COMMAND...

The command sees the server's port as UPDATE_TEST_HTTP_PORT, and no proxy. It gets 120 s;
the server is stopped afterwards. The exit status is the command's.
"""

import json
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
START_LIMIT_S = 20
COMMAND_LIMIT_S = 120


def main():
    args = sys.argv[1:]
    files_dir = None
    if args[:1] == ["--dir"]:
        files_dir, args = args[1], args[2:]
    if args[:1] == ["--"]:
        args = args[1:]
    with tempfile.TemporaryDirectory(prefix="with-test-server-") as work:
        port_file = os.path.join(work, "ports.json")
        server_args = [sys.executable, os.path.join(HERE, "test_server.py"),
                       "--port-file", port_file]
        if files_dir:
            server_args += ["--dir", files_dir]
        server = subprocess.Popen(server_args, stdout=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + START_LIMIT_S
            while not os.path.exists(port_file):
                if server.poll() is not None or time.monotonic() > deadline:
                    sys.exit(f"with_test_server.py: the test server did not listen within "
                             f"{START_LIMIT_S} s")
                time.sleep(0.05)
            with open(port_file) as f:
                ports = json.load(f)
            env = dict(os.environ, UPDATE_TEST_HTTP_PORT=str(ports["http"]),
                       no_proxy="*", NO_PROXY="*")
            for name in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy"):
                env.pop(name, None)
            try:
                return subprocess.run(args, env=env, timeout=COMMAND_LIMIT_S).returncode
            except subprocess.TimeoutExpired:
                sys.exit(f"with_test_server.py: {args[0]} did not end within "
                         f"{COMMAND_LIMIT_S} s")
        finally:
            server.terminate()
            try:
                server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                server.kill()
                server.wait(timeout=10)


if __name__ == "__main__":
    sys.exit(main())
