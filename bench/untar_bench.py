#!/usr/bin/env python3
"""Speed of the launcher's untar of an included runtime, under wine64.

Tars the Windows JDK fixture into a jre.tar.gz (GNU tar, gzip level 6, as a
product build would) and times, in alternating pairs (order swapped every
pair), (a) untar_bench.exe, the launcher's own untarJre alone in a process,
unpacking it into a new directory, and (b) `tar xzf` of the same archive on
this machine (GNU tar with gzip as a second process). What a run unpacked is
removed before the next run, untimed. A held semaphore keeps the prefix's
wineserver running throughout, so that no run pays for a new Wine session.
The CPU time counts the wineserver's share. The medians and the median of
the pair ratios go into bench/RESULTS.md. Target: ratio at most 1.5.

    python3 bench/untar_bench.py [--pairs N] [--build BUILD_DIR]
"""
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from results import (CPU_LINE, SESSION_LINE, alternate, bench_options, machine_line, per_byte_table,  # noqa: E402
                     report, run_checked)

SMALL_BYTES = 4096


def main():
    options = bench_options(7)
    from harness import TOOLS_DIR, WINE, Holder, jdk_dir, wine_env, winpath  # noqa: E402

    machine = machine_line()
    work = Path(tempfile.mkdtemp(prefix="untar-bench-"))
    large, small = "JDK", f"{SMALL_BYTES // 1024} KB"
    try:
        archives = {large: work / "jre.tar.gz", small: work / "small.tar.gz"}
        subprocess.run(["tar", "--format=gnu", "-czf", str(archives[large]), "-C", str(jdk_dir()), "."], check=True)
        (work / "small").mkdir()
        (work / "small" / "file.bin").write_bytes(os.urandom(SMALL_BYTES))
        subprocess.run(["tar", "--format=gnu", "-czf", str(archives[small]), "-C", str(work / "small"), "."],
                       check=True)
        unpacked = sum(f.stat().st_size for f in jdk_dir().rglob("*") if f.is_file())
        entries = sum(1 for _ in jdk_dir().rglob("*"))
        size = archives[large].stat().st_size
        target = work / "target"
        env = wine_env()
        output = work / "output"

        def launcher(size):
            def run():
                _, cpu = run_checked([WINE, TOOLS_DIR / "untar_bench.exe", winpath(archives[size]), winpath(target)],
                                     env, output)
                return float((output / "stdout").read_text().split()[1]), cpu
            return run

        def baseline(size):
            def run():
                target.mkdir()
                return run_checked(["tar", "xzf", archives[size], "-C", target], env, output)
            return run

        runs = {f"{name}, {size}": run(size) for name, run in (("launcher", launcher), ("baseline", baseline))
                for size in (large, small)}
        with Holder("semaphore", f"Local\\tlx-untar-bench-{os.getpid()}", work):
            times = alternate(options.pairs, runs, before_each=lambda: shutil.rmtree(target, ignore_errors=True))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    lines = [
        f"- {machine}",
        f"- Archives: the Windows JDK 11 fixture, {entries} entries, {unpacked / 1048576:.1f} MB unpacked, "
        f"{size / 1048576:.1f} MB as jre.tar.gz; and one of a single {small} file; {options.pairs} rounds of four runs",
        "- Launcher: `untar_bench.exe ARCHIVE DIR` (the launcher's untarJre alone: 32 KiB pieces, one log line "
        "per entry), the untar timed inside the process under wine64, CPU of the whole process",
        "- Baseline: `tar xzf ARCHIVE -C DIR` (GNU tar with gzip as a second process), whole process",
        SESSION_LINE,
        CPU_LINE,
        "",
        *per_byte_table(times, "launcher", "baseline", (large, small), 1.5),
    ]
    report("Untar of the included runtime", "python3 bench/untar_bench.py", lines)


if __name__ == "__main__":
    main()
