"""The build tool: what it builds reads back exactly, bad input is refused without leaving output,
and inspect survives damaged files."""
import gzip
import json
import random
import re
import resource
import shutil
import struct
import subprocess
import zlib
from pathlib import Path

import pytest

from harness import BUILDER, STUB_X64, TESTS_JAR, build_setup, inspect_setup, run_builder, write_project

SETTINGS = {107: "1", 126: "1.8", 2001: "i", 300: "Grüße € „quoted“"}
MESSAGES = {1000: "Error", 20012: "Cancel", 20013: "tolvanrix Wizard – Setup ✓", 20016: "broken 😀 file"}
LANGUAGES = [("de", {20012: "Abbrechen", 20013: "Assistent für tolvanrix"}),
             ("ja_JP", {20012: "キャンセル"})]
TRAILING = b"\x00TRAIL\xff" * 9


def record_sources(directory: Path):
    rng = random.Random(1234)
    contents = [("dist/tlxruntime.jar", "tlxruntime.jar", bytes(rng.randrange(256) for _ in range(3000))),
                ("dist/empty.txt", "empty.txt", b""),
                ("dist/bytes.bin", "lib/all-bytes.bin", bytes(range(256)) * 2),
                ("dist/params.conf", "tlxparams.conf", "key=wert äö\r\n".encode("utf-8"))]
    for source, _, content in contents:
        path = directory / source
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(content)
    return contents


def limit_memory():
    """inspect must never need much memory, whatever a damaged file claims."""
    resource.setrlimit(resource.RLIMIT_AS, (256 << 20, 256 << 20))


def inspect_raw(setup: Path, timeout=20) -> subprocess.CompletedProcess:
    return subprocess.run([str(BUILDER), "inspect", "--json", str(setup)], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=timeout, preexec_fn=limit_memory)


@pytest.fixture(scope="module")
def rich(tmp_path_factory):
    """One setup file with everything the format holds."""
    work = tmp_path_factory.mktemp("rich")
    records = record_sources(work)
    setup = build_setup(work, settings=SETTINGS, messages=MESSAGES, languages=LANGUAGES,
                        files=[(work / s, n) for s, n, _ in records], trailing=TRAILING)
    return work, setup, records


def stored_name(name: str) -> str:
    return name.replace("/", "\\")


# ---------------------------------------------------------------- round trip

def test_inspect_shows_every_entry_block_and_record_with_settings_in_the_projects_code_page(rich, tmp_path):
    # The launcher reads settings as 8-bit text of the system code page (1252 by default);
    # messages are UTF-16 either way.
    work, setup, records = rich
    assert SETTINGS[300].encode("cp1252") in setup.read_bytes()
    utf8 = build_setup(tmp_path, settings={300: "中文 € ü"}, codepage=65001)
    assert "中文 € ü".encode("utf-8") in utf8.read_bytes()
    assert inspect_setup(utf8, codepage=65001)["narrow"]["300"] == "中文 € ü"
    info = inspect_setup(setup)
    names = "".join(stored_name(n) + ";" for _, n, _ in records)
    assert info["error"] is None
    assert info["magic"] == 0xE8E413D5 and info["magic_ok"]
    assert info["check_flag"] == 1
    assert info["crc_ok"] and info["crc_computed"] == info["crc_expected"]
    expected_narrow = {str(k): v for k, v in SETTINGS.items()}
    expected_narrow.update({"2002": str(len(records)), "2003": names})
    assert info["narrow"] == expected_narrow
    assert info["wide"] == {str(k): v for k, v in MESSAGES.items()}
    assert info["languages"] == [{"code": c, "entries": {str(k): v for k, v in e.items()}} for c, e in LANGUAGES]
    assert [(r["name"], r["size"]) for r in info["records"]] == [(stored_name(n), len(c)) for _, n, c in records]
    size = setup.stat().st_size
    assert info["file_size"] == size
    assert info["verified_length"] == size - info["payload_start"] - 20
    assert info["unextracted_position"] == size - len(TRAILING)


