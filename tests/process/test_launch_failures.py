"""How a launch ends when something is missing or Java says so: mandatory
class path entries (1006, 1008), the entry class or its main (1010, 1011), an
exception from main or a JVM that ends itself while it is created (1005),
System.exit in main, and the first-run check."""
from harness import (class_loaded, JAVA_DIR, PROBE_MESSAGES, TESTS_JAR, launcher_logs, log_named_in, probe_report, probe_setup,
                     read_log, run_setup, unixpath, wait_until)

FIRST_RUN = "com.tolvanrix.runtime.launcher.FirstRun"



def run(setup, *args, temp, env=None):
    result = run_setup(setup, *args, temp=temp, env=env, timeout=120)
    assert not result.timed_out and not result.crashed, result.stderr
    return result


def no_extraction_dir_left(temp):
    return wait_until(lambda: not [p for p in temp.glob("kvo*_dir*") if p.is_dir()], timeout=30)


def assert_fatal(result, text, temp):
    """Exit code 1, the message and the log's path on standard error, and the
    extraction directory removed: at once, or, once the JVM holds the jars,
    by the deletion mode after the process has ended."""
    assert result.code == 1, (result.code, result.stderr)
    assert text in result.stderr, result.stderr
    assert log_named_in(result.stderr) is not None, result.stderr
    assert no_extraction_dir_left(temp)


def test_missing_mandatory_archive_is_error_1006(tmp_path):
    temp = tmp_path / "temp"
    setup = probe_setup(tmp_path / "setup", settings={121: "A0lib\\optional.jar;A1lib\\${TLXTEST_NAME}.jar;"})
    result = run(setup, temp=temp, env={"TLXTEST_NAME": "missing"})
    assert_fatal(result, PROBE_MESSAGES[1006].replace("{0}", "lib\\missing.jar"), temp)
    assert "probe." not in result.stdout


def test_missing_mandatory_archive_directory_is_error_1006(tmp_path):
    temp = tmp_path / "temp"
    setup = probe_setup(tmp_path / "setup", settings={121: "S1no-such-dir"})
    assert_fatal(run(setup, temp=temp), PROBE_MESSAGES[1006].replace("{0}", "no-such-dir"), temp)


def test_unset_mandatory_variable_is_error_1008(tmp_path):
    temp = tmp_path / "temp"
    setup = probe_setup(tmp_path / "setup", settings={121: "E0TLXTEST_OPTIONAL;E1TLXTEST_REQUIRED;"})
    result = run(setup, temp=temp, env={"TLXTEST_OPTIONAL": None, "TLXTEST_REQUIRED": None})
    assert_fatal(result, PROBE_MESSAGES[1008].replace("{0}", "TLXTEST_REQUIRED"), temp)


def test_missing_entry_class_is_error_1010(tmp_path):
    temp = tmp_path / "temp"
    setup = probe_setup(tmp_path / "setup", files=[(TESTS_JAR, "tlxtests.jar")])
    result = run(setup, temp=temp)
    assert_fatal(result, PROBE_MESSAGES[1010], temp)
    assert "ERROR: could not find main class" in read_log(log_named_in(result.stderr)).splitlines()


def test_entry_class_without_main_is_error_1011(tmp_path):
    temp = tmp_path / "temp"
    setup = probe_setup(tmp_path / "setup", files=[(JAVA_DIR / "tlxnomain.jar", "tlxnomain.jar")])
    result = run(setup, temp=temp)
    assert_fatal(result, PROBE_MESSAGES[1011], temp)
    assert "probe.nomain called" not in result.stdout
    assert "ERROR: could not find main method" in read_log(log_named_in(result.stderr)).splitlines()


def test_exception_from_main_is_logged_and_error_1005(tmp_path):
    temp = tmp_path / "temp"
    setup = probe_setup(tmp_path / "setup")
    result = run(setup, "throw", temp=temp)
    assert_fatal(result, PROBE_MESSAGES[1005], temp)
    assert "probe.argc=1" in result.stdout
    log = read_log(log_named_in(result.stderr)).splitlines()
    exception = log.index("ERROR: an exception occurred")
    assert log[exception + 1] == "ERROR: java.lang.IllegalStateException: probe failure requested"
    assert log.index("ERROR: could not call main") > exception
    assert "ERROR: Could not start JVM" in log
    # The VM printed the stack trace of the application's own exception.
    assert "at LaunchProbe.act" in result.stderr


def test_heap_the_jvm_cannot_reserve_is_error_1005(tmp_path):
    temp = tmp_path / "temp"
    setup = probe_setup(tmp_path / "setup", settings={123: "-Xmx200000g"})
    result = run(setup, temp=temp)
    assert_fatal(result, PROBE_MESSAGES[1005], temp)
    log = read_log(log_named_in(result.stderr)).splitlines()
    assert any(line.startswith("JVM: Could not reserve enough space") for line in log), log
    assert log.index("Creating JVM") < log.index("ERROR: the JVM ended while it was being created (abort, 1)")


def test_system_exit_in_main_ends_the_launcher_with_its_status(tmp_path):
    temp = tmp_path / "temp"
    setup = probe_setup(tmp_path / "setup")
    result = run(setup, "exit=7", temp=temp)
    assert result.code == 7, result.stderr
    report = probe_report(result.stdout)
    assert "probe.exiting" in report.lines and not report.done
    # The runtime's clean-up runs at System.exit as well.
    assert wait_until(lambda: not unixpath(report.props["kavro.tempDir"]).exists(), timeout=30)


def first_run_setup(workdir, answer):
    return probe_setup(workdir, settings={
        10003: ".", 123: f"-Dtolvanrix.firstRunHandler=FirstRunProbe -Dtlxtest.firstRunAnswer={answer} -verbose:class"})


def test_first_run_marker_and_a_no_stop_the_start(tmp_path):
    workdir, temp = tmp_path / "setup", tmp_path / "temp"
    setup = first_run_setup(workdir, "false")
    (workdir / ".tolvanrix").mkdir()
    (workdir / ".tolvanrix" / "firstrun").write_text("")
    result = run(setup, temp=temp, env={"TOLVANRIX_LOG": "yes"})
    assert result.code == 0, result.stderr
    assert "probe.firstRun asked, answering false" in result.stdout
    assert class_loaded(result.stdout.splitlines(), FIRST_RUN)
    assert "probe.argc" not in result.stdout
    log = next(read_log(p) for p in launcher_logs(temp) if "launch done" in read_log(p)).splitlines()
    assert "checkFirstRun stopped further execution" in log
    assert "calling main" not in log
    assert no_extraction_dir_left(temp)


def test_first_run_marker_and_a_yes_run_main(tmp_path):
    workdir, temp = tmp_path / "setup", tmp_path / "temp"
    setup = first_run_setup(workdir, "true")
    (workdir / ".tolvanrix").mkdir()
    (workdir / ".tolvanrix" / "firstrun").write_text("")
    result = run(setup, temp=temp)
    assert result.code == 0, result.stderr
    assert "probe.firstRun asked, answering true" in result.stdout
    assert probe_report(result.stdout).done


def test_without_the_marker_first_run_is_never_looked_up(tmp_path):
    workdir, temp = tmp_path / "setup", tmp_path / "temp"
    setup = first_run_setup(workdir, "false")
    result = run(setup, temp=temp)
    assert result.code == 0, result.stderr
    assert probe_report(result.stdout).done
    assert "probe.firstRun" not in result.stdout
    assert not class_loaded(result.stdout.splitlines(), FIRST_RUN)
