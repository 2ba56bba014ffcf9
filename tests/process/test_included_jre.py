"""The runtime carried as "jre.tar.gz", in a private prefix where no other Java is registered.
Bad archives are written block by block or with zlib, to reach what tar itself never writes."""
import gzip
import io
import shutil
import subprocess
import tarfile
import zlib
from pathlib import Path

import pytest

from harness import (RUNTIME_JAR, TESTS_JAR, answer_box, jdk_dir, launcher_logs, probe_report, probe_setup, read_log,
                     winpath)
from setup_cases import build, log_text, run_launcher, runtime_files, temp_switch

CORRUPT = "The bundled JRE is corrupted. If you downloaded the setup file please download it again."
pytestmark = pytest.mark.usefixtures("in_module_prefix")


def header(name: bytes, size_field: bytes, kind: bytes) -> bytes:
    """One ustar header block written by hand (the checksum is not read)."""
    block = bytearray(512)
    block[0:len(name)] = name
    block[124:124 + len(size_field)] = size_field
    block[156:157] = kind
    block[257:265] = b"ustar\x0000"
    return bytes(block)


def padded(data: bytes) -> bytes:
    return data + b"\0" * (-len(data) % 512)


def gz(*blocks: bytes) -> bytes:
    return gzip.compress(b"".join(blocks) + b"\0" * 1024)


def tarfile_archive(*members, fmt=tarfile.GNU_FORMAT) -> bytes:
    """members: (name, data) for a file, (name, None) for a directory,
    (name, "->target") for a symbolic link."""
    out = io.BytesIO()
    with tarfile.open(fileobj=out, mode="w:gz", format=fmt) as tar:
        for name, data in members:
            info = tarfile.TarInfo(name)
            if data is None:
                info.type = tarfile.DIRTYPE
                tar.addfile(info)
            elif isinstance(data, str):
                info.type, info.linkname = tarfile.SYMTYPE, data[2:]
                tar.addfile(info)
            else:
                info.size = len(data)
                tar.addfile(info, io.BytesIO(data))
    return out.getvalue()


def run_with_archive(tmp_path, archive: bytes, settings=None):
    """A quiet start of a setup file that carries archive as jre.tar.gz."""
    tmp_path.mkdir(parents=True, exist_ok=True)
    source = tmp_path / "jre.tar.gz"
    source.write_bytes(archive)
    setup = build(tmp_path / "setup", runtime_files(tmp_path) + [(source, "jre.tar.gz")],
                  settings={107: "0", **(settings or {})})
    temp = tmp_path / "temp"
    run = run_launcher(setup, "-q", *temp_switch(temp))
    return run, log_text(temp), temp


def test_sizes_long_names_and_skipped_links(tmp_path):
    long_dir = "d" * 90 + "/" + "e" * 40
    blocks = [
        header(b"lib/", b"00000000000\0", b"5"),
        header(b"d" * 90 + b"/", b"0\0", b"5"),
        header(b"lib/zero-padded.bin", b"00000001750 ", b"0"), padded(b"z" * 1000),
        header(b"lib/blank-padded.bin", b"   1750\0", b"0"), padded(b"b" * 1000),
        header(b"././@LongLink", b"%011o\0" % (len(long_dir) + 1), b"L"), padded(long_dir.encode() + b"\0"),
        header(b"cut-short-name", b"0\0", b"5"),
        header(b"././@LongLink", b"%011o\0" % (len(long_dir) + 9), b"L"),
        padded(long_dir.encode() + b"/f.class\0"),
        header(b"ignored", b"00000000003\0", b"0"), padded(b"abc"),
        header(b"lib/link", b"0\0", b"2"),
        header(b"lib/pax", b"00000000020\0", b"x"), padded(b"16 path=../evil\n"),
    ]
    run, log, _ = run_with_archive(tmp_path, gz(*blocks))
    assert "extracting lib\\zero-padded.bin (size 1000)" in log
    assert "extracting lib\\blank-padded.bin (size 1000)" in log
    assert f"extracting {long_dir}/f.class (size 3)" in log
    assert "untaring JRE was successful" in log
    # Nothing in it is a runtime and no other is installed.
    assert "Could not load bundled JRE. Trying to find another JRE." in log
    assert run.code == 1
    assert "Could not use bundled JRE. Please send this log file to your software vendor:" in run.stderr


