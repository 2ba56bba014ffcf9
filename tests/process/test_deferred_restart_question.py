"""Deferred deletion with a file that stays locked: after about 60 passes it is
scheduled for deletion at restart and the user is asked whether to restart
Windows now. The real launcher under wine64 shows the question box on the X
display; the dialog helper reads and answers it. Each scenario runs in a
prefix of its own: "No" leaves the prefix's one restart marker, "Yes"
restarts the prefix's Wine session."""
import time

from deferred_support import (LOCKED_RUN_LIMIT, PASSES_SECONDS, assert_marker, finish_handler, ide_files,
                              is_pending, is_pending_windows, list_bytes, marker_values, sandbox,
                              semaphore_name, start_handler, write_list)
from harness import STUB_X64, Holder, press, wait_dialog, wait_until, winpath

CAPTION = "tolvanrix"
IDYES, IDNO = 6, 7


def question_box():
    box = wait_dialog(CAPTION, timeout=LOCKED_RUN_LIMIT, exe=STUB_X64)
    assert box is not None, "no question box"
    buttons = {c["id"]: c["text"].replace("&", "") for c in box["controls"] if c["class"].lower() == "button"}
    assert buttons == {IDYES: "Yes", IDNO: "No"}
    return box


def test_no_leaves_the_restart_marker(tmp_path, own_prefix, display):
    locked, = sandbox(tmp_path, "app/bin/busy.dll")
    question = ["Some files are still in use.", "Restart the computer now to remove them?"]
    deletion_list = write_list(tmp_path / "list.txt", list_bytes(
        semaphore_name(), "reboot_deletion", question, ["The restart failed."], files=[winpath(locked)]))
    with Holder("file", winpath(locked), tmp_path):
        handler = start_handler(deletion_list)
        time.sleep(15)
        assert not is_pending(locked), "locked file scheduled before the last pass"
        box = question_box()
        seconds = time.monotonic() - handler[3]
        assert box["text"] == "".join(line + "\r\n" for line in question)
        assert is_pending(locked), "question asked before the locked file was scheduled"
        assert not deletion_list.exists(), "list still there when the question is asked"
        press(CAPTION, IDNO, exe=STUB_X64)
        run, _ = finish_handler(handler, timeout=30)
        values = marker_values()
        marker_pending = bool(values[0]) and is_pending_windows(values[0][1])
    assert PASSES_SECONDS <= seconds < PASSES_SECONDS + 30
    assert run.code == 0
    assert_marker(values, marker_pending)
    assert locked.exists()


def test_yes_restarts_windows(tmp_path, own_prefix, display):
    locked, = sandbox(tmp_path, "busy.txt")
    # "Sure?" and its LF are 6 units: just long enough to be asked.
    deletion_list = write_list(tmp_path / "list.txt", list_bytes(
        semaphore_name(), "reboot_deletion", ["Sure?"], ["The restart failed."], files=[winpath(locked)],
        eol="\n"))
    # The session keeper rules out a new Wine session, which would also carry
    # out the pending deletions, as the cause of the file's removal.
    with Holder("semaphore", semaphore_name(), tmp_path):
        with Holder("file", winpath(locked), tmp_path):
            handler = start_handler(deletion_list)
            box = question_box()
            assert box["text"] == "Sure?\n"
            assert is_pending(locked)
        assert locked.exists()
        press(CAPTION, IDYES, exe=STUB_X64)
        run, _ = finish_handler(handler, timeout=30)
        assert run.code == 0
        assert wait_until(lambda: not locked.exists(), timeout=30), \
            "no restart: the file scheduled for deletion at restart is still there"
        values = marker_values()
    assert values == [None, None]
    assert ide_files() == set()
