#!/usr/bin/env python3
"""Times our archive interface against Info-ZIP's `unzip -o` on three archives made here:
(a) `large`, one compressible entry of 256 MiB; (b) `many`, 20,000 small files in 50 folders;
(c) `zip64`, 70,000 small files in 100 folders, for which zipfile writes ZIP64 end records.
Each tool extracts each archive several times, alternating, into a fresh empty folder; the
medians are compared, and our peak RSS is what the driver reports of itself.

Usage: bench_unzip.py DRIVER [RUNS]. Prints one RESULT line per case, last.
"""
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

LARGE_SIZE = 256 << 20
MANY_FILES = 20000
MANY_DIRS = 50
ZIP64_FILES = 70000
ZIP64_DIRS = 100
RUN_DEADLINE = 900  # seconds one extraction may take before the benchmark gives up


def make_large(path):
    """Text-like lines with counters: compressible (about 6:1) but never a plain run."""
    rng = random.Random(7)
    words = [("%x" % rng.getrandbits(24)) * rng.randint(1, 3) for _ in range(512)]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as zf:
        with zf.open("large.bin", "w", force_zip64=False) as out:
            written, line = 0, 0
            while written < LARGE_SIZE:
                lines = []
                for _ in range(16384):
                    lines.append("%09d %s %s %s\n" % (line, words[line % 509], words[line % 311],
                                                      words[line % 127]))
                    line += 1
                chunk = "".join(lines).encode()[: LARGE_SIZE - written]
                out.write(chunk)
                written += len(chunk)


def make_many(path, files=MANY_FILES, dirs=MANY_DIRS, seed=11):
    rng = random.Random(seed)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as zf:
        for i in range(files):
            size = rng.randint(200, 6000)
            body = ("file %05d " % i + "lorem ipsum dolor sit amet %d " % rng.getrandbits(20)) * 100
            zf.writestr("d%02d/f%05d.txt" % (i % dirs, i), body.encode()[:size])


def run(cmd):
    """Runs a command; gives its wall time in seconds and what it printed."""
    start = time.perf_counter()
    try:
        proc = subprocess.run(cmd, stdout=subprocess.PIPE, text=True, timeout=RUN_DEADLINE)
    except subprocess.TimeoutExpired:
        sys.exit("gave up after %d s waiting for: %s" % (RUN_DEADLINE, " ".join(cmd)))
    elapsed = time.perf_counter() - start
    if proc.returncode != 0:
        sys.exit("failed: %s" % " ".join(cmd))
    return elapsed, proc.stdout


def peak_rss_mib(output):
    """The driver's own report of its peak resident set."""
    for line in output.splitlines():
        if line.startswith("vm_hwm_kib="):
            return int(line.split("=")[1]) / 1024.0
    sys.exit("the driver did not report its peak RSS")


def tree_digest(root):
    """Names, sizes and CRC-32 of every file under root, to check both tools agree."""
    digest = {}
    for folder, _, files in os.walk(root):
        for name in files:
            full = os.path.join(folder, name)
            crc = 0
            with open(full, "rb") as f:
                while block := f.read(1 << 20):
                    crc = zlib.crc32(block, crc)
            digest[os.path.relpath(full, root)] = (os.path.getsize(full), crc)
    return digest


def measure(case, archive, driver, runs, work, keep_trees):
    """keep_trees: leave each run's tree until the case ends, so that no deletion of thousands
    of files is still going on in the file system while the next run is timed."""
    ours, peer, rss = [], [], []
    digests = {}
    out = None
    for i in range(runs):
        for tool in ("ours", "peer"):
            if out and not keep_trees:
                shutil.rmtree(out)
            out = os.path.join(work, "out-%s-%d" % (tool, i))
            os.mkdir(out)
            subprocess.run(["sync"], check=False, timeout=RUN_DEADLINE)
            if tool == "ours":
                elapsed, output = run([driver, archive, out])
                ours.append(elapsed)
                rss.append(peak_rss_mib(output))
            else:
                elapsed, _ = run(["unzip", "-o", "-q", archive, "-d", out])
                peer.append(elapsed)
            if i == 0:
                digests[tool] = tree_digest(out)
    for name in os.listdir(work):
        if name.startswith("out-"):
            shutil.rmtree(os.path.join(work, name))
    if digests["ours"] != digests["peer"]:
        sys.exit("%s: our extraction differs from the peer's" % case)
    o, p = statistics.median(ours), statistics.median(peer)
    print("case %s: ours %s peer %s" % (case, ["%.3f" % t for t in ours], ["%.3f" % t for t in peer]),
          file=sys.stderr)
    return "RESULT %s ours=%.3f peer=%.3f ratio=%.3f rss_mib=%.1f" % (case, o, p, o / p, max(rss))


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: bench_unzip.py DRIVER [RUNS]")
    driver = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) == 3 else 5
    if shutil.which("unzip") is None:
        sys.exit("Info-ZIP's unzip is missing (Debian package unzip, installed by scripts/setup.sh)")
    work = tempfile.mkdtemp(prefix="unzip-bench-")
    try:
        large = os.path.join(work, "large.zip")
        many = os.path.join(work, "many.zip")
        zip64 = os.path.join(work, "zip64.zip")
        print("making the archives in %s" % work, file=sys.stderr)
        make_large(large)
        make_many(many)
        make_many(zip64, ZIP64_FILES, ZIP64_DIRS, seed=13)
        lines = [measure("large", large, driver, runs, work, keep_trees=False),
                 measure("many", many, driver, runs, work, keep_trees=True),
                 measure("zip64", zip64, driver, runs, work, keep_trees=True)]
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for line in lines:
        print(line)


if __name__ == "__main__":
    main()
