"""Start-up modes and switches. Every run that reaches the work routine is quiet, so none of them
waits for a user."""
import shutil
import time

import pytest

from deferred_support import is_pending, temp_dir
from harness import (TOOLS_DIR, Holder, build_setup, close_windows_of, finish, launcher_logs, press, read_log,
                     run_cmd, run_setup, run_wine, wait_dialog, wait_until, winpath)

SETTINGS = {107: "0", 2001: "i"}
MESSAGES = {1000: "Setup error"}
KEEP = {"TOLVANRIX_LOG": "yes", "KAVRO_LOG": None}
STYLES = ("Quiet installer.", "Showing splash screen.", "No progress dialog.", "Showing progress dialog.")


@pytest.fixture(scope="module")
def setup(tmp_path_factory):
    built = build_setup(tmp_path_factory.mktemp("modes"), settings={**SETTINGS, 146: "workdir"}, messages=MESSAGES)
    (built.parent / "workdir").mkdir()
    return built


def kept_log(temp) -> str:
    logs = launcher_logs(temp)
    assert len(logs) == 1, f"expected one log in {temp}: {logs}"
    return read_log(logs[0])


def launch(setup, *args, tmp_path, env=None, timeout=60):
    """Runs with its own temp directory and a kept log; returns (run, log text)."""
    temp = tmp_path / f"temp{time.monotonic_ns()}"
    run = run_setup(setup, *args, temp=temp, env={**KEEP, **(env or {})}, timeout=timeout)
    return run, kept_log(temp)


def style(log: str) -> str:
    chosen = [s for s in STYLES if f"\n{s}\n" in log]
    assert len(chosen) == 1, f"expected one run style in the log: {chosen}\n{log}"
    return chosen[0]


# ------------------------------------------------------------------ reserved first arguments

NORMAL = ["Init done\n", "change working directory to ", "semaphore name "]


@pytest.mark.parametrize("args, present, absent", [
    # Reboot mode needs its argument alone; the others are prefixes.
    (["__tlx_reboot", "-q"], NORMAL, []),
    (["__tlx_rebootX", "-q"], NORMAL, []),
    # A language restart is quiet, keeps the working directory and claims nothing.
    (["__tlx_lang_restartX"], ["language restart\n", "Quiet installer."], ["working directory", "semaphore name "]),
    (["x__tlx_lang_restart", "-q"], NORMAL, ["language restart"]),
    (["__tlx_extract_and_exit_now", "-q"], ["extract and exit mode\n"], []),
    (["-q", "__tlx_extract_and_exit"], NORMAL, ["extract and exit mode"]),
    # Deferred deletion takes over before the payload is read.
    (["__tlx_windel", "Z:\\no\\such\\list.txt"], [], ["number of sections", "Init done"]),
])
def test_reserved_first_arguments(setup, tmp_path, args, present, absent):
    run, log = launch(setup, *args, tmp_path=tmp_path)
    assert [text for text in present if text not in log] == [], log
    assert [text for text in absent if text in log] == [], log
    if args[0] == "__tlx_windel":
        assert run.code == 0


def test_reboot_mode_waits_and_restarts_windows(setup, tmp_path, own_prefix):
    # A restart carries out what is scheduled for it; the session keeper
    # rules out a new Wine session as the cause.
    sentinel = tmp_path / "sentinel.txt"
    sentinel.write_text("removed at the restart")
    with Holder("semaphore", f"tlx-reboot-test-{time.monotonic_ns()}", tmp_path):
        assert run_wine(TOOLS_DIR / "holder.exe", ["schedule", winpath(sentinel)]).code == 0
        assert is_pending(sentinel)
        started = time.monotonic()
        run = run_wine(setup, ["__tlx_reboot"], env=KEEP, timeout=120)
        assert run.code == 0 and not run.crashed, run.stderr
        assert time.monotonic() - started >= 5.0
        assert wait_until(lambda: not sentinel.exists(), timeout=30), "no restart"
    # Nothing of a normal start: no payload, no switches.
    log = kept_log(temp_dir())
    assert "number of sections" not in log and "Init done" not in log


# ------------------------------------------------------------------ switch scan and run styles

def test_the_program_path_takes_part_in_the_switch_scan(setup, tmp_path):
    bin_dir = tmp_path / "bin"
    bin_dir.mkdir()
    shutil.copy(setup, bin_dir / "-q.exe")
    no_dialog = build_setup(tmp_path / "nd", settings={**SETTINGS, 155: "1"}, messages=MESSAGES)
    shutil.copy(no_dialog, bin_dir / "-splash.exe")
    # The last line has two entries only, the program path among them: no
    # deferred deletion but a normal, quiet launch.
    for n, (line, expected) in enumerate((("-q", "Quiet installer."), ("-splash -q", "No progress dialog."),
                                          ("-q __tlx_windel", "Quiet installer."))):
        temp = tmp_path / f"temp{n}"
        temp.mkdir()
        run = run_cmd(line, cwd=bin_dir, temp=temp, env=KEEP)
        assert not run.timed_out
        log = kept_log(temp)
        assert style(log) == expected and "number of sections" in log


