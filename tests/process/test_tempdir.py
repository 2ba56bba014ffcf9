"""Where the launcher puts its log and the extraction directory: the user's
"-temp" directory, the fallback when it is unusable, and the strict pass of
the temp-directory choice, which skips a directory whose long name the
system code page cannot show. Temp and profile variables are set on the
Windows side through withenv, each test with directories of its own."""
import shutil
import subprocess
from pathlib import Path

import pytest

from harness import copy_prefix, run_with_windows_env, stop_prefix, winpath
from setup_cases import build, extraction_dirs, log_text, log_value, runtime_files, temp_switch

LOG_KEPT = {"TOLVANRIX_LOG": "yes"}


def windows_temp(path: Path) -> dict:
    path.mkdir(parents=True, exist_ok=True)
    return {"TEMP": winpath(path), "TMP": winpath(path)}


def test_manual_temp_directory_takes_log_and_extraction(tmp_path):
    files = runtime_files(tmp_path)
    setup = build(tmp_path, files)
    default, manual = tmp_path / "default", tmp_path / "manual"
    env = {**LOG_KEPT, **windows_temp(default)}
    run = run_with_windows_env(setup, ["-q", *temp_switch(manual)], env)
    assert run.code == 83, run.stderr
    assert len(extraction_dirs(manual)) == 1
    assert extraction_dirs(default) == []
    assert not list(default.glob("tlx_nlog_*.log")), "the log moved to the manual directory"
    log = log_text(manual)
    assert log_value(log, "Using manual temp dir ").startswith(winpath(manual))
    assert log_value(log, "tempPath is ") == winpath(manual)


def test_unusable_manual_temp_directory_falls_back(tmp_path):
    files = runtime_files(tmp_path)
    setup = build(tmp_path, files)
    default = tmp_path / "default"
    missing = tmp_path / "no-such-dir"
    run = run_with_windows_env(setup, ["-q", "-temp", winpath(missing)], {**LOG_KEPT, **windows_temp(default)})
    assert run.code == 83, run.stderr
    assert not missing.exists(), "the manual directory is tested, not created"
    assert len(extraction_dirs(default)) == 1
    log = log_text(default)
    assert log_value(log, "Manual temp dir not usable ").startswith(winpath(missing))
    assert log_value(log, "tempPath is ").rstrip("\\") == winpath(default)


def test_temp_directory_the_code_page_cannot_show_is_skipped_in_the_strict_pass(tmp_path):
    files = runtime_files(tmp_path)
    setup = build(tmp_path, files)
    cyrillic = tmp_path / "\u0432\u0440\u0435\u043c\u0435\u043d\u043d\u044b\u0435"  # not in code page 1252
    cyrillic.mkdir()
    home = tmp_path / "home"
    home.mkdir()
    env = {**LOG_KEPT,
           "TEMP": "@short:" + winpath(cyrillic), "TMP": "@short:" + winpath(cyrillic),
           "USERPROFILE": winpath(tmp_path / "no-profile"),
           "HOMEDRIVE": "Z:", "HOMEPATH": winpath(home)[2:]}
    run = run_with_windows_env(setup, ["-q"], env)
    assert run.code == 83, run.stderr
    # The 8-bit choice passes over the short-named temp directory (its long
    # name holds "?") and the missing profile, and takes HOMEDRIVE+HOMEPATH.
    assert len(extraction_dirs(home)) == 1
    assert extraction_dirs(cyrillic) == []
    # The UTF-16 choice, which the log uses, can show the name and keeps it.
    log = log_text(cyrillic)
    assert log_value(log, "tempPath is ") == winpath(home)


# Root ignores file permissions through these capabilities; without them a
# read-only directory is read-only for the launcher too.
NO_OVERRIDE = ["setpriv", "--bounding-set", "-dac_override,-dac_read_search,-fowner,-linux_immutable"]


@pytest.fixture
def locked_prefix(tmp_path):
    """A private copy of the test prefix in which the Windows directory, its
    temp directory and the root of C: are read-only, so that every fixed
    candidate of the strict pass is unusable."""
    if not shutil.which("setpriv"):
        pytest.skip("setpriv is needed to drop the permission override of root")
    private = Path(copy_prefix(tmp_path / "prefix", wrap=NO_OVERRIDE)["WINEPREFIX"])
    drive_c = private / "drive_c"
    for stale in ("temp", "tmp"):
        shutil.rmtree(drive_c / stale, ignore_errors=True)
    for directory in (drive_c / "windows" / "temp", drive_c / "windows", drive_c):
        directory.chmod(0o555)
    probe = subprocess.run([*NO_OVERRIDE, "mkdir", str(drive_c / "probe")], stderr=subprocess.DEVNULL)
    if probe.returncode == 0:
        pytest.skip("file permissions do not bind here even without the override capabilities")
    yield private
    stop_prefix(private)
    for directory in (drive_c / "windows" / "temp", drive_c / "windows", drive_c):
        directory.chmod(0o755)


def test_relaxed_pass_accepts_the_short_temp_path_when_nothing_else_is_usable(tmp_path, locked_prefix):
    files = runtime_files(tmp_path)
    setup = build(tmp_path, files)
    cyrillic = tmp_path / "\u0432\u0440\u0435\u043c\u0435\u043d\u043d\u044b\u0435"
    cyrillic.mkdir()
    env = {**LOG_KEPT,
           "TEMP": "@short:" + winpath(cyrillic), "TMP": "@short:" + winpath(cyrillic),
           "USERPROFILE": winpath(cyrillic), "HOMEDRIVE": "Z:", "HOMEPATH": winpath(cyrillic)[2:]}
    run = run_with_windows_env(setup, ["-q"], env, env={"WINEPREFIX": str(locked_prefix)}, wrap=NO_OVERRIDE)
    assert run.code == 83, run.stderr
    # Only the relaxed pass, which no longer asks for a name the code page
    # can show, takes the short path; the strict pass had nothing usable.
    (directory,) = extraction_dirs(cyrillic)
    log = log_text(cyrillic)
    temp_path = log_value(log, "tempPath is ")
    assert "~" in temp_path and "?" not in temp_path, temp_path
    assert log_value(log, "Temp dir3: ").endswith(directory.name)
    assert not (locked_prefix / "drive_c" / "tmp").exists()
