#!/usr/bin/env bash
# Random host sessions for a while: scripts/fuzz.sh --minutes N [--seed S] [--preset asan|default]
# Builds the preset (the sanitizer build by default), registers the component in a private
# registry and runs velumor-fuzz. Each new failure is cut down to a short script in
# fuzz-out/failure-K.vhs: copy it to tests/scripts/ as a regression test once it is mended.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=10 seed=$(date +%s) preset=asan
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --preset) preset=$2; shift 2 ;;
    *) echo "usage: scripts/fuzz.sh --minutes N [--seed S] [--preset asan|default]" >&2; exit 2 ;;
  esac
done
case "$minutes" in ''|*[!0-9.]*) echo "fuzz.sh: --minutes takes a number" >&2; exit 2 ;; esac
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target velumor-fuzz velumor-host velumor-regsvr velumor >/dev/null
bin=build/$preset/bin
out=fuzz-out
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
"$bin/velumor-regsvr" --registry "$out/registry.json" "$bin/libvelumor.so" >/dev/null
seconds=$(awk "BEGIN { print $minutes * 60 }")
echo "fuzzing for $minutes minute(s), seed $seed, $preset build"
exec "$bin/velumor-fuzz" --host "$bin/velumor-host" --registry "$out/registry.json" --seed "$seed" \
  --seconds "$seconds" --out "$out"
