#!/usr/bin/env bash
# Makes the project's Wine prefixes on first use: a template booted once, and
# working copies of it (a copy is well under a second where a boot is 10 s or more).
#   wine-prefix.sh                 ensure build/wine/prefix (null graphics, no X needed)
#   wine-prefix.sh --x11 DIR       ensure DIR as a prefix that draws on $DISPLAY (screenshots)
#   wine-prefix.sh --fresh DIR     replace DIR with a new copy of the template
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
template=$tally_root/template

make_template() {
  [ -f "$template/.tally-ready" ] && return 0
  rm -rf "$template"
  echo "wine: creating the template prefix (first use, ~15 s)" >&2
  WINEPREFIX=$template timeout 300 "$tally_wine" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX=$template timeout 120 /usr/lib/wine/wineserver -w || true
  # The user folders of a new prefix are links into $HOME: make them real so
  # every copy of the template has a desktop of its own.
  for link in "$template"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm "$link"; mkdir -p "$link"; fi
  done
  local reg=$tally_root/settings.reg
  # REGEDIT4 text: the null driver (no X server), no crash dialog, CJK glyphs for
  # the fonts Wine falls back to, and the wizard's face mapped to one that exists.
  cat > "$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Graphics"="null"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"Microsoft YaHei UI"="Noto Sans CJK SC"
REG
  WINEPREFIX=$template timeout 120 "$tally_wine" regedit /S "$reg" >/dev/null 2>&1
  for face in Tahoma "Liberation Sans" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
    WINEPREFIX=$template timeout 60 "$tally_wine" reg add \
      "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink" \
      /v "$face" /t REG_MULTI_SZ /d "NotoSansCJK-Regular.ttc,Noto Sans CJK SC" /f >/dev/null 2>&1
  done
  [ -f /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$template/drive_c/windows/Fonts/" || true
  WINEPREFIX=$template timeout 120 /usr/lib/wine/wineserver -w || true
  touch "$template/.tally-ready"
}

# system32 and winsxs hold the 670 MB of DLLs Wine only reads: a copy links
# them to the template's files. Everything else (registry, user folders,
# win.ini), which Wine may rewrite in place, is copied.
copy_template() {
  local dir=$1 shared=(drive_c/windows/system32 drive_c/windows/winsxs) d
  rm -rf "$dir"
  mkdir -p "$dir"
  tar -C "$template" "${shared[@]/#/--exclude=./}" -cf - . | tar -C "$dir" -xf -
  for d in "${shared[@]}"; do cp -al "$template/$d" "$dir/$d"; done
}

mkdir -p "$tally_root"
exec 9>"$tally_root/.lock"
flock 9
make_template
case "${1:-}" in
  --fresh) copy_template "$2" ;;
  --x11)
    if [ ! -f "$2/.tally-x11" ]; then
      copy_template "$2"
      WINEPREFIX=$2 timeout 60 "$tally_wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
      # A virtual desktop gives windows a frame and closes them without the 2 s wait.
      WINEPREFIX=$2 timeout 60 "$tally_wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
      WINEPREFIX=$2 timeout 60 "$tally_wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
      WINEPREFIX=$2 timeout 120 /usr/lib/wine/wineserver -w || true
      touch "$2/.tally-x11"
    fi ;;
  *) [ -f "$WINEPREFIX/.tally-ready" ] || copy_template "$WINEPREFIX" ;;
esac
