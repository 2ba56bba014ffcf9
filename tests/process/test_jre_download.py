"""A setup file without a runtime downloads one from a loopback server through Wine's WinINet;
scripted answers take one start through several failed attempts."""
import hashlib

import pytest

from loopback_http import NO_PROXY, clear_prefix_proxy, serve
from harness import PROBE_MESSAGES, jdk_archive, probe_report, probe_setup
from setup_cases import log_text, run_launcher, temp_switch

DOWNLOAD_MESSAGES = {**PROBE_MESSAGES, 20002: "The internet library could not be loaded.",
                     20003: "The Java runtime could not be downloaded."}


@pytest.fixture(scope="module", autouse=True)
def private_prefix(in_module_prefix):
    clear_prefix_proxy(in_module_prefix)


@pytest.fixture
def server():
    with serve() as served:
        yield served


def download_start(tmp_path, address, settings=None):
    setup = probe_setup(tmp_path / "setup", settings={128: "", 150: address, 157: "1", **(settings or {})},
                        messages=DOWNLOAD_MESSAGES)
    temp = tmp_path / "temp"
    run = run_launcher(setup, "-q", *temp_switch(temp), env=NO_PROXY, timeout=300)
    return run, log_text(temp)


def test_redirected_download_runs_after_a_digest_that_differs_and_answers_without_length(tmp_path, server):
    """The first body is not the pinned one; the second attempt gives up after twenty length requests."""
    address, handler = server
    archive = jdk_archive().read_bytes()
    wrong = b"not the archive you pinned"
    handler.scripts.update({"latest": [("redirect", "/jre-11.tar.gz")],
                            "jre-11.tar.gz": [("body", wrong)] + [("nolength", b"x" * 100)] * 20 + [("body", archive)]})
    pinned = hashlib.sha256(archive).hexdigest()
    run, log = download_start(tmp_path, address + "/latest", {170: pinned.upper()})
    assert run.code == 0, run.stdout + run.stderr
    assert "No JRE found. Trying to download." in run.stdout and probe_report(run.stdout).done, run.stdout
    assert "download successful" in log and "untaring JRE was successful" in log
    assert "Loading of JVM-DLL successful" in log
    assert handler.requests == {"latest": 22, "jre-11.tar.gz": 22}
    assert f"SHA-256 of the download is {hashlib.sha256(wrong).hexdigest()}, expected {pinned.upper()}" in log
    assert "HttpQueryInfo (try 20) failed" in log and "Giving up" in log
    assert log.count("Retry JRE download") == 2


# Each row: three answers, each a failed attempt, and what the log says of
# each. A server that hangs is given up by the launcher's stall rule (no byte
# for 30 seconds, less than 32 KiB in a minute), so the quiet start ends.
@pytest.mark.parametrize("answers, logged", [
    ([("status", 404), ("body", b""), ("early", b"y" * 100, 1000)],
     ["the server answered with status 404", "the server sent an empty file",
      "the download ended after 100 of 1000 bytes"]),
    ([("silent",), ("stall", b"s" * 100, 1000000), ("trickle", 1000000)],
     ["no data for 30 seconds", "no data for 30 seconds", "less than 32768 bytes in 60 seconds"]),
], ids=["refused", "stalled"])
def test_three_failed_attempts_end_with_message_20003(tmp_path, server, answers, logged):
    address, handler = server
    handler.scripts["jre.tar.gz"] = answers
    run, log = download_start(tmp_path, address + "/jre.tar.gz")
    assert run.code == 1, run.stdout + run.stderr
    assert "The Java runtime could not be downloaded." in run.stderr
    assert handler.requests["jre.tar.gz"] == 3
    errors = [line[len("ERROR: "):] for line in log.splitlines() if line.startswith("ERROR: ")]
    assert [line for line in errors if line in logged] == logged, errors
    assert log.count("Retry JRE download") == 3
    assert "download successful" not in log and "untaring" not in log
    assert not list((tmp_path / "temp").rglob("jre.tar.gz*")), "an attempt left its file"
