#!/usr/bin/env python3
"""No circles among the source files: a file (its header and source taken
together) that includes another never comes back to itself through the
includes of the others, so that each folder can be read, built and moved
from the bottom up.

Usage: include_circles_test.py SOURCE_ROOT
"""
import os
import re
import sys

FOLDERS = ("foundation", "regexp", "search", "ui", "app")
INCLUDE = re.compile(r'\s*#\s*include\s+"([^"]+)\.h"')


def read_units(root):
    """Each unit (folder/name without extension) and the units it includes."""
    units = {}
    for folder in FOLDERS:
        base = os.path.join(root, folder)
        if not os.path.isdir(base):
            continue
        for current, _, files in os.walk(base):
            for name in files:
                stem, extension = os.path.splitext(name)
                if extension not in (".h", ".cpp"):
                    continue
                unit = os.path.relpath(os.path.join(current, stem), root).replace(os.sep, "/")
                included = units.setdefault(unit, set())
                with open(os.path.join(current, name), encoding="utf-8", errors="replace") as text:
                    for line in text:
                        match = INCLUDE.match(line)
                        if match and match.group(1) != unit:
                            included.add(match.group(1))
    return units


def circles(units):
    """The strongly connected groups of more than one unit (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(unit):
        index[unit] = low[unit] = counter[0]
        counter[0] += 1
        stack.append(unit)
        on_stack.add(unit)
        for other in sorted(units[unit]):
            if other not in units:
                continue
            if other not in index:
                visit(other)
                low[unit] = min(low[unit], low[other])
            elif other in on_stack:
                low[unit] = min(low[unit], index[other])
        if low[unit] == index[unit]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == unit:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    sys.setrecursionlimit(10000)
    for unit in sorted(units):
        if unit not in index:
            visit(unit)
    return found


def main():
    units = read_units(sys.argv[1])
    groups = circles(units)
    for group in groups:
        members = set(group)
        print("circle:", ", ".join(group))
        for unit in group:
            back = sorted(units[unit] & members)
            print("   ", unit, "->", ", ".join(back))
    if groups:
        return 1
    print(f"{len(units)} files, no circles")
    return 0


if __name__ == "__main__":
    sys.exit(main())
