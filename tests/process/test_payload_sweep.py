"""Truncated and mutated setup files against the real launcher under wine64.
Whatever the damage, the launcher must not crash or hang and must not write
outside its extraction directory: it ends with exit code 1 and says why, or
it extracts exactly what the (damaged) payload holds and ends as a quiet
launch without Java does (83). The cases are drawn from a fixed seed."""
import json
import random
import struct
import zlib
from pathlib import Path

import pytest

from harness import inspect_setup, run_builder
from setup_cases import build, extraction_dirs, run_launcher, run_answering_box, temp_switch

SEED = 20240611
WINE_NOISE = ("fixme:", "err:", "warn:", "trace:")


@pytest.fixture(scope="module")
def base(tmp_path_factory):
    work = tmp_path_factory.mktemp("sweep-base")
    rng = random.Random(SEED)
    files = []
    for name, size in [("tlxruntime.jar", 9000), ("tlxparams.conf", 300), ("empty.dat", 0), ("lib/a.bin", 6001)]:
        source = work / name.replace("/", "_")
        source.write_bytes(rng.randbytes(size))
        files.append((source, name))
    setup = build(work, files, trailing=b"unextracted tail" * 4)
    info = inspect_setup(setup)
    return setup.read_bytes(), info


def regions(info):
    start = info["payload_start"]
    first = info["records"][0]["offset"] - 8
    return {"header": (start, start + 20), "tables": (start + 20, first),
            "records": (first, info["unextracted_position"]), "all": (start, info["file_size"])}


def fix_crc(data: bytearray, start: int):
    length = struct.unpack_from("<q", data, start + 12)[0]
    if 0 <= length <= len(data) - start - 20:
        struct.pack_into("<I", data, start + 8, zlib.crc32(bytes(data[start + 20:start + 20 + length])))


def size_fields(info):
    return [r["offset"] - 8 for r in info["records"]]


def make_cases():
    rng = random.Random(SEED)
    cases = []
    for i in range(70):
        cases.append(("cut", i, rng.random(), None))
    for i in range(170):
        cases.append(("nocheck", i, rng.random(), rng.choice(["byte", "byte", "size", "word"])))
    for i in range(60):
        cases.append(("fixedcrc", i, rng.random(), rng.choice(["byte", "size", "word"])))
    return cases


def damage(data: bytes, info, kind, fraction, how, rng):
    out = bytearray(data)
    where = regions(info)
    if kind == "cut":
        low, high = where["all"]
        return out[:low + int((high - low) * fraction)]
    low, high = where["tables" if fraction < 0.4 else "records"] if how != "size" else (0, 0)
    if how == "size":
        at = rng.choice(size_fields(info))
        value = rng.choice([-1, -6000, 0, 1, 2 ** 31, 2 ** 62, len(data), -2 ** 63])
        struct.pack_into("<q", out, at, value)
    elif how == "word":
        at = low + int((high - low - 4) * rng.random())
        struct.pack_into("<i", out, at, rng.choice([-1, 0x7FFFFFFF, -0x80000000, 0x10000, 0]))
    else:
        at = low + int((high - low) * rng.random())
        out[at] = (out[at] + rng.randrange(1, 256)) & 0xFF
    if kind == "fixedcrc":
        fix_crc(out, info["payload_start"])
    return out


def messages_in(text: str) -> list:
    return [line for line in text.splitlines() if line.strip() and not any(n in line for n in WINE_NOISE)]


def unscrambled(data: bytes, offset: int, size: int) -> bytes:
    return bytes(b ^ 0xA7 for b in data[offset:offset + size])


def check_outcome(run, setup: Path, temp: Path, before: set, box_shown=False):
    assert not run.timed_out, "the launcher hung"
    assert not run.crashed, run.stderr
    created = {p for p in setup.parent.rglob("*")} - before
    assert all(temp in p.parents or p == temp for p in created), f"written outside: {created}"
    log = "".join(p.read_bytes().decode("utf-8-sig", "replace") for p in temp.glob("tlx_nlog_*.log"))
    if run.code == 1:
        assert extraction_dirs(temp) == [], "the extraction directory stays after a failure"
        # Quiet mode reports an extraction failure in the log only.
        assert box_shown or messages_in(run.stderr) or "ERROR: " in log, (run.stderr, log[-2000:])
        return
    assert run.code == 83, (run.code, run.stderr)
    data = setup.read_bytes()
    # The build tool reads a damaged file as far as it can (and says the CRC
    # differs, which -nocheck ignores); its records are what must come out.
    info = json.loads(run_builder("inspect", "--json", setup).stdout)
    (directory,) = extraction_dirs(temp)
    for record in info["records"]:
        target = directory / record["name"].replace("\\", "/")
        if record["size"] > 0:
            assert target.read_bytes() == unscrambled(data, record["offset"], record["size"]), record["name"]
        else:
            assert not target.exists(), record["name"]


@pytest.mark.parametrize("kind, index, fraction, how", make_cases(),
                         ids=lambda v: str(v) if not isinstance(v, float) else f"{v:.3f}")
def test_damaged_setup_fails_cleanly_or_extracts_what_it_holds(base, tmp_path, kind, index, fraction, how):
    data, info = base
    case_dir = tmp_path / "case"
    case_dir.mkdir()
    setup = case_dir / "setup.exe"
    setup.write_bytes(damage(data, info, kind, fraction, how, random.Random(SEED + index)))
    temp = case_dir / "temp"
    switch = temp_switch(temp)
    before = {p for p in case_dir.rglob("*")}
    args = ["-q", *switch] + (["-nocheck"] if kind == "nocheck" else [])
    run = run_launcher(setup, *args, timeout=60)
    check_outcome(run, setup, temp, before)


@pytest.mark.parametrize("index", range(12))
def test_damage_caught_by_the_check_is_reported_in_a_box_even_when_quiet(base, tmp_path, index, display):
    data, info = base
    rng = random.Random(SEED - index)
    low, high = regions(info)["records"]
    damaged = bytearray(data)
    damaged[rng.randrange(low, high)] ^= 1 << rng.randrange(8)
    setup = tmp_path / "setup.exe"
    setup.write_bytes(damaged)
    temp = tmp_path / "temp"
    switch = temp_switch(temp)
    before = {p for p in tmp_path.rglob("*")}
    run = run_answering_box(setup, "-q", *switch)
    assert run.code == 1
    check_outcome(run, setup, temp, before, box_shown=True)
