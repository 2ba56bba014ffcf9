#!/usr/bin/env python3
"""Speed of the launcher's untar of an included runtime, under wine64.

Tars the Windows JDK fixture into a jre.tar.gz (GNU tar, gzip level 6, as a
product build would) and times, over several runs each, (a) untar_bench.exe,
the launcher's own untarJre alone in a process, unpacking it into a fresh
directory, and (b) `tar xzf` of the same archive on this machine. Writes the
medians and their ratio, with the machine and the date, to its section of
bench/RESULTS.md. Target: ratio at most 1.5.

    python3 bench/untar_bench.py [--runs N] [--build BUILD_DIR]
"""
import argparse
import datetime
import os
import platform
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--build", default=str(ROOT / "build"))
    options = parser.parse_args()
    os.environ.setdefault("TLX_BUILD_DIR", options.build)
    os.environ.setdefault("WINEPREFIX", str(Path(options.build) / "wineprefix"))
    sys.path.insert(0, str(ROOT / "tests" / "process"))
    sys.path.insert(0, str(ROOT / "bench"))
    from harness import TOOLS_DIR, jdk_dir, run_wine, winpath  # noqa: E402
    from results import write_section  # noqa: E402

    work = Path(tempfile.mkdtemp(prefix="untar-bench-"))
    try:
        archive = work / "jre.tar.gz"
        subprocess.run(["tar", "--format=gnu", "-czf", str(archive), "-C", str(jdk_dir()), "."], check=True)
        unpacked = sum(f.stat().st_size for f in jdk_dir().rglob("*") if f.is_file())
        entries = sum(1 for _ in jdk_dir().rglob("*"))
        # A wineserver that ends between two runs (3 s after its last client
        # by default) would put its next start-up into the launcher's time.
        subprocess.run(["/usr/lib/wine/wineserver", "-p30"], check=True)
        run_wine(TOOLS_DIR / "untar_bench.exe", [])

        def launcher(target):
            run = run_wine(TOOLS_DIR / "untar_bench.exe", [winpath(archive), winpath(target)], timeout=600)
            assert run.code == 0, (run.code, run.stderr)

        def baseline(target):
            target.mkdir()
            subprocess.run(["tar", "xzf", str(archive), "-C", str(target)], check=True)

        def cpu():
            used = resource.getrusage(resource.RUSAGE_CHILDREN)
            return used.ru_utime + used.ru_stime

        times = {"launcher": [], "baseline": []}
        cpus = {"launcher": [], "baseline": []}
        for i in range(options.runs):
            for name, action in (("baseline", baseline), ("launcher", launcher)):
                target = work / f"{name}{i}"
                subprocess.run(["sync"], check=True)
                began, began_cpu = time.monotonic(), cpu()
                action(target)
                times[name].append(time.monotonic() - began)
                cpus[name].append(cpu() - began_cpu)
                shutil.rmtree(target)
        medians = {name: statistics.median(values) for name, values in times.items()}
        cpu_medians = {name: statistics.median(values) for name, values in cpus.items()}
        ratio = medians["launcher"] / medians["baseline"]
        cpu_ratio = cpu_medians["launcher"] / cpu_medians["baseline"]
        load = os.getloadavg()[0]
        size = archive.stat().st_size
    finally:
        shutil.rmtree(work, ignore_errors=True)

    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo") if line.startswith("model name")),
               platform.processor())
    report = [
        "# Untar of the included runtime",
        "",
        f"- Date: {datetime.date.today().isoformat()}",
        f"- Machine: {platform.system()} {platform.release()}, {cpu}, {os.cpu_count()} cores; wine64",
        f"- Archive: the Windows JDK 11 fixture, {entries} entries, {unpacked / 1048576:.1f} MB unpacked, "
        f"{size / 1048576:.1f} MB as jre.tar.gz; {options.runs} runs each, medians",
        "- Launcher: `untar_bench.exe ARCHIVE DIR` (the launcher's untarJre alone: 32 KiB pieces, "
        "one log line per entry), whole process under wine64",
        "- Baseline: `tar xzf ARCHIVE -C DIR` (GNU tar with gzip as a second process), whole process",
        f"- Load average at the end: {load:.1f} (on {os.cpu_count()} cores); CPU time is user plus system time "
        "of the process and its children (the wineserver's share is not counted)",
        "",
        "| | median wall (s) | runs wall (s) | median CPU (s) |",
        "|---|---|---|---|",
    ]
    for name in ("launcher", "baseline"):
        report.append(f"| {name} | {medians[name]:.3f} | {', '.join(f'{t:.3f}' for t in times[name])} "
                      f"| {cpu_medians[name]:.3f} |")
    report += ["", f"Ratio launcher / baseline: **{ratio:.2f}** wall, {cpu_ratio:.2f} CPU (target: at most 1.5)", ""]
    write_section(report)
    print("\n".join(report))


if __name__ == "__main__":
    main()
