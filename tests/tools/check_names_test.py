#!/usr/bin/env python3
"""The name checker finds an unknown control, event or property in a small tree, and passes
the names that exist."""
import contextlib
import importlib.util
import io
import json
import os
import sys
import tempfile

spec = importlib.util.spec_from_file_location("check_names", sys.argv[1])
checker = importlib.util.module_from_spec(spec)
spec.loader.exec_module(checker)


def design(form, controls):
    return json.dumps({"form": {"name": form, "props": {"Caption": "x"}},
                       "controls": [{"name": n, "type": "Label", "props": p} for n, p in controls]})


TREE = {
    "velumor/main_view/design/MainForm.json": design("MainForm", [("MainLabel", {"Tag": ""})]),
    "velumor/diag_view/design/DiagForm.json": design("DiagForm", [("DiagButton", {})]),
    "platform/ui/controls.cpp": 'd("Caption", v);\nraise("Click");\nform().raiseEvent(*this, "Timer", a, h);\n',
    "tolvar/controls/item.cpp": 'm.addString(dispid::ItemName, "ItemName", &C::name_);\n',
}

# (file, line, is it a fault)
CASES = [
    ("velumor/main_view/a.cpp", 'ctl("MainLabel").setCaption("");', False),
    ("velumor/main_view/b.cpp", 'ctl("mainlabel", 2);', False),  # names are found without case
    ("velumor/main_view/c.cpp", 'ctl("MainLabl");', True),
    ("velumor/main_view/d.cpp", 'ctlAs<platform::ui::UserControl>("DiagButton");', True),  # another window's
    ("velumor/view_window/e.cpp", 'ctl("DiagButton");', False),  # shared code: any window
    ("velumor/main_view/f.cpp", 'ctl("Main" + n + "Label");', False),  # only a prefix
    ("velumor/main_view/g.cpp", 'on("MainLabel", "Click", [this] { go(); });', False),
    ("velumor/main_view/h.cpp", 'on("MainLabel", "Clik", [this] { go(); });', True),
    ("velumor/main_view/i.cpp", 'on("Nowhere", "Timer", [this] { go(); });', True),
    ("velumor/main_view/j.cpp", 'c.setProperty("Caption", v); c.getProperty("ItemName"); c.setProperty("Tag", t);', False),
    ("velumor/main_view/k.cpp", 'c.setProperty("Captoin", v);', True),
    ("velumor/main_view/l.cpp", 'statusBar("NoBar").panel(1);', True),
]

failures = 0
for path, line, bad in CASES:
    with tempfile.TemporaryDirectory() as root:
        for rel, text in list(TREE.items()) + [(path, "// test\n" + line + "\n")]:
            full = os.path.join(root, rel)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write(text)
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            status = checker.main(["check_names.py", root])
        flagged = status != 0
        if flagged != bad or (bad and (path + ":2:") not in out.getvalue()):
            failures += 1
            print("FAIL %s: %r flagged=%s expected=%s\n%s" % (path, line, flagged, bad, out.getvalue()))
print("%d passed, %d failed" % (len(CASES) - failures, failures))
sys.exit(1 if failures else 0)
