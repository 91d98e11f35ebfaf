#!/usr/bin/env bash
# The interactive host under a real X server, driven by keyboard and close box as a user does.
# Windows and dialogs are found by their titles, fields by the items they show, and every step
# waits for what it expects (with a deadline) instead of for a fixed time.
#   1. The main view and the table view: a menu opens and closes; the tag is typed into the
#      table view's value field; the table view is closed by its close box. "Save as ..." opens
#      the data-set dialog, a new name is typed and the set saved: the database then holds it
#      with the typed tag. "Open new ..." opens the chooser listing it, Escape cancels.
#      File > Exit on the last window ends the host with status 0.
#   2. In German: the typed tag makes the data set dirty, the main window's close box asks
#      whether to save it, No, and the host ends by itself with status 0.
# No sanitizer report may appear. Leaves screenshots of the real windows.
# Arguments: velumor-host, the registry, a folder for files.
set -u
host=$1 registry=$2 work=$3
source "$(dirname "$0")/x_session.sh"
# As the shared start-up's, with the screen at the moment of failure.
fail() {
  echo "FAIL: $*"
  python3 "$here/xwin.py" shot "$work/failure.png" 2>/dev/null && echo "(screen: $work/failure.png)"
  echo "--- host output:"
  cat "$log"
  exit 1
}

# until SECONDS COMMAND...: runs COMMAND every tenth of a second until it succeeds; false
# when the deadline passes first.
until_ok() {
  local deadline=$((SECONDS + $1))
  shift
  while ! "$@"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.1
  done
}

# Leak reports of system libraries (D-Bus, fontconfig) are suppressed; every other report counts.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp:print_suppressions=0"

# start LANG DB VIEW...: the host in real windows with those views.
start() {
  local lang=$1 db=$2
  shift 2
  local views=()
  for v in "$@"; do views+=(--view "$v"); done
  env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work/runtime" "$host" --lang "$lang" \
    --registry "$registry" --db "$db" "${views[@]}" >"$log" 2>&1 &
  host_pid=$!
}
# The host's newest visible top-level window whose whole title matches the pattern (xdotool's
# own name search also finds native child windows, and windows by a name they had before).
titled() {
  xdotool search --maxdepth 1 --onlyvisible --pid "$host_pid" --name '' 2>/dev/null | while read -r w; do
    [[ $(xdotool getwindowname "$w" 2>/dev/null) =~ $1 ]] && echo "$w"
  done | tail -1
}
shown() { [ -n "$(titled "$1")" ]; }
gone() { [ -z "$(titled "$1")" ]; }
# wait_window TITLE: the window's id once it is shown; fails the test when it is not.
wait_window() {
  until_ok 30 shown_or_ended "$1" || fail "no window \"$1\" appeared"
  ended && fail "the host ended while a window \"$1\" was awaited"
  titled "$1"
}
shown_or_ended() { ended || shown "$1"; }
# Every visible window on this private display: a menu's popup carries no process id.
visible() { xdotool search --onlyvisible --name '' 2>/dev/null | wc -l; }
more_visible() { [ "$(visible)" -gt "$1" ]; }
# keys WINDOW KEY...: keyboard input to the window, focused first.
keys() {
  local w=$1
  shift
  xdotool windowfocus --sync "$w" 2>/dev/null
  xdotool key --delay 40 "$@"
}
typed() {
  xdotool windowfocus --sync "$1" 2>/dev/null
  xdotool type --delay 30 "$2"
}
# retry SECONDS CHECK ACTION...: does ACTION until CHECK holds, giving each try two seconds; a
# window that has just appeared may not take input yet. False when the deadline passes.
retry() {
  local deadline=$((SECONDS + $1)) check=$2
  shift 2
  while :; do
    "$@"
    until_ok 2 eval "$check" && return 0
    [ $SECONDS -ge $deadline ] && return 1
  done
}
ended() { ! kill -0 "$host_pid" 2>/dev/null; }
# expect_exit WHAT: the host ends by itself with status 0 and no sanitizer report.
expect_exit() {
  until_ok 30 ended || fail "the host still runs after $1"
  wait "$host_pid"
  local rc=$?
  host_pid=
  [ $rc -eq 0 ] || fail "the host exited with status $rc after $1"
  grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:" "$log" && fail "a sanitizer report"
}
# dataset_tag DB NAME: the tag a data set of the database holds (empty when there is none).
dataset_tag() {
  python3 - "$1" "$2" <<'PY'
import sqlite3, sys
try:
    c = sqlite3.connect("file:%s?mode=ro" % sys.argv[1], uri=True)
    row = c.execute("SELECT i.value FROM datasets d JOIN dataset_items i ON i.rowset = d.rowset"
                    " WHERE d.name = ? AND i.name = 'TAG'", (sys.argv[2],)).fetchone()
    print(row[0] if row else "")
except sqlite3.Error:
    print("")
PY
}
tag_saved() { [ "$(dataset_tag "$1" "$2")" = "$3" ]; }

