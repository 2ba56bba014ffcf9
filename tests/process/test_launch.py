"""The first complete start with the real JDK, as LaunchProbe reports it."""
import re
from pathlib import Path

from harness import (class_loaded, inspect_setup, jdk_dir, launcher_logs, probe_report, probe_setup, read_log,
                     run_setup, unixpath, wait_until, winpath)


def extraction_dir_gone(report, timeout=30):
    directory = unixpath(report.props["kavro.tempDir"])
    return wait_until(lambda: not directory.exists(), timeout=timeout)


def test_installer_flavour_passes_arguments_properties_and_class_path(tmp_path):
    workdir, temp = tmp_path / "setup", tmp_path / "temp"
    setup = probe_setup(workdir, settings={
        102: "1", 103: "$probe-err.log", 104: "1", 105: "out\\probe-out.log", 106: "1",
        121: "A0lib\\extra.jar;;E0TLXTEST_CLASS_PATH;D0nowhere;S1lib;E0TLXTEST_UNSET;E0TLXTEST_QUOTED;X1ignored;D1Q:\\",
        123: "-Dtlxtest.reportNatives=true -Dtlxtest.reportSplash=true",
        124: 'pre1 "pre two" ${TLXTEST_VALUE}', 125: "1"})
    out_file = workdir / "out" / "probe-out.log"
    out_file.parent.mkdir()
    out_file.write_text("earlier line\n")
    (workdir / "lib").mkdir()
    for name in ("l2.zip", "notes.txt", "l1.jar"):
        (workdir / "lib" / name).write_bytes(b"")
    env = {"TLXTEST_VALUE": "expanded", "TLXTEST_CLASS_PATH": "C:\\from-env;", "TLXTEST_UNSET": None,
           "TLXTEST_QUOTED": '"C:\\quoted dir"', "MANPATH": None,
           "TOLVANRIX_LOG": None, "KAVRO_LOG": None}
    run = run_setup(setup, "foo", "-J-Dtlxtest.fromj=1", "-Dsun.locale.formatasdefault=true", "bar",
                    "stderr=to-the-error-file", temp=temp, env=env)
    assert run.code == 0, run.stderr

    text = out_file.read_text(errors="replace")
    assert text.startswith("earlier line\n"), text[:200]
    report = probe_report(text)
    assert report.done, text
    assert report.launcher == ["false", "LaunchProbe", "$probe-err.log", winpath(out_file), "true", winpath(setup),
                               "pre1", "pre two", "expanded", "foo", "bar", "stderr=to-the-error-file"]
    assert report.args == report.launcher[6:]
    assert (temp / "probe-err.log").read_text().strip() == "to-the-error-file"

    props = report.props
    assert props["kavro.isTolvanrix"] == "true"
    assert props["kavro.manualJre"] is None
    assert props["kavro.moduleName"].lower() == winpath(setup).lower()
    assert props["sun.java.command"] == props["kavro.moduleName"]
    assert re.fullmatch(r"kvo\w*\.tmp_dir-?\d+", Path(props["kavro.tempDir"].replace("\\", "/")).name), props
    assert unixpath(props["kavro.tempDir"]).parent.resolve() == temp.resolve()
    assert int(props["kavro.unextractedPosition"]) == inspect_setup(setup)["unextracted_position"]
    assert winpath(jdk_dir() / "bin").lower() in props["java.library.path"].lower().split(";")
    assert re.fullmatch(r"cp\d+", props["kavro.consoleCodepage"] or ""), props
    expected_semaphore = "Local\\" + re.sub(r"[\\ ]", "_", winpath(setup).lower()) + "0"
    assert props["kavro.semaphoreName"] == expected_semaphore
    assert "-Dtlxtest.fromj=1" in report.vmoptions
    assert props["tlxtest.fromj"] == "1"

    extraction = props["kavro.tempDir"]
    class_path = report.class_path()
    assert sorted(class_path[:2]) == sorted([extraction + "\\tlxruntime.jar", extraction + "\\tlxtests.jar"])
    # Entries of key 121 in order: an archive, a variable ending in the
    # separator, a missing directory, the jars then the zips of a directory,
    # a quoted variable without its quotes, a drive root (which always exists).
    lib = winpath(workdir / "lib")
    assert class_path[2:] == [lib + "\\extra.jar", "C:\\from-env", winpath(workdir / "nowhere"), lib + "\\l1.jar",
                              lib + "\\l2.zip", "C:\\quoted dir", "Q:\\"]

    assert "probe.windel=" + winpath(setup) in report.lines
    # The launcher's own natives are bound before main runs.
    assert "probe.natives=true" in report.lines
    assert "probe.splash=none" in report.lines

    assert extraction_dir_gone(report), props["kavro.tempDir"]
    # Nothing of the run stays: no log, no deletion list, not even the empty
    # file that reserved the extraction directory's name.
    assert wait_until(lambda: not launcher_logs(temp), timeout=10), launcher_logs(temp)
    assert wait_until(lambda: not list(temp.glob("kvo*")) and not list(temp.glob("tlxdel*")), timeout=10), \
        sorted(p.name for p in temp.iterdir())


