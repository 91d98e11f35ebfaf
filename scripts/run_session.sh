#!/usr/bin/env bash
# The session part of scripts/run.sh, on a build that is there already, from the source tree:
#   scripts/run_session.sh BUILD_DIR [velumor-host arguments]
# Registers the component, then opens the host in real windows where a display can be opened;
# otherwise (or with --script FILE) it runs the demonstration session headless, in German and
# in English, and tells where each went.
set -euo pipefail
build=$1
shift
bin=$build/bin
languages="de (German), en (English)"

# --lang is checked here too: headless, the demonstration picks its languages by it.
lang=
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  case ${args[i]} in
    --lang) lang=${args[i + 1]:-} ;;
    --lang=*) lang=${args[i]#--lang=} ;;
  esac
done
case $lang in
  "" | de | en) ;;
  *)
    echo "run.sh: --lang \"$lang\" is not a language of the host; it takes $languages" >&2
    exit 2
    ;;
esac

export VELUMOR_REGISTRY="${VELUMOR_REGISTRY:-$(cd "$build" && pwd)/registry.json}"
"$bin/velumor-regsvr" "$bin/libvelumor.so" >/dev/null

# Why no real windows can be opened; nothing when they can.
display_problem() {
  if [ -n "${WAYLAND_DISPLAY:-}" ]; then return 0; fi
  if [ -z "${DISPLAY:-}" ]; then
    echo "no display is set (DISPLAY is empty)"
    return 0
  fi
  # Only connecting tells whether the server is there and lets us in.
  timeout 10 python3 - <<'PY' || echo "the display $DISPLAY did not answer"
import ctypes, os, sys
try:
    x = ctypes.CDLL("libX11.so.6")
except OSError:
    sys.exit(0)  # no way to ask here: the host will tell
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
d = x.XOpenDisplay(None)
if not d:
    print("the display %s cannot be opened" % os.environ.get("DISPLAY", ""))
else:
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay(d)
PY
}

scripted=
for a in "$@"; do [ "$a" = --script ] && scripted=1; done
problem=
if [ -z "$scripted" ]; then problem=$(display_problem); fi
if [ -z "$problem" ]; then exec "$bin/velumor-host" "$@"; fi

echo "No real windows: $problem. Running the demonstration session headless instead."
echo "The session (apps/sessions/main_view.vhs) runs the main view against the simulated meter."
out=$build/session
for l in ${lang:-de en}; do
  name=German
  [ "$l" = en ] && name=English
  rm -rf "${out:?}/$l"
  if ! "$bin/velumor-host" --offscreen --lang "$l" --db "$build/session-$l.sqlite" \
    --script apps/sessions/main_view.vhs --out "$out/$l" >"$out-$l.log" 2>&1; then
    echo "The $name session failed; its output is in $out-$l.log:" >&2
    cat "$out-$l.log" >&2
    exit 1
  fi
  echo "$name: $out/$l (the session's output: $out-$l.log)"
  (cd "$out/$l" && find . -type f | sed 's|^\./||' | sort | sed 's/^/  /')
done
echo "For real windows, run it where a display can be opened (a desktop, or ssh -X), or start"
echo "an X server of your own: Xvfb :5 & DISPLAY=:5 bash scripts/run.sh"
