#!/usr/bin/env python3
"""The include rule fails where it should: on a file in a folder without a row, on an include of a
folder without a row, and on an include against the table; it passes a tree that keeps the table.

Usage: include_rule_test.py SOURCE_DIR
"""
import pathlib
import shutil
import subprocess
import sys
import tempfile

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
rule = root / "tests" / "architecture" / "include_rule.py"

cases = [
    ("a tree that keeps the table", {"speech/a.cpp": '#include "core/b.h"\n'}, 0),
    ("a file in a folder without a row", {"elsewhere/a.cpp": '#include "core/b.h"\n'}, 1),
    ("an include of a folder without a row", {"speech/a.cpp": '#include "nowhere/b.h"\n'}, 1),
    ("an include against the table", {"core/a.cpp": '#include "speech/b.h"\n'}, 1),
]
failures = 0
for name, files, expected in cases:
    with tempfile.TemporaryDirectory() as tree:
        tree = pathlib.Path(tree)
        (tree / "docs").mkdir()
        shutil.copy(root / "docs" / "ARCHITECTURE.md", tree / "docs")
        for path, text in files.items():
            (tree / path).parent.mkdir(parents=True, exist_ok=True)
            (tree / path).write_text(text, encoding="utf-8")
        result = subprocess.run([sys.executable, str(rule), str(tree)], capture_output=True, text=True)
        if result.returncode != expected:
            failures += 1
            print(f"{name}: exit {result.returncode}, expected {expected}\n{result.stdout}")
print("the include rule fails where it should" if not failures else f"{failures} case(s) wrong")
sys.exit(1 if failures else 0)
