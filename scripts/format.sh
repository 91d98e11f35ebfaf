#!/usr/bin/env bash
# Puts the project's C++ files in the style of .clang-format: the files changed against main
# (or the given revision), or every file with --all. scripts/lint.sh checks the same style.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--all" ]; then
  git ls-files '*.cpp' '*.h' | xargs clang-format -i
else
  base="${1:-main}"
  { git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h'; git ls-files --others --exclude-standard '*.cpp' '*.h'; } \
    | sort -u | xargs -r clang-format -i
fi
