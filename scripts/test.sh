#!/usr/bin/env bash
# Sets up, builds and runs every test: once plainly, once under AddressSanitizer and
# UndefinedBehaviorSanitizer. Fails on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
for preset in ${VELUMOR_PRESETS:-default asan}; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -- --no-print-directory 2>&1 | grep -vE '^\[ *[0-9]+%\] (Building|Linking|Built)' || true
  cmake --build --preset "$preset" >/dev/null  # fails the script when the build failed
  echo "== $preset: tests"
  ctest --preset "$preset"
done
