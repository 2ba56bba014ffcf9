"""The file and task dialog natives as the Java runtime uses them: a setup
file made by our build tool runs DialogTable in the real JDK inside the real
launcher; the dialogs it opens are Wine's own, shown under Xvfb, and the test
answers them through the dialog helper as a user would."""
import pytest

from harness import TOOLS_DIR, dlghelper, finish, press, run_wine, run_with_windows_env, type_into, wait_dialog, winpath
from test_natives import rows_of, table_setup

IDOK, IDCANCEL = 1, 2
FILE_NAME_EDIT = 1152   # Wine's file dialog: the name box


def dialog(caption, timeout=60):
    """The visible controls of the dialog by class and text, and the dialog."""
    window = wait_dialog(caption, timeout=timeout)
    assert window, f"the dialog {caption!r} never came"
    found = {"Static": {}}
    for c in window["controls"]:
        if c["visible"]:
            found.setdefault(c["class"], {})[c["text"]] = c
    return found, window


def set_check(caption, label, state):
    code, data = dlghelper("click", caption, None, "--button", label, "--state", "1" if state else "0")
    assert code == 0, data


def answer_dialogs(owner):
    found = dialog("tlx open", timeout=180)[0]
    assert "Options:" not in found["Static"]   # one check box: no group
    assert found["Button"]["Read only"]["checked"] is False and found["Button"]["Take"]["default"] is True
    types = found["ComboBox"]["Text files"]
    assert (types["items"], types["selected"]) == (2, 0)
    set_check("tlx open", "Read only", True)
    type_into("tlx open", FILE_NAME_EDIT, "notes.txt")
    press("tlx open", IDOK)

    found = dialog("tlx save")[0]
    assert (found["Button"]["Overwrite"]["checked"], found["Button"]["Keep copy"]["checked"]) == (True, False)
    assert "Options:" in found["Static"] and found["Edit"]["draft"]
    assert found["ComboBox"]["Data files"]["selected"] == 1
    set_check("tlx save", "Overwrite", False)
    set_check("tlx save", "Keep copy", True)
    press("tlx save", IDOK)

    buttons = dialog("tlx cancel")[0]["Button"]
    assert (buttons["Keep"]["checked"], buttons[""]["checked"]) == (True, False)
    set_check("tlx cancel", "Keep", False)
    press("tlx cancel", IDCANCEL)

    found, task = dialog("tlx task")
    buttons = found["Button"]
    assert [buttons[label]["id"] for label in ("First", "Second", "Third")] == [101, 102, 103]
    assert buttons["Third"].get("default") and not buttons["First"].get("default")
    assert task["text"] == "Choose\nWhich one?"
    set_check("tlx task", "Do not ask again", True)
    press("tlx task", "Second")

    code, data = dlghelper("close", "tlx task closed", timeout=60)
    assert code == 0, f"the second task dialog never came: {data}"

    owned = dialog("tlx task owned")[1]
    assert owned["owner"] == owner["hwnd"], (owned, owner)
    press("tlx task owned", "Fine")


@pytest.mark.usefixtures("unmanaged_prefix")
def test_file_and_task_dialogs_answered_by_the_user(tmp_path):
    work = tmp_path / "work"
    work.mkdir()
    (work / "notes.txt").write_text("chosen")
    owner_proc = run_wine(TOOLS_DIR / "window_owner.exe", ["closes", "tlx owner"], wait=False)
    setup = table_setup(tmp_path / "setup")
    try:
        owner = wait_dialog("tlx owner", timeout=60)
        assert owner, "the owner window never came"
        proc = run_with_windows_env(setup, ["Dialog", winpath(work), owner["hwnd"]], wait=False)
        try:
            answer_dialogs(owner)
        finally:
            run = finish(*proc, timeout=120)
    finally:
        dlghelper("close", "tlx owner", timeout=5)
        finish(*owner_proc, timeout=60)
    rows_of(run)
