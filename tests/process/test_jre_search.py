"""The real launcher settling on a Java runtime: setup files built by our
build tool, started quietly under wine64, with the real Windows JDK reached
through each source of the search, the probe cache kept in Wine's registry
across starts, and stand-ins of our own for other Java versions. What the
launcher decided is read from its kept log.

The JavaSoft keys, the located JVM lists and the installations value have
fixed names that every launcher in a prefix reads, so the module works in a
private copy of the test prefix."""
import os
import re
import shutil
import struct
from pathlib import Path

import pytest

from harness import X64_DIR, X86_DIR, copy_prefix, jdk_dir, reg as reg_in, stop_prefix, winpath
from setup_cases import build, log_text, run_launcher, runtime_files, temp_switch

JAVASOFT = r"HKLM\SOFTWARE\JavaSoft"
CACHE = r"HKCU\SOFTWARE\morvane\kavro\jvms"
LOCATED = r"HKCU\SOFTWARE\morvane\kavro\locatedjvms"
STANDIN = X64_DIR / "tools" / "java_standin.exe"
WRONG_BITNESS_JVM = X86_DIR / "tools" / "jvm.dll"

# Fatal errors on standard error (no box to answer), a runtime of at least 1.8.
BASE = {107: "0", 126: "1.8"}

PREFIX = {}  # WINEPREFIX of the module's private prefix


@pytest.fixture(scope="module", autouse=True)
def private_prefix(tmp_path_factory):
    PREFIX.update(copy_prefix(tmp_path_factory.mktemp("prefix") / "wine"))
    yield
    stop_prefix(Path(PREFIX["WINEPREFIX"]))
    PREFIX.clear()


def reg(*args, check=False):
    return reg_in(*args, check=check, env=PREFIX)


def jdk_home() -> str:
    return winpath(jdk_dir())


def jdk_exe() -> str:
    return jdk_home() + r"\bin\java.exe"


def cache_key(exe: str) -> str:
    return CACHE + "\\" + exe.replace("\\", "/")


def banner(version: str) -> str:
    return f'stderr java version "{version}"'


def standin_runtime(home: Path, *lines) -> Path:
    """A runtime home whose bin\\java.exe is our stand-in for another Java
    version, told what to print; returns the java.exe."""
    (home / "bin").mkdir(parents=True)
    exe = home / "bin" / "java.exe"
    shutil.copyfile(STANDIN, exe)
    (home / "bin" / "standin.cfg").write_text("".join(line + "\n" for line in lines))
    reg("delete", cache_key(winpath(exe)), "/f")
    return exe


def standin_runs(exe: Path) -> int:
    runs = exe.parent / "runs.log"
    return len(runs.read_text().splitlines()) if runs.exists() else 0


@pytest.fixture
def launch(tmp_path):
    """Builds a setup file with these settings and starts it quietly; returns
    the run and the log text of that start alone."""
    files = runtime_files(tmp_path)
    counter = iter(range(1, 1000))

    def start(settings=None, env=None, *args):
        n = next(counter)
        setup = build(tmp_path / f"setup{n}", files, settings={**BASE, **(settings or {})})
        temp = tmp_path / f"temp{n}"
        run = run_launcher(setup, "-q", *temp_switch(temp), *args, env={**PREFIX, **(env or {})})
        assert not run.crashed, run.stderr
        return run, log_text(temp).replace("\r\n", "\n")

    return start


@pytest.fixture(autouse=True)
def clean_registry():
    reg("delete", JAVASOFT, "/f")
    yield
    reg("delete", JAVASOFT, "/f")


def assert_jdk_loaded(run, log, home=None):
    assert "Loading of JVM-DLL successful" in log, log
    assert f"JVM home {home or jdk_home()}\\bin\\.., version 11.0.2\n" in log
    assert run.code != 83


def assert_in_order(log: str, *needles):
    at = 0
    for needle in needles:
        found = log.find(needle, at)
        assert found >= 0, f"{needle!r} missing (in this order) from:\n{log}"
        at = found + len(needle)


