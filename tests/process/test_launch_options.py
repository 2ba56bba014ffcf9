"""VM options as the JVM receives them (LaunchProbe prints its list of input arguments)."""
from harness import jdk_dir, launcher_logs, probe_report, probe_setup, read_log, run_setup, winpath


def launch(setup, *args, temp, env=None):
    run = run_setup(setup, *args, temp=temp, env=env)
    assert run.code == 0, run.stderr
    report = probe_report(run.stdout)
    assert report.done, run.stdout
    return run, report


def tlxtest_options(report):
    return [option for option in report.vmoptions if option.startswith(("-Dtlxtest.", "-Xmx"))]


def extraction_jars(report):
    extraction = report.props["kavro.tempDir"]
    return sorted([extraction + "\\tlxruntime.jar", extraction + "\\tlxtests.jar"])


def test_default_vmoptions_file_with_blanks_comments_slots_and_includes(tmp_path):
    workdir, temp = tmp_path / "setup", tmp_path / "temp"
    setup = probe_setup(workdir, settings={166: "1"})
    long_value = "v" * 29984  # the line's first 29999 characters are one piece, the rest another
    (workdir / "setup.vmoptions").write_text(
        "   -Xmx512m   \r\n# -Xmx1g\r\n\r\n"
        "-classpath/a lib\\extra.jar\n-classpath/p C:\\first.jar\n-classpath/p C:\\second.jar\n"
        "-include-options cfg\\main.vmoptions\n-Dtlxtest.after=1\n"
        f"-Dtlxtest.long={long_value}-Dtlxtest.tail=1\n-include-options chain0.vmoptions\n")
    (workdir / "cfg").mkdir()
    (workdir / "cfg" / "main.vmoptions").write_text("-Dtlxtest.main=1\n-include-options other.vmoptions\n")
    # Includes inside an included file are resolved against that file's own
    # directory; the copy beside the executable must not be read. A file that
    # includes itself, or is included again further down (names compare
    # without case), is stopped, and what follows the include still counts.
    (workdir / "cfg" / "other.vmoptions").write_text(
        "-Dtlxtest.other=1\n-include-options third.vmoptions\n-include-options other.vmoptions\n"
        "-Dtlxtest.otherEnd=1\n")
    (workdir / "cfg" / "third.vmoptions").write_text("-Dtlxtest.third=cfg\n-include-options MAIN.VMOPTIONS\n")
    (workdir / "third.vmoptions").write_text("-Dtlxtest.third=beside-the-executable\n")
    # A chain of includes longer than any real one ends somewhere, and in order.
    for level in range(40):
        (workdir / f"chain{level}.vmoptions").write_text(
            f"-Dtlxtest.level{level}=1\n-include-options chain{level + 1}.vmoptions\n")

    _, report = launch(setup, temp=temp, env={"TOLVANRIX_LOG": "yes"})
    levels = [o for o in tlxtest_options(report) if o.startswith("-Dtlxtest.level")]
    assert len(levels) >= 16 and levels == [f"-Dtlxtest.level{n}=1" for n in range(len(levels))], levels
    assert [o for o in tlxtest_options(report) if o not in levels] == [
        "-Xmx512m", "-Dtlxtest.main=1", "-Dtlxtest.other=1", "-Dtlxtest.third=cfg", "-Dtlxtest.otherEnd=1",
        "-Dtlxtest.after=1", f"-Dtlxtest.long={long_value}", "-Dtlxtest.tail=1"]
    max_memory = int(next(line for line in report.lines if line.startswith("probe.maxMemory=")).split("=", 1)[1])
    assert 400 * 2**20 < max_memory <= 512 * 2**20
    class_path = report.class_path()
    assert class_path[0] == "C:\\second.jar"
    assert sorted(class_path[1:3]) == extraction_jars(report)
    assert class_path[3:] == ["lib\\extra.jar"]


