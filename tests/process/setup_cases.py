"""Setup files for the work-routine tests, run with the log kept in a "-temp" directory of their own."""
import random
import re
from pathlib import Path

from harness import build_setup, launcher_logs, read_log, reg, reg_query_value, run_setup, unixpath, wait_until, winpath

MESSAGES = {
    1000: "Error",
    1009: "An internal error occurred (error code: {0})",
    20007: "Sample App is preparing the tolvanrix Wizard which will guide you through the rest of the setup process.",
    20012: "Cancel",
    20013: "tolvanrix Wizard",
    20016: "The installation file is corrupted. If it is a download please try it again.",
    20018: "Not Enough Disk Space",
}

MARKER_KEY = r"HKCU\SOFTWARE\morvane\kavro"


def runtime_files(workdir: Path) -> list:
    """(source, record name) pairs around the 6000-byte copy piece, one empty, one a directory down."""
    src = Path(workdir) / "src"
    src.mkdir(parents=True, exist_ok=True)
    contents = [
        ("tlxruntime.jar", random.Random(1).randbytes(70001)),
        ("tlxparams.conf", b"main=sample\r\nsize=6000\r\n"),
        ("empty.dat", b""),
        ("lib/helper.bin", random.Random(2).randbytes(6000)),
        ("stats.properties", random.Random(3).randbytes(12001)),
    ]
    pairs = []
    for name, data in contents:
        path = src / name.replace("/", "_")
        path.write_bytes(data)
        pairs.append((path, name))
    return pairs


def build(workdir: Path, files, settings=None, messages=None, name="setup.exe", **project) -> Path:
    merged = dict(MESSAGES)
    merged.update(messages or {})
    base = {107: "1"}
    base.update(settings or {})
    return build_setup(Path(workdir), name=name, settings=base, messages=merged, files=files, **project)


def temp_switch(tempdir: Path) -> list:
    Path(tempdir).mkdir(parents=True, exist_ok=True)
    return ["-temp", winpath(tempdir)]


def run_launcher(setup: Path, *args, cwd=None, env=None, timeout=120, wait=True):
    """"-temp DIR" must be among the arguments: DIR is the Windows TEMP as well, so that not even
    the first lines of the log go to the temp directory all tests share."""
    args = [str(a) for a in args]
    temp = unixpath(args[args.index("-temp") + 1])
    return run_setup(setup, *args, temp=temp, env={"TOLVANRIX_LOG": "yes", **(env or {})}, cwd=cwd, timeout=timeout,
                     wait=wait)


def extraction_dirs(tempdir: Path) -> list:
    return sorted(p for p in Path(tempdir).glob("kvo*_dir*") if p.is_dir())


def log_text(tempdir: Path) -> str:
    # A fatal error hands the extraction directory to the deletion mode, whose
    # process may have just created its own log: give it a moment to write
    # the first bytes (or to remove it again) before the logs are read.
    wait_until(lambda: all(size != 0 for size in map(file_size, launcher_logs(tempdir))), timeout=5)
    logs = launcher_logs(tempdir)
    assert logs, f"no launcher log in {tempdir}"
    return "\n".join(read_log(path) for path in logs)


def file_size(path: Path):
    try:
        return path.stat().st_size
    except FileNotFoundError:
        return None


def log_value(log: str, prefix: str) -> str:
    """The rest of the first log line starting with prefix."""
    found = re.search("^" + re.escape(prefix) + "(.*)$", log, re.M)
    assert found, f"no log line starting with {prefix!r}"
    return found.group(1).strip()


def set_marker(name="InstallStarted", value=7):
    reg("add", MARKER_KEY, "/v", name, "/t", "REG_DWORD", "/d", str(value), "/f", check=True)


def marker(name="InstallStarted"):
    """The DWORD of an install-started value, or None when it is absent."""
    found = reg_query_value(MARKER_KEY, name)
    return None if found is None else int(found[1], 0)


def delete_marker(name="InstallStarted"):
    reg("delete", MARKER_KEY, "/v", name, "/f")
