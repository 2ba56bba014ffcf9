"""The file and task dialog natives as the Java runtime uses them: a setup
file made by our build tool starts DialogScenario in the real JDK inside the
real launcher; the dialogs it opens are Wine's own, shown under Xvfb, and the
test answers them through the dialog helper as a user would."""
import pytest

from harness import (TOOLS_DIR, dlghelper, finish, press, probe_setup, reg, run_wine, run_with_windows_env,
                     type_into, wait_dialog, winpath)
from test_natives import PACKAGE, report_of

IDOK, IDCANCEL = 1, 2
FILE_NAME_EDIT = 1152   # Wine's file dialog: the name box


def controls(window, cls):
    return {c["text"]: c for c in window["controls"] if c["class"] == cls and c["visible"]}


def set_check(caption, label, state):
    code, data = dlghelper("check", caption, None, "--button", label, "--state", "1" if state else "0")
    assert code == 0, data


def answer_file_dialogs(work):
    opened = wait_dialog("tlx open", timeout=180)
    assert opened, "the open dialog never came"
    assert "Options:" not in controls(opened, "Static")   # one check box: no group
    assert controls(opened, "Button")["Read only"]["checked"] is False
    assert controls(opened, "Button")["Take"]["default"] is True
    types = controls(opened, "ComboBox")["Text files"]
    assert (types["items"], types["selected"]) == (2, 0)
    set_check("tlx open", "Read only", True)
    type_into("tlx open", FILE_NAME_EDIT, "notes.txt")
    press("tlx open", IDOK)

    saved = wait_dialog("tlx save", timeout=60)
    assert saved, "the save dialog never came"
    assert "Options:" in controls(saved, "Static")
    boxes = controls(saved, "Button")
    assert (boxes["Overwrite"]["checked"], boxes["Keep copy"]["checked"]) == (True, False)
    assert controls(saved, "ComboBox")["Data files"]["selected"] == 1
    assert controls(saved, "Edit")["draft"]
    set_check("tlx save", "Overwrite", False)
    set_check("tlx save", "Keep copy", True)
    press("tlx save", IDOK)

    cancelled = wait_dialog("tlx cancel", timeout=60)
    assert cancelled, "the dialog to cancel never came"
    boxes = controls(cancelled, "Button")
    assert (boxes["Keep"]["checked"], boxes[""]["checked"]) == (True, False)
    set_check("tlx cancel", "Keep", False)
    press("tlx cancel", IDCANCEL)


def answer_task_dialogs(owner):
    task = wait_dialog("tlx task", timeout=60)
    assert task, "the task dialog never came"
    buttons = controls(task, "Button")
    assert [buttons[label]["id"] for label in ("First", "Second", "Third")] == [101, 102, 103]
    assert buttons["Third"].get("default") and not buttons["First"].get("default")
    assert task["text"] == "Choose\nWhich one?"
    set_check("tlx task", "Do not ask again", True)
    press("tlx task", "Second")

    assert wait_dialog("tlx task closed", timeout=60), "the second task dialog never came"
    code, data = dlghelper("close", "tlx task closed")
    assert code == 0, data

    owned = wait_dialog("tlx task owned", timeout=60)
    assert owned and owned["owner"] == owner["hwnd"], (owned, owner)
    press("tlx task owned", "Fine")


@pytest.mark.usefixtures("private_prefix")
def test_file_and_task_dialogs_answered_by_the_user(tmp_path, display):
    reg("add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f", check=True)
    work = tmp_path / "work"
    work.mkdir()
    (work / "notes.txt").write_text("chosen")
    owner_proc = run_wine(TOOLS_DIR / "window_owner.exe", ["closes", "tlx owner"], wait=False)
    setup = probe_setup(tmp_path / "setup", settings={122: PACKAGE + "DialogScenario"})
    try:
        owner = wait_dialog("tlx owner", timeout=60)
        assert owner, "the owner window never came"
        proc = run_with_windows_env(setup, [winpath(work), str(owner["hwnd"])], wait=False)
        try:
            answer_file_dialogs(work)
            answer_task_dialogs(owner)
        finally:
            run = finish(*proc, timeout=120)
    finally:
        dlghelper("close", "tlx owner", timeout=5)
        finish(*owner_proc, timeout=60)
    r = report_of(run)

    assert r["bound"] == "true"
    # A gone owner window: nothing shown, the failure told as such.
    assert (r["stale.file"], r["stale.task"]) == ("null", "0")
    assert r["open"] == f"[{winpath(work / 'notes.txt')}]"
    assert r["open.states"] == "[true]"
    # Exactly one path; Wine gives it the extension of the chosen type.
    assert r["save"] in (f"[{winpath(work / 'draft.dat')}]", f"[{winpath(work / 'draft.txt')}]"), r["save"]
    assert r["save.states"] == "[false, true]"
    assert (r["cancel"], r["cancel.states"]) == ("null", "[true]")
    assert (r["task.second"], r["task.closed"], r["task.owned"]) == ("-2", "1000", "1")
