"""pytest set-up shared by the process-level tests."""
import os
import shutil
import subprocess
import sys
import time
import uuid
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))

from harness import BUILD_DIR, SOURCE_DIR  # noqa: E402


@pytest.fixture(scope="session")
def display():
    """An X display for dialogs: the one the test run provides, or a private Xvfb."""
    if os.environ.get("DISPLAY"):
        yield os.environ["DISPLAY"]
        return
    for n in range(130, 160):
        if Path(f"/tmp/.X11-unix/X{n}").exists() or Path(f"/tmp/.X{n}-lock").exists():
            continue
        proc = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        os.environ["DISPLAY"] = f":{n}"
        yield f":{n}"
        proc.terminate()
        return
    pytest.skip("no free X display number")


@pytest.fixture
def own_prefix(monkeypatch):
    """A fresh WINEPREFIX for this test alone (6 to 10 s), for effects global to a prefix."""
    path = BUILD_DIR / "wineprefix-own" / uuid.uuid4().hex[:8]
    monkeypatch.setenv("WINEPREFIX", str(path))
    subprocess.run([str(SOURCE_DIR / "scripts" / "wine-prefix-init.sh")], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    yield path
    # The prefix's wineserver ends by itself a few seconds after its last program.
    shutil.rmtree(path, ignore_errors=True)


@pytest.fixture
def private_prefix(tmp_path, monkeypatch):
    """A private copy of the prefix, for registry values with fixed names other tests write."""
    from harness import copy_prefix, stop_prefix
    path = Path(copy_prefix(tmp_path / "prefix")["WINEPREFIX"])
    monkeypatch.setenv("WINEPREFIX", str(path))
    yield path
    stop_prefix(path)


@pytest.fixture
def unmanaged_prefix(display, private_prefix):
    """Windows no window manager handles come to the front and take the focus as asked."""
    from harness import reg
    reg("add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f", check=True)
    return private_prefix


@pytest.fixture(scope="module")
def module_prefix(tmp_path_factory):
    """A private prefix for one module, whose runs must find no Java that other modules register."""
    from harness import copy_prefix, stop_prefix
    env = copy_prefix(tmp_path_factory.mktemp("prefix") / "wine")
    yield env
    stop_prefix(Path(env["WINEPREFIX"]))


@pytest.fixture(scope="module")
def in_module_prefix(display, module_prefix):
    with pytest.MonkeyPatch.context() as patch:
        patch.setenv("WINEPREFIX", module_prefix["WINEPREFIX"])
        yield module_prefix
