#!/usr/bin/env python3
"""Checks a window design file (see platform/ui/design_format.md).

    check_design.py DESIGN.json... [--quiet]

Errors (exit status 1):
  - a container that does not stand before the controls it contains, or that is not a container;
  - a control-array member given twice, a name used both as an array and as a single control,
    or one name with two types;
  - a control outside its container's client rectangle at design size;
  - menus out of menu order, duplicate tab or panel keys, a non-numeric textId.
Warnings: overlapping siblings that are both visible. A control lying inside a tab strip's client
area is a page on it, not an overlap; a control may name the siblings it is meant to cover in
"mayOverlap" (a key the loader ignores).
"""
import argparse
import json
import sys
from collections import OrderedDict, defaultdict

CONTAINER_TYPES = {"Frame", "PictureBox"}
NON_VISUAL = {"Timer", "Menu", "CommonDialog", "ImageList"}
TAB_CLIENT = (30, 360, 60, 390)      # tab strip: left, top inset; width, height loss
MENU = "Menu"


def key_of(name, index):
    return name if index is None else "%s(%d)" % (name, index)


class Checker:
    def __init__(self, design):
        self.design = design
        self.errors = []
        self.warnings = []
        self.intended = 0
        self.by_key = OrderedDict()
        self.types = {}
        self.arrays = defaultdict(list)
        self.singles = set()

    def error(self, msg):
        self.errors.append(msg)

    def warn(self, msg):
        self.warnings.append(msg)

    # ----------------------------------------------------------- structure
    def run(self):
        form = self.design.get("form")
        if not isinstance(form, dict) or "name" not in form:
            self.error("design has no form with a name")
            form = {"name": "?", "props": {}}
        self.form = form
        fp = {k.lower(): v for k, v in form.get("props", {}).items()}
        self.client = (0.0, 0.0, float(fp.get("clientwidth", 0)), float(fp.get("clientheight", 0)))
        if self.client[2] <= 0 or self.client[3] <= 0:
            self.error("form: ClientWidth and ClientHeight must be positive")

        controls = self.design.get("controls")
        if not isinstance(controls, list):
            self.error("design has no list of controls")
            return
        menu_stack = []
        for pos, c in enumerate(controls):
            self.check_entry(pos, c, menu_stack)
        self.check_geometry()

    def check_entry(self, pos, c, menu_stack):
        name = c.get("name")
        if not isinstance(name, str) or not name:
            self.error("entry %d has no name" % pos)
            return
        index = c.get("index")
        if index is not None and not isinstance(index, int):
            self.error("%s: index must be a whole number" % name)
            return
        key = key_of(name, index)
        typ = c.get("type")
        if not typ:
            self.error("%s: no type" % key)
        if key in self.by_key:
            self.error("%s: given twice" % key)
            return
        if index is None:
            if name in self.arrays:
                self.error("%s: used as an array and as a single control" % name)
            self.singles.add(name)
        else:
            if name in self.singles:
                self.error("%s: used as an array and as a single control" % name)
            self.arrays[name].append(index)
        if name in self.types and self.types[name] != typ:
            self.error("%s: type %s, earlier members are %s" % (key, typ, self.types[name]))
        self.types.setdefault(name, typ)
        if "textId" in c and not isinstance(c["textId"], int):
            self.error("%s: textId must be a number" % key)

        cont = c.get("container", "")
        if cont:
            parent = self.by_key.get(cont)
            if parent is None:
                self.error("%s: container %s does not stand before it" % (key, cont))
            elif typ == MENU:
                if parent.get("type") != MENU:
                    self.error("%s: menu inside %s, which is no menu" % (key, cont))
            elif parent.get("type") not in CONTAINER_TYPES:
                self.error("%s: container %s (%s) cannot hold controls" % (key, cont, parent.get("type")))

        if typ == MENU:
            # Menus in menu order: each entry's parent is on the path of the entry before it.
            if cont:
                if cont not in menu_stack:
                    self.error("%s: out of menu order (its parent %s is closed)" % (key, cont))
                else:
                    del menu_stack[menu_stack.index(cont) + 1:]
            else:
                menu_stack.clear()
            menu_stack.append(key)

        for list_key, item_key in (("tabs", "key"), ("panels", "key")):
            items = c.get(list_key)
            if items is None:
                continue
            seen = set()
            for it in items:
                k = it.get(item_key)
                if not k:
                    self.error("%s: %s entry without %s" % (key, list_key, item_key))
                elif k in seen:
                    self.error("%s: %s key %s twice" % (key, list_key, k))
                seen.add(k)
                if "textId" in it and not isinstance(it["textId"], int):
                    self.error("%s: textId of %s must be a number" % (key, k))
        self.by_key[key] = c

    # ----------------------------------------------------------- geometry
    @staticmethod
    def props(c):
        return {k.lower(): v for k, v in c.get("props", {}).items()}

    def rect(self, c):
        p = self.props(c)
        if c.get("type") == "StatusBar":
            h = float(p.get("height", 0))
            return (0.0, self.client[3] - h, self.client[2], h)
        if not all(k in p for k in ("left", "top", "width", "height")):
            return None
        return tuple(float(p[k]) for k in ("left", "top", "width", "height"))

    def visible(self, c):
        return self.props(c).get("visible", True) is not False

    def check_geometry(self):
        children = defaultdict(list)
        for key, c in self.by_key.items():
            if c.get("type") == MENU:
                continue
            r = self.rect(c)
            if r is None:
                if c.get("type") not in NON_VISUAL:
                    self.error("%s: no Left, Top, Width and Height" % key)
                continue
            if r[2] < 0 or r[3] < 0:
                self.error("%s: negative size" % key)
            cont = c.get("container", "")
            if cont:
                parent = self.by_key.get(cont)
                if parent is None:
                    continue
                pr = self.rect(parent)
                if pr is None:
                    continue
                area = (0.0, 0.0, pr[2], pr[3])
                where = cont
            else:
                area = self.client
                where = "the form"
            if not inside(r, area):
                self.error("%s: %s lies outside %s (%s)" % (key, fmt(r), where, fmt(area)))
            if c.get("type") not in NON_VISUAL:
                children[cont].append((key, c, r))

        for cont, sibs in children.items():
            for i in range(len(sibs)):
                ka, ca, ra = sibs[i]
                for kb, cb, rb in sibs[i + 1:]:
                    if not (self.visible(ca) and self.visible(cb)) or not overlap(ra, rb):
                        continue
                    if self.on_tab_strip(ca, ra, cb, rb) or self.on_tab_strip(cb, rb, ca, ra):
                        continue
                    if meant(ca, cb) or meant(cb, ca):
                        self.intended += 1
                        continue
                    self.warn("%s and %s overlap in %s" % (ka, kb, cont or "the form"))

    @staticmethod
    def on_tab_strip(strip, rs, page, rp):
        if strip.get("type") != "TabStrip":
            return False
        dl, dt, dw, dh = TAB_CLIENT
        client = (rs[0] + dl, rs[1] + dt, rs[2] - dw, rs[3] - dh)
        return inside(rp, client, slack=1.0)

    # ----------------------------------------------------------- reports
    def names_by_type(self):
        out = defaultdict(list)
        for name, typ in self.types.items():
            if name in self.arrays:
                out[typ].append("%s(%s)" % (name, ranges(sorted(self.arrays[name]))))
            else:
                out[typ].append(name)
        return out

    def counts_by_type(self):
        counts = defaultdict(int)
        for c in self.by_key.values():
            counts[c.get("type")] += 1
        return counts


