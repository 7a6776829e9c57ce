#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing; safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
          xvfb xauth fonts-noto-cjk fonts-noto-color-emoji fonts-wine chromium chromium-headless-shell zip imagemagick locales nodejs npm
          unzip osslsigncode openssl zopfli icoutils python3-pil)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# Node and npm may come from outside Debian's packages; only ask apt when they are absent.
command -v node >/dev/null && missing=("${missing[@]/nodejs}")
command -v npm >/dev/null && missing=("${missing[@]/npm}")
read -r -a missing <<< "${missing[*]:-}"
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd=sudo
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The page tests' own dependencies, exactly as locked.
if [ -f package-lock.json ] && { [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; }; then
  npm ci --no-audit --no-fund --loglevel=error
fi
