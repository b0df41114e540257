#!/usr/bin/env python3
"""Simple faults for scripts/mutation-check.sh: lists them for the product sources under some
folders, and seeds one into its file.

  mutants.py list SEED MAX PATH...   one mutant a line: file, line, column, old text, new text and
                                     kind, apart by the character 0x1f (a text may be empty)
  mutants.py apply FILE LINE COLUMN OLD NEW

A mutant is one small change a slip of the pen makes: a comparison flipped or made inclusive,
== and != swapped, && and || swapped, a whole-number constant changed by one, a statement
dropped, the two arguments of a call swapped. Comments, string and character literals and
preprocessor lines are never touched. Binary operators are found with the spaces clang-format
puts around them, which keeps template brackets out.
"""
import os
import random
import re
import sys

SOURCE_EXTENSIONS = (".cpp",)


def masked(text):
    """The text with comments and string/character literals blanked (newlines kept)."""
    out = list(text)
    i, n = 0, len(text)

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not text[i - 1].isalnum() or text[i - 1] in "uUL8"):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                i += 1
                continue
            end = text.find(")" + m.group(1) + '"', i)
            j = n if end < 0 else end + len(m.group(1)) + 2
            blank(i, j)
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            j = min(n, j + 1)
            blank(i, j)
            i = j
        else:
            i += 1
    return "".join(out)


DECLARATION_START = re.compile(
    r"^\s*(return|const|constexpr|static|auto|int|bool|double|float|char|void|unsigned|long|std::|Q[A-Z]\w*\s|"
    r"case|default|if|else|for|while|switch|do|break|continue|using|namespace|template|typename|class|struct|enum)\b"
)
STATEMENT = re.compile(r"^\s*[A-Za-z_][\w:]*(\s*(\.|->)\s*\w+|\[[^\]]*\])*\s*(\(|=[^=]|\+=|-=|\+\+|--)")
CALL_OF_TWO = re.compile(r"\b\w+\(([A-Za-z_][\w.:]*|-?\d+), ([A-Za-z_][\w.:]*|-?\d+)\)")
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.'])")
# Pixels, colours, fonts and sizes of drawing and layout, and what only a window manager sees
# (raising, activating): no test judges a picture to the pixel, so faults there would only be
# counted as survivors.
COSMETIC = re.compile(
    r"QRect|QPoint|QSize|QFont|QColor|QPen|QBrush|QMargins|qRgb|0x[0-9A-Fa-f]|setGeometry|resize\(|move\(|"
    r"draw\w*\(|fill\w*\(|setPen|setBrush|setPixelSize|setPointSize|setFixed\w*|setMinimum\w*|"
    r"setMaximum\w*|setColumnWidth|setRowHeight|Spacing|setContentsMargins|setStretch|translate\(|scale\(|"
    r"adjusted\(|setAlignment|setFrame|setWidth|setHeight|setPalette|setBold|setItalic|setStyleSheet|"
    r"setToolTip|\bsave\(\)|\brestore\(\)|addWidget|addLayout|kMincho|kGothic|"
    r"setFont|gothic\(|mincho\(|boldFont|setColor|setAutoFillBackground|setBackground|setForeground|"
    r"paintEvent|activateWindow|raise\(|setSelectionMode|setWindowFlag|Px\b|moveTo\(|lineTo\(|quadTo\(|cubicTo\(|arcTo\(")
COMPARISONS = {" < ": [" <= ", " >= "], " <= ": [" < ", " > "], " > ": [" >= ", " <= "],
               " >= ": [" > ", " < "], " == ": [" != "], " != ": [" == "]}
LOGIC = {" && ": " || ", " || ": " && "}


def mutants_of(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    lines = text.split("\n")
    mlines = masked(text).split("\n")
    found = []
    previous_end = ";"
    for ln, (line, m) in enumerate(zip(lines, mlines), start=1):
        stripped = m.strip()
        if not stripped or stripped.startswith("#"):
            continue
        if COSMETIC.search(m):
            previous_end = stripped[-1]
            continue
        for op, news in COMPARISONS.items():
            for hit in re.finditer(re.escape(op), m):
                for new in news:
                    found.append((path, ln, hit.start(), op, new, "comparison"))
        for op, new in LOGIC.items():
            for hit in re.finditer(re.escape(op), m):
                found.append((path, ln, hit.start(), op, new, "logic"))
        if not re.match(r"^\s*(case\b|static_assert|enum\b)", m) and "[" not in m.split("=")[0]:
            for hit in NUMBER.finditer(m):
                value = int(hit.group(1))
                new = str(value + 1) if value in (0, 1) or (ln + hit.start()) % 2 else str(value - 1)
                found.append((path, ln, hit.start(), hit.group(1), new, "constant"))
        for hit in CALL_OF_TWO.finditer(m):
            a, b = hit.group(1), hit.group(2)
            if a != b:
                start = hit.start(1)
                old = line[start:hit.end(2)]
                found.append((path, ln, start, old, b + ", " + a, "arguments"))
        balanced = m.count("(") == m.count(")")
        if (stripped.endswith(";") and balanced and previous_end in ";{}:" and STATEMENT.match(m)
                and not DECLARATION_START.match(m)):
            indent = len(line) - len(line.lstrip())
            found.append((path, ln, indent, line[indent:], "", "statement dropped"))
        previous_end = stripped[-1]
    return found


def list_mutants(seed, maximum, paths):
    """MAXIMUM mutants shared evenly among PATHS (each path's share drawn at random with SEED), so
    that a small folder is not drowned by a big one; 0 takes them all."""
    share = -(-maximum // len(paths)) if maximum > 0 else 0
    chosen = []
    for p in paths:
        files = [p] if os.path.isfile(p) else []
        for root, _, names in os.walk(p):
            files += [os.path.join(root, n) for n in names if n.endswith(SOURCE_EXTENSIONS)]
        found = []
        for f in sorted(files):
            found += mutants_of(f)
        random.Random(seed).shuffle(found)
        chosen += found[:share] if share > 0 else found
    if maximum > 0:
        chosen = chosen[:maximum]
    for path, ln, col, old, new, kind in chosen:
        print("\x1f".join([path, str(ln), str(col), old, new, kind]))
    print(f"{len(chosen)} mutants", file=sys.stderr)


def apply(path, ln, col, old, new):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    line = lines[ln - 1]
    if line[col:col + len(old)] != old:
        sys.exit(f"{path}:{ln}: '{old}' is not at column {col}")
    lines[ln - 1] = line[:col] + new + line[col + len(old):]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    if len(sys.argv) >= 4 and sys.argv[1] == "list":
        list_mutants(int(sys.argv[2]), int(sys.argv[3]), sys.argv[4:])
    elif len(sys.argv) == 7 and sys.argv[1] == "apply":
        apply(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5], sys.argv[6])
    else:
        sys.exit(__doc__)
