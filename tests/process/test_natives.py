"""The natives as the Java runtime uses them: a setup file made by our build
tool starts one of the scenario classes (tests/java/com/tolvanrix/runtime/
installer/platform/win32) in the real JDK inside the real launcher, whose
natives it calls; the test checks the scenario's report and, from outside,
what the natives did to Wine's registry, files and processes."""
import os
import re
import zipfile
from pathlib import Path

import pytest

from harness import (RUNTIME_JAR, TESTS_JAR, TOOLS_DIR, finish, launcher_logs, probe_setup, read_log, reg, reg_query_value,
                     run_with_windows_env, unixpath, winpath)

PACKAGE = "com.tolvanrix.runtime.installer.platform.win32."
PLATFORM_PATH = "com/tolvanrix/runtime/installer/platform/win32/"


def report_of(run) -> dict:
    """The scenario's "natives.NAME=VALUE" lines; the run must have ended normally."""
    assert run.code == 0 and not run.crashed and not run.timed_out, (run.code, run.stdout, run.stderr)
    lines = run.stdout.replace("\r\n", "\n").split("\n")
    assert "natives.done" in lines, run.stdout
    return dict(line[len("natives."):].split("=", 1) for line in lines if line.startswith("natives.") and "=" in line)


def run_scenario(tmp_path, scenario, *args, files=None, variables=None, settings=None):
    setup = probe_setup(tmp_path / "setup", settings={122: PACKAGE + scenario, **(settings or {})}, files=files)
    temp = tmp_path / "temp"
    temp.mkdir(exist_ok=True)
    env = {"TEMP": winpath(temp), "TMP": winpath(temp), "TOLVANRIX_LOG": "yes", **(variables or {})}
    return run_with_windows_env(setup, [str(a) for a in args], env, timeout=300), temp


def test_registry_round_trips_and_reg_exe_sees_the_result(tmp_path, private_prefix):
    base = r"Software\tlxtest\natives"
    hkcu = "HKCU\\" + base
    reg("add", hkcu + r"\fromTest", "/v", "text", "/t", "REG_SZ", "/d", "written by reg.exe", "/f", check=True)
    reg("add", hkcu + r"\fromTest", "/v", "qword", "/t", "REG_QWORD", "/d", "5", "/f", check=True)
    hive = tmp_path / "saved.hive"
    run, _ = run_scenario(tmp_path, "RegistryScenario", base, winpath(hive))
    r = report_of(run)

    assert r["bound"] == "true"
    assert r["fromTest.text"] == "written by reg.exe"
    assert r["fromTest.qword"] == "null"
    # Each type written whole and read back whole, also beyond 100,000 bytes.
    assert [r["set." + k] for k in ("string", "long", "expand", "dword", "multi", "multiEmpty", "binary", "default")] \
        == ["true"] * 8
    assert r["get.string"] == "true" and r["get.multi"] == "true"
    assert r["get.long.length"] == "60000"
    assert r["get.expand"] == "com.tolvanrix.api.windows.WinRegistry$ExpandString:%SystemRoot%\\x"
    assert r["get.dword"] == "-5"
    assert r["get.multiEmpty"] == "[]"
    assert r["get.binary"] == "200000 true"
    assert r["get.default"] == "unnamed" and r["get.gone"] == "null"
    # A value name longer than the first enumeration buffer comes back whole.
    names = r["names"].replace("<5000 units>", "LONG").split()
    assert sorted(names) == sorted(["string", "long", "expand", "dword", "multi", "multiEmpty", "binary", "LONG"])
    # Key trees.
    assert r["create.deep"] == "true"
    assert r["subkeys"] == "[a, c, d]"
    assert r["subkeys.missing"] == "null"
    assert r["onlyIfEmpty.kept"] == "true" and r["onlyIfEmpty.emptyGone"] == "true" and r["tree.gone"] == "true"
    # The 32-bit view is Wow6432Node, and only there.
    assert r["view32.set"] == "true" and r["view32.get"] == "32" and r["view64.get"] == "null"
    assert r["view32.removed"] == "true"
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
    assert r["saved"] == "true" and hive.stat().st_size > 0


def versioned_files(tmp_path):
    """The windres-built files of three versions, a copy, and a file without a version resource."""
    files = {v: TOOLS_DIR / f"versioned_{v}.dll" for v in ("1_2_3_4", "1_2_10_0", "40000_0_0_0")}
    copy = tmp_path / "copy_of_1_2_3_4.dll"
    copy.write_bytes(files["1_2_3_4"].read_bytes())
    plain = tmp_path / "plain.txt"
    plain.write_text("no version here")
    return [winpath(p) for p in (files["1_2_3_4"], copy, files["1_2_10_0"], files["40000_0_0_0"], plain)]


