#!/usr/bin/env python3
"""Checks what docs/ARCHITECTURE.md says of the product's structure, from the sources:
- no file includes a floor above its own, and the includes form no loop (a file can only call
  what it includes, so a loop of includes is the only way two files can call each other);
- each part of the program-wide state, and a button's colour and label, is written only by the
  files the document's table names;
- the message queue is drained only where the document's table says;
- each thing kept between runs is written and taken away where the document's table says: every
  file the table names for it uses the names it lists;
- every file of the product has its room in README's layout table;
- every mistake tools/faults.txt lists can still be made in the sources as they are.
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


ARCHITECTURE = (REPO / "docs" / "ARCHITECTURE.md").read_text()
PRODUCT = [path for folder in FLOORS for path in sorted((REPO / folder).glob("*.[ch]*"))]


def code(path):
    """A source without its comments and texts."""
    text = re.sub(r"//[^\n]*", "", path.read_text())
    return re.sub(r'"(?:\\.|[^"\\\n])*"', '""', text)


def table(heading):
    """The rows of the document's table under the line that begins with `heading`: its cells."""
    at = ARCHITECTURE.index(heading)
    rows = []
    for line in ARCHITECTURE[at:].splitlines()[1:]:
        if rows and not line.startswith("|"):
            break
        if line.startswith("|") and not line.startswith("|---"):
            rows.append([cell.strip() for cell in line.strip("|").split("|")])
    return rows


def files_in(cell):
    return set(re.findall(r"`((?:base|shell|ui|install|system)/[\w.]+)`", cell))


def writers():
    """Who writes what the state table lists, against what the sources do."""
    breaches = []
    rows = table("| part of the state |")
    for first, cell in rows:
        part = re.search(r"`Setup\.(\w+)`", first)
        allowed = files_in(cell)
        pattern = (re.compile(rf"Setup\.{part.group(1)}\.\w+(?:\[[^]]*\])?\s*(?:=[^=]|\+\+|--)") if part
                   else re.compile(r"(?:buttons\[[^]]*\]|Button\([^)]*\)|\*start\.button)(?:\.colour|\.label)?\s*=[^=]"))
        for path in PRODUCT:
            name = str(path.relative_to(REPO))
            if name not in allowed and pattern.search(code(path)):
                breaches.append(f"{name} writes {part.group(0) if part else 'a button'}: not among its writers")
    return breaches


def pumps():
    allowed = set().union(*(files_in(cell) for _, cell in table("| drains the queue |")))
    drains = re.compile(r"\b(?:PeekMessage|GetMessage|MsgWaitForMultipleObjects\w*|DispatchMessage)[AW]?\s*\(")
    return [f"{path.relative_to(REPO)} drains the message queue: not where the document says"
            for path in PRODUCT if str(path.relative_to(REPO)) not in allowed and drains.search(code(path))]


def persistence():
    breaches = []
    for what, written, removed in table("| kept between runs |"):
        names = re.findall(r"`(\w+)`", what)
        for name in names:
            for source in files_in(written) | files_in(removed):
                text = (REPO / source).read_text()
                if not re.search(rf"\b{name}\b", text) and not any(
                        re.search(rf"\b{other}\b", text) for other in names if other != name):
                    breaches.append(f"{source} is said to keep or take away {name}, and names nothing of it")
    return breaches


def layout_table():
    """Every file of the product has its room named in README's layout table, in its folder's row."""
    readme = (REPO / "README.md").read_text()
    breaches = []
    for folder in FLOORS:
        row = re.search(rf"^\| `{folder}/` \|(.*)\|$", readme, re.M)
        for path in sorted((REPO / folder).glob("*.[ch]*")):
            stem, name = path.stem, path.name
            if not row or not re.search(rf"`({re.escape(name)}|{re.escape(stem)})`", row.group(1)):
                breaches.append(f"{folder}/{name} has no room in README's layout table")
    return sorted(set(breaches))


def fault_list():
    """Every mistake tools/faults.txt lists can still be made: its text is found once in its file."""
    import importlib.util
    found = importlib.util.spec_from_file_location("fault_check", REPO / "tools" / "fault-check.py")
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    breaches = []
    for fault in module.read_faults(REPO / "tools" / "faults.txt"):
        path = REPO / fault["file"]
        found = path.read_text().count(fault["before"]) if path.exists() else 0
        if found != 1:
            breaches.append(f"tools/faults.txt: {fault['id']} finds its text {found} times in {fault['file']}")
    return breaches


def main():
    edges = graph()
    breaches = [f"{source} includes {target}: a floor above its own"
                for source, targets in sorted(edges.items()) for target in sorted(targets)
                if FLOORS.get(target.split("/")[0], -1) > FLOORS[source.split("/")[0]]]
    breaches += ["these files reach each other: " + " ".join(group) for group in cycles(edges)]
    breaches += writers() + pumps() + persistence() + layout_table() + fault_list()
    for breach in breaches:
        print(breach)
    print(f"{len(edges)} files, {sum(map(len, edges.values()))} includes: "
          + ("no floor points up, no loop, the state, the pumps and what is kept where the document says"
             if not breaches else f"{len(breaches)} breaches"))
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
