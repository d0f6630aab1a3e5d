#!/usr/bin/env python3
"""Runs one command and prints "<wall seconds> <peak RSS in KiB>" of it; fails when it fails.

The peak RSS is the child's ru_maxrss. Linux carries the high-water mark of the forking
process over the exec, so it is never below this script's own RSS (about 14 MiB): a smaller
command shows that floor instead of its own peak.

Usage: measure.py COMMAND [ARG...]
"""
import os
import subprocess
import sys
import time


def main():
    start = time.perf_counter()
    child = subprocess.Popen(sys.argv[1:])
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit("%s failed with %d" % (sys.argv[1], code))
    print("%.4f %d" % (seconds, usage.ru_maxrss))


if __name__ == "__main__":
    main()
