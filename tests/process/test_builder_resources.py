"""What our build tool writes into the stub besides the payload (icon, version resource, splash),
as Wine's own functions read it back (tests/tools/resinfo.cpp); a signed setup file; and the
Windows build of the tool writing the same bytes."""
import json
import shutil
import struct
import subprocess

import pefile
import pytest

from harness import (BUILD_DIR, STUB_X64, STUB_X86, TESTS_JAR, TOOLS_DIR, inspect_setup, jdk_dir,
                     probe_report, run_builder, run_setup, run_wine, winpath, write_project)
from test_builder import assert_refused
from test_pe_static import RT_DIALOG, RT_MANIFEST, resource
from test_splash import SPLASH_RGB, png

WINDOWS_BUILDER = BUILD_DIR / "x64" / "builder" / "tlx-builder.exe"
VERSION = {"product_name": "Example Ünïcode Setup", "product_version": "2.5 beta", "file_version": "2.5.1.77",
           "company_name": "Example Ltd.", "file_description": "Installs Example",
           "legal_copyright": "© 2026 Example Ltd."}
RESOURCE_NAMES = {"product_name": "ProductName", "product_version": "ProductVersion",
                  "file_version": "FileVersion", "company_name": "CompanyName",
                  "file_description": "FileDescription", "legal_copyright": "LegalCopyright"}


def dib(size, rgb) -> bytes:
    """A 32-bit icon bitmap: header (twice the height, for the mask), pixels, mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + bytes([rgb[2], rgb[1], rgb[0], 255]) * size * size + bytes(4 * ((size + 31) // 32) * size)


def ico_file(path, images):
    """An .ico of (size, image data) pairs; the 256-pixel size is written as 0."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    path.write_bytes(out + b"".join(data for _, data in images))
    return path


ICON_IMAGES = [(16, dib(16, (255, 0, 0))), (32, dib(32, (0, 160, 0))), (256, png(256, 256, (0, 0, 255)))]


def project(directory, version=VERSION):
    """LaunchProbe on the real JDK, errors on standard error, with a [version] table."""
    shutil.copy(TESTS_JAR, directory)
    text = f"""file = [{{ source = "tlxtests.jar" }}]
[settings]
main_class = "LaunchProbe"
java_search = [{{ dir = {json.dumps(winpath(jdk_dir()))} }}]
no_progress_dialog = true
launcher_kind = 0
[version]
""" + "".join(f"{key} = {json.dumps(value, ensure_ascii=False)}\n" for key, value in version.items())
    path = directory / "setup.toml"
    path.write_text(text, encoding="utf-8")
    return path


def resinfo(setup) -> dict:
    run = run_wine(TOOLS_DIR / "resinfo.exe", [winpath(setup)], timeout=60)
    assert run.code == 0, run.stderr
    return json.loads(run.stdout)


def sign(setup, work):
    """Signs with a certificate made for this test alone; returns the signed file and the certificate."""
    key, cert, signed = work / "key.pem", work / "cert.pem", work / "signed.exe"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "1", "-subj", "/CN=Throw-away test signer"], check=True, capture_output=True)
    subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-n", "Example", "-in", setup,
                    "-out", signed], check=True, capture_output=True)
    return signed, cert


@pytest.mark.parametrize("stub", [STUB_X86, STUB_X64], ids=["x86", "x64"])
def test_icon_version_and_splash_read_back_through_windows(tmp_path, stub):
    icon = ico_file(tmp_path / "app.ico", ICON_IMAGES)
    # Big enough to move the relocations by a few pages (only the signature is checked).
    image = tmp_path / "large.png"
    image.write_bytes(png(8, 8, SPLASH_RGB) + bytes(range(256)) * 80)
    setup = tmp_path / "setup.exe"
    result = run_builder("build", "--stub", stub, "--project", project(tmp_path), "--output", setup, "--icon", icon,
                         "--splash-image", image)
    assert result.returncode == 0, result.stderr
    info = inspect_setup(setup)
    assert info["crc_ok"]
    pe = pefile.PE(data=setup.read_bytes()[:info["payload_start"]])
    last = pe.sections[-1]
    assert last.PointerToRawData + last.SizeOfRawData == info["payload_start"]
    assert resource(pe, 10, 10000) == image.read_bytes()  # RCDATA 10000
    # What was there before is still there, and the loader's sums agree.
    before = pefile.PE(str(stub))
    for kind, ident in ((RT_MANIFEST, 1), (RT_DIALOG, 103), (RT_DIALOG, 104)):
        assert resource(pe, kind, ident) == resource(before, kind, ident)
    assert pe.OPTIONAL_HEADER.CheckSum == pe.generate_checksum()
    assert pe.OPTIONAL_HEADER.SizeOfImage == (last.VirtualAddress + last.Misc_VirtualSize + 0xFFF) // 0x1000 * 0x1000
    # The base relocations moved behind the grown resources, unchanged.
    old, new = (p.OPTIONAL_HEADER.DATA_DIRECTORY[5] for p in (before, pe))
    assert new.VirtualAddress == last.VirtualAddress > old.VirtualAddress and new.Size == old.Size > 0
    assert pe.get_data(new.VirtualAddress, new.Size) == before.get_data(old.VirtualAddress, old.Size)

    seen = resinfo(setup)
    assert seen["fixed_file"] == "2.5.1.77" and seen["fixed_product"] == "2.5.0.0"
    assert seen["strings"] == {RESOURCE_NAMES[key]: value for key, value in VERSION.items()}
    assert seen["icon_count"] == 1
    assert [(i["width"], i["bits"], i["decoded"], bytes.fromhex(i["data"])) for i in seen["icons"]] == \
        [(size, 32, size, data) for size, data in ICON_IMAGES]
    stub_info = info["stub"]
    assert stub_info["bitness"] == (32 if stub == STUB_X86 else 64)
    assert [(i["width"], i["size"]) for i in stub_info["icons"]] == [(s, len(d)) for s, d in ICON_IMAGES]
    assert stub_info["version"]["strings"] == seen["strings"] and stub_info["version"]["file_version"] == "2.5.1.77"


