#!/usr/bin/env python3
"""Counts test cases over the JUnit files that GoogleTest and pytest wrote,
adds every CTest test that failed without reporting a failing case (a crash, a
time-out, a missing result file), and prints "N passed, N failed"."""
import sys
import xml.etree.ElementTree as ET
from pathlib import Path


def cases(path):
    root = ET.parse(path).getroot()
    for case in root.iter("testcase"):
        failed = any(child.tag in ("failure", "error") for child in case)
        skipped = any(child.tag == "skipped" for child in case) or case.get("result") == "skipped"
        yield case.get("classname", ""), case.get("name", ""), failed, skipped


def main(results_dir):
    results = Path(results_dir)
    passed = failed = skipped = 0
    failing_groups = set()
    for xml in sorted(results.glob("*.xml")):
        if xml.name == "ctest.xml":
            continue
        group_failed = False
        for classname, name, bad, skip in cases(xml):
            if skip:
                skipped += 1
            elif bad:
                failed += 1
                group_failed = True
                print(f"FAILED {xml.stem}: {classname}.{name}")
            else:
                passed += 1
        if group_failed:
            failing_groups.add(xml.stem)
    ctest = results / "ctest.xml"
    if ctest.exists():
        for name, bad, _ in ((n, b, s) for _, n, b, s in cases(ctest)):
            if bad and name not in failing_groups:
                failed += 1
                print(f"FAILED {name}: the test group failed without a failing case (crash, time-out or no results)")
    extra = f" ({skipped} skipped)" if skipped else ""
    print(f"{passed} passed, {failed} failed{extra}")
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "build/test-results"))
