#!/usr/bin/env python3
"""The namespace checker refuses a file that opens another folder's namespace and passes the
forms the tree uses."""
import importlib.util
import sys

spec = importlib.util.spec_from_file_location("check_namespaces", sys.argv[1])
checker = importlib.util.module_from_spec(spec)
spec.loader.exec_module(checker)

CASES = [
    # (folder, text, is it a violation)
    ("velumor/main_view", "namespace velumor::main_view {\n}\n", False),
    ("velumor/main_view", "namespace velumor::main_view::outputs {\n}\n", False),
    ("velumor/main_view", "namespace velumor {\n}\n", True),
    ("velumor/main_view", "namespace velumor::diag_view {\n}\n", True),
    ("velumor/main_view", "namespace velumor::main_viewer {\n}\n", True),
    ("velumor/shared/report", "namespace platform::ui {\n}\nnamespace velumor::shared::report {\n}\n", False),
    ("velumor/shared/report", "namespace velumor::shared {\n}\n", True),
    ("velumor/host_binding/supervision", "namespace velumor::host_binding {\nnamespace supervision {\n", False),
    ("velumor/host_binding/supervision", "namespace velumor::main_view {\n}\n", True),
    ("velumor/resources/strings", "namespace velumor::resources {\n}\n", False),
    ("velumor/view_window", "namespace {\n}\nnamespace velumor::view_window {\n", False),
]

failures = 0
for folder, text, bad in CASES:
    found = bool(checker.check_file("x.cpp", folder, text))
    if found != bad:
        failures += 1
        print(f"FAIL {folder}: {text!r} flagged={found}, expected {bad}")
print(f"{len(CASES) - failures}/{len(CASES)} cases")
sys.exit(1 if failures else 0)
