"""Language blocks chosen from the session's UI language, shown in a fatal box's caption (the
payload is cut inside a block stored after those under test)."""
import subprocess

import pytest

from harness import answer_box, build_setup, launcher_logs, read_log, run_setup

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
          ("de_AT", {1000: "Fehler (\u00d6sterreich)"})]


@pytest.fixture(scope="module")
def setup(tmp_path_factory):
    return build_setup(tmp_path_factory.mktemp("lang"), settings={107: "0", 2001: "i"},
                       messages={1000: "Error", 20012: "Cancel"}, languages=BLOCKS)


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
    # Blocks apply by prefix of the UI language, in stored order.
    ("de_AT.UTF-8", BLOCKS, "Fehler (\u00d6sterreich)"),
    ("de_DE.UTF-8", BLOCKS, "Fehler (de_DE)"),
    ("de_CH.UTF-8", BLOCKS, "Fehler (de)"),
    ("fr_FR.UTF-8", [("de", {1000: "Fehler"})], MAIN_CAPTION),
    # An empty code applies to every language.
    ("fr_FR.UTF-8", [("", {1000: "Erreur g\u00e9n\u00e9rale"}), ("de", {1000: "Fehler"})], "Erreur g\u00e9n\u00e9rale"),
    # A language-only block stored after the country block wins.
    ("de_AT.UTF-8", [("de_AT", {1000: "Fehler (de_AT)"}), ("de", {1000: "Fehler (de)"})], "Fehler (de)"),
])
def test_the_applied_messages_are_the_ones_shown(tmp_path, display, locale, blocks, caption):
    cut = cut_in_a_last_block(tmp_path / "b", blocks)
    temp = tmp_path / "temp"
    text, run = answer_box(run_setup(cut, temp=temp, env=session(locale), wait=False), caption, cut, timeout=30)
    assert text.startswith("Internal Error: readWString") and run.code == 1, text
    assert f"language/country is {locale[:5]}\n" in read_log(launcher_logs(temp)[0])