# ------------------------------------------------------------------ sources of the search

def test_jdk_registered_under_the_javasoft_keys(launch):
    key = JAVASOFT + r"\Java Development Kit"
    reg("add", key, "/v", "CurrentVersion", "/d", "11.0.2", "/f", check=True)
    reg("add", key + r"\11.0.2", "/v", "JavaHome", "/d", jdk_home(), "/f", check=True)
    run, log = launch({128: "Y"})
    assert f"found sun {jdk_exe()} 11.0.2\n" in log
    assert "Java 9 and later" not in log
    assert_jdk_loaded(run, log)


def test_jdk_registered_under_the_keys_of_java_9_and_later(launch):
    reg("add", JAVASOFT + r"\JDK\11.0.2", "/v", "JavaHome", "/d", jdk_home(), "/f", check=True)
    run, log = launch({128: "Y"})
    assert_in_order(log, "checking JavaSoft keys of Java 9 and later", f"found sun {jdk_exe()} 11.0.2")
    assert_jdk_loaded(run, log)


def test_java_home_in_the_search_sequence(launch):
    run, log = launch({128: "Y;EJAVA_HOME;EJDK_HOME;"}, {"JAVA_HOME": jdk_home()})
    assert_in_order(log, "Testing location JAVA_HOME (type E)", f"Trying to load JVM-DLL from {jdk_exe()}",
                    "Loading of JVM-DLL successful")
    assert "JDK_HOME (type E)" not in log
    assert_jdk_loaded(run, log)


def test_kavro_java_home_after_the_search_sequence(launch):
    run, log = launch({128: "EJDK_HOME"}, {"KAVRO_JAVA_HOME": jdk_home().replace("\\", "/")})
    assert_in_order(log, "Testing location JDK_HOME (type E)", "Search sequence finished",
                    "Checking environment variable KAVRO_JAVA_HOME", "Loading of JVM-DLL successful")
    assert_jdk_loaded(run, log)


def test_preferred_location_file_beside_the_launcher(launch, tmp_path):
    # The installation directory "." is the launcher's own directory.
    settings = {10003: ".", 128: "Y"}
    cfg = tmp_path / "setup1" / ".tolvanrix"  # beside the fixture's first setup file
    cfg.mkdir(parents=True)
    (cfg / "pref_jre.cfg").write_text(jdk_home() + "\r\nsecond line\r\n")
    run, log = launch(settings)
    assert_in_order(log, f"Has preferred location {jdk_home()}\n", "Using preferred location",
                    "Loading of JVM-DLL successful")
    assert "Testing location" not in log
    assert_jdk_loaded(run, log)


def test_located_jvm_list(launch):
    key = LOCATED + "\\" + jdk_exe().replace("\\", "/")
    reg("add", key, "/f", check=True)
    try:
        run, log = launch({128: "Y"})
    finally:
        reg("delete", key, "/f")
    assert f"found located {jdk_exe()} 11.0.2\n" in log
    assert_jdk_loaded(run, log)


def test_native_library_directories_come_first_in_path(launch):
    run, log = launch({10004: r"${launcher:sys.launcherTempDirectory}\user", 128: "Y"},
                      {"JAVA_HOME": None, "KAVRO_JAVA_HOME": jdk_home()})
    extraction = re.search(r"^Temp dir3: (.*)$", log, re.M).group(1)
    native = re.search(r"^Setting PATH \(native libs\) (.*)$", log, re.M).group(1)
    assert native.startswith(extraction + "\\user;"), native
    # The JVM's bin directory comes after everything that was there before.
    assert f"Setting PATH {native};{jdk_home()}\\bin\n" in log
    assert_jdk_loaded(run, log)


def test_working_directory_setting_expands_launcher_variables(launch, tmp_path):
    (tmp_path / "setup1" / "workdir").mkdir(parents=True)
    run, log = launch({146: "${TOLVANRIX_EXEDIR}workdir", 126: "99"})
    assert f"change working directory to {winpath(tmp_path / 'setup1' / 'workdir')}\n" in log
    assert run.code == 83


