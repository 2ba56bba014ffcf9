"""Every end of a start and what it leaves behind, in a private prefix whose install-started
values are its own. Links planted in the extraction directory point outside: no clean-up may
touch their targets, and a link Wine cannot remove as itself keeps its directory."""
import os
import signal
from dataclasses import dataclass, field
from pathlib import Path

import pytest

from harness import (RUNTIME_JAR, TESTS_JAR, finish, launcher_logs, log_named_in, probe_report, probe_setup, reg,
                     run_setup, wait_until, winpath)
from setup_cases import MARKER_KEY

NO_KEEP = {"TOLVANRIX_LOG": None, "KAVRO_LOG": None}


@pytest.fixture(scope="module", autouse=True)
def private_prefix(in_module_prefix):
    # The copy brings along the values of launchers that other modules killed
    # on purpose (nothing can clear those): this module's runs start without.
    for name in install_started_values():
        reg("delete", MARKER_KEY, "/v", name, "/f", check=True)


@dataclass
class Ending:
    args: list                 # launcher switches and LaunchProbe's actions
    code: int
    log_stays: bool
    settings: dict = field(default_factory=dict)
    links: bool = False        # planted while the application holds


ENDINGS = {
    # The dialog style: the dialog's own value went unnoticed when main
    # returned before any window. The application moving the directory's
    # property does not choose what is deleted.
    "main returns": Ending(["setprop=kavro.tempDir={victim}"], 0, False, {155: "0"}, links=True),
    "System.exit": Ending(["-q", "exit=3"], 3, False),
    "fatal after the JVM": Ending(["-q", "throw"], 1, True, links=True),
    "fatal before the JVM": Ending(["-q"], 1, True, {121: "A1{work}\\missing.jar"}),
    "no Java (83)": Ending(["-q"], 83, False, {128: ""}),
    # Its side directory stays beside the setup file, by design.
    "extract and exit": Ending(["__tlx_extract_and_exit", "-q"], 0, False),
}


def install_started_values():
    run = reg("query", MARKER_KEY)
    return [line.split()[0] for line in run.stdout.splitlines() if line.strip().startswith("InstallStarted")]


def plant_links(directory, outside):
    (directory / "file-link").symlink_to(outside / "precious.txt")
    (directory / "dir-link").symlink_to(outside, target_is_directory=True)


@pytest.mark.parametrize("name", ENDINGS)
def test_each_end_leaves_nothing_behind(tmp_path, name):
    ending = ENDINGS[name]
    temp, outside, victim, go = tmp_path / "temp", tmp_path / "outside", tmp_path / "victim", tmp_path / "go"
    for directory in (outside, victim):
        directory.mkdir()
    (outside / "precious.txt").write_text("the user's own file")
    (victim / "data.txt").write_text("not the launcher's")
    settings = {key: value.format(work=winpath(tmp_path)) for key, value in ending.settings.items()}
    setup = probe_setup(tmp_path / "setup", settings=settings)
    args = [arg.format(victim=winpath(victim)) for arg in ending.args]
    args += [f"hold={winpath(go)}"] if ending.links else []
    proc, out, err = run_setup(setup, *args, temp=temp, env=NO_KEEP, timeout=180, wait=False)
    directory = None
    if ending.links:
        directory = wait_until(lambda: next((p for p in temp.glob("kvo*_dir*") if p.is_dir()), None), timeout=60)
        assert directory is not None, "no extraction directory"
        plant_links(directory, outside)
        go.touch()
    run = finish(proc, out, err, timeout=180)
    assert run.code == ending.code, run.stdout + run.stderr

    left = [directory.name] if ending.links else []
    # What the deletion mode removes goes once this process has ended.
    assert wait_until(lambda: sorted(p.name for p in temp.glob("kvo*")) == left, timeout=30), \
        sorted(temp.glob("kvo*"))
    if ending.links:
        assert sorted(p.name for p in directory.iterdir()) == ["dir-link", "file-link"]
    assert (outside / "precious.txt").read_text() == "the user's own file", "a link was followed"
    assert (victim / "data.txt").exists()
    assert install_started_values() == []
    if ending.log_stays:
        assert log_named_in(run.stderr) in launcher_logs(temp), run.stderr
    else:
        assert wait_until(lambda: launcher_logs(temp) == [], timeout=30), launcher_logs(temp)


def test_the_application_runs_in_the_working_directory_of_key_146(tmp_path):
    """Relative names are resolved against the extraction directory; -Xlog goes where the JVM started."""
    application = tmp_path / "application"
    application.mkdir()
    setup = probe_setup(tmp_path / "setup", files=[(RUNTIME_JAR, "tlxruntime.jar"), (TESTS_JAR, "app/tlxtests.jar")],
                        settings={146: winpath(application),
                                  123: '"-classpath/a app\\tlxtests.jar" -Xlog:class+load:file=classes.log'})
    temp = tmp_path / "temp"
    run = run_setup(setup, "-q", "write=saved.txt", temp=temp, env=NO_KEEP, timeout=180)
    assert run.code == 0 and probe_report(run.stdout).done, run.stdout + run.stderr
    assert probe_report(run.stdout).props["user.dir"] == winpath(application)
    assert (application / "saved.txt").read_text() == "saved"
    assert "java.lang.Object source: jrt:/java.base" in (application / "classes.log").read_text()
    assert "[class,load]" not in run.stdout + run.stderr
    assert wait_until(lambda: not list(temp.glob("kvo*")), timeout=30)


def processes_of(program, text):
    """Linux ids of the processes of a Windows program whose command line holds text."""
    found = []
    for entry in Path("/proc").iterdir():
        try:
            line = (entry / "cmdline").read_bytes().decode("utf-8", "replace") if entry.name.isdigit() else ""
        except OSError:
            continue
        if line.lstrip('"').startswith(winpath(program)) and text in line:
            found.append(int(entry.name))
    return found


def test_a_killed_launcher_takes_its_waiting_deletion_process_along(tmp_path):
    """A launcher killed before the suspended deletion process got its list leaves it neither
    waiting nor deleting."""
    temp, go = tmp_path / "temp", tmp_path / "go"
    setup = probe_setup(tmp_path / "setup")
    proc, out, err = run_setup(setup, f"hold={winpath(go)}", temp=temp, env=NO_KEEP, wait=False)
    directory = wait_until(lambda: next((p for p in temp.glob("kvo*_dir*") if p.is_dir()), None), timeout=60)
    waiting = wait_until(lambda: processes_of(setup, "__tlx_windel"), timeout=60)
    launcher = processes_of(setup, "hold=")
    assert directory and waiting and len(launcher) == 1, (directory, waiting, launcher)
    os.kill(launcher[0], signal.SIGKILL)
    finish(proc, out, err, timeout=60)
    assert wait_until(lambda: not processes_of(setup, "__tlx_windel"), timeout=30)
    assert (directory / "tlxruntime.jar").exists() and not list(temp.glob("*.lst"))
