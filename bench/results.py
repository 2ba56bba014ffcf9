"""bench/RESULTS.md holds one section per benchmark, each starting with its
"# " title line; a benchmark rewrites its own section and keeps the others."""
from pathlib import Path

RESULTS = Path(__file__).resolve().parent / "RESULTS.md"


def write_section(lines: list) -> None:
    title = lines[0]
    old = RESULTS.read_text().split("\n") if RESULTS.exists() else []
    sections, current = [], None
    for line in old:
        if line.startswith("# "):
            current = [line]
            sections.append(current)
        elif current is not None:
            current.append(line)
    texts = ["\n".join(section).rstrip("\n") for section in sections if section[0] != title]
    texts.append("\n".join(lines).rstrip("\n"))
    RESULTS.write_text("\n\n".join(texts) + "\n")