@pytest.mark.parametrize("check", [True, False])
def test_a_changed_record_byte_is_a_crc_mismatch_and_an_error_only_under_the_check(tmp_path, check):
    # Bytes appended behind the payload, like a signature, are no change
    # (test_builder_resources.py signs a setup file).
    records = record_sources(tmp_path)
    setup = build_setup(tmp_path, settings=SETTINGS, files=[(tmp_path / s, n) for s, n, _ in records], check=check)
    info = inspect_setup(setup)
    assert info["check_flag"] == int(check) and info["crc_ok"]
    damaged = tmp_path / "damaged.exe"
    data = bytearray(setup.read_bytes())
    data[info["records"][2]["offset"] + 100] ^= 0x01
    damaged.write_bytes(data)
    result = inspect_raw(damaged)
    report = json.loads(result.stdout)
    assert report["crc_ok"] is False and report["crc_expected"] == info["crc_expected"]
    assert report["crc_computed"] == zlib.crc32(bytes(data[info["payload_start"] + 20:]))
    # The structure is intact: everything else still reads. Without the flag
    # the launcher accepts a changed record, and so does inspect.
    assert report["records"] == info["records"] and report["narrow"] == info["narrow"]
    assert result.returncode == int(check) and (report["error"] is None) != check, report["error"]
    assert not check or "CRC mismatch" in report["error"]


def test_explicit_file_keys_are_built_with_a_warning(tmp_path):
    for name in ("first.bin", "second.bin"):
        (tmp_path / name).write_bytes(name.encode() * 3)
    toml = write_project(tmp_path / "p.toml", settings={2002: "1"},
                         files=[(tmp_path / "first.bin", "first.bin"), (tmp_path / "second.bin", "a/b/second.bin")])
    out = tmp_path / "setup.exe"
    result = run_builder("build", "--stub", STUB_X64, "--project", toml, "--output", out)
    assert result.returncode == 0, result.stderr
    # The record the launcher leaves to the installer may lie deeper than one directory.
    [warning] = result.stderr.splitlines()
    assert "warning" in warning and "2002" in warning
    info = inspect_setup(out)
    assert info["narrow"]["2002"] == "1"
    assert info["narrow"]["2003"] == "first.bin;a\\b\\second.bin;"
    # The launcher extracts only the first record; the second is behind the unextracted position.
    assert [r["name"] for r in info["records"]] == ["first.bin"]
    first = info["records"][0]
    assert info["unextracted_position"] == first["offset"] + first["size"]
    data = out.read_bytes()
    assert struct.unpack_from("<q", data, info["unextracted_position"])[0] == len(b"second.bin" * 3)


# ---------------------------------------------------------------- bad input

def record(name: str, source="src.bin") -> str:
    return f'[[file]]\nsource = "{source}"\nname = {json.dumps(name)}\n'


BAD_PROJECTS = {
    "invalid_toml": ("[settings]\n107 = = 1\n", [re.compile(r"bad\.toml:2:\d+: invalid TOML")]),
    "unknown_table": ("[setings]\n107 = \"1\"\n", ["setings"]),
    "unknown_payload_key": ("[payload]\nchek = true\n", ["chek", "[payload]"]),
    "unknown_record_key": ('[[file]]\nsource = "src.bin"\nnmae = "a"\n', ["nmae", "[[file]] #1"]),
    "unknown_language_key": ('[[language]]\ncode = "de"\nmessage = 1\n', ["message", "[[language]] #1"]),
    "id_not_integer": ('[settings]\nabc = "x"\n', ['"abc"', "[settings]"]),
    "id_out_of_range": ('[messages]\n4294967296 = "x"\n', ['"4294967296"', "[messages]"]),
    "ids_collide": ('[settings]\n107 = "1"\n0107 = "2"\n', ['"0107"', '"107"']),
    "language_ids_collide": ('[[language]]\ncode = "de"\n[language.messages]\n20012 = "a"\n020012 = "b"\n',
                             ['"020012"', "[[language]] #1"]),
    "not_in_code_page": ('[settings]\n107 = "中"\n', ["[settings] 107", "1252"]),
    "unknown_code_page": ("[payload]\ncodepage = 437\n", ["codepage"]),
    "value_not_text": ("[settings]\n107 = true\n", ["[settings] 107"]),
    "missing_source": (record("a.bin", source="nope.bin"), ["nope.bin", "[[file]] #1"]),
    "missing_trailing": ('[trailing]\nsource = "gone.bin"\n', ["gone.bin", "[trailing]"]),
    "duplicate_names": (record("lib/a.jar") + record("lib\\a.jar"), ["[[file]] #2", "duplicates"]),
    "names_differ_in_case": (record("A.jar") + record("a.jar"), ["[[file]] #2", '"a.jar"']),
    "empty_name": (record(""), ["[[file]] #1", "empty"]),
    "absolute_name": (record("/etc/passwd"), ['"/etc/passwd"', "absolute"]),
    "drive_letter": (record("C:x.jar"), ['"C:x.jar"', "drive letter"]),
    "dotdot": (record("lib/../../x.jar"), ['"lib/../../x.jar"', ".."]),
    "separator_in_name": (record("a;b.jar"), ['"a;b.jar"', ";"]),
    "device_name": (record("lib/con.txt"), ["device"]),
    "two_directories_deep": (record("a/b/c.jar"), ['"a/b/c.jar"', "2 directories deep", '"lib/c.jar"']),
}