def test_locale_options_j_without_key_125_and_a_classpath_line_replacing_the_class_path(tmp_path):
    # With key 125 the installer launch of test_launch.py takes "-J" as a VM option. The class
    # path's mandatory entries would stop the launcher if they were looked at.
    workdir = tmp_path / "setup"
    setup = probe_setup(workdir, settings={166: "1", 121: "A1lib\\missing.jar;E1TLXTEST_NEVER_SET;"})
    # The second name form: the whole executable name followed by ".vmoptions".
    (workdir / "setup.exe.vmoptions").write_text("-classpath C:\\replace.jar\n")
    env = {"LC_ALL": "pt_BR.UTF-8", "LANG": "pt_BR.UTF-8"}
    _, report = launch(setup, "-Dsun.locale.formatasdefault=false", "-J-Xmx1g", "foo", temp=tmp_path / "temp",
                       env=env)
    class_path = report.class_path()
    assert sorted(class_path[:2]) == extraction_jars(report)
    assert class_path[2:] == ["C:\\replace.jar"]
    at = report.vmoptions.index("-Dsun.locale.formatasdefault=false")
    assert report.vmoptions[at + 1:at + 3] == ["-Duser.language=pt", "-Duser.country=BR"]
    assert report.props["user.language"] == "pt" and report.props["user.country"] == "BR"
    assert report.args == ["-J-Xmx1g", "foo"] and "-Xmx1g" not in report.vmoptions

    _, report = launch(setup, "-Dsun.locale.formatasdefault=false", "-Dsun.locale.formatasdefault=true",
                       temp=tmp_path / "temp2", env=env)
    assert [o for o in report.vmoptions if o.startswith(("-Dsun.locale", "-Duser."))] == \
        ["-Dsun.locale.formatasdefault=true"]
    assert report.args == []


