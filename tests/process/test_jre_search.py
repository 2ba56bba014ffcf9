"""The launcher settling on a Java runtime, read from its kept log: the real JDK reached through
each source of the search, the probe cache across starts, stand-ins for other Java versions.
The registry values have fixed names every launcher in a prefix reads: a private prefix."""
import os
import re
import shutil
from pathlib import Path

import pytest

from harness import X64_DIR, X86_DIR, jdk_dir, reg, winpath
from setup_cases import build, log_text, run_launcher, runtime_files, temp_switch

JAVASOFT = r"HKLM\SOFTWARE\JavaSoft"
CLASSIC_JDK, CLASSIC_JRE = JAVASOFT + r"\Java Development Kit", JAVASOFT + r"\Java Runtime Environment"
CACHE = r"HKCU\SOFTWARE\morvane\kavro\jvms"
LOCATED = r"SOFTWARE\morvane\kavro\locatedjvms"
STANDIN = X64_DIR / "tools" / "java_standin.exe"
WRONG_BITNESS_JVM = X86_DIR / "tools" / "jvm.dll"

# Fatal errors on standard error (no box to answer), a runtime of at least 1.8.
BASE = {107: "0", 126: "1.8"}
pytestmark = pytest.mark.usefixtures("in_module_prefix")


def registry_state(path: Path, entries=()) -> None:
    """The JavaSoft keys and located JVM lists replaced by (key, value name or None, data) entries."""
    roots = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER"}
    full = lambda key: roots[key[:4]] + key[4:]
    lines = ["Windows Registry Editor Version 5.00", ""]
    lines += [f"[-{full(key)}]" for key in (JAVASOFT, "HKLM\\" + LOCATED, "HKCU\\" + LOCATED)]
    for key, value, data in entries:
        lines.append(f"[{full(key)}]")
        if value:
            lines.append(f'"{value}"="{data}"'.replace("\\", "\\\\"))
    path.write_text("\r\n".join(lines) + "\r\n", encoding="utf-16")
    reg("import", winpath(path), check=True)


@pytest.fixture(autouse=True)
def clean_registry(tmp_path):
    registry_state(tmp_path / "clean.reg")


def jdk_home() -> str:
    return winpath(jdk_dir())


def jdk_exe() -> str:
    return jdk_home() + r"\bin\java.exe"


def cache_key(exe: str) -> str:
    return CACHE + "\\" + exe.replace("\\", "/")


def banner(version: str) -> str:
    return f'stderr java version "{version}"'


def standin_runtime(home: Path, *lines) -> Path:
    """bin\\java.exe below home as our stand-in for another Java version, printing lines."""
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
    """start(settings, env, extra_files): a quiet start of a new setup file; (run, its log)."""
    files = runtime_files(tmp_path)
    counter = iter(range(1, 1000))

    def start(settings=None, env=None, extra_files=()):
        n = next(counter)
        setup = build(tmp_path / f"setup{n}", files + list(extra_files), settings={**BASE, **(settings or {})})
        temp = tmp_path / f"temp{n}"
        run = run_launcher(setup, "-q", *temp_switch(temp), env=env)
        return run, log_text(temp)

    return start


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


# ------------------------------------------------------------------ registry sources

def located(root: str, exe) -> tuple:
    return (f"{root}\\{LOCATED}\\" + str(exe).replace("\\", "/"), None, None)


