#!/usr/bin/env bash
# Runs one Windows program under Wine in a prefix that draws on X: the caller's
# display when there is one, else a private Xvfb.
#   run-on-x.sh [--png-dir DIR] <program.exe> [arguments...]
# With --png-dir, the BMP files in DIR (the program's pictures) become PNG
# files once the program has ended.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
png_dir=
if [ "${1:-}" = --png-dir ]; then
  [ -n "${2:-}" ] || { echo "run-on-x.sh: --png-dir needs a folder" >&2; exit 2; }
  png_dir=$2
  shift 2
fi
source "$here/wine-env.sh"
if [ -z "${DISPLAY:-}" ] || [ -n "${TALLY_FORCE_XVFB:-}" ]; then
  unset TALLY_FORCE_XVFB
  tally_xvfb 1024x768x24
fi
export TALLY_WINE_PREFIX=$tally_root/prefix-x11
"$here/wine-prefix.sh" --x11 "$TALLY_WINE_PREFIX"
export WINEPREFIX=$TALLY_WINE_PREFIX

status=0
tally_run_wine "$@" || status=$?
# Wine keeps a wineserver per prefix; let it go so the X server can end cleanly.
/usr/lib/wine/wineserver -k 2>/dev/null || true

if [ -n "$png_dir" ]; then
  for bmp in "$png_dir"/*.bmp; do
    [ -f "$bmp" ] && convert-im6.q16 "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
fi
exit $status