# Settings by name that the launcher could not use, and what else would make a setup file that does not start.
REFUSED = {
    "unknown name": ('[settings]\nmain_clas = "x"\n', ['"main_clas"', 'did you mean "main_class"']),
    "name and number": ('[settings]\nmain_class = "x"\n122 = "y"\n', ["main_class", '"122"', "122"]),
    "flag as text": ('[settings]\nsingle_instance = "yes"\n', ["single_instance", "true or false"]),
    "version as number": ("[settings]\nmin_java_version = 1.10\n", ["min_java_version", '"1.8"']),
    "integer out of range": ("[settings]\nlauncher_kind = 4294967296\n", ["launcher_kind", "outside"]),
    "unknown search kind": ('[settings]\njava_search = [{ path = "x" }]\n', ["java_search", "unknown kind", '"path"']),
    "separator in search": ('[settings]\njava_search = [{ env = "A;B" }]\n', ["java_search", '";"']),
    "two kinds in one entry": ('[settings]\nclass_path = [{ env = "A", dir = "b" }]\n', ["class_path", "both"]),
    "unquotable argument": ("[settings]\narguments = [\"a'b\\\"c\"]\n", ["arguments", "both kinds of quote"]),
    "directive in a format": ('[messages]\n20005 = "needs %s bits"\n', ["20005", "%S"]),
    "too many numbers": ('[[language]]\ncode = "de"\n[language.messages]\n20008 = "%f %f %f %f %f"\n', ["20008"]),
    "unknown translation": ('[payload]\ntranslations = ["it"]\n', ["translations", '"de"']),
    "broken jre archive": ('file = [{ source = "jre.tar.gz" }]\n[settings]\nmain_class = "x"\n', ["jre.tar.gz", "gzip"]),
    "no main class": ('file = [{ source = "tlxtests.jar" }]\n', ["main_class is missing", "main_class = "]),
    "class in slash form": ('[settings]\nmain_class = "com/example/Setup"\n', ["dotted form", '"com.example.Setup"']),
    "class with .class": ('[settings]\nmain_class = "LaunchProbe.class"\n', ["dotted form", '"LaunchProbe"']),
    "class in no jar": ('file = [{ source = "tlxtests.jar" }]\n[settings]\nmain_class = "LaunchProbes"\n',
                        ["(tlxruntime.jar, tlxtests.jar)", 'did you mean "LaunchProbe"']),
    "jar off the class path": ('file = [{ source = "tlxtests.jar", name = "lib/tests.jar" }]\n[settings]\n'
                               'main_class = "LaunchProbe"\n', ["lib/tests.jar", '"tests.jar" or "user/tests.jar"']),
    "version number too large": ('[version]\nfile_version = "1.70000"\n', ["file_version", "65535"]),
    "version without a number": ('[version]\nproduct_version = "beta"\n', ["product_version", "start with a number"]),
    "unknown version key": ('[version]\nproduct = "x"\n', ['"product"', "[version]", "product_name"]),
    "version text too long": (f'[version]\ncompany_name = "{"x" * 1001}"\n', ["company_name", "1 to 1000 characters"]),
}


