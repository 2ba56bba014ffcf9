"""Shared by the deferred-deletion tests: deletion lists, the launcher in deletion mode, the
restart marker and what Wine has scheduled for deletion at restart."""
import os
import time
import uuid
from pathlib import Path

from harness import (PENDING_RENAMES_KEY, STUB_X64, finish, prefix_dir, reg, reg_query_value, run_wine, unixpath,
                     winpath)

MARKER_KEYS = (r"HKLM\SOFTWARE\morvane\tolvanrix", r"HKCU\SOFTWARE\morvane\tolvanrix")
# The pauses between 60 passes: a run that retried took at least this long,
# however loaded the machine, and one that did not, less.
PASSES_SECONDS = 59 * 0.5
LOCKED_RUN_LIMIT = 90      # seconds a run with a locked entry may take at most


# ---------------------------------------------------------------- deletion lists

def list_bytes(wait="", mode="", question=(), failure=(), files=(), dirs=(), eol="\r\n") -> bytes:
    """As the runtime writes it: UTF-16LE without byte-order mark."""
    lines = [wait, mode, *question, "EOSMARKER", *failure, "EOSMARKER", *map(str, files)]
    if dirs:
        lines += ["", *map(str, dirs)]
    return "".join(line + eol for line in lines).encode("utf-16-le")


def write_list(path: Path, data) -> Path:
    path.write_bytes(data if isinstance(data, bytes) else "".join(data).encode("utf-16-le"))
    return path


def start_handler(list_path, exe=STUB_X64, cwd=None):
    proc, out, err = run_wine(exe, ["__tlx_windel", winpath(list_path)], cwd=cwd, wait=False)
    return proc, out, err, time.monotonic()


def finish_handler(started, timeout=LOCKED_RUN_LIMIT):
    """Waits for a handler from start_handler; returns (Run, seconds it ran)."""
    proc, out, err, t0 = started
    run = finish(proc, out, err, timeout=timeout)
    assert not run.timed_out, f"handler still running after {timeout} s"
    assert not run.crashed, run.stderr
    return run, time.monotonic() - t0


def run_handler(list_path, exe=STUB_X64, cwd=None, timeout=LOCKED_RUN_LIMIT):
    return finish_handler(start_handler(list_path, exe, cwd), timeout)


def sandbox(root: Path, *names) -> list:
    """Creates files (names ending in "/" are directories) below root."""
    made = []
    for name in names:
        path = root / name
        if name.endswith("/"):
            path.mkdir(parents=True, exist_ok=True)
        else:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(f"content of {name}\n", encoding="utf-8")
        made.append(path)
    return made


def semaphore_name() -> str:
    return f"tlx-windel-test-{uuid.uuid4().hex}"


# ---------------------------------------------------------------- restart marker

def clear_marker():
    for key in MARKER_KEYS:
        reg("delete", key, "/v", "RebootCheckFile", "/f")


def marker_values() -> list:
    return [reg_query_value(key, "RebootCheckFile") for key in MARKER_KEYS]


def temp_dir() -> Path:
    """%TEMP% of the prefix's user, where the launcher writes its log."""
    return prefix_dir() / "drive_c" / "users" / (os.environ.get("USER") or "root") / "Temp"


def pending_restart_deletions() -> list:
    """Wine records them, like Windows, as pairs ("\\??\\" + path, then an empty target), which
    reg.exe shows joined by "\\0"."""
    found = reg_query_value(PENDING_RENAMES_KEY, "PendingFileRenameOperations")
    if not found:
        return []
    parts = found[1].split("\\0")
    return [source[4:] if source.startswith("\\??\\") else source
            for source, target in zip(parts[0::2], parts[1::2]) if target == ""]


def ide_files() -> set:
    return set(temp_dir().glob("ide*"))


def is_pending(path) -> bool:
    return is_pending_windows(winpath(path))


def is_pending_windows(path: str) -> bool:
    return any(entry.lower() == path.lower() for entry in pending_restart_deletions())


def assert_marker(values, marker_pending):
    """The same existing "ide" temp file named in both roots, itself scheduled for deletion."""
    assert values[0] is not None and values[1] is not None, f"RebootCheckFile missing: {values}"
    assert values[0] == values[1]
    kind, path = values[0]
    assert kind == "REG_SZ"
    local = unixpath(path)
    assert local.parent == temp_dir()
    assert local.name.lower().startswith("ide")
    assert local.is_file()
    assert marker_pending, "marker file not scheduled for deletion at restart"
