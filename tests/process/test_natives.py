"""The natives as the Java runtime uses them: a setup file made by our build
tool starts the scenario driver (tests/java/com/tolvanrix/runtime/installer/
platform/win32/Scenario.java) in the real JDK inside the real launcher; it runs
one table of rows, each a call into the natives and the result it must give.
The test checks that every row gave its result and, from outside, what the
natives did to Wine's registry, files and processes."""
import os
import re
import zipfile
from pathlib import Path

import pytest

from harness import (PENDING_RENAMES_KEY, RUNTIME_JAR, TESTS_JAR, TOOLS_DIR, finish, launcher_logs, probe_setup,
                     read_log, reg, reg_query_value, run_with_windows_env, winpath)

PACKAGE = "com.tolvanrix.runtime.installer.platform.win32."
USER = os.environ.get("USER") or "root"


def rows_of(run, bound="true") -> dict:
    """The verdicts of the run's rows, each of which must be "ok"; the run must have ended normally."""
    assert run.code == 0 and not run.crashed and not run.timed_out, (run.code, run.stdout, run.stderr)
    lines = run.stdout.replace("\r\n", "\n").split("\n")
    assert "natives.done" in lines, run.stdout
    report = dict(line[len("natives."):].split("=", 1) for line in lines if line.startswith("natives.") and "=" in line)
    rows = {name[len("row."):]: verdict for name, verdict in report.items() if name.startswith("row.")}
    failed = [f"{name}: {verdict}" for name, verdict in rows.items() if verdict != "ok"]
    assert not failed, "\n".join(failed)
    assert rows and report["rows"] == f"{len(rows)} run, 0 failed" and report["bound"] == bound, report
    return rows


def table_setup(workdir, settings=None, files=None):
    """A setup file whose main class is the scenario driver."""
    return probe_setup(workdir, settings={122: PACKAGE + "Scenario", **(settings or {})}, files=files)


def run_table(tmp_path, table, *args, files=None, variables=None, settings=None, bound="true"):
    """Runs the rows of TABLE + "Table" with these arguments; returns the run, its temp directory and the rows."""
    setup = table_setup(tmp_path / "setup", settings, files)
    temp = tmp_path / "temp"
    temp.mkdir(exist_ok=True)
    env = {"TEMP": winpath(temp), "TMP": winpath(temp), "TOLVANRIX_LOG": "yes", **(variables or {})}
    run = run_with_windows_env(setup, [table, *[str(a) for a in args]], env, timeout=300)
    return run, temp, rows_of(run, bound)


def test_registry_round_trips_and_reg_exe_sees_the_result(tmp_path, private_prefix):
    base = r"Software\tlxtest\natives"
    hkcu = "HKCU\\" + base
    reg("add", hkcu + r"\fromTest", "/v", "text", "/t", "REG_SZ", "/d", "written by reg.exe", "/f", check=True)
    reg("add", hkcu + r"\fromTest", "/v", "qword", "/t", "REG_QWORD", "/d", "5", "/f", check=True)
    hive = tmp_path / "saved.hive"
    run_table(tmp_path, "Registry", base, winpath(hive))

    wow = r"HKLM\Software\Wow6432Node\tlxtest\natives\views"
    assert reg_query_value(wow, "side") == ("REG_SZ", "32")
    assert reg_query_value("HKLM\\" + base + r"\views", "side") is None
    assert reg("query", wow + r"\removed").code != 0
    # What reg.exe sees of the values written.
    values = hkcu + r"\values"
    assert reg_query_value(values, "dword") == ("REG_DWORD", "0xfffffffb")
    assert reg_query_value(values, "expand") == ("REG_EXPAND_SZ", "%SystemRoot%\\x")
    assert reg_query_value(values, "multiEmpty")[0] == "REG_MULTI_SZ"
    assert reg_query_value(values, "binary")[0] == "REG_BINARY"
    assert len(reg_query_value(values, "binary")[1]) == 400000  # hex digits of 200,000 bytes
    assert len(reg_query_value(values, "long")[1]) == 60000
    assert reg("query", hkcu + r"\keys\kept").code == 0
    # Wine writes its own text format for a saved key, but it does write it.
    assert hive.stat().st_size > 0


@pytest.mark.usefixtures("unmanaged_prefix")
def test_processes_environment_restart_moves_folders_and_file_versions(tmp_path):
    work = tmp_path / "work"
    (work / "a long directory name").mkdir(parents=True)
    doomed, moved = work / "doomed.txt", work / "moved.txt"
    doomed.write_text("delete me at restart")
    moved.write_text("move me at restart")
    memory = next(int(line.split()[1]) * 1024 for line in Path("/proc/meminfo").read_text().splitlines()
                  if line.startswith("MemTotal:"))
    versioned = [TOOLS_DIR / f"versioned_{v}.dll" for v in ("1_2_3_4", "1_2_10_0", "40000_0_0_0")]
    copy, plain = tmp_path / "copy_of_1_2_3_4.dll", tmp_path / "plain.txt"
    copy.write_bytes(versioned[0].read_bytes())
    plain.write_text("no version here")
    run_table(tmp_path, "Misc", *map(winpath, (work, TOOLS_DIR / "window_owner.exe", doomed, moved,
                                               work / "target.txt")), memory,
              *map(winpath, (versioned[0], copy, versioned[1], versioned[2], plain)), USER,
              variables={"TLXTEST_ENV": "Gr\u00fc\u00dfe \u4e2d"})

    entries = reg_query_value(PENDING_RENAMES_KEY, "PendingFileRenameOperations")[1].split("\\0")
    assert "\\??\\" + winpath(doomed) in entries
    at = entries.index("\\??\\" + winpath(moved))
    assert entries[at + 1].lstrip("!").endswith(winpath(work / "target.txt"))


