"""Reading the payload at start-up, against the real launcher under wine64:
a wrong magic, payloads cut anywhere in the tables, random damage to the
tables, and the channel of fatal errors chosen by the launcher kind (key 107)."""
import random
import re
from concurrent.futures import ThreadPoolExecutor

import pytest

from harness import (build_setup, close_windows_of, finish, inspect_setup, launcher_logs, log_named_in, press,
                     read_log, run_setup, wait_dialog)
from payload_layout import reader_fields, expected_failure, field_at, tables_end

SETTINGS = {107: "0", 2001: "i", 126: "1.8", 128: "Rsoftware\\java;Ejava_home;", 10003: "app"}
MESSAGES = {1000: "Setup error", 1009: "An internal error occurred (error code: {0})",
            20012: "Cancel", 20013: "tolvanrix Wizard"}
LANGUAGES = [("de", {20012: "Abbrechen", 20013: "tolvanrix Assistent"}), ("fr_FR", {20012: "Annuler"})]


def first_line(text: str) -> str:
    lines = text.splitlines()
    return lines[0].strip() if lines else ""


@pytest.fixture(scope="module")
def built(tmp_path_factory):
    workdir = tmp_path_factory.mktemp("payload")
    setup = build_setup(workdir, settings=SETTINGS, messages=MESSAGES, languages=LANGUAGES)
    start = inspect_setup(setup)["payload_start"]
    data = setup.read_bytes()
    return setup, data, start, reader_fields(data, start)


def test_wrong_magic_is_reported_on_standard_error_with_q(built, tmp_path):
    setup, data, start, _ = built
    damaged = bytearray(data)
    damaged[start] ^= 0x5A
    bad = tmp_path / "bad.exe"
    bad.write_bytes(damaged)
    run = run_setup(bad, "-q", temp=tmp_path / "temp")
    assert not run.timed_out and not run.crashed, run.stderr
    assert run.code == 1
    assert first_line(run.stderr) == "Internal Error: magic"
    log = log_named_in(run.stderr)
    assert log is not None, run.stderr
    assert log == tmp_path / "temp" / "tlx_nlog_1.log"
    assert log.is_file()
    text = read_log(log)
    assert "rawDataSize: " in text and "Init done" not in text


def test_the_intact_payload_is_read_to_the_end(built, tmp_path):
    setup, _, _, _ = built
    run = run_setup(setup, "-q", temp=tmp_path / "temp", env={"TOLVANRIX_LOG": "yes"})
    assert run.code != 1 and not run.crashed and run.stderr.strip() == "", run.stderr
    [log] = launcher_logs(tmp_path / "temp")
    text = read_log(log)
    assert "Init done\n" in text and "Internal Error" not in text


def test_every_cut_inside_the_tables_ends_with_the_readers_message(built, tmp_path):
    setup, data, start, fields = built
    cuts = list(range(start, tables_end(data, start)))
    # The fields the walk must have found, or the sweep would test too little.
    readers = {reader for _, _, reader in fields}
    assert readers == {"readInt", "readLong", "readString", "readWString"}

    def one(cut):
        cut_file = tmp_path / f"cut{cut}.exe"
        cut_file.write_bytes(data[:cut])
        run = run_setup(cut_file, "-q", temp=tmp_path / f"temp{cut}")
        return cut, run

    with ThreadPoolExecutor(max_workers=4) as pool:
        results = list(pool.map(one, cuts))
    wrong = []
    for cut, run in results:
        expected = expected_failure(fields, cut)
        if run.timed_out or run.crashed or run.code != 1 or first_line(run.stderr) != expected:
            wrong.append((cut - start, expected, run.code, run.timed_out, run.stderr[:200], run.stdout[:200]))
        elif not reader_line_logged(run, fields, cut, expected):
            wrong.append((cut - start, expected, "no plain error line in the log"))
    assert not wrong, f"{len(wrong)} of {len(cuts)} cuts went wrong, e.g. {wrong[:5]}"


