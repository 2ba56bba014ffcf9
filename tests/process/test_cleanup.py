"""The removal of the extraction directory, at a normal end (the runtime's
deletion list) and after a fatal error once the JVM holds the jars (the list
the launcher writes itself): a link placed in the directory while the
installer runs is removed as a link, never followed, and what the
application does to its system properties does not choose what is deleted."""
from harness import PROBE_MESSAGES, finish, probe_setup, run_setup, wait_until, winpath


def start_with_link(tmp_path, *args):
    """Starts the probe, which waits in main until a link in its extraction
    directory points at a directory outside with a file of the user's."""
    temp, outside, go = tmp_path / "temp", tmp_path / "outside", tmp_path / "go"
    outside.mkdir()
    (outside / "precious.txt").write_text("the user's own file")
    setup = probe_setup(tmp_path / "setup")
    proc, out, err = run_setup(setup, f"hold={winpath(go)}", *args, temp=temp, wait=False)
    directory = wait_until(lambda: next((p for p in temp.glob("kvo*_dir*") if p.is_dir()), None), timeout=60)
    assert directory is not None, "no extraction directory"
    (directory / "link").symlink_to(outside, target_is_directory=True)
    go.touch()
    return finish(proc, out, err, timeout=120), directory, outside


def test_normal_end_removes_a_link_as_itself_and_only_the_directory_it_started_with(tmp_path):
    victim = tmp_path / "victim"
    victim.mkdir()
    (victim / "data.txt").write_text("not the launcher's")
    run, directory, outside = start_with_link(tmp_path, f"setprop=kavro.tempDir={winpath(victim)}")
    assert run.code == 0, run.stderr
    assert "probe.done" in run.stdout
    # With the jars goes the empty file that reserved the directory's name.
    removed = wait_until(lambda: not (directory / "tlxruntime.jar").exists()
                         and not list(directory.parent.glob("kvo*.tmp")), timeout=30)
    assert (victim / "data.txt").exists(), "the property changed by the application chose what was deleted"
    assert (outside / "precious.txt").exists(), "the link was followed"
    assert removed, sorted(directory.parent.iterdir())


def test_fatal_error_after_the_jvm_hands_the_directory_to_the_deletion_mode(tmp_path):
    run, directory, outside = start_with_link(tmp_path, "throw")
    assert run.code == 1, run.stderr
    assert PROBE_MESSAGES[1005] in run.stderr
    assert wait_until(lambda: not (directory / "tlxruntime.jar").exists(), timeout=30), "the jars stayed"
    assert (outside / "precious.txt").exists(), "the link was followed"