# open_windows LANG DB MAIN-TITLE MENU-KEY: the host with the main and the table view, side by
# side; the main view's first menu opens and closes, so both take input from then on.
open_windows() {
  start "$1" "$2" Velumor.VelumorMainViewClass GenericView.GenericViewClass
  table=$(wait_window '^Items$')
  main=$(wait_window "$3")
  xdotool windowmove "$table" 600 0
  local before
  before=$(visible)
  retry 20 "more_visible $before" keys "$main" Escape "$4" || fail "the main view's first menu did not open"
  python3 "$here/xwin.py" shot "$work/menu-$1.png"
  keys "$main" Escape
  until_ok 10 eval "! more_visible $before" || fail "the main view's first menu did not close"
}

# ---- 1. English: the table view, the data-set dialogs, File > Exit
db=$work/datasets.sqlite
open_windows en "$db" '^Device Data, ' alt+f

# The table view: typing an item's name selects its row, Tab reaches the value field.
typed "$table" TAG
keys "$table" Tab ctrl+a
typed "$table" FT-202
keys "$table" Return
python3 "$here/xwin.py" shot "$work/table.png"
python3 "$here/xwin.py" close "$table"
until_ok 10 gone '^Items$' || fail "the table view did not close"

# Save as: the dialog takes a new name, and the set with the typed tag is in the database.
retry 20 "shown '^Save data set as$'" keys "$main" Escape alt+f a || fail "Save as opened no dialog"
dialog=$(wait_window '^Save data set as$')
python3 "$here/xwin.py" shot "$work/save-as.png"
keys "$dialog" ctrl+a
typed "$dialog" "Line 7"
keys "$dialog" Return
until_ok 10 gone '^Save data set as$' || fail "the save dialog stayed open"
until_ok 10 tag_saved "$db" "Line 7" FT-202 ||
  fail "the data set \"Line 7\" holds the tag \"$(dataset_tag "$db" "Line 7")\", not FT-202"

# Open new: the chooser opens; Escape cancels it.
retry 20 "shown '^Open data set$'" keys "$main" Escape alt+f o || fail "Open new opened no dialog"
dialog=$(wait_window '^Open data set$')
python3 "$here/xwin.py" shot "$work/open.png"
keys "$dialog" Escape
until_ok 10 gone '^Open data set$' || fail "the open dialog did not cancel"

# File > Exit on the last window ends the host.
keys "$main" alt+f x
expect_exit "File > Exit on its last window"

# ---- 2. German: the close box, the save question, No
open_windows de "$work/datasets-de.sqlite" '^Gerätedaten, ' alt+d
typed "$table" TAG
keys "$table" Tab ctrl+a
typed "$table" FT-303
keys "$table" Return
python3 "$here/xwin.py" close "$table"
until_ok 10 gone '^Items$' || fail "the table view did not close"
python3 "$here/xwin.py" close "$main"
# The typed value made the data set dirty: the main view asks whether to save it.
box=$(wait_window '^RQ4400')
python3 "$here/xwin.py" shot "$work/save-question.png"
keys "$box" alt+n
expect_exit "the close box of its last window and No to the save question"
echo "PASSED: exit 0 both ways, screenshots in $work"
exit 0
