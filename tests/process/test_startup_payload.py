"""Reading the payload at start-up: damage to its tables, and the channel of fatal errors."""
import re
import struct
from concurrent.futures import ThreadPoolExecutor

import pytest

from harness import answer_box, build_setup, inspect_setup, launcher_logs, log_named_in, read_log, run_setup

SETTINGS = {107: "0", 2001: "i", 126: "1.8", 128: "Rsoftware\\java;Ejava_home;", 10003: "app"}
MESSAGES = {1000: "Setup error", 1009: "An internal error occurred (error code: {0})",
            20012: "Cancel", 20013: "tolvanrix Wizard"}
LANGUAGES = [("de", {20012: "Abbrechen", 20013: "tolvanrix Assistent"}), ("fr_FR", {20012: "Annuler"})]


def table_fields(data: bytes, start: int) -> list:
    """(role, begin, end, reader) of every field up to the end of the language blocks."""
    fields, pos = [], start

    def take(role, size, reader="readInt"):
        nonlocal pos
        value = struct.unpack_from("<i", data, pos)[0] if size == 4 else None
        if size:
            fields.append((role, pos, pos + size, reader))
        pos += size
        return value

    def text(kind, reader):
        take(kind + " text", take(kind + " length", 4), reader)

    for role in ("magic", "check flag", "crc"):
        take(role, 4)
    take("verified length", 8, "readLong")
    for kind, reader in (("narrow", "readString"), ("wide", "readWString")):
        for _ in range(take(kind + " count", 4)):
            take(kind + " id", 4)
            text(kind, reader)
    for _ in range(take("block count", 4)):
        text("block code", "readString")
        for _ in range(take("entry count", 4)):
            take("entry id", 4)
            text("entry", "readWString")
    return fields


def first_line(text: str) -> str:
    lines = text.splitlines()
    return lines[0].strip() if lines else ""


@pytest.fixture(scope="module")
def built(tmp_path_factory):
    workdir = tmp_path_factory.mktemp("payload")
    setup = build_setup(workdir, settings=SETTINGS, messages=MESSAGES, languages=LANGUAGES)
    start = inspect_setup(setup)["payload_start"]
    data = setup.read_bytes()
    return setup, data, start, table_fields(data, start)


def run_all(tmp_path, files: dict, *args):
    """Runs each named file content as a quiet setup side by side; name -> Run."""
    def one(name):
        path = tmp_path / f"{name.replace(' ', '_')}.exe"
        path.write_bytes(files[name])
        return name, run_setup(path, "-q", *args, temp=tmp_path / f"temp-{path.stem}", timeout=60)
    with ThreadPoolExecutor(max_workers=4) as pool:
        return dict(pool.map(one, files))


def test_wrong_magic_is_reported_on_standard_error_with_q_and_the_log_stays(built, tmp_path):
    setup, data, start, _ = built
    damaged = bytearray(data)
    damaged[start] ^= 0x5A
    bad = tmp_path / "bad.exe"
    bad.write_bytes(damaged)
    # The log stays after a fatal error though nobody asked to keep it.
    run = run_setup(bad, "-q", temp=tmp_path / "temp", env={"TOLVANRIX_LOG": None, "KAVRO_LOG": None})
    assert run.code == 1, run.stderr
    assert first_line(run.stderr) == "Internal Error: magic"
    log = log_named_in(run.stderr)
    assert log == tmp_path / "temp" / "tlx_nlog_1.log"
    text = read_log(log)
    assert "rawDataSize: " in text and "Init done" not in text


