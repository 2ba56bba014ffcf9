"""The dialog helper against Wine's real windows: message boxes and a modal
progress dialog shown by our probe program under wine64 on an X display are
found, read, answered and closed; the probe's exit code tells which button
really reached it."""
import re
import uuid

import pytest

from harness import (DLGHELPER, TOOLS_DIR, close_window, decode_png, dlghelper, find_control, finish, list_windows,
                     press, run_wine, screenshot, wait_dialog, wait_gone, wait_until)

PROBE = TOOLS_DIR / "msgbox_probe.exe"
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7


class Probe:
    def __init__(self, args):
        self.proc, self.out, self.err = run_wine(PROBE, args, wait=False)
        self._run = None

    @property
    def pid(self) -> int:
        """The probe's Windows process id, which it prints first."""
        found = wait_until(lambda: re.search(r"pid=(\d+)", self.out.read_text()), timeout=60)
        assert found, f"probe printed no pid: {self.out.read_text()!r}"
        return int(found.group(1))

    def running(self) -> bool:
        return self.proc.poll() is None

    def result(self, timeout=30):
        if self._run is None:
            self._run = finish(self.proc, self.out, self.err, timeout)
        return self._run


@pytest.fixture
def probe(display):
    started = []

    def start(*args):
        started.append(Probe(args))
        return started[-1]

    yield start
    for p in started:
        if p.running():
            p.proc.kill()
            p.proc.wait()


def unique(title: str) -> str:
    return f"{title} {uuid.uuid4().hex[:8]}"


def buttons(window) -> dict:
    return {c["id"]: c["text"].replace("&", "") for c in window["controls"] if c["class"].lower() == "button"}


def test_reads_a_message_box_and_answers_no(probe):
    caption = unique("Probe question") + " \u00e4"
    box_probe = probe("msgbox", caption.replace("\u00e4", r"\u00e4"),
                      r"Remove the old files?\nThey take 3 MB \u00fc.", "yesno")
    box = wait_dialog(caption, pid=box_probe.pid)
    assert box is not None, "message box not found"
    assert box["caption"] == caption
    assert box["class"] == "#32770"
    assert box["visible"] is True
    assert box["text"] == "Remove the old files?\nThey take 3 MB \u00fc."
    assert buttons(box) == {IDYES: "Yes", IDNO: "No"}

    pressed = press(caption, "No")
    assert pressed["button"]["id"] == IDNO
    run = box_probe.result()
    assert run.code == IDNO, run.stderr
    assert wait_gone(caption)


@pytest.mark.parametrize("style, button, via, expected", [
    ("okcancel", IDCANCEL, "command", IDCANCEL),
    ("okcancel", "OK", "bmclick", IDOK),
    ("yesnocancel", "&yes", "command", IDYES),
    ("ok", "ok", "command", IDOK),
])
def test_presses_buttons_by_id_or_text(probe, style, button, via, expected):
    caption = unique("Probe buttons")
    box_probe = probe("msgbox", caption, "Choose", style)
    pressed = press(caption, button, via=via)
    assert pressed["via"] == via
    assert pressed["window"]["pid"] == box_probe.pid
    assert box_probe.result().code == expected


def test_filters_by_exact_caption_substring_process_and_image(probe):
    caption = unique("Probe filter")
    box_probe = probe("msgbox", caption, "Which one?", "yesno")
    pid = box_probe.pid
    assert wait_dialog(caption, pid=pid) is not None

    assert wait_dialog(caption[:-3], timeout=0.5) is None
    partial = wait_dialog(caption[6:-3], contains=True)
    assert partial is not None and partial["caption"] == caption
    assert wait_dialog(caption, pid=pid + 4, timeout=0.5) is None
    assert wait_dialog(caption, exe=PROBE)["pid"] == pid
    assert wait_dialog(caption, exe="msgbox_probe.exe")["pid"] == pid
    assert wait_dialog(caption, exe="dlghelper.exe", timeout=0.5) is None

    press(caption, IDNO, pid=pid)
    assert box_probe.result().code == IDNO


