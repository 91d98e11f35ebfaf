#!/usr/bin/env python3
"""The layer checker finds each kind of forbidden include and link in a small tree, passes a clean
one, and refuses to run without its arrows. Every case runs against the arrows the README states."""
import contextlib
import importlib.util
import io
import os
import sys
import tempfile

# The checker is loaded once and run in this process: starting Python for each case cost
# more than the cases themselves.
spec = importlib.util.spec_from_file_location("check_layers", sys.argv[1])
checker = importlib.util.module_from_spec(spec)
spec.loader.exec_module(checker)
README = os.path.join(os.path.dirname(os.path.abspath(sys.argv[1])), "..", "README.md")


def run_checker(root, readme=README):
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        status = checker.main(["check_layers.py", root, "--arrows", readme])
    return status, out.getvalue()


def make_tree(root, files):
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write(text)


CASES = [
    # (file, include line, is it a violation)
    ("platform/ui/a.h", '#include "tolvar/applet/applet.h"', True),
    ("platform/ui/b.cpp", "#include <QWidget>", True),
    ("tolvar/sim/c.cpp", '#include "velumor/shared/component.h"', True),
    ("velumor/main_view/d.cpp", '#include "tolvar/sim/host_session.h"', True),
    ("velumor/main_view/e.cpp", '  #  include "tolvar/controls/item_controls.h"', True),
    ("velumor/shared/f.cpp", "#include <QtCore/QString>", True),
    ("frontend/qt/g.cpp", '#include "apps/host_core/script_runner.h"', True),
    ("velumor/main_view/ok1.cpp", '#include "tolvar/applet/applet.h"', False),
    ("frontend/qt/ok2.cpp", "#include <QWidget>", False),
    ("tolvar/sim/ok3.cpp", '#include "platform/com/variant.h"', False),
    ("velumor/shared/ok4.cpp", "#include <queue>", False),
    ("frontend/qt/h.cpp", '#include "velumor/shared/component.h"', True),
    ("tolvar/applet/i.h", '#include "tolvar/sim/item_store.h"', True),
    ("tolvar/controls/j.cpp", '#include "tolvar/sim/item_store.h"', True),
    ("platform/com/k.cpp", '#include "platform/ui/form.h"', True),
    ("velumor/main_view/l.cpp", '#include "../../tolvar/sim/x.h"', True),
    ("velumor/main_view/m.cpp", '#include "./../../frontend/qt/y.h"', True),
    ("velumor/n.cpp", '#include "../../outside.h"', True),
    ("tolvar/sim/ok5.cpp", '#include "../applet/applet.h"', False),
    ("velumor/main_view/ok6.cpp", '#include "../shared/component.h"', False),
    ("platform/ui/ok7.cpp", '#include "platform/com/variant.h"', False),
    ("apps/host_core/ok8.cpp", '#include "frontend/qt/app.h"', False),
]

failures = 0
for path, line, bad in CASES:
    with tempfile.TemporaryDirectory() as root:
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full))
        with open(full, "w") as f:
            f.write("// test\n" + line + "\n")
        status, out = run_checker(root)
        flagged = status != 0
        if flagged != bad or (bad and (path + ":2:") not in out):
            failures += 1
            print("FAIL %s: %r flagged=%s expected=%s\n%s" % (path, line, flagged, bad, out))

# (CMakeLists.txt files of a tree, the file:line expected to be flagged or None)
VELUMOR_LIB = "add_library(velumor_core STATIC a.cpp)\n"
APPLET_LIB = "add_library(tolvar_applet INTERFACE)\n"
SIM_LIB = "add_library(tolvar_sim STATIC s.cpp)\n"
LINK_CASES = [
    ({"tolvar/sim/CMakeLists.txt": SIM_LIB,
      "velumor/CMakeLists.txt": VELUMOR_LIB + "target_link_libraries(velumor_core PUBLIC tolvar_sim)\n"},
     "velumor/CMakeLists.txt:2:"),
    # a link spread over lines, behind a comment and a generator expression
    ({"tolvar/sim/CMakeLists.txt": SIM_LIB,
      "velumor/CMakeLists.txt": VELUMOR_LIB + "# links (not tolvar_sim)\ntarget_link_libraries(velumor_core\n"
                                "  PRIVATE \"$<LINK_LIBRARY:WHOLE_ARCHIVE,tolvar_sim>\")\n"},
     "velumor/CMakeLists.txt:3:"),
    ({"velumor/shared/CMakeLists.txt": "add_library(velumor_shared STATIC b.cpp)\n"
                                       "target_link_libraries(velumor_shared PUBLIC Qt6::Core)\n"},
     "velumor/shared/CMakeLists.txt:2:"),
    ({"tolvar/applet/CMakeLists.txt": APPLET_LIB, "tolvar/sim/CMakeLists.txt": SIM_LIB,
      "velumor/CMakeLists.txt": VELUMOR_LIB + "target_link_libraries(velumor_core PUBLIC tolvar_applet m ${X})\n"
                                "# target_link_libraries(velumor_core PUBLIC tolvar_sim)\n"},
     None),
    ({"tolvar/sim/CMakeLists.txt": SIM_LIB,
      "apps/CMakeLists.txt": "add_executable(host main.cpp)\ntarget_link_libraries(host PRIVATE tolvar_sim)\n"},
     None),
]
for files, where in LINK_CASES:
    with tempfile.TemporaryDirectory() as root:
        make_tree(root, files)
        status, out = run_checker(root)
        if (status != 0) != (where is not None) or (where and where not in out):
            failures += 1
            print("FAIL link case expecting %s:\n%s" % (where, out))

# Without the stated arrows the check must not pass silently.
with tempfile.TemporaryDirectory() as root:
    make_tree(root, {"README.md": "# no arrows here\n", "velumor/a.cpp": "// test\n"})
    broken = os.path.join(root, "broken.md")
    make_tree(root, {"broken.md": "<!-- layers -->\nvelumor => platform\n<!-- /layers -->\n"})
    for readme in (os.path.join(root, "README.md"), broken, os.path.join(root, "missing.md")):
        status, out = run_checker(root, readme)
        if status != 2:
            failures += 1
            print("FAIL arrows from %s: status %d\n%s" % (readme, status, out))

total = len(CASES) + len(LINK_CASES) + 3
print("%d passed, %d failed" % (total - failures, failures))
sys.exit(1 if failures else 0)