def meant(a, b):
    return b.get("name") in (a.get("mayOverlap") or [])


def inside(r, area, slack=0.0):
    return (r[0] >= area[0] - slack and r[1] >= area[1] - slack
            and r[0] + r[2] <= area[0] + area[2] + slack and r[1] + r[3] <= area[1] + area[3] + slack)


def overlap(a, b):
    return (min(a[0] + a[2], b[0] + b[2]) > max(a[0], b[0])
            and min(a[1] + a[3], b[1] + b[3]) > max(a[1], b[1]))


def fmt(r):
    return "%g,%g %gx%g" % r


def ranges(values):
    spans, start, prev = [], None, None
    for v in values + [None]:
        if start is None:
            start = prev = v
        elif v is not None and v == prev + 1:
            prev = v
        else:
            spans.append(str(start) if start == prev else "%d..%d" % (start, prev))
            start = prev = v
    return ",".join(spans)


def check(path, quiet):
    """Checks one design and prints its report; returns whether it has errors."""
    try:
        with open(path, encoding="utf-8") as f:
            design = json.load(f)
    except (OSError, ValueError) as e:
        print("error: cannot read %s: %s" % (path, e))
        return True

    ck = Checker(design)
    ck.run()

    print("design of %s: %d controls" % (ck.form.get("name"), len(ck.by_key)))
    for typ, n in sorted(ck.counts_by_type().items(), key=lambda x: (-x[1], str(x[0]))):
        print("  %4d %s" % (n, typ))
    if not quiet:
        print("names:")
        for typ, names in sorted(ck.names_by_type().items(), key=lambda x: str(x[0])):
            print("  %s: %s" % (typ, ", ".join(names)))

    for w in ck.warnings:
        print("warning: " + w)
    if ck.intended:
        print("note: %d overlaps marked as intended (mayOverlap)" % ck.intended)
    for e in ck.errors:
        print("error: " + e)
    print("%d errors, %d warnings" % (len(ck.errors), len(ck.warnings)))
    return bool(ck.errors)


def main(argv):
    ap = argparse.ArgumentParser(description="Check window design files.")
    ap.add_argument("designs", nargs="+", metavar="design")
    ap.add_argument("--quiet", action="store_true", help="do not list the names")
    args = ap.parse_args(argv)
    failed = [path for path in args.designs if check(path, args.quiet)]
    for path in failed:
        print("FAILED: %s" % path)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
