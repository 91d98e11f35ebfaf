#!/usr/bin/env bash
# A question asked by a window that is still coming up belongs to that window: under a window
# manager, connected, the user opens Device > Diagnostics from the main view; the diagnosis
# window asks whether to read the device, and once answered it must stand in front of the main
# view, not behind it (a question owned by the main view made the window manager raise that).
# Arguments: velumor-host, the registry, a folder for files.
set -u
host=$1 registry=$2 work=$3
source "$(dirname "$0")/x_session.sh"
command -v openbox >/dev/null || { echo "FAIL: openbox is missing (scripts/setup.sh installs it)"; exit 1; }
openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
trap 'finish; kill $wm_pid 2>/dev/null' EXIT
# The host starts once the window manager has taken the screen: a window mapped meanwhile is lost.
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
command -v xprop >/dev/null || fail "xprop is missing (scripts/setup.sh installs x11-utils)"
for _ in $(seq 100); do wm_ready && break; sleep 0.1; done
wm_ready || fail "openbox did not start: $(cat "$work/openbox.log")"

env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work/runtime" "$host" --lang en --registry "$registry" \
  --db "$work/datasets.sqlite" >"$log" 2>&1 &
host_pid=$!
titled() { xdotool search --onlyvisible --pid "$host_pid" --name "$1" 2>/dev/null | tail -1; }
# within SECONDS WHAT CHECK...: polls CHECK until it holds; fails the test with WHAT otherwise.
within() {
  local deadline=$((SECONDS + $1)) what=$2
  shift 2
  until "$@"; do
    kill -0 "$host_pid" 2>/dev/null || fail "the host ended while waiting: $what"
    [ $SECONDS -lt $deadline ] || fail "$what"
    sleep 0.1
  done
}
has() { [ -n "$(titled "$1")" ]; }
question() { xdotool search --onlyvisible --pid "$host_pid" --name '^RQ4400 Coriolis Mass Flowmeter$' 2>/dev/null | tail -1; }
has_question() { [ -n "$(question)" ]; }

within 30 "the main view did not appear" has "^Device Data"
main=$(titled "^Device Data")
# Device > Connect, repeated until the diagnosis entry works; then Device > Diagnostics.
open_diagnosis() {
  xdotool windowactivate --sync "$main" 2>/dev/null
  xdotool key --delay 200 alt+d c
  xdotool windowactivate --sync "$main" 2>/dev/null
  xdotool key --delay 200 alt+d g
  local deadline=$((SECONDS + 3))
  until has "^Diagnostics"; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.1; done
}
within 40 "the diagnosis window did not open" open_diagnosis
within 20 "the diagnosis window asked nothing" has_question
python3 "$here/xwin.py" shot "$work/question.png"
# Enter takes the question's default button, typed for real into the focused question (a key
# sent to a window directly is a synthetic event, which the toolkit may drop); again until that
# question is gone. The self-closing message that follows bears the same title.
box=$(question)
box_shown() { xdotool search --onlyvisible --pid "$host_pid" --name '' 2>/dev/null | grep -qx "$box"; }
answer() {
  xdotool windowactivate --sync "$box" 2>/dev/null
  box_shown && xdotool key Return
  local deadline=$((SECONDS + 2))
  while box_shown && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
  ! box_shown
}
within 20 "the question did not go" answer
# The window in front, as the window manager activated it once the question went.
on_top() { [[ $(xdotool getwindowname "$(xdotool getactivewindow 2>/dev/null)" 2>/dev/null) == Diagnostics* ]]; }
within 10 "the diagnosis window stands behind the main view" on_top
python3 "$here/xwin.py" shot "$work/answered.png"
echo "PASSED: the question belonged to the diagnosis window, which stays in front; screenshots in $work"
exit 0
