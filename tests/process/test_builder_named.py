"""Project files as installer authors write them: settings by name with typed values, no messages,
no runtime jar. Their setup files run with the real JDK, speak the user's language and equal those
of the same project in key numbers (refusals: test_builder.py's table)."""
import gzip
import io
import json
import re
import shutil
import subprocess
import tarfile

from harness import (BUILDER, JAVA_DIR, RUNTIME_JAR, SOURCE_DIR, STUB_X64, TESTS_JAR, answer_box, inspect_setup,
                     jdk_dir, probe_report, run_builder, run_setup, winpath)


def build(workdir, text: str, name="setup.exe"):
    workdir.mkdir(parents=True, exist_ok=True)
    project = workdir / (name + ".toml")
    project.write_text(text, encoding="utf-8")
    out = workdir / name
    return run_builder("build", "--stub", STUB_X64, "--project", project, "--output", out), out


def built(workdir, text: str, name="setup.exe"):
    result, out = build(workdir, text, name)
    assert result.returncode == 0, result.stderr
    return out


def test_the_sample_project_runs_the_sample(tmp_path):
    for source in (SOURCE_DIR / "runtime" / "sample" / "setup.toml", JAVA_DIR / "sample.jar"):
        shutil.copy(source, tmp_path)
    (tmp_path / "readme.txt").write_text("inside the setup file\n")
    setup = tmp_path / "setup.exe"
    result = run_builder("build", "--stub", STUB_X64, "--project", tmp_path / "setup.toml", "--output", setup)
    assert result.returncode == 0, result.stderr
    run = run_setup(setup, "from-the-command-line", temp=tmp_path / "temp", env={"JAVA_HOME": winpath(jdk_dir())})
    assert run.code == 0, run.stderr
    assert "program arguments:    [first argument, second, from-the-command-line]" in run.stdout, run.stdout
    assert "readme.txt: inside the setup file" in run.stdout and "Sample installer done." in run.stdout
    info = inspect_setup(setup)
    assert info["missing_texts"] == [] and info["records"][0]["name"] == "tlxruntime.jar"


# An application's whole project: the builder adds the runtime jar, the texts and boxes for errors.
FIVE_LINES = """file = [{ source = "tlxtests.jar" }]
[settings]
main_class = "LaunchProbe"
min_java_version = "1.8"
java_search = [{ env = "JAVA_HOME" }]
"""
ARGUMENTS = ["two words", "it's", 'say "hi"', "", "plain", "${TLXTEST_BLANKS}"]
BLANKS = "a b  c"
ARRAYS = f"""arguments = {json.dumps(ARGUMENTS)}
vm_options = ["-Dtlxtest.blank=a b", "-Dtlxtest.quote=say \\"hi\\"", "-Dtlxtest.expanded=${{TLXTEST_BLANKS}}"]
"""
# Then a required class path entry that is missing ends every start with message 1006.
MISSING_ENTRY = 'class_path = [{ archive = "missing.jar", required = true }]\n'


def ascii_only(text):
    """Standard error is in the console's code page: compare in ASCII only."""
    return re.sub(r"[^ -~]", "?", text)


