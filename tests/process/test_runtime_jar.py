"""The Java runtime jar as the launcher and its natives see it: every platform
class declares exactly the natives the executable binds (names and JNI
signatures), the classes and members the launcher calls exist with their
signatures and are static, and everything is compiled for Java 8."""
import functools
import re
import shutil
import subprocess
import zipfile

import pytest

from harness import JAVA_DIR

RUNTIME_JAR = JAVA_DIR / "tlxruntime.jar"
PLATFORM = "com/tolvanrix/runtime/installer/platform/win32/"
STR = "Ljava/lang/String;"

# The binding table: class, then its natives in registration order.
NATIVES = {
    "ACLHandling": [("addACE", f"({STR}ZZZZZI{STR})Z")],
    "FileVersion": [("compare0", f"({STR}{STR})I")],
    "FolderInfo": [
        ("getSpecialFolder0", f"(IZ){STR}"), ("getPathFromRegistry0", f"({STR}){STR}"),
        ("getWindowsDirectory0", f"(){STR}"), ("getSystemDirectory0", f"(){STR}"),
        ("getDriveType0", f"({STR})I"), ("getShortPathName0", f"({STR}){STR}"),
        ("getDownloadsDirectory0", f"(){STR}"), ("getUniversalPathName0", f"({STR}){STR}"),
    ],
    "Misc": [
        ("reboot0", "()V"), ("getRunningModules0", f"(Z)[{STR}"), ("getEnvVarPairs0", f"()[{STR}"),
        ("broadcastSettingChange0", "()V"), ("getPhysicalMemory0", "()J"), ("getFreeDiskSpace0", f"({STR})J"),
        ("moveWithDelayUntilReboot0", f"({STR}{STR})Z"), ("toFront0", "()V"),
        ("terminateProcesses0", "([IZI)I"), ("getWindowTitle0", f"(I){STR}"), ("launch0", f"({STR}{STR})I"),
    ],
    "ObjectPicker": [("show0", f"(ZZZZZ)[L{PLATFORM}ObjectPicker$Result;")],
    "Registry": [
        ("keyExists0", f"(I{STR}I)Z"), ("createKey0", f"(I{STR}I)Z"),
        ("getValue0", f"(I{STR}{STR}I)Ljava/lang/Object;"),
        ("setValue0", f"(I{STR}{STR}Ljava/lang/Object;II)Z"), ("deleteValue0", f"(I{STR}{STR}I)V"),
        ("deleteKey0", f"(I{STR}ZI)V"), ("saveKey0", f"(I{STR}{STR}I)Z"), ("restoreKey0", f"(I{STR}{STR}I)Z"),
        ("enumSubKeys0", f"(I{STR}I)[{STR}"), ("enumValues0", f"(I{STR}I)[{STR}"),
        ("changeNotifyAssociations0", "()V"),
    ],
    "ShellLink": [
        ("createWide0", f"({STR}{STR}{STR}{STR}{STR}Z{STR}I)Z"), ("changeNotify0", "([B[B)Z"),
        ("initialize0", "()Z"), ("uninitialize", "()Z"),
    ],
    "VistaFileChooser": [
        ("initialize0", "()V"),
        ("displayDialog0", f"(J{STR}{STR}{STR}{STR}IIZ{STR}[{STR}[{STR}I[{STR}[Z)[{STR}"),
    ],
    "VistaTaskDialog": [("show0", f"(J{STR}{STR}{STR}III{STR}[{STR}I)I")],
    "Win32CommunicationBackend": [
        ("getInvalidHandle0", "()J"), ("createListener0", f"({STR})J"), ("readDataBlock0", "(J)[B"),
        ("writeDataBlock0", "(J[B)Z"), ("connectClient0", f"({STR})J"), ("connectNamedPipe0", "(J)Z"),
        ("disconnectNamedPipe0", "(J)V"), ("closeHandle0", "(J)V"), ("isProcessAlive0", "(I)Z"),
        ("getCurrentProcessId0", "()I"),
    ],
    "Win32Services": [
        ("installService0", f"({STR}{STR}{STR})I"),
        ("changeServiceConfig0", f"({STR}{STR}{STR}II{STR}{STR}{STR}{STR})I"),
        ("setRestartServiceConfig0", f"({STR}ZI)I"), ("stopService0", f"({STR})I"),
        ("startService0", f"({STR})I"), ("uninstallService0", f"({STR})I"), ("queryStatus0", f"({STR})I"),
        ("getStartType0", f"({STR})I"), ("getServiceBinary0", f"({STR}){STR}"),
    ],
    "Win32UserInfo": [
        ("isMemberOfGroup0", "(I)Z"), ("executeElevated0", f"({STR}{STR}{STR}I)Z"),
        ("getElevationType0", "()I"), ("addUser0", f"({STR}{STR}{STR}{STR}{STR}ZZ){STR}"),
        ("deleteUser0", f"({STR}{STR})I"), ("deleteLocalGroup0", f"({STR}{STR})I"),
        ("getAccountName0", f"({STR}Z){STR}"), ("getUserProfileDirectory0", f"({STR}{STR}){STR}"),
        ("getUserSid0", f"(){STR}"), ("setLsaAccountRight0", f"({STR}{STR}Z)Z"),
    ],
    "WinGuiHelper": [("getHwnd0", "(Ljava/lang/reflect/Method;Ljava/lang/Object;)J")],
}

