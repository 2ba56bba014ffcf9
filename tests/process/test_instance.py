"""The instance semaphore: numbered names for concurrent runs, single-instance mode, the language
restart, which claims nothing, and a path beyond MAX_PATH."""
import re
import shutil
import time

from harness import (RUNTIME_JAR, TESTS_JAR, finish, launcher_logs, probe_report, probe_setup, read_log,
                     reg_query_value, run_setup, run_wine, wait_for_line, winpath)

PIDS_KEY = "HKCU\\SOFTWARE\\morvane\\kavro\\pids"


def mangled(setup):
    return re.sub(r"[\\ ]", "_", winpath(setup).lower())


def start(setup, *args, temp, env=None):
    return run_setup(setup, *args, temp=temp, env=env, timeout=120, wait=False)


def test_concurrent_runs_take_the_next_free_number(tmp_path):
    setup = probe_setup(tmp_path / "setup")
    runs, release = [], tmp_path / "release"
    # Each run holds its number until all three have claimed one.
    for n in range(3):
        proc, out_path, err_path = start(setup, f"hold={winpath(release)}", temp=tmp_path / f"temp{n}",
                                         env={"TOLVANRIX_LOG": "yes"})
        assert wait_for_line(out_path, "probe.prop.kavro.semaphoreName"), err_path.read_text()
        runs.append((proc, out_path, err_path))
    release.touch()
    results = [finish(*run, timeout=120) for run in runs]
    names = [probe_report(result.stdout).props["kavro.semaphoreName"] for result in results]
    assert all(result.code == 0 for result in results), [result.stderr for result in results]
    assert names == ["Local\\" + mangled(setup) + str(n) for n in range(3)]
    # The third run passed numbers 0 and 1 but logs only the one it took (the
    # deletion run it starts at its end logs in the same directory, claiming nothing).
    lines = [line for path in launcher_logs(tmp_path / "temp2") for line in read_log(path).splitlines()]
    claims = [line for line in lines if line.startswith("semaphore name ")]
    assert len(claims) == 1 and claims[0].startswith(f"semaphore name {names[2]}, code 0, value "), claims


def test_second_start_in_single_instance_mode_exits_with_0(tmp_path):
    setup = probe_setup(tmp_path / "setup", settings={10005: "1", 10007: "1"})
    release = tmp_path / "release"
    proc, out_path, err_path = start(setup, f"hold={winpath(release)}", temp=tmp_path / "first")
    pid_line = wait_for_line(out_path, "probe.pid=")
    assert pid_line, err_path.read_text()
    first_pid = int(pid_line.split("=")[1])

    # The same executable named with other letter case is the same instance;
    # the first one holds on until released, so the second must end at once,
    # as a normal end: without its log unless that is kept.
    refused = run_setup(setup.parent / "SETUP.EXE", temp=tmp_path / "refused", timeout=60,
                        env={"TOLVANRIX_LOG": None, "KAVRO_LOG": None})
    assert refused.code == 0 and launcher_logs(tmp_path / "refused") == [], refused.stderr
    second = run_setup(setup.parent / "SETUP.EXE", temp=tmp_path / "second", timeout=60,
                       env={"TOLVANRIX_LOG": "yes"})
    assert second.code == 0, second.stderr
    assert "probe." not in second.stdout
    logs = [read_log(path) for path in launcher_logs(tmp_path / "second")]
    assert len(logs) == 1, logs
    lines = logs[0].splitlines()
    assert "single instance mode" in lines
    assert f"other pid {first_pid}" in lines
    assert lines.index(f"other pid {first_pid}") < lines.index("exiting")
    assert "launching program" not in lines

    # A copy in another directory is another installer: it runs.
    copy = tmp_path / "copy" / "setup.exe"
    copy.parent.mkdir()
    shutil.copy(setup, copy)
    other = run_setup(copy, temp=tmp_path / "other", timeout=120)
    assert other.code == 0, other.stderr
    assert probe_report(other.stdout).props["kavro.semaphoreName"] == "Local\\" + mangled(copy)
    assert proc.poll() is None, "the first instance ended too early for this test to mean anything"

    release.touch()
    first = finish(proc, out_path, err_path, timeout=120)
    assert first.code == 0, first.stderr
    report = probe_report(first.stdout)
    assert report.done
    assert report.props["kavro.semaphoreName"] == "Local\\" + mangled(setup)
    value = reg_query_value(PIDS_KEY, winpath(setup).lower())
    assert value is not None and value[0] == "REG_DWORD" and int(value[1], 16) == first_pid


def test_language_restart_claims_no_semaphore(tmp_path):
    setup = probe_setup(tmp_path / "setup")
    previous = tmp_path / "previous run"
    previous.mkdir()
    shutil.copy(RUNTIME_JAR, previous / "tlxruntime.jar")
    shutil.copy(TESTS_JAR, previous / "tlxtests.jar")
    (previous / "tlxparams.conf").write_text("")
    temp = tmp_path / "temp"
    result = run_setup(setup, "__tlx_lang_restart", temp=temp, cwd=previous, timeout=120)
    assert result.code == 0, result.stderr
    report = probe_report(result.stdout)
    assert report.done, result.stdout
    assert report.props["kavro.semaphoreName"] is None
    assert report.props["kavro.unextractedPosition"] == "-1"
    assert report.props["kavro.tempDir"].rstrip("\\").lower() == winpath(previous).lower()
    # Nothing removes the directory an earlier run left for the restart.
    time.sleep(2)
    assert (previous / "tlxruntime.jar").exists()


def test_an_executable_path_beyond_260_characters_still_names_the_instance_in_the_global_namespace(tmp_path):
    setup = probe_setup(tmp_path.joinpath(*[letter * 60 for letter in "defg"]),
                        settings={10005: "1", 10007: "1", 158: "1"})
    assert len(winpath(setup)) > 260
    # cmd.exe and CreateProcess under Wine refuse a program path that long;
    # wine64 starts it, and the launcher itself must cope.
    result = run_wine(setup, timeout=120)
    assert result.code == 0, result.stderr
    assert probe_report(result.stdout).props["kavro.semaphoreName"] == "Global\\" + mangled(setup)
