"""Deferred deletion ("__tlx_windel" and a deletion list). A run that keeps an entry locked takes
about 30 s (60 passes), so each checks a whole scenario. The restart marker is one per prefix
and a restart ends every program in it: such scenarios run in a prefix of their own."""
import shutil
import time
from pathlib import Path

from deferred_support import (LOCKED_RUN_LIMIT, PASSES_SECONDS, assert_marker, clear_marker, finish_handler, ide_files,
                              is_pending, is_pending_windows, list_bytes, marker_values, run_handler, sandbox,
                              semaphore_name, start_handler, write_list)
from harness import STUB_X64, TOOLS_DIR, Holder, press, run_wine, wait_dialog, wait_until, winpath


# ---------------------------------------------------------------- tests, no locked entry

def test_waits_for_the_writer_then_deletes_the_listed_entries_and_the_list(tmp_path):
    # With reboot deletion asked for and everything deletable: no retry, question or marker. A
    # current directory cannot be removed; relative names are relative to the executable.
    clear_marker()
    ide_before = ide_files()
    program, beside_exe = sandbox(tmp_path, "program/", "program/relative.txt")
    exe = shutil.copy(STUB_X64, program / "setup.exe")
    start_dir = tmp_path / "started here"
    in_start_dir, = sandbox(start_dir, "relative.txt")
    root = tmp_path / "install dir"
    files = sandbox(root, "app/lib/core.jar", "app/lib/native/x.dll", "app/Gr\u00fc\u00dfe \u0436.txt",
                    "app/readme.txt", "unlisted.txt")
    listed_files, unlisted = files[:4], files[4]
    listed_dirs = [root / "app/lib/native", root / "app/lib", root / "app"]  # deepest first
    name = semaphore_name()
    with Holder("semaphore", name, tmp_path) as writer:
        deletion_list = write_list(tmp_path / "del list.txt", list_bytes(
            name, "reboot_deletion", ["Restart now?"], ["Restart failed."],
            ["relative.txt", winpath(in_start_dir), *map(winpath, listed_files)],
            [winpath(start_dir), *map(winpath, listed_dirs)]))
        handler = start_handler(deletion_list, exe, cwd=start_dir)
        time.sleep(3)
        assert handler[0].poll() is None, "handler ended while the writer still held its semaphore"
        assert all(f.exists() for f in listed_files) and deletion_list.exists(), \
            "handler deleted entries before the writer had ended"
        writer.release()
        run, seconds = finish_handler(handler, timeout=30)
    assert run.code == 0
    assert seconds < 3 + 10, "handler did not notice the writer's end within a few polls"
    left = [p for p in listed_files + listed_dirs + [deletion_list] if p.exists()]
    assert left == []
    assert unlisted.read_text(encoding="utf-8") == "content of unlisted.txt\n"
    assert marker_values() == [None, None]
    assert ide_files() == ide_before
    assert not any(is_pending(p) for p in listed_files)
    assert not beside_exe.exists(), "relative name not resolved against the executable's directory"
    assert not start_dir.exists(), "the start directory stayed busy as the handler's current directory"


def test_launcher_owned_temporary_entries_are_scheduled_at_once_and_told_by_the_normalised_path(tmp_path):
    # A path that merely passes an extraction directory ("..") is no launcher entry: it is retried
    # until its holder lets go. An entry reached through a link in one is never touched.
    clear_marker()
    extraction = tmp_path / "kvo3F2A.tmp_dir1733500000"
    locked, = sandbox(extraction, "lib/runtime.jar")
    lib = extraction / "lib"
    outside = tmp_path / "outside"
    precious, = sandbox(outside, "precious.txt")
    (extraction / "link").symlink_to(outside, target_is_directory=True)
    held, = sandbox(tmp_path, "held.txt")
    named = winpath(tmp_path) + "\\kvo.tmp_dirQ\\..\\held.txt"
    with Holder("file", winpath(locked), tmp_path), Holder("file", winpath(held), tmp_path) as holder:
        deletion_list = write_list(tmp_path / "list.txt", list_bytes(
            semaphore_name(), "reboot_deletion", ["Restart the computer now?"],
            files=[winpath(extraction) + "\\link\\precious.txt", named, winpath(locked)],
            dirs=[winpath(lib), winpath(extraction)]))
        started = start_handler(deletion_list)
        time.sleep(2)
        holder.release()
        run, seconds = finish_handler(started)
        pending = [is_pending(p) for p in (locked, lib, extraction)]
        assert locked.exists()
    assert run.code == 0
    assert seconds < PASSES_SECONDS, f"launcher-owned entries were retried ({seconds:.1f} s)"
    assert pending == [True, True, True]
    assert precious.exists(), "deleted through a link in the extraction directory"
    assert not held.exists() and not is_pending(held), "taken for an extraction directory's entry"
    assert not deletion_list.exists()
    # Only a listed file of the installer's own that stays locked calls for a restart.
    assert marker_values() == [None, None]