def test_previous_installation_left_by_a_32_bit_installer(launch, tmp_path):
    installation = tmp_path / "installation"
    shutil.copytree(jdk_dir(), installation / "jre", copy_function=os.link)
    key = r"HKLM\SOFTWARE\morvane\tolvanrix\installations"
    reg("add", key, "/v", "tlx_prev_app", "/d", f"{winpath(tmp_path / 'none')};{winpath(installation)}", "/f",
        "/reg:32", check=True)
    try:
        run, log = launch({160: "tlx_prev_app"})
    finally:
        reg("delete", key, "/f", "/reg:32")
    home = winpath(installation / "jre")
    assert_in_order(log, "checking app id tlx_prev_app (0, ", "80000001)", "could not open installation node",
                    "checking app id tlx_prev_app (0, ", "80000002)", "could not open installation node",
                    "checking app id tlx_prev_app (512, ", "80000002)",
                    f"java version did not match in {winpath(tmp_path / 'none')}\\jre",
                    f"found JRE from previous installation (machine) {home}\\bin\\java.exe",
                    "Loading of JVM-DLL successful")
    assert_jdk_loaded(run, log, home)


# ------------------------------------------------------------------ order and refusals

def test_order_of_places_with_nothing_installed(launch):
    run, log = launch({128: "Y;EJAVA_HOME;EJDK_HOME;", 160: "tlx_order_app", 10003: "."},
                      {"JAVA_HOME": None, "JDK_HOME": None, "KAVRO_JAVA_HOME": None, "TOLVANRIX_JAVA_HOME": None})
    assert run.code == 83, run.stderr
    assert "No JRE found. Aborting." in run.stdout
    assert_in_order(log, "Searching for a JVM",
                    "pref_jre.cfg",                       # preferred location file
                    "\\inst_jre.cfg",                     # installer file in the extraction directory
                    "Testing location  (type Y)",         # registry
                    "Testing location JAVA_HOME (type E)",
                    "Testing location JDK_HOME (type E)",
                    ".tolvanrix\\inst_jre.cfg",           # installer file of the installation
                    "checking app id tlx_order_app (0, ", "80000001)",
                    "checking app id tlx_order_app (0, ", "80000002)",
                    "Search sequence finished",
                    "Checking environment variable KAVRO_JAVA_HOME",
                    "Checking environment variable TOLVANRIX_JAVA_HOME",
                    "ERROR: No JVM found")


def test_refused_candidates_do_not_end_the_search(launch, tmp_path):
    too_old = standin_runtime(tmp_path / "old", banner("1.7.0_80"))
    no_banner = standin_runtime(tmp_path / "nobanner", "stderr Error: could not find java.dll", banner("1.8.0_45"))
    picked_up = standin_runtime(tmp_path / "pickedup", "stderr Picked up JAVA_TOOL_OPTIONS: -Xmx1g",
                                banner("1.8.0_45"))
    x86 = standin_runtime(tmp_path / "x86", banner("1.8.0_45"))
    (x86.parent / "client").mkdir()
    shutil.copyfile(WRONG_BITNESS_JVM, x86.parent / "client" / "jvm.dll")
    homes = [winpath(exe.parent.parent) for exe in (too_old, no_banner, picked_up, x86)] + [jdk_home()]
    run, log = launch({128: ";".join("A" + home for home in homes)})
    assert_in_order(log,
                    f"checkJavaExe ({winpath(too_old)}", "got version from execution 1.7.0_80",
                    "checkJavaExe returning 0",
                    f"checkJavaExe ({winpath(no_banner)}", "couldn't get version", "checkJavaExe returning 0",
                    f"checkJavaExe ({winpath(picked_up)}", "got version from execution 1.8.0_45",
                    f"Trying to load JVM-DLL from {winpath(picked_up)}",
                    f"Trying to load JVM-DLL from {winpath(x86)}", "Failed with error code 193",
                    f"Testing location {jdk_home()} (type A)", "Loading of JVM-DLL successful")
    assert_jdk_loaded(run, log)
    # Every failed candidate gave its PATH entry back: only the JDK's bin stays.
    native = re.search(r"^Setting PATH \(native libs\) (.*)$", log, re.M).group(1)
    path_lines = re.findall(r"^Setting PATH (?!\(native)(.*)$", log, re.M)
    assert path_lines[-1] == f"{native};{jdk_home()}\\bin"
    for line in path_lines:
        assert line == native or line.startswith(native + ";") and line.count(";") == native.count(";") + 1, line


