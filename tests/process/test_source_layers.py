"""The shape of the sources: every C++ file in the house format; in the product no include circle and
no header-only reach above the base. A call upwards already fails to link; these two link fine."""
import os
import re
import subprocess
from pathlib import Path

ROOT = Path(os.environ["TLX_SOURCE_DIR"])
PRODUCT = ["launcher", "payload", "jre", "jvm", "coordination", "natives", "deferred_delete", "builder"]
INCLUDE = re.compile(r'^#include "([^"]+)"', re.M)


def includes(path):
    return [inc for inc in INCLUDE.findall(path.read_text(encoding="utf-8")) if (ROOT / inc).exists()]


def sources():
    return sorted(p.relative_to(ROOT).as_posix() for d in PRODUCT for p in (ROOT / d).rglob("*")
                  if p.suffix in (".cpp", ".h"))


def module_graph():
    """A node stands for a header, the source of its name and every source including it first (the
    house rule for a source without a header); a module depends on what it or its sources include."""
    files = sources()
    direct = {f: includes(ROOT / f) for f in files}
    graph = {f: set(direct[f]) for f in files if f.endswith(".h")}
    for f in files:
        if f.endswith(".cpp"):
            for header in {f[:-4] + ".h"} | set(direct[f][:1]):
                if header in graph:
                    graph[header] |= set(direct[f])
    return {h: {d for d in deps if d != h and d in graph} for h, deps in graph.items()}


def circle(graph):
    """One include circle as the list of modules on it, or None."""
    state = {}

    def visit(node, path):
        state[node] = "open"
        for dep in sorted(graph[node]):
            if state.get(dep) == "open":
                return path[path.index(dep):] + [dep]
            if dep not in state:
                found = visit(dep, path + [dep])
                if found:
                    return found
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node, [node])
            if found:
                return found
    return None


def test_no_module_depends_on_itself_through_others():
    assert circle(module_graph()) is None


def test_base_and_natives_include_nothing_above_the_base():
    allowed = {"launcher/base/": ("launcher/base/",), "natives/": ("launcher/base/", "natives/")}
    reaching = []
    for f in sources():
        for area, ok in allowed.items():
            if f.startswith(area):
                reaching += [f"{f} -> {inc}" for inc in includes(ROOT / f) if not inc.startswith(ok)]
    assert reaching == []


def test_configuration_keys_and_messages_are_named():
    """A bare number outside config_keys.h and message_ids.h drifts from the named one."""
    call = re.compile(r"\b(?:getConfig|getMessage|formatMessage|failMessage|showMessage|hasMessageEntry)\w*\(\s*\d+")
    bare = [f"{f}: {m.group(0)}" for f in sources() for m in call.finditer((ROOT / f).read_text(encoding="utf-8"))]
    assert bare == []


def test_every_cpp_file_is_in_the_house_format():
    run = subprocess.run([ROOT / "scripts/format.sh", "--check"], capture_output=True, text=True)
    assert run.returncode == 0, (run.stdout + run.stderr)[-3000:] + "\nscripts/format.sh formats the tree."
