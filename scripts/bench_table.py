#!/usr/bin/env python3
"""Turns the benchmarks' output into the table of figures, goals and ratios (scripts/bench.sh)."""
import argparse
import json
import sys

# name: (goal, "max" when the figure must stay at or below it, "below" when strictly below it,
# "min" when at or above it, what it is)
GOALS = {
    "realtime_rate": (950.0, "min", "notifications worked off per second by one view, real clock, raw"),
    "burst_1000": (1.1, "max", "a burst of 1000 item changes until worked off and drawn"),
    "notify_cost": (2.0, "max", "NotifyChanged from the host into a view"),
    "open_main_p95": (30.0, "max", "SetAppletItemManagRef to a painted main window, 95th percentile"),
    "rss_main": (1.5, "max", "MiB per extra main window, offline, first page"),
    "rss_other_max": (1.5, "max", "MiB per extra diagnosis, simulation or display window, the largest, offline or used"),
    "tick_cost_32": (1.0, "max", "CPU per view per change with 32 views open"),
    "test_suite": (60.0, "below", "the headless test suite, 8 jobs"),
    "rss_main_used": (1.5, "max", "MiB per extra main window, connected, every page visited"),
    "rss_diag_used": (1.5, "max", "MiB per extra diagnosis window, connected, every page visited"),
    "tick_cost_32_drawn": (2.0, "max", "CPU per window per change with 32 main windows drawn by Qt"),
    "idle_cpu": (0.3, "max", "share of a core, main and diagnosis window open, nothing happening"),
    "idle_wakeups": (50.0, "max", "wake-ups per second of that idle host"),
    "trend8_cpu": (3.0, "max", "share of a core above the connected host, eight full trend windows"),
    "open_main_values_p95": (100.0, "max", "opening a main window until its first values are drawn, connected, p95"),
}


def micro_figures(path):
    with open(path) as f:
        data = json.load(f)
    out, growth = {}, []
    for b in data.get("benchmarks", []):
        name = b["name"]
        if name == "BM_NotifyChanged":
            out["notify_cost"] = (b["cpu_time"], "us")
        elif name.startswith("BM_TickCost/") and "iterations:" not in name:  # not the counted runs
            per = b["per_view_change"] * 1e6  # seconds -> µs
            growth.append(("tick per view per change, %s views" % name.split("/")[1], per, "us"))
            if name.endswith("/32"):
                out["tick_cost_32"] = (per, "us")
        elif name.startswith("BM_RecordState/"):
            growth.append(("record-state change, %s main windows" % name.split("/")[1], b["cpu_time"], "us"))
        elif name.startswith("BM_BurstDrain/"):
            growth.append(("headless burst of %s changes, per change" % name.split("/")[1],
                           b["per_change"] * 1e6, "us"))
    return out, growth


def main(argv):
    ap = argparse.ArgumentParser()
    ap.add_argument("micro")
    ap.add_argument("windows")
    ap.add_argument("--json")
    args = ap.parse_args(argv)
    figures, growth = micro_figures(args.micro)
    extra = {}
    with open(args.windows) as f:
        for line in f:
            line = line.strip()
            if not line.startswith("{"):
                continue
            d = json.loads(line)
            figures[d["name"]] = (d["value"], d["unit"])
            extra[d["name"]] = d
    # Memory per window class, each measured in its own process.
    # Memory per window class, each measured in its own process: opened offline ("rss:") and
    # used, connected ("rss_used:"; the diagnosis window's is rss_diag_used).
    rss = {n: f for n, f in figures.items() if n.startswith("rss:")}
    if "rss:Velumor.VelumorMainViewClass" in rss:
        figures["rss_main"] = rss.pop("rss:Velumor.VelumorMainViewClass")
    rss.update({n: f for n, f in figures.items() if n.startswith("rss_used:")})
    if "rss_diag_used" in figures:
        rss["rss_used:Velumor.VelumorDiagViewClass"] = figures["rss_diag_used"]
    if rss:
        worst = max(rss, key=lambda n: rss[n][0])
        figures["rss_other_max"] = rss[worst]
        extra["rss_other_max"] = {"window": worst}

    rows = []
    for name, (goal, kind, what) in GOALS.items():
        if name not in figures:
            rows.append({"name": name, "value": None, "unit": "", "goal": goal, "holds": False})
            continue
        value, unit = figures[name]
        holds = value >= goal if kind == "min" else value < goal if kind == "below" else value <= goal
        # A suite that failed took its time, but holds nothing.
        holds = holds and not extra.get(name, {}).get("failed", False)
        ratio = value / goal if goal else 0
        rows.append({"name": name, "value": value, "unit": unit, "goal": goal, "holds": holds,
                     "ratio": ratio, "kind": kind, "what": what})

    print("%-20s %12s %-4s %12s %8s  %s" % ("figure", "value", "", "goal", "ratio", "holds"))
    for r in rows:
        if r["value"] is None:
            print("%-20s %12s %-4s %12s %8s  %s" % (r["name"], "-", "", r["goal"], "-", "not measured"))
            continue
        goal = {"min": "≥ ", "below": "< "}.get(r["kind"], "≤ ") + "%g" % r["goal"]
        print("%-20s %12.4g %-4s %12s %8.2f  %s" % (r["name"], r["value"], r["unit"], goal, r["ratio"],
                                                   "yes" if r["holds"] else "NO"))
    if extra.get("test_suite", {}).get("failed"):
        print("  test_suite: the suite failed; its time is shown, the goal is not met")
    if "realtime_rate" in extra:
        d = extra["realtime_rate"]
        print("  realtime_rate: a plain 1 ms timer in the same loop meanwhile %.0f /s" % d["plain_timer_rate"])
    if "trend8_cpu" in extra:
        d = extra["trend8_cpu"]
        print("  trend8_cpu: %.2f %% with the eight windows, %.2f %% without" % (d["with"], d["without"]))
    if "rss_other_max" in extra:
        print("  rss_other_max: %s" % extra["rss_other_max"]["window"])
    print("\ngrowth:")
    for label, value, unit in growth:
        print("  %-48s %10.3f %s" % (label, value, unit))
    for name, d in extra.items():
        if name.startswith(("burst_", "open_main_median_with_", "rss:", "rss_used:", "rss_main_used_with_",
                            "rss_diag_used_with_", "tick_cost_drawn_", "page_switch_")) and name not in GOALS:
            print("  %-48s %10.4g %s" % (name, d["value"], d["unit"]))

    if args.json:
        with open(args.json, "w") as f:
            json.dump([{k: r[k] for k in ("name", "value", "unit", "goal", "holds")} for r in rows], f, indent=2)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
