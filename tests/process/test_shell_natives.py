"""The shell natives as the runtime uses them, inside the real launcher:
shortcut files saved through the runtime's ShellLink class and read back by
the shell's own link object (tests/tools/lnkinfo.exe), and the object picker
of a process without a window (the window natives of a real AWT window are
checked in test_java_window.py)."""
import json
import re

from harness import TOOLS_DIR, run_wine, winpath
from test_natives import run_table


def test_shortcuts_read_back_by_the_shell_and_the_picker_without_a_window(tmp_path, monkeypatch):
    # Wine's shell traces the notifications it is given and reports each
    # data-flags write it does not carry out: that is how the two show here.
    monkeypatch.setenv("WINEDEBUG", "-all,trace+shell,fixme+shell")
    links = tmp_path / "links"
    links.mkdir()
    target, icon = TOOLS_DIR / "holder.exe", TOOLS_DIR / "versioned_1_2_3_4.dll"
    run, _, _ = run_table(tmp_path, "Shell", winpath(links), winpath(target), winpath(icon))

    assert sorted(p.name for p in links.iterdir()) == ["bare.lnk", "full.lnk", "notarget.lnk"]
    # A created item, then its directory updated and flushed: the path of
    # the array cut before its terminator reaches the shell whole, the
    # missing one as none.
    calls = re.findall(r"SHChangeNotify \((0x[0-9a-f]+),(0x[0-9a-f]+),([0-9A-F]+),", run.stderr)
    assert [(event, flags, int(item, 16) != 0) for event, flags, item in calls] == [
        ("0x00000002", "0x00000005", True), ("0x00001000", "0x00001005", True),
        ("0x00000002", "0x00000005", True), ("0x00001000", "0x00001005", False)]
    parsed = re.findall(r'ISF_Desktop_fnParseDisplayName .*?=L"(.*?)"', run.stderr)
    assert parsed.count(winpath(links / "full.lnk").replace("\\", "\\\\")) == 2, parsed
    # The picker's diagnostic, as it runs.
    assert "could not find window\nnatives.row.picker=ok" in run.stdout.replace("\r\n", "\n")

    read = run_wine(TOOLS_DIR / "lnkinfo.exe", [winpath(p) for p in sorted(links.iterdir())], timeout=60)
    assert read.code == 0, read.stderr
    found = {entry["file"].rsplit("\\", 1)[1]: entry for entry in map(json.loads, read.stdout.splitlines())}
    assert all("target" in entry for entry in found.values()), found  # each one loaded
    assert found["full.lnk"]["target"] == found["bare.lnk"]["target"] == winpath(target)
    full = found["full.lnk"]
    assert (full["arguments"], full["directory"]) == ('--mode full "a b"', winpath(links))
    assert full["description"] == "Gr\u00fc\u00dfe \u4e2d description"
    assert (full["icon"], full["iconIndex"]) == (winpath(icon), 0)
    # Wine reads no show command back, so only its save is shown here.
    # A field without a value is left unset, not handed to the shell as null.
    bare = found["bare.lnk"]
    assert (bare["directory"], bare["arguments"], bare["description"], bare["icon"]) == ("", "", "", "")
    assert found["notarget.lnk"]["target"] == ""
    # Wine takes the run-as flag without storing it: Wine's report shows the
    # one flags write, of the full link, run-as among them.
    written = [int(flags) for flags in re.findall(r"ShellLink_SetFlags \(\w+\)->\((\d+)\)", run.stderr)]
    assert len(written) == 1 and written[0] & 0x2000, run.stderr