def test_a_cut_in_each_kind_of_field_ends_with_its_readers_message(built, tmp_path):
    """A number reader logs "error <last error> <bytes read>" (readInt) or "error <last error>"."""
    setup, data, start, fields = built
    firsts = {}
    for role, begin, end, reader in fields:
        firsts.setdefault(role, (begin, end, reader))
    assert len(firsts) == 19, sorted(firsts)  # the fixture holds every kind of field
    cuts = {f"{role}@{cut - begin}": (cut, begin, reader) for role, (begin, end, reader) in firsts.items()
            for cut in sorted({begin, (begin + end) // 2})}
    runs = run_all(tmp_path, {name: data[:cut] for name, (cut, _, _) in cuts.items()})
    runs["intact"] = run_setup(setup, "-q", temp=tmp_path / "temp-intact", env={"TOLVANRIX_LOG": "yes"})
    assert runs["intact"].code != 1 and runs["intact"].stderr.strip() == "", runs["intact"].stderr
    assert "Init done\n" in read_log(launcher_logs(tmp_path / "temp-intact")[0])
    wrong = []
    for name, (cut, begin, reader) in cuts.items():
        run = runs[name]
        log = read_log(log_named_in(run.stderr)) if log_named_in(run.stderr) else ""
        logged = {"readInt": rf"^error -?\d+ {cut - begin}$", "readLong": r"^error -?\d+$"}.get(reader, "")
        if run.code != 1 or first_line(run.stderr) != f"Internal Error: {reader}" or \
                not re.search(logged, log, re.M):
            wrong.append((name, reader, run.code, run.stderr[:200]))
    assert not wrong, wrong


def test_implausible_counts_and_lengths_end_cleanly(built, tmp_path):
    """Lengths fail in their reader before anything is allocated; counts never crash."""
    setup, data, start, fields = built
    first = {}
    for role, begin, _, _ in fields:
        first.setdefault(role, begin)

    def patched(role, value):
        out = bytearray(data)
        struct.pack_into("<i", out, first[role], value)
        return bytes(out)

    lengths = {f"{kind}-{value}": (patched(f"{kind} length", value), reader)
               for kind, reader in (("narrow", "readString"), ("wide", "readWString"),
                                    ("block code", "readString"), ("entry", "readWString"))
               for value in (-2, 0x7FFFFFF0)}
    counts = {f"{kind}-{value}": patched(kind, value)
              for kind in ("narrow count", "wide count", "block count", "entry count") for value in (-1, 0x7FFFFFFF)}
    # Damage the readers let through is caught by the integrity check, whose
    # box shows even in quiet mode; here the readers alone are under test.
    runs = run_all(tmp_path, {**{name: content for name, (content, _) in lengths.items()}, **counts}, "-nocheck")
    wrong = [(name, run.stderr[:200]) for name, run in runs.items() if name in lengths and
             (run.code != 1 or first_line(run.stderr) != f"Internal Error: {lengths[name][1]}")]
    # Any other end is a launch that went on; a fatal one names the log.
    wrong += [(name, run.code, run.stderr[:200]) for name, run in runs.items() if name in counts and
              run.code == 1 and not (first_line(run.stderr).startswith("Internal Error: read") and
                                     log_named_in(run.stderr))]
    assert not wrong, wrong


def cut_in_the_wide_table(workdir, kind):
    """A setup of that launcher kind whose last message is cut off."""
    settings = {**SETTINGS, 107: kind}
    if kind is None:
        del settings[107]
    setup = build_setup(workdir, settings=settings, messages=MESSAGES)
    data = setup.read_bytes()
    _, begin, end, _ = [f for f in table_fields(data, inspect_setup(setup)["payload_start"]) if f[0] == "wide text"][-1]
    cut = workdir / "cut.exe"
    cut.write_bytes(data[:(begin + end) // 2])
    return cut


@pytest.mark.parametrize("kind", [None, "0", "2", "7", "1", "5"])
def test_launcher_kinds_one_and_five_show_a_box_the_others_report_on_standard_error(tmp_path, display, kind):
    cut = cut_in_the_wide_table(tmp_path / "build", kind)
    log = tmp_path / "temp" / "tlx_nlog_1.log"
    if kind in ("1", "5"):
        text, run = answer_box(run_setup(cut, temp=tmp_path / "temp", wait=False), MESSAGES[1000], cut, timeout=30)
        assert text.startswith("Internal Error: readWString\n\nLog: ") and log_named_in(text) == log, text
        assert run.stderr.strip() == ""
    else:
        # No "-q": only the launcher kind turns message boxes off. A box would
        # block the launcher until the timeout.
        run = run_setup(cut, temp=tmp_path / "temp", timeout=30)
        assert first_line(run.stderr) == "Internal Error: readWString" and log_named_in(run.stderr) == log
    assert run.code == 1 and log.is_file()
