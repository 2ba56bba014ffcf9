"""Start-up modes and switches of the real launcher under wine64: the
reserved first arguments, the switch scan (program path included), the run
styles, the temp and keep-log switches and the working directory, seen in
the launcher log and the process's outcome. Every run that reaches the work
routine is quiet, so none of them waits for a user."""
import os
import shutil
import subprocess
import time
from pathlib import Path

import pytest

from harness import (WINE, build_setup, close_windows_of, finish, launcher_logs, press, read_log, run_cmd,
                     run_setup, run_wine, wait_dialog, winpath)

SETTINGS = {107: "0", 2001: "i"}
MESSAGES = {1000: "Setup error"}
KEEP = {"TOLVANRIX_LOG": "yes", "KAVRO_LOG": None}
STYLES = ("Quiet installer.", "Showing splash screen.", "No progress dialog.", "Showing progress dialog.")


@pytest.fixture(scope="module")
def setup(tmp_path_factory):
    return build_setup(tmp_path_factory.mktemp("modes"), settings=SETTINGS, messages=MESSAGES)


def kept_log(temp) -> str:
    logs = launcher_logs(temp)
    assert len(logs) == 1, f"expected one log in {temp}: {logs}"
    return read_log(logs[0])


def launch(setup, *args, tmp_path, env=None, timeout=60):
    """Runs with its own temp directory and a kept log; returns (run, log text)."""
    temp = tmp_path / f"temp{time.monotonic_ns()}"
    run = run_setup(setup, *args, temp=temp, env={**KEEP, **(env or {})}, timeout=timeout)
    assert not run.timed_out and not run.crashed, run.stderr
    return run, kept_log(temp)


def style(log: str) -> str:
    chosen = [s for s in STYLES if f"\n{s}\n" in log]
    assert len(chosen) == 1, f"expected one run style in the log: {chosen}\n{log}"
    return chosen[0]


# ------------------------------------------------------------------ reboot

@pytest.mark.parametrize("line", [["__tlx_reboot", "-q"], ["__tlx_rebootX", "-q"]])
def test_reboot_mode_needs_the_argument_alone(setup, tmp_path, line):
    run, log = launch(setup, *line, tmp_path=tmp_path)
    assert "reboot mode" not in log
    assert "Init done\n" in log and style(log) == "Quiet installer."