def registry_cases(tmp_path: Path) -> dict:
    """name -> (registry entries, settings, needles in order, absent, "jdk" or None for none loaded)."""
    def standin(name, version):
        return winpath(standin_runtime(tmp_path / name, banner(version)).parent.parent)

    s45, s101 = standin("sun45", "1.8.0_45"), standin("sun101", "1.8.0_101")
    user45, user60, machine45 = (standin(n, v) + r"\bin\java.exe" for n, v in
                                 (("user45", "1.8.0_45"), ("user60", "1.8.0_60"), ("machine45", "1.8.0_45")))
    sun60 = standin("sun60", "1.8.0_60")
    return {
        "current version": ([(CLASSIC_JDK, "CurrentVersion", "11.0.2"),
                             (CLASSIC_JDK + r"\11.0.2", "JavaHome", jdk_home())],
                            {}, [f"found sun {jdk_exe()} 11.0.2\n"], [], "jdk"),
        "java 9 keys": ([(JAVASOFT + r"\JDK\11.0.2", "JavaHome", jdk_home())], {}, [f"found sun {jdk_exe()} 11.0.2\n"],
                        [], "jdk"),
        # A family name ("1.8") passes a minimum of "1.8.0"; the runtime is then probed.
        "family name": ([(CLASSIC_JRE + r"\1.8", "JavaHome", jdk_home())], {126: "1.8.0"}, [], [], "jdk"),
        # Subkeys go from the end of their byte order: 1.8.0_45 before 1.8.0_101.
        "subkey order": ([(CLASSIC_JRE + r"\1.8.0_45", "JavaHome", s45),
                          (CLASSIC_JRE + r"\1.8.0_101", "JavaHome", s101),
                          (CLASSIC_JRE + r"\1.7.0_80", "JavaHome", jdk_home())], {},
                         [f"found sun {s45}\\bin\\java.exe 1.8.0_45", "ERROR: Could not get DLL-Handle."],
                         [f"checkJavaExe ({s101}", f"checkJavaExe ({jdk_exe()}"], None),
        "located": ([located("HKCU", jdk_exe())], {}, [f"found located {jdk_exe()} 11.0.2\n"], ["found sun"], "jdk"),
        "only shared runtimes": ([located("HKCU", jdk_exe()), (JAVASOFT + r"\JDK\11.0.2", "JavaHome", jdk_home())],
                                 {165: "1"}, [], ["found located", "found sun"], None),
        "located tie": ([located("HKCU", user45), located("HKLM", machine45)], {},
                        [f"found located {machine45} 1.8.0_45"], [], None),
        # The newest located one wins; an equally new JavaSoft runtime loses to it.
        "located newest": ([located("HKCU", user45), located("HKCU", user60), located("HKLM", machine45),
                            (CLASSIC_JRE + r"\1.8.0_60", "JavaHome", sun60)], {},
                           [f"found sun {sun60}", f"found located {user60} 1.8.0_60",
                            f"Trying to load JVM-DLL from {user60}"], [], None),
    }


def test_registry_sources(launch, tmp_path):
    failures = []
    for name, (entries, settings, needles, absent, chosen) in registry_cases(tmp_path).items():
        registry_state(tmp_path / "case.reg", entries)
        run, log = launch({128: "Y", **settings})
        try:
            assert_in_order(log, *needles)
            assert not [text for text in absent if text in log], absent
            if chosen:
                assert_jdk_loaded(run, log)
            else:
                assert run.code == 83 and "Loading of JVM-DLL successful" not in log
                assert "No JRE found. Aborting." in run.stdout
        except AssertionError as failure:
            failures.append(f"{name}: {failure}")
    assert not failures, "\n\n".join(failures)


# ------------------------------------------------------------------ files and variables

