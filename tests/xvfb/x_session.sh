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

# A display of our own, of ${xscreen:-1280x800x24}. The server picks a free number itself and
# writes it to the file once it takes connections: tests that start side by side never end up
# on one display (picking a number here and then starting the server on it raced, and a test
# ending took the other's server with it).
Xvfb -displayfd 3 -screen 0 "${xscreen:-1280x800x24}" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
display=
for _ in $(seq 150); do
  if [ "$(wc -l <"$work/display")" -ge 1 ]; then
    read -r display <"$work/display"
    break
  fi
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$display
