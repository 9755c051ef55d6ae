#!/usr/bin/env python3
"""Checks the product's two structural rules (docs/ARCHITECTURE.md), from its #include lines:
no file includes a floor above its own, and no two files reach each other (a file can only call
what it includes, so a cycle of includes is the only way two files can call each other).
Prints each breach; exits 1 if there is one."""
import re
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
FLOORS = {"base": 0, "system": 1, "install": 2, "ui": 3, "shell": 4}
SHARED = {"resources/resource_ids.h"}   # the ids, which every floor may include


def unit(path):
    """A .cpp and its .h are one unit: "shell/runs"."""
    return str(path.relative_to(REPO).with_suffix(""))


def graph():
    edges = {}
    for folder in FLOORS:
        for path in sorted((REPO / folder).glob("*.[ch]*")):
            for included in re.findall(r'^#include "([^"]+)"', path.read_text(), re.M):
                if included in SHARED:
                    continue
                edges.setdefault(unit(path), set()).add(str(Path(included).with_suffix("")))
    for source in edges:
        edges[source].discard(source)
    return edges


def cycles(edges):
    """Every strongly connected group of more than one unit (Tarjan)."""
    index, low, stack, on_stack, found, counter = {}, {}, [], set(), [], [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for target in edges.get(node, ()):
            if target not in index:
                visit(target)
                low[node] = min(low[node], low[target])
            elif target in on_stack:
                low[node] = min(low[node], index[target])
        if low[node] == index[node]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == node:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return found


def main():
    edges = graph()
    breaches = [f"{source} includes {target}: a floor above its own"
                for source, targets in sorted(edges.items()) for target in sorted(targets)
                if FLOORS.get(target.split("/")[0], -1) > FLOORS[source.split("/")[0]]]
    breaches += ["these files reach each other: " + " ".join(group) for group in cycles(edges)]
    for breach in breaches:
        print(breach)
    print(f"{len(edges)} files, {sum(map(len, edges.values()))} includes: "
          + ("no floor points up, no two files reach each other" if not breaches else f"{len(breaches)} breaches"))
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
