#!/usr/bin/env bash
# Puts the built programs, the page and the package into dist/ as one step:
# everything is gathered and checked in a folder beside dist/ first, and only
# then takes dist/'s place, so a failed run leaves the earlier dist/ (or none),
# never a mixture. Ends with the sha256 of the five files.
#   make-dist.sh [BUILD [DIST]]    (defaults: build, dist)
# With SIGN_PKCS12 set, all three programs must carry a signature.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
dist=${2:-dist}
# What ships, as the build wrote it: programs, page, package, package_holds.
shipped=$build/shipped.txt
[ -f "$shipped" ] || { echo "make-dist: $shipped is missing (configure the build first)" >&2; exit 1; }
field() { sed -n "s/^$1=//p" "$shipped"; }
read -ra programs <<< "$(field programs)"
page=$(field page)
zip=$(field package)
holds="$(field package_holds) "
files=("${programs[@]}" "$page" "$zip")

parent=$(dirname "$dist")
mkdir -p "$parent"
stage=$(mktemp -d "$parent/.dist-stage.XXXXXX")
old=""
trap 'rm -rf "$stage" ${old:+"$old"}' EXIT

for f in "${programs[@]}" "$zip"; do
  [ -f "$build/bin/$f" ] || { echo "make-dist: $build/bin/$f is missing (did the build fail?)" >&2; exit 1; }
  cp "$build/bin/$f" "$stage/"
done
cp "payload/$page" "$stage/"
# Modes independent of the umask.
chmod 0755 "$stage"
(cd "$stage" && chmod 0755 "${programs[@]}" && chmod 0644 "$page" "$zip")

if [ -n "${SIGN_PKCS12:-}" ]; then
  for f in "${programs[@]}"; do
    osslsigncode extract-signature -in "$stage/$f" -out "$stage/.sig" >/dev/null 2>&1 ||
      { echo "make-dist: $f carries no signature although signing was asked for" >&2; exit 1; }
    rm -f "$stage/.sig"
  done
fi
# The zip must hold exactly the setup and page beside it, and nothing else:
# the setup carries its own uninstaller.
for f in $holds; do
  unzip -p "$stage/$zip" "$f" | cmp -s - "$stage/$f" ||
    { echo "make-dist: $zip does not hold this $f" >&2; exit 1; }
done
[ "$(unzip -Z1 "$stage/$zip" | tr '\n' ' ')" = "$holds" ] ||
  { echo "make-dist: $zip holds $(unzip -Z1 "$stage/$zip" | tr '\n' ' ')where $holds was expected" >&2; exit 1; }

if [ -e "$dist" ]; then
  old=$(mktemp -d "$parent/.dist-old.XXXXXX")
  mv "$dist" "$old/"
fi
mv "$stage" "$dist"
(cd "$dist" && ls -l "${files[@]}" && echo "sha256:" && sha256sum "${files[@]}")