def test_registration_stops_at_the_first_missing_class(tmp_path):
    """A runtime jar without Misc: the classes before it stay bound, none after it is tried."""
    partial = tmp_path / "tlxruntime.jar"
    with zipfile.ZipFile(RUNTIME_JAR) as source, zipfile.ZipFile(partial, "w") as target:
        for item in source.infolist():
            if item.filename != PACKAGE.replace(".", "/") + "Misc.class":
                target.writestr(item, source.read(item.filename))
    _, temp, _ = run_table(tmp_path, "Binding", files=[(partial, "tlxruntime.jar"), (TESTS_JAR, "tlxtests.jar")],
                           bound="false")
    log = next(read_log(p) for p in launcher_logs(temp) if "calling main" in read_log(p))
    errors = [line for line in log.splitlines() if line.startswith("ERROR: ")]
    assert errors == ["ERROR: could not load class com/tolvanrix/runtime/installer/platform/win32/Misc",
                      "ERROR: registering helper dll failed"]


def test_two_runtimes_exchange_blocks_over_a_pipe(tmp_path):
    """A listener and a client, each a setup run in its own launcher process."""
    name = rf"\\.\pipe\tlxtest-{os.getpid()}-{tmp_path.name}"
    started = []
    for role in ("listen", "client"):
        temp = tmp_path / role / "temp"
        temp.mkdir(parents=True)
        started.append(run_with_windows_env(table_setup(tmp_path / role), ["Pipe", role, name],
                                            {"TEMP": winpath(temp), "TMP": winpath(temp)}, wait=False))
    runs = [finish(*proc, timeout=400) for proc in started]
    for run in runs:
        rows_of(run)
    # The client gave up on the name nobody creates, and said so.
    assert re.search(r"^could not open file 2 " + re.escape(name + "-nobody") + r"\r?$", runs[1].stdout, re.M)


@pytest.mark.usefixtures("private_prefix")
def test_accounts_elevation_access_entries_and_services(tmp_path):
    work = tmp_path / "work"
    work.mkdir()
    plain = work / "plain.txt"
    plain.write_text("an ACL for me")
    key = rf"Software\tlxtest\acl-{os.getpid()}"
    reg("add", "HKCU\\" + key, "/f", check=True)
    # Read by the scenario from a file: the launcher logs its command line.
    password = "Pw-never-shown-4711"
    secret = tmp_path / "secret.txt"
    secret.write_text(password)
    prefix = f"tlxsvc{os.getpid()}"
    run, temp, _ = run_table(tmp_path, "Accounts", winpath(work), key, winpath(plain), winpath(secret), USER,
                             winpath(TOOLS_DIR / "test_service.exe"), prefix)

    assert (work / "elevated.txt").read_text().strip().lower() == winpath(work).lower()
    diagnostics = [line for line in run.stdout.splitlines() if "Error" in line]
    assert diagnostics == ["GetNamedSecurityInfo Error 2 CURRENT_USER\\" + key + "\\missing"], diagnostics
    # The password went to the system and nowhere else.
    outputs = [run.stdout, run.stderr] + [read_log(p) for p in launcher_logs(temp)]
    assert launcher_logs(temp) and not any(password in text for text in outputs)
    # What the service manager stored.
    key = rf"HKLM\System\CurrentControlSet\Services\{prefix}-main"
    assert reg_query_value(key, "DisplayName") == ("REG_SZ", "Tlx Renamed")
    assert reg_query_value(key, "ObjectName") == ("REG_SZ", "LocalSystem")
    assert reg_query_value(key, "Description") == ("REG_SZ", "described by the test")
    assert reg_query_value(key, "Start") == ("REG_DWORD", "0x3")
    assert reg_query_value(key, "DependOnService") == ("REG_MULTI_SZ", "tlxdepC")
    lower = rf"HKLM\System\CurrentControlSet\Services\{prefix}-lower"
    assert reg_query_value(lower, "ObjectName") == ("REG_SZ", "nt authority\\system")


@pytest.mark.usefixtures("unmanaged_prefix")
def test_hostile_arguments_change_nothing_else_and_end_nothing(tmp_path):
    """HostileTable's rows; what they must leave as it was is checked here from outside too."""
    base, pid = rf"Software\tlxtest\hostile-{os.getpid()}", os.getpid()
    work = tmp_path / "work"
    work.mkdir()
    _, _, rows = run_table(tmp_path, "Hostile", base, winpath(work), winpath(TOOLS_DIR / "test_service.exe"),
                           f"tlxhostile{pid}", rf"\\.\pipe\tlxtest-hostile-{pid}-{tmp_path.name}",
                           winpath(TOOLS_DIR / "versioned_1_2_3_4.dll"), settings={123: "-Xmx48m"})
    assert len(rows) >= 40
    victim = rf"HKCU\{base}\victim"
    assert reg_query_value(victim, "x") == ("REG_SZ", "kept")
    assert reg_query_value(victim + r"\child", "y") == ("REG_MULTI_SZ", "a\\0b")
    assert reg("query", rf"HKCU\{base}\sibling").code == 0 and reg("query", rf"HKCU\{base}\new").code != 0
    assert sorted(p.name for p in work.iterdir()) == ["endless.bin", "victim.txt"]
    assert (work / "victim.txt").read_bytes() == b"kept"
    # The victim service was there throughout, and was removed at the end.
    assert reg("query", rf"HKLM\System\CurrentControlSet\Services\tlxhostile{pid}-victim").code != 0
