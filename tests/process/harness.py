"""Shared helpers of the process-level tests. Windows programs run under wine64
with their output in files: waiting for pipe end-of-file is slow there."""
import contextlib
import glob
import itertools
import json
import os
import re
import shutil
import subprocess
import time
from dataclasses import dataclass
from pathlib import Path

SOURCE_DIR = Path(os.environ.get("TLX_SOURCE_DIR", Path(__file__).resolve().parents[2]))
BUILD_DIR = Path(os.environ.get("TLX_BUILD_DIR", SOURCE_DIR / "build"))
X64_DIR = Path(os.environ.get("TLX_X64_DIR", BUILD_DIR / "x64"))
X86_DIR = Path(os.environ.get("TLX_X86_DIR", BUILD_DIR / "x86"))
BUILDER = Path(os.environ.get("TLX_BUILDER", BUILD_DIR / "builder" / "tlx-builder"))
TOOLS_DIR = X64_DIR / "tools"
JAVA_DIR = BUILD_DIR / "java"
WINE = "/usr/lib/wine/wine64"

STUB_X64 = X64_DIR / "launcher.exe"
STUB_X86 = X86_DIR / "launcher.exe"


def jdk_dir(which="win64-11") -> Path:
    """A real JDK cached by scripts/fetch-jdk.sh ("win64-11", "win64-9" or "linux64-9")."""
    configured = os.environ.get("TLX_JDK_DIR")
    if configured and which == "win64-11":
        return Path(configured)
    out = subprocess.run([str(SOURCE_DIR / "scripts" / "fetch-jdk.sh"), which], check=True,
                         stdout=subprocess.PIPE, text=True).stdout
    return Path(out.strip())


def wine_env(extra=None) -> dict:
    env = dict(os.environ)
    env.setdefault("WINEPREFIX", str(BUILD_DIR / "wineprefix"))
    env.setdefault("WINEDEBUG", "-all")
    if extra:
        for key, value in extra.items():
            if value is None:
                env.pop(key, None)
            else:
                env[key] = value
    return env


def prefix_dir() -> Path:
    return Path(wine_env()["WINEPREFIX"])