def test_a_five_line_project_runs_and_explains_failures_in_boxes_and_languages(display, tmp_path):
    for directory in (tmp_path, tmp_path / "failing", tmp_path / "own"):
        directory.mkdir(exist_ok=True)
        shutil.copy(TESTS_JAR, directory)
    java_home = {"JAVA_HOME": winpath(jdk_dir())}
    # Array elements arrive in Java as written; the last argument has blanks only once expanded.
    run = run_setup(built(tmp_path, FIVE_LINES + ARRAYS), "last", temp=tmp_path / "run",
                    env={"TLXTEST_BLANKS": BLANKS, **java_home})
    assert run.code == 0, run.stderr
    report = probe_report(run.stdout)
    assert report.args == [*ARGUMENTS[:-1], BLANKS, "last"]
    assert report.props["tlxtest.blank"] == "a b" and report.props["tlxtest.quote"] == 'say "hi"'
    assert report.props["tlxtest.expanded"] == BLANKS

    failing = built(tmp_path / "failing", FIVE_LINES + MISSING_ENTRY)
    info = inspect_setup(failing)
    english = info["wide"]["1006"].split("{0}")[0]
    [german] = [block["entries"]["1006"].split("{0}")[0] for block in info["languages"] if block["code"] == "de"]
    # An application, not an installer, in either language.
    assert "application" in english and "Anwendung" in german
    for lang, expected in (("C.UTF-8", english), ("de_DE.UTF-8", german)):
        env = {"LANG": lang, "LC_ALL": None, "LC_MESSAGES": None, **java_home}
        run = run_setup(failing, "-q", temp=tmp_path / lang, env=env)
        assert run.code == 1 and ascii_only(expected) in ascii_only(run.stderr), (lang, run.stderr)
    # Started as a user starts it, the error comes in a box.
    text, run = answer_box(run_setup(failing, temp=tmp_path / "box", env=java_home, wait=False), info["wide"]["1000"],
                           failing)
    assert text.startswith(english) and run.code == 1, text

    # The project's own text wins over the built-in one, untranslated, which the build points out,
    # as it does a value the launcher would cut.
    result, own = build(tmp_path / "own", FIVE_LINES + MISSING_ENTRY + f'splash_line1_text = "{"a" * 2000}"\n'
                        'jvm_subdirectory = "server"\n[messages]\n1006 = "Example lacks {0}"\n')
    [untranslated] = [line for line in result.stderr.splitlines() if "1006" in line]
    assert "warning" in untranslated and "1006 (de, fr, es)" in untranslated and "translations = false" in untranslated
    [cut] = [line for line in result.stderr.splitlines() if line != untranslated]
    assert "warning" in cut and "splash_line1_text is 2000 bytes" in cut and "first 1999" in cut
    run = run_setup(own, "-q", temp=tmp_path / "own-de", env={"LANG": "de_DE.UTF-8", "LC_ALL": None, **java_home})
    assert "Example lacks" in run.stderr, run.stderr


def test_the_runtime_jar_comes_from_beside_the_tool_unless_the_project_has_one(tmp_path):
    shutil.copy(TESTS_JAR, tmp_path)
    shutil.copy(TESTS_JAR, tmp_path / "own.jar")   # a runtime jar of the project's own
    cases = [("", ["tlxruntime.jar", "tlxtests.jar"], RUNTIME_JAR),
             (', { source = "own.jar", name = "TLXruntime.jar" }', ["tlxtests.jar", "TLXruntime.jar"], TESTS_JAR)]
    for extra, names, content in cases:
        setup = built(tmp_path, FIVE_LINES.replace('"tlxtests.jar" }', '"tlxtests.jar" }' + extra))
        records = inspect_setup(setup)["records"]
        assert [r["name"] for r in records] == names
        jar = next(r for r in records if r["name"].lower() == "tlxruntime.jar")
        stored = setup.read_bytes()[jar["offset"]:jar["offset"] + jar["size"]]
        assert bytes(b ^ 0xA7 for b in stored) == content.read_bytes()
    # A tool copied without its jar says what to do.
    (tmp_path / "bin").mkdir()
    lonely = shutil.copy(BUILDER, tmp_path / "bin")
    (tmp_path / "five.toml").write_text(FIVE_LINES)
    result = subprocess.run([lonely, "build", "--stub", STUB_X64, "--project", tmp_path / "five.toml",
                             "--output", tmp_path / "lonely.exe"], capture_output=True, text=True)
    assert result.returncode == 2 and "tlxruntime.jar must lie beside tlx-builder" in result.stderr, result.stderr