def deflated(data: bytes, complete=True) -> bytes:
    """Not complete: without the end of the stream and its trailer, as a cut download leaves it."""
    compressor = zlib.compressobj(9, zlib.DEFLATED, 31)
    return compressor.compress(data) + compressor.flush(zlib.Z_FINISH if complete else zlib.Z_SYNC_FLUSH)


A_FILE = header(b"ok.bin", b"00000001750\0", b"0") + padded(b"k" * 1000)
BOMB = A_FILE + header(b"zeros.bin", b"%011o\0" % 2**26, b"0") + b"\0" * 2**26 + b"\0" * 1024


@pytest.mark.parametrize("archive, settings, logged", [
    (gz(b"\0" * 512), {}, "no magic number"),
    (gzip.compress(header(b"bin/", b"0\0", b"5")), {}, "unexpected eof"),  # directories only
    (gzip.compress(header(b"java.exe", b"00000010000\0", b"0") + b"x" * 100), {}, "sizes don't match: 100, 4096"),
    (gz(header(b"././@LongLink", b"%011o\0" % 7000, b"L"), padded(b"a" * 7000)), {}, "long file name of 7000 bytes"),
    (gz(header(b"././@LongLink", b"-0000000001\0", b"L")), {}, "long file name of -1 bytes refused"),
    (gz(header(b"x.bin", b"00000000089\0", b"0"), padded(b"y" * 73)), {}, "bad entry size field"),
    # What reads like a shorter archive is a cut one: no end blocks, or no
    # end of the compressed stream; and a block of garbage is no end.
    (deflated(A_FILE, complete=False), {}, "unexpected eof"),
    (deflated(A_FILE + b"\0" * 1024, complete=False), {}, "the compressed stream is cut short or damaged (-5)"),
    (gz(A_FILE, b"\x01" * 512), {}, "no magic number"),
    # 64 MiB of zeros in a few kilobytes, declared as the 10000 bytes it is not.
    (gzip.compress(BOMB), {151: "10000"}, "the archive unpacks to more than 10000 bytes"),
], ids=["zero block", "directories only", "truncated", "long name too long", "negative long name", "not octal",
        "cut at an entry", "no stream end", "garbage block", "bomb"])
def test_damaged_archives_are_corrupt(tmp_path, archive, settings, logged):
    run, log, temp = run_with_archive(tmp_path, archive, settings)
    assert run.code == 1 and CORRUPT in run.stderr
    assert logged in log and "untaring JRE was unsuccessful" in log
    assert "zeros.bin" not in log, "the bomb was unpacked"
    assert not list(temp.glob("kvo*")), "the extraction directory or its reservation stayed"


def test_a_damaged_archives_output_is_gone_while_its_message_shows(tmp_path, display):
    """What the archive wrote goes before the message, the extraction directory once answered."""
    source = tmp_path / "jre.tar.gz"
    source.write_bytes(gzip.compress(BOMB))
    setup = build(tmp_path / "setup", runtime_files(tmp_path) + [(source, "jre.tar.gz")],
                  settings={107: "1", 151: "10000"}, messages={1000: "Error"})
    temp = tmp_path / "temp"

    def while_shown(box):
        [directory] = temp.glob("kvo*_dir*")
        assert (directory / "tlxruntime.jar").exists() and not (directory / "jre").exists()
    text, run = answer_box(run_launcher(setup, *temp_switch(temp), wait=False), "Error", setup,
                           while_shown=while_shown)
    assert text.startswith(CORRUPT) and run.code == 1, text
    assert not list(temp.glob("kvo*")), "the extraction directory or its reservation stayed"


