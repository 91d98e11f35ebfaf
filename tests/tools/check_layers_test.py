#!/usr/bin/env python3
"""The layer checker finds each kind of forbidden include in a small tree, and passes a clean one."""
import os
import subprocess
import sys
import tempfile

checker = sys.argv[1]

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
        r = subprocess.run([sys.executable, checker, root], capture_output=True, text=True)
        flagged = r.returncode != 0
        if flagged != bad or (bad and (path + ":2:") not in r.stdout):
            failures += 1
            print("FAIL %s: %r flagged=%s expected=%s\n%s" % (path, line, flagged, bad, r.stdout))
print("%d passed, %d failed" % (len(CASES) - failures, failures))
sys.exit(1 if failures else 0)
