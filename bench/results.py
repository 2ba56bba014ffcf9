"""bench/RESULTS.md: one section per benchmark, each rewritten by its own
script with the machine it ran on, so that results from different machines
are never mixed up."""
import argparse
import datetime
import os
import platform
import re
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
RESULTS = ROOT / "bench" / "RESULTS.md"


def cpu_model() -> str:
    """The model name, with family, model and stepping: a virtual machine may
    name only the vendor's line ("AMD EPYC"), which spans generations."""
    fields = {}
    with open("/proc/cpuinfo") as info:
        for line in info:
            key, _, value = line.partition(":")
            fields.setdefault(key.strip(), value.strip())
    name = fields.get("model name") or platform.processor() or "unknown CPU"
    ids = [f"{key} {fields[key]}" for key in ("cpu family", "model", "stepping") if key in fields]
    return f"{name} ({', '.join(ids)})" if ids else name


def machine_line() -> str:
    load = ", ".join(f"{value:.1f}" for value in os.getloadavg())
    return (f"{datetime.date.today().isoformat()}, {cpu_model()}, {os.cpu_count()} cores, "
            f"{platform.system()} {platform.release()}, wine64; load average before the run {load}")


def replace_section(title: str, command: str, lines: list):
    """Puts "## title" with the command and the lines into RESULTS.md, in
    place of an earlier section of that title or at the end."""
    text = RESULTS.read_text() if RESULTS.exists() else "# Benchmark results\n"
    section = "\n".join([f"## {title}", "", f"Command: `{command}`", "", *lines]) + "\n"
    pattern = re.compile(rf"^## {re.escape(title)}\n.*?(?=^## |\Z)", re.M | re.S)
    if pattern.search(text):
        text = pattern.sub(lambda _: section + "\n", text, count=1).rstrip("\n") + "\n"
    else:
        text = text.rstrip("\n") + "\n\n" + section
    RESULTS.write_text(text)


def wineserver_cpu(prefix) -> float:
    """CPU seconds the wineserver of a prefix has used so far, 0 when none
    runs. Much of what a Windows program asks of the system (opening and
    creating files, handles, the registry) is done there, outside the
    program's own process. The server lives in a directory named after the
    prefix's device and inode."""
    info = Path(prefix).stat()
    directory = f"server-{info.st_dev:x}-{info.st_ino:x}"
    ticks = os.sysconf("SC_CLK_TCK")
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if not os.readlink(entry / "cwd").endswith(directory):
                continue
            fields = (entry / "stat").read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if fields[0] not in ("R", "S", "D"):
            continue
        # utime and stime are fields 14 and 15 of the whole line.
        return (int(fields[11]) + int(fields[12])) / ticks
    return 0.0


def run_timed(command, env, output_dir):
    """Runs a command with its output in files (never pipes: Wine's helper
    processes would hold them open) and waits for exactly that process,
    without polling. Returns (exit code, wall seconds, CPU seconds of the
    process and the children it waited for, plus what the prefix's
    wineserver used meanwhile)."""
    output_dir.mkdir(parents=True, exist_ok=True)
    prefix = env.get("WINEPREFIX")
    server_before = wineserver_cpu(prefix) if prefix else 0.0
    with open(output_dir / "stdout", "wb") as out, open(output_dir / "stderr", "wb") as err:
        began = time.monotonic()
        process = subprocess.Popen([str(part) for part in command], env=env, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=err)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.monotonic() - began
    server = wineserver_cpu(prefix) - server_before if prefix else 0.0
    process.returncode = os.waitstatus_to_exitcode(status)
    return process.returncode, wall, usage.ru_utime + usage.ru_stime + max(server, 0.0)


