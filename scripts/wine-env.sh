# Sourced by the Wine scripts: everything Wine touches stays under the build folder.
# TALLY_WINE_ROOT chooses the folder (default build/wine); TALLY_WINE_PREFIX the prefix in it.
tally_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tally_root=${TALLY_WINE_ROOT:-$tally_top/build/wine}
export WINEPREFIX=${TALLY_WINE_PREFIX:-$tally_root/prefix}
export HOME=$tally_root/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export TMPDIR=$tally_root/tmp
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=;winemenubuilder.exe=d}
export WINEARCH=win64
tally_wine=/usr/lib/wine/wine64
mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$TMPDIR"
