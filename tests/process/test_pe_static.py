"""Static checks of both launcher stubs (the x86 one cannot run here): PE
headers, resources, imports, stripping, and where a payload lands when the
build tool appends one."""
import struct
import xml.etree.ElementTree as ET

import pefile
import pytest

from harness import STUB_X64, STUB_X86, build_setup, inspect_setup

STUBS = {"x86": (STUB_X86, 0x14C, 0x10B), "x64": (STUB_X64, 0x8664, 0x20B)}

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 14, 24
DS_SETFONT = 0x40

# What Windows itself provides; anything else (a compiler runtime or zlib
# DLL) would be missing on the user's machine.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
               "oleaut32.dll", "comdlg32.dll", "comctl32.dll", "msvcrt.dll", "version.dll", "wininet.dll",
               "shlwapi.dll", "userenv.dll", "netapi32.dll", "psapi.dll", "mpr.dll", "shfolder.dll",
               "secur32.dll", "rpcrt4.dll", "ntdll.dll", "ws2_32.dll", "uxtheme.dll"}


@pytest.fixture(scope="module", params=sorted(STUBS))
def stub(request):
    path, machine, magic = STUBS[request.param]
    return pefile.PE(str(path)), machine, magic


def resource(pe, type_id, res_id) -> bytes:
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != type_id:
            continue
        for entry in kind.directory.entries:
            if entry.id == res_id:
                data = entry.directory.entries[0].data.struct
                return pe.get_data(data.OffsetToData, data.Size)
    raise AssertionError(f"resource type {type_id} id {res_id} missing")


def test_headers_stripping_and_imports(stub):
    pe, machine, magic = stub
    assert (pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Magic) == (machine, magic)
    assert pe.OPTIONAL_HEADER.Subsystem == 2  # Windows GUI
    assert (pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion) == (5, 0)
    assert (pe.FILE_HEADER.PointerToSymbolTable, pe.FILE_HEADER.NumberOfSymbols) == (0, 0)
    last = pe.sections[-1]
    assert last.PointerToRawData + last.SizeOfRawData == len(pe.__data__)
    dlls = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    assert "kernel32.dll" in dlls and dlls <= SYSTEM_DLLS, dlls - SYSTEM_DLLS


def test_manifest(stub):
    pe, _, _ = stub
    root = ET.fromstring(resource(pe, RT_MANIFEST, 1))
    levels = [e.get("level") for e in root.iter() if e.tag.endswith("requestedExecutionLevel")]
    assert levels == ["asInvoker"]
    deps = [(e.get("name"), e.get("version")) for e in root.iter()
            if e.tag.endswith("assemblyIdentity") and e.get("name") == "Microsoft.Windows.Common-Controls"]
    assert deps == [("Microsoft.Windows.Common-Controls", "6.0.0.0")]


def read_sz_or_ord(data: bytes, pos: int):
    """A dialog template's name-or-ordinal field: (value, new position)."""
    first = struct.unpack_from("<H", data, pos)[0]
    if first == 0:
        return None, pos + 2
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def parse_dialogex(data: bytes) -> dict:
    version, signature, _, _, style, count = struct.unpack_from("<HHIIIH", data, 0)
    assert (version, signature) == (1, 0xFFFF), "not an extended dialog template"
    _, pos = read_sz_or_ord(data, 26)          # menu
    window_class, pos = read_sz_or_ord(data, pos)
    _, pos = read_sz_or_ord(data, pos)         # caption
    if style & DS_SETFONT:
        pos += 6
        _, pos = read_sz_or_ord(data, pos)     # typeface
    controls = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        ident = struct.unpack_from("<i", data, pos + 20)[0]
        control_class, pos = read_sz_or_ord(data, pos + 24)
        _, pos = read_sz_or_ord(data, pos)
        extra = struct.unpack_from("<H", data, pos)[0]
        pos += 2 + extra
        controls.append({"id": ident, "class": control_class})
    return {"class": window_class, "controls": controls}


def test_dialogs_name_their_class_and_controls(stub):
    pe, _, _ = stub
    progress = parse_dialogex(resource(pe, RT_DIALOG, 103))
    # Window class names compare without case in Windows; the resource compiler
    # stores class names upper-cased, which registering "MyDialogClass" still matches.
    assert progress["class"].lower() == "mydialogclass"
    assert {c["id"] for c in progress["controls"]} - {-1} == {1001, 1002, 1003, 2}
    assert next(c for c in progress["controls"] if c["id"] == 1001)["class"].lower() == "msctls_progress32"
    choice = parse_dialogex(resource(pe, RT_DIALOG, 104))
    assert {c["id"] for c in choice["controls"]} - {-1} == {1003, 1004, 1005, 2}


def test_icon_group(stub):
    pe, _, _ = stub
    group = resource(pe, RT_GROUP_ICON, 1001)
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    assert (reserved, kind) == (0, 1) and count >= 1
    for i in range(count):
        size, icon_id = struct.unpack_from("<IH", group, 6 + 14 * i + 8)
        assert len(resource(pe, RT_ICON, icon_id)) == size


@pytest.mark.parametrize("arch", sorted(STUBS))
def test_payload_of_a_built_setup_starts_behind_the_last_section(arch, tmp_path):
    path, _, _ = STUBS[arch]
    (tmp_path / "r.bin").write_bytes(b"\x00\x01payload record")
    setup = build_setup(tmp_path, stub=path, settings={107: "1"}, files=[(tmp_path / "r.bin", "r.bin")])
    data = setup.read_bytes()
    pe = pefile.PE(data=data)
    last = pe.sections[-1]
    start = last.PointerToRawData + last.SizeOfRawData
    assert start == path.stat().st_size
    # The headers as the launcher reads them: e_lfanew, section count, optional header size.
    e = struct.unpack_from("<I", data, 60)[0]
    sections, optional = struct.unpack_from("<H", data, e + 6)[0], struct.unpack_from("<H", data, e + 20)[0]
    size, pointer = struct.unpack_from("<II", data, e + optional + sections * 40)
    assert pointer + size == start
    assert data[start:start + 4] == bytes([0xD5, 0x13, 0xE4, 0xE8])
    assert inspect_setup(setup)["payload_start"] == start
