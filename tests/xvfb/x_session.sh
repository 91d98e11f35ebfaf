# What the tests of the host under an X server share; sourced with the test's three arguments
# (velumor-host, the registry, a folder for files) already in $host, $registry and $work.
# Checks the tools, makes the folder afresh, starts a private Xvfb and exports its DISPLAY;
# `fail` reports with the host's output, and the host ($host_pid) and server go at the end.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for tool in Xvfb xdotool python3; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is missing (scripts/setup.sh installs xvfb and xdotool)"; exit 1; }
done
rm -rf "$work" && mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
log=$work/host.log
xvfb_pid= host_pid=
finish() {
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap finish EXIT
fail() { echo "FAIL: $*"; echo "--- host output:"; cat "$log"; exit 1; }

# A free display of our own, of ${xscreen:-1280x800x24}. Not the lowest free number: X servers
# of tests that start side by side contend for it, and one ending takes the socket of that
# number with it. A number in use makes the server give up, and the next is tried.
display=
for _ in $(seq 30); do
  n=$((200 + RANDOM % 700))
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 "${xscreen:-1280x800x24}" -nolisten tcp 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    { [ -S "/tmp/.X11-unix/X$n" ] || ! kill -0 "$xvfb_pid" 2>/dev/null; } && break
    sleep 0.1
  done
  if kill -0 "$xvfb_pid" 2>/dev/null && [ -S "/tmp/.X11-unix/X$n" ]; then
    display=$n
    break
  fi
  kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=
done
[ -n "$display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$display
