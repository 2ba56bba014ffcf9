#!/usr/bin/env python3
"""Speed of the payload check plus extraction, under wine64.

Builds a setup file with a 200 MB payload (four records) with our build tool
and times, over several runs each, (a) the real launcher in a quiet launch
that verifies, extracts and ends without Java (exit code 83), and (b)
bench_copy, which reads the same range once and then reads and writes it
again with 1 MB buffers. Writes the medians and their ratio, with the
machine and the date, to bench/RESULTS.md. Target: ratio at most 1.5.

    python3 bench/extract_bench.py [--runs N] [--build BUILD_DIR]
"""
import argparse
import datetime
import os
import platform
import shutil
import statistics
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--build", default=str(ROOT / "build"))
    parser.add_argument("--megabytes", type=int, default=200)
    options = parser.parse_args()
    os.environ.setdefault("TLX_BUILD_DIR", options.build)
    os.environ.setdefault("WINEPREFIX", str(Path(options.build) / "wineprefix"))
    sys.path.insert(0, str(ROOT / "tests" / "process"))
    from harness import TOOLS_DIR, build_setup, inspect_setup, run_wine, winpath  # noqa: E402

    work = Path(tempfile.mkdtemp(prefix="extract-bench-"))
    try:
        piece = options.megabytes * 1024 * 1024 // 4
        files = []
        for i in range(4):
            source = work / f"part{i}.bin"
            with open(source, "wb") as f:
                f.write(os.urandom(piece))
            files.append((source, f"part{i}.bin"))
        setup = build_setup(work, settings={107: "1"}, files=files)
        info = inspect_setup(setup)
        start = info["payload_start"]
        length = info["file_size"] - start
        temp = work / "temp"
        temp.mkdir()
        run_wine(TOOLS_DIR / "bench_copy.exe", ["--warm-up"])  # starts the wineserver

        def launcher():
            run = run_wine(setup, ["-q", "-temp", winpath(temp)], timeout=600)
            assert run.code == 83, (run.code, run.stderr)
            for d in temp.glob("kvo*"):
                shutil.rmtree(d) if d.is_dir() else d.unlink()

        def baseline():
            out = temp / "copy.bin"
            run = run_wine(TOOLS_DIR / "bench_copy.exe", [winpath(setup), start, length, winpath(out)], timeout=600)
            assert run.code == 0, (run.code, run.stderr)
            out.unlink()

        times = {"launcher": [], "baseline": []}
        for _ in range(options.runs):
            for name, action in (("baseline", baseline), ("launcher", launcher)):
                began = time.monotonic()
                action()
                times[name].append(time.monotonic() - began)
        medians = {name: statistics.median(values) for name, values in times.items()}
        ratio = medians["launcher"] / medians["baseline"]
    finally:
        shutil.rmtree(work, ignore_errors=True)

    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo") if line.startswith("model name")),
               platform.processor())
    report = [
        "# Payload check and extraction speed",
        "",
        f"- Date: {datetime.date.today().isoformat()}",
        f"- Machine: {platform.system()} {platform.release()}, {cpu}, {os.cpu_count()} cores; wine64",
        f"- Payload: {length / 1048576:.0f} MB in 4 records; {options.runs} runs each, medians",
        "- Launcher: `setup.exe -q -temp DIR` (CRC check and extraction in 1 MB pieces, "
        "exit 83 without Java), whole process",
        "- Baseline: `bench_copy.exe` reads the same range once, then reads and writes it with 1 MB buffers, "
        "whole process",
        "",
        "| | median (s) | runs (s) |",
        "|---|---|---|",
    ]
    for name in ("launcher", "baseline"):
        report.append(f"| {name} | {medians[name]:.3f} | {', '.join(f'{t:.3f}' for t in times[name])} |")
    report += ["", f"Ratio launcher / baseline: **{ratio:.2f}** (target: at most 1.5)", ""]
    sys.path.insert(0, str(ROOT / "bench"))
    from results import write_section  # noqa: E402
    write_section(report)
    print("\n".join(report))


if __name__ == "__main__":
    main()
