"""Language blocks chosen by the real launcher under wine64 from the Wine
session's UI language (LANG of the wine process), and the regional-format
switch on the command line. The applied messages show in the caption of a
fatal error's message box: the payload is cut inside a block stored after
the blocks under test."""
import re
import subprocess

import pytest

from harness import build_setup, close_windows_of, finish, launcher_logs, press, read_log, run_setup, wait_dialog

LOCALES = ("de_AT.UTF-8", "de_DE.UTF-8", "de_CH.UTF-8", "fr_FR.UTF-8")


def session(locale: str) -> dict:
    return {"LANG": locale, "LC_ALL": None, "LC_MESSAGES": None, "TOLVANRIX_LOG": "yes"}


@pytest.fixture(scope="module", autouse=True)
def locales_generated():
    have = subprocess.run(["locale", "-a"], stdout=subprocess.PIPE, text=True).stdout.lower().split()
    missing = [name for name in LOCALES if name.lower().replace("utf-8", "utf8") not in have]
    assert not missing, f"Wine needs these locales generated (scripts/install-deps.sh): {missing}"


BLOCKS = [("de", {1000: "Fehler (de)", 20012: "Abbrechen"}),
          ("de_DE", {1000: "Fehler (de_DE)"}),
          ("fr", {1000: "Erreur"}),
          ("de_AT", {1000: "Fehler (de_AT)"}),
          ("", {20013: "for everyone"})]


@pytest.fixture(scope="module")
def setup(tmp_path_factory):
    return build_setup(tmp_path_factory.mktemp("lang"), settings={107: "0", 2001: "i"},
                       messages={1000: "Error", 20012: "Cancel"}, languages=BLOCKS)


def applied_blocks(log: str) -> list:
    """(code, applied) of every language block, in the order read."""
    return [(m.group(1), m.group(2) == "applied")
            for m in re.finditer(r"^language block (.*): \d+ entries, (applied|skipped)$", log, re.M)]


@pytest.mark.parametrize("locale, code, applied", [
    ("de_AT.UTF-8", "de_AT", ["de", "de_AT"]),
    ("de_DE.UTF-8", "de_DE", ["de", "de_DE"]),
    ("de_CH.UTF-8", "de_CH", ["de"]),
    ("fr_FR.UTF-8", "fr_FR", ["fr"]),
])
def test_blocks_apply_by_prefix_of_the_ui_language(setup, tmp_path, locale, code, applied):
    temp = tmp_path / "temp"
    run = run_setup(setup, "-q", temp=temp, env=session(locale))
    assert not run.timed_out and not run.crashed, run.stderr
    [log] = launcher_logs(temp)
    text = read_log(log)
    assert f"language/country is {code}\n" in text
    blocks = applied_blocks(text)
    # Every block is read, in stored order; the empty code applies everywhere.
    assert [name for name, _ in blocks] == ["de", "de_DE", "fr", "de_AT", ""], blocks
    assert [name for name, on in blocks if on] == [*applied, ""]


def test_format_locale_switch_is_read_from_the_command_line(setup, tmp_path):
    temp = tmp_path / "temp"
    run_setup(setup, "-q", "-Dsun.locale.formatasdefault=true", temp=temp, env=session("de_AT.UTF-8"))
    text = read_log(launcher_logs(temp)[0])
    assert "sun.locale.formatasdefault is true\n" in text
    # Wine derives the format locale from the same setting as the UI language.
    assert "language/country is de_AT\n" in text
    temp = tmp_path / "temp2"
    run_setup(setup, "-q", "-Dsun.locale.formatasdefault=true", "-Dsun.locale.formatasdefault=no", temp=temp,
              env=session("de_AT.UTF-8"))
    assert "sun.locale.formatasdefault is false\n" in read_log(launcher_logs(temp)[0])


MAIN_CAPTION = "Error (main table)"


def cut_in_a_last_block(workdir, blocks):
    """A launcher kind 1 setup whose last language block is cut off."""
    setup = build_setup(workdir, settings={107: "1", 2001: "i"}, messages={1000: MAIN_CAPTION},
                        languages=[*blocks, ("", {20012: "cut in here"})])
    data = setup.read_bytes()
    cut = workdir / "cut.exe"
    cut.write_bytes(data[:len(data) - 6])
    return cut


@pytest.mark.parametrize("locale, blocks, caption", [
    ("de_AT.UTF-8", BLOCKS[:4], "Fehler (de_AT)"),
    ("de_DE.UTF-8", BLOCKS[:4], "Fehler (de_DE)"),
    ("de_CH.UTF-8", BLOCKS[:4], "Fehler (de)"),
    ("fr_FR.UTF-8", [("de", {1000: "Fehler"})], MAIN_CAPTION),
    # A language-only block stored after the country block wins.
    ("de_AT.UTF-8", [("de_AT", {1000: "Fehler (de_AT)"}), ("de", {1000: "Fehler (de)"})], "Fehler (de)"),
])
def test_the_applied_messages_are_the_ones_shown(tmp_path, display, locale, blocks, caption):
    cut = cut_in_a_last_block(tmp_path / "b", blocks)
    proc, out, err = run_setup(cut, temp=tmp_path / "temp", env=session(locale), wait=False)
    try:
        box = wait_dialog(caption, timeout=30)
        assert box is not None, f"no message box captioned {caption!r}"
        assert box["text"].startswith("Internal Error: readWString")
        press(caption, "OK")
    finally:
        run = finish(proc, out, err, timeout=30)
        if run.timed_out:
            close_windows_of(cut)
    assert run.code == 1
