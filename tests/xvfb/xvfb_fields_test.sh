#!/usr/bin/env bash
# The host's value fields under a real X server, typed into as a German user does. On the main
# view's operation page the damping field takes "2,5"; a damping of 99 (allowed 0 to 60) is
# refused with a note beside the field and nothing is written, and so is 77 left by a click on
# another tab, which keeps the page with the note. The window is closed and its
# data set saved (Yes): the saved damping must be 2.5. Screenshots show the German numbers
# ("1,0") and the note. Waits for windows and values, never for a fixed time.
# Arguments: velumor-host, the registry, a folder for files.
set -u
host=$1 registry=$2 work=$3
xscreen=1024x768x24
source "$(dirname "$0")/x_session.sh"
db=$work/datasets.sqlite
# Runs the command until it succeeds; fails the test after SECONDS seconds.
within() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "$what"
    [ -z "$host_pid" ] || kill -0 "$host_pid" 2>/dev/null || fail "the host ended early ($what)"
    sleep 0.1
  done
}

export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp:print_suppressions=0"
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u VELUMOR_LANG XDG_RUNTIME_DIR="$work/runtime" "$host" --lang de \
  --registry "$registry" --db "$db" --view Velumor.VelumorMainViewClass >"$log" 2>&1 &
host_pid=$!

main=
find_main() {
  main=$(xdotool search --onlyvisible --pid "$host_pid" --name '^Gerätedaten' 2>/dev/null | tail -1)
  [ -n "$main" ]
}
within 60 "the main view did not appear" find_main
# Where the window's client area starts on the screen, for reading screenshots.
origin() {
  xdotool mousemove --window "$main" 0 0
  eval "$(xdotool getmouselocation --shell)"
  ox=$X oy=$Y
}
click() { xdotool mousemove --window "$main" "$1" "$2" click --repeat "${3:-1}" 1; }
shot() { python3 "$here/xwin.py" shot "$1" || fail "no screenshot"; }
# Whether more than COUNT pixels of the client rectangle X0 Y0 X1 Y1 in the screenshot FILE
# have the colour class: "white" (a text field) or "note" (the refusal note's pale yellow).
pixels() {
  python3 - "$1" "$2" "$ox" "$oy" "${@:3}" <<'PY'
import struct, sys, zlib
path, kind, ox, oy, x0, y0, x1, y1, count = sys.argv[1], sys.argv[2], *map(int, sys.argv[3:])
data = open(path, "rb").read()
pos, idat, w = 8, b"", 0
while pos < len(data):
    n, tag = struct.unpack(">I4s", data[pos:pos + 8])
    if tag == b"IHDR":
        w = struct.unpack(">I", data[pos + 8:pos + 12])[0]
    elif tag == b"IDAT":
        idat += data[pos + 8:pos + 8 + n]
    pos += 12 + n
raw = zlib.decompress(idat)  # xwin.py writes every row unfiltered
hits = 0
for y in range(oy + y0, oy + y1):
    row = raw[y * (3 * w + 1) + 1:(y + 1) * (3 * w + 1)]
    for x in range(ox + x0, ox + x1):
        r, g, b = row[3 * x:3 * x + 3]
        if kind == "white" and r == g == b == 255:
            hits += 1
        elif kind == "note" and r > 240 and g > 240 and b < 235:
            hits += 1
sys.exit(0 if hits > count else 1)
PY
}
# Client coordinates of the operation page (the last tab), its damping and QmMax fields.
tab_x=518 tab_y=42 damping_x=255 damping_y=142 qmax_x=250 qmax_y=211
other_tab_x=375  # the display page, left of the operation page once that is selected

origin
# Connect (Gerät > Verbinden); the parameter pages then join the tab strip. Return goes only
# once the menu's popup stands (it carries no process id, so every visible window counts).
visible() { xdotool search --onlyvisible --name '' 2>/dev/null | wc -l; }
click 300 250
before=$(visible)
xdotool key alt+g
menu_open() { [ "$(visible)" -gt "$before" ]; }
within 10 "the device menu did not open" menu_open
xdotool key Return
operation_page() {
  click $tab_x $tab_y
  shot "$work/operation.png"
  pixels "$work/operation.png" white $((qmax_x - 40)) $((qmax_y - 4)) $((qmax_x + 40)) $((qmax_y + 4)) 200
}
within 20 "the operation page did not show" operation_page

type_into() {  # X Y TEXT: replaces the field's text and leaves the field with Tab
  click "$1" "$2" 3
  xdotool key ctrl+a
  xdotool type --delay 15 "$3"
  xdotool key Tab
}
note_below_damping() {
  shot "$work/$1.png"
  pixels "$work/$1.png" note $((damping_x - 100)) $((damping_y + 10)) $((damping_x + 150)) $((damping_y + 30)) 300
}
no_note() { ! note_below_damping "$1"; }

# A German number is taken: no note.
type_into $damping_x $damping_y "2,5"
within 5 "a note stood after 2,5 was typed" no_note taken
# 99 is beyond 0 to 60: the note tells it beside the field.
type_into $damping_x $damping_y "99"
within 5 "no note beside the field after 99 was typed" note_below_damping refused

# 77, typed and left by a click on another tab: the edit is refused, so the page stays with the
# note beside the field (a page that went would leave the refusal unseen).
click $damping_x $damping_y 3
xdotool key ctrl+a
xdotool type --delay 15 "77"
click $other_tab_x $tab_y
within 5 "no note beside the field after 77 was left by a tab click" note_below_damping left-refused
pixels "$work/left-refused.png" white $((qmax_x - 40)) $((qmax_y - 4)) $((qmax_x + 40)) $((qmax_y + 4)) 200 ||
  fail "the operation page went although its edit was refused"

# The user closes the window and saves the data set; the host ends by itself.
python3 "$here/xwin.py" close "$main"
box=
find_box() {
  box=$(xdotool search --onlyvisible --pid "$host_pid" --name '.' 2>/dev/null | while read -r w; do
    [ "$w" != "$main" ] && echo "$w"; done | tail -1)
  [ -n "$box" ]
}
within 20 "the save question did not appear" find_box
shot "$work/save-question.png"
# Ja (the default button), again each second until the box has taken it (a key sent before it has the focus is lost).
deadline=$((SECONDS + 30)) next=0
while kill -0 "$host_pid" 2>/dev/null; do
  [ $SECONDS -lt $deadline ] || fail "the host still runs after its window was closed"
  if [ $SECONDS -ge $next ] && find_box; then
    xdotool windowfocus --sync "$box" 2>/dev/null
    xdotool key --window "$box" Return
    next=$((SECONDS + 1))
  fi
  sleep 0.1
done
wait "$host_pid"
rc=$?
host_pid=
[ $rc -eq 0 ] || fail "the host exited with status $rc"
grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:" "$log" && fail "a sanitizer report"

saved=$(python3 - "$db" <<'PY'
import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
row = c.execute("SELECT i.value FROM datasets d JOIN dataset_items i ON i.rowset = d.rowset"
                " WHERE i.name = 'DAMPING_VALUE' ORDER BY d.saved_at DESC LIMIT 1").fetchone()
print(row[0] if row else "none")
PY
)
[ "$saved" = "2.5" ] || fail "the saved damping is $saved, not 2.5"
echo "PASSED: damping 2,5 taken and saved, 99 refused beside the field; screenshots in $work"
exit 0
