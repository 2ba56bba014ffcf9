"""bench/RESULTS.md: one section per benchmark, each rewritten by its own
script with the machine it ran on, so that results from different machines
are never mixed up."""
import datetime
import os
import platform
import re
import subprocess
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
RESULTS = ROOT / "bench" / "RESULTS.md"


def cpu_model() -> str:
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return platform.processor() or "unknown CPU"


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


def run_timed(command, env, output_dir):
    """Runs a command with its output in files (never pipes: Wine's helper
    processes would hold them open) and waits for exactly that process,
    without polling. Returns (exit code, wall seconds, CPU seconds of the
    process and the children it waited for)."""
    output_dir.mkdir(parents=True, exist_ok=True)
    with open(output_dir / "stdout", "wb") as out, open(output_dir / "stderr", "wb") as err:
        began = time.monotonic()
        process = subprocess.Popen([str(part) for part in command], env=env, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=err)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.monotonic() - began
    process.returncode = os.waitstatus_to_exitcode(status)
    return process.returncode, wall, usage.ru_utime + usage.ru_stime
