#!/usr/bin/env bash
# Runs a node script on a private X screen larger than the application window:
# tools/app-window.mjs for the README's picture, tests/launcher/app-window.mjs
# for the road test. Both take the recorded launcher command, the Wine prefix
# it was recorded in and the picture's path.
# Usage: app-window.sh <script.mjs> <launcher-command.txt> <wine prefix> <picture.png>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../scripts/wine-env.sh"
tally_xvfb 1400x1000x24
status=0
node "$1" "$2" "$3" "$4" || status=$?
exit $status
