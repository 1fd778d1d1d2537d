#!/usr/bin/python3
"""Draws the graph of the program's #includes and checks its shape.

    /usr/bin/python3 tools/include_graph.py          # the folder graph and the verdict
    /usr/bin/python3 tools/include_graph.py --dot    # every unit, as Graphviz dot

A unit is a header with its source file (desktop/form.h + desktop/form.cpp). The folders stand
on floors, and arrows may only point to a lower floor:

    app                      the composition root and the command line
    card  panel  export      the windows and the ways the card gets out (never to each other)
    desktop                  the window runtime: windows, controls, menus, dialogs, the event loop
    os                       the system's services: files, settings, trace, COM, imaging, drawing,
                             printing, the clipboard; nothing of the window runtime
    picture                  plain picture code: only the standard library, no Windows header

and no unit may reach itself again through its includes. Exits 1 and names the offending
arrows when the graph breaks a rule.
"""

import re
import sys
from collections import defaultdict
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
FLOORS = [["app"], ["card", "panel", "export"], ["desktop"], ["os"], ["picture"]]  # top down
FOLDERS = [folder for floor in FLOORS for folder in floor]
FLOOR_OF = {folder: level for level, floor in enumerate(FLOORS) for folder in floor}
# Folders whose code is plain C++: of the <...> headers, only the standard library's (no ".h").
PLAIN = {"picture"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s+<([^>]+)>', re.M)


def unit_of(path):
    """'card/card_layout.h.in' and 'card/card_window.cpp' -> 'card/card_layout', 'card/card_window'."""
    text = str(path)
    for suffix in (".h.in", ".h", ".cpp"):
        if text.endswith(suffix):
            return text[: -len(suffix)]
    return text


def read_graph():
    edges = defaultdict(set)
    for folder in FOLDERS:
        for path in sorted((REPO / folder).glob("*")):
            if path.suffix not in (".h", ".cpp", ".in"):
                continue
            source = unit_of(path.relative_to(REPO))
            edges[source]  # a unit that includes nothing is still a unit
            for included in INCLUDE.findall(path.read_text(encoding="utf-8")):
                target = unit_of(included)
                if target.split("/")[0] in FOLDERS and target != source:
                    edges[source].add(target)
    return edges


def system_headers_in_plain_folders():
    """'picture/bmp.h -> <windows.h>' for each non-standard <...> include in a plain folder."""
    found = []
    for folder in sorted(PLAIN):
        for path in sorted((REPO / folder).glob("*")):
            if path.suffix not in (".h", ".cpp", ".in"):
                continue
            for header in SYSTEM_INCLUDE.findall(path.read_text(encoding="utf-8")):
                if "." in header:
                    found.append(f"{path.relative_to(REPO)} -> <{header}>")
    return found


def cycles(edges):
    """Strongly connected components with more than one unit (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for nxt in edges.get(node, ()):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return found


def main(argv):
    edges = read_graph()
    if "--dot" in argv:
        print("digraph includes {")
        for source in sorted(edges):
            for target in sorted(edges[source]):
                print(f'  "{source}" -> "{target}";')
        print("}")
        return 0

    folder_edges = defaultdict(set)
    wrong = []
    for source, targets in edges.items():
        for target in targets:
            a, b = source.split("/")[0], target.split("/")[0]
            if a != b:
                folder_edges[a].add(b)
                if FLOOR_OF[b] <= FLOOR_OF[a]:
                    wrong.append(f"{source} -> {target}")
    for level, floor in enumerate(FLOORS):
        for folder in floor:
            print(f"floor {level + 1}  {folder:8} -> {', '.join(sorted(folder_edges[folder])) or '(nothing)'}")

    loops = cycles(edges)
    wrong += [f"{arrow} (not the standard library)" for arrow in system_headers_in_plain_folders()]
    for arrow in sorted(wrong):
        print(f"not downward: {arrow}")
    for loop in loops:
        print(f"circle: {' <-> '.join(loop)}")
    print(f"{sum(len(t) for t in edges.values())} includes between {len(edges)} units: "
          + ("the arrows point down and close no circle" if not wrong and not loops else "BROKEN"))
    return 1 if wrong or loops else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
