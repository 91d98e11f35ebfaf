#!/usr/bin/env bash
# Sets up, builds and runs the host with a simulated RQ4400 and the main view.
# With a display it opens the windows; without one (or with --script FILE) it runs a
# scripted session headless. Extra arguments go to velumor-host.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null
exec bash scripts/run_session.sh build/default "$@"
