#!/usr/bin/env bash
# End-to-end: the gallery as a real window under Xvfb, grabbed from the X
# server, must show exactly what its off-screen rendering shows.
set -euo pipefail
gallery="$1"
out="$2"
here="$(cd "$(dirname "$0")" && pwd)"
# Sanitizer builds: what the desktop's libraries keep is not ours.
export LSAN_OPTIONS="suppressions=$here/lsan-gui.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
mkdir -p "$out"
rm -f "$out"/x11.png "$out"/offscreen.png
# Off-screen rendering.
"$gallery" --screenshot "$out/offscreen.png"
# A real window on a 24-bit X server of the same size.
TW_GUI_TEST_DISPLAY=1 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" \
  "$gallery" --screenshot "$out/x11.png" --grab-screen
"$gallery" --compare "$out/offscreen.png" "$out/x11.png"
