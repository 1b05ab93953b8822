#!/usr/bin/env python3
"""The layer check: reads the #include "..." lines of every source and fails when

  - a file of a layer includes a header of a layer it does not build on (a higher layer, a
    sibling, or a folder outside the layers such as tools/ or tests/), or
  - two files include each other: a file's unit is its header with the .cpp files of the same
    name (pfLock.h, pfLock.cpp, pfLockWin32.cpp, pfLockStd.cpp), and no chain of includes may
    lead from a unit back to itself.

The layers are declared once, below, bottom to top. Folders that are not layers (tools/,
tests/, bench/, resources/) are outside: they may include any layer, no layer may include them.

  cmake/check-layers.py [SOURCE_DIR]     check the tree (default: the folder above this script)
  cmake/check-layers.py --self-test      check that the check finds planted violations
"""

import os
import re
import sys
import tempfile

# Bottom to top: each layer with the layers it builds on directly (these must come earlier in
# the list); what those build on is allowed too.
LAYERS = [
    ("base", []),
    ("engine", ["base"]),
    ("params", ["base"]),
    ("ui", ["params"]),
    ("host", ["ui", "engine"]),
    ("effect", ["host"]),
    ("plugin", ["effect"]),
]

SOURCE_SUFFIXES = (".h", ".hpp", ".inl", ".c", ".cc", ".cpp", ".rc")
# Platform variants of one unit: pfLockWin32.cpp and pfLockStd.cpp belong to pfLock.h.
PLATFORM_SUFFIXES = ("Win32", "Std", "Posix", "Portable", "Linked", "None")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def allowed_layers():
    """Layer -> set of layers its files may include (itself and everything below it)."""
    allowed = {}
    for name, uses in LAYERS:
        if name in allowed:
            sys.exit(f"check-layers: layer {name} declared twice")
        reach = {name}
        for used in uses:
            if used not in allowed:
                sys.exit(f"check-layers: layer {name} builds on {used}, which is not below it")
            reach |= allowed[used]
        allowed[name] = reach
    return allowed


def source_files(root):
    for folder, dirs, files in os.walk(root):
        # Hidden folders and build trees (anything holding a CMake cache) are not sources.
        dirs[:] = sorted(d for d in dirs if not d.startswith(".") and d != "build" and
                         not os.path.exists(os.path.join(folder, d, "CMakeCache.txt")))
        for f in sorted(files):
            if f.endswith(SOURCE_SUFFIXES):
                yield os.path.relpath(os.path.join(folder, f), root).replace(os.sep, "/")


def resolve(root, source, included):
    """The tree-relative path an include names: from the tree's root (the project's include
    path), else next to the including file. None for a header outside the tree."""
    for candidate in (included, os.path.join(os.path.dirname(source), included)):
        path = os.path.normpath(candidate).replace(os.sep, "/")
        if os.path.isfile(os.path.join(root, path)):
            return path
    return None


def unit_of(root, path):
    stem, _ = os.path.splitext(path)
    for suffix in ("",) + PLATFORM_SUFFIXES:
        if suffix and not stem.endswith(suffix):
            continue
        base = stem[: len(stem) - len(suffix)] if suffix else stem
        if any(os.path.isfile(os.path.join(root, base + h)) for h in (".h", ".hpp")):
            return base
    return stem


def cycles(edges):
    """Strongly connected components with more than one unit (Tarjan, iterative)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = 0
    for start in sorted(edges):
        if start in index:
            continue
        work = [(start, iter(sorted(edges[start])))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, successors = work[-1]
            advanced = False
            for succ in successors:
                if succ not in index:
                    index[succ] = low[succ] = counter
                    counter += 1
                    stack.append(succ)
                    on_stack.add(succ)
                    work.append((succ, iter(sorted(edges.get(succ, ())))))
                    advanced = True
                    break
                if succ in on_stack:
                    low[node] = min(low[node], index[succ])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
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
    return found


def check(root):
    allowed = allowed_layers()
    problems = []
    edges = {}  # unit -> {unit: (file, line, included)}
    for source in source_files(root):
        layer = source.split("/")[0]
        with open(os.path.join(root, source), encoding="utf-8", errors="replace") as f:
            lines = f.readlines()
        for number, text in enumerate(lines, 1):
            match = INCLUDE.match(text)
            if not match:
                continue
            target = resolve(root, source, match.group(1))
            if target is None:
                continue  # a system or generated header
            target_layer = target.split("/")[0]
            if layer in allowed and target_layer not in allowed[layer]:
                may = ", ".join(sorted(allowed[layer] - {layer})) or "nothing"
                problems.append(f"{source}:{number}: includes {target}, but {layer}/ builds "
                                f"only on {may}")
            a, b = unit_of(root, source), unit_of(root, target)
            if a != b:
                edges.setdefault(a, {}).setdefault(b, (source, number, target))
                edges.setdefault(b, {})
    for component in cycles(edges):
        members = set(component)
        problems.append("these include each other: " + ", ".join(component))
        for unit in component:
            for other, (source, number, target) in sorted(edges[unit].items()):
                if other in members:
                    problems.append(f"  {source}:{number}: includes {target}")
    return problems


def self_test():
    """Plants one violation of each kind in a scratch tree and expects exactly those."""
    cases = {
        "clean": {"base/A.h": "", "engine/B.h": '#include "base/A.h"\n'},
        "upward": {"base/A.h": '#include "engine/B.h"\n', "engine/B.h": ""},
        "sibling": {"base/A.h": "", "params/P.h": '#include "engine/B.h"\n', "engine/B.h": ""},
        "outside": {"ui/U.h": '#include "tools/T.h"\n', "tools/T.h": ""},
        "mutual": {
            "params/P.h": "", "params/P.cpp": '#include "params/P.h"\n#include "params/Q.h"\n',
            "params/Q.h": "", "params/QStd.cpp": '#include "params/Q.h"\n#include "params/P.h"\n',
        },
        "chain": {
            "ui/X.h": '#include "ui/Y.h"\n', "ui/Y.h": "",
            "ui/Y.cpp": '#include "ui/Z.h"\n', "ui/Z.h": "", "ui/Z.cpp": '#include "X.h"\n',
        },
    }
    failed = False
    for name, files in cases.items():
        with tempfile.TemporaryDirectory() as root:
            for path, text in files.items():
                os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(root, path), "w") as f:
                    f.write(text)
            problems = check(root)
        if bool(problems) != (name != "clean"):
            print(f"self-test {name}: {'unexpected' if problems else 'no'} report: {problems}")
            failed = True
    print("check-layers self-test:", "FAILED" if failed else "passed")
    return 1 if failed else 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), os.pardir)
    root = os.path.abspath(root)
    problems = check(root)
    for line in problems:
        print(line)
    order = " < ".join(name for name, _ in LAYERS)
    if problems:
        print(f"check-layers: FAILED (layers {order}; see cmake/check-layers.py)")
        return 1
    print(f"check-layers: passed (layers {order})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
