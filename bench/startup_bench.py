#!/usr/bin/env python3
"""Start-up time of a setup file against the JDK's own java.exe, under wine64.

The setup file (built by our build tool, x64 stub) carries a 3 MB payload:
the runtime jar, a jar with a main class that returns at once, and filler
data. It runs in the installer flavour without a progress dialog, on the
real JDK, found through the search sequence; one untimed run first fills
the probe cache, so every timed run finds the runtime without starting
java.exe -version. The baseline is that JDK's java.exe running the same
main class from the same jar.

The two run as alternating pairs (order swapped every pair) in one
session of the wineserver; each time is the whole process, from its start
until it has ended. The deletion process that removes the extraction
directory after a launcher run is not part of the launch; the next run
waits until it is done, so that it never competes for the CPU. The median
ratios, with the CPU model, go into bench/RESULTS.md. Targets: at most 0.95 by
wall time and at most 1.00 by CPU time.

    python3 bench/startup_bench.py [--pairs N] [--build BUILD_DIR] [--stub STUB]

With --stub the results are printed only (to compare another stub).
"""
import random
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from results import CPU_LINE, alternate, bench_options, machine_line, pair_table, report, run_checked  # noqa: E402

MAIN_SOURCE = "public class StartupMain { public static void main(String[] args) { } }\n"
PAYLOAD_BYTES = 3 * 1024 * 1024


def main():
    options = bench_options(15, stub=True)
    from harness import (RUNTIME_JAR, TOOLS_DIR, WINE, build_setup, inspect_setup, jdk_dir, run_wine, wait_until,  # noqa: E402
                         wine_env, winpath)

    machine = machine_line()
    work = Path(tempfile.mkdtemp(prefix="startup-bench-"))
    try:
        classes = work / "classes"
        classes.mkdir()
        (work / "StartupMain.java").write_text(MAIN_SOURCE)
        subprocess.run(["javac", "--release", "8", "-Xlint:-options", "-d", classes, work / "StartupMain.java"],
                       check=True)
        jar = work / "startup.jar"
        subprocess.run(["jar", "cf", jar, "-C", classes, "."], check=True)
        filler = work / "filler.bin"
        filler.write_bytes(random.Random(17).randbytes(PAYLOAD_BYTES - RUNTIME_JAR.stat().st_size
                                                       - jar.stat().st_size))
        jdk = jdk_dir()
        setup = build_setup(work, settings={107: "0", 2001: "i", 122: "StartupMain", 126: "1.8",
                                            128: f"A{winpath(jdk)};", 155: "1"},
                            files=[(RUNTIME_JAR, "tlxruntime.jar"), (jar, "startup.jar"), (filler, "filler.bin")],
                            stub=options.stub)
        info = inspect_setup(setup)
        payload = info["file_size"] - info["payload_start"]
        temp = work / "temp"
        temp.mkdir()

        env = wine_env({"TOLVANRIX_LOG": None, "KAVRO_LOG": None})
        output = work / "output"

        def launcher():
            wall, cpu = run_checked([WINE, setup, "-temp", winpath(temp)], env, output)
            # Untimed: the deletion process started at the VM's shutdown.
            assert wait_until(lambda: not any(temp.iterdir()), timeout=60), sorted(temp.iterdir())
            return wall, cpu

        def java():
            return run_checked([WINE, jdk / "bin" / "java.exe", "-cp", winpath(jar), "StartupMain"], env, output)

        # A user's session keeps the desktop; under Wine it starts with the
        # first window work and ends when no process uses it. The holder
        # keeps it for the whole run, so that neither side pays for it.
        ready, release = work / "desktop.ready", work / "desktop.release"
        holder = run_wine(TOOLS_DIR / "holder.exe", ["desktop", "-", winpath(ready), winpath(release)], wait=False)
        try:
            assert wait_until(ready.exists, timeout=60), "the desktop holder did not start"
            launcher()  # fills the probe cache
            java()
            times = alternate(options.pairs, {"launcher": launcher, "java.exe": java})
        finally:
            release.touch()
            holder[0].wait(timeout=60)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    lines = [
        f"- {machine}",
        f"- Setup file: x64 stub, {payload / 1048576:.1f} MB payload (runtime jar, a main class that returns "
        "at once, filler), installer flavour, no progress dialog, JDK 11.0.2 from the search sequence, "
        "probe cache warm",
        "- Baseline: the same JDK's `java.exe -cp startup.jar StartupMain`",
        "- The desktop is kept in use throughout (tests/tools/holder.exe), as a user's session keeps it",
        f"- {options.pairs} alternating pairs; whole process each, until it has ended",
        CPU_LINE,
        "",
        *pair_table(times, "launcher", "java.exe", 0.95, cpu_target=1.00),
    ]
    report("Start-up time", "python3 bench/startup_bench.py", lines, options.stub)


if __name__ == "__main__":
    main()
