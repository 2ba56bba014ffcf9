"""The launcher log: format, header, numbering, and deletion at a normal exit unless kept."""
import re

import pytest

from harness import build_setup, finish, launcher_logs, read_log, run_setup, winpath

SETTINGS = {107: "0", 2001: "i"}
NO_KEEP = {"TOLVANRIX_LOG": None, "KAVRO_LOG": None}
# The C library's ctime form: "Sun Dec  6 20:11:33 2026" or with "06".
CTIME = r"(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 0-9]\d \d\d:\d\d:\d\d \d{4}"


@pytest.fixture(scope="module")
def setup(tmp_path_factory):
    # A directory name outside ASCII shows the UTF-16 path in the header.
    return build_setup(tmp_path_factory.mktemp("log") / "d\u00efr_\u00fc", settings=SETTINGS)


@pytest.mark.parametrize("variables, kept", [
    ({}, False),
    ({"TOLVANRIX_LOG": "yes"}, True),
    ({"KAVRO_LOG": "yes"}, True),
    ({"TOLVANRIX_LOG": "YES"}, False),
])
def test_the_log_is_deleted_at_a_normal_exit_unless_kept(setup, tmp_path, variables, kept):
    """A kept log is UTF-8 with a byte-order mark and CR LF lines, headed by the executable and the time."""
    temp = tmp_path / "temp"
    run = run_setup(setup, "-q", temp=temp, env={**NO_KEEP, **variables})
    assert run.code != 1, run.stderr
    logs = launcher_logs(temp)
    assert logs == ([temp / "tlx_nlog_1.log"] if kept else [])
    if kept:
        data = logs[0].read_bytes()
        assert b"\r\n" in data and b"\n" not in data.replace(b"\r\n", b"")
        lines = read_log(logs[0]).split("\n")   # checks the byte-order mark
        assert re.fullmatch(re.escape(f"Started executable {winpath(setup)} at ") + CTIME, lines[0]), lines[0]
        assert lines[1] == "" and "Init done" in lines  # ctime's own line end leaves an empty line


@pytest.mark.parametrize("present", [999, 1000])
def test_numbers_end_at_1000(setup, tmp_path, present):
    temp = tmp_path / "temp"
    temp.mkdir()
    for n in range(1, present + 1):
        (temp / f"tlx_nlog_{n}.log").write_bytes(b"an old log, longer than a new one\r\n" * 2000 * (n == 1000))
    run_setup(setup, "-q", temp=temp, env={"TOLVANRIX_LOG": "yes"})
    text = read_log(temp / "tlx_nlog_1000.log")
    assert text.startswith("Started executable ") and "an old log" not in text
    assert all((temp / f"tlx_nlog_{n}.log").stat().st_size == 0 for n in range(1, 1000))
    assert not (temp / "tlx_nlog_1001.log").exists()


def test_launchers_started_together_each_get_a_log_of_their_own(setup, tmp_path):
    temp = tmp_path / "temp"
    runs = [run_setup(setup, "-q", temp=temp, env={"TOLVANRIX_LOG": "yes"}, wait=False) for _ in range(16)]
    for proc, out, err in runs:
        assert not finish(proc, out, err, timeout=180).timed_out
    logs = [read_log(path) for path in launcher_logs(temp)]
    assert len(logs) == len(runs), "two launchers wrote into one log"
    assert all(text.count("Started executable ") == 1 and "Init done" in text for text in logs)


def test_a_start_writes_at_most_8_mb_of_log(tmp_path):
    """Every replacement of a deep variable chain logs the whole text, some 50 MB: the log stops at 8 MB."""
    setup = build_setup(tmp_path / "setup", settings={**SETTINGS, 146: "${TLXDA}"})
    names = [f"TLXD{chr(ord('A') + level)}" for level in range(14)]
    doubling = {name: "${%s}${%s}" % (inner, inner) for name, inner in zip(names, names[1:])}
    doubling[names[-1]] = "x" * 40
    temp = tmp_path / "temp"
    run = run_setup(setup, "-q", temp=temp, env={"TOLVANRIX_LOG": "yes", **doubling})
    assert run.code == 83, run.stderr
    [log] = launcher_logs(temp)
    assert 7 * 2**20 < log.stat().st_size <= 8 * 2**20
    lines = read_log(log).rstrip("\n").split("\n")
    assert lines[-1] == "The log has reached its limit of 8 MB: further lines are left out."
    assert lines.count(lines[-1]) == 1
