#!/usr/bin/env python3
"""Speed of the payload check plus extraction, under wine64.

Builds a setup file with a 200 MB payload (four records) with our build tool
and times, in alternating pairs (order swapped every pair), (a) the real
launcher in a quiet launch that verifies, extracts and ends without Java
(exit code 83), and (b) bench_copy, which reads the same range once and then
reads it again and writes it into as many files, in a new directory, with
1 MB buffers: the same file work without anything else.

Only the process is timed, from its start until it has ended. What each run
leaves (the extraction directory, the copies) is removed before the next
run, untimed, so that both start from the same state of the file system and
of the page cache. A held semaphore keeps the prefix's wineserver and its
session running throughout: the server that Wine starts on demand ends as
soon as its last program has, and the next program then waits seconds for a
new session (services, devices), a cost no Windows session has and that
fell on either side at random. The CPU time counts the wineserver's share,
as it does much of the file work. The medians, the median of the pair
ratios and the CPU model go into bench/RESULTS.md. Target: ratio at most 1.25.

    python3 bench/extract_bench.py [--pairs N] [--build BUILD_DIR] [--stub STUB]

With --stub the results are printed only (to compare another stub).
"""
import os
import shutil
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from results import (CPU_LINE, SESSION_LINE, alternate, bench_options, machine_line, pair_table,  # noqa: E402
                     report, run_checked)

RECORDS = 4


def main():
    options = bench_options(9, stub=True, extra=lambda parser: parser.add_argument("--megabytes", type=int, default=200))
    from harness import TOOLS_DIR, WINE, Holder, build_setup, inspect_setup, wine_env, winpath  # noqa: E402

    machine = machine_line()
    work = Path(tempfile.mkdtemp(prefix="extract-bench-"))
    try:
        piece = options.megabytes * 1024 * 1024 // RECORDS
        files = []
        for i in range(RECORDS):
            source = work / f"part{i}.bin"
            with open(source, "wb") as f:
                f.write(os.urandom(piece))
            files.append((source, f"part{i}.bin"))
        setup = build_setup(work, settings={107: "1"}, files=files, stub=options.stub)
        for source, _ in files:
            source.unlink()
        info = inspect_setup(setup)
        start = info["payload_start"]
        length = info["file_size"] - start
        temp = work / "temp"
        temp.mkdir()

        def clear():
            for entry in temp.iterdir():
                shutil.rmtree(entry) if entry.is_dir() else entry.unlink()

        env = wine_env()
        output = work / "output"

        def launcher():
            return run_checked([WINE, setup, "-q", "-temp", winpath(temp)], env, output, expected=83)

        def baseline():
            return run_checked([WINE, TOOLS_DIR / "bench_copy.exe", winpath(setup), start, length,
                                winpath(temp / "copy"), RECORDS], env, output)

        with Holder("semaphore", f"Local\\tlx-extract-bench-{os.getpid()}", work):
            clear()
            baseline()  # reads the setup file into the page cache
            times = alternate(options.pairs, {"launcher": launcher, "baseline": baseline}, before_each=clear)
            clear()
    finally:
        shutil.rmtree(work, ignore_errors=True)

    lines = [
        f"- {machine}",
        f"- Payload: {length / 1048576:.0f} MB in {RECORDS} records; {options.pairs} alternating pairs",
        "- Launcher: `setup.exe -q -temp DIR` (CRC check, then extraction, exit 83 without Java), whole process",
        f"- Baseline: `bench_copy.exe` reads the same range once, then reads it again and writes it into "
        f"{RECORDS} files in a new directory, 1 MB buffers, whole process",
        SESSION_LINE,
        CPU_LINE,
        "",
        *pair_table(times, "launcher", "baseline", 1.25),
    ]
    report("Payload check and extraction", "python3 bench/extract_bench.py", lines, options.stub)


if __name__ == "__main__":
    main()