def winpath(path) -> str:
    """A Linux path as the Windows programs under Wine see it (drive Z:)."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def unixpath(path: str) -> Path:
    """A Windows path from the prefix (C: or Z:) as a Linux path."""
    drive, rest = path[0].upper(), path[2:].replace("\\", "/")
    if drive == "Z":
        return Path(rest)
    if drive == "C":
        return prefix_dir() / "drive_c" / rest.lstrip("/")
    raise ValueError(f"no mapping for drive {drive}: in {path}")


@dataclass
class Run:
    code: int
    stdout: str
    stderr: str
    timed_out: bool = False

    @property
    def crashed(self) -> bool:
        return "Unhandled page fault" in self.stderr or "Unhandled exception" in self.stderr


# Tests may run programs from several threads: each run needs its own id.
_run_ids = itertools.count(1)


def run_wine(program, args=(), cwd=None, env=None, timeout=120, wait=True, wrap=()):
    """A Run, or with wait=False (Popen, stdout path, stderr path). wrap: a command in front of wine64."""
    outdir = BUILD_DIR / "test-output" / f"{os.getpid()}-{next(_run_ids)}"
    outdir.mkdir(parents=True, exist_ok=True)
    out_path, err_path = outdir / "stdout", outdir / "stderr"
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        proc = subprocess.Popen([*wrap, WINE, str(program), *[str(a) for a in args]], cwd=cwd,
                                env=wine_env(env), stdin=subprocess.DEVNULL, stdout=out, stderr=err)
    if not wait:
        return proc, out_path, err_path
    return finish(proc, out_path, err_path, timeout)


def finish(proc, out_path, err_path, timeout=120) -> Run:
    timed_out = False
    try:
        code = proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        code = proc.wait()
        timed_out = True
    stdout = Path(out_path).read_bytes().decode("utf-8", "replace")
    stderr = without_host_noise(Path(err_path).read_bytes().decode("utf-8", "replace"))
    shutil.rmtree(Path(out_path).parent, ignore_errors=True)
    return Run(code, stdout, stderr, timed_out)


# Printed by the host's dynamic loader under load while a process ends, not by the program.
_HOST_NOISE = ("Inconsistency detected by ld.so:",)


def without_host_noise(text: str) -> str:
    return "".join(line for line in text.splitlines(keepends=True) if not line.startswith(_HOST_NOISE))


# ---------------------------------------------------------------- build tool

def _toml_string(text: str) -> str:
    return json.dumps(text, ensure_ascii=False)

def write_project(path: Path, settings=None, messages=None, languages=(), files=(),
                  trailing=None, check=True, codepage=None, defaults=False) -> Path:
    """files: (source, record name) pairs; languages: (code, {id: text}) pairs. Without
    defaults the payload holds exactly the given tables, none of the tool's built-in texts."""
    def table(entries):
        return [f"{int(key)} = {_toml_string(str(value))}" for key, value in (entries or {}).items()]

    lines = ["[payload]", f"check = {'true' if check else 'false'}", f"defaults = {'true' if defaults else 'false'}"]
    lines += [f"codepage = {int(codepage)}"] if codepage is not None else []
    lines += ["", "[settings]", *table(settings), "", "[messages]", *table(messages)]
    for code, entries in languages:
        lines += ["", "[[language]]", f"code = {_toml_string(code)}", "[language.messages]", *table(entries)]
    for source, name in files:
        lines += ["", "[[file]]", f"source = {_toml_string(str(source))}", f"name = {_toml_string(name)}"]
    if trailing is not None:
        blob = path.parent / (path.stem + ".trailing.bin")
        blob.write_bytes(trailing)
        lines += ["", "[trailing]", f"source = {_toml_string(str(blob))}"]
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")
    return path


def build_setup(workdir: Path, name="setup.exe", stub=None, builder_args=(), **project) -> Path:
    """A setup file from the stub and a project of write_project's keyword arguments."""
    workdir = Path(workdir)
    workdir.mkdir(parents=True, exist_ok=True)
    toml = write_project(workdir / (Path(name).stem + ".toml"), **project)
    output = workdir / name
    result = run_builder("build", "--stub", stub or STUB_X64, "--project", toml, "--output", output, *builder_args)
    if result.returncode != 0:
        raise AssertionError(f"build tool failed ({result.returncode}): {result.stderr}")
    return output


def run_builder(*args, timeout=60, cwd=None) -> subprocess.CompletedProcess:
    return subprocess.run([str(BUILDER), *[str(a) for a in args]], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True, timeout=timeout, cwd=cwd)


def inspect_setup(setup: Path, codepage=None) -> dict:
    extra = ["--codepage", str(codepage)] if codepage is not None else []
    result = run_builder("inspect", "--json", *extra, setup)
    if result.returncode != 0:
        raise AssertionError(f"inspect failed ({result.returncode}): {result.stderr}")
    return json.loads(result.stdout)


# ---------------------------------------------------------------- registry

def reg(*args, check=False, env=None) -> Run:
    run = run_wine("reg.exe", args, env=env, timeout=60)
    if check and run.code != 0:
        raise AssertionError(f"reg {' '.join(args)} failed: {run.stdout} {run.stderr}")
    return run


def reg_query_value(key: str, name: str):
    """(type, data) as reg.exe shows them, or None."""
    run = reg("query", key, "/v", name)
    if run.code != 0:
        return None
    for line in run.stdout.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0].lower() == name.lower() and parts[1].startswith("REG_"):
            return parts[1], parts[2] if len(parts) > 2 else ""
    return None


PENDING_RENAMES_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager"