def test_hostile_names_write_nothing_outside_jre(tmp_path):
    outside = tmp_path / "outside"
    outside.mkdir()
    target = winpath(outside)
    hostile = {
        "parent": "../../../" + "../" * 30 + target[3:].replace("\\", "/") + "/parent.txt",
        "backslash parent": "lib\\..\\..\\..\\..\\" + "..\\" * 30 + target[3:] + "\\backslash.txt",
        "rooted": "/" + target[3:].replace("\\", "/") + "/rooted.txt",
        "drive": target + "\\drive.txt",
        "unc": "\\\\?\\" + target + "\\unc.txt",
        "stream": "lib.txt:hidden",
        "device": "lib/NUL.txt",
        "long name parent": "x/" + "../" * 40 + target[3:].replace("\\", "/") + "/long" + "n" * 120 + ".txt",
    }
    for case, name in hostile.items():
        archive = tarfile_archive(("lib", None), ("lib/ok.txt", b"fine"), (name, b"escaped"))
        run, log, temp = run_with_archive(tmp_path / case.replace(" ", "-"), archive)
        assert run.code == 1, case
        assert CORRUPT in run.stderr, (case, run.stderr)
        assert "entry name outside the target directory refused" in log, (case, log)
        assert "extracting lib\\ok.txt (size 4)" in log
    assert not any(outside.iterdir()), list(outside.iterdir())

    # A symbolic link is skipped like every other kind of entry: a file
    # written "through" it lands nowhere, and nothing reaches the link's target.
    archive = tarfile_archive(("lib", None), ("lib/ok.txt", b"fine"), ("lib/out", "->" + str(outside)),
                              ("lib/out/through.txt", b"escaped"))
    run, log, _ = run_with_archive(tmp_path / "symlink", archive)
    assert run.code == 1
    assert "Could not open file lib\\out\\through.txt" in run.stderr
    assert not any(outside.iterdir())


def pack(jar: Path, packed: Path) -> Path:
    """jar as a pack200 archive, made by the Linux JDK 9's pack200."""
    packed.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run([str(jdk_dir("linux64-9") / "bin" / "pack200"), "--no-gzip", str(packed), str(jar)], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return packed


def test_the_jdk_in_the_archive_runs_the_application_after_its_packed_jars_are_restored(tmp_path):
    # The JDK 11 runtime with the unpack200.exe of the Windows JDK 9 (and the
    # C runtime it needs), and packed jars in lib: one to restore, one whose
    # jar is there already.
    extras = tmp_path / "extras"
    (extras / "bin").mkdir(parents=True)
    for name in ("unpack200.exe", "msvcr120.dll"):
        shutil.copyfile(jdk_dir("win64-9") / "bin" / name, extras / "bin" / name)
    pack(RUNTIME_JAR, extras / "lib" / "extra.jar.pack")
    pack(RUNTIME_JAR, extras / "lib" / "present.jar.pack")
    shutil.copyfile(RUNTIME_JAR, extras / "lib" / "present.jar")
    archive = tmp_path / "jre.tar.gz"
    subprocess.run(["tar", "--format=gnu", "-czf", str(archive), "-C", str(jdk_dir()), ".", "-C", str(extras), "."],
                   check=True)
    # The application's own jar travels packed in the payload: it runs only
    # once the work routine has restored it with the chosen runtime.
    packed_tests = pack(TESTS_JAR, tmp_path / "tlxtests.jar.pack")
    setup = probe_setup(tmp_path / "setup", settings={128: "", 153: "1"},
                        files=[(RUNTIME_JAR, "tlxruntime.jar"), (packed_tests, "tlxtests.jar.pack"),
                               (archive, "jre.tar.gz")])
    temp = tmp_path / "temp"
    run = run_launcher(setup, *temp_switch(temp), timeout=300)
    assert run.code == 0, run.stdout + run.stderr
    report = probe_report(run.stdout)
    assert report.done, run.stdout
    assert "Preparing JRE ...\n" in run.stdout.replace("\r\n", "\n")
    # The launcher's own log: the deletion mode's, which may be there too, names every file it removes.
    log = read_log(launcher_logs(temp)[0])
    extraction = report.props["kavro.tempDir"]
    assert "untaring JRE was successful" in log and "extracting .\\bin\\server\\jvm.dll (size " in log
    assert f"JRE dir: {extraction}\\jre\n" in log
    # Taken as shipped, without asking its version, and no other is looked for.
    assert f"JVM home {extraction}\\jre\\bin\\.., version \n" in log and "Searching for a JVM" not in log
    assert (extraction + "\\jre\\bin").lower() in report.props["java.library.path"].lower().split(";")
    lib = "jre\\lib\\"
    assert log.count("unpack200.exe\n") == 2, log
    assert '-r "jre\\lib\\extra.jar.pack" "jre\\lib\\extra.jar"' in log
    assert f"checking {lib}present.jar" in log and "present.jar.pack\" \"" not in log
    assert "Unpacking JRE done" in log
    assert "unpacking tlxtests.jar.pack" in log