def pair_table(times: dict, subject: str, baseline: str, target: float, cpu_target=None) -> list:
    """The table of wall and CPU times of alternating pairs (times maps each
    name to its (wall, cpu) runs, in pair order) and the median pair ratios.
    On a shared machine the wall ratio follows the others' load; the CPU
    ratio much less, so both are given (with a target of its own if any)."""
    walls = {name: [wall for wall, _ in runs] for name, runs in times.items()}
    cpus = {name: [cpu for _, cpu in runs] for name, runs in times.items()}
    lines = ["| | median (s) | median CPU (s) | runs (s) |", "|---|---|---|---|"]
    for name in (subject, baseline):
        lines.append(f"| {name} | {statistics.median(walls[name]):.3f} | {statistics.median(cpus[name]):.3f} | "
                     f"{', '.join(f'{t:.3f}' for t in walls[name])} |")
    wall_ratio = statistics.median(a / b for a, b in zip(walls[subject], walls[baseline]))
    cpu_ratio = statistics.median(a / b for a, b in zip(cpus[subject], cpus[baseline]) if b > 0)
    cpu_goal = f" (target: at most {cpu_target:.2f})" if cpu_target is not None else ""
    return lines + ["", f"Median of the pair ratios {subject} / {baseline}: **{wall_ratio:.2f}** wall time "
                        f"(target: at most {target:.2f}), **{cpu_ratio:.2f}** CPU time{cpu_goal}"]


def per_byte_table(times: dict, subject: str, baseline: str, sizes: tuple, target: float) -> list:
    """The table of wall and CPU times of runs in rounds, each of subject and
    baseline at a large and a small size (times maps "NAME, SIZE" to its
    (wall, cpu) runs, in round order), and the median over the rounds of the
    per-byte ratio: (large - small) of the subject against the same
    difference of the baseline. What a run costs whatever its size (starting
    the process) cancels out, as it belongs to start-up, not to the bytes."""
    large, small = sizes
    lines = ["| | median (s) | median CPU (s) | runs (s) |", "|---|---|---|---|"]
    for name in (subject, baseline):
        for size in sizes:
            runs = times[f"{name}, {size}"]
            lines.append(f"| {name}, {size} | {statistics.median(w for w, _ in runs):.3f} | "
                         f"{statistics.median(c for _, c in runs):.3f} | {', '.join(f'{w:.3f}' for w, _ in runs)} |")

    def ratio(index):
        pairs = zip(times[f"{subject}, {large}"], times[f"{subject}, {small}"],
                    times[f"{baseline}, {large}"], times[f"{baseline}, {small}"])
        ratios = [(a[index] - b[index]) / (c[index] - d[index]) for a, b, c, d in pairs if c[index] > d[index]]
        return statistics.median(ratios) if ratios else float("nan")

    return lines + ["", f"Median of the per-byte ratios ({large} - {small}) {subject} / {baseline}: "
                        f"**{ratio(0):.2f}** wall time (target: at most {target:.2f}), {ratio(1):.2f} CPU time"]


# The lines every timed section shares.
CPU_LINE = "- CPU: user and system time of the process and its children, and of the wineserver meanwhile"
SESSION_LINE = "- The prefix's wineserver is kept running throughout (a held semaphore), as a user's session keeps it"


def bench_options(default_pairs: int, stub: bool = False, extra=None):
    """The command line every bench takes (--pairs, --build and, where a
    bench can time another stub, --stub), with the environment of the test
    harness set up for that build tree and the harness made importable."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--pairs", type=int, default=default_pairs)
    parser.add_argument("--build", default=str(ROOT / "build"))
    if stub:
        parser.add_argument("--stub", help="time this x64 launcher stub instead of the build's (a comparison)")
    if extra:
        extra(parser)
    options = parser.parse_args()
    os.environ.setdefault("TLX_BUILD_DIR", options.build)
    os.environ.setdefault("WINEPREFIX", str(Path(options.build) / "wineprefix"))
    sys.path.insert(0, str(ROOT / "tests" / "process"))
    return options


def run_checked(command, env, output_dir, expected: int = 0):
    """run_timed of a run that must end with the expected exit code: (wall, CPU)."""
    code, wall, cpu = run_timed(command, env, output_dir)
    assert code == expected, (code, (output_dir / "stderr").read_text(errors="replace"))
    return wall, cpu


def alternate(pairs: int, runs: dict, before_each=None) -> dict:
    """Times the runs (name -> function giving (wall, CPU)) as alternating
    pairs, the order swapped every pair, so that neither side always runs
    first after the other; before_each (untimed) resets the file system."""
    times = {name: [] for name in runs}
    order = list(runs.items())
    for pair in range(pairs):
        for name, action in order if pair % 2 == 0 else reversed(order):
            if before_each:
                before_each()
            times[name].append(action())
    return times


def report(title: str, command: str, lines: list, stub=None):
    """Writes the section, or with another stub prints it only, naming the stub."""
    if stub:
        lines.insert(1, f"- Stub: {stub}")
    else:
        replace_section(title, command, lines)
    print("\n".join(lines))
