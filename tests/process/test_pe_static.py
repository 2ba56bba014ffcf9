"""Static checks of both stubs (the x86 one cannot run here)."""
import struct
import xml.etree.ElementTree as ET

import pefile
import pytest

from harness import STUB_X64, STUB_X86
from test_runtime_jar import declared_natives

STUBS = {"x86": (STUB_X86, 0x14C, 0x10B), "x64": (STUB_X64, 0x8664, 0x20B)}

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 14, 24

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


def test_headers_stripping_imports_manifest_and_icon(stub):
    pe, machine, magic = stub
    assert (pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Magic) == (machine, magic)
    assert pe.OPTIONAL_HEADER.Subsystem == 2  # Windows GUI
    assert (pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion) == (5, 0)
    assert (pe.FILE_HEADER.PointerToSymbolTable, pe.FILE_HEADER.NumberOfSymbols) == (0, 0)
    last = pe.sections[-1]
    assert last.PointerToRawData + last.SizeOfRawData == len(pe.__data__)
    dlls = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    assert "kernel32.dll" in dlls and dlls <= SYSTEM_DLLS, dlls - SYSTEM_DLLS

    root = ET.fromstring(resource(pe, RT_MANIFEST, 1))
    levels = [e.get("level") for e in root.iter() if e.tag.endswith("requestedExecutionLevel")]
    assert levels == ["asInvoker"]
    deps = [(e.get("name"), e.get("version")) for e in root.iter()
            if e.tag.endswith("assemblyIdentity") and e.get("name") == "Microsoft.Windows.Common-Controls"]
    assert deps == [("Microsoft.Windows.Common-Controls", "6.0.0.0")]
    group = resource(pe, RT_GROUP_ICON, 1001)
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    assert (reserved, kind) == (0, 1) and count >= 1
    for i in range(count):
        size, icon_id = struct.unpack_from("<IH", group, 6 + 14 * i + 8)
        assert len(resource(pe, RT_ICON, icon_id)) == size


JNI_PREFIX = "Java_com_tolvanrix_runtime_installer_platform_win32_"


def argument_bytes(signature: str) -> int:
    """Stack bytes of a 32-bit JNI function: 8 for a long or double, 4 for anything else."""
    args, total, i = signature[1:signature.index(")")], 8, 0
    while i < len(args):
        start = i
        while args[i] == "[":
            i += 1
        if args[i] == "L":
            i = args.index(";", i)
        total += 8 if i == start and args[i] in "JD" else 4
        i += 1
    return total


def test_exports_are_the_declared_natives_and_register_natives(stub):
    pe, machine, _ = stub
    x86 = machine == 0x14C
    natives = [(cls, method, argument_bytes(sig)) for cls, methods in declared_natives().items()
               for method, sig in methods]
    natives.append(("ShellLink", "create0", 36))
    expected = {f"_{JNI_PREFIX}{cls}_{method}@{size}" if x86 else f"{JNI_PREFIX}{cls}_{method}"
                for cls, method, size in natives}
    exported = [symbol.name.decode() for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols]
    assert sorted(exported) == sorted(expected | {"registerNatives"})