@pytest.mark.parametrize("pos, low, high", [(37, 10, 90), (-5, -20, 20)])
def test_reads_a_progress_dialog_and_closes_it(probe, pos, low, high):
    caption = unique("Probe progress")
    dialog_probe = probe("progress", caption, r"Unpacking \u00fcber.jar", str(pos), str(low), str(high))
    dialog = wait_dialog(caption, pid=dialog_probe.pid)
    assert dialog is not None, "progress dialog not found"
    assert dialog["text"] == "Unpacking \u00fcber.jar"
    bar = find_control(dialog, id=1002)
    assert bar["class"].lower() == "msctls_progress32"
    assert (bar["pos"], bar["range"]) == (pos, [low, high])
    assert find_control(dialog, text="Keep files")["checked"] == 1
    assert "pos" not in find_control(dialog, id=IDCANCEL)
    retry = find_control(dialog, text="Retry", cls="Button")
    assert retry["enabled"] is False and retry["visible"] is True

    # A disabled button is refused, and the refusal must not reach the dialog.
    with pytest.raises(AssertionError, match="disabled"):
        press(caption, "Retry", timeout=0.5)
    assert dialog_probe.running()

    # WM_CLOSE on a dialog means Cancel.
    assert close_window(caption)
    assert dialog_probe.result().code == IDCANCEL
    assert wait_dialog(caption, timeout=0.5) is None


def test_a_missing_button_is_refused(probe):
    caption = unique("Probe no cancel")
    box_probe = probe("msgbox", caption, "Yes or no only", "yesno")
    with pytest.raises(AssertionError, match="no such button"):
        press(caption, IDCANCEL, timeout=1)
    assert box_probe.running()
    press(caption, "Yes")
    assert box_probe.result().code == IDYES


def test_lists_visible_windows_only(probe):
    caption = unique("Probe list")
    box_probe = probe("msgbox", caption, "Listed", "ok")
    box = wait_dialog(caption)
    assert box is not None
    shown = list_windows()
    mine = [w for w in shown if w["hwnd"] == box["hwnd"]]
    assert len(mine) == 1
    assert (mine[0]["caption"], mine[0]["class"], mine[0]["pid"]) == (caption, "#32770", box_probe.pid)
    assert all(w["visible"] for w in shown)
    assert not any(w["class"] == "#32769" for w in shown), "the desktop window is not a dialog"
    # Wine keeps hidden helper windows (IME, DDE, tray); only --hidden shows them.
    everything = list_windows(hidden=True)
    assert any(not w["visible"] for w in everything)
    assert {w["hwnd"] for w in shown} <= {w["hwnd"] for w in everything}
    press(caption, "OK")
    assert box_probe.result().code == IDOK


def test_not_found_and_usage_errors(display):
    code, data = dlghelper("wait", "--caption", unique("No such window"), timeout=0.3)
    assert code == 1 and data["error"] == "no matching window"
    code, data = dlghelper("gone", "--caption", unique("No such window"), timeout=0.3)
    assert code == 0 and data == {"gone": True}
    for args in ([], ["bogus", "--caption", "x"], ["wait"], ["click", "--caption", "x"],
                 ["wait", "--caption", "x", "--timeout", "soon"], ["wait", "--caption"],
                 ["click", "--caption", "x", "--button", "1", "--via", "mouse"]):
        run = run_wine(DLGHELPER, args, timeout=60)
        assert run.code == 2, (args, run.code, run.stdout, run.stderr)
        assert "usage:" in run.stderr


def test_screenshot_shows_the_dialog(probe, tmp_path):
    caption = unique("Probe screenshot")
    box_probe = probe("msgbox", caption, "Look at me", "ok")
    box = wait_dialog(caption)
    assert box is not None
    shot = screenshot(tmp_path / "screen.png")
    assert shot.stat().st_size > 0
    width, height, size, rows = decode_png(shot.read_bytes())
    assert width > 0 and height > 0

    # Wine paints a light dialog face: the box's area must be bright in the
    # picture, which fails for a blank capture or a rect in other coordinates.
    left, top, right, bottom = box["rect"]
    assert 0 <= left < right <= width and 0 <= top < bottom <= height, box["rect"]
    inside = [sum(rows[y][x * size:x * size + 3]) / 3 for y in range(top + 2, bottom - 2, 4)
              for x in range(left + 2, right - 2, 4)]
    assert sum(inside) / len(inside) > 128, "the dialog's area is dark in the screenshot"
    press(caption, "OK")
    assert box_probe.result().code == IDOK
