# Sourced by the scripts that start Wine, Xvfb or Chromium for the tests.
# The prefix and everything Wine writes stay under the build folder
# (TALLY_WINE_ROOT chooses the folder, default build/wine; TALLY_WINE_PREFIX the
# prefix in it). Sockets and locks do not: a Unix socket path has room for 107
# bytes, and a clone path can use that up. They go to a short private folder
# made with mktemp -d under the system temp folder (TALLY_TMP). Programs started
# from here inherit it; the script that made it removes it when it ends.
tally_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tally_root=${TALLY_WINE_ROOT:-$tally_top/build/wine}
export WINEPREFIX=${TALLY_WINE_PREFIX:-$tally_root/prefix}
# The caller's display keeps its authority when HOME moves.
[ -n "${DISPLAY:-}" ] && [ -z "${XAUTHORITY:-}" ] && [ -f "${HOME:-}/.Xauthority" ] && export XAUTHORITY=$HOME/.Xauthority
export HOME=$tally_root/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=;winemenubuilder.exe=d}
export WINEARCH=win64
tally_wine=/usr/lib/wine/wine64
mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"

tally_tmp_mine=
if [ -z "${TALLY_TMP:-}" ] || [ ! -d "$TALLY_TMP" ]; then
  tally_tmp_base=${TMPDIR:-/tmp}
  # A caller's own long TMPDIR would bring the problem back.
  [ ${#tally_tmp_base} -le 32 ] && [ -d "$tally_tmp_base" ] || tally_tmp_base=/tmp
  TALLY_TMP=$(mktemp -d "$tally_tmp_base/tb.XXXXXX")
  tally_tmp_mine=1
fi
export TALLY_TMP TMPDIR=$TALLY_TMP

# Wine turns Unix paths into Windows ones with the locale's character set: under
# a non-UTF-8 locale (LC_ALL=C) a clone path with Chinese characters cannot be
# opened at all (c0000135). A UTF-8 locale of the caller's stays as it is.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
  export LC_ALL=C.UTF-8
fi

# Ends the Xvfb this script started; the script that made the private folder
# also ends the wineservers of the prefixes used there and removes the folder.
tally_cleanup() {
  set +e
  if [ -n "${tally_xvfb_pid:-}" ]; then
    kill "$tally_xvfb_pid" 2>/dev/null && wait "$tally_xvfb_pid" 2>/dev/null
  fi
  [ -n "$tally_tmp_mine" ] || return 0
  if compgen -G "$TALLY_TMP/wine-*/server-*" >/dev/null; then
    local prefix
    for prefix in "$WINEPREFIX" "$tally_root"/*/; do
      [ -f "$prefix/system.reg" ] && { WINEPREFIX=$prefix timeout 20 /usr/lib/wine/wineserver -k 2>/dev/null || true; }
    done
  fi
  rm -rf "$TALLY_TMP"
  return 0
}
trap tally_cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Prints the end of a child's error output, indented, for a failure message.
tally_tail() {
  tail -n "${2:-15}" "$1" 2>/dev/null | sed 's/^/    | /' >&2
}

# Starts a private Xvfb with screen geometry $1 (WxHxD) and its auth file in the
# private folder; exports DISPLAY and XAUTHORITY. An Xvfb that exits or does not
# answer within 10 s is reported with its exit status and its last lines.
tally_xvfb() {
  local screen=$1 n ready=$TALLY_TMP/xvfb.ready log=$TALLY_TMP/xvfb.log status i
  export XAUTHORITY=$TALLY_TMP/Xauthority
  # Start at a number of this run's own so that runs at once rarely meet.
  local first=$((100 + RANDOM % 400))
  for ((n = first; n < first + 20; ++n)); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    : > "$XAUTHORITY"
    xauth -q -f "$XAUTHORITY" add ":$n" . "$(mcookie)"
    : > "$ready"
    Xvfb ":$n" -screen 0 "$screen" -nolisten tcp -auth "$XAUTHORITY" -displayfd 3 3>"$ready" 2>"$log" &
    tally_xvfb_pid=$!
    for ((i = 0; i < 100; ++i)); do
      if [ -s "$ready" ]; then export DISPLAY=:$n; return 0; fi
      kill -0 "$tally_xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$tally_xvfb_pid" 2>/dev/null; then
      kill "$tally_xvfb_pid"; wait "$tally_xvfb_pid" 2>/dev/null
      echo "Xvfb :$n did not accept connections within 10 s; its last lines:" >&2
      tally_tail "$log"; tally_xvfb_pid=; return 1
    fi
    status=0; wait "$tally_xvfb_pid" || status=$?
    tally_xvfb_pid=
    # Another run took the number between the check and the start: try the next.
    grep -q 'already active' "$log" && continue
    echo "Xvfb :$n exited with status $status before accepting connections; its last lines:" >&2
    tally_tail "$log"
    return 1
  done
  echo "Xvfb: no free display number from :$first to :$((first + 19))" >&2
  return 1
}

# Wine under a randomised address-space layout: about one process start in
# ten thousand dies before it runs (CreateProcessW answers ERROR_INTERNAL_ERROR,
# 1359, with nothing on stderr) when the Linux layout lands where Wine reserves
# memory; measured here with 4 x 5000 starts of an empty program at once, 4 such
# deaths in about 43,000 starts, none in about 42,000 with the layout fixed. The
# programs under test and the wineserver they start get the fixed layout
# (setarch -R, inherited by every child); where the system refuses it (some
# container profiles), Wine runs as it is.
tally_fixed_layout=()
setarch "$(uname -m)" -R true 2>/dev/null && tally_fixed_layout=(setarch "$(uname -m)" -R)

# Runs a Windows program under Wine with a time-out and returns its status. A
# program that ends with a status other than 0 and 1 (a test's own failure), or
# that fails with error output, is reported with that status and the last lines
# of Wine's error output, which ctest shows beside the test's own output.
tally_run_wine() {
  local log=$TALLY_TMP/wine-stderr.$BASHPID status=0
  timeout "${TALLY_WINE_TIMEOUT:-300}" "${tally_fixed_layout[@]}" "$tally_wine" "$@" 2>"$log" || status=$?
  if [ "$status" -eq 0 ] || { [ "$status" -eq 1 ] && [ ! -s "$log" ]; }; then
    cat "$log" >&2
  else
    local what="exited with status $status"
    [ "$status" -eq 124 ] && what="did not end within ${TALLY_WINE_TIMEOUT:-300} s and was stopped"
    echo "wine: $1 $what; the last lines of its error output:" >&2
    if [ -s "$log" ]; then tally_tail "$log"; else echo "    | (none)" >&2; fi
  fi
  rm -f "$log"
  return "$status"
}