def test_signed_setup_file_verifies_and_runs(tmp_path):
    setup = tmp_path / "setup.exe"
    icon = ico_file(tmp_path / "app.ico", ICON_IMAGES[:1])
    result = run_builder("build", "--stub", STUB_X64, "--project", project(tmp_path, {"product_version": "3.1"}),
                         "--output", setup, "--icon", icon)
    assert result.returncode == 0, result.stderr
    signed, cert = sign(setup, tmp_path)
    verified = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", signed], capture_output=True, text=True)
    assert verified.returncode == 0 and "Signature verification: ok" in verified.stdout, verified.stdout
    # The certificate table lies behind the verified range, as the payload format intends.
    before, after = inspect_setup(setup), inspect_setup(signed)
    assert after["crc_ok"] and after["error"] is None and after["file_size"] > before["file_size"]
    assert after["unextracted_position"] == before["unextracted_position"]
    assert resinfo(signed)["fixed_product"] == "3.1.0.0"
    for program in (setup, signed):
        run = run_setup(program, "arg", temp=tmp_path / program.stem)
        assert run.code == 0 and probe_report(run.stdout).done, run.stderr


def test_windows_tool_writes_the_same_bytes(tmp_path):
    toml = project(tmp_path)
    (tmp_path / "splash.png").write_bytes(png(8, 8, (1, 2, 3)))
    ico_file(tmp_path / "app.ico", ICON_IMAGES)
    options = ["--icon", "app.ico", "--splash-image", "splash.png"]
    linux = run_builder("build", "--stub", STUB_X64, "--project", toml, "--output", tmp_path / "linux.exe", *options,
                        cwd=tmp_path)
    assert linux.returncode == 0 and "the launcher will not show it" in linux.stderr, linux.stderr
    windows = run_wine(WINDOWS_BUILDER, ["build", "--stub", winpath(STUB_X64), "--project", "setup.toml",
                                         "--output", "windows.exe", *options], cwd=tmp_path, timeout=120)
    assert windows.code == 0, windows.stderr
    assert (tmp_path / "windows.exe").read_bytes() == (tmp_path / "linux.exe").read_bytes()
    # Built again over its own output, and read back the same way.
    again = run_wine(WINDOWS_BUILDER, ["build", "--stub", winpath(STUB_X64), "--project", winpath(toml),
                                       "--output", winpath(tmp_path / "windows.exe"), *options], cwd=tmp_path)
    assert again.code == 0, again.stderr
    inspected = run_wine(WINDOWS_BUILDER, ["inspect", "--json", "windows.exe"], cwd=tmp_path)
    assert json.loads(inspected.stdout) == inspect_setup(tmp_path / "linux.exe")
    refused = run_wine(WINDOWS_BUILDER, ["build", "--stub", "launcher.exe", "--project", "none.toml",
                                         "--output", "x.exe"], cwd=tmp_path)
    assert refused.code == 2 and "none.toml" in refused.stderr, refused.stderr


@pytest.mark.parametrize("option, content, reason", [
    ("--splash-image", b"a text file named like an image", "is not a PNG, GIF or JPEG file"),
    ("--splash-image", png(8, 8, (1, 2, 3)) + bytes(4 << 20), "at most 4194304 are accepted"),
    ("--splash-image", None, "No such file"),
    ("--icon", png(16, 16, (1, 2, 3)), "is not an icon (.ico) file"),
    ("--icon", struct.pack("<HHHBBBBHHII", 0, 1, 1, 16, 16, 0, 0, 1, 32, 40, 22), "lies outside the file"),
    ("--icon", struct.pack("<HHHBBBBHHII", 0, 1, 1, 16, 16, 0, 0, 1, 32, 8, 22) + b"not an image",
     "neither a bitmap nor a PNG"),
], ids=["text as splash", "large splash", "missing splash", "png as icon", "icon image outside", "icon not an image"])
def test_stub_inputs_that_are_not_what_they_claim_are_refused(tmp_path, option, content, reason):
    toml = write_project(tmp_path / "p.toml", settings={107: "1"})
    given = tmp_path / "input.bin"
    if content is not None:
        given.write_bytes(content)
    output = tmp_path / "out.exe"
    result = run_builder("build", "--stub", STUB_X64, "--project", toml, "--output", output, option, given)
    assert_refused(result, [reason, str(given)])
    assert not output.exists()
