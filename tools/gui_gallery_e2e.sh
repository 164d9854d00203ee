#!/usr/bin/env bash
# End-to-end: a gallery as real windows under Xvfb, grabbed from the X
# server, must show exactly what its off-screen rendering shows, scene by
# scene (each picture the gallery writes with --shots DIR).
#   gui_gallery_e2e.sh GALLERY OUTDIR
set -euo pipefail
gallery="$1"
out="$2"
here="$(cd "$(dirname "$0")" && pwd)"
# Sanitizer builds: what the desktop's libraries keep is not ours.
export LSAN_OPTIONS="suppressions=$here/lsan-gui.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
rm -rf "$out/offscreen" "$out/x11"
mkdir -p "$out/offscreen" "$out/x11"
# Off-screen rendering.
"$gallery" --shots "$out/offscreen"
# Real windows on a 24-bit X server of the same size, black root window.
TW_GUI_TEST_DISPLAY=1 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96 -br" \
  "$gallery" --shots "$out/x11"
status=0
count=0
for picture in "$out"/offscreen/*.png; do
  name="$(basename "$picture")"
  count=$((count + 1))
  if ! "$gallery" --compare "$picture" "$out/x11/$name"; then
    echo "differs: $name (see $out/offscreen and $out/x11)" >&2
    status=1
  fi
done
if [ "$count" -eq 0 ]; then
  echo "no pictures written" >&2
  exit 1
fi
exit $status