# ---------------------------------------------------------------- malformed lists

def malformed_cases(tmp_path: Path, held: str):
    """(name, content or None for no file, files kept, files deleted); held: a semaphore kept taken."""
    d = tmp_path
    sem = semaphore_name()
    keep = lambda name: sandbox(d, f"{name}/keep.txt")[0]
    gone = lambda name: sandbox(d, f"{name}/gone.txt")[0]

    def lines(*texts):
        return "".join(text + "\r\n" for text in texts).encode("utf-16-le")

    k1, k2 = keep("no_mode"), sandbox(d, "no_mode/keep2.txt")[0]
    # The first path is taken for the mode line, the second for question text.
    yield "no mode line", lines(sem, winpath(k1), winpath(k2)), [k1, k2], []

    # An empty first line makes the next one the mode line; taken for the
    # wait object, the held semaphore would block the handler.
    g = gone("empty_first")
    yield "empty first line", list_bytes("", held, files=[winpath(g)]), [], [g]

    k1, k2 = keep("no_marker"), sandbox(d, "no_marker/keep2.txt")[0]
    yield "no EOSMARKER", lines(sem, "reboot_deletion", "Question", winpath(k1), winpath(k2)), [k1, k2], []

    k = keep("one_marker")
    yield "second EOSMARKER missing", lines(sem, "reboot_deletion", "Question", "EOSMARKER", "Failure",
                                            winpath(k)), [k], []

    g = gone("odd")
    yield "odd byte count", list_bytes(sem, "keep", files=[winpath(g)]) + b"\x41", [], [g]

    k, g = keep("long"), gone("long")
    long_line = "A" * 8191 + winpath(k)  # its second piece alone would name the kept file
    yield "line longer than the buffer", list_bytes(sem, "keep", files=[long_line, winpath(g)]), [k], [g]

    g = gone("long_wait")
    yield "wait object longer than the buffer", list_bytes("S" * 9000, "keep", files=[winpath(g)]), [], [g]

    k, g = keep("nul"), gone("nul")
    yield "NUL inside a path", list_bytes(sem, "keep", files=[winpath(k) + "\0junk", winpath(g)]), [k], [g]

    # The marker starts the second piece of a long line, not a line: the
    # question goes on, and the next path is failure text, not an entry.
    k, g = keep("marker_in_piece"), gone("marker_in_piece")
    yield "marker inside a long line", lines(sem, "keep", "q" * 8191 + "EOSMARKER", "EOSMARKER", winpath(k),
                                             "EOSMARKER", winpath(g)), [k], [g]

    g = gone("long_text")
    question = ["Q" * 5000, "\U0001F600" * 3000]  # surrogate pairs across the 8,191-unit limit
    yield "texts beyond the buffer", list_bytes(sem, "reboot_deletion", question, ["F" * 20000],
                                                files=[winpath(g)]), [], [g]

    k = keep("empty")
    yield "empty file", b"", [k], []
    yield "missing file", None, [k], []


def test_malformed_lists_end_quietly_and_delete_only_what_they_name(tmp_path):
    failures, held = [], semaphore_name()
    with Holder("semaphore", held, tmp_path):
        for name, content, kept, deleted in list(malformed_cases(tmp_path, held)):
            deletion_list = tmp_path / f"{name}.lst"
            if content is not None:
                write_list(deletion_list, content)
            run, seconds = run_handler(deletion_list)
            problems = [f"exit code {run.code}"] if run.code != 0 else []
            if seconds >= PASSES_SECONDS:
                problems.append(f"retried ({seconds:.1f} s)")
            problems += [f"deleted {p.name} in {p.parent.name}" for p in kept if not p.exists()]
            problems += [f"left {p.name} in {p.parent.name}" for p in deleted if p.exists()]
            if deletion_list.exists():
                problems.append("list not deleted")
            if problems:
                failures.append(f"{name}: {', '.join(problems)}")
    assert failures == []


# ---------------------------------------------------------------- locked entries