@pytest.mark.parametrize("case", sorted({**BAD_PROJECTS, **REFUSED}))
def test_bad_project_is_refused_with_one_line_naming_place_and_key_and_without_output(case, tmp_path):
    text, expected = {**BAD_PROJECTS, **REFUSED}[case]
    (tmp_path / "src.bin").write_bytes(b"source")
    (tmp_path / "jre.tar.gz").write_bytes(gzip.compress(b"cut short")[:-9])
    shutil.copy(TESTS_JAR, tmp_path)
    project = tmp_path / "bad.toml"
    project.write_text(text, encoding="utf-8")
    before = sorted(tmp_path.iterdir())
    result = run_builder("build", "--stub", STUB_X64, "--project", project, "--output", tmp_path / "setup.exe")
    assert_refused(result, expected)
    # A setting that is missing has no place to name.
    assert re.match(r"tlx-builder: error: \S*bad\.toml:(\d+:\d+:| main_class) ", result.stderr), result.stderr
    assert sorted(tmp_path.iterdir()) == before


def assert_refused(result, expected):
    assert result.returncode == 2, result.stderr
    lines = result.stderr.splitlines()
    assert len(lines) == 1, result.stderr
    assert lines[0].startswith("tlx-builder: error: ")
    for fragment in expected:
        found = fragment.search(lines[0]) if isinstance(fragment, re.Pattern) else fragment in lines[0]
        assert found, (fragment, lines[0])


def test_unusable_stubs_and_usage_errors_exit_2_and_write_nothing(tmp_path):
    stub, project = tmp_path / "launcher.exe", write_project(tmp_path / "p.toml", messages={1000: "Error"})
    shutil.copy(STUB_X64, stub)
    truncated = tmp_path / "truncated.exe"
    truncated.write_bytes(STUB_X64.read_bytes()[:-512])
    text = tmp_path / "readme.txt"
    text.write_text("not a program\n" * 10)
    unstripped = tmp_path / "unstripped.exe"  # a symbol table or signature behind the sections
    unstripped.write_bytes(STUB_X64.read_bytes() + b"\0" * 64)
    built = build_setup(tmp_path / "earlier", messages={1000: "x"})
    (tmp_path / "out").mkdir()
    build = ("build", "--project", project, "--output", tmp_path / "out" / "setup.exe", "--stub")
    cases = [((*build, built), ["behind its last section", built.name]),
             ((*build, truncated), ["truncated", "truncated.exe"]), ((*build, text), ["not a PE file", "readme.txt"]),
             ((*build, unstripped), ["64 bytes behind", "unstripped.exe"]),
             (("build", "--stub", stub, "--project", project, "--output", stub), ["same file"]),
             (("bake",), ["bake"]), (("build", "--stub", STUB_X64), ["--project"]),
             (("inspect", "--json"), ["inspect"]), (("inspect", tmp_path / "none.exe"), ["none.exe"]),
             ((*build[:2], tmp_path / "none.toml", *build[3:], STUB_X64), ["none.toml"])]
    before = sorted(tmp_path.rglob("*"))
    assert run_builder().returncode == 2
    for args, fragments in cases:
        assert_refused(run_builder(*args), fragments)
    assert sorted(tmp_path.rglob("*")) == before and stub.read_bytes() == STUB_X64.read_bytes()


def test_failed_write_leaves_no_file_and_keeps_the_old_output(tmp_path):
    (tmp_path / "big.bin").write_bytes(bytes(range(256)) * 1024)
    project = write_project(tmp_path / "p.toml", files=[(tmp_path / "big.bin", "big.bin")])
    out_dir = tmp_path / "out"
    out_dir.mkdir()
    out = out_dir / "setup.exe"
    out.write_bytes(b"the previous build")

    def small_files():  # the write fails part way, as on a full disk
        resource.setrlimit(resource.RLIMIT_FSIZE, (100_000, 100_000))

    result = subprocess.run([str(BUILDER), "build", "--stub", str(STUB_X64), "--project", str(project),
                             "--output", str(out)], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            text=True, preexec_fn=small_files)
    assert result.returncode == 1, result.stderr
    assert len(result.stderr.splitlines()) == 1 and "setup.exe" in result.stderr
    assert [p.name for p in out_dir.iterdir()] == ["setup.exe"]
    assert out.read_bytes() == b"the previous build"


