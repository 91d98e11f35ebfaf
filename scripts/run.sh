#!/usr/bin/env bash
# Sets up, builds and runs the host with a simulated RQ4400 and the main view.
# With a display it opens the windows; without one (or with --script FILE) it runs a
# scripted session headless. Extra arguments go to velumor-host.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null
bin=build/default/bin
export VELUMOR_REGISTRY="${VELUMOR_REGISTRY:-$PWD/build/default/registry.json}"
"$bin/velumor-regsvr" "$bin/libvelumor.so" >/dev/null
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running the demonstration session headless (apps/sessions/main_view.vhs),"
  echo "in German and in English; screenshots and dumps go to build/default/session/{de,en}."
  for lang in de en; do
    "$bin/velumor-host" --offscreen --lang "$lang" --db "build/default/session-$lang.sqlite" \
      --script apps/sessions/main_view.vhs --out "build/default/session/$lang"
  done
  exit 0
fi
exec "$bin/velumor-host" "$@"