def jre_archive(path):
    """A small jre.tar.gz in two gzip members, as concatenated archives come."""
    tar = io.BytesIO()
    with tarfile.open(fileobj=tar, mode="w", format=tarfile.USTAR_FORMAT) as archive:
        data = b"x" * 5000
        entry = tarfile.TarInfo("jre/bin/readme.txt")
        entry.size = len(data)
        archive.addfile(entry, io.BytesIO(data))
    raw = tar.getvalue()
    path.write_bytes(gzip.compress(raw[:3000]) + gzip.compress(raw[3000:]))
    return len(raw)


NAMED = """
file = [{ source = "jre.tar.gz" }, { source = "tlxtests.jar" }]
[settings]
flavour = "installer"
main_class = "LaunchProbe"
vm_options = ["-Xmx512m", "-Dname=a b"]
arguments = "as it stands"
min_java_version = "1.8"
java_search = [{ registry = true }, { env = "JAVA_HOME" }, { dir = "jre" }, { dir = "C:\\\\jdk", fallback = true }, { system_path = true }]
class_path = [{ archive = "a.jar", required = true }, { env = "LIBS" }, { archives_in = "lib" }, { dir = "classes" }]
single_instance = true
no_window_timeout = true
launcher_kind = 1
splash_line1_colour = [10, 20, 30]
native_library_dirs = ["user", "${launcher:sys.launcherTempDirectory}\\\\x"]
version_vm_options = [{ version = "1.8", options = ["-Xss1m"] }, { version = "", options = "-Xss2m" }]
"""

NUMBERED = """
[[file]]
source = "jre.tar.gz"
name = "jre.tar.gz"
[[file]]
source = "tlxtests.jar"
[settings]
2001 = "i"
122 = "LaunchProbe"
123 = "-Xmx512m \\"-Dname=a b\\""
124 = "as it stands"
126 = "1.8"
128 = "Y;EJAVA_HOME;Ajre;BC:\\\\jdk;S;"
121 = "A1a.jar;E0LIBS;S0lib;D0classes;"
10005 = "1"
159 = "1"
107 = 1
10114 = "10,20,30"
10004 = "user;${launcher:sys.launcherTempDirectory}\\\\x"
10200 = "2"
10201 = "1.8"
10202 = "-Xss1m"
10203 = ""
10204 = "-Xss2m"
"""


def test_named_and_numbered_projects_give_the_same_setup_file(tmp_path):
    tar_size = jre_archive(tmp_path / "jre.tar.gz")
    shutil.copy(TESTS_JAR, tmp_path)
    named = built(tmp_path, NAMED, "named.exe")
    numbered = built(tmp_path, NUMBERED.replace("[settings]", f"[settings]\n151 = {tar_size}"), "numbered.exe")
    assert named.read_bytes() == numbered.read_bytes()
    info = inspect_setup(named)
    assert info["setting_names"]["122"] == "main_class" and info["setting_names"]["10203"].startswith("version_vm")
    assert info["missing_texts"] == []
    text = run_builder("inspect", named).stdout
    assert '151 jre_archive_size = "%d"' % tar_size in text and "10005 single_instance = \"1\"" in text
    assert "stub:            64-bit launcher" in text and "version:         none" in text
    # Long texts (the built-in messages here) are wrapped.
    assert max(len(line) for line in text.splitlines()) <= 100
    # Written in numbers without defaults, the same project lacks the texts
    # its settings make reachable, and inspect says which.
    bare = built(tmp_path, "[payload]\ndefaults = false\n" + NUMBERED, "bare.exe")
    missing = {m["id"]: m["because"] for m in inspect_setup(bare)["missing_texts"]}
    assert missing[1006] == "class_path has a required entry" and missing[20019] == "min_java_version is set"
    assert 20005 not in missing and 20014 not in missing and 1010 in missing


def test_readme_carries_the_reference():
    reference = run_builder("reference").stdout
    readme = (SOURCE_DIR / "builder" / "README.md").read_text(encoding="utf-8")
    assert reference.startswith("### Settings") and reference in readme
