#!/usr/bin/env python3
"""Fails when a source file includes a layer it must not.

    check_layers.py [ROOT]

Dependencies point downwards only (architecture: platform <- tolvar <- velumor <- frontend <- apps):
  - platform/ includes nothing of tolvar/, velumor/, frontend/ or apps/;
  - tolvar/ includes nothing of velumor/, frontend/ or apps/;
  - velumor/ includes nothing of tolvar/sim, tolvar/controls, frontend/ or apps/
    (the component knows the host only through tolvar/applet);
  - frontend/ includes nothing of apps/;
  - nothing below frontend/ includes a Qt header, so the component and the host build headless.
Prints one line per offending include ("file:line: reason") and exits 1 when there is any.
"""
import os
import re
import sys

SOURCE_ENDINGS = (".h", ".hpp", ".cpp", ".cc")
INCLUDE_RE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
# Qt's headers are named Q<Class> or live in a Qt module folder.
QT_RE = re.compile(r"^(Q[A-Z][A-Za-z0-9]*|Qt[A-Za-z]*/.*|q[a-z0-9]+\.h)$")

# layer folder -> include prefixes it must not use
FORBIDDEN = {
    "platform/": ("tolvar/", "velumor/", "frontend/", "apps/"),
    "tolvar/": ("velumor/", "frontend/", "apps/"),
    "velumor/": ("tolvar/sim/", "tolvar/controls/", "frontend/", "apps/"),
    "frontend/": ("apps/",),
}
HEADLESS = ("platform/", "tolvar/", "velumor/")


def violations(root):
    for layer, banned in FORBIDDEN.items():
        top = os.path.join(root, layer)
        for folder, _dirs, files in os.walk(top):
            for name in sorted(files):
                if not name.endswith(SOURCE_ENDINGS):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, root)
                try:
                    with open(path, encoding="utf-8", errors="replace") as f:
                        lines = f.readlines()
                except OSError as e:
                    yield "%s: cannot read: %s" % (rel, e)
                    continue
                for number, line in enumerate(lines, 1):
                    m = INCLUDE_RE.match(line)
                    if not m:
                        continue
                    target = m.group(2)
                    for prefix in banned:
                        if target.startswith(prefix):
                            yield "%s:%d: %s must not include %s" % (rel, number, layer.rstrip("/"), target)
                    if layer in HEADLESS and m.group(1) == "<" and QT_RE.match(target):
                        yield "%s:%d: no Qt header below frontend/ (%s)" % (rel, number, target)


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    found = list(violations(root))
    for v in found:
        print(v)
    if found:
        print("%d include(s) cross a layer boundary" % len(found))
        return 1
    print("layers: no include crosses a boundary")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
