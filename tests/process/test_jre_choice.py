"""The JRE choice dialog when no runtime is found: Locate, Download and Cancel, each test in a
private prefix (the located JVM lists have fixed names)."""
import contextlib
import shutil

import pytest

from harness import (PROBE_MESSAGES, TOOLS_DIR, find_control, jdk_archive, jdk_dir, prefix_dir, probe_report,
                     probe_setup, press, reg, running, save_screenshot, screenshot_rgb, type_into, wait_dialog,
                     winpath)
from loopback_http import NO_PROXY, clear_prefix_proxy, serve
from setup_cases import MESSAGES, log_text, marker, run_launcher, set_marker, temp_switch

CAPTION = MESSAGES[20013]
LOCATE_TITLE = "Locate java.exe"
TEXTS = {**PROBE_MESSAGES, **MESSAGES,
         1016: "No suitable {0}-bit Java runtime was found.", 1019: "The Java runtime at {0} cannot be used.",
         20015: "found",
         20001: "Downloading the Java runtime.", 20003: "The Java runtime could not be downloaded.",
         20004: LOCATE_TITLE, 20005: "This setup needs a %S-bit Java runtime. Download one or locate one.",
         20006: "This setup needs a %S-bit Java runtime. Locate one.",
         20008: "%.2f MB of %.2f MB (%.1f%%) at %.1f kb/s", 20009: "Connecting ...",
         20010: "Download", 20011: "Locate", 20019: "at least", 20020: "at most"}
LOCATED = r"HKLM\SOFTWARE\morvane\kavro\locatedjvms"
FILE_NAME_BOX = 1148  # the file name combo box of the open-file dialog


@pytest.fixture
def gui_prefix(display, private_prefix):
    """A private prefix (started with the display) whose WinINet uses no proxy."""
    clear_prefix_proxy({})
    return private_prefix


def choice_setup(tmp_path, settings):
    """No progress dialog (it opens for the choice alone), errors in boxes, no runtime findable."""
    return probe_setup(tmp_path / "setup", settings={107: "5", 128: "", **settings}, messages=TEXTS)


def choice_dialog(setup):
    return wait_dialog(CAPTION, exe=setup, has=1005, timeout=60)


