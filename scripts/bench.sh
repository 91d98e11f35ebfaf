#!/usr/bin/env bash
# Builds the release preset, runs every benchmark and prints one table: each figure, its goal
# and the ratio to the goal.
#
#   bash scripts/bench.sh [--json FILE] [--short]
#
# --json FILE also writes the table as a JSON list of {name, value, unit, goal, holds}.
# --short runs each benchmark briefly (the figures are then rough), as CI does.
set -euo pipefail
cd "$(dirname "$0")/.."
json=""
short=""
while [ $# -gt 0 ]; do
  case "$1" in
    --json) json="$2"; shift 2 ;;
    --short) short="--short"; shift ;;
    *) echo "usage: scripts/bench.sh [--json FILE] [--short]" >&2; exit 2 ;;
  esac
done
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

bin=build/release/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VELUMOR_REGISTRY="$work/registry.json" VELUMOR_LANG=en QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$work/xdg"
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$bin/velumor-regsvr" --registry "$VELUMOR_REGISTRY" "$bin/libvelumor.so" >/dev/null

min_time=0.5
[ -n "$short" ] && min_time=0.01
"$bin/velumor-micro-bench" --benchmark_min_time=$min_time --benchmark_format=json \
  --benchmark_out="$work/micro.json" --benchmark_out_format=json >/dev/null
"$bin/velumor-window-bench" $short 2>/dev/null >"$work/windows.jsonl"
for view in VelumorMainViewClass VelumorDiagViewClass VelumorSimulationClass VelumorDisplayTrendClass \
            VelumorDisplayAnalogClass VelumorDisplayDigitalClass VelumorDisplayBarClass; do
  "$bin/velumor-window-bench" $short --memory "Velumor.$view" 2>/dev/null >>"$work/windows.jsonl"
done
# The memory of used windows: connected, registered, every page visited.
for window in main diag sim trend analog digital bar; do
  "$bin/velumor-memory-bench" $short $window 2>/dev/null >>"$work/windows.jsonl"
done

# The headless test suite, as a developer runs it, with 8 jobs. A failing suite's time is
# shown but does not count as holding the goal.
failed=false
start=$(date +%s%N)
ctest --preset release -j 8 >"$work/ctest.log" 2>&1 || { failed=true; echo "(the test suite failed; see ctest --preset release)" >&2; }
end=$(date +%s%N)
ms=$(( (end - start) / 1000000 ))
printf '{"name": "test_suite", "value": %d.%03d, "unit": "s", "failed": %s}\n' $((ms / 1000)) $((ms % 1000)) "$failed" \
  >>"$work/windows.jsonl"

python3 scripts/bench_table.py "$work/micro.json" "$work/windows.jsonl" ${json:+--json "$json"}
