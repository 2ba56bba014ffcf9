#!/usr/bin/env python3
"""Speed of the payload check plus extraction per byte, under wine64.

Builds two setup files with our build tool, one with a 200 MB payload and one
with a 4 KB payload (four records each), and times, in rounds of four runs
(order reversed every round), (a) the real launcher in its extract-and-exit
mode, quiet, which verifies the payload and extracts it beside the setup
file as a launch does and then ends (leaving its log, in the bench's temp
directory), on each, and (b)
bench_copy, which reads the same range once and then reads it again and
writes it into as many files, in a new directory, with 1 MB buffers (the
same file work without anything else), on each. The ratio is per byte:
(200 MB run - 4 KB run) of the launcher against the same difference of
bench_copy, so that what a start costs whatever its payload (the process,
the start-up work every launch does) is left to the start-up bench. (A
quiet launch without Java would end with exit code 83 and remove what it
extracted at once, a cost per byte that is no part of the extraction.)

Only the process is timed, from its start until it has ended. What each run
leaves (the extraction directory, the copies) is removed before the next
run, untimed, and written back, so that both start from the same state of
the file system and of the page cache. A held semaphore keeps the prefix's wineserver and its
session running throughout: the server that Wine starts on demand ends as
soon as its last program has, and the next program then waits seconds for a
new session (services, devices), a cost no Windows session has and that
fell on either side at random. The CPU time counts the wineserver's share,
as it does much of the file work. The medians, the median of the per-byte
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
from results import (CPU_LINE, SESSION_LINE, alternate, bench_options, machine_line, per_byte_table,  # noqa: E402
                     report, run_checked)

RECORDS = 4
SMALL_BYTES = 4096


def main():
    options = bench_options(15, stub=True, extra=lambda parser: parser.add_argument("--megabytes", type=int, default=200))
    from harness import TOOLS_DIR, WINE, Holder, build_setup, inspect_setup, wine_env, winpath  # noqa: E402

    machine = machine_line()
    work = Path(tempfile.mkdtemp(prefix="extract-bench-"))
    large, small = f"{options.megabytes} MB", f"{SMALL_BYTES // 1024} KB"
    try:
        setups = {large: make_setup(work / "large", options.megabytes * 1024 * 1024, options.stub, build_setup,
                                    inspect_setup),
                  small: make_setup(work / "small", SMALL_BYTES, options.stub, build_setup, inspect_setup)}
        temp = work / "temp"
        temp.mkdir()
        written = [Path(f"{setup}.test") for setup, _, _ in setups.values()]

        def clear():
            # The temp directory holds the copies and the launcher's log,
            # which extract-and-exit leaves.
            for entry in [*temp.iterdir(), *written]:
                if entry.is_dir():
                    shutil.rmtree(entry)
                elif entry.exists():
                    entry.unlink()
            # Nothing an earlier run wrote is still on its way to the disk:
            # write-back in the middle of a run fell on either side at random.
            os.sync()
            # Nothing an earlier run wrote is still on its way to the disk:
            # write-back in the middle of a run fell on either side at random.
            os.sync()

        env = wine_env()
        output = work / "output"

        def launcher(size):
            setup = setups[size][0]
            return lambda: run_checked([WINE, setup, "__tlx_extract_and_exit", "-q", "-temp", winpath(temp)], env,
                                       output)

        def baseline(size):
            setup, start, length = setups[size]
            return lambda: run_checked([WINE, TOOLS_DIR / "bench_copy.exe", winpath(setup), start, length,
                                        winpath(temp / "copy"), RECORDS], env, output)

        runs = {f"{name}, {size}": run(size) for name, run in (("launcher", launcher), ("baseline", baseline))
                for size in (large, small)}
        with Holder("semaphore", f"Local\\tlx-extract-bench-{os.getpid()}", work):
            clear()
            runs[f"baseline, {large}"]()  # reads the setup file into the page cache
            times = alternate(options.pairs, runs, before_each=clear)
            clear()
    finally:
        shutil.rmtree(work, ignore_errors=True)

    lines = [
        f"- {machine}",
        f"- Payloads: {large} and {small}, each in {RECORDS} records; {options.pairs} rounds of four runs",
        "- Launcher: `setup.exe __tlx_extract_and_exit -q -temp DIR` (CRC check, then extraction into "
        "setup.exe.test; its log in DIR), whole process",
        f"- Baseline: `bench_copy.exe` reads the same range once, then reads it again and writes it into "
        f"{RECORDS} files in a new directory, 1 MB buffers, whole process",
        SESSION_LINE,
        CPU_LINE,
        "",
        *per_byte_table(times, "launcher", "baseline", (large, small), 1.25),
    ]
    report("Payload check and extraction", "python3 bench/extract_bench.py", lines, options.stub)


def make_setup(directory, total, stub, build_setup, inspect_setup):
    """A setup file with a payload of total bytes of random data in RECORDS
    records; returns it with its payload's start and length."""
    directory.mkdir(parents=True)
    piece = total // RECORDS
    files = []
    for i in range(RECORDS):
        source = directory / f"part{i}.bin"
        with open(source, "wb") as f:
            f.write(os.urandom(piece))
        files.append((source, f"part{i}.bin"))
    setup = build_setup(directory, settings={107: "1"}, files=files, stub=stub)
    for source, _ in files:
        source.unlink()
    info = inspect_setup(setup)
    return setup, info["payload_start"], info["file_size"] - info["payload_start"]


if __name__ == "__main__":
    main()