def reader_line_logged(run, fields, cut, expected) -> bool:
    """The number readers log "error <last error> <bytes read>" (readInt) or
    "error <last error>" (readLong) as a plain line before they fail."""
    log = read_log(log_named_in(run.stderr)) if log_named_in(run.stderr) else ""
    if expected == "Internal Error: readInt":
        begin = next(b for b, e, _ in fields if b <= cut < e)
        pattern = rf"^error -?\d+ {cut - begin}$"
    elif expected == "Internal Error: readLong":
        pattern = r"^error -?\d+$"
    else:
        return True
    return re.search(pattern, log, re.M) is not None


def test_random_damage_to_the_tables_never_crashes_or_hangs(built, tmp_path):
    setup, data, start, _ = built
    end = tables_end(data, start)
    seed = 20240611
    rng = random.Random(seed)
    cases = []
    for n in range(300):
        damaged = bytearray(data)
        for _ in range(rng.randint(1, 4)):
            damaged[rng.randrange(start, end)] = rng.randrange(256)
        cases.append((n, bytes(damaged)))

    def one(case):
        n, damaged = case
        path = tmp_path / f"m{n}.exe"
        path.write_bytes(damaged)
        # Damage the readers let through is caught by the integrity check,
        # whose box shows even in quiet mode; this test is about the readers.
        run = run_setup(path, "-q", "-nocheck", temp=tmp_path / f"temp{n}", timeout=60)
        path.unlink()
        return n, run

    with ThreadPoolExecutor(max_workers=4) as pool:
        results = list(pool.map(one, cases))
    bad = []
    reader_failures = 0
    for n, run in results:
        # A fatal error is reported the one way, naming the log; any other end
        # is a launch that went on.
        reported = run.code != 1 or log_named_in(run.stderr) is not None
        if run.timed_out or run.crashed or not reported:
            bad.append((n, run.code, run.timed_out, run.stderr[:300]))
        elif first_line(run.stderr).startswith("Internal Error: "):
            reader_failures += 1
    assert not bad, f"seed {seed}: {len(bad)} damaged setups misbehaved, e.g. {bad[:3]}"
    # Damage must have hit the readers, not only texts.
    assert reader_failures > 30, reader_failures


def cut_in_the_wide_table(workdir, kind):
    """A setup of that launcher kind whose last message is cut off."""
    settings = dict(SETTINGS)
    if kind is None:
        del settings[107]
    else:
        settings[107] = kind
    setup = build_setup(workdir, settings=settings, messages=MESSAGES)
    data = setup.read_bytes()
    start = inspect_setup(setup)["payload_start"]
    fields = reader_fields(data, start)
    begin, end, _ = field_at(fields, "readWString", -1)
    cut = workdir / "cut.exe"
    cut.write_bytes(data[:(begin + end) // 2])
    return cut


@pytest.mark.parametrize("kind", [None, "0", "2", "7"])
def test_launcher_kinds_other_than_one_and_five_report_on_standard_error(tmp_path, kind):
    cut = cut_in_the_wide_table(tmp_path / "build", kind)
    # No "-q": only the launcher kind turns message boxes off. A box would
    # block the launcher until the timeout.
    run = run_setup(cut, temp=tmp_path / "temp", timeout=30)
    assert not run.timed_out, "the launcher waited (for a message box?)"
    assert run.code == 1
    assert first_line(run.stderr) == "Internal Error: readWString"
    assert log_named_in(run.stderr) == tmp_path / "temp" / "tlx_nlog_1.log"


@pytest.mark.parametrize("kind", ["1", "5"])
def test_launcher_kinds_one_and_five_show_a_message_box(tmp_path, display, kind):
    cut = cut_in_the_wide_table(tmp_path / "build", kind)
    proc, out, err = run_setup(cut, temp=tmp_path / "temp", wait=False)
    try:
        box = wait_dialog(MESSAGES[1000], timeout=30)
        assert box is not None, "no message box captioned with message 1000"
        text = box["text"].replace("\r\n", "\n")
        assert text.startswith("Internal Error: readWString\n\nLog: "), text
        log = log_named_in(text)
        assert log == tmp_path / "temp" / "tlx_nlog_1.log" and log.is_file()
        press(MESSAGES[1000], "OK")
    finally:
        run = finish(proc, out, err, timeout=30)
        if run.timed_out:
            close_windows_of(cut)
    assert run.code == 1 and not run.timed_out
    assert run.stderr.strip() == ""
