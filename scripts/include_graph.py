#!/usr/bin/env python3
"""Draws which folder of the program includes which, and fails on a cycle.

A unit is a header with its source file; a unit including another, directly
or through others, that includes it again is a cycle. Prints the folders'
graph, then each cycle found; exits 1 when there is one.

    scripts/include_graph.py [repository]
"""

import pathlib
import re
import sys

FOLDERS = ["programs", "tray", "editor", "removal", "common", "platform"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def units(root):
    """Each unit (a path without its extension) and the units it includes."""
    graph = {}
    for folder in FOLDERS:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            unit = path.relative_to(root).with_suffix("")
            graph.setdefault(unit, set())
            for name in INCLUDE.findall(path.read_text(encoding="utf-8")):
                for found in (path.parent / name, root / name):
                    if found.is_file():
                        target = found.resolve().relative_to(root).with_suffix("")
                        if target != unit:
                            graph[unit].add(target)
                        break
    return graph


def cycles(graph):
    """The cycles a depth-first walk meets, each as the units around it."""
    found, state, stack = [], {}, []

    def walk(unit):
        state[unit] = "open"
        stack.append(unit)
        for target in sorted(graph.get(unit, ())):
            if state.get(target) == "open":
                found.append(stack[stack.index(target):] + [target])
            elif target not in state:
                walk(target)
        stack.pop()
        state[unit] = "done"

    for unit in sorted(graph):
        if unit not in state:
            walk(unit)
    return found


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    graph = units(root)
    folders = {}
    for unit, targets in graph.items():
        for target in targets:
            if target.parent != unit.parent:
                folders.setdefault(str(unit.parent), set()).add(str(target.parent))
    for folder in sorted(folders):
        print(f"{folder} -> {', '.join(sorted(folders[folder]))}")
    found = cycles(graph)
    for cycle in found:
        print("cycle: " + " -> ".join(str(unit) for unit in cycle))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
