#!/usr/bin/env bash
# Runs one Windows program under Wine in a prefix that draws on X: the caller's
# display when there is one, else a private Xvfb. BMP files the program leaves in
# a folder named by a "screens <dir>" argument are turned into PNG.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
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

args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  if [ "${args[$i]}" = screens ] || [ "${args[$i]}" = demo ] && [ -n "${args[$((i + 1))]:-}" ]; then
    for bmp in "${args[$((i + 1))]}"/*.bmp; do
      [ -f "$bmp" ] && convert-im6.q16 "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done
  fi
done
exit $status
