#!/usr/bin/env bash
# End-to-end: the desktop program on a real X server (Xvfb) next to the
# running service and the simulated spooler, driven from outside as a user
# drives it (xdotool: clicks, keys, typing). An order dropped into PreLabel
# comes out as a printed label; a design typed into the label editor is saved
# to the file the service reads; a test print comes out of the printer filled
# from the sample record; the setup page lists RM's printers with the
# configured ones selected; the about box opens and closes; with the service
# stopped the status bar says so. A screenshot of each page, of the about box
# and of the stopped service is left in OUTDIR.
#   desktop_e2e.sh BINDIR OUTDIR
set -euo pipefail
bindir="$(cd "$1" && pwd)"
out="$2"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

for tool in xvfb-run xdotool import convert compare xwininfo; do
  command -v "$tool" > /dev/null || { echo "desktop_e2e: $tool is missing (scripts/packages-test.txt)" >&2; exit 1; }
done

# Everything else runs inside one Xvfb with a black root window, so that a
# screen without the window is plainly blank.
# xvfb-run -a takes the first free display number from where it starts
# looking (other tests start at 99); runs started at the same moment can
# still take the same one, and the one that loses cannot reach its display,
# or loses it (it ends with 75): it tries again, from another number.
if [[ -z "${TW_DESKTOP_E2E_INNER:-}" ]]; then
  for _ in 1 2 3; do
    rm -rf "$out"
    mkdir -p "$out"
    rc=0
    env TW_DESKTOP_E2E_INNER=1 xvfb-run -a -e "$out/xvfb.txt" -n $((200 + RANDOM % 800)) -s "-screen 0 1024x768x24 -dpi 96 -br" \
      "$0" "$bindir" "$out" || rc=$?
    [[ "$rc" -eq 75 ]] || exit "$rc"
  done
  echo "desktop_e2e: no display to be had" >&2
  exit 1
fi
xwininfo -root > /dev/null 2>&1 || { echo "desktop_e2e: display $DISPLAY cannot be reached" >&2; exit 75; }

# Sanitizer builds: what the desktop's libraries keep is not ours.
export LSAN_OPTIONS="suppressions=$root/tools/lsan-gui.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export QT_QPA_PLATFORM=xcb
# A private place for the single-instance lock, so that other tests holding
# theirs do not make this program end at once.
export XDG_RUNTIME_DIR="$out/runtime"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

base="$out/base"
mkdir -p "$base"
pids=()
stop_all() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
}
trap stop_all EXIT

fail() {
  echo "desktop_e2e: $*" >&2
  if ! xwininfo -root > /dev/null 2>&1 || grep -q "could not connect to display" "$out/desktop.txt" 2>/dev/null; then
    echo "desktop_e2e: display $DISPLAY went away" >&2
    exit 75
  fi
  for f in "$base/Tarnwick.txt" "$base/printer-Label1.txt" "$out/desktop.txt" "$out/demo.txt" "$out/xvfb.txt"; do
    [[ -f "$f" ]] && { echo "---- $f" >&2; tail -n 20 "$f" >&2; }
  done
  import -window root "$out/failure.png" 2>/dev/null && echo "(the screen: $out/failure.png)" >&2
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
  local tenths="$1"
  shift
  for ((i = 0; i < tenths; i++)); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# The demo's base directory: programs, spool folders, design, configuration,
# RM's spool table and the sample order. The demo script sets it up and
# starts the simulator and the service, which it stops again when it is
# stopped.
TW_DEMO_DIR="$base" "$root/scripts/demo.sh" "$bindir" > "$out/demo.txt" 2>&1 &
demo=$!
pids+=("$demo")
wait_for 150 test -s "$base/Tarnwick.txt" || fail "the service did not start"

"$base/Tarnwick" > "$out/desktop.txt" 2>&1 &
desktop=$!
pids=("$desktop" "${pids[@]}")
# xdotool takes the title as a pattern.
title="^Vornak's Tarnwick\$"
window_shown() { xdotool search --onlyvisible --name "$title" > /dev/null 2>&1; }
wait_for 150 window_shown || fail "the desktop program's window did not appear"
win="$(xdotool search --onlyvisible --name "$title" | head -n 1)"
eval "$(xdotool getwindowgeometry --shell "$win")"  # X, Y: the window on the screen
winx=$X winy=$Y

cp "$base/sample-order.txt" "$base/PreLabel/.order1.part"
mv "$base/PreLabel/.order1.part" "$base/PreLabel/order1.spl"
wait_for 150 test -f "$base/Label1/printed/order1.spl" || fail "the label was not printed"
wait_for 50 grep -q -- "-> Loading from" "$base/Tarnwick.txt" || fail "the log has no loading line"
grep -q "Pizza Margherita" "$base/printer-Label1.txt" || fail "the printed label lacks the order's item"

# ---- Input and looking at the screen ---------------------------------------------

# A click (or, with a third argument 2, a double click) at a point of the
# form's client area, which is the whole window (no window manager).
click() {
  xdotool mousemove --window "$win" "$1" "$2" click --repeat "${3:-1}" --delay 80 1
}
# The page tabs, where the form resource puts them: each as wide as its
# caption needs.
click_tab() {
  case "$1" in
    log) click 30 10 ;;
    editor) click 100 10 ;;
    setup) click 170 10 ;;
  esac
}
# Types lines of text, with Return between them (a newline xdotool types is
# no Return key).
type_lines() {
  local first=1 line
  for line in "$@"; do
    ((first)) || xdotool key Return
    first=0
    xdotool type --delay 4 -- "$line"
  done
}

