#!/usr/bin/env python3
"""Fails when a source file includes, or a CMake target links, a layer it must not.

    check_layers.py [ROOT] [--arrows FILE]

The allowed arrows are stated once, in the fenced block between "<!-- layers -->" and
"<!-- /layers -->" of README.md (by default the README beside this tool's tree), one module a line:

    tolvar/sim      -> tolvar/applet platform

A file belongs to the longest listed module folder that holds it. It may use its own module and
the modules its arrows name (an arrow to "platform" allows platform/ and every module below it).
Quoted includes are resolved as the compiler does (beside the including file first, then from the
tree's root), so "../../tolvar/sim/x.h" counts as tolvar/sim. target_link_libraries lines are
checked the same way, a target belonging to the module of the CMakeLists.txt that adds it.
Nothing below frontend/ includes a Qt header or links a Qt target, so the component and the host
build headless.
Prints one line per offence ("file:line: reason") and exits 1 when there is any, 2 when the arrows
cannot be read.
"""
import os
import re
import sys

SOURCE_ENDINGS = (".h", ".hpp", ".cpp", ".cc")
INCLUDE_RE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
# Qt's headers are named Q<Class> or live in a Qt module folder.
QT_RE = re.compile(r"^(Q[A-Z][A-Za-z0-9]*|Qt[A-Za-z]*/.*|q[a-z0-9]+\.h)$")
HEADLESS = ("platform", "tolvar", "velumor")
ARROW_RE = re.compile(r"^\s*([\w/.-]+)\s*->\s*(.*?)\s*$")
TARGET_RE = re.compile(r"\badd_(?:library|executable)\s*\(\s*([\w.+-]+)", re.I)
LINK_RE = re.compile(r"\btarget_link_libraries\s*\(([^)]*)\)", re.I)
LINK_KEYWORDS = {"PUBLIC", "PRIVATE", "INTERFACE", "LINK_PUBLIC", "LINK_PRIVATE", "LINK_INTERFACE_LIBRARIES"}


class ArrowError(Exception):
    pass


def read_arrows(path):
    """module -> tuple of modules it may use, from the marked block of PATH."""
    try:
        with open(path, encoding="utf-8") as f:
            text = f.read()
    except OSError as e:
        raise ArrowError("cannot read the layer arrows: %s" % e)
    m = re.search(r"<!-- layers -->(.*?)<!-- /layers -->", text, re.S)
    if not m:
        raise ArrowError("%s: no <!-- layers --> block" % path)
    arrows = {}
    for line in m.group(1).splitlines():
        if not line.strip() or line.strip().startswith("```"):
            continue
        a = ARROW_RE.match(line)
        if not a:
            raise ArrowError("%s: not an arrow: %r" % (path, line.strip()))
        module = a.group(1).rstrip("/")
        if module in arrows:
            raise ArrowError("%s: %s is listed twice" % (path, module))
        targets = a.group(2).split()
        arrows[module] = tuple(t.rstrip("/") for t in targets if t != "(nothing)")
    if not arrows:
        raise ArrowError("%s: the layers block is empty" % path)
    return arrows


def module_of(rel, arrows):
    """The longest listed module folder holding the tree path REL, or None."""
    best = None
    for module in arrows:
        if rel == module or rel.startswith(module + "/"):
            if best is None or len(module) > len(best):
                best = module
    return best


def allowed(src, dst, arrows):
    if dst is None or src == dst:
        return True
    return any(dst == t or dst.startswith(t + "/") for t in arrows[src])


def resolve_include(root, rel_file, target, quoted):
    """The tree path an include names, or None when it is outside the tree (a system header)."""
    if quoted:
        beside = os.path.normpath(os.path.join(os.path.dirname(rel_file), target))
        if target.startswith(("./", "../")) or os.path.exists(os.path.join(root, beside)):
            beside = beside.replace(os.sep, "/")
            return None if beside.startswith("../") else beside
    path = os.path.normpath(target).replace(os.sep, "/")
    return None if path.startswith("../") else path


def source_files(root, arrows):
    tops = sorted({m.split("/")[0] for m in arrows})
    for top in tops:
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs.sort()
            for name in sorted(files):
                yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def include_violations(root, rel, arrows):
    src = module_of(rel, arrows)
    try:
        with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
            lines = f.readlines()
    except OSError as e:
        yield "%s: cannot read: %s" % (rel, e)
        return
    for number, line in enumerate(lines, 1):
        m = INCLUDE_RE.match(line)
        if not m:
            continue
        quoted, target = m.group(1) == '"', m.group(2)
        if not quoted and src.split("/")[0] in HEADLESS and QT_RE.match(target):
            yield "%s:%d: no Qt header below frontend/ (%s)" % (rel, number, target)
            continue
        path = resolve_include(root, rel, target, quoted)
        if path is None:
            if quoted:
                yield "%s:%d: %s leaves the tree" % (rel, number, target)
            continue
        dst = module_of(path, arrows)
        if not allowed(src, dst, arrows):
            yield "%s:%d: %s must not include %s (%s)" % (rel, number, src, dst, target)


def strip_cmake_comments(text):
    return "\n".join(re.sub(r"#(?!\[).*$", "", line) for line in text.splitlines())


def link_violations(root, cmake_files, arrows):
    texts, owner = {}, {}
    for rel in cmake_files:
        try:
            with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
                texts[rel] = strip_cmake_comments(f.read())
        except OSError as e:
            yield "%s: cannot read: %s" % (rel, e)
            continue
        for m in TARGET_RE.finditer(texts[rel]):
            owner[m.group(1)] = module_of(rel, arrows)
    for rel, text in texts.items():
        for m in LINK_RE.finditer(text):
            number = text.count("\n", 0, m.start()) + 1
            words = re.findall(r"[\w.+:-]+", re.sub(r"\$\{[^}]*\}", " ", m.group(1)))
            if not words:
                continue
            target, deps = words[0], words[1:]
            src = owner.get(target, module_of(rel, arrows))
            for dep in deps:
                if dep in LINK_KEYWORDS:
                    continue
                if dep.startswith("Qt") and "::" in dep and src.split("/")[0] in HEADLESS:
                    yield "%s:%d: no Qt target below frontend/ (%s links %s)" % (rel, number, target, dep)
                elif dep in owner and not allowed(src, owner[dep], arrows):
                    yield "%s:%d: %s must not link %s (%s links %s)" % (rel, number, src, owner[dep], target, dep)


def violations(root, arrows):
    sources, cmake_files = [], []
    for rel in source_files(root, arrows):
        if module_of(rel, arrows) is None:
            continue
        if rel.endswith(SOURCE_ENDINGS):
            sources.append(rel)
        elif os.path.basename(rel) == "CMakeLists.txt":
            cmake_files.append(rel)
    for rel in sources:
        yield from include_violations(root, rel, arrows)
    yield from link_violations(root, cmake_files, arrows)


def main(argv):
    tree = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    args = argv[1:]
    readme = os.path.join(tree, "README.md")
    if "--arrows" in args:
        i = args.index("--arrows")
        if i + 1 >= len(args):
            print("--arrows needs a file")
            return 2
        readme = args[i + 1]
        del args[i : i + 2]
    root = args[0] if args else tree
    try:
        arrows = read_arrows(readme)
    except ArrowError as e:
        print(e)
        return 2
    found = list(violations(root, arrows))
    for v in found:
        print(v)
    if found:
        print("%d include(s) or link(s) cross a layer boundary" % len(found))
        return 1
    print("layers: no include or link crosses a boundary")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