def test_folders_drives_short_names_and_file_versions(tmp_path):
    work = tmp_path / "work"
    (work / "a long directory name").mkdir(parents=True)
    run, _ = run_scenario(tmp_path, "FolderScenario", winpath(work), *versioned_files(tmp_path))
    r = report_of(run)

    # same, second newer, first newer, unsigned high word, again reversed, no resource
    assert r["compare"] == "0 2 1 1 2 3"
    user = os.environ.get("USER") or "root"
    folders = {key[len("folder."):]: value for key, value in r.items() if key.startswith("folder.")}
    assert folders["7.all"].lower() == r"c:\programdata"
    assert folders["7.user"].lower() == rf"c:\users\{user}\appdata\roaming".lower()
    assert folders["12.user"] == folders["1.user"] and folders["12.all"] == folders["1.user"]
    assert folders["5.all"] == folders["5.user"] and folders["11.all"] == folders["11.user"]
    for name, path in folders.items():
        assert re.match(r"[A-Za-z]:\\", path), (name, path)
        assert unixpath(path).is_dir(), (name, path)   # made when missing
    assert r["registry.programFiles"].lower() == r"c:\program files"
    assert r["registry.missing"] == "null"
    assert r["windows"].lower() == r"c:\windows" and r["system"].lower() == r"c:\windows\system32"
    assert r["drives"] == "3 1"
    # Only Wine knows the short names it made up; the scenario checked that it finds the directory by it.
    assert re.fullmatch(r"[A-Z0-9_]{1,6}~[A-Z0-9]{1,3}", r["short"].rsplit("\\", 1)[1]), r["short"]
    assert r["short.isDirectory"] == "true"
    assert r["short.missing.same"] == "true"
    assert r["downloads"].lower().endswith("\\downloads")
    assert re.fullmatch(r";\d+", r["universal.local"]), r["universal.local"]


@pytest.mark.usefixtures("unmanaged_prefix")
def test_processes_environment_and_restart_moves(tmp_path):
    work = tmp_path / "work"
    work.mkdir()
    doomed, moved = work / "doomed.txt", work / "moved.txt"
    doomed.write_text("delete me at restart")
    moved.write_text("move me at restart")
    run, _ = run_scenario(tmp_path, "MiscScenario", winpath(work), winpath(TOOLS_DIR / "window_owner.exe"),
                          winpath(doomed), winpath(moved), winpath(work / "target.txt"),
                          variables={"TLXTEST_ENV": "Gr\u00fc\u00dfe \u4e2d"})
    r = report_of(run)

    assert r["env.found"] == "true"
    mem_total = next(int(line.split()[1]) * 1024 for line in Path("/proc/meminfo").read_text().splitlines()
                     if line.startswith("MemTotal:"))
    assert abs(int(r["memory"]) - mem_total) < 64 << 20, (r["memory"], mem_total)
    stat = os.statvfs(work)
    assert abs(int(r["disk"]) - stat.f_bavail * stat.f_frsize) < 256 << 20
    assert r["disk.missing"] == "-1"

    assert r["modules.self"] == "true"
    assert r["launch.missing"] == "2"
    assert [r["launch.tlx" + n] for n in "ABCD"] == ["0"] * 4
    assert r["titles"] == "tlxA tlxB tlxD []"
    assert r["titles.crossed"] == "0"
    assert (r["gentle.closes"], r["gentle.closes.gone"]) == ("1", "true")
    assert r["gentle.ignored"] == "3"
    # C has no visible window: 0, and C lives on, while D got its close request.
    assert (r["gentle.hidden"], r["gentle.hidden.others"]) == ("0", "true true")
    assert r["gentle.tooMany"] == "2"
    assert (r["force"], r["force.gone"]) == ("1", "true true")
    assert r["force.missing"] == "0"

    assert r["reboot.delete"] == "true" and r["reboot.move"] == "true"
    pending = reg_query_value(r"HKLM\System\CurrentControlSet\Control\Session Manager",
                              "PendingFileRenameOperations")
    assert pending is not None
    entries = pending[1].split("\\0")
    assert "\\??\\" + winpath(doomed) in entries
    at = entries.index("\\??\\" + winpath(moved))
    assert entries[at + 1].lstrip("!").endswith(winpath(work / "target.txt"))


