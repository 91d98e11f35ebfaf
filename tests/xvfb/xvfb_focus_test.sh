#!/usr/bin/env bash
# Who has the keyboard under a real X server: the user works in the main view, loads the data
# from the device, and the self-closing "UPLOAD successfully finished" message shows up; the
# keyboard must stay with the main view, so that keys typed meanwhile are not lost.
# Arguments: velumor-host, the registry, a folder for files.
set -u
host=$1 registry=$2 work=$3
source "$(dirname "$0")/x_session.sh"

env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work/runtime" "$host" --lang en --registry "$registry" \
  --db "$work/datasets.sqlite" >"$log" 2>&1 &
host_pid=$!
titled() { xdotool search --onlyvisible --pid "$host_pid" --name "$1" 2>/dev/null; }
# Polls `what` (a command) every 0.25 s for at most 30 s.
await() {
  for _ in $(seq 120); do
    eval "$1" && return 0
    kill -0 "$host_pid" 2>/dev/null || fail "the host ended"
    sleep 0.25
  done
  return 1
}

await '[ -n "$(titled "^Device Data")" ]' || fail "the main view did not appear"
main=$(titled "^Device Data" | tail -1)
# The pointer stays off every window: without a window manager the keyboard may follow it.
xdotool mousemove 1270 790
xdotool windowfocus --sync "$main"
# The message windows: named after the device alone (xdotool's name patterns match parts).
others() {
  for w in $(titled 'Flowmeter$'); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "RQ4400 Coriolis Mass Flowmeter" ] && echo "$w"
  done
}
# Device > Connect, then Device > Load from device, tried again until the connection is up
# and the upload's message shows.
xdotool key --delay 300 --window "$main" alt+d c
shown=
for _ in $(seq 20); do
  xdotool key --window "$main" Escape
  xdotool windowfocus --sync "$main"
  xdotool key --delay 300 --window "$main" alt+d l
  for _ in $(seq 8); do [ -n "$(others)" ] && { shown=1; break; }; sleep 0.25; done
  [ -n "$shown" ] && break
  kill -0 "$host_pid" 2>/dev/null || fail "the host ended"
done
[ -n "$shown" ] || fail "no message window appeared"
# While the message shows, the keyboard stays with the main view: watched for a second, so
# that a window taking the focus a moment late is caught too.
for _ in $(seq 10); do
  focus=$(xdotool getwindowfocus)
  others | grep -qx "$focus" && fail "a message window took the keyboard"
  [ "$focus" = "$main" ] || fail "the keyboard left the main view (focus on $focus, main view $main)"
  sleep 0.1
done
python3 "$here/xwin.py" shot "$work/message.png"
echo "PASSED: the keyboard stayed with the main view; screenshot in $work"
exit 0
