#!/usr/bin/env python3
"""Fails on an #include "folder/..." edge that docs/ARCHITECTURE.md does not allow.

The page's table "Which folder may include which" lists, for each source folder, the folders its
files may include besides its own. Every .h and .cpp of the tree is read (build folders aside): a
file in a folder without a row, an include of a folder without a row, and an include of a folder
the table does not list for the file's own are each reported with the file and line.

Usage: include_rule.py SOURCE_DIR
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
page = (root / "docs" / "ARCHITECTURE.md").read_text(encoding="utf-8")

# The table: | `folder` | `a`, `b` |  (a dash for none).
table = page.split("## Which folder may include which", 1)
if len(table) != 2:
    sys.exit("docs/ARCHITECTURE.md has no table of allowed includes")
allowed = {}
for line in table[1].splitlines():
    cells = [c.strip() for c in line.strip().strip("|").split("|")] if line.startswith("|") else []
    if len(cells) != 2 or not cells[0].startswith("`"):
        if allowed and not line.startswith("|"):
            break
        continue
    allowed[cells[0].strip("`")] = set(re.findall(r"`([^`]+)`", cells[1]))
if not allowed:
    sys.exit("the table of allowed includes is empty")

# The most specific folder a path lies in (speech/platform before speech).
def folder_of(path):
    best = None
    for folder in allowed:
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(best):
                best = folder
    return best

# Every source file of the tree, outside build folders and hidden ones.
def sources():
    for source in sorted(root.rglob("*")):
        rel = source.relative_to(root)
        if source.suffix not in (".h", ".cpp") or not source.is_file():
            continue
        if any(part.startswith((".", "build")) for part in rel.parts[:-1]):
            continue
        yield source, rel.as_posix()

include = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
faults = []
for source, rel in sources():
    home = folder_of(rel)
    if home is None:
        faults.append(f"{rel}: its folder has no row in the table")
        continue
    for number, text in enumerate(source.read_text(encoding="utf-8").splitlines(), 1):
        m = include.match(text)
        if not m or "/" not in m.group(1):
            continue
        target = folder_of(m.group(1))
        if target is None:
            faults.append(f"{rel}:{number}: {m.group(1)} is in a folder without a row in the table")
        elif target != home and target not in allowed[home]:
            faults.append(f"{rel}:{number}: {home} may not include {m.group(1)} ({target})")

for fault in faults:
    print(fault)
print(f"{len(faults)} fault(s) against the table" if faults else "every include follows the allowed edges")
sys.exit(1 if faults else 0)