def test_application_flavour_runs_without_the_installer_handshake(tmp_path):
    workdir, temp = tmp_path / "setup", tmp_path / "temp"
    setup = probe_setup(workdir, settings={2001: "e", 107: "1", 123: "-verbose:class"})
    run = run_setup(setup, "foo", "-J-Dtlxtest.fromj=1", "-Dsun.locale.formatasdefault=true",
                    temp=temp, env={"TOLVANRIX_LOG": "yes", "MANPATH": "/usr/share/man"})
    assert run.code == 0, run.stderr
    report = probe_report(run.stdout)
    assert report.done, run.stdout
    assert report.launcher == ["true", "LaunchProbe", "", "", "false", winpath(setup), "foo", "-J-Dtlxtest.fromj=1"]
    assert report.args == ["foo", "-J-Dtlxtest.fromj=1"]
    assert report.props["kavro.isTolvanrix"] is None
    assert report.props["kavro.consoleCodepage"] is None
    assert "tlxtest.fromj" not in report.props
    assert "-Dsun.locale.formatasdefault=true" in report.vmoptions
    assert not any(option.startswith("-Duser.") for option in report.vmoptions)
    assert "probe.windel=" + winpath(setup) in report.lines
    # The entry class is the application one; Common and FirstRun stay untouched.
    assert class_loaded(report.lines, "com.kavro.runtime.WinLauncher")
    for untouched in ("com.tolvanrix.runtime.installer.platform.win32.Common",
                      "com.tolvanrix.runtime.launcher.FirstRun", "com.tolvanrix.runtime.launcher.WinLauncher"):
        assert not class_loaded(report.lines, untouched), untouched

    assert extraction_dir_gone(report), report.props["kavro.tempDir"]
    logs = [read_log(path) for path in launcher_logs(temp)]
    launch = [log for log in logs if "launch done" in log]
    assert len(launch) == 1, logs
    assert "dest JVM" in launch[0] and "calling main" in launch[0]
    assert "did not find register natives in helper dll" not in launch[0]


def test_installer_flavour_hands_over_the_splash_texts(tmp_path):
    setup = probe_setup(tmp_path / "setup", settings={
        108: "1", 10123: "1", 163: "1", 123: "-Dtlxtest.reportSplash=true",
        10111: "Installing", 10109: "25", 10110: "30", 10113: "9", 10114: "255,0,0", 10115: "700",
        10118: "version 5.1", 10116: "26", 10117: "45", 10120: "8", 10121: "0,0,255", 10122: "400"})
    run = run_setup(setup, temp=tmp_path / "temp")
    assert run.code == 0, run.stderr
    report = probe_report(run.stdout)
    assert report.done, run.stdout
    # The natives bound before main (probe.natives) the first scenario shows.
    assert "probe.splash.fromLauncher=true" in report.lines
    assert "probe.splash.option=true" in report.lines
    assert "probe.splash.first=Installing@25,30 colour 255,0,0 size 9 weight 700" in report.lines
    assert "probe.splash.second=version 5.1@26,45 colour 0,0,255 size 8 weight 400" in report.lines
