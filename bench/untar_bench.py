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
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from results import ROOT, machine_line, pair_table, replace_section, run_timed  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pairs", type=int, default=7)
    parser.add_argument("--build", default=str(ROOT / "build"))
    options = parser.parse_args()
    os.environ.setdefault("TLX_BUILD_DIR", options.build)
    os.environ.setdefault("WINEPREFIX", str(Path(options.build) / "wineprefix"))
    sys.path.insert(0, str(ROOT / "tests" / "process"))
    from harness import TOOLS_DIR, WINE, Holder, jdk_dir, wine_env, winpath  # noqa: E402

    machine = machine_line()
    work = Path(tempfile.mkdtemp(prefix="untar-bench-"))
    try:
        archive = work / "jre.tar.gz"
        subprocess.run(["tar", "--format=gnu", "-czf", str(archive), "-C", str(jdk_dir()), "."], check=True)
        unpacked = sum(f.stat().st_size for f in jdk_dir().rglob("*") if f.is_file())
        entries = sum(1 for _ in jdk_dir().rglob("*"))
        size = archive.stat().st_size
        target = work / "target"
        env = wine_env()
        output = work / "output"

        def launcher():
            code, wall, cpu = run_timed([WINE, TOOLS_DIR / "untar_bench.exe", winpath(archive), winpath(target)],
                                        env, output)
            assert code == 0, (code, (output / "stderr").read_text(errors="replace"))
            return wall, cpu

        def baseline():
            target.mkdir()
            code, wall, cpu = run_timed(["tar", "xzf", archive, "-C", target], env, output)
            assert code == 0, (code, (output / "stderr").read_text(errors="replace"))
            return wall, cpu

        with Holder("semaphore", f"Local\\tlx-untar-bench-{os.getpid()}", work):
            times = {"launcher": [], "baseline": []}
            for pair in range(options.pairs):
                order = [("launcher", launcher), ("baseline", baseline)]
                for name, action in order if pair % 2 == 0 else reversed(order):
                    shutil.rmtree(target, ignore_errors=True)
                    times[name].append(action())
    finally:
        shutil.rmtree(work, ignore_errors=True)

    lines = [
        f"- {machine}",
        f"- Archive: the Windows JDK 11 fixture, {entries} entries, {unpacked / 1048576:.1f} MB unpacked, "
        f"{size / 1048576:.1f} MB as jre.tar.gz; {options.pairs} alternating pairs",
        "- Launcher: `untar_bench.exe ARCHIVE DIR` (the launcher's untarJre alone: 32 KiB pieces, one log line "
        "per entry), whole process under wine64",
        "- Baseline: `tar xzf ARCHIVE -C DIR` (GNU tar with gzip as a second process), whole process",
        "- The prefix's wineserver is kept running throughout (a held semaphore), as a user's session keeps it",
        "- CPU: user and system time of the process and its children, and of the wineserver meanwhile",
        "",
        *pair_table(times, "launcher", "baseline", 1.5),
    ]
    replace_section("Untar of the included runtime", "python3 bench/untar_bench.py", lines)
    print("\n".join(lines))


if __name__ == "__main__":
    main()