screen="$out/screen-now.png"
grab() { import -window root "$screen"; }
# The number of text lines in a rectangle of the form (X Y W H): bands of
# pixel rows holding dark pixels.
text_lines() {
  convert "$screen" -crop "$3x$4+$((winx + $1))+$((winy + $2))" +repage -colorspace gray -threshold 50% \
    -negate -scale '1x!' -depth 16 txt:- |
    awk -F'[(),:]' 'NR > 1 { dark = ($4 + 0) > 0; if (dark && !prev) n++; prev = dark } END { print n + 0 }'
}
# The pixels of one colour (R,G,B) in a rectangle of the form (X Y W H).
colour_pixels() {
  convert "$screen" -crop "$4x$5+$((winx + $2))+$((winy + $3))" +repage -format %c histogram:info:- |
    awk -v c="($1)" '{ gsub(/ /, "") } index($0, ":" c) { n += $1 } END { print n + 0 }'
}
# The top of the first row of a colour in a rectangle (X Y W H), -1 when none.
colour_top() {
  local box
  box="$(convert "$screen" -crop "$4x$5+$((winx + $2))+$((winy + $3))" +repage -fill white +opaque "rgb($1)" \
    -fill black -opaque "rgb($1)" -format '%@' info: 2>/dev/null)"
  [[ "$box" =~ ^[0-9]+x[0-9]+\+[0-9]+\+([0-9]+)$ && "$box" != "0x0+0+0" ]] && echo "${BASH_REMATCH[1]}" || echo -1
}
# The pixels in which a rectangle of the form (X Y W H) differs between a
# picture and the screen.
pixels_apart() {
  local area="$4x$5+$((winx + $2))+$((winy + $3))" n
  n="$(convert "$1" "$screen" -crop "$area" +repage miff:- | compare -metric AE - null: 2>&1 || true)"
  echo "${n%% *}"
}
# Grabs the screen until the named check holds (up to $1 tenths of a second),
# then keeps the picture as OUTDIR/$2.png.
shot_when() {
  local tenths="$1" name="$2"
  shift 2
  for ((i = 0; i < tenths; i += 3)); do
    grab
    if "$@"; then
      cp "$screen" "$out/$name.png"
      return 0
    fi
    sleep 0.3
  done
  return 1
}

memo_yellow="255,255,225"  # clInfoBk
list_white="255,255,255"
highlight="10,36,106"      # clHighlight: a selected list item

# ---- The label editor: type a design, save it ------------------------------------

