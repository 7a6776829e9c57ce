#!/usr/bin/env bash
# Runs app-window.mjs on a private X screen larger than the application window:
# the page the installed launcher asked for, in Chromium's application mode.
# Usage: app-window.sh <launcher-command.txt> <wine prefix> <picture.png>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../scripts/wine-env.sh"
tally_xvfb 1400x1000x24
status=0
node "$here/app-window.mjs" "$1" "$2" "$3" || status=$?
exit $status
