#!/usr/bin/env bash
# Makes the README's pictures with the project's own tools: the wizard before,
# during and after the install (the walk-through, Wine in Xvfb), the page in
# both themes (headless Chromium), and the page as the installed launcher
# opened it (real Chromium in application mode), copied into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
shots=$PWD/$build/screenshots
mkdir -p "$shots" docs/screenshots
rm -f "$shots/launcher-command.txt"
scripts/run-on-x.sh --png-dir "$shots" "$build/tools/walkthrough.exe" "$PWD/$build/bin/tallyinstall.exe" \
  "$PWD/$build/tools/recorder.exe" "$shots"
node scripts/page-screenshots.mjs >/dev/null
# The walk-through installed into run-on-x.sh's prefix; the page is there.
tools/app-window.sh tools/app-window.mjs "$shots/launcher-command.txt" "${TALLY_WINE_ROOT:-$PWD/build/wine}/prefix-x11" "$shots/app-window.png"
for name in wizard-before wizard-during wizard-after page-light-top page-dark-top app-window; do
  cp "$shots/$name.png" docs/screenshots/
done
ls -l docs/screenshots