def test_location_files(launch, tmp_path):
    # The installation directory "." is the launcher's own directory; the
    # fixture builds setup N into tmp_path/setupN.
    def beside(n, name, home):
        cfg = tmp_path / f"setup{n}" / ".tolvanrix"
        cfg.mkdir(parents=True, exist_ok=True)
        (cfg / name).write_text(home + "\r\nsecond line\r\n")

    settings = {10003: ".", 128: "Y"}
    beside(1, "pref_jre.cfg", jdk_home())
    run, log = launch(settings)
    assert_in_order(log, f"Has preferred location {jdk_home()}\n", "Using preferred location",
                    "Loading of JVM-DLL successful")
    assert "Testing location" not in log
    assert_jdk_loaded(run, log)

    inst = tmp_path / "inst_jre.cfg"
    inst.write_text(jdk_home() + "\n")
    run, log = launch(settings, extra_files=[(inst, "inst_jre.cfg")])
    assert_in_order(log, f"Has installer location {jdk_home()}\n", "Using installer location",
                    "Loading of JVM-DLL successful")
    assert "Testing location" not in log, "taken before the search sequence"
    assert_jdk_loaded(run, log)

    # A preferred runtime below the minimum is passed over; the installation's
    # own file comes after the search sequence.
    old = standin_runtime(tmp_path / "old", banner("1.7.0_80")).parent.parent
    beside(3, "pref_jre.cfg", winpath(old))
    beside(3, "inst_jre.cfg", jdk_home())
    run, log = launch(settings)
    assert_in_order(log, f"Has preferred location {winpath(old)}\n", "Testing location  (type Y)",
                    f"Has installer location {jdk_home()}\n", "Using installer location")
    assert "Using preferred location" not in log
    assert_jdk_loaded(run, log)


def test_java_home_in_the_search_sequence_and_native_library_directories_in_path(launch, tmp_path):
    # Key 152 names the JVM subdirectory tried first.
    (tmp_path / "setup1" / "native").mkdir(parents=True)
    run, log = launch({128: "Y;EJAVA_HOME;EJDK_HOME;", 152: "server",
                       10004: r"${launcher:sys.launcherTempDirectory}\user;;native"}, {"JAVA_HOME": jdk_home()})
    assert_in_order(log, "Testing location JAVA_HOME (type E)", f"Trying to load JVM-DLL from {jdk_exe()}",
                    f"Trying {jdk_home()}\\bin\\server\\jvm.dll (exists 1)", "Loading of JVM-DLL successful")
    assert "JDK_HOME (type E)" not in log and "hotspot" not in log
    assert_jdk_loaded(run, log)
    extraction = re.search(r"^Temp dir3: (.*)$", log, re.M).group(1)
    native = re.search(r"^Setting PATH \(native libs\) (.*)$", log, re.M).group(1)
    # In order, empty entries skipped, relative ones beside the launcher.
    assert native.startswith(f"{extraction}\\user;{winpath(tmp_path / 'setup1' / 'native')};"), native
    # The JVM's bin directory comes after everything that was there before.
    assert f"Setting PATH {native};{jdk_home()}\\bin\n" in log


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


# ------------------------------------------------------------------ order, passes and refusals

def test_order_of_places_and_the_java_home_variables_last(launch, tmp_path):
    # Nothing else is installed; the first variable names a runtime too old, the second (with
    # forward slashes, taken for backslashes) the JDK.
    old = standin_runtime(tmp_path / "old", banner("1.7.0_80")).parent.parent
    run, log = launch({128: "Y;EJAVA_HOME;EJDK_HOME;", 160: "tlx_order_app", 10003: "."},
                      {"JAVA_HOME": None, "JDK_HOME": None, "KAVRO_JAVA_HOME": winpath(old),
                       "TOLVANRIX_JAVA_HOME": jdk_home().replace("\\", "/")})
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
                    "Checking environment variable KAVRO_JAVA_HOME", "checkJavaExe returning 0",
                    "Checking environment variable TOLVANRIX_JAVA_HOME", "Loading of JVM-DLL successful")
    assert_jdk_loaded(run, log)


