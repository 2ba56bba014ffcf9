#!/usr/bin/env python3
"""Deferred deletion of a long list with entries that stay locked, under wine64.

Makes 10,000 files (100 directories of 100 files) and lists them, with
their directories, in a deletion list as the launcher and the runtime write
it. The files of one directory, 100 of them, are held open without sharing
by tests/tools/holder.exe for longer than the handler runs, so the handler
makes all its 60 passes, 500 ms apart (29.5 s of pauses), before it gives
up on them. Times the launcher's deletion mode (`launcher.exe __tlx_windel
LIST`), the whole process, and checks what it left: the locked files and
their directory, nothing else. Target: at most 40 s.

    python3 bench/deletion_bench.py [--pairs RUNS] [--build BUILD_DIR] [--stub STUB]

With --stub the results are printed only (to compare another stub).
"""
import os
import shutil
import statistics
import sys
import tempfile
import uuid
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from results import CPU_LINE, SESSION_LINE, bench_options, machine_line, report, run_checked  # noqa: E402

DIRECTORIES = 100
FILES_PER_DIRECTORY = 100
TARGET_SECONDS = 40.0


def main():
    options = bench_options(2, stub=True)
    from harness import STUB_X64, TOOLS_DIR, WINE, Holder, wine_env, winpath  # noqa: E402

    stub = Path(options.stub) if options.stub else STUB_X64
    machine = machine_line()
    work = Path(tempfile.mkdtemp(prefix="deletion-bench-"))
    times = []
    try:
        env = wine_env()
        for run in range(options.pairs):
            root = work / f"run{run}"
            directories = [root / f"d{d:03}" for d in range(DIRECTORIES)]
            files = []
            for directory in directories:
                directory.mkdir(parents=True)
                for f in range(FILES_PER_DIRECTORY):
                    path = directory / f"file{f:03}.dat"
                    path.write_bytes(b"x")
                    files.append(path)
            locked = directories[0]
            lines = [f"tlx-deletion-bench-{uuid.uuid4().hex}", "no_restart", "EOSMARKER", "EOSMARKER",
                     *[winpath(f) for f in files], "", *[winpath(d) for d in directories], winpath(root)]
            deletion_list = work / f"list{run}.lst"
            deletion_list.write_bytes("".join(line + "\n" for line in lines).encode("utf-16-le"))
            with Holder("files", winpath(locked), work):
                times.append(run_checked([WINE, stub, "__tlx_windel", winpath(deletion_list)], env, work / "output"))
                left = sorted(p.relative_to(root).as_posix() for p in root.rglob("*"))
            expected = sorted([locked.name] + [f"{locked.name}/{p.name}" for p in locked.iterdir()])
            assert left == expected and len(left) == FILES_PER_DIRECTORY + 1, left[:5]
            assert not deletion_list.exists()
            shutil.rmtree(root)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    walls = [wall for wall, _ in times]
    cpus = [cpu for _, cpu in times]
    entries = DIRECTORIES * FILES_PER_DIRECTORY
    lines = [
        f"- {machine}",
        f"- List: {entries} files in {DIRECTORIES} directories, with the directories and their parent; "
        f"the {FILES_PER_DIRECTORY} files of one directory held open without sharing (tests/tools/holder.exe) "
        "for longer than the handler runs, mode \"no_restart\"; the writer's semaphore is gone",
        "- Deletion mode: `launcher.exe __tlx_windel LIST`, whole process; 60 passes, 500 ms apart, then it "
        "leaves the locked files and their directory (checked, and that everything else is gone)",
        SESSION_LINE.replace("(a held semaphore)", "(the holder)"),
        CPU_LINE,
        "",
        "| run | wall (s) | CPU (s) |",
        "|---|---|---|",
        *[f"| {i + 1} | {wall:.1f} | {cpu:.1f} |" for i, (wall, cpu) in enumerate(times)],
        "",
        f"Median: **{statistics.median(walls):.1f} s** wall time (target: at most {TARGET_SECONDS:.0f} s), "
        f"{statistics.median(cpus):.1f} s CPU time",
    ]
    report("Deferred deletion of a long list", "python3 bench/deletion_bench.py", lines, options.stub)


if __name__ == "__main__":
    main()