# ---------------------------------------------------------------- damaged files

@pytest.fixture(scope="module")
def small(tmp_path_factory):
    work = tmp_path_factory.mktemp("small")
    (work / "a.bin").write_bytes(b"A" * 40)
    (work / "b.bin").write_bytes(b"")
    setup = build_setup(work, settings={107: "1"}, messages={1000: "Error", 1009: "Fehler {0}"},
                        languages=[("de", {1000: "Fehler"})],
                        files=[(work / "a.bin", "a.bin"), (work / "b.bin", "dir/b.bin")], trailing=b"tail")
    return setup, inspect_setup(setup)


def test_truncated_files_are_reported_where_they_break(small, tmp_path):
    setup, info = small
    data = setup.read_bytes()
    start = info["payload_start"]
    cuts = list(range(0, 400, 13)) + [start - 1] + list(range(start, len(data)))
    cut_file = tmp_path / "cut.exe"
    for cut in cuts:
        cut_file.write_bytes(data[:cut])
        result = inspect_raw(cut_file)
        assert result.returncode == 1, (cut, result.stderr)
        report = json.loads(result.stdout)
        assert report["error"], cut
        assert report["file_size"] == cut
        where = re.search(rb"at offset (\d+) \(payload", result.stderr)
        if where:
            assert int(where.group(1)) <= cut, (cut, result.stderr)
    # A cut inside the records leaves the tables whole.
    cut_file.write_bytes(data[:info["records"][0]["offset"] + 10])
    report = json.loads(inspect_raw(cut_file).stdout)
    assert report["narrow"] == info["narrow"] and report["languages"] == info["languages"]
    assert "record 1" in report["error"]


def patched(data: bytes, at: int, fmt: str, value) -> bytes:
    out = bytearray(data)
    struct.pack_into(fmt, out, at, value)
    return bytes(out)


def test_absurd_header_and_lengths_are_named(small, tmp_path):
    setup, info = small
    data = setup.read_bytes()
    start = info["payload_start"]
    first_text = start + 24 + 4  # narrow count, first id, then the first text's length
    record_size = info["records"][0]["offset"] - 8
    cases = {
        "wrong magic": (patched(data, start, "<I", 0x12345678), "wrong magic"),
        "no payload": (data[:start], "no payload"),
        "huge narrow count": (patched(data, start + 20, "<I", 0x7FFFFFFF), "narrow count 2147483647 is implausible"),
        "more entries than the file holds": (patched(data, start + 20, "<I", 5000), "narrow entry"),
        # The one block "de": count 1, then its code's length 2 and "de".
        "huge language count": (patched(data, data.index(b"\x01\x00\x00\x00\x02\x00\x00\x00de"), "<I", 0xFFFFFFFF),
                                "language block count"),
        "huge text length": (patched(data, first_text, "<i", 0x7FFFFFF0), "length 2147483632 runs past the end"),
        "negative text length": (patched(data, first_text, "<i", -5), "negative length"),
        "negative record size": (patched(data, record_size, "<q", -1), "negative size"),
        "huge record size": (patched(data, record_size, "<q", 1 << 62), "record 1"),
        "negative verified length": (patched(data, start + 12, "<q", -20), "verified length"),
        "huge verified length": (patched(data, start + 12, "<q", 1 << 40), "verified length"),
    }
    damaged = tmp_path / "damaged.exe"
    for label, (content, fragment) in cases.items():
        damaged.write_bytes(content)
        result = inspect_raw(damaged)
        assert result.returncode == 1, (label, result.stderr)
        report = json.loads(result.stdout)
        assert fragment in report["error"], (label, report["error"])
        assert result.stderr.count(b"\n") == 1 and fragment.encode() in result.stderr, label
