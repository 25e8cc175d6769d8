#!/usr/bin/env python3
"""The folders of the source tree stand in layers, each resting on the ones
below it:

    common <- geometry <- model <- plugins, formats <- image
           <- render, output <- view <- analysis <- sheet <- dialogs, tools
           <- app

A folder may include its own headers and those of any lower layer, never a
folder of its own layer or of one above it: the kernel stays free of the
scene, the scene of the plug-ins, the engine of the view, and each layer can
be built, tested and understood without those above it. This check reads
every #include "..." line of the sources and names each one that reaches
upwards or sideways; it exits 1 when there is any.

    check_layers.py SOURCE_ROOT
"""
import pathlib
import re
import sys

LAYERS = [
    ["common"],
    ["geometry"],
    ["model"],
    ["plugins", "formats"],
    ["image"],
    ["render", "output"],
    ["view"],
    ["analysis"],
    ["sheet"],
    ["dialogs", "tools"],
    ["app"],
]
LEVEL = {folder: level for level, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SOURCES = {".h", ".hpp", ".cpp", ".cc"}


def top_folder(include: str, source: pathlib.Path, root: pathlib.Path) -> str | None:
    """The top folder an include names: written from the root ("model/X.h"),
    or beside the including file ("X.h", resolved against its folder)."""
    first = include.split("/", 1)[0]
    if first in LEVEL:
        return first
    beside = (source.parent / include).resolve()
    try:
        relative = beside.relative_to(root)
    except ValueError:
        return None
    return relative.parts[0] if relative.parts and relative.parts[0] in LEVEL else None


def violations(root: pathlib.Path):
    for folder in LEVEL:
        base = root / folder
        if not base.is_dir():
            continue
        for source in sorted(base.rglob("*")):
            if source.suffix not in SOURCES or not source.is_file():
                continue
            lines = source.read_text(encoding="utf-8", errors="replace").splitlines()
            for number, line in enumerate(lines, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = top_folder(match.group(1), source, root)
                if target is None or target == folder:
                    continue
                if LEVEL[target] >= LEVEL[folder]:
                    yield f"{source.relative_to(root)}:{number}: {folder}/ includes {match.group(1)} of {target}/"


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    root = pathlib.Path(sys.argv[1]).resolve()
    found = list(violations(root))
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) against the layers")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