def test_lenient_pass_takes_relative_and_type_b_homes_without_a_version_test(launch, tmp_path):
    # All three are too old for the main pass. The relative one lies beside the launcher.
    relative = standin_runtime(tmp_path / "setup1" / "rel", banner("1.5.0_22"))
    absolute_a = standin_runtime(tmp_path / "absA", banner("1.5.0_22")).parent.parent
    absolute_b = standin_runtime(tmp_path / "absB", banner("1.5.0_22")).parent.parent
    run, log = launch({128: f"A{winpath(absolute_a)};Brel;B{winpath(absolute_b)}"})
    assert_in_order(log, "Testing location rel (type B)", "checkJavaExe returning 0",
                    "Testing relative location rel", f"{winpath(relative)} exists",
                    f"Trying to load JVM-DLL from {winpath(relative)}",
                    f"Testing relative location {winpath(absolute_b)}", f"{winpath(absolute_b)}\\bin\\java.exe exists")
    assert f"Testing relative location {winpath(absolute_a)}" not in log
    assert run.code == 83


def test_every_candidate_is_judged_by_its_banner_and_the_search_goes_on(launch, tmp_path):
    # One start walks them all to the JDK; every failed candidate gives its PATH entry back.
    candidates = [
        ("old", [banner("1.7.0_80")], False, "1.7.0_80"),
        ("openjdk", ['stderr openjdk version "1.8.0_292"', "stderr OpenJDK Runtime Environment"], True, "1.8.0_292"),
        ("java9", ['stderr java version "9.0.4" 2018-01-16'], True, "9.0.4"),
        ("lts", ['stderr openjdk version "17.0.1" 2021-10-19 LTS'], True, "17.0.1"),
        ("pickedup", ["stderr Picked up _JAVA_OPTIONS: -Xmx512m", "stderr Picked up JAVA_TOOL_OPTIONS: " + "x" * 300,
                      banner("1.8.0_45")], True, "1.8.0_45"),
        ("jvmcfg", ["stderr Error: could not open `C:\\jre\\lib\\amd64\\jvm.cfg'", banner("1.8.0_45")], False, None),
        ("vminit", ["stderr Picked up JAVA_TOOL_OPTIONS: -Xmx1g", "stderr Error occurred during initialization of VM"],
         False, None),
        ("unclosed", ['stderr java version "1.8.0_45'], False, None),
        ("empty", ['stderr java version ""'], False, None),
        ("blank", ['stderr  java version "1.8.0_45"'], False, None),
        ("silent", [], False, None),
        ("x86", [banner("1.8.0_45")], True, "1.8.0_45"),
    ]
    homes = {name: standin_runtime(tmp_path / name, *lines).parent.parent for name, lines, _, _ in candidates}
    (homes["x86"] / "bin" / "client").mkdir()
    shutil.copyfile(WRONG_BITNESS_JVM, homes["x86"] / "bin" / "client" / "jvm.dll")
    run, log = launch({128: ";".join("A" + winpath(home) for home in homes.values()) + ";A" + jdk_home()})
    pieces = log.split("checkJavaExe (")
    for name, _, accepted, version in candidates:
        (piece,) = [p for p in pieces if p.startswith(winpath(homes[name]) + "\\")]
        assert (f"got version from execution {version}\n" in piece) == (version is not None), (name, piece)
        assert f"checkJavaExe returning {int(accepted)}" in piece, (name, piece)
    assert_in_order(log, f"Trying to load JVM-DLL from {winpath(homes['x86'])}", "Failed with error code 193",
                    f"Testing location {jdk_home()} (type A)", "Loading of JVM-DLL successful")
    assert_jdk_loaded(run, log)
    native = re.search(r"^Setting PATH \(native libs\) (.*)$", log, re.M).group(1)
    path_lines = re.findall(r"^Setting PATH (?!\(native)(.*)$", log, re.M)
    assert path_lines[-1] == f"{native};{jdk_home()}\\bin"
    for line in path_lines:
        assert line == native or line.startswith(native + ";") and line.count(";") == native.count(";") + 1, line


