#!/usr/bin/env bash
# Runs app-window.mjs on a private X screen larger than the application window.
# Usage: app-window.sh <road-command.txt> <screenshot.png>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-env.sh"
tally_xvfb 1400x1000x24
status=0
node "$here/app-window.mjs" "$1" "$WINEPREFIX" "$2" || status=$?
exit $status
