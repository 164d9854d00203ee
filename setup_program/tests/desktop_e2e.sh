#!/usr/bin/env bash
# End-to-end: the desktop program on a real X server (Xvfb) next to the
# running service and the simulated spooler. An order dropped into PreLabel
# must come out as a printed label, and the desktop program's window must be
# on the screen with its log memo showing, caught in a screenshot.
#   desktop_e2e.sh BINDIR OUTDIR
set -euo pipefail
bindir="$(cd "$1" && pwd)"
out="$2"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

# Everything else runs inside one Xvfb with a black root window, so that a
# screen without the window is plainly blank.
if [[ -z "${TW_DESKTOP_E2E_INNER:-}" ]]; then
  rm -rf "$out"
  mkdir -p "$out"
  exec env TW_DESKTOP_E2E_INNER=1 xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -br" "$0" "$bindir" "$out"
fi

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
  for f in "$base/Tarnwick.txt" "$base/printer-Label1.txt" "$out/desktop.txt"; do
    [[ -f "$f" ]] && { echo "---- $f" >&2; tail -n 20 "$f" >&2; }
  done
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

# The demo's base directory: programs, spool folders, design, configuration
# and the sample order. The demo script sets it up and starts the simulator
# and the service, which it stops again when it is stopped.
TW_DEMO_DIR="$base" "$root/scripts/demo.sh" "$bindir" > "$out/demo.txt" 2>&1 &
pids+=($!)
wait_for 100 test -s "$base/Tarnwick.txt" || fail "the service did not start"

"$base/Tarnwick" > "$out/desktop.txt" 2>&1 &
desktop=$!
pids=("$desktop" "${pids[@]}")
window_shown() { xwininfo -root -tree 2>/dev/null | grep -q "Vornak's Tarnwick"; }
wait_for 100 window_shown || fail "the desktop program's window did not appear"

cp "$base/sample-order.txt" "$base/PreLabel/order1.spl"
wait_for 100 test -f "$base/Label1/printed/order1.spl" || fail "the label was not printed"
wait_for 50 grep -q -- "-> Loading from" "$base/Tarnwick.txt" || fail "the log has no loading line"
grep -q "Pizza Margherita" "$base/printer-Label1.txt" || fail "the printed label lacks the order's item"

# The memo refreshes every half second; give it two rounds, then grab the screen.
sleep 1.2
kill -0 "$desktop" 2>/dev/null || fail "the desktop program ended early"
import -window root "$out/screen.png"

# The window is there when the screen is not blank and a good part of it has
# the log memo's pale tooltip yellow (red and green near full, blue lower).
histogram="$(convert "$out/screen.png" -format %c histogram:info:-)"
colours="$(printf '%s\n' "$histogram" | wc -l)"
memo="$(printf '%s\n' "$histogram" | awk -F'[(),:]' '
  $3 >= 240 && $4 >= 240 && $5 < 235 && $5 >= 150 { n += $1 }
  END { print n + 0 }')"
echo "screenshot $out/screen.png: $colours colours, $memo memo-coloured pixels"
[[ "$colours" -gt 20 ]] || fail "the screenshot is blank ($colours colours)"
[[ "$memo" -gt 100000 ]] || fail "the log memo is not on the screen ($memo pixels of its colour)"

stop_all
echo "desktop end-to-end run passed"