def test_jdk_required_and_javaw_for_the_gui_launcher_kind(launch, tmp_path):
    # With key 131 only a home with lib\tools.jar counts, through its jre\bin\java.exe.
    fake_jdk = tmp_path / "fakejdk"
    standin_runtime(fake_jdk / "jre", banner("1.8.0_45"))
    (fake_jdk / "lib").mkdir()
    (fake_jdk / "lib" / "tools.jar").write_bytes(b"")
    run, log = launch({131: "1", 128: f"A{jdk_home()};A{winpath(fake_jdk)}"})
    assert_in_order(log, f"Testing location {winpath(fake_jdk)} (type A)",
                    f"checkJavaExe ({winpath(fake_jdk)}\\jre\\bin\\java.exe", "checkJavaExe returning 1")
    assert f"checkJavaExe ({jdk_home()}" not in log
    assert run.code == 83

    # Launcher kind 1 wants javaw.exe beside an accepted java.exe.
    lonely = standin_runtime(tmp_path / "lonely", banner("1.8.0_45"))
    run, log = launch({107: "1", 128: f"A{winpath(lonely.parent.parent)};A{jdk_home()}"})
    assert_in_order(log, f"checkJavaExe ({winpath(lonely)}", "got version from execution 1.8.0_45",
                    "checkJavaExe returning 0", f"Trying to load JVM-DLL from {jdk_home()}\\bin\\javaw.exe")
    assert_jdk_loaded(run, log)


# ------------------------------------------------------------------ probe cache

def test_probe_cache_across_two_starts(launch, tmp_path):
    # Between the starts the cache entries change: the second runs only those no longer holding.
    names = ("kept", "touched", "time7", "time9", "v16", "believed", "exit3")
    exes = {name: standin_runtime(tmp_path / name, banner("1.8.0_45"), *(["exit 3"] if name == "exit3" else []))
            for name in names}
    reg("delete", cache_key(jdk_exe()), "/f")
    sequence = {128: ";".join("A" + winpath(exe.parent.parent) for exe in exes.values()) + ";A" + jdk_home()}
    run, log = launch(sequence)
    assert all(standin_runs(exe) == 1 for exe in exes.values())
    assert "got version from execution 11.0.2" in log and "Exit Code 3" in log
    assert_jdk_loaded(run, log)
    # A runtime ending with an error is cached as 1.0.0, which is no hit.
    value = reg("query", cache_key(winpath(exes["exit3"])), "/v", "Version").stdout
    assert re.search(r"Version\s+REG_SZ\s+1\.0\.0\s*$", value, re.M), value

    # An updated runtime has a new last-write time.
    stat = exes["touched"].stat()
    os.utime(exes["touched"], ns=(stat.st_atime_ns, stat.st_mtime_ns + 3600 * 10**9))
    # The right time cut or lengthened by a byte is no match; "1.6." is no version.
    for name, change in (("time7", lambda time: time[:14]), ("time9", lambda time: time + "00")):
        key = cache_key(winpath(exes[name]))
        time = re.search(r"LastWriteTime\s+REG_BINARY\s+([0-9A-F]{16})\s*$",
                         reg("query", key, "/v", "LastWriteTime").stdout, re.M | re.I).group(1)
        reg("add", key, "/v", "LastWriteTime", "/t", "REG_BINARY", "/d", change(time), "/f", check=True)
    reg("add", cache_key(winpath(exes["v16"])), "/v", "Version", "/d", "1.6.", "/f", check=True)
    # A good entry is believed without a process, even when it says too old.
    reg("add", cache_key(winpath(exes["believed"])), "/v", "Version", "/d", "1.7.0_80", "/f", check=True)
    run, log = launch(sequence)
    runs = {name: standin_runs(exe) for name, exe in exes.items()}
    assert runs == {"kept": 1, "touched": 2, "time7": 2, "time9": 2, "v16": 2, "believed": 1, "exit3": 2}, runs
    assert_in_order(log, f"checkJavaExe ({winpath(exes['believed'])}", "got version from registry 1.7.0_80",
                    "checkJavaExe returning 0", "got version from registry 11.0.2")
    assert "got version from execution 11.0.2" not in log
    assert_jdk_loaded(run, log)
