#!/usr/bin/env python3
"""The benchmark table reads what the two benchmark programs write, judges each figure against
its goal (a failed suite holds nothing), lists the growth lines and writes the JSON the README
describes. A broken table would only show when someone runs scripts/bench.sh."""
import contextlib
import importlib.util
import io
import json
import os
import sys
import tempfile

spec = importlib.util.spec_from_file_location("bench_table", sys.argv[1])
table = importlib.util.module_from_spec(spec)
spec.loader.exec_module(table)

micro = {"benchmarks": [
    {"name": "BM_NotifyChanged", "cpu_time": 0.04},
    {"name": "BM_TickCost/32", "per_view_change": 0.9e-6},
    {"name": "BM_TickCost/32/iterations:1000", "per_view_change": 5e-6},
]}
windows = [
    {"name": "trend8_cpu", "value": 3.5, "unit": "%", "with": 4.0, "without": 0.5},
    {"name": "test_suite", "value": 20.0, "unit": "s", "failed": True},
    {"name": "rss:Velumor.VelumorMainViewClass", "value": 1.2, "unit": "MiB"},
    {"name": "rss:Velumor.VelumorDiagViewClass", "value": 1.3, "unit": "MiB"},
    {"name": "rss_diag_used", "value": 1.4, "unit": "MiB"},
    {"name": "rss_used:Velumor.VelumorDisplayTrendClass", "value": 1.6, "unit": "MiB"},
    {"name": "rss_main_used_with_1", "value": 1.9, "unit": "MiB"},
    {"name": "tick_cost_drawn_8", "value": 3.0, "unit": "us"},
    {"name": "page_switch_main_p95", "value": 4.5, "unit": "ms"},
]
failures = []
with tempfile.TemporaryDirectory() as d:
    m, w, j = (os.path.join(d, n) for n in ("micro.json", "windows.jsonl", "out.json"))
    with open(m, "w") as f:
        json.dump(micro, f)
    with open(w, "w") as f:
        f.write("a line of the program's own output\n")
        f.write("".join(json.dumps(x) + "\n" for x in windows))
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        status = table.main([m, w, "--json", j])
    with open(j) as f:
        rows = {r["name"]: r for r in json.load(f)}
text = out.getvalue()
expect = {  # name: (value, holds)
    "notify_cost": (0.04, True),
    "tick_cost_32": (0.9, True),  # the counted runs do not replace the timed one
    "trend8_cpu": (3.5, False),
    "test_suite": (20.0, False),  # below its goal, but the suite failed
    "rss_main": (1.2, True),
    "rss_other_max": (1.6, False),  # the largest of the other windows, offline or used
    "idle_cpu": (None, False),  # not measured
}
if status != 0:
    failures.append("exit status %r" % status)
for name, (value, holds) in expect.items():
    r = rows.get(name)
    if r is None or (value is not None and abs(r["value"] - value) > 1e-9) or (value is None and r["value"] is not None) \
            or r["holds"] != holds:
        failures.append("%s: %r, expected value %r holds %r" % (name, r, value, holds))
for line in ("rss_main_used_with_1", "tick_cost_drawn_8", "page_switch_main_p95", "the suite failed",
             "0.50 % without", "rss_other_max: rss_used:Velumor.VelumorDisplayTrendClass"):
    if line not in text:
        failures.append("the table lacks %r" % line)
for f in failures:
    print("FAIL", f)
print("%d problems" % len(failures))
sys.exit(1 if failures else 0)
