#!/usr/bin/env bash
# Copies the built programs and the page into dist/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mkdir -p dist
cp "$build/bin/tallyinstall.exe" "$build/bin/tallybook.exe" dist/
cp payload/index.html dist/
cp "$build/bin/tallyuninstall.exe" "$build/bin/tallybook-2.0.zip" dist/
ls -l dist
