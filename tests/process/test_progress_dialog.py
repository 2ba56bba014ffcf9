"""The progress dialog on an X display, as the dialog helper reads it and a screenshot shows it."""
import pytest

from harness import (close_windows_of, find_control, press, probe_setup, run_setup, running, screenshot_rgb,
                     wait_dialog, wait_until)
from setup_cases import MESSAGES, build, extraction_dirs, log_text, marker, run_launcher, set_marker, temp_switch

CAPTION = MESSAGES[20013]
RECORDS = 6000  # each costs a few milliseconds: the extraction lasts long enough to watch


@pytest.fixture
def slow_setup(tmp_path):
    source = tmp_path / "piece.txt"
    source.write_bytes(b"one of many small runtime files\r\n")
    return build(tmp_path, [(source, f"part{i:05d}.txt") for i in range(RECORDS)])


def bar_of(window):
    return find_control(window, id=1001)


def wait_for_extraction(setup):
    """The dialog once its bar shows the finished check (100 of 0..400)."""
    def extracting():
        window = wait_dialog(CAPTION, exe=setup, timeout=30)
        bar = window and bar_of(window)
        return window if bar and bar["range"] == [0, 400] and bar["pos"] >= 100 else None
    return wait_until(extracting, timeout=60, interval=0.05)


def pixels_in(screen, left, top, right, bottom):
    width, _, rgb = screen
    return [tuple(rgb[(y * width + x) * 3:(y * width + x) * 3 + 3]) for y in range(top, bottom)
            for x in range(left, right)]


@pytest.mark.usefixtures("private_prefix")
def test_dialog_shows_texts_and_bar_and_cancel_clears_the_markers(slow_setup, tmp_path, display):
    temp = tmp_path / "temp"
    with running(run_launcher(slow_setup, *temp_switch(temp), wait=False), 60, slow_setup) as state:
        dialog = wait_for_extraction(slow_setup)
        assert dialog is not None, "no progress dialog with a finished check"
        screen = screenshot_rgb()
        assert find_control(dialog, id=1003)["text"] == MESSAGES[20007]
        assert find_control(dialog, id=2)["text"] == MESSAGES[20012]
        assert find_control(dialog, id=1002)["visible"] is False
        assert dialog["class"] == "MyDialogClass"

        width, height, _ = screen
        left, top, right, bottom = dialog["rect"]
        # Centred on the desktop (the screen), give or take the rounding.
        assert abs((left + right) - width) <= 1 and abs((top + bottom) - height) <= 1, dialog["rect"]
        inside = pixels_in(screen, left, top, right, bottom)
        dark = sum(1 for r, g, b in inside if r + g + b < 150)
        assert dark > 300, "no text drawn in the dialog"
        # The bar's filled part: a quarter of the bar (100 of 400) in a blue.
        bar_band = pixels_in(screen, left + (right - left) * 46 // 233, top, right, bottom)
        filled = sum(1 for r, g, b in bar_band if b > 120 and b > r + 60)
        assert filled > 200, "no filled progress bar in the screenshot"

        pid = dialog["pid"]
        set_marker(f"InstallStarted_{pid}", 1)
        set_marker("InstallStarted", 1)
        press(CAPTION, 2, exe=slow_setup)
    run = state["run"]
    assert run.code == 0, run.stderr
    assert marker(f"InstallStarted_{pid}") is None
    assert marker("InstallStarted") is None
    log = log_text(temp)
    assert "Canceled installer" in log
    assert "extracting files done" not in log, "Cancel came in the middle of the extraction"
    assert len(extraction_dirs(temp)) == 1, "Cancel leaves the extraction directory"


def test_without_the_check_the_bar_starts_at_101_of_100_to_400(slow_setup, tmp_path, display):
    def skipped_check():
        window = wait_dialog(CAPTION, exe=slow_setup, timeout=30)
        bar = window and bar_of(window)
        return bar if bar and bar["range"] == [100, 400] else None
    started = run_launcher(slow_setup, "-nocheck", *temp_switch(tmp_path / "temp"), wait=False)
    with running(started, 60, slow_setup) as state:
        bar = wait_until(skipped_check, timeout=60, interval=0.05)
        assert bar is not None, "the bar never got the range of a skipped check"
        assert bar["pos"] == 101
        press(CAPTION, 2, exe=slow_setup)
    assert state["run"].code == 0, state["run"].stderr
    assert "verifying integrity" not in log_text(tmp_path / "temp")


def test_after_main_returns_the_dialog_closes_and_the_process_ends(tmp_path, display):
    temp = tmp_path / "temp"
    setup = probe_setup(tmp_path / "setup", settings={155: "0"})
    try:
        run = run_setup(setup, temp=temp)  # a dialog outliving the installer makes it time out
    finally:
        close_windows_of(setup)
    assert run.code == 0, run.stderr
    assert "probe.done" in run.stdout
    assert wait_until(lambda: not extraction_dirs(temp), timeout=30), "the extraction directory stayed"


def test_a_dialog_that_cannot_be_shown_ends_the_start_as_a_failure(tmp_path):
    temp = tmp_path / "temp"
    setup = probe_setup(tmp_path / "setup", settings={155: "0"})
    run = run_setup(setup, temp=temp, env={"DISPLAY": None, "TOLVANRIX_LOG": "yes"})
    assert run.code == 1, run.stderr
    assert "ERROR: could not show the progress dialog" in log_text(temp)
