#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's own prefix; ctest uses it
# as the cross-compiling emulator. The exit code is the program's.
set -euo pipefail
here=$(dirname "$0")
source "$here/wine-env.sh"
"$here/wine-prefix.sh"
status=0
tally_run_wine "$@" || status=$?
exit $status
