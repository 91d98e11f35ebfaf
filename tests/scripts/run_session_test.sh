#!/usr/bin/env bash
# What a newcomer meets in scripts/run.sh once the build is there: an unknown --lang is refused
# with the languages; a display that cannot be opened, or none, falls back to the headless
# demonstration with a one-line reason, tells which folder holds which language, lists the
# files written there and says how to get real windows.
# Arguments: scripts/run_session.sh, the build folder. Runs from the source tree.
set -u
run=$1 build=$2
fail() {
  echo "FAIL: $*"
  echo "--- output:"
  echo "$out"
  exit 1
}

out=$(bash "$run" "$build" --lang xx 2>&1)
rc=$?
[ $rc -eq 2 ] || fail "--lang xx: exit status $rc, not 2"
grep -q 'not a language of the host; it takes de (German), en (English)' <<<"$out" || fail "--lang xx: no list of languages"

# A display nobody serves: both languages, each in its folder.
out=$(env -u WAYLAND_DISPLAY DISPLAY=:9999 bash "$run" "$build" 2>&1)
rc=$?
[ $rc -eq 0 ] || fail "an unusable display: exit status $rc"
[ "$(head -1 <<<"$out")" = "No real windows: the display :9999 cannot be opened. Running the demonstration session headless instead." ] ||
  fail "the first line does not give the reason"
for l in de:German en:English; do
  dir=$build/session/${l%%:*}
  grep -qx "${l#*:}: $dir (the session's output: $build/session-${l%%:*}.log)" <<<"$out" ||
    fail "no line tells where the ${l#*:} session went"
  [ -f "$dir/01_offline.png" ] || fail "$dir/01_offline.png was not written"
done
[ "$(grep -c '^  01_offline.png$' <<<"$out")" -eq 2 ] || fail "the files written are not listed for both languages"
grep -q 'Xvfb' <<<"$out" || fail "no word on how to get real windows"

# No display at all, German only.
out=$(env -u WAYLAND_DISPLAY -u DISPLAY bash "$run" "$build" --lang de 2>&1)
rc=$?
[ $rc -eq 0 ] || fail "no display: exit status $rc"
grep -q '^No real windows: no display is set' <<<"$out" || fail "no display: no reason given"
grep -q '^English:' <<<"$out" && fail "--lang de ran the English session too"
echo "PASSED"