def test_configured_options_with_launcher_variables_a_quoted_include_and_version_lines(tmp_path):
    workdir, temp = tmp_path / "setup", tmp_path / "temp"
    included = tmp_path / "dir with blank" / "extra.vmoptions"
    included.parent.mkdir()
    included.write_text("-Dtlxtest.quoted=1\n")
    tokens = {
        "exedir": ["%KAVRO_EXEDIR%", "%TOLVANRIX_EXEDIR%", "${KAVRO_EXEDIR}", "${TOLVANRIX_EXEDIR}",
                   "${launcher:sys.launcherDirectory}"],
        "tempdir": ["%KAVRO_TEMPDIR%", "%TOLVANRIX_TEMPDIR%", "${KAVRO_TEMPDIR}", "${TOLVANRIX_TEMPDIR}",
                    "${launcher:sys.launcherTempDirectory}"],
        "separator": ["%KAVRO_PATHLIST_SEPARATOR%", "%TOLVANRIX_PATHLIST_SEPARATOR%", "${KAVRO_PATHLIST_SEPARATOR}",
                      "${TOLVANRIX_PATHLIST_SEPARATOR}", "${launcher:sys.pathlistSeparator}"],
        "jvmhome": ["%KAVRO_JVM_HOME%", "%TOLVANRIX_JVM_HOME%", "${KAVRO_JVM_HOME}", "${TOLVANRIX_JVM_HOME}",
                    "${launcher:sys.jvmHome}"],
        "tempbase": ["${launcher:sys.tempDir}"],
        "env": ["${TLXTEST_VALUE}"], "self": ["${TLXTEST_SELF}"], "order": ["${TLXTEST_ORDER}"],
        "unknown": ["${NO_SUCH_VARIABLE}${launcher:sys.JVMHOME}"],
        "repeated": ["a%KAVRO_PATHLIST_SEPARATOR%b%KAVRO_PATHLIST_SEPARATOR%"],
    }
    options = " ".join(f"-Dtlxtest.{kind}{n}={token}" for kind, texts in tokens.items()
                       for n, token in enumerate(texts))
    setup = probe_setup(workdir, settings={
        123: f'-Dtlxtest.before=1 -include-options "{winpath(included)}" -classpath C:\\two-elements.jar {options} '
             "-Dtlxtest.long=${TLXTEST_LONG}${TLXTEST_LONG}",
        # Version lines: the first whose prefix starts the JDK's version (11.0.2) counts.
        10200: "3", 10201: "1.8", 10202: "-Dtlxtest.version=8", 10203: "11", 10204: "-Dtlxtest.version=11",
        10205: "", 10206: "-Dtlxtest.version=any"})
    env = {"TLXTEST_VALUE": "plain", "TLXTEST_SELF": "a${TLXTEST_SELF}b", "TLXTEST_LONG": "w" * 20000,
           "TLXTEST_ORDER": "${launcher:sys.pathlistSeparator}"}
    _, report = launch(setup, temp=temp, env=env)
    props = report.props
    expected = {"exedir": winpath(workdir) + "\\", "tempdir": props["kavro.tempDir"], "separator": ";",
                "jvmhome": winpath(jdk_dir()) + "\\bin\\..", "env": "plain", "self": "a${TLXTEST_SELF}b",
                "order": "${launcher:sys.pathlistSeparator}", "unknown": tokens["unknown"][0], "repeated": "a;b;"}
    for kind, texts in tokens.items():
        for n in range(len(texts)):
            if kind != "tempbase":
                assert props[f"tlxtest.{kind}{n}"] == expected[kind], (kind, texts[n])
    assert props["tlxtest.tempbase0"].rstrip("\\") == winpath(temp)
    # The option text holds 6000 characters at most.
    assert 1000 < len(props["tlxtest.long"]) < 6000 and set(props["tlxtest.long"]) == {"w"}
    assert [o for o in tlxtest_options(report) if o.startswith(("-Dtlxtest.before", "-Dtlxtest.quoted",
                                                                "-Dtlxtest.version"))] == \
        ["-Dtlxtest.before=1", "-Dtlxtest.quoted=1", "-Dtlxtest.version=11"]
    # "-classpath" and its path as two elements are two plain options, not a slot.
    assert "-classpath" in report.vmoptions and "C:\\two-elements.jar" in report.vmoptions
    assert "C:\\two-elements.jar" not in report.class_path()


def test_option_files_are_bounded_in_total_work_and_log_line_length(tmp_path):
    # Each file includes the next twice: 2^16 reads without a cap on the total.
    workdir, temp = tmp_path / "setup", tmp_path / "temp"
    setup = probe_setup(workdir, settings={166: "1"})
    depth = 16
    (workdir / "setup.vmoptions").write_text(
        "-Dtlxtest.long=" + "${launcher:sys.tempDir}" * 1200 + "\n-include-options chain0.vmoptions\n")
    for i in range(depth):
        (workdir / f"chain{i}.vmoptions").write_text(
            f"-Dtlxtest.chain{i}=1\n" + f"-include-options chain{i + 1}.vmoptions\n" * 2)
    (workdir / f"chain{depth}.vmoptions").write_text("-Dtlxtest.chainEnd=1\n")
    run, report = launch(setup, temp=temp, env={"TOLVANRIX_LOG": "yes"})
    # What was read before the cap stays: the first way down the chain.
    assert {f"-Dtlxtest.chain{i}=1" for i in range(depth)} | {"-Dtlxtest.chainEnd=1"} <= set(report.vmoptions)
    # The deletion run at the end logs in the same directory: every log counts.
    log = [line for path in launcher_logs(temp) for line in read_log(path).splitlines()]
    assert sum("-include-options: more than" in line for line in log) == 1
    # Every expansion step logs its text: each line is cut, and says so.
    assert max(len(line) for line in log) <= 6000 + len(" [...]")
    assert any(line.endswith(" [...]") for line in log)
