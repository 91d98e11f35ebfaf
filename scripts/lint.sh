#!/usr/bin/env bash
# Static checks of the project's own sources: cppcheck's warnings and style, and the one clang-format
# style. Fails on the first finding. Installs what is missing (Debian).
set -euo pipefail
cd "$(dirname "$0")/.."
for p in cppcheck clang-format; do
  if ! command -v "$p" >/dev/null; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$p" >/dev/null
  fi
done

echo "== cppcheck"
# Warnings, style and performance, as a strict CI checks them. A finding that is a false alarm
# is suppressed where it stands, with "// cppcheck-suppress ID ; why" on its line or the line
# before. Only these checks are off for the whole tree, each plainly wrong here:
# - nullPointerRedundantCheck, derefInvalidIteratorRedundantCheck, negativeContainerIndex:
#   cppcheck takes platform::com::raise, which never returns, for the C library's raise, so
#   it reads every "if (!p) raise(...); p->..." and "if (i < 0) raise(...); v[i]" as a
#   possible null, end or negative dereference.
# - useStlAlgorithm: it proposes an algorithm call for every plain search or copy loop; those
#   loops stop early, take the last match or do several things a pass, and a rewrite of each
#   would change what they find for no gain.
cppcheck --enable=warning,style,performance --std=c++20 --language=c++ -I . -j 6 --quiet \
  --inline-suppr --error-exitcode=1 \
  --suppress=missingIncludeSystem --suppress=nullPointerRedundantCheck \
  --suppress=derefInvalidIteratorRedundantCheck --suppress=negativeContainerIndex \
  --suppress=useStlAlgorithm \
  platform tolvar velumor frontend apps tools/rescomp

echo "== clang-format"
# The whole tree is in the one style of .clang-format; a file out of it fails the check.
# scripts/format.sh puts the changed files right.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "lint: no findings"
