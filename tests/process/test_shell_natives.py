"""The shell and window natives as the runtime uses them, inside the real
launcher: shortcut files saved through the runtime's ShellLink class and read
back by the shell's own link object (tests/tools/lnkinfo.exe), the object
picker of a process without a window, and the handle of a real AWT window of
the Windows JDK 9, compared with the window the dialog helper finds."""
import json
import re
import uuid

from harness import (TOOLS_DIR, finish, jdk_dir, probe_setup, run_wine, run_with_windows_env, wait_dialog,
                     wait_until, winpath)
from test_natives import PACKAGE, report_of, run_scenario


def read_links(*paths) -> dict:
    run = run_wine(TOOLS_DIR / "lnkinfo.exe", [winpath(p) for p in paths], timeout=60)
    assert run.code == 0, run.stderr
    return {entry["file"].rsplit("\\", 1)[1]: entry for entry in map(json.loads, run.stdout.splitlines())}


def test_shortcuts_read_back_by_the_shell_and_the_picker_without_a_window(tmp_path, monkeypatch):
    # Wine's shell traces the notifications it is given and reports each
    # data-flags write it does not carry out: that is how the two show here.
    monkeypatch.setenv("WINEDEBUG", "-all,trace+shell,fixme+shell")
    links = tmp_path / "links"
    links.mkdir()
    target, icon = TOOLS_DIR / "holder.exe", TOOLS_DIR / "versioned_1_2_3_4.dll"
    run, _ = run_scenario(tmp_path, "ShellScenario", winpath(links), winpath(target), winpath(icon))
    r = report_of(run)

    assert (r["bound"], r["init"], r["uninit"]) == ("true", "true", "true")
    assert [r["create." + name] for name in ("full", "bare", "runas", "nodir", "notarget")] == ["true"] * 5
    # Nothing is saved into a missing directory, nor without a file name.
    assert (r["create.missingDir"], r["create.noFile"]) == ("false", "false")
    assert sorted(p.name for p in links.iterdir()) == ["bare.lnk", "full.lnk", "nodir.lnk", "notarget.lnk", "runas.lnk"]
    assert r["notify"] == "true true"
    # A created item, then its directory updated and flushed: the path of
    # the array cut before its terminator reaches the shell whole, the
    # missing one as none.
    calls = re.findall(r"SHChangeNotify \((0x[0-9a-f]+),(0x[0-9a-f]+),([0-9A-F]+),", run.stderr)
    assert [(event, flags, int(item, 16) != 0) for event, flags, item in calls] == [
        ("0x00000002", "0x00000005", True), ("0x00001000", "0x00001005", True),
        ("0x00000002", "0x00000005", True), ("0x00001000", "0x00001005", False)]
    parsed = re.findall(r'ISF_Desktop_fnParseDisplayName .*?=L"(.*?)"', run.stderr)
    assert parsed.count(winpath(links / "full.lnk").replace("\\", "\\\\")) == 2, parsed
    # No window of its own and no console: the picker has no owner.
    assert r["picker"] == "null"
    assert "could not find window\nnatives.picker=null" in run.stdout.replace("\r\n", "\n")

    found = read_links(*sorted(links.iterdir()))
    assert all("target" in entry for entry in found.values()), found  # each one loaded
    targets = [found[name]["target"] for name in ("full.lnk", "bare.lnk", "runas.lnk", "nodir.lnk")]
    assert targets == [winpath(target)] * 4
    full = found["full.lnk"]
    assert (full["arguments"], full["directory"]) == ('--mode full "a b"', winpath(links))
    assert full["description"] == "Gr\u00fc\u00dfe \u4e2d description"
    assert (full["icon"], full["iconIndex"]) == (winpath(icon), 0)
    # Wine reads no show command back, so only its save is shown here.
    bare = found["bare.lnk"]
    assert (bare["arguments"], bare["description"], bare["icon"]) == ("", "", "")
    # A field without a value is left unset, not handed to the shell as null.
    assert found["nodir.lnk"]["directory"] == "" and found["notarget.lnk"]["target"] == ""
    # Wine takes the run-as flag without storing it: the link shows the
    # call's success, and Wine's report the flags written, run-as among them.
    assert found["runas.lnk"]["description"] == "elevated"
    written = [int(flags) for flags in re.findall(r"ShellLink_SetFlags \(\w+\)->\((\d+)\)", run.stderr)]
    assert len(written) == 1 and written[0] & 0x2000, run.stderr


def test_handle_of_a_real_awt_window(tmp_path, display):
    title = f"tlx-window-{uuid.uuid4().hex[:8]}"
    release = tmp_path / "release"
    temp = tmp_path / "temp"
    temp.mkdir()
    setup = probe_setup(tmp_path / "setup", settings={122: PACKAGE + "WindowScenario",
                                                      128: f"A{winpath(jdk_dir('win64-9'))};"})
    proc, out, err = run_with_windows_env(setup, [title, winpath(release)], {"TEMP": winpath(temp)}, wait=False)
    try:
        wait_until(lambda: "natives.picker=" in out.read_text(errors="replace") or proc.poll() is not None, 180)
        window = wait_dialog(caption=title, timeout=30)
    finally:
        release.touch()
    run = finish(proc, out, err, timeout=120)
    r = report_of(run)

    assert window is not None, "the scenario's frame never showed"
    assert (int(r["hwnd"]), int(r["pid"])) == (window["hwnd"], window["pid"])
    # No method, a target of another class, no target: no call, no crash.
    assert (r["noMethod"], r["wrongTarget"]) == ("0", "0 0")
    # With an owner the picker goes on to the system's, which here answers at once with nothing.
    assert r["picker"] == "null" and "could not find window" not in run.stdout