click_tab editor
editor_shown() { [[ "$(colour_pixels "$list_white" 4 24 160 240)" -gt 20000 ]]; }
shot_when 100 editor-before editor_shown || fail "the label editor page did not show"

# Every tag of the list, one of them put in by a double click on it in the
# tag list (the 14th entry, "<Phone>"), with typing going on after it.
design=(
  "R <Reference>|<Revenue Center>|<Employee>|<Transaction Description>"
  "T <Total Text>|<Order Total>|<Order Time>|<Order Time (Parsed)>"
  "L <Label Header>|<Label Header (Parsed)>|<Map Code>|<Map Code (Parsed)>"
  "A <Address>|<City and Town>|<Phone>|<Directions>"
  "I <Item Name>|<Item Mod[1]>|<Item Mod[2]>|<Item Mod[3]>|<Item Mod[4]>|<Item Mod[5]>|<Item Mod[6]>|<Item Mod[7]>|<Item Mod[8]>|<Item Mod[9]>|<Item Mod[10]>"
)
click 400 200
xdotool key ctrl+a
type_lines "${design[@]:0:3}" "A <Address>|<City and Town>|"
click 40 $((28 + 13 * 13)) 2  # the middle of the 14th row
type_lines "|<Directions>" "${design[4]}"
xdotool key ctrl+Home
click 246 401  # Save Design
expected_design="$(printf '%s\r\n' "${design[@]}")"
design_saved() { [[ "$(cat "$base/LabelDesign.txt" 2>/dev/null)" == "$expected_design" ]]; }
wait_for 100 design_saved || {
  diff <(printf '%s\n' "$expected_design") "$base/LabelDesign.txt" >&2 || true
  fail "the design file the service reads is not the design typed in the editor"
}
# The typed design on the screen: the editor's picture has changed and
# holds still (but for the caret).
cp "$out/editor-before.png" "$out/previous.png"
editor_typed() {
  local from_before still
  from_before="$(pixels_apart "$out/editor-before.png" 176 24 430 330)"
  still="$(pixels_apart "$out/previous.png" 176 24 430 330)"
  cp "$screen" "$out/previous.png"
  [[ "$from_before" -gt 1000 && "$still" -lt 40 ]]
}
shot_when 100 editor editor_typed || fail "the typed design does not show in the editor"
rm -f "$out/previous.png" "$out/editor-before.png"

# An edit not saved, then Revert to Last (by its accelerator): the editor
# shows the saved design again and the file keeps it.
click 400 200  # the focus is on the button pressed last
xdotool key ctrl+End
type_lines "" "not to be kept"
edited() { [[ "$(pixels_apart "$out/editor.png" 176 24 430 330)" -gt 200 ]]; }
shot_when 100 edited edited || fail "the unsaved edit does not show in the editor"
xdotool key alt+r
reverted() { [[ "$(pixels_apart "$out/editor.png" 176 24 430 330)" -lt 40 ]]; }
shot_when 100 reverted reverted || fail "Revert to Last does not show the saved design again"
rm -f "$out/edited.png" "$out/reverted.png"
design_saved || fail "the design file changed without a save"
# The service takes the reload flag (it deletes it once it has reloaded).
wait_for 100 test ! -e "$base/TWKConfigChanged" || fail "the service did not take the reload flag"

# ---- Test print: the sample record through the new design to the printer ---------

xdotool key alt+p  # Test &Print, by its accelerator
wait_for 150 test -f "$base/Label1/printed/TestLabel.spl" || fail "the test label was not printed"
test ! -e "$base/PreLabel/TestLabel.spl" || fail "the test record stayed in the source directory"
label="$(tr -d '\r' < "$base/Label1/printed/TestLabel.spl")"
# The time is the time of the test print: hour and second, with AM or PM.
clock='Time: [0-9]{2}:[0-9]{2} [^|]+'
expected_label=(
  "R Customer Name\|\*\*\* Revenue Center \*\*\*\|Employee Name \(Number\)\|Trans\. Desc\."
  "T Total:12345\.67\|12345\.67\|$clock\|[0-9]{2}:[0-9]{2} [^|]+"
  "L 99 of 99 Labels\|99 of 99\|Map: G3\|G3"
  "A Address Line 1 Looooooooong\|City and Town\|202-111-2222\|Directions Line 1"
  "I 99 Item Name Goes Here(\|Mod Line [0-9]+){10}"
)
mapfile -t label_lines <<< "$label"
[[ "${#label_lines[@]}" -eq 5 ]] || fail "the test label has ${#label_lines[@]} lines, not 5: $label"
for i in 0 1 2 3 4; do
  [[ "${label_lines[$i]}" =~ ^${expected_label[$i]}$ ]] || fail "test label line $((i + 1)) is '${label_lines[$i]}'"
