#!/usr/bin/env python3
"""Checks the shape of the code that the layers and the size rules promise:

  - folders include only their own and lower folders (the order below, lowest first), and the
    programs without windows include no window code;
  - no function in src/ or tools/ is longer than 80 lines;
  - the main window's MainFrm.cpp stays at most 400 lines.

Functions are found the way clang-format lays them out here: a definition's body opens with a
"{" alone at the start of a line and ends with the next "}" alone at the start of a line.

Usage: check-structure.py [PROJECT_ROOT]
"""
import os
import re
import sys

ORDER = ["common", "meter", "record", "files", "graph", "print", "panel", "publish", "session",
         "common/ui", "meter/ui", "record/ui", "graph/ui", "print/ui", "panel/ui", "shell", "."]
NO_WINDOWS = ["tools/kst-log", "tools/meter-sim"]
MAX_FUNCTION = 80
MAX_MAIN_WINDOW = 400


def sources(root, folder):
    for path, _, names in os.walk(os.path.join(root, folder)):
        for name in sorted(names):
            if name.endswith((".h", ".cpp")):
                yield os.path.join(path, name)


def includes(path):
    with open(path, encoding="utf-8") as text:
        for number, line in enumerate(text, 1):
            match = re.match(r'\s*#include "([^"]+/[^"/]+)"', line)
            if match:
                yield number, os.path.dirname(match.group(1))


def check_layers(root):
    faults = []
    rank = {folder: i for i, folder in enumerate(ORDER)}
    for path in sources(root, "src"):
        folder = os.path.relpath(os.path.dirname(path), os.path.join(root, "src"))
        if folder not in rank:
            faults.append(f"{path}: folder {folder} has no place in the layer order")
            continue
        for number, included in includes(path):
            if rank.get(included, -1) > rank[folder]:
                faults.append(f"{path}:{number}: {folder} includes the higher folder {included}")
    for tool in NO_WINDOWS:
        for path in sources(root, tool):
            for number, included in includes(path):
                if included.endswith("/ui") or included == "shell":
                    faults.append(f"{path}:{number}: a program without windows includes {included}")
    return faults


def check_functions(root):
    faults = []
    for folder in ("src", "tools"):
        for path in sources(root, folder):
            if not path.endswith(".cpp"):
                continue
            with open(path, encoding="utf-8") as text:
                lines = text.read().split("\n")
            start = None
            for number, line in enumerate(lines, 1):
                if line == "{":
                    start = number
                elif line.startswith("}") and not line.startswith("} //") and start is not None:
                    if number - start - 1 > MAX_FUNCTION:
                        faults.append(f"{path}:{start - 1}: a function of {number - start - 1} "
                                      f"lines (at most {MAX_FUNCTION})")
                    start = None
    return faults


def check_main_window(root):
    path = os.path.join(root, "src/shell/MainFrm.cpp")
    with open(path, encoding="utf-8") as text:
        count = len(text.read().rstrip("\n").split("\n"))
    return [f"{path}: {count} lines (at most {MAX_MAIN_WINDOW})"] if count > MAX_MAIN_WINDOW else []


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    faults = check_layers(root) + check_functions(root) + check_main_window(root)
    for fault in faults:
        print(fault)
    print(f"{len(faults)} faults in the code's structure")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
