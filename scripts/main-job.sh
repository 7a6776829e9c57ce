#!/usr/bin/env bash
# The main job: the real wizard under Wine, pressed through as a user would
# (on your display when there is one, else in Xvfb), the installed program
# started, and screenshots saved.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
shots=$PWD/$build/screenshots
mkdir -p "$shots"
echo "== Tallybook setup wizard walk-through (Wine) =="
scripts/run-on-x.sh --png-dir "$shots" "$build/tools/walkthrough.exe" "$PWD/dist/tallyinstall.exe" \
  "$PWD/$build/tools/recorder.exe" "$shots"
echo "Screenshots: $shots/wizard-before.png, wizard-during.png, wizard-after.png"