def download_button_drawn(dialog) -> bool:
    """About as much ink where Download sits as where Locate sits (the bottom row; the last rows are
    not drawn on a desktop without a window manager)."""
    width, _, rgb = screenshot_rgb()
    left, top, right, bottom = dialog["rect"]

    def ink(first, last):
        return sum(sum(rgb[(y * width + x) * 3:(y * width + x) * 3 + 3]) < 200
                   for y in range(top + (bottom - top) * 70 // 100, bottom - 6)
                   for x in range(left + (right - left) * first // 100, left + (right - left) * last // 100))
    return ink(26, 48) * 2 > ink(50, 72)


@contextlib.contextmanager
def choice_run(setup, temp, env=None):
    """Yields a dict that gets the finished run ("run") once the block has answered the dialog."""
    with running(run_launcher(setup, *temp_switch(temp), wait=False, env=env, timeout=300), 240, setup) as state:
        state["dialog"] = choice_dialog(setup)
        assert state["dialog"], "no choice dialog"
        yield state


def locate(setup, java_exe):
    """Locate, then the file name typed: a path, or a name relative to where the dialog opened."""
    press(CAPTION, 1005, exe=setup)
    assert wait_dialog(LOCATE_TITLE, exe=setup, timeout=30), "no open-file dialog"
    type_into(LOCATE_TITLE, FILE_NAME_BOX, java_exe if isinstance(java_exe, str) else winpath(java_exe), exe=setup)
    press(LOCATE_TITLE, 1, exe=setup)


def test_locate_refuses_an_old_runtime_then_remembers_the_jdk(gui_prefix, tmp_path):
    # An old runtime where runtimes are installed (in this test's own prefix),
    # which the search finds and refuses first.
    old_bin = prefix_dir() / "drive_c" / "Program Files" / "Java" / "old" / "bin"
    old_bin.mkdir(parents=True)
    shutil.copyfile(TOOLS_DIR / "java_standin.exe", old_bin / "java.exe")
    (old_bin / "standin.cfg").write_text('stderr java version "1.6.0_45"\n')
    setup = choice_setup(tmp_path, {126: "1.8", 128: r"AC:\Program Files\Java\old",
                                    150: "http://127.0.0.1:9/never-asked.tar.gz"})
    with choice_run(setup, tmp_path / "temp") as state:
        dialog = state["dialog"]
        assert find_control(dialog, 1003)["text"] == \
            "This setup needs a 64-bit Java runtime. Download one or locate one. (at least 1.8, found 1.6.0_45)"
        assert [find_control(dialog, i)["text"] for i in (1004, 1005, 2)] == ["Download", "Locate", "Cancel"]
        assert find_control(dialog, 1004)["visible"]
        assert download_button_drawn(dialog)
        save_screenshot("jre-choice-with-download.png")

        locate(setup, r"old\bin\java.exe")
        box = wait_dialog("Error", exe=setup, timeout=60)
        assert box and box["text"].startswith(r"The Java runtime at C:\Program Files\Java\old\bin\java.exe cannot "
                                              "be used. (at least 1.8, found 1.6.0_45)"), box
        press("Error", 1, exe=setup)
        assert choice_dialog(setup), "the choice dialog went away after a refused runtime"

        locate(setup, jdk_dir() / "bin" / "java.exe")
    run = state["run"]
    assert run.code == 0, run.stdout + run.stderr
    assert probe_report(run.stdout).done
    located = LOCATED + "\\" + winpath(jdk_dir() / "bin" / "java.exe").replace("\\", "/")
    assert reg("query", located).code == 0, "the chosen runtime is not in the located JVM list"

    # The next start finds it through the located JVM list and asks nothing.
    again = choice_setup(tmp_path / "again", {126: "1.8", 128: "Y"})
    run = run_launcher(again, "-q", *temp_switch(tmp_path / "temp2"), timeout=120)
    assert run.code == 0, run.stdout + run.stderr
    assert f"found located {winpath(jdk_dir() / 'bin' / 'java.exe')} 11.0.2" in log_text(tmp_path / "temp2")


def test_cancel_without_download_offered_clears_the_markers(gui_prefix, tmp_path):
    setup = choice_setup(tmp_path, {126: "1.8", 127: "17"})
    temp = tmp_path / "temp"
    with choice_run(setup, temp) as state:
        dialog = state["dialog"]
        assert find_control(dialog, 1003)["text"] == \
            "This setup needs a 64-bit Java runtime. Locate one. (at least 1.8, at most 17)"
        assert find_control(dialog, 1004)["visible"] is False
        save_screenshot("jre-choice-without-download.png")
        assert not download_button_drawn(dialog)
        pid = dialog["pid"]
        # The launcher has set the plain value; the per-process one belongs to
        # a run with the progress dialog from the start.
        assert marker("InstallStarted") is not None
        set_marker(f"InstallStarted_{pid}", 1)
        press(CAPTION, 2, exe=setup, has=1005)  # not the progress dialog's Cancel
    assert state["run"].code == 1
    assert marker("InstallStarted") is None and marker(f"InstallStarted_{pid}") is None
    assert not list(temp.glob("kvo*_dir*")), "Cancel left the extraction directory"


def test_download_button_fetches_and_runs_the_runtime(gui_prefix, tmp_path):
    with serve() as (address, handler):
        handler.scripts["jre.tar.gz"] = [("body", jdk_archive().read_bytes())]
        # The splash style without a splash through the runtime, and without
        # key 155: the progress dialog opened for the choice must end with it.
        setup = choice_setup(tmp_path, {150: address + "/jre.tar.gz", 108: "1", 155: "0"})
        temp = tmp_path / "temp"
        with choice_run(setup, temp, env=NO_PROXY) as state:
            press(CAPTION, 1004, exe=setup)
    run = state["run"]
    assert run.code == 0, run.stdout + run.stderr
    assert probe_report(run.stdout).done
    log = log_text(temp)
    assert handler.requests == {"jre.tar.gz": 1}
    assert "Downloading JRE" in log and "download successful" in log and "untaring JRE was successful" in log