def test_registration_stops_at_the_first_missing_class(tmp_path):
    """A runtime jar without Misc: the classes before it stay bound, none after it is tried."""
    partial = tmp_path / "tlxruntime.jar"
    with zipfile.ZipFile(RUNTIME_JAR) as source, zipfile.ZipFile(partial, "w") as target:
        for item in source.infolist():
            if item.filename != PLATFORM_PATH + "Misc.class":
                target.writestr(item, source.read(item.filename))
    run, temp = run_scenario(tmp_path, "BindingScenario",
                             files=[(partial, "tlxruntime.jar"), (TESTS_JAR, "tlxtests.jar")])
    r = report_of(run)
    assert r["bound"] == "false"
    assert r["fileVersion"] == "3"
    assert r["registry"] == "unbound" and r["services"] == "unbound"
    log = next(read_log(p) for p in launcher_logs(temp) if "calling main" in read_log(p))
    errors = [line for line in log.splitlines() if line.startswith("ERROR: ")]
    assert errors == ["ERROR: could not load class com/tolvanrix/runtime/installer/platform/win32/Misc",
                      "ERROR: registering helper dll failed"]


def test_two_runtimes_exchange_blocks_over_a_pipe(tmp_path):
    """A listener and a client, each a setup run in its own launcher process."""
    name = rf"\\.\pipe\tlxtest-{os.getpid()}-{tmp_path.name}"
    started = []
    for role in ("listen", "client"):
        setup = probe_setup(tmp_path / role, settings={122: PACKAGE + "PipeScenario"})
        temp = tmp_path / role / "temp"
        temp.mkdir()
        env = {"TEMP": winpath(temp), "TMP": winpath(temp)}
        started.append(run_with_windows_env(setup, [role, name], env, wait=False))
    runs = [finish(*proc, timeout=400) for proc in started]
    listener, client = (report_of(run) for run in runs)

    assert listener["pid.same"] == client["pid.same"] == "true"
    assert listener["created"] == "true" and listener["second"] == "-1"
    assert listener["connected"] == "true" and client["client.connected"] == "true"
    assert listener["partner.alive"] == "true"
    assert (listener["empty"], client["answerEmpty"]) == ("byte[0]", "byte[0]")
    assert listener["big"] == "true" and client["sent"] == "true" and client["answer"] == "true"
    assert listener["tooLong.written"] == "false" and listener["bye"] == "byte[3]"
    assert listener["partner.gone"] == "true" and listener["self.alive"] == "true"
    # Nobody ever creates this name: the client gives up after its retries and says so.
    assert client["nobody"] == "0"
    assert re.search(r"^could not open file 2 " + re.escape(name + "-nobody") + r"\r?$", runs[1].stdout, re.M)


@pytest.mark.usefixtures("private_prefix")
def test_services_installed_run_configured_and_removed(tmp_path):
    prefix = f"tlxsvc{os.getpid()}"
    run, _ = run_scenario(tmp_path, "ServicesScenario", winpath(TOOLS_DIR / "test_service.exe"), prefix)
    r = report_of(run)

    # query, start type, stop, start, delete, restart settings, binary of a service nobody installed
    assert r["missing"] == "1060 1060 1060 1060 1060 1060 [ 1060]"
    assert (r["install"], r["install.again"]) == ("0", "1073")
    assert r["binary"] == '"' + winpath(TOOLS_DIR / "test_service.exe") + '"'
    assert r["installed"] == "-3 -1"
    assert (r["start"], r["running"]) == ("0", "true")
    assert r["stop"] == "0 -1" and r["stop.again"] == "1062"
    assert (r["change"], r["startType"], r["depends"]) == ("0", "-2", "[tlxdepA, tlxdepB]")
    assert r["change.commas"] == "0" and r["depends.commas"] == "[tlxdepC]"
    assert r["restart"] == "0 0"
    assert r["lower"] == "0 0"
    # Hung in "stop pending" without progress: given up once its wait hint passed.
    assert r["stuck.install"] == "0" and r["stuck.start"] == "0 true"
    assert (r["stuck.stop"], r["stuck.uninstall"]) == ("5001", "0")
    assert r["gone"] == "0 0 1060"

    # What the service manager stored.
    key = rf"HKLM\System\CurrentControlSet\Services\{prefix}-main"
    assert reg_query_value(key, "DisplayName") == ("REG_SZ", "Tlx Renamed")
    assert reg_query_value(key, "ObjectName") == ("REG_SZ", "LocalSystem")
    assert reg_query_value(key, "Description") == ("REG_SZ", "described by the test")
    assert reg_query_value(key, "Start") == ("REG_DWORD", "0x3")
    assert reg_query_value(key, "DependOnService") == ("REG_MULTI_SZ", "tlxdepC")
    lower = rf"HKLM\System\CurrentControlSet\Services\{prefix}-lower"
    assert reg_query_value(lower, "ObjectName") == ("REG_SZ", "nt authority\\system")


