"""The Java runtime jar as the natives see it: every platform class declares
exactly the natives the executable binds (names and JNI signatures), and
everything is compiled for Java 8. The members the launcher itself calls are
reached by the launches through the real executable."""
import functools
import re
import shutil
import subprocess
import zipfile

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


def test_platform_classes_declare_exactly_the_natives_the_executable_binds():
    declared = {}
    for name, found in all_members().items():
        natives = sorted((n, d) for n, d, mods, kind in found if kind == "method" and "native" in mods)
        if natives:
            declared[name] = natives
    assert declared == {PLATFORM + simple: sorted(natives) for simple, natives in NATIVES.items()}


def test_compiled_for_java_8():
    with zipfile.ZipFile(RUNTIME_JAR) as jar:
        for name in jar.namelist():
            if name.endswith(".class"):
                header = jar.read(name)[:8]
                assert header[:4] == b"\xca\xfe\xba\xbe" and int.from_bytes(header[6:8], "big") == 52, name