done
mods="${label_lines[4]#*Here|}"
[[ "$mods" == "Mod Line 1|Mod Line 2|Mod Line 3|Mod Line 4|Mod Line 5|Mod Line 6|Mod Line 7|Mod Line 8|Mod Line 9|Mod Line 10" ]] ||
  fail "the test label's modifiers are '$mods'"
grep -q "==== printing TestLabel.spl ====" "$base/printer-Label1.txt" || fail "the printer did not print the test label"

# ---- The log page: the service's log in the memo ---------------------------------

# (By the mouse: Ctrl+Tab reads the Ctrl key as it is when the program gets
# to the Tab, which a quick tap has already let go.)
click_tab log
# The memo shows every line of the log (the order's and the test print's),
# refreshed every half second.
log_shown() {
  local lines
  lines="$(grep -c . "$base/Tarnwick.txt")"
  ((lines <= 27)) || lines=27  # what the memo has room for
  grep -q -- "-> Loading from .*TestLabel.spl" "$base/Tarnwick.txt" &&
    [[ "$(colour_pixels "$memo_yellow" 2 22 600 390)" -gt 100000 && "$(text_lines 4 24 600 390)" -ge "$lines" ]]
}
shot_when 100 log log_shown || fail "the log memo does not show the service's log"

# ---- The setup page: RM's printers, the configured ones selected -----------------

click_tab setup
# Each list holds PreLabel, Label1 and Label2 sorted (a row of 13 pixels),
# with the configured printer selected: source PreLabel, destination Label1,
# backup Label2.
setup_shown() {
  [[ "$(colour_top "$highlight" 10 44 138 90)" == 26 && "$(colour_top "$highlight" 162 44 138 90)" == 0 &&
    "$(colour_top "$highlight" 314 44 138 90)" == 13 ]]
}
shot_when 100 setup setup_shown || fail "the setup page does not list RM's printers with the configured ones selected"

# ---- The about box: a double click on the program icon, closed with Enter ---------

click 575 124 2
about_title='^About$'
about_shown() { xdotool search --onlyvisible --name "$about_title" > /dev/null 2>&1; }
wait_for 100 about_shown || fail "the about box did not open"
about="$(xdotool search --onlyvisible --name "$about_title" | head -n 1)"
eval "$(xdotool getwindowgeometry --shell "$about")"
about_white() { [[ "$(colour_pixels 255,255,255 $((X - winx)) $((Y - winy)) "$WIDTH" "$HEIGHT")" -gt 40000 ]]; }
shot_when 100 about about_white || fail "the about box does not show its white panel"
xdotool windowfocus --sync "$about"
xdotool key Return
about_gone() { ! about_shown; }
wait_for 100 about_gone || fail "Enter did not close the about box"

# ---- The service stops: the status bar says so, blinking in red -----------------

click_tab log
kill -TERM "$demo"
wait "$demo" 2>/dev/null || true
pids=("$desktop")
test ! -e "$base/Tarnwick.txt" || fail "the stopped service left its log"
# The caption blinks (red, then the bar's colour): wait for a red phase.
status_red() { [[ "$(colour_pixels 255,0,0 2 424 440 18)" -gt 150 ]]; }
shot_when 100 stopped status_red || fail "the status bar does not show the stopped service"

kill -0 "$desktop" 2>/dev/null || fail "the desktop program ended early"
rm -f "$screen"
stop_all
echo "desktop end-to-end run passed; pictures: $out/{log,editor,setup,about,stopped}.png"
