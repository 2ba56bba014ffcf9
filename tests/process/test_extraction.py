"""The launcher's main sequence up to the Java runtime, driven through the
real executable under wine64 with setup files built by our build tool:
integrity check, extraction, extract-and-exit, language restart and the
quiet launch without Java."""
from pathlib import Path

import pytest

from harness import inspect_setup, prefix_dir, wait_gone
from setup_cases import (MESSAGES, assert_extracted, build, delete_marker, extraction_dirs, flip_byte, log_text,
                         log_value, marker, record_offsets, run_answering_box, run_launcher, runtime_files,
                         set_marker, temp_switch)

ABORT_LINE = "No JRE found. Aborting."


@pytest.fixture
def files(tmp_path):
    return runtime_files(tmp_path)


@pytest.mark.usefixtures("private_prefix")
def test_quiet_launch_without_java_extracts_everything_and_ends_with_83(tmp_path, files):
    setup = build(tmp_path, files)
    temp = tmp_path / "temp"
    set_marker("InstallStarted", 7)
    run = run_launcher(setup, "-q", *temp_switch(temp))
    assert run.code == 83, run.stderr
    assert ABORT_LINE in run.stdout.splitlines()
    assert not run.crashed
    # The launcher wrote 1 and deleted it again when it gave up.
    assert marker("InstallStarted") is None

    dirs = extraction_dirs(temp)
    assert len(dirs) == 1, dirs
    assert_extracted(dirs[0], files)
    assert (dirs[0] / "lib").is_dir()
    log = log_text(temp)
    assert "ERROR: No JRE found" in log
    assert log_value(log, "Temp dir3: ") == "Z:" + str(dirs[0]).replace("/", "\\")


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
    assert wait_gone(MESSAGES[20013], exe=setup)


def test_nocheck_extracts_the_changed_record(tmp_path, files):
    setup = build(tmp_path, files)
    offset, size = record_offsets(setup)["stats.properties"]
    changed = flip_byte(setup, offset + 17)
    temp = tmp_path / "temp"
    run = run_launcher(setup, "-q", "-nocheck", *temp_switch(temp))
    assert run.code == 83, run.stderr
    (directory,) = extraction_dirs(temp)
    extracted = (directory / "stats.properties").read_bytes()
    original = Path(dict((n, s) for s, n in files)["stats.properties"]).read_bytes()
    assert extracted[17] == changed ^ 0xA7 and extracted[17] != original[17]
    assert extracted[:17] + extracted[18:] == original[:17] + original[18:]
    assert "verifying integrity" not in log_text(temp)


def test_bytes_appended_behind_the_payload_change_nothing(tmp_path, files):
    setup = build(tmp_path, files)
    with open(setup, "ab") as f:
        f.write(b"\0" * 3 + bytes(range(256)) * 40)  # a signature-like tail
    temp = tmp_path / "temp"
    run = run_launcher(setup, "-q", *temp_switch(temp))
    assert run.code == 83, run.stderr
    (directory,) = extraction_dirs(temp)
    assert_extracted(directory, files)
    assert "verifying integrity length" in log_text(temp)


def test_check_flag_zero_skips_the_crc(tmp_path, files):
    setup = build(tmp_path, files, check=False)
    offset, _ = record_offsets(setup)["tlxruntime.jar"]
    flip_byte(setup, offset)
    temp = tmp_path / "temp"
    run = run_launcher(setup, "-q", *temp_switch(temp))
    assert run.code == 83, run.stderr
    (directory,) = extraction_dirs(temp)
    original = Path(files[0][0]).read_bytes()
    assert (directory / "tlxruntime.jar").read_bytes()[1:] == original[1:]
    assert "verifying integrity" not in log_text(temp)


def test_count_below_the_names_extracts_the_first_records_only(tmp_path, files):
    setup = build(tmp_path, files, settings={2002: "2"})
    offsets = record_offsets(setup)
    run = run_launcher(setup, "__tlx_extract_and_exit", "-q", *temp_switch(tmp_path / "temp"))
    assert run.code == 0, run.stderr
    side = Path(str(setup) + ".test")
    assert sorted(p.name for p in side.iterdir()) == ["tlxparams.conf", "tlxruntime.jar", "unextracted.txt"]
    assert_extracted(side, files, count=2)
    # The third record (its size field) is where the unextracted data begins.
    second_offset, second_size = offsets["tlxparams.conf"]
    assert (side / "unextracted.txt").read_text() == str(second_offset + second_size)
    assert "empty.dat" not in offsets, "our build tool agrees that only two are extracted"


@pytest.mark.usefixtures("private_prefix")
def test_extract_and_exit_fills_the_side_directory_and_writes_the_position(tmp_path, files):
    setup = build(tmp_path, files, trailing=b"data for the installer" * 10)
    temp = tmp_path / "temp"
    set_marker("InstallStarted", 7)
    try:
        run = run_launcher(setup, "__tlx_extract_and_exit", "-q", *temp_switch(temp))
        assert run.code == 0, run.stderr
        assert marker("InstallStarted") == 7, "no runtime decision, so no marker was touched"
    finally:
        delete_marker("InstallStarted")
    side = Path(str(setup) + ".test")
    assert_extracted(side, files)
    last_offset, last_size = record_offsets(setup)["stats.properties"]
    assert (side / "unextracted.txt").read_text() == str(last_offset + last_size)
    assert extraction_dirs(temp) == [], "nothing goes to the temp directory"
    log = log_text(temp)
    assert "JRE included" not in log and ABORT_LINE not in run.stdout, "no runtime was looked for"
    assert log_value(log, "Extracted dir: ") == "Z:" + str(side).replace("/", "\\")


