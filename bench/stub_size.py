#!/usr/bin/env python3
"""Size of the launcher stubs (the built x86 and x64 launcher.exe), with
their largest sections, written to bench/RESULTS.md. The x86 stub must stay
under 256 KiB with every native in it.

    python3 bench/stub_size.py [--build BUILD_DIR]
"""
import argparse
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from results import ROOT, replace_section  # noqa: E402

BUDGET = 256 * 1024
# The stubs before the size work (commit 0997193), built the same way.
BEFORE = {"x86": 476160, "x64": 418304}


def sections(path: Path) -> list:
    """(name, raw size) of each section, from the PE headers."""
    data = path.read_bytes()
    header = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional = struct.unpack_from("<H", data, header + 6)[0], struct.unpack_from("<H", data, header + 20)[0]
    table = header + 24 + optional
    found = []
    for i in range(count):
        name, raw = struct.unpack_from("<8s8xI", data, table + 40 * i)
        found.append((name.rstrip(b"\0").decode(), raw))
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(ROOT / "build"))
    options = parser.parse_args()
    lines = ["| stub | bytes | KiB | before (bytes) | sections (raw bytes) |", "|---|---|---|---|---|"]
    for arch in ("x86", "x64"):
        path = Path(options.build) / arch / "launcher.exe"
        size = path.stat().st_size
        parts = ", ".join(f"{name} {raw}" for name, raw in sorted(sections(path), key=lambda s: -s[1]) if raw)
        lines.append(f"| {arch} | {size} | {size / 1024:.1f} | {BEFORE[arch]} | {parts} |")
    x86 = (Path(options.build) / "x86" / "launcher.exe").stat().st_size
    lines += ["", f"Budget for the x86 stub with every native: {BUDGET // 1024} KiB; "
              f"{(BUDGET - x86) / 1024:.1f} KiB left."]
    replace_section("Stub size", "cmake --build build -j2 && python3 bench/stub_size.py", lines)
    print("\n".join(lines))


if __name__ == "__main__":
    main()
