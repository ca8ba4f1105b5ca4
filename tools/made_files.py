"""Files that a tool makes and the tree keeps: written again, or checked against what the tool
would write now. Shared by tools/art/make_art.py, tools/sound/make_sounds.py and
web/make_assets.py."""

import argparse
import os
import tempfile


def listing(top):
    """Every file under top, by its path relative to top, with its bytes."""
    found = {}
    for dirpath, _, files in os.walk(top):
        for name in files:
            path = os.path.join(dirpath, name)
            with open(path, 'rb') as f:
                found[os.path.relpath(path, top)] = f.read()
    return found


def differences(build, folder, shown, strays_by=None):
    """Builds into a temporary folder with build(out) and compares with folder: one line for each
    file there that is missing or differs ("out of date: SHOWN/NAME"), and, when strays_by names
    the tool that owns all of folder, for each file in folder the tool did not make."""
    with tempfile.TemporaryDirectory() as tmp:
        build(tmp)
        fresh = listing(tmp)
    kept = listing(folder) if os.path.isdir(folder) else {}
    lines = ['out of date: %s/%s' % (shown, name)
             for name, data in sorted(fresh.items()) if kept.get(name) != data]
    if strays_by:
        lines += ['not made by %s: %s/%s' % (strays_by, shown, name)
                  for name in sorted(set(kept) - set(fresh))]
    return lines


def asked_to_check(doc, shown):
    """The tool's command line: True with --check (compare with SHOWN/), False to write it."""
    parser = argparse.ArgumentParser(description=doc.splitlines()[0])
    parser.add_argument('--check', action='store_true',
                        help='compare with %s/ instead of writing it' % shown)
    return parser.parse_args().check


def report(lines):
    """Prints what differs; 1 when anything does, else 0."""
    for line in lines:
        print(line)
    return 1 if lines else 0