# ------------------------------------------------------------------ probe cache

def test_probe_cache_spares_the_second_start_a_process(launch, tmp_path):
    exe = standin_runtime(tmp_path / "rt", banner("1.8.0_45"))
    sequence = {128: f"A{winpath(tmp_path / 'rt')};A{jdk_home()}"}
    reg("delete", cache_key(jdk_exe()), "/f")

    run, log = launch(sequence)
    assert standin_runs(exe) == 1
    assert "got version from execution 1.8.0_45" in log
    assert "got version from execution 11.0.2" in log
    assert_jdk_loaded(run, log)

    run, log = launch(sequence)
    assert standin_runs(exe) == 1, "a cached candidate must not be started"
    assert "got version from registry 1.8.0_45" in log
    assert "got version from registry 11.0.2" in log
    assert "got version from execution" not in log
    assert_jdk_loaded(run, log)

    # An updated runtime (new last-write time) is probed again.
    stat = exe.stat()
    os.utime(exe, ns=(stat.st_atime_ns, stat.st_mtime_ns + 3600 * 10**9))
    run, log = launch(sequence)
    assert standin_runs(exe) == 2
    assert "got version from execution 1.8.0_45" in log


def test_malformed_cache_entries_are_misses(launch, tmp_path):
    exe = standin_runtime(tmp_path / "rt", banner("1.8.0_45"))
    key = cache_key(winpath(exe))
    sequence = {128: f"A{winpath(tmp_path / 'rt')}", 126: "1.8"}
    launch(sequence)
    assert standin_runs(exe) == 1

    # The right time, cut or lengthened by a byte, no longer matches.
    time = re.search(r"LastWriteTime\s+REG_BINARY\s+([0-9A-F]{16})\s*$",
                     reg("query", key, "/v", "LastWriteTime").stdout, re.M | re.I).group(1)
    for runs, data in ((2, time[:14]), (3, time + "00")):
        reg("add", key, "/v", "LastWriteTime", "/t", "REG_BINARY", "/d", data, "/f", check=True)
        _, log = launch(sequence)
        assert standin_runs(exe) == runs, f"a {len(data) // 2}-byte time is no match"
        assert "got version from execution 1.8.0_45" in log

    reg("add", key, "/v", "Version", "/d", "1.6.", "/f", check=True)
    _, log = launch(sequence)
    assert standin_runs(exe) == 4, "version 1.6. is no version"
    assert "got version from execution 1.8.0_45" in log

    # The entry written just now is good: believed without a process.
    reg("add", key, "/v", "Version", "/d", "1.7.0_80", "/f", check=True)
    _, log = launch(sequence)
    assert standin_runs(exe) == 4
    assert "got version from registry 1.7.0_80" in log
    assert "checkJavaExe returning 0" in log
    reg("delete", key, "/f")


def test_runtime_ending_with_an_error_is_cached_as_1_0_0_and_probed_again(launch, tmp_path):
    exe = standin_runtime(tmp_path / "rt", banner("1.8.0_45"), "exit 3")
    sequence = {128: f"A{winpath(tmp_path / 'rt')}"}
    _, log = launch(sequence)
    assert "Exit Code 3" in log and "couldn't get version" in log
    value = reg("query", cache_key(winpath(exe)), "/v", "Version").stdout
    assert re.search(r"Version\s+REG_SZ\s+1\.0\.0\s*$", value, re.M), value
    _, log = launch(sequence)
    assert standin_runs(exe) == 2
    reg("delete", cache_key(winpath(exe)), "/f")
