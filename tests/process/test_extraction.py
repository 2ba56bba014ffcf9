"""The main sequence up to the Java runtime: integrity check, extraction, extract-and-exit and
language restart."""
import json
import struct
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest

from harness import answer_box, inspect_setup, prefix_dir, run_builder
from setup_cases import (MESSAGES, build, delete_marker, extraction_dirs, log_text, log_value, marker, run_launcher,
                         runtime_files, set_marker, temp_switch)

ABORT_LINE = "No JRE found. Aborting."


def record_offsets(setup: Path) -> dict:
    """Record name to (file offset of its content, size) as our build tool reads them."""
    return {r["name"]: (r["offset"], r["size"]) for r in inspect_setup(setup)["records"]}


def flip_byte(setup: Path, offset: int) -> int:
    data = bytearray(setup.read_bytes())
    data[offset] ^= 0x5A
    setup.write_bytes(bytes(data))
    return data[offset]


def assert_extracted(directory: Path, files):
    """Every record is in directory with the source's bytes; an empty record leaves no file."""
    for source, name in files:
        target = Path(directory) / name
        data = Path(source).read_bytes()
        if data:
            assert target.is_file(), f"{name} not extracted"
            assert target.read_bytes() == data, f"{name} differs from its source"
        else:
            assert not target.exists(), f"the empty record {name} created a file"


def run_answering_box(setup: Path, *args, text=MESSAGES[20016]):
    """The box captioned 20013 must say text; no progress dialog, which has the same caption."""
    shown, run = answer_box(run_launcher(setup, *args, wait=False), MESSAGES[20013], setup)
    assert shown == text
    return run


@pytest.fixture
def files(tmp_path):
    return runtime_files(tmp_path)


