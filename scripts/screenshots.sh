#!/usr/bin/env bash
# Makes the README's pictures with the project's own tools: the wizard before,
# during and after the install (Wine in Xvfb), and the page in both themes
# (headless Chromium), and the page as the installed launcher opens it (the
# whole road, real Chromium in application mode), copied into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
shots=$PWD/$build/screenshots
mkdir -p "$shots" docs/screenshots
scripts/run-on-x.sh "$build/tests/setup/test_wizard.exe" "$PWD/$build/bin/tallyinstall.exe" \
  "$PWD/$build/tests/recorder.exe" screens "$shots"
node scripts/page-screenshots.mjs >/dev/null
(cd "$build" && ctest -R road_app_window --output-on-failure >/dev/null)
for name in wizard-before wizard-during wizard-after page-light-top page-dark-top app-window; do
  cp "$shots/$name.png" docs/screenshots/
done
ls -l docs/screenshots
