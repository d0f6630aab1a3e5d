#!/usr/bin/env python3
"""One download by the real Update executable under a private Xvfb: times from the Return
key (Update) until the pack is in place with its full size, then ends the dialog, and prints
"<seconds> <peak RSS in KiB>" of the Update process.

Usage: dialog_bench.py UPDATE_EXE URL PROGRAM_DIR SIZE_BYTES
"""

import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "tools"))
from xvfb import Xvfb  # noqa: E402


def main(exe, url, program_dir, size):
    size = int(size)
    shutil.copy(exe, os.path.join(program_dir, "Update"))
    with open(os.path.join(program_dir, "Update.ini"), "w") as f:
        f.write("[Program]\nAppName=Bench\n[Update]\nPackNumber=1\nPack1=%s\n" % url)
    pack = os.path.join(program_dir, url.rsplit("/", 1)[1])
    with Xvfb() as x:
        proc = subprocess.Popen([os.path.join(program_dir, "Update")], env=x.env(no_proxy="*"))
        wid = x.wait_for_window("Bench Update")
        if wid is None:
            proc.kill()
            sys.exit("no dialog")
        x.xdotool("windowfocus", "--sync", wid)
        time.sleep(0.3)
        start = time.perf_counter()
        x.xdotool("key", "Return")
        while not (os.path.exists(pack) and os.path.getsize(pack) == size):
            if proc.poll() is not None:
                sys.exit("the updater ended early")
            time.sleep(0.002)
        seconds = time.perf_counter() - start
        time.sleep(0.5)  # the worker puts the dialog into Finished
        x.key(wid, "Escape")
        _, status, usage = os.wait4(proc.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("the updater failed")
    print("%.4f %d" % (seconds, usage.ru_maxrss))


if __name__ == "__main__":
    main(*sys.argv[1:5])
