#!/usr/bin/env python3
"""Fails when an #include breaks the layer order or a folder's CMake DEPS differ from its includes.

    platform < graphics < decode < edit < catalog < view, files, extras < app

A folder includes only folders below it (view, files and extras may use each other). The SDK
headers at the top of plugins/ (spi.h, spi_*.h) are plain C++ and may be included by any
layer. The plug-ins include only plugins/. Command-line tools may use any layer but no widgets
(qivo2-catalog, a window by purpose, is the exception). A folder's plain library never
includes widgets.

Usage: check_layers.py SOURCE_ROOT
"""
import pathlib
import re
import sys

RANK = {"platform": 0, "graphics": 1, "decode": 2, "edit": 3, "catalog": 4,
        "view": 5, "files": 5, "extras": 5, "app": 6}
WINDOW_TOOLS = {"catalog-demo"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCES = ("*.cpp", "*.h")


def includes(path):
    return INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace"))


def sources(folder, recursive=False):
    out = []
    for pattern in SOURCES:
        out += folder.rglob(pattern) if recursive else folder.glob(pattern)
    return sorted(out)


def is_sdk(inc):
    parts = inc.split("/")
    return len(parts) == 2 and parts[0] == "plugins"


def layer_of(inc):
    head = inc.split("/", 1)[0]
    return head if "/" in inc and head in RANK else None


def allowed(src_layer, target):
    if target == src_layer:
        return True
    a, b = RANK[src_layer], RANK[target]
    return b < a or (a == b == 5)


def cmake_deps(cmake_file):
    text = cmake_file.read_text(encoding="utf-8")
    m = re.search(r"qivo2_folder\(\s*(\w+)(.*?)\)", text, re.S)
    if not m:
        return None
    words = m.group(2).split()
    groups, current = {"DEPS": set(), "WIDGET_DEPS": set()}, None
    for w in words:
        if w in ("DEPS", "WIDGET_DEPS", "LIBS", "WIDGET_LIBS"):
            current = w
        elif current in groups:
            groups[current].add(w)
    return groups


def main(root):
    root = pathlib.Path(root)
    faults = []

    for layer in RANK:
        folder = root / layer
        if not folder.is_dir():
            continue
        used = {"DEPS": set(), "WIDGET_DEPS": set()}
        for f in sources(folder, recursive=True):
            rel = f.relative_to(root)
            # widgets/ and the executable's startup/ build on the widget libraries.
            widget = bool({"widgets", "startup"} & set(rel.parts[1:-1]))
            for inc in includes(f):
                if is_sdk(inc):
                    continue
                if inc.startswith("plugins/"):
                    faults.append(f"{rel}: includes a plug-in's own file {inc}")
                    continue
                target = layer_of(inc)
                if target is None:
                    continue
                if not allowed(layer, target):
                    faults.append(f"{rel}: {layer} may not include {inc}")
                if not widget and "/widgets/" in inc:
                    faults.append(f"{rel}: the plain library may not include widgets ({inc})")
                if target != layer:
                    used["WIDGET_DEPS" if widget else "DEPS"].add(target)
        declared = cmake_deps(folder / "CMakeLists.txt")
        if declared is None:
            continue
        for kind in ("DEPS", "WIDGET_DEPS"):
            want = used[kind] if kind == "DEPS" else used[kind] | used["DEPS"]
            if kind == "WIDGET_DEPS" and not any((folder / "widgets").glob("*.cpp")):
                continue
            if declared[kind] != want:
                faults.append(f"{layer}/CMakeLists.txt: {kind} {' '.join(sorted(declared[kind])) or '(none)'}"
                              f" but the includes need {' '.join(sorted(want)) or '(none)'}")

    plugins = root / "plugins"
    for f in sources(plugins, recursive=True):
        rel = f.relative_to(root)
        for inc in includes(f):
            if "/" in inc and not inc.startswith("plugins/"):
                faults.append(f"{rel}: a plug-in includes only the SDK, not {inc}")
            elif "/" not in inc and not ((f.parent / inc).exists() or (plugins / inc).exists()):
                faults.append(f"{rel}: {inc} is neither beside it nor in the SDK")

    for f in sources(root / "tools", recursive=True):
        rel = f.relative_to(root)
        if rel.parts[1] in WINDOW_TOOLS:
            continue
        for inc in includes(f):
            if "/widgets/" in inc:
                faults.append(f"{rel}: a command-line tool may not include widgets ({inc})")

    for line in faults:
        print(line)
    if faults:
        print(f"{len(faults)} layer fault(s)")
        return 1
    print("layers: every include keeps the order")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