def test_accounts_elevation_and_access_entries(tmp_path):
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
    run, temp = run_scenario(tmp_path, "AccountsScenario", winpath(work), key, winpath(plain), winpath(secret))
    r = report_of(run)

    assert re.fullmatch(r"S-1-5-21(-\d+)+", r["sid"]), r["sid"]
    # Wine runs everything elevated: a full token, administrators enabled.
    assert r["elevation"] == "2"
    assert r["member"] == "true true false"   # administrators, users, not backup operators
    user = os.environ.get("USER") or "root"
    assert r["name.self"].endswith("\\" + user) and not r["name.self"].startswith(".")
    assert r["name.self.only"] == user
    assert r["name.fixed"] == r"NT AUTHORITY\System|NT AUTHORITY\LocalService|NT AUTHORITY\NetworkService"
    assert r["name.admins"] == r".\Administrators|Administrators"
    assert r["name.bad"] == "[ 1337]"
    assert r["profile.system"] == "[ no user account]"
    assert r["profile.bad"] == "[ could not convert sid 1337]"
    # Wine's LogonUser is a stub whose token the profile function refuses (invalid handle).
    assert r["profile.self"] == "[ could not get user profile dir 6]"
    # Wine's account functions: the group and the user are "made", the user's SID cannot be read back.
    assert re.fullmatch(r"3 [1-9]\d*", r["addUser"]), r["addUser"]
    assert r["delete"] == "0 0"
    assert r["lsa"] == "true false"   # an account nobody has is refused before the (stubbed) call
    assert r["elevated"] == "true" and r["elevated.missing"] == "false"
    assert (work / "elevated.txt").read_text().strip().lower() == winpath(work).lower()
    # Registry key ACLs are real here; file DACLs are a stub that reports success.
    assert r["ace.key"] == "true true true true"
    assert (r["ace.account"], r["ace.missingKey"], r["ace.file"]) == ("false", "false", "true")
    diagnostics = [line for line in run.stdout.splitlines() if "Error" in line]
    assert diagnostics == ["GetNamedSecurityInfo Error 2 CURRENT_USER\\" + key + "\\missing"], diagnostics
    # The password went to the system and nowhere else.
    outputs = [run.stdout, run.stderr] + [read_log(p) for p in launcher_logs(temp)]
    assert launcher_logs(temp) and not any(password in text for text in outputs)


@pytest.mark.usefixtures("unmanaged_prefix")
def test_hostile_arguments_change_nothing_else_and_end_nothing(tmp_path):
    """HostileTable: every native with null, empty, U+0000-holding and 40,000-unit strings, handles that are
    none, negative numbers; each row must answer without an exception and leave the run's registry tree, files,
    victim service and pending renames as they were (checked around every row, and here from outside)."""
    base, pid = rf"Software\tlxtest\hostile-{os.getpid()}", os.getpid()
    work = tmp_path / "work"
    work.mkdir()
    run, _ = run_scenario(tmp_path, "Scenario", "Hostile", base, winpath(work), winpath(TOOLS_DIR / "test_service.exe"),
                          f"tlxhostile{pid}", rf"\\.\pipe\tlxtest-hostile-{pid}-{tmp_path.name}",
                          winpath(TOOLS_DIR / "versioned_1_2_3_4.dll"), settings={123: "-Xmx48m"})
    r = report_of(run)

    rows = {name[len("row."):]: verdict for name, verdict in r.items() if name.startswith("row.")}
    failed = [f"{name}: {verdict}" for name, verdict in rows.items() if verdict != "ok"]
    assert not failed, "\n".join(failed)
    assert r["rows"] == f"{len(rows)} run, 0 failed" and len(rows) >= 40
    victim = rf"HKCU\{base}\victim"
    assert reg_query_value(victim, "x") == ("REG_SZ", "kept")
    assert reg_query_value(victim + r"\child", "y") == ("REG_MULTI_SZ", "a\\0b")
    assert reg("query", rf"HKCU\{base}\sibling").code == 0 and reg("query", rf"HKCU\{base}\new").code != 0
    assert sorted(p.name for p in work.iterdir()) == ["endless.bin", "victim.txt"]
    assert (work / "victim.txt").read_bytes() == b"kept"
    # The victim service was there throughout, and was removed at the end.
    assert reg("query", rf"HKLM\System\CurrentControlSet\Services\tlxhostile{pid}-victim").code != 0
