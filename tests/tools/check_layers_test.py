#!/usr/bin/env python3
"""The layer checker finds each kind of forbidden include in a small tree, and passes a clean one."""
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


def run_checker(root):
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        status = checker.main(["check_layers.py", root])
    return status, out.getvalue()


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
print("%d passed, %d failed" % (len(CASES) - failures, failures))
sys.exit(1 if failures else 0)