def copy_prefix(path: Path, wrap=()) -> dict:
    """A private copy of the test prefix in about a second: drive C: hard-linked (never write
    into its existing files), registry copied. Returns the entries that select it (the path
    may differ from the one asked for); stop_prefix ends its wineserver."""
    shared, path = prefix_dir(), Path(path)
    path.mkdir(parents=True)
    # Wine names a prefix's server directory after the prefix's inode. A new
    # directory may get the inode of a deleted prefix whose server is still
    # going away, and would then lose its own server: take another one.
    spare = 0
    while glob.glob(f"/tmp/*wine-*/server-{path.stat().st_dev:x}-{path.stat().st_ino:x}"):
        spare += 1
        path = path.with_name(f"{path.name}-{spare}")
        path.mkdir()
    subprocess.run(["cp", "-al", str(shared / "drive_c"), str(path)], check=True)
    for name in ("dosdevices", "system.reg", "user.reg", "userdef.reg", ".update-timestamp"):
        subprocess.run(["cp", "-a", str(shared / name), str(path)], check=True)
    _start_persistent_server(path, list(wrap))
    return {"WINEPREFIX": str(path)}


def _start_persistent_server(path: Path, wrap: list, attempts=5) -> None:
    """A server that exits between two runs would make a later run fail to start: keep one
    until stop_prefix, and wait until a program really runs in it."""
    env = wine_env({"WINEPREFIX": str(path)})
    for _ in range(attempts):
        subprocess.run([*wrap, "/usr/lib/wine/wineserver", "-p"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        run = run_wine("cmd.exe", ["/c", "exit", "0"], env={"WINEPREFIX": str(path)}, timeout=60, wrap=wrap)
        if run.code == 0 and "chdir to" not in run.stderr:
            return
        stop_prefix(path)
        time.sleep(0.5)
    raise AssertionError(f"no working wineserver for the prefix {path}")


def stop_prefix(path: Path) -> None:
    for option in ("-k", "-w"):
        subprocess.run(["/usr/lib/wine/wineserver", option], env=wine_env({"WINEPREFIX": str(path)}),
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

# ---------------------------------------------------------------- held objects

class Holder:
    """tests/tools/holder.exe holding a file or directory open without sharing, or a named
    semaphore, until release() or the end of the with block: like a still-running installer."""

    def __init__(self, kind: str, target, workdir: Path):
        self.kind, self.target = kind, str(target)
        token = f"{kind}-{os.getpid()}-{id(self)}"
        self.ready = Path(workdir) / f"holder-{token}.ready"
        self.release_flag = Path(workdir) / f"holder-{token}.release"
        self.proc = None
        self.run = None

    def __enter__(self):
        self.proc, self.out, self.err = run_wine(TOOLS_DIR / "holder.exe",
                                                 [self.kind, self.target, winpath(self.ready),
                                                  winpath(self.release_flag)], wait=False)
        if not wait_until(lambda: self.ready.exists() or self.proc.poll() is not None, timeout=60) \
                or not self.ready.exists():
            self.release()
            raise AssertionError(f"holder could not take {self.kind} {self.target}: {self.run}")
        return self

    def release(self) -> Run:
        if self.run is None:
            self.release_flag.touch()
            self.run = finish(self.proc, self.out, self.err, timeout=60)
        return self.run

    def __exit__(self, *exc):
        self.release()


def wait_until(predicate, timeout=10.0, interval=0.1):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    return predicate()


# ---------------------------------------------------------------- dialogs
# The dialog helper (tests/tools/dlghelper.cpp; describeWindow there gives the
# fields of its JSON) sees the windows of every program in the prefix.

DLGHELPER = TOOLS_DIR / "dlghelper.exe"


def _dlg_text(text) -> str:
    """wine64 loses non-ASCII argv text in some locales: such characters (and backslashes)
    go as \\uXXXX, which the tools decode."""
    out = []
    for ch in str(text):
        if ch == "\\" or not 0x20 <= ord(ch) < 0x7F:
            units = ch.encode("utf-16-le")
            out += [f"\\u{int.from_bytes(units[i:i + 2], 'little'):04x}" for i in range(0, len(units), 2)]
        else:
            out.append(ch)
    return "".join(out)


def dlghelper(command, caption=None, exe=None, *extra, timeout=15.0, has=None):
    """dlghelper on the windows with that caption and/or image (Path, Windows path or file name):
    (exit code, JSON); 0 done, 1 no such window in time, 3 window there but not the button."""
    args = [command, "--timeout", str(int(timeout * 1000))]
    if caption is not None:
        args += ["--caption", _dlg_text(caption)]
    if exe is not None:
        args += ["--exe", _dlg_text(winpath(exe) if isinstance(exe, Path) else exe)]
    if has is not None:
        args += ["--has", str(has)]
    run = run_wine(DLGHELPER, [*args, *extra], timeout=timeout + 60)
    try:
        return run.code, json.loads(run.stdout)
    except ValueError:
        raise AssertionError(f"dlghelper {command} failed ({run.code}): {run.stdout!r} {run.stderr!r}") from None


def wait_dialog(caption=None, timeout=15.0, exe=None, has=None):
    """A visible top-level window (with a control of id has) with its controls, or None."""
    code, data = dlghelper("wait", caption, exe, timeout=timeout, has=has)
    return data if code == 0 else None


def press(caption, button, timeout=15.0, exe=None, has=None) -> dict:
    """button: a control id or its text ("&" and case ignored); pressed once visible and enabled."""
    code, data = dlghelper("click", caption, exe, "--button", _dlg_text(button), timeout=timeout, has=has)
    assert code == 0, f"press {button!r} in {caption!r}: {data}"
    return data


def type_into(caption, control, text, timeout=15.0, exe=None) -> dict:
    code, data = dlghelper("type", caption, exe, "--control", str(control), "--text", _dlg_text(text),
                           timeout=timeout)
    assert code == 0, f"typing into {control} of {caption!r}: {data}"
    return data


def close_windows_of(program) -> None:
    """Killing cmd.exe leaves the program it started running: end it by its window."""
    window = wait_dialog(exe=program, timeout=2.0)
    if window:
        run_wine("taskkill.exe", ["/f", "/pid", str(window["pid"])], timeout=60)


@contextlib.contextmanager
def running(started, timeout=120, program=None):
    """For a program started with wait=False: yields {"proc", "out"} and, after the block, "run".
    A failed block or a program outliving the timeout is ended, with the windows of program."""
    proc, out, err = started
    state = {"proc": proc, "out": Path(out)}
    try:
        yield state
    except BaseException:
        proc.kill()
        if program is not None:
            close_windows_of(program)
        raise
    state["run"] = finish(proc, out, err, timeout=timeout)
    if state["run"].timed_out and program is not None:
        close_windows_of(program)


def answer_box(started, caption, program=None, button="OK", while_shown=None, timeout=60):
    """Waits for the box that a program started with wait=False must show, calls while_shown(box),
    presses the button; returns the box's text (line ends as "\\n") and the finished run."""
    with running(started, timeout, program) as state:
        box = wait_dialog(caption, exe=program, timeout=timeout)
        assert box is not None, f"no box captioned {caption!r}"
        if while_shown:
            while_shown(box)
        press(caption, button, exe=program)
    assert not state["run"].timed_out, f"the program went on after its box {caption!r}"
    return box["text"].replace("\r\n", "\n"), state["run"]


def wait_for_line(path, prefix, timeout=120):
    """The first line starting with prefix in a running program's output, once there, or None."""
    def line():
        return next((text for text in Path(path).read_text(errors="replace").splitlines()
                     if text.startswith(prefix)), None)
    return wait_until(line, timeout=timeout)


def find_control(window: dict, id):
    return next((c for c in window["controls"] if c["id"] == id), None)


def save_screenshot(name):
    """The X display as test-output/screens/NAME, for a person to look at."""
    shots = BUILD_DIR / "test-output" / "screens"
    shots.mkdir(parents=True, exist_ok=True)
    subprocess.run(["import", "-window", "root", f"png24:{shots / name}"], check=True, timeout=60)


def screenshot_rgb():
    """The whole X display ($DISPLAY): width, height and the RGB bytes, row by row."""
    result = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", result.stdout)
    assert result.returncode == 0 and header, result.stderr
    width, height = int(header.group(1)), int(header.group(2))
    assert len(result.stdout) - header.end() == width * height * 3
    return width, height, result.stdout[header.end():]


# ---------------------------------------------------------------- environment

WITHENV = TOOLS_DIR / "withenv.exe"


def run_with_windows_env(program, args=(), variables=None, **kwargs):
    """wine64 takes TEMP, TMP and others from the prefix: tests/tools/withenv.exe sets them on the
    Windows side. None removes a variable; "@short:PATH" sets the short form of PATH."""
    assignments = [_dlg_text(f"{name}={'' if value is None else value}") for name, value in (variables or {}).items()]
    forwarded = [_dlg_text(winpath(program) if Path(str(program)).is_absolute() else program)]
    forwarded += [_dlg_text(a) for a in args]
    return run_wine(WITHENV, [*assignments, "--", *forwarded], **kwargs)


# ---------------------------------------------------------------- cmd.exe

def run_cmd(command_line: str, cwd=None, temp=None, env=None, timeout=120, wait=True):
    """Through cmd.exe /c the program gets exactly that command line (entry 0 as typed), with temp
    its own TEMP and TMP. No double quotes (wine64 escapes them for good) nor runs of spaces."""
    if temp is not None:
        temp_win = winpath(temp)
        command_line = f"set TEMP={temp_win}&& set TMP={temp_win}&& {command_line}"
    if '"' in command_line or "  " in command_line:
        raise ValueError(f"run_cmd cannot pass double quotes or runs of spaces: {command_line}")
    # Word by word: wine64 passes words without blanks or quotes unchanged.
    words = ["/c", *command_line.split(" ")]
    if not wait:
        return run_wine("cmd.exe", words, cwd=cwd, env=env, timeout=timeout, wait=False)
    for _ in range(3):
        run = run_wine("cmd.exe", words, cwd=cwd, env=env, timeout=timeout)
        # Under heavy load Wine's cmd.exe now and then fails to find a program
        # written a moment before; the program did not run, so run it again.
        if not (run.code == 49 and run.stderr.startswith("Can't recognize ")):
            break
    return run


# ---------------------------------------------------------------- launcher log files

def launcher_logs(directory) -> list:
    found = [p for p in Path(directory).glob("tlx_nlog_*.log") if p.stem[len("tlx_nlog_"):].isdigit()]
    return sorted(found, key=lambda p: int(p.stem[len("tlx_nlog_"):]))


def read_log(path) -> str:
    """UTF-8 behind a byte-order mark (checked), CR LF as "\\n"."""
    data = Path(path).read_bytes()
    if not data.startswith(b"\xef\xbb\xbf"):
        raise AssertionError(f"{path} does not start with a UTF-8 byte-order mark: {data[:16]!r}")
    return data[3:].decode("utf-8", "replace").replace("\r\n", "\n")


def log_named_in(text: str):
    """The log file named on a "Log: " line of a fatal message, as a Linux path, or None."""
    for line in text.splitlines():
        if line.startswith("Log: "):
            return unixpath(line[len("Log: "):].strip())
    return None


def run_setup(setup, *args, temp, env=None, timeout=120, wait=True, cwd=None):
    """Through cmd.exe with its own temp directory (for its log); arguments without blanks.
    A run that hangs or crashes fails the test."""
    Path(temp).mkdir(parents=True, exist_ok=True)
    line = " ".join([winpath(setup), *[str(a) for a in args]])
    if not wait:
        return run_cmd(line, temp=temp, env=env, timeout=timeout, wait=False, cwd=cwd)
    run = again_if_never_started(lambda: run_cmd(line, temp=temp, env=env, timeout=timeout, cwd=cwd), temp)
    assert not run.timed_out and not run.crashed, (str(setup), run.code, run.stderr)
    return run


def again_if_never_started(run_once, temp, attempts=4) -> Run:
    """Under full load Wine now and then reports exit code 1 for a launcher that never started
    (no log, which every run writes before it can fail): run it again."""
    for attempt in range(attempts):
        if attempt:
            time.sleep(2 * attempt)
        run = run_once()
        silent = run.code == 1 and not run.stdout.strip() and not run.stderr.strip()
        if not (silent and not any(Path(temp).glob("tlx_nlog_*.log"))):
            break
    return run


# ---------------------------------------------------------------- launch probe
# tests/java/LaunchProbe.java prints what the JVM and the runtime received as "probe." lines.

RUNTIME_JAR = JAVA_DIR / "tlxruntime.jar"
TESTS_JAR = JAVA_DIR / "tlxtests.jar"

PROBE_MESSAGES = {
    1000: "Error",
    1005: "The JVM could not be started.",
    1006: "A mandatory class path entry is missing: {0}",
    1008: "The environment variable {0} must be defined.",
    1009: "An internal error occurred (error code: {0})",
    1010: "The main class could not be found.",
    1011: "The main method could not be found.",
}


def jdk_archive() -> Path:
    """The JDK fixture as a jre.tar.gz (GNU tar, as a product build makes it), once per build tree."""
    archive = BUILD_DIR / "fixtures" / "jdk11-jre.tar.gz"
    if not archive.exists():
        archive.parent.mkdir(parents=True, exist_ok=True)
        partial = archive.with_suffix(f".{os.getpid()}.partial")  # modules run side by side
        subprocess.run(["tar", "--format=gnu", "-czf", str(partial), "-C", str(jdk_dir()), "."], check=True)
        partial.rename(archive)
    return archive


def probe_setup(workdir, settings=None, files=None, name="setup.exe", **project) -> Path:
    """LaunchProbe on the real JDK, no progress dialog, errors on standard error."""
    base = {107: "0", 2001: "i", 122: "LaunchProbe", 126: "1.8", 128: f"A{winpath(jdk_dir())};", 155: "1"}
    base.update(settings or {})
    if files is None:
        files = [(RUNTIME_JAR, "tlxruntime.jar"), (TESTS_JAR, "tlxtests.jar")]
    return build_setup(workdir, name=name, settings=base, messages=project.pop("messages", PROBE_MESSAGES),
                       files=files, **project)


@dataclass
class ProbeReport:
    args: list
    launcher: list
    props: dict        # name -> value, None when unset
    vmoptions: list
    lines: list

    @property
    def done(self) -> bool:
        return "probe.done" in self.lines

    def class_path(self) -> list:
        return self.props["java.class.path"].split(";")


def probe_report(text: str) -> ProbeReport:
    args, launcher, props, vmoptions = {}, {}, {}, {}
    lines = text.replace("\r\n", "\n").split("\n")
    for line in lines:
        if line.startswith("probe.prop."):
            rest = line[len("probe.prop."):]
            if "=" in rest:
                key, value = rest.split("=", 1)
                props[key] = value
            elif rest.endswith(" unset"):
                props[rest[:-len(" unset")]] = None
        for prefix, table in (("probe.arg[", args), ("probe.launcher[", launcher), ("probe.vmoption[", vmoptions)):
            if line.startswith(prefix):
                index, value = line[len(prefix):].split("]=", 1)
                table[int(index)] = value
    ordered = lambda table: [table[i] for i in sorted(table)]
    return ProbeReport(ordered(args), ordered(launcher), props, ordered(vmoptions), lines)


def class_loaded(lines, name) -> bool:
    """With -verbose:class the JVM prints "[uptime][info][class,load] NAME source: ..." per class."""
    return any(f"[class,load] {name} " in line for line in lines)
