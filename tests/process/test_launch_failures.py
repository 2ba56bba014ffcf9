"""How a launch ends when something is missing or Java says so."""
import pytest

from harness import (JAVA_DIR, PROBE_MESSAGES, TESTS_JAR, class_loaded, launcher_logs, log_named_in, probe_report,
                     probe_setup, read_log, run_setup, wait_until)

FIRST_RUN = "com.tolvanrix.runtime.launcher.FirstRun"


def no_extraction_dir_left(temp):
    return wait_until(lambda: not [p for p in temp.glob("kvo*_dir*") if p.is_dir()], timeout=30)


def assert_fatal(result, text, temp) -> list:
    """Exit code 1, the message and log on standard error, the extraction directory removed (once the
    JVM holds the jars, by the deletion mode). Returns the log's lines."""
    assert result.code == 1, (result.code, result.stderr)
    assert text in result.stderr, result.stderr
    log = read_log(log_named_in(result.stderr)).splitlines()
    assert no_extraction_dir_left(temp)
    return log


@pytest.mark.parametrize("entries, jar, env, message, line", [
    # Mandatory class path entries that are missing stop the start before Java.
    ("A0lib\\optional.jar;A1lib\\${TLXTEST_NAME}.jar;", None, {"TLXTEST_NAME": "missing"},
     (1006, "lib\\missing.jar"), None),
    ("S1no-such-dir", None, {}, (1006, "no-such-dir"), None),
    ("E0TLXTEST_OPTIONAL;E1TLXTEST_REQUIRED;", None, {"TLXTEST_OPTIONAL": None, "TLXTEST_REQUIRED": None},
     (1008, "TLXTEST_REQUIRED"), None),
    # The entry class or its main is missing.
    (None, TESTS_JAR, {}, (1010, ""), "ERROR: could not find main class"),
    (None, JAVA_DIR / "tlxnomain.jar", {}, (1011, ""), "ERROR: could not find main method"),
])
def test_what_is_missing_ends_the_start_with_its_message(tmp_path, entries, jar, env, message, line):
    temp = tmp_path / "temp"
    setup = probe_setup(tmp_path / "setup", settings={121: entries} if entries else None,
                        files=[(jar, jar.name)] if jar else None)
    run = run_setup(setup, temp=temp, env=env)
    log = assert_fatal(run, PROBE_MESSAGES[message[0]].replace("{0}", message[1]), temp)
    assert line is None or line in log
    assert "probe." not in run.stdout


def test_an_exception_from_main_or_a_heap_the_jvm_cannot_reserve_is_error_1005(tmp_path):
    temp = tmp_path / "temp"
    result = run_setup(probe_setup(tmp_path / "setup"), "throw", temp=temp)
    log = assert_fatal(result, PROBE_MESSAGES[1005], temp)
    assert "probe.argc=1" in result.stdout
    exception = log.index("ERROR: an exception occurred")
    assert log[exception + 1] == "ERROR: java.lang.IllegalStateException: probe failure requested: St\u00f6rung"
    assert log.index("ERROR: could not call main") > exception
    assert "ERROR: Could not start JVM" in log
    # The VM printed the stack trace of the application's own exception.
    assert "at LaunchProbe.act" in result.stderr

    temp = tmp_path / "temp-heap"
    result = run_setup(probe_setup(tmp_path / "heap", settings={123: "-Xmx200000g"}), temp=temp)
    log = assert_fatal(result, PROBE_MESSAGES[1005], temp)
    assert any(line.startswith("JVM: Could not reserve enough space") for line in log), log
    assert log.index("Creating JVM") < log.index("ERROR: the JVM ended while it was being created (abort, 1)")


@pytest.mark.parametrize("marker, handler, runs_main", [
    (True, "FirstRunProbe -Dtlxtest.firstRunAnswer=false", False),
    (True, "FirstRunProbe -Dtlxtest.firstRunAnswer=true", True),
    (True, "no.such.Handler", False),   # firstRun throws: that stops the start too
    (False, "FirstRunProbe -Dtlxtest.firstRunAnswer=false", True),
])
def test_first_run_check(tmp_path, marker, handler, runs_main):
    workdir, temp = tmp_path / "setup", tmp_path / "temp"
    setup = probe_setup(workdir, settings={10003: ".", 123: f"-Dtolvanrix.firstRunHandler={handler} -verbose:class"})
    if marker:
        (workdir / ".tolvanrix").mkdir()
        (workdir / ".tolvanrix" / "firstrun").write_text("")
    result = run_setup(setup, temp=temp, env={"TOLVANRIX_LOG": "yes"})
    assert result.code == 0, result.stderr
    assert probe_report(result.stdout).done == runs_main
    assert ("probe.firstRun asked" in result.stdout) == (marker and handler.startswith("FirstRunProbe"))
    # Without the marker the runtime's first-run class is never even loaded.
    assert class_loaded(result.stdout.splitlines(), FIRST_RUN) == marker
    log = next(read_log(p) for p in launcher_logs(temp) if "launch done" in read_log(p)).splitlines()
    assert ("checkFirstRun stopped further execution" in log) == (not runs_main)
    assert ("calling main" in log) == runs_main
    if handler == "no.such.Handler":
        assert "ERROR: java.lang.ClassNotFoundException: no.such.Handler" in log
    assert no_extraction_dir_left(temp)
