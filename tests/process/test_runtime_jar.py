"""The Java runtime jar: compiled for Java 8; its natives, read for the stubs' export checks."""
import functools
import re
import shutil
import subprocess
import zipfile

from harness import JAVA_DIR

RUNTIME_JAR = JAVA_DIR / "tlxruntime.jar"
PLATFORM = "com/tolvanrix/runtime/installer/platform/win32/"
NATIVE = re.compile(r"^\s+(?:[a-z]+ )*native (?:[a-z]+ )*\S+ (?P<name>\w+)\(")


@functools.lru_cache(maxsize=None)
def declared_natives() -> dict:
    """Simple class name -> [(method, JNI descriptor)], from one javap -s -p run."""
    with zipfile.ZipFile(RUNTIME_JAR) as jar:
        classes = [n[:-len(".class")].replace("/", ".") for n in jar.namelist()
                   if n.startswith(PLATFORM) and n.endswith(".class")]
    out = subprocess.run([shutil.which("javap"), "-s", "-p", "-cp", str(RUNTIME_JAR), *classes],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    result, current = {}, None
    lines = out.stdout.splitlines()
    for line, following in zip(lines, lines[1:] + [""]):
        header = re.match(r"^(?:[a-z]+ )*class (\S+)", line)
        if header:
            current = header.group(1).rsplit(".", 1)[1]
        native = NATIVE.match(line)
        if native and "descriptor:" in following:
            result.setdefault(current, []).append((native.group("name"), following.split("descriptor:", 1)[1].strip()))
    return result


def test_compiled_for_java_8():
    with zipfile.ZipFile(RUNTIME_JAR) as jar:
        for name in jar.namelist():
            if name.endswith(".class"):
                header = jar.read(name)[:8]
                assert header[:4] == b"\xca\xfe\xba\xbe" and int.from_bytes(header[6:8], "big") == 52, name
