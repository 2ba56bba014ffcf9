"""The splash image, shown through the JDK 9 fixture's splash library until the installer's AWT
window or an error box takes its place. Screenshots go to test-output/screens."""
import contextlib
import struct
import zlib

import pytest

from harness import (PROBE_MESSAGES, jdk_dir, press, probe_setup, running, save_screenshot, screenshot_rgb, wait_dialog,
                     wait_for_line, wait_until, winpath)
from setup_cases import MESSAGES, log_text, marker, run_launcher, temp_switch

SPLASH_RGB, WINDOW_RGB = (255, 0, 255), (0, 255, 255)
SPLASH_SIZE = (240, 160)
WINDOW_PIXELS = 320 * 240       # tests/java/WindowProbe.java
TEXTS = {**PROBE_MESSAGES, **MESSAGES}


def png(width, height, rgb) -> bytes:
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def splash_image(directory):
    path = directory / "splash.png"
    directory.mkdir(parents=True, exist_ok=True)
    path.write_bytes(png(*SPLASH_SIZE, SPLASH_RGB))
    return path


def coloured(rgb, screen=None) -> int:
    """How many pixels of the screen show about that colour."""
    _, _, data = screen or screenshot_rgb()
    r0, g0, b0 = rgb
    return sum(1 for i in range(0, len(data), 3)
               if abs(data[i] - r0) < 40 and abs(data[i + 1] - g0) < 40 and abs(data[i + 2] - b0) < 40)


def splash_on_screen(screen=None) -> bool:
    return coloured(SPLASH_RGB, screen) >= SPLASH_SIZE[0] * SPLASH_SIZE[1] * 9 // 10


def splash_setup(tmp_path, main_class="WindowProbe", jdk="win64-9", dialog=False, kind="5"):
    settings = {107: kind, 122: main_class, 128: f"A{winpath(jdk_dir(jdk))};", 108: "1", 10123: "1",
                155: "0" if dialog else "1"}
    return probe_setup(tmp_path / "setup", settings=settings, messages=TEXTS,
                       builder_args=["--splash-image", splash_image(tmp_path)])


def test_runtime_without_splash_library_starts_without_splash(tmp_path):
    """The JDK 11 fixture has no splashscreen.dll: logged, and the start goes on."""
    setup = splash_setup(tmp_path, "LaunchProbe", "win64-11", kind="0")
    run = run_launcher(setup, *temp_switch(tmp_path / "temp"))
    assert run.code == 0 and "probe.done" in run.stdout, run.stdout + run.stderr
    assert "ERROR: Could not load splashscreen.dll" in log_text(tmp_path / "temp")


# ---------------------------------------------------------------- on the screen

@contextlib.contextmanager
def splash_run(setup, tmp_path, *args):
    """Yields {"out"} once the splash is on the screen, and "run" once the block has let it end."""
    with running(run_launcher(setup, *temp_switch(tmp_path / "temp"), *args, wait=False, timeout=240), 120,
                 setup) as state:
        assert wait_until(splash_on_screen, timeout=120, interval=0.5), "no splash on the screen"
        yield state
    log = log_text(tmp_path / "temp")
    assert "splash load memory returned 1 " in log, log
    assert log.index("splash load memory returned") < log.index("Creating JVM"), log


def region(screen, rect):
    width, _, rgb = screen
    left, top, right, bottom = rect
    return {bytes(rgb[(y * width + x) * 3:(y * width + x) * 3 + 3]) for y in range(top, bottom, 4)
            for x in range(left, right, 4)}


@pytest.mark.parametrize("dialog", [False, True], ids=["awt-closes-splash", "watcher-hides-dialog-and-splash"])
def test_splash_then_the_installer_window_alone(unmanaged_prefix, tmp_path, dialog):
    """With the progress dialog the watcher hides it and closes the splash, which is not the
    installer's window; without, AWT closes the splash. main returns once its window has closed."""
    go, done = tmp_path / "go", tmp_path / "done"
    setup = splash_setup(tmp_path, dialog=dialog)
    style = "dialog" if dialog else "no-dialog"
    with splash_run(setup, tmp_path, f"hold={winpath(go)}", "window=Installer", f"hold={winpath(done)}",
                    "close") as state:
        assert coloured(WINDOW_RGB) == 0
        if dialog:
            shown = wait_dialog(MESSAGES[20013], exe=setup, timeout=10)
            assert shown, "no progress dialog under the splash"
            pid = wait_for_line(state["out"], "probe.pid=")[len("probe.pid="):]
            assert marker(f"InstallStarted_{pid}") == 1
            before = screenshot_rgb()
            desktop = region(before, (before[0] - 8, before[1] - 8, before[0], before[1]))
            assert len(region(before, shown["rect"]) - desktop) > 3, "the dialog was not drawn"
        save_screenshot(f"splash-{style}-1-splash.png")
        go.touch()
        assert wait_until(lambda: coloured(WINDOW_RGB) >= WINDOW_PIXELS * 9 // 10 and not splash_on_screen(),
                          timeout=60, interval=0.5), "the window did not replace the splash"
        if dialog:
            assert wait_until(lambda: wait_dialog(MESSAGES[20013], exe=setup, timeout=1) is None, timeout=30), \
                "the progress dialog is still shown with the installer's window"
            # Hidden, the dialog must be gone from the screen as well (the X
            # server clears the spot a moment after Wine hides the window).
            assert wait_until(lambda: region(screenshot_rgb(), shown["rect"]) <= desktop, timeout=10), \
                "the dialog is still drawn"
            assert marker(f"InstallStarted_{pid}") is None
        save_screenshot(f"splash-{style}-2-installer-window.png")
        done.touch()
    run = state["run"]
    assert not run.timed_out, "the process outlived the installer's main"
    assert run.code == 0 and "probe.done" in run.stdout, run.stdout + run.stderr
    if dialog:
        assert "Java window visible" in log_text(tmp_path / "temp").splitlines()


def test_error_box_closes_the_splash_first(unmanaged_prefix, tmp_path):
    go = tmp_path / "go"
    setup = splash_setup(tmp_path, main_class="LaunchProbe")
    with splash_run(setup, tmp_path, f"hold={winpath(go)}", "throw") as state:
        go.touch()
        box = wait_dialog("Error", exe=setup, timeout=60)
        assert box and PROBE_MESSAGES[1005] in box["text"], box
        screen = screenshot_rgb()
        save_screenshot("splash-error-box.png")
        assert not coloured(SPLASH_RGB, screen), "the splash is still on the screen with the error box"
        press("Error", 1, exe=setup)
    assert state["run"].code == 1, state["run"].stdout + state["run"].stderr
