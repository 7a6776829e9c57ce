#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's own prefix; ctest uses it
# as the cross-compiling emulator. The exit code is the program's.
set -euo pipefail
here=$(dirname "$0")
"$here/wine-prefix.sh"
source "$here/wine-env.sh"
exec timeout "${TALLY_WINE_TIMEOUT:-300}" "$tally_wine" "$@"