def test_reboot_mode_waits_and_asks_for_a_restart(setup, tmp_path):
    # Wine ends the session on a restart request, closing the windows of
    # every program in the prefix: this test has a prefix of its own.
    prefix = tmp_path / "prefix"
    env = {"WINEPREFIX": str(prefix), "TOLVANRIX_LOG": "yes", "KAVRO_LOG": None}
    try:
        run_wine("cmd.exe", ["/c", "exit", "0"], env=env, timeout=180)
        started = time.monotonic()
        run = run_wine(setup, ["__tlx_reboot"], env=env, timeout=120)
        elapsed = time.monotonic() - started
        assert run.code == 0 and not run.crashed, run.stderr
        assert elapsed >= 5.0
        temp = prefix / "drive_c" / "users" / (os.environ.get("USER") or "root") / "Temp"
        log = kept_log(temp)
        assert "reboot mode: restarting Windows in 5 seconds\n" in log
        # Wine grants the shutdown privilege, so the restart is requested.
        assert "reboot requested\n" in log
        # Nothing of a normal start: no payload, no switches.
        assert "number of sections" not in log and "Init done" not in log
    finally:
        subprocess.run([str(Path(WINE).with_name("wineserver")), "-k"], env={**os.environ, "WINEPREFIX": str(prefix)},
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


# ------------------------------------------------------------------ language restart, extract and exit

def test_language_restart_is_recognised_as_a_prefix(tmp_path):
    setup = build_setup(tmp_path / "b", settings={**SETTINGS, 146: "workdir"}, messages=MESSAGES)
    (setup.parent / "workdir").mkdir()
    run, log = launch(setup, "__tlx_lang_restartX", tmp_path=tmp_path)
    assert "language restart\n" in log
    assert style(log) == "Quiet installer."            # language restart is quiet
    assert "working directory" not in log              # the working directory stays
    assert "semaphore name " not in log                # no single-instance claim

    run, log = launch(setup, "x__tlx_lang_restart", "-q", tmp_path=tmp_path)
    assert "language restart" not in log
    assert f"change working directory to {winpath(setup.parent / 'workdir')}\n" in log
    assert "semaphore name " in log


def test_extract_and_exit_is_recognised_as_a_prefix(setup, tmp_path):
    run, log = launch(setup, "__tlx_extract_and_exit_now", "-q", tmp_path=tmp_path)
    assert "extract and exit mode\n" in log
    run, log = launch(setup, "-q", "__tlx_extract_and_exit", tmp_path=tmp_path)
    assert "extract and exit mode" not in log


# ------------------------------------------------------------------ deferred deletion

def test_deferred_deletion_takes_over_with_a_list_path(setup, tmp_path):
    missing_list = tmp_path / "no-such-list.txt"
    run, log = launch(setup, "__tlx_windel", winpath(missing_list), tmp_path=tmp_path)
    assert run.code == 0
    assert "number of sections" not in log and "Init done" not in log


def test_deferred_deletion_with_fewer_than_three_entries_is_a_normal_launch(setup, tmp_path):
    # Named "-q", the program path both keeps the list at two entries and
    # makes the launch quiet.
    quiet = tmp_path / "bin" / "-q.exe"
    quiet.parent.mkdir()
    shutil.copy(setup, quiet)
    temp = tmp_path / "temp"
    temp.mkdir()
    run = run_cmd("-q __tlx_windel", cwd=quiet.parent, temp=temp, env=KEEP)
    assert not run.timed_out and not run.crashed, run.stderr
    log = kept_log(temp)
    assert "number of sections" in log and "Init done\n" in log
    assert style(log) == "Quiet installer."


# ------------------------------------------------------------------ switch scan and run styles

def test_the_program_path_takes_part_in_the_switch_scan(setup, tmp_path):
    bin_dir = tmp_path / "bin"
    bin_dir.mkdir()
    shutil.copy(setup, bin_dir / "-q.exe")
    no_dialog = build_setup(tmp_path / "nd", settings={**SETTINGS, 155: "1"}, messages=MESSAGES)
    shutil.copy(no_dialog, bin_dir / "-splash.exe")
    temp = tmp_path / "temp1"
    temp.mkdir()
    run = run_cmd("-q", cwd=bin_dir, temp=temp, env=KEEP)
    assert style(kept_log(temp)) == "Quiet installer."
    temp = tmp_path / "temp2"
    temp.mkdir()
    run = run_cmd("-splash -q", cwd=bin_dir, temp=temp, env=KEEP)
    assert style(kept_log(temp)) == "No progress dialog."
    assert not run.timed_out


@pytest.mark.parametrize("settings, args, expected", [
    ({}, ["-q"], "Quiet installer."),
    ({}, ["-c"], "Quiet installer."),
    ({155: "1"}, ["-q", "-splash"], "No progress dialog."),
    ({108: "1"}, ["-splash", "-q"], "Showing splash screen."),
    ({108: "1", 155: "1"}, ["-q", "-splash"], "Showing splash screen."),
    ({108: "1", 10123: "1", 155: "1"}, ["-q", "-splash"], "No progress dialog."),
    ({108: "1", 10123: "1"}, ["-q", "-splash"], "Showing progress dialog."),
    ({}, ["-q", "-splash"], "Showing progress dialog."),
    ({108: "1"}, ["-q", "-Q", "-splashscreen"], "Quiet installer."),
])
def test_run_style(tmp_path, settings, args, expected):
    setup = build_setup(tmp_path / "b", settings={**SETTINGS, **settings}, messages=MESSAGES)
    run, log = launch(setup, *args, tmp_path=tmp_path)
    assert style(log) == expected
    # The style comes after the switches and the single-instance claim.
    assert log.index("semaphore name ") < log.index("Init done\n") < log.index(expected)


# ------------------------------------------------------------------ temp switch

def test_temp_switch_moves_the_log_into_the_chosen_directory(setup, tmp_path):
    chosen = tmp_path / "t\u00ebmp_\u00e9"
    chosen.mkdir()
    temp = tmp_path / "temp"
    run = run_setup(setup, "-q", "-temp", winpath(chosen), temp=temp, env=KEEP)
    assert not run.timed_out and not run.crashed, run.stderr
    assert launcher_logs(temp) == [], "the log stayed in the normal temp directory"
    log = kept_log(chosen)
    assert log.startswith("Started executable ")
    # The same directory in its UTF-16 (%s) and 8-bit (%S) forms.
    assert f"Using manual temp dir {winpath(chosen)} ({winpath(chosen)})\n" in log
    assert "Init done\n" in log


@pytest.mark.parametrize("args", [["-temp", "Z:\\no\\such\\dir"], ["/temp", "Z:\\no\\such\\dir"]])
def test_an_unusable_temp_directory_is_dropped(setup, tmp_path, args):
    run, log = launch(setup, "-q", *args, tmp_path=tmp_path)
    assert f"Manual temp dir not usable {args[1]} ({args[1]})\n" in log
    assert "Init done\n" in log


def test_temp_switch_as_the_last_argument_is_ignored(setup, tmp_path):
    run, log = launch(setup, "-q", "-temp", tmp_path=tmp_path)
    assert "manual temp dir" not in log.lower()
    assert style(log) == "Quiet installer."


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
    assert f"Using manual temp dir {winpath(chosen)} (" in kept_log(chosen)
    (directory,) = [p for p in chosen.glob("kvo*_dir*") if p.is_dir()]
    assert (directory / "piece.txt").read_text() == "a runtime file"


# ------------------------------------------------------------------ working directory

def test_the_working_directory_is_resolved_against_the_executable(tmp_path):
    setup = build_setup(tmp_path / "b", settings={**SETTINGS, 146: "sub\\..\\work"}, messages=MESSAGES)
    (setup.parent / "work").mkdir()
    run, log = launch(setup, "-q", tmp_path=tmp_path)
    assert f"change working directory to {winpath(setup.parent / 'work')}\n" in log
    # The work routine goes on afterwards (and ends without Java with an error line).
    assert "ERROR: could not change working directory" not in log


def test_non_ascii_settings_and_temp_paths_are_widened_in_the_system_code_page(tmp_path):
    temp = tmp_path / "t\u0161\u20ac"
    work = temp / "w\u00f6rk\u20ac"
    work.mkdir(parents=True)
    setup = build_setup(tmp_path / "b", settings={**SETTINGS, 146: "${launcher:sys.tempDir}\\w\u00f6rk\u20ac"},
                        messages=MESSAGES)
    run = run_setup(setup, "-q", temp=temp, env=KEEP)
    assert not run.timed_out and not run.crashed, run.stderr
    log = kept_log(temp)
    assert f"change working directory to {winpath(work)}\n" in log
    assert "ERROR: could not change working directory" not in log


def test_a_missing_working_directory_is_logged_and_the_launch_goes_on(tmp_path):
    setup = build_setup(tmp_path / "b", settings={**SETTINGS, 146: "Z:\\no\\such\\place"}, messages=MESSAGES)
    run, log = launch(setup, "-q", tmp_path=tmp_path)
    assert "ERROR: could not change working directory (" in log
    assert "Init done\n" in log


def test_an_empty_working_directory_leaves_it_unchanged(setup, tmp_path):
    run, log = launch(setup, "-q", tmp_path=tmp_path)
    assert "working directory unchanged\n" in log


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
    assert "calling " not in log


@pytest.mark.parametrize("args", [["-q", "-create-tlx-log"], ["-q", "-create-tlx-logs"]])
def test_keep_log_switch_counts_only_right_behind_the_program_path(setup, tmp_path, args):
    temp = tmp_path / "temp"
    run = run_setup(setup, *args, temp=temp, env={"TOLVANRIX_LOG": None, "KAVRO_LOG": None}, timeout=30)
    assert not run.timed_out, "the launcher waited (for a keep-log prompt?)"
    assert launcher_logs(temp) == [], "the log was kept"


# ------------------------------------------------------------------ console switches

def test_console_switches_use_the_parent_console(setup, tmp_path):
    # cmd.exe has a console; "-c" after "-console" obtains none of its own.
    run, log = launch(setup, "-console", "-c", tmp_path=tmp_path)
    assert log.count("using the parent's console\n") == 1 and "new console" not in log
    run, log = launch(setup, "-c", tmp_path=tmp_path)
    assert log.count("using the parent's console\n") == 1
    assert style(log) == "Quiet installer."


def test_without_a_parent_console_a_new_one_is_created(setup, tmp_path):
    # Started from this shell the launcher has no console to attach to. Its
    # log moves into a directory of this test ("-temp") before the scan.
    own = tmp_path / "own"
    own.mkdir()
    run = run_wine(setup, ["-c", "-temp", winpath(own)], env=KEEP, timeout=60)
    assert not run.timed_out and not run.crashed, run.stderr
    log = kept_log(own)
    assert "new console: 1\n" in log and "parent's console" not in log