def test_changed_record_byte_is_reported_even_in_quiet_mode(tmp_path, files, display):
    setup = build(tmp_path, files)
    offset, size = record_offsets(setup)["stats.properties"]
    flip_byte(setup, offset + size // 2)
    temp = tmp_path / "temp"
    run = run_answering_box(setup, "-q", *temp_switch(temp))
    assert run.code == 1, run.stderr
    # Unattended installs read why on standard error; the box is there as well.
    assert MESSAGES[20016] in run.stderr and "Log: " in run.stderr, run.stderr
    assert ABORT_LINE not in run.stdout
    assert extraction_dirs(temp) == []


# Bytes behind the payload, like a signature, pass the check: test_builder_resources.py runs a signed file.
@pytest.mark.parametrize("case", ["-nocheck", "check flag 0"])
def test_a_changed_byte_passes_without_the_check_and_is_extracted_as_changed(tmp_path, files, case):
    setup = build(tmp_path, files, check=case != "check flag 0")
    offset, _ = record_offsets(setup)["stats.properties"]
    changed = flip_byte(setup, offset + 17)
    temp = tmp_path / "temp"
    run = run_launcher(setup, "__tlx_extract_and_exit", "-q", *temp_switch(temp),
                       *([case] if case == "-nocheck" else []))
    assert run.code == 0, run.stderr
    extracted = (Path(str(setup) + ".test") / "stats.properties").read_bytes()
    original = Path(dict((n, s) for s, n in files)["stats.properties"]).read_bytes()
    assert extracted[17] == changed ^ 0xA7 and extracted[17] != original[17]
    assert extracted[:17] + extracted[18:] == original[:17] + original[18:]
    assert "verifying integrity" not in log_text(temp)


@pytest.mark.usefixtures("private_prefix")
@pytest.mark.parametrize("count", [None, 2, 0], ids=["all", "count below the names", "no records"])
def test_extract_and_exit_fills_the_side_directory_and_writes_the_position(tmp_path, files, count):
    built_files = [] if count == 0 else files
    trailing = b"data for the installer" * 10
    setup = build(tmp_path, built_files, settings={2002: str(count)} if count else None, trailing=trailing)
    temp = tmp_path / "temp"
    set_marker("InstallStarted", 7)
    try:
        run = run_launcher(setup, "__tlx_extract_and_exit", "-q", *temp_switch(temp))
        assert run.code == 0, run.stderr
        assert marker("InstallStarted") == 7, "no runtime decision, so no marker was touched"
    finally:
        delete_marker("InstallStarted")
    side = Path(str(setup) + ".test")
    extracted = [(source, name) for source, name in built_files[:count] if Path(source).stat().st_size]
    assert sorted(p.name for p in side.iterdir()) == sorted({name.split("/")[0] for _, name in extracted} |
                                                           {"unextracted.txt"})
    assert_extracted(side, extracted)
    position = int((side / "unextracted.txt").read_text())
    assert position == inspect_setup(setup)["unextracted_position"]
    if count != 2:
        assert setup.read_bytes()[position:] == trailing
    assert extraction_dirs(temp) == [], "nothing goes to the temp directory"
    log = log_text(temp)
    assert "JRE included" not in log and ABORT_LINE not in run.stdout, "no runtime was looked for"
    assert log_value(log, "Extracted dir: ") == "Z:" + str(side).replace("/", "\\")


def test_one_directory_level_is_created_but_not_two(tmp_path, files):
    deep = tmp_path / "deep.bin"
    deep.write_bytes(b"two levels")
    # Our build tool refuses such a name in a [[file]]; set by hand, it reaches the launcher.
    records = files[:2] + [(deep, "a/b/deep.bin")] + files[2:]
    names = "".join(name.replace("/", "\\") + ";" for _, name in records)
    setup = build(tmp_path, files[:2] + [(deep, "deep.bin")] + files[2:],
                  settings={2002: str(len(records)), 2003: names})
    temp = tmp_path / "temp"
    run = run_launcher(setup, "-q", *temp_switch(temp))
    assert run.code == 1
    assert MESSAGES[1009].replace("{0}", "11") in run.stderr
    assert extraction_dirs(temp) == [], "the extraction directory is removed"
    log = log_text(temp)
    assert "creating directory " in log and "\\a\n" in log


# Which names count as leaving the directory is a table of the unit tests;
# here what a refusal means for the files on disk.
@pytest.mark.parametrize("hostile", ["lib\\..\\..\\escaped.txt", "C:\\escaped.txt"])
def test_names_leaving_the_extraction_directory_are_refused(tmp_path, files, hostile, display):
    names = ";".join(name.replace("/", "\\") for _, name in files[:1]) + ";" + hostile + ";"
    setup = build(tmp_path / "work" / "inner", files[:2], settings={2002: "2", 2003: names})
    temp = tmp_path / "work" / "inner" / "temp"
    switch = temp_switch(temp)
    before = {p for p in tmp_path.rglob("*")}
    run = run_launcher(setup, "-q", *switch)
    assert run.code == 1, run.stderr
    assert extraction_dirs(temp) == []
    created = {p for p in tmp_path.rglob("*")} - before
    assert all(p.parent == temp and p.name.startswith(("kvo", "tlx_nlog_")) for p in created), created
    for outside in (Path("/escaped.txt"), prefix_dir() / "drive_c" / "escaped.txt"):
        assert not outside.exists(), outside
    assert "extracting Z:" not in log_text(temp), "nothing was written before the refusal"


@pytest.mark.usefixtures("private_prefix")
@pytest.mark.parametrize("complete", [True, False], ids=["reuses the directory", "extracts without tlxparams.conf"])
def test_language_restart_without_check_and_with_the_markers_left_alone(tmp_path, files, complete):
    """A check would stop at the changed byte with a box; without tlxparams.conf it extracts afresh."""
    setup = build(tmp_path, files)
    if complete:
        flip_byte(setup, record_offsets(setup)["tlxruntime.jar"][0])
    earlier = tmp_path / "earlier"
    earlier.mkdir()
    (earlier / "tlxruntime.jar").write_bytes(b"from the earlier run")
    if complete:
        (earlier / "tlxparams.conf").write_bytes(b"earlier")
    temp = tmp_path / "temp"
    set_marker("InstallStarted", 7)
    try:
        run = run_launcher(setup, "__tlx_lang_restart", *temp_switch(temp), cwd=earlier)
        assert run.code == 83, run.stderr
        assert marker("InstallStarted") == 7, "a language restart leaves the markers alone"
    finally:
        delete_marker("InstallStarted")
    assert (earlier / "tlxruntime.jar").read_bytes() == b"from the earlier run"
    log = log_text(temp)
    if complete:
        assert ABORT_LINE in run.stdout.splitlines() and extraction_dirs(temp) == []
        assert "verifying integrity" not in log and "extracting files" not in log
        assert log_value(log, "Current working dir: ") == "Z:" + str(earlier).replace("/", "\\")
    else:
        (directory,) = extraction_dirs(temp)
        assert_extracted(directory, files)
        assert "could not find tlxparams.conf" in log


def test_unreadable_record_is_reported_as_corrupted_unless_quiet(tmp_path, files, display):
    setup = build(tmp_path, files, settings={155: "1"})
    offset, size = record_offsets(setup)["stats.properties"]
    data = setup.read_bytes()
    setup.write_bytes(data[:offset + size // 2])  # the last record is cut short
    temp = tmp_path / "temp"
    run = run_answering_box(setup, "-nocheck", *temp_switch(temp))
    assert run.code == 1
    assert extraction_dirs(temp) == []
    assert "ERROR: ReadFile failed" in log_text(temp)

    quiet = run_launcher(setup, "-nocheck", "-q", *temp_switch(temp))
    assert quiet.code == 1 and ABORT_LINE not in quiet.stdout, "no box in quiet mode, yet a failure"
    assert MESSAGES[20016] in quiet.stderr and "Log: " in quiet.stderr, quiet.stderr


def test_extract_and_exit_reports_a_full_disk_and_refuses_a_link_for_its_directory(tmp_path, files, display):
    setup = build(tmp_path, files, settings={155: "1"})
    side = Path(str(setup) + ".test")
    side.mkdir()
    (side / "tlxparams.conf").symlink_to("/dev/full")  # writes fail with "no space left"
    run = run_answering_box(setup, "__tlx_extract_and_exit", *temp_switch(tmp_path / "temp"),
                            text=MESSAGES[20018])
    assert run.code == 1
    assert not (side / "tlxruntime.jar").exists(), "the record extracted before is removed at the failure"
    assert "ERROR: WriteFile failed" in log_text(tmp_path / "temp")

    setup = build(tmp_path / "linked", files)
    outside = tmp_path / "outside"
    outside.mkdir()
    (outside / "precious.txt").write_text("the user's own file")
    Path(str(setup) + ".test").symlink_to(outside, target_is_directory=True)
    run = run_launcher(setup, "__tlx_extract_and_exit", "-q", *temp_switch(tmp_path / "temp2"))
    assert run.code == 1 and "(error code: 73)" in run.stderr, (run.code, run.stderr)
    assert [p.name for p in outside.iterdir()] == ["precious.txt"]


def unscrambled(data: bytes, offset: int, size: int) -> bytes:
    return bytes(b ^ 0xA7 for b in data[offset:offset + size])


def damaged_records(data: bytes, info: dict) -> dict:
    """name -> (damaged setup bytes, extra switches)."""
    records = info["records"]
    cases = {"cut-checked": (data[:records[1]["offset"] + 100], [])}
    for name, cut in (("cut-size", records[0]["offset"] - 4), ("cut-content", records[0]["offset"] + 4000),
                      ("cut-last", records[-1]["offset"] + 1)):
        cases[name] = (data[:cut], ["-nocheck"])
    for index in (0, 3):
        for value in (-1, -6000, 0, 1, 2 ** 31, 2 ** 62, len(data), -2 ** 63):
            damaged = bytearray(data)
            struct.pack_into("<q", damaged, records[index]["offset"] - 8, value)
            cases[f"size{index}_{value}"] = (bytes(damaged), ["-nocheck"])
    return cases


def test_damaged_records_fail_cleanly_or_extract_what_the_file_holds(tmp_path):
    """No crash, hang or write outside its directories: exit code 1 with no extraction directory, or
    exactly what our build tool reads in the damaged file."""
    files = runtime_files(tmp_path)
    setup = build(tmp_path / "base", files, trailing=b"unextracted tail" * 4)
    data = setup.read_bytes()

    def one(item):
        name, (content, switches) = item
        work = tmp_path / name
        work.mkdir()
        damaged = work / "setup.exe"
        damaged.write_bytes(content)
        temp = work / "temp"
        switch = temp_switch(temp)
        before = set(work.rglob("*"))
        run = run_launcher(damaged, "__tlx_extract_and_exit", "-q", *switch, *switches, timeout=60)
        return name, damaged, temp, before, run

    with ThreadPoolExecutor(max_workers=4) as pool:
        results = list(pool.map(one, damaged_records(data, inspect_setup(setup)).items()))
    outcomes, stderr = {}, {}
    for name, damaged, temp, before, run in results:
        directory = Path(str(damaged) + ".test")
        assert all({temp, directory} & ({p} | set(p.parents)) for p in set(damaged.parent.rglob("*")) - before), name
        outcomes[name], stderr[name] = run.code, run.stderr
        if run.code == 1:
            assert not directory.exists(), f"{name}: the extraction directory stays after a failure"
            assert run.stderr.strip() or "ERROR: " in log_text(temp), name
            continue
        assert run.code == 0, (name, run.code, run.stderr)
        content = damaged.read_bytes()
        for record in json.loads(run_builder("inspect", "--json", damaged).stdout)["records"]:
            target = directory / record["name"].replace("\\", "/")
            expected = unscrambled(content, record["offset"], record["size"]) if record["size"] > 0 else None
            assert (target.read_bytes() if target.exists() else None) == expected, (name, record["name"])
    # The check catches the cut; the size fields lead both ways.
    assert outcomes["cut-checked"] == 1 and MESSAGES[1009].replace("{0}", "34") in stderr["cut-checked"]
    assert {1, 0} <= set(outcomes.values()), outcomes
