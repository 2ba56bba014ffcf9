"""The wait for the installer's window in the progress-dialog style, with a real JVM."""
import pytest

from harness import (PROBE_MESSAGES, RUNTIME_JAR, TESTS_JAR, TOOLS_DIR, answer_box, dlghelper, jdk_archive, jdk_dir,
                     probe_setup, run_wine, running, wait_dialog, wait_for_line, wait_until, winpath)
from setup_cases import log_text, marker, run_launcher, temp_switch

TIMEOUT_TEXT = "The installer did not start. Please choose another Java runtime."
MESSAGES = {**PROBE_MESSAGES, 20014: TIMEOUT_TEXT}
PASSES_HOOK = "TOLVANRIX_WINDOW_WAIT_PASSES"


def window_setup(workdir, jdk="win64-11", settings=None, files=None):
    """A setup file in the progress-dialog style whose installer is WindowProbe."""
    base = {155: "0", 122: "WindowProbe", 128: f"A{winpath(jdk_dir(jdk))};"}
    return probe_setup(workdir, settings={**base, **(settings or {})}, files=files, messages=MESSAGES)


def start(setup, temp, *args, env=None):
    return run_launcher(setup, *temp_switch(temp), *args, env=env, timeout=300, wait=False)


def progress_dialog(setup, timeout=60.0):
    return wait_dialog(exe=setup, has=1001, timeout=timeout)


def bar_position(setup):
    dialog = progress_dialog(setup, timeout=5)
    return dialog and next(c for c in dialog["controls"] if c["id"] == 1001)["pos"]


def dialog_gone(setup, timeout=30):
    return wait_until(lambda: progress_dialog(setup, timeout=0.3) is None, timeout=timeout, interval=0.2)


def pid_of(out):
    return int(wait_for_line(out, "probe.pid=").split("=")[1])


def test_ready_from_the_java_side_ends_the_wait_before_any_window(tmp_path, display):
    setup = window_setup(tmp_path / "setup")
    release = tmp_path / "release"
    with running(start(setup, tmp_path / "temp", "sleep=1000", "ready", f"hold={winpath(release)}"), 120,
                 setup) as state:
        assert progress_dialog(setup) is not None, "no progress dialog"
        assert wait_for_line(state["out"], "probe.ready=") == "probe.ready=true"
        assert dialog_gone(setup, timeout=10), "the dialog stayed after the Java side's sign"
        assert state["proc"].poll() is None, "the installer ended too early for this test to mean anything"
        assert marker(f"InstallStarted_{pid_of(state['out'])}") is None
        release.touch()
    assert state["run"].code == 0 and "probe.done" in state["run"].stdout, state["run"].stderr

    # Without a dialog no launcher waits: the sign writes nothing that would stay.
    quiet = run_launcher(window_setup(tmp_path / "plain", settings={155: "1"}), *temp_switch(tmp_path / "t2"),
                         "ready", timeout=120)
    assert quiet.code == 0 and "probe.ready=false" in quiet.stdout, quiet.stdout + quiet.stderr
    pid = next(line for line in quiet.stdout.splitlines() if line.startswith("probe.pid=")).split("=")[1]
    assert marker(f"InstallStarted_{pid}") is None


@pytest.mark.parametrize("start_position", [100, 200])
def test_bar_steps_from_the_start_position_and_key_159_waits_past_the_time_out(tmp_path, display, start_position):
    included = start_position == 200
    setup = window_setup(tmp_path / "setup", settings={159: "1", **({128: ""} if included else {})},
                         files=[(RUNTIME_JAR, "tlxruntime.jar"), (TESTS_JAR, "tlxtests.jar"),
                                (jdk_archive(), "jre.tar.gz")] if included else None)
    release = tmp_path / "release"
    step = (400 - start_position) // 4
    expected = {min(start_position + k * step, 390) for k in range(1, 5)}
    seen = []

    def at_cap():
        position = bar_position(setup)
        if position and position > start_position:
            seen.append(position)
        return seen and seen[-1] == 390
    # One second of wait before the check, which key 159 turns off.
    with running(start(setup, tmp_path / "temp", f"hold={winpath(release)}", env={PASSES_HOOK: "10"}), 120,
                 setup) as state:
        assert wait_until(at_cap, timeout=240, interval=0.05), f"the bar never reached 390: {seen}"
        assert set(seen) <= expected and len(set(seen)) >= 2 and seen == sorted(seen), seen
        # Well past the shortened time-out the launcher still waits.
        pid = pid_of(state["out"])
        wait_until(lambda: state["proc"].poll() is not None, timeout=2)
        assert state["proc"].poll() is None and progress_dialog(setup, timeout=1) is not None
        assert marker(f"InstallStarted_{pid}") == 1
        release.touch()
    assert state["run"].code == 0 and "probe.done" in state["run"].stdout, state["run"].stderr