# Members the launcher reaches through JNI: class -> (name, descriptor, kind).
LAUNCHER_MEMBERS = {
    "com/tolvanrix/runtime/launcher/WinLauncher": [("main", f"([{STR})V", "method")],
    "com/kavro/runtime/WinLauncher": [
        ("main", f"([{STR})V", "method"),
        ("initAwtSplashConfig", f"(ZZ{STR}II{STR}II{STR}II{STR}II)V", "method"),
    ],
    PLATFORM + "Common": [("initFromLauncher", "(Z)V", "method")],
    "com/kavro/runtime/util/WinDel": [("externalExecutable", STR, "field")],
    "com/tolvanrix/runtime/launcher/FirstRun": [("firstRun", "()Z", "method")],
}

CONSTRUCTORS = {
    PLATFORM + "ObjectPicker$Result": f"({STR}{STR}{STR}{STR}{STR})V",
    "com/tolvanrix/api/windows/WinRegistry$ExpandString": f"({STR})V",
}

JAVAP = shutil.which("javap")
CLASS_HEADER = re.compile(r"^(?:[a-z]+ )*(?:class|interface) (?P<name>[\w.$]+)")
DECLARATION = re.compile(r"^\s+(?P<mods>(?:[a-z]+ )*)(?P<rest>.*?);$")


@functools.lru_cache(maxsize=None)
def all_members():
    """class (slash form) -> [(name, descriptor, modifiers, kind)], from one javap -s -p run
    over every class of the jar. Constructors are named "<init>"."""
    with zipfile.ZipFile(RUNTIME_JAR) as jar:
        classes = [n[:-len(".class")].replace("/", ".") for n in jar.namelist() if n.endswith(".class")]
    out = subprocess.run([JAVAP, "-s", "-p", "-cp", str(RUNTIME_JAR), *classes],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    result, current = {}, None
    lines = out.stdout.splitlines()
    for line, following in zip(lines, lines[1:] + [""]):
        header = CLASS_HEADER.match(line)
        if header:
            current = header.group("name")
            result[current.replace(".", "/")] = []
            continue
        match = DECLARATION.match(line)
        if current is None or not match or "descriptor:" not in following:
            continue
        rest = match.group("rest")
        kind = "method" if "(" in rest else "field"
        words = (rest[:rest.index("(")] if kind == "method" else rest).split()
        name = "<init>" if kind == "method" and words[-1] == current else words[-1]
        descriptor = following.split("descriptor:", 1)[1].strip()
        result[current.replace(".", "/")].append((name, descriptor, match.group("mods").split(), kind))
    return result


def members(class_name):
    return all_members()[class_name]


pytestmark = pytest.mark.skipif(JAVAP is None, reason="javap of the host JDK is needed")


def test_runtime_jar_exists():
    assert RUNTIME_JAR.is_file(), RUNTIME_JAR


@pytest.mark.parametrize("simple_name", sorted(NATIVES))
def test_platform_class_declares_exactly_its_natives(simple_name):
    declared = [(name, descriptor) for name, descriptor, mods, kind in members(PLATFORM + simple_name)
                if kind == "method" and "native" in mods]
    assert sorted(declared) == sorted(NATIVES[simple_name])
    assert len(declared) == len(set(declared))


def test_seventy_natives_in_thirteen_classes_and_no_others():
    assert len(NATIVES) == 13
    assert sum(len(methods) for methods in NATIVES.values()) == 70
    with_natives = {name for name, found in all_members().items()
                    if any(kind == "method" and "native" in mods for _, _, mods, kind in found)}
    assert with_natives == {PLATFORM + simple for simple in NATIVES}


@pytest.mark.parametrize("class_name", sorted(LAUNCHER_MEMBERS))
def test_members_the_launcher_calls_are_static_with_their_signatures(class_name):
    found = {(name, descriptor, kind): mods for name, descriptor, mods, kind in members(class_name)}
    for name, descriptor, kind in LAUNCHER_MEMBERS[class_name]:
        assert (name, descriptor, kind) in found, (name, descriptor, sorted(found))
        assert "static" in found[(name, descriptor, kind)]


@pytest.mark.parametrize("class_name", sorted(CONSTRUCTORS))
def test_classes_the_natives_construct(class_name):
    constructors = [descriptor for name, descriptor, mods, kind in members(class_name)
                    if name == "<init>" and "public" in mods]
    assert constructors == [CONSTRUCTORS[class_name]]


def test_compiled_for_java_8():
    with zipfile.ZipFile(RUNTIME_JAR) as jar:
        for name in jar.namelist():
            if name.endswith(".class"):
                header = jar.read(name)[:8]
                assert header[:4] == b"\xca\xfe\xba\xbe", name
                assert int.from_bytes(header[6:8], "big") == 52, name
