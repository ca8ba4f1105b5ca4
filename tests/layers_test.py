#!/usr/bin/env python3
"""Includes point only down the layers: the runtime, the game, the session, the hosts, the
programs. A file may include its own layer's headers and those of the layers below it; nothing
below the hosts includes Qt. Prints each include that breaks this and fails."""
import re
import sys
from pathlib import Path

LAYERS = [
    ("runtime", ["host"]),
    ("game", ["playfield", "game", "ducks", "pickups"]),
    ("session", ["session"]),
    ("best games", ["best"]),
    ("hosts", ["window", "audio", "web", "board"]),
    ("programs", ["app"]),
]
RANK = {folder: rank for rank, (_, folders) in enumerate(LAYERS) for folder in folders}
FIRST_HOST = 4
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def faults(root):
    for folder, rank in RANK.items():
        for path in sorted((root / folder).glob("**/*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            for kind, name in INCLUDE.findall(path.read_text(encoding="utf-8")):
                where = f"{path.relative_to(root)} includes {name}"
                if kind == "<" and rank < FIRST_HOST and re.match(r"Q|qt", name):
                    yield f"{where}: Qt below the hosts"
                below = RANK.get(name.split("/")[0]) if kind == '"' else None
                if below is not None and below > rank:
                    yield f"{where}: {LAYERS[below][0]} above {LAYERS[rank][0]}"


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent.parent)
    found = list(faults(root))
    for fault in found:
        print(fault)
    print(f"layers: {len(found)} include(s) pointing up")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