def test_an_error_box_in_front_of_the_dialog_is_not_the_installers_window(tmp_path, display):
    """A failure as the JVM is set up: its box is owned by the dialog, whose bar goes on moving."""
    setup = window_setup(tmp_path / "setup", settings={107: "1", 121: f"A1{winpath(tmp_path / 'missing.jar')}"})
    temp = tmp_path / "temp"

    def bar_moves_on(box):
        assert wait_until(lambda: bar_position(setup) == 390, timeout=60, interval=0.2), "the watcher stopped"
    text, run = answer_box(start(setup, temp), "Error", setup, while_shown=bar_moves_on)
    assert text.startswith("A mandatory class path entry is missing"), text
    assert run.code == 1, run.stdout + run.stderr
    assert "Java window visible" not in log_text(temp)


def test_time_out_without_a_window_ends_with_message_20014(tmp_path, display):
    setup = window_setup(tmp_path / "setup")
    release = tmp_path / "release"
    try:
        with running(start(setup, tmp_path / "temp", f"hold={winpath(release)}", env={PASSES_HOOK: "30"}), 120,
                     setup) as state:
            dialog = progress_dialog(setup)
            assert dialog is not None, "no progress dialog"
    finally:
        release.touch()
    run = state["run"]
    assert run.code == 1, run.stdout + run.stderr
    assert TIMEOUT_TEXT in run.stderr and "probe.done" not in run.stdout
    # The abandoned start no longer announces itself.
    assert marker(f"InstallStarted_{dialog['pid']}") is None


@pytest.mark.usefixtures("unmanaged_prefix")
def test_second_start_brings_the_first_ones_window_to_the_front(tmp_path):
    setup = window_setup(tmp_path / "setup", jdk="win64-9", settings={155: "1", 10005: "1", 10007: "1"})
    release = tmp_path / "release"

    def front():
        code, data = dlghelper("front")
        return data.get("caption") if code == 0 else None
    with running(start(setup, tmp_path / "first", "window=FirstInstance", "natives", f"hold={winpath(release)}",
                       "close"), 120, setup) as state:
        assert wait_for_line(state["out"], "probe.window")
        first = wait_dialog("FirstInstance", exe=setup, timeout=30)
        assert first is not None
        # The runtime's handle of an AWT window is the one the system shows;
        # given no method or a wrong target the native only answers 0.
        assert wait_for_line(state["out"], "probe.hwnd=") == f"probe.hwnd={first['hwnd']} 0 0 0"
        # With an owner the picker goes on to the system's, which here answers at once with nothing.
        assert wait_for_line(state["out"], "probe.picker=") == "probe.picker=null"
        with running(run_wine(TOOLS_DIR / "window_owner.exe", ["closes", "OtherWindow"], wait=False), 60):
            assert wait_dialog("OtherWindow", timeout=30) is not None
            assert wait_until(lambda: front() == "OtherWindow", timeout=10), "the other window never came in front"
            second = run_launcher(setup, *temp_switch(tmp_path / "second"), timeout=120)
            assert second.code == 0 and "probe." not in second.stdout, second.stdout + second.stderr
            assert wait_until(lambda: front() == "FirstInstance", timeout=10), front()
            dlghelper("close", "OtherWindow", timeout=5)
        release.touch()
    run = state["run"]
    assert run.code == 0 and "could not find window" not in run.stdout, run.stdout + run.stderr