def test_locked_entries_are_retried_for_60_passes(tmp_path):
    # Side by side: a locked directory with reboot deletion, a locked file without; no question.
    clear_marker()
    ide_before = ide_files()
    dir_case, file_case = tmp_path / "dir case", tmp_path / "file case"
    locked_dir, free_file = sandbox(dir_case, "busy dir/", "free.txt")
    locked_file, = sandbox(file_case, "busy.txt")
    with Holder("dir", winpath(locked_dir), tmp_path), Holder("file", winpath(locked_file), tmp_path):
        dir_run = start_handler(write_list(dir_case / "list.txt", list_bytes(
            semaphore_name(), "reboot_deletion", ["Restart the computer now?"], ["The restart failed."],
            files=[winpath(free_file)], dirs=[winpath(locked_dir)])))
        file_run = start_handler(write_list(file_case / "list.txt", list_bytes(
            semaphore_name(), "keep", ["Restart the computer now?"], files=[winpath(locked_file)])))
        time.sleep(15)
        assert dir_run[0].poll() is None and file_run[0].poll() is None, "a locked entry was given up early"
        assert not is_pending(locked_dir), "locked directory scheduled before the last pass"
        assert not free_file.exists()
        (dir_code, dir_seconds), (file_code, file_seconds) = [
            (run.code, seconds) for run, seconds in (finish_handler(dir_run), finish_handler(file_run))]
        dir_pending, file_pending = is_pending(locked_dir), is_pending(locked_file)
    assert (dir_code, file_code) == (0, 0)
    assert PASSES_SECONDS <= dir_seconds < PASSES_SECONDS + 20
    assert PASSES_SECONDS <= file_seconds < PASSES_SECONDS + 20
    assert dir_pending, "locked directory not scheduled for deletion at restart in the last pass"
    assert not file_pending, "locked file scheduled although the list asked for no reboot deletion"
    assert locked_dir.is_dir() and locked_file.exists()
    assert not (dir_case / "list.txt").exists() and not (file_case / "list.txt").exists()
    assert marker_values() == [None, None]
    assert ide_files() == ide_before


# ---------------------------------------------------------------- the restart question
# Asked after the last pass, once the locked file is scheduled for deletion at restart.

CAPTION = "tolvanrix"
IDYES, IDNO = 6, 7


def question_box():
    box = wait_dialog(CAPTION, timeout=LOCKED_RUN_LIMIT, exe=STUB_X64)
    assert box is not None, "no question box"
    buttons = {c["id"]: c["text"].replace("&", "") for c in box["controls"] if c["class"].lower() == "button"}
    assert buttons == {IDYES: "Yes", IDNO: "No"}
    return box


def test_a_short_question_and_no_leave_the_restart_marker(tmp_path, own_prefix, display):
    short, locked = sandbox(tmp_path, "short/busy.txt", "app/bin/busy.dll")
    # "Why?" and its LF are 5 units: too short to be a question, so none is asked.
    deletion_list = write_list(tmp_path / "short.txt", list_bytes(
        semaphore_name(), "reboot_deletion", ["Why?"], ["Restart failed."], files=[winpath(short)], eol="\n"))
    with Holder("file", winpath(short), tmp_path):
        run, seconds = run_handler(deletion_list)
        values = marker_values()
        short_pending = is_pending(short)
        marker_pending = bool(values[0]) and is_pending_windows(values[0][1])
    assert run.code == 0
    assert PASSES_SECONDS <= seconds < PASSES_SECONDS + 20
    assert short_pending
    assert_marker(values, marker_pending)
    assert not deletion_list.exists()

    clear_marker()
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


def test_force_reboot_and_yes_restart_windows(tmp_path, own_prefix, display):
    victim, sentinel, locked = sandbox(tmp_path, "victim.txt", "sentinel.txt", "busy.txt")
    # The session keeper rules out a new Wine session, which would also carry
    # out the pending deletions, as the cause of a file's removal.
    with Holder("semaphore", semaphore_name(), tmp_path):
        # Force reboot restarts even when everything was deleted.
        assert run_wine(TOOLS_DIR / "holder.exe", ["schedule", winpath(sentinel)]).code == 0
        assert is_pending(sentinel)
        deletion_list = write_list(tmp_path / "force.txt", list_bytes(
            semaphore_name(), "force_reboot", ["Restart the computer now?"], ["The restart failed."],
            files=[winpath(victim)]))
        run, seconds = run_handler(deletion_list)
        assert run.code == 0 and seconds < PASSES_SECONDS
        assert not victim.exists() and not deletion_list.exists()
        assert wait_until(lambda: not sentinel.exists(), timeout=30), \
            "no restart: the file scheduled for deletion at restart is still there"
    assert marker_values() == [None, None]
    assert ide_files() == set()

    # "Sure?" and its LF are 6 units: just long enough to be asked.
    deletion_list = write_list(tmp_path / "list.txt", list_bytes(
        semaphore_name(), "reboot_deletion", ["Sure?"], ["The restart failed."], files=[winpath(locked)],
        eol="\n"))
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
