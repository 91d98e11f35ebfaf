#!/usr/bin/env python3
"""Every C++ file of the component opens only the namespace of its folder (or one nested in it):
velumor/<folder>/... is velumor::<folder>, the libraries of velumor/shared/ one level further.
Forward declarations of another module's names (`namespace platform::ui {`) and anonymous or
nested namespaces inside the file's own are allowed. Prints each file that breaks the rule."""
import os
import re
import sys

# Folders whose files share another folder's namespace: the supervision files define members of
# the always-on view's classes; the resource data folders are one table module.
SHARES = {
    "velumor/host_binding/supervision": "velumor::host_binding",
    "velumor/resources/strings": "velumor::resources",
    "velumor/resources/files": "velumor::resources",
    "velumor/resources/bitmaps": "velumor::resources",
}
OPEN = re.compile(r"^namespace ([A-Za-z_][\w:]*) \{", re.M)


def expected_namespace(rel_dir):
    if rel_dir in SHARES:
        return SHARES[rel_dir]
    return "::".join(rel_dir.split("/"))


def check_file(path, rel_dir, text):
    want = expected_namespace(rel_dir)
    faults = []
    for name in OPEN.findall(text):
        if not name.startswith("velumor"):
            continue  # another module's forward declarations
        if name != want and not name.startswith(want + "::"):
            faults.append(f"{path}: namespace {name}, its folder's is {want}")
    return faults


def main(argv):
    root = argv[1]
    faults = []
    for dirpath, _, files in os.walk(os.path.join(root, "velumor")):
        rel_dir = os.path.relpath(dirpath, root).replace(os.sep, "/")
        if rel_dir == "velumor":
            continue  # nothing but the build file lives at the top
        for f in sorted(files):
            if f.endswith((".h", ".cpp", ".cmake")):
                path = os.path.join(dirpath, f)
                with open(path, encoding="utf-8") as fh:
                    faults += check_file(os.path.relpath(path, root), rel_dir, fh.read())
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