def test_one_directory_level_is_created_but_not_two(tmp_path, files):
    deep = tmp_path / "deep.bin"
    deep.write_bytes(b"two levels")
    setup = build(tmp_path, files[:2] + [(deep, "a/b/deep.bin")] + files[2:])
    temp = tmp_path / "temp"
    run = run_launcher(setup, "-q", *temp_switch(temp))
    assert run.code == 1
    assert MESSAGES[1009].replace("{0}", "11") in run.stderr
    assert extraction_dirs(temp) == [], "the extraction directory is removed"
    log = log_text(temp)
    assert "creating directory " in log and "\\a\n" in log.replace("\r", "")


@pytest.mark.parametrize("hostile", ["..\\escaped.txt", "lib\\..\\..\\escaped.txt", "lib/../../escaped.txt",
                                     "C:\\escaped.txt", "\\escaped.txt", "Z:escaped.txt", "lib\\CON",
                                     ".. \\escaped.txt"])
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
    log = log_text(temp)
    assert "file name leaves the extraction directory" in log
    assert "extracting Z:" not in log, "nothing was written before the refusal"


@pytest.mark.usefixtures("private_prefix")
def test_language_restart_reuses_the_directory_without_check_or_extraction(tmp_path, files):
    setup = build(tmp_path, files)
    offset, _ = record_offsets(setup)["tlxruntime.jar"]
    flip_byte(setup, offset)  # a check would stop the launch with a box
    earlier = tmp_path / "earlier"
    earlier.mkdir()
    (earlier / "tlxruntime.jar").write_bytes(b"from the earlier run")
    (earlier / "tlxparams.conf").write_bytes(b"earlier")
    temp = tmp_path / "temp"
    set_marker("InstallStarted", 7)
    try:
        run = run_launcher(setup, "__tlx_lang_restart", *temp_switch(temp), cwd=earlier)
        assert run.code == 83, run.stderr
        assert marker("InstallStarted") == 7, "a language restart leaves the markers alone"
    finally:
        delete_marker("InstallStarted")
    assert ABORT_LINE in run.stdout.splitlines()
    assert extraction_dirs(temp) == []
    assert (earlier / "tlxruntime.jar").read_bytes() == b"from the earlier run"
    log = log_text(temp)
    assert "verifying integrity" not in log and "extracting files" not in log
    assert log_value(log, "Current working dir: ") == "Z:" + str(earlier).replace("/", "\\")


def test_language_restart_without_runtime_files_extracts_afresh(tmp_path, files):
    setup = build(tmp_path, files)
    earlier = tmp_path / "earlier"
    earlier.mkdir()
    (earlier / "tlxruntime.jar").write_bytes(b"only half of an earlier run")
    temp = tmp_path / "temp"
    run = run_launcher(setup, "__tlx_lang_restart", *temp_switch(temp), cwd=earlier)
    assert run.code == 83, run.stderr
    (directory,) = extraction_dirs(temp)
    assert_extracted(directory, files)
    assert "could not find tlxparams.conf" in log_text(temp)
    assert (earlier / "tlxruntime.jar").read_bytes() == b"only half of an earlier run"


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


def test_full_disk_while_extracting_is_reported_as_such(tmp_path, files, display):
    setup = build(tmp_path, files, settings={155: "1"})
    side = Path(str(setup) + ".test")
    side.mkdir()
    (side / "tlxparams.conf").symlink_to("/dev/full")  # writes fail with "no space left"
    run = run_answering_box(setup, "__tlx_extract_and_exit", *temp_switch(tmp_path / "temp"),
                            text=MESSAGES[20018])
    assert run.code == 1
    assert not (side / "tlxruntime.jar").exists(), "the record extracted before is removed at the failure"
    assert "ERROR: WriteFile failed" in log_text(tmp_path / "temp")


def test_extract_and_exit_refuses_a_link_in_place_of_its_directory(tmp_path, files):
    setup = build(tmp_path, files)
    outside = tmp_path / "outside"
    outside.mkdir()
    (outside / "precious.txt").write_text("the user's own file")
    Path(str(setup) + ".test").symlink_to(outside, target_is_directory=True)
    run = run_launcher(setup, "__tlx_extract_and_exit", "-q", *temp_switch(tmp_path / "temp"))
    assert run.code == 1 and "(error code: 73)" in run.stderr, (run.code, run.stderr)
    assert [p.name for p in outside.iterdir()] == ["precious.txt"]


def test_without_records_the_unextracted_data_starts_where_records_would(tmp_path):
    setup = build(tmp_path, [], trailing=b"installer data behind the tables")
    info = inspect_setup(setup)
    assert info["records"] == []
    run = run_launcher(setup, "__tlx_extract_and_exit", "-q", *temp_switch(tmp_path / "temp"))
    assert run.code == 0, run.stderr
    side = Path(str(setup) + ".test")
    position = int((side / "unextracted.txt").read_text())
    assert position == info["unextracted_position"]
    assert setup.read_bytes()[position:].startswith(b"installer data behind the tables")
