"""The real Windows JDK driven through JNI the way the launcher drives it:
jvm_smoke loads bin/server/jvm.dll under wine64, creates a VM, registers a
native on JvmSmoke and calls its main with our arguments."""
from harness import JAVA_DIR, TOOLS_DIR, jdk_dir, run_wine, winpath

SMOKE = TOOLS_DIR / "jvm_smoke.exe"
JAR = JAVA_DIR / "tlxtests.jar"


def smoke(*args, class_path=JAR, jvm=None):
    jvm = jvm or jdk_dir() / "bin" / "server" / "jvm.dll"
    return run_wine(SMOKE, [winpath(jvm), winpath(class_path), *args], timeout=180)


def test_main_runs_with_registered_native_and_arguments():
    run = smoke("first", "second argument")
    assert not run.timed_out and not run.crashed, run.stderr
    assert run.code == 0, run.stderr
    assert "native add says 42 args=2" in run.stdout.splitlines(), run.stdout


def test_argument_count_reaches_main():
    run = smoke()
    assert run.code == 0, run.stderr
    assert "native add says 42 args=0" in run.stdout.splitlines(), run.stdout


def test_wrong_class_path_is_an_error_not_a_crash(tmp_path):
    run = smoke("a", "b", class_path=tmp_path / "missing.jar")
    assert not run.timed_out and not run.crashed, run.stderr
    assert run.code != 0
    assert "jvm_smoke: class JvmSmoke not found on the class path" in run.stderr
    assert "NoClassDefFoundError" in run.stderr
    assert "native add says" not in run.stdout


def test_missing_jvm_library_is_an_error(tmp_path):
    run = smoke(jvm=tmp_path / "nothing" / "jvm.dll")
    assert not run.crashed, run.stderr
    assert run.code != 0
    assert "jvm_smoke: cannot load" in run.stderr