@pytest.mark.parametrize("settings, args, expected, working_directory", [
    # The working directory (key 146) is resolved against the executable.
    ({146: "sub\\..\\work"}, ["-q"], "Quiet installer.", "change working directory to {work}\n"),
    # A directory that does not exist is logged, and the launch goes on.
    ({146: "Z:\\no\\such\\place"}, ["-c"], "Quiet installer.", "change working directory to Z:\\no\\such\\place\n"),
    ({155: "1", 146: ""}, ["-q", "-splash"], "No progress dialog.", "working directory unchanged\n"),
    ({108: "1"}, ["-splash", "-q"], "Showing splash screen.", None),
    ({108: "1", 155: "1"}, ["-q", "-splash"], "Showing splash screen.", None),
    ({108: "1", 10123: "1", 155: "1"}, ["-q", "-splash"], "No progress dialog.", None),
    ({108: "1", 10123: "1"}, ["-q", "-splash"], "Showing progress dialog.", None),
    ({}, ["-q", "-splash"], "Showing progress dialog.", None),
    ({108: "1"}, ["-q", "-Q", "-splashscreen"], "Quiet installer.", None),
])
def test_run_style_and_working_directory(tmp_path, settings, args, expected, working_directory):
    setup = build_setup(tmp_path / "b", settings={**SETTINGS, **settings}, messages=MESSAGES)
    (setup.parent / "work").mkdir()
    run, log = launch(setup, *args, tmp_path=tmp_path)
    assert style(log) == expected
    # The style comes after the switches and the single-instance claim.
    assert log.index("semaphore name ") < log.index("Init done\n") < log.index(expected)
    assert working_directory is None or working_directory.format(work=winpath(setup.parent / "work")) in log


def test_a_relative_temp_directory_is_made_a_full_path(tmp_path):
    # The work routine changes into the extraction directory: a relative
    # temp directory would name another place from then on.
    piece = tmp_path / "piece.txt"
    piece.write_text("a runtime file")
    setup = build_setup(tmp_path / "b", settings=SETTINGS, messages=MESSAGES, files=[(piece, "piece.txt")])
    chosen = tmp_path / "rel"
    chosen.mkdir()
    run = run_setup(setup, "-q", "-temp", "rel", temp=tmp_path / "temp", env=KEEP, cwd=tmp_path)
    assert run.code == 83, run.stderr  # extracted, then no Java runtime configured
    log = kept_log(chosen)
    assert f"Using manual temp dir {winpath(chosen)} (" in log
    made = next(line for line in log.splitlines() if line.startswith("Temp dir3: "))
    assert made.startswith(f"Temp dir3: {winpath(chosen)}\\kvo")
    assert f"{made[len('Temp dir3: '):]}\\piece.txt (size: 14)" in log and "extracting files done" in log


def test_non_ascii_settings_and_temp_paths_are_widened_in_the_system_code_page(tmp_path):
    temp = tmp_path / "t\u0161\u20ac"
    work = temp / "w\u00f6rk\u20ac"
    work.mkdir(parents=True)
    setup = build_setup(tmp_path / "b", settings={**SETTINGS, 146: "${launcher:sys.tempDir}\\w\u00f6rk\u20ac"},
                        messages=MESSAGES)
    run_setup(setup, "-q", temp=temp, env=KEEP)
    log = kept_log(temp)
    assert f"change working directory to {winpath(work)}\n" in log
    assert "ERROR: could not change working directory" not in log


# ------------------------------------------------------------------ keep-log switch

@pytest.mark.parametrize("flavour, caption", [("i", "tolvanrix"), ("e", "kavro")])
def test_keep_log_switch_asks_about_the_log_and_keeps_it(tmp_path, display, flavour, caption):
    setup = build_setup(tmp_path / "b", settings={**SETTINGS, 2001: flavour}, messages=MESSAGES)
    temp = tmp_path / "temp"
    proc, out, err = run_setup(setup, "-create-tlx-log", "-q", temp=temp,
                               env={"TOLVANRIX_LOG": None, "KAVRO_LOG": None}, wait=False)
    try:
        box = wait_dialog(caption, timeout=30)
        assert box is not None, f"no keep-log prompt captioned {caption}"
        expected_log = temp / "tlx_nlog_1.log"
        assert box["text"].replace("\r\n", "\n") == (
            f"The following log file will be created:\n\n{winpath(expected_log)}\n\n"
            "Do you want to open an Explorer window?")
        press(caption, "No")
    finally:
        run = finish(proc, out, err, timeout=60)
        if run.timed_out:
            close_windows_of(setup)
    assert not run.timed_out and not run.crashed
    # Kept although no variable asks for it, and the launch went on.
    log = kept_log(temp)
    assert style(log) == "Quiet installer."


@pytest.mark.parametrize("args", [["-q", "-create-tlx-log"], ["-q", "-create-tlx-logs"]])
def test_keep_log_switch_counts_only_right_behind_the_program_path(setup, tmp_path, args):
    temp = tmp_path / "temp"
    # A keep-log prompt would hold the launcher until the time-out.
    run_setup(setup, *args, temp=temp, env={"TOLVANRIX_LOG": None, "KAVRO_LOG": None}, timeout=30)
    assert launcher_logs(temp) == [], "the log was kept"
