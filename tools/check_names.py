#!/usr/bin/env python3
"""Fails when the component names a control, an event or a property that does not exist.

    check_names.py [ROOT]

Controls are looked up by name (ctl("..."), ctlAs<T>("..."), statusBar, menu, loadCaption,
controlArray, arrayIndices) and events wired by name (on("Control", "Event")); a typo there
fails only when that path runs. This reads every literal name in velumor/ and checks it:
  - a control name against the window designs of the source's folder (the nearest design/
    folder above it; code shared by several windows against all of them);
  - an event name against the events the window model and the host controls raise;
  - a property name given as text (setProperty("..."), getProperty("...")) against the
    properties the controls declare and the designs set.
Prints one line per unknown name ("file:line: reason") and exits 1 when there is any.
"""
import glob
import json
import os
import re
import sys

SOURCE_ENDINGS = (".h", ".cpp")
# A literal that only starts a name (ctl("Diag" + group)) is no name of its own: each
# pattern wants the literal to end the argument.
CONTROL_RE = re.compile(
    r'\b(?:ctl|ctlAs<[^<>]*>|statusBar|menu|loadCaption|controlArray|arrayIndices)\(\s*"([^"]*)"\s*[,)]')
EVENT_RE = re.compile(r'\bon\(\s*"([^"]*)"\s*,\s*"([^"]*)"\s*,')
PROPERTY_RE = re.compile(r'\b(?:setProperty|getProperty)\(\s*"([^"]*)"\s*[,)]')
# Where the window model and the host controls name what they raise and declare.
RAISED_RE = re.compile(r'\b(?:raise|raiseEvent|fire)\((?:[^;"()]*,\s*)?"([A-Za-z_]+)"')
DECLARED_RE = re.compile(r'\b(?:declare\w*|add\w*|d)\(\s*(?:[\w:]+\s*,\s*)?"([A-Za-z_][A-Za-z0-9_]*)"')
# Events a form raises for itself, wired as the form's own members rather than by name.
FORM_EVENTS = {"Load", "Unload", "QueryUnload", "Resize", "Activate", "Deactivate"}


def literals(path, pattern):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    for m in pattern.finditer(text):
        yield text.count("\n", 0, m.start()) + 1, m.groups()


def load_designs(root):
    """design path -> (control names, property names it sets)"""
    designs = {}
    for path in sorted(glob.glob(os.path.join(root, "velumor", "**", "design", "*.json"), recursive=True)):
        with open(path, encoding="utf-8") as f:
            d = json.load(f)
        names = {d.get("form", {}).get("name", "")}
        props = set(d.get("form", {}).get("props", {}))
        for c in d.get("controls", []):
            names.add(c.get("name", ""))
            props.update(c.get("props", {}))
        designs[os.path.relpath(path, root)] = ({n.lower() for n in names}, props)
    return designs


def designs_for(rel, designs):
    """The designs a source file's names must be found in (any one of them)."""
    folder = os.path.dirname(rel)
    while folder and folder != "velumor":
        own = [d for d in designs if os.path.dirname(os.path.dirname(d)) == folder]
        if own:
            return own
        folder = os.path.dirname(folder)
    return list(designs)


def known_from_sources(root, folders, pattern):
    found = set()
    for top in folders:
        for folder, _dirs, files in os.walk(os.path.join(root, top)):
            for name in files:
                if name.endswith(SOURCE_ENDINGS):
                    for _line, groups in literals(os.path.join(folder, name), pattern):
                        found.add(groups[0])
    return found


def violations(root, counted=None):
    designs = load_designs(root)
    if not designs:
        yield "velumor: no window designs found"
        return
    events = known_from_sources(root, ("platform/ui", "tolvar/controls"), RAISED_RE) | FORM_EVENTS
    properties = known_from_sources(root, ("platform/ui", "tolvar/controls"), DECLARED_RE)
    for _names, props in designs.values():
        properties |= props
    lowered = {p.lower() for p in properties}
    for folder, dirs, files in os.walk(os.path.join(root, "velumor")):
        dirs.sort()
        for name in sorted(files):
            if not name.endswith(SOURCE_ENDINGS):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, root)
            mine = designs_for(rel, designs)
            controls = set().union(*(designs[d][0] for d in mine))
            where = ", ".join(os.path.basename(d) for d in mine) if len(mine) < 4 else "any window design"
            for line, (control,) in literals(path, CONTROL_RE):
                if counted is not None:
                    counted.append(control)
                if control.lower() not in controls:
                    yield '%s:%d: no control "%s" in %s' % (rel, line, control, where)
            for line, (control, event) in literals(path, EVENT_RE):
                if control.lower() not in controls:
                    yield '%s:%d: no control "%s" in %s' % (rel, line, control, where)
                if event not in events:
                    yield '%s:%d: no control raises the event "%s"' % (rel, line, event)
            for line, (prop,) in literals(path, PROPERTY_RE):
                if prop.lower() not in lowered:
                    yield '%s:%d: no control declares the property "%s"' % (rel, line, prop)


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    counted = []
    found = list(violations(root, counted))
    for v in found:
        print(v)
    if found:
        print("%d name(s) the designs do not know" % len(found))
        return 1
    print("names: the %d control look-ups by name, the events and the properties all exist" % len(counted))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
