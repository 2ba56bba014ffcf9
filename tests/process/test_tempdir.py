"""Where the log and the extraction directory go; variables set on the Windows side (withenv)."""
import shutil
import subprocess
from pathlib import Path

import pytest

from harness import copy_prefix, run_with_windows_env, stop_prefix, winpath
from setup_cases import build, log_text, log_value, runtime_files

LOG_KEPT = {"TOLVANRIX_LOG": "yes"}


def made_in(log: str, directory: str) -> bool:
    """Made there and the payload extracted into it (the quiet end without Java removes it again)."""
    made = log_value(log, "Temp dir3: ")
    return made.startswith(directory + "\\kvo") and "Could not create dir" not in log \
        and "extracting files done" in log


def windows_temp(path: Path) -> dict:
    path.mkdir(parents=True, exist_ok=True)
    return {"TEMP": winpath(path), "TMP": winpath(path)}


@pytest.mark.parametrize("switch, usable", [("-temp", True), ("/temp", False), ("-temp", None)])
def test_temp_switch(tmp_path, switch, usable):
    """A name outside ASCII shows the UTF-16 and 8-bit log line alike; an unusable directory is
    dropped, not created; a switch without a directory is ignored."""
    setup = build(tmp_path, runtime_files(tmp_path))
    default, chosen = tmp_path / "default", tmp_path / "t\u00ebmp_\u00e9"
    if usable:
        chosen.mkdir()
    args = ["-q", switch] + ([winpath(chosen)] if usable is not None else [])
    run = run_with_windows_env(setup, args, {**LOG_KEPT, **windows_temp(default)})
    assert run.code == 83, run.stderr
    used = chosen if usable else default
    log = log_text(used)
    assert log_value(log, "tempPath is ").rstrip("\\") == winpath(used)
    assert made_in(log, winpath(used))
    if usable:
        assert not list(default.glob("tlx_nlog_*.log")), "the log moved to the manual directory"
        assert f"Using manual temp dir {winpath(chosen)} ({winpath(chosen)})\n" in log
    elif usable is False:
        assert not chosen.exists(), "the manual directory is tested, not created"
        assert f"Manual temp dir not usable {winpath(chosen)} ({winpath(chosen)})\n" in log
    else:
        assert "manual temp dir" not in log.lower()


# Root ignores file permissions through these capabilities; without them a
# read-only directory is read-only for the launcher too.
NO_OVERRIDE = ["setpriv", "--bounding-set", "-dac_override,-dac_read_search,-fowner,-linux_immutable"]


@pytest.fixture
def locked_prefix(tmp_path):
    """Every fixed candidate of the strict pass read-only."""
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


@pytest.mark.parametrize("relaxed", [False, True], ids=["strict pass", "relaxed pass"])
def test_a_temp_directory_the_code_page_cannot_show_is_taken_last(tmp_path, relaxed, request):
    """The 8-bit choice passes over the short name whose long name holds "?" and takes the home;
    only the relaxed pass, when the strict one finds nothing usable, takes the short path."""
    setup = build(tmp_path, runtime_files(tmp_path))
    cyrillic = tmp_path / "\u0432\u0440\u0435\u043c\u0435\u043d\u043d\u044b\u0435"  # not in code page 1252
    home = cyrillic if relaxed else tmp_path / "home"
    cyrillic.mkdir()
    home.mkdir(exist_ok=True)
    env = {**LOG_KEPT, "TEMP": "@short:" + winpath(cyrillic), "TMP": "@short:" + winpath(cyrillic),
           "USERPROFILE": winpath(cyrillic if relaxed else tmp_path / "no-profile"),
           "HOMEDRIVE": "Z:", "HOMEPATH": winpath(home)[2:]}
    locked = request.getfixturevalue("locked_prefix") if relaxed else None
    prefix = {"env": {"WINEPREFIX": str(locked)}, "wrap": NO_OVERRIDE} if relaxed else {}
    run = run_with_windows_env(setup, ["-q"], env, **prefix)
    assert run.code == 83, run.stderr
    log = log_text(cyrillic)
    temp_path = log_value(log, "tempPath is ")
    if relaxed:
        assert "~" in temp_path and "?" not in temp_path, temp_path
        assert not (locked / "drive_c" / "tmp").exists()
    else:
        assert temp_path == winpath(home)
    assert made_in(log, temp_path.rstrip("\\"))
