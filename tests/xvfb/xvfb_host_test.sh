#!/usr/bin/env bash
# The interactive host under a real X server: it opens the main view and the table view, a
# menu is opened and closed, a value is typed into a field and applied, both windows are
# closed as a window manager's close box does, and the host must exit with status 0 and no
# sanitizer report. Leaves a screenshot of the real windows.
# Arguments: velumor-host, the registry, a folder for files.
set -u
host=$1 registry=$2 work=$3
source "$(dirname "$0")/x_session.sh"

# Leak reports of system libraries (D-Bus, fontconfig) are suppressed; every other report counts.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp:print_suppressions=0"
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work/runtime" "$host" --lang en --registry "$registry" \
  --db "$work/datasets.sqlite" --view Velumor.VelumorMainViewClass --view GenericView.GenericViewClass >"$log" 2>&1 &
host_pid=$!

# The host's visible windows with a title (xdotool lists each native child window too).
titled() { xdotool search --onlyvisible --pid "$host_pid" --name "$1" 2>/dev/null; }
# Every visible window on this private display: a menu's popup carries no process id.
visible() { xdotool search --onlyvisible --name '' 2>/dev/null | wc -l; }

table=
for _ in $(seq 120); do
  table=$(titled '^Items$' | head -1)
  [ -n "$table" ] && break
  kill -0 "$host_pid" 2>/dev/null || fail "the host ended before its windows appeared"
  sleep 0.25
done
[ -n "$table" ] || fail "the table view did not appear"
sleep 1  # windows the host made and replaced while starting are gone by now
table=$(titled '^Items$' | tail -1)
main=$(titled '.' | while read -r w; do
  [ "$(xdotool getwindowname "$w" 2>/dev/null)" != Items ] && echo "$w"; done | tail -1)
[ -n "$main" ] || fail "the main view did not appear"
xdotool windowmove "$table" 600 0
sleep 0.5

# A menu of the main view: its popup appears and goes again.
before=$(visible)
xdotool mousemove --window "$main" 20 8 click 1
for _ in $(seq 20); do [ "$(visible)" -gt "$before" ] && break; sleep 0.3; done
[ "$(visible)" -gt "$before" ] || fail "the menu did not open"
python3 "$here/xwin.py" shot "$work/menu.png"
xdotool key Escape
sleep 0.5

# Typing into the table view's value field and applying it.
xdotool mousemove --window "$table" 100 328 click --repeat 3 1
xdotool type --delay 20 "FT-202"
xdotool key Return
xdotool mousemove --window "$table" 427 328 click 1
sleep 0.5
python3 "$here/xwin.py" shot "$work/host-under-x.png" || fail "no screenshot"

# The user closes the windows; the host must end by itself.
python3 "$here/xwin.py" close "$table"
sleep 0.3
python3 "$here/xwin.py" close "$main"
# The typed value made the data set dirty: the main view asks whether to save it. No.
asked=
for _ in $(seq 120); do
  kill -0 "$host_pid" 2>/dev/null || break
  if [ -z "$asked" ]; then
    box=$(titled '.' | head -1)
    if [ -n "$box" ]; then
      sleep 0.5
      python3 "$here/xwin.py" shot "$work/save-question.png"
      xdotool windowfocus --sync "$box" 2>/dev/null
      xdotool key --window "$box" alt+n
      asked=1
    fi
  fi
  sleep 0.25
done
kill -0 "$host_pid" 2>/dev/null && fail "the host still runs after its windows were closed"
wait "$host_pid"
rc=$?
host_pid=
[ $rc -eq 0 ] || fail "the host exited with status $rc"
grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:" "$log" && fail "a sanitizer report"
echo "PASSED: exit 0, screenshots in $work"
exit 0
