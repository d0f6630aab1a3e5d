#!/usr/bin/env python3
"""One download by the real Update executable under a private Xvfb: times from the Return
key (Update) until the pack is in place with its full size, then ends the dialog with
Escape, and prints "<seconds> <peak RSS in KiB>" of the Update process.

The worker downloads to a hidden temporary file and renames it to the pack's name when the
body is complete, so the pack's name with the full size marks the end of the transfer. The
start-up of the process and of the X server is not timed.

The peak RSS is the process's ru_maxrss from os.wait4. Linux carries the high-water mark of
the process that forked over the exec, so the figure is at least this script's own RSS
(about 14 MiB); the dialog's is well above that, so the figure is the dialog's.

Usage: dialog_bench.py UPDATE_EXE URL PROGRAM_DIR SIZE_BYTES
"""

import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "tools"))
from xvfb import Xvfb  # noqa: E402

RUN_LIMIT = 600.0  # seconds for the download
EXIT_LIMIT = 20.0  # seconds for the process to end after Escape


def write_program_dir(exe, url, program_dir):
    shutil.copy(exe, os.path.join(program_dir, "Update"))
    with open(os.path.join(program_dir, "Update.ini"), "w") as f:
        f.write("[Program]\nAppName=Bench\n[Update]\nPackNumber=1\nPack1=%s\n" % url)


def pack_size(path):
    try:
        return os.stat(path).st_size
    except FileNotFoundError:
        return -1


def wait_for_pack(proc, pack, size):
    """Polls until the pack has its full size; fails when the process ends first."""
    deadline = time.monotonic() + RUN_LIMIT
    while pack_size(pack) != size:
        if proc.poll() is not None:
            raise RuntimeError("the updater ended before the pack was in place")
        if time.monotonic() > deadline:
            raise RuntimeError("the pack did not arrive")
        time.sleep(0.001)


def wait_for_exit(proc):
    """Reaps the process; gives its exit code and ru_maxrss."""
    deadline = time.monotonic() + EXIT_LIMIT
    while time.monotonic() < deadline:
        pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
        if pid == proc.pid:
            proc.returncode = os.waitstatus_to_exitcode(status)
            return proc.returncode, usage.ru_maxrss
        time.sleep(0.01)
    raise RuntimeError("the updater did not end after Escape")


def run(x, program_dir, pack, size):
    env = x.env(no_proxy="*")  # the server is on loopback
    proc = subprocess.Popen([os.path.join(program_dir, "Update")], env=env)
    try:
        wid = x.wait_for_window("Bench Update")
        if wid is None:
            raise RuntimeError("no window titled 'Bench Update'")
        x.xdotool("windowfocus", "--sync", wid)
        time.sleep(0.3)  # let the focus settle before the clock starts
        start = time.perf_counter()
        x.xdotool("key", "Return")
        wait_for_pack(proc, pack, size)
        seconds = time.perf_counter() - start
        time.sleep(0.5)  # the worker puts the dialog into Finished after the rename
        x.key(wid, "Escape")
        code, rss_kib = wait_for_exit(proc)
    finally:
        if proc.returncode is None:
            proc.send_signal(signal.SIGKILL)
            proc.wait()
    if code != 0:
        raise RuntimeError("the updater ended with %d" % code)
    return seconds, rss_kib


def main(exe, url, program_dir, size):
    write_program_dir(exe, url, program_dir)
    pack = os.path.join(program_dir, url.rsplit("/", 1)[1])
    try:
        with Xvfb() as x:
            seconds, rss_kib = run(x, program_dir, pack, int(size))
    except RuntimeError as e:
        sys.exit("dialog_bench: %s" % e)
    print("%.4f %d" % (seconds, rss_kib))


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:5])
