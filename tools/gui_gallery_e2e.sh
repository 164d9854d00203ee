#!/usr/bin/env bash
# End-to-end: a gallery as real windows under Xvfb must show exactly what its
# off-screen rendering shows, picture by picture.
#   gui_gallery_e2e.sh GALLERY OUTDIR          GALLERY --shots DIR writes every
#                                              scene's picture into DIR
#   gui_gallery_e2e.sh --pages GALLERY OUTDIR  GALLERY --list names its pages and
#                                              --page NAME --shot FILE writes one
set -euo pipefail
pages=0
if [ "${1:-}" = "--pages" ]; then
  pages=1
  shift
fi
gallery="$1"
out="$2"
here="$(cd "$(dirname "$0")" && pwd)"
# Sanitizer builds: what the desktop's libraries keep is not ours.
export LSAN_OPTIONS="suppressions=$here/lsan-gui.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
rm -rf "$out/offscreen" "$out/x11"
mkdir -p "$out/offscreen" "$out/x11"

# Runs the gallery for the pictures of DIR with the command before it (empty
# for the off-screen rendering).
pictures() {
  local dir="$1"
  shift
  if [ "$pages" -eq 0 ]; then
    "$@" "$gallery" --shots "$dir"
    return
  fi
  local list page
  list="$("$gallery" --list)"
  for page in $list; do
    "$@" "$gallery" --page "$page" --shot "$dir/$page.png"
  done
}

pictures "$out/offscreen"
# Real windows on a 24-bit X server of the same size, black root window.
pictures "$out/x11" env TW_GUI_TEST_DISPLAY=1 QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96 -br"
status=0
count=0
for picture in "$out"/offscreen/*.png; do
  [ -e "$picture" ] || continue
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
