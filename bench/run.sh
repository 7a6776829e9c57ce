#!/usr/bin/env bash
# One benchmark report: sizes, Windows timings under Wine (against an empty
# program in the same invocation) and page timings in headless Chromium.
# Prints a table, then the same figures as JSON. Figures, never pass marks.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
runs=${RUNS:-5}
lines=$(mktemp)
trap 'rm -f "$lines"' EXIT

figure() { printf '{"figure": "%s", "value": %s, "unit": "%s", "runs": %s}\n' "$1" "$2" "$3" "$4" >> "$lines"; }
size() { stat -c %s "$1"; }

launcher=$(size "$build/bin/tallybook.exe")
setup=$(size "$build/bin/tallyinstall.exe")
uninstaller=$(size "$build/bin/tallyuninstall.exe")
page=$(size payload/index.html)
figure "tallybook.exe size" "$launcher" bytes 1
figure "tallyinstall.exe size" "$setup" bytes 1
figure "tallyinstall.exe beyond its three payloads" "$((setup - launcher - page - uninstaller))" bytes 1
figure "tallyuninstall.exe size" "$uninstaller" bytes 1
zip=$(sed -n 's/^package=//p' "$build/shipped.txt")
figure "$zip size" "$(size "$build/bin/$zip")" bytes 1
figure "index.html size" "$page" bytes 1
# The icon group each program carries: its RT_ICON images and the RT_GROUP_ICON directory.
icon_bytes() {
  wrestool -l "$1" | awk '/--type=(3|14) / { sub(/.*size=/, ""); sub(/\].*/, ""); total += $0 } END { print total + 0 }'
}
if command -v wrestool >/dev/null; then
  for program in tallybook tallyinstall tallyuninstall; do
    figure "$program.exe icon group (7 PNG images and directory)" "$(icon_bytes "$build/bin/$program.exe")" bytes 1
  done
fi

echo "bench: Windows programs under Wine ($runs runs each)..." >&2
scripts/wine-run.sh "$build/bench/bench_windows.exe" "$PWD/$build/bench/bench_empty.exe" \
  "$PWD/$build/bench/bench_headless_install.exe" "$PWD/$build/bin/tallyinstall.exe" \
  "$PWD/$build/tools/recorder.exe" "$PWD/$build/bench/bench_launcher_unprotected.exe" "$runs" | tr -d '\r' | grep '^{' >> "$lines"

for script in bench/page-*.mjs; do
  echo "bench: $script..." >&2
  BENCH_JSON=1 node "$script" | grep '^{' >> "$lines" || echo "bench: $script failed" >&2
done

node -e '
const rows = require("fs").readFileSync(process.argv[1], "utf8").trim().split("\n").map(JSON.parse);
const width = Math.max(...rows.map(r => r.figure.length));
console.log("figure".padEnd(width) + "  " + "value".padStart(12) + "  unit    runs");
for (const r of rows) {
  const v = Number.isInteger(r.value) ? String(r.value) : r.value.toFixed(r.unit === "ratio" ? 3 : 1);
  console.log(r.figure.padEnd(width) + "  " + v.padStart(12) + "  " + r.unit.padEnd(7) + " " + r.runs);
}
console.log();
console.log(JSON.stringify(rows, null, 1));
' "$lines"
