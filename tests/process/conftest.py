"""pytest set-up shared by the process-level tests."""
import os
import subprocess
import sys
import time
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))


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
