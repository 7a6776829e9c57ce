#!/usr/bin/env bash
# The test bed tried from where a new contributor might clone: a folder whose
# path has more than 150 characters, with spaces and Chinese characters. Clones
# the current commit there (committed work only) and runs `make test` in it
# under LANG=zh_CN.UTF-8, then again under LC_ALL=C. The clone is removed
# when both pass and kept for a look when one fails.
#   test-anywhere.sh            the two runs
#   test-anywhere.sh --soak N   N runs, alternating the two settings, each run's
#                               output kept; ends with each test's failures and
#                               slowest time (scripts/soak-table.py)
set -euo pipefail
cd "$(dirname "$0")/.."
soak=0
if [ "${1:-}" = --soak ]; then
  soak=${2:-}
  [[ "$soak" =~ ^[1-9][0-9]*$ ]] || { echo "test-anywhere: --soak needs a number of runs" >&2; exit 2; }
fi
top=$PWD
commit=$(git rev-parse HEAD)

# A locale that does not exist falls back to C without a word, and the run would
# not be Chinese at all: make zh_CN.UTF-8 when the system lacks it (into a
# folder of the build's own, so no root is needed).
locale_env=()
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
  locales=$top/build/locales
  if [ ! -d "$locales/zh_CN.UTF-8" ]; then
    mkdir -p "$locales"
    localedef -i zh_CN -f UTF-8 "$locales/zh_CN.UTF-8" 2>/dev/null || {
      echo "test-anywhere: cannot make the zh_CN.UTF-8 locale (Debian: apt-get install locales)" >&2; exit 1; }
  fi
  locale_env=(LOCPATH="$locales")
fi
charmap=$(env "${locale_env[@]}" LC_ALL= LANG=zh_CN.UTF-8 locale charmap 2>&1)
territory=$(env "${locale_env[@]}" LC_ALL= LANG=zh_CN.UTF-8 locale territory 2>&1 || true)
if [ "$charmap" != UTF-8 ] || [ "$territory" != China ]; then
  echo "test-anywhere: LANG=zh_CN.UTF-8 gives character set '$charmap' and territory '$territory'," \
       "expected UTF-8 and China" >&2
  exit 1
fi

base=${TALLY_ANYWHERE_ROOT:-$top/build/anywhere}
dest="$base/用户 文档/我的 项目 (青禾书苑 桌面版)/克隆 测试 目录 with spaces/青禾书苑 Tallybook 源代码 副本"
while [ "$(printf %s "$dest" | wc -m)" -le 150 ]; do dest="$dest/再深一层 one more level"; done
rm -rf "$base"
mkdir -p "$(dirname "$dest")"
echo "test-anywhere: cloning $commit into"
echo "  $dest"
echo "  ($(printf %s "$dest" | wc -m) characters, $(printf %s "$dest" | wc -c) bytes)"
git clone --quiet --no-checkout "$top" "$dest"
git -C "$dest" checkout --quiet --detach "$commit"
# The page tests' packages, exactly as locked, from this tree rather than the network.
if [ -d node_modules ] && cmp -s package-lock.json "$dest/package-lock.json"; then
  cp -a node_modules "$dest/"
  touch "$dest/node_modules/.package-lock.json"
fi

run() {
  local name=$1; shift
  echo "== test-anywhere: make test under $name =="
  local start=$SECONDS status=0
  (cd "$dest" && env -u LANGUAGE "$@" make --no-print-directory test) || status=$?
  echo "== test-anywhere: under $name: $([ $status -eq 0 ] && echo passed || echo "FAILED (status $status)") in $((SECONDS - start)) s =="
  return $status
}

if [ "$soak" -gt 0 ]; then
  logs=$top/build/soak
  rm -rf "$logs"
  mkdir -p "$logs"
  for ((i = 1; i <= soak; ++i)); do
    if ((i % 2)); then name=zh_CN.UTF-8; settings=("${locale_env[@]}" LC_ALL= LANG=zh_CN.UTF-8)
    else name=C; settings=(LANG=C LC_ALL=C); fi
    log=$(printf '%s/run-%02d-%s.log' "$logs" "$i" "$name")
    start=$SECONDS status=0
    run "$name (run $i of $soak)" "${settings[@]}" > "$log" 2>&1 || status=$?
    echo "test-anywhere: run $i of $soak under $name: $([ $status -eq 0 ] && echo passed || echo "FAILED (status $status)") in $((SECONDS - start)) s; output in $log"
  done
  python3 scripts/soak-table.py "$logs"/run-*.log
  status=$?
  [ $status -eq 0 ] && rm -rf "$base"
  exit $status
fi

failed=
run "LANG=zh_CN.UTF-8" "${locale_env[@]}" LC_ALL= LANG=zh_CN.UTF-8 || failed="$failed zh_CN.UTF-8"
# Wine itself must have run in Chinese: its user locale follows the Unix one.
wine_locale=$(cd "$dest" && env "${locale_env[@]}" LC_ALL= LANG=zh_CN.UTF-8 scripts/wine-run.sh \
  reg query 'HKCU\Control Panel\International' /v LocaleName 2>&1 | tr -d '\r' | awk '/LocaleName/ { print $3 }' || true)
if [ "$wine_locale" = zh-CN ]; then
  echo "test-anywhere: Wine's user locale under LANG=zh_CN.UTF-8: $wine_locale"
else
  echo "test-anywhere: Wine's user locale under LANG=zh_CN.UTF-8 is '$wine_locale', expected zh-CN" >&2
  failed="$failed zh_CN-in-Wine"
fi
run "LC_ALL=C" LANG=C LC_ALL=C || failed="$failed C"

if [ -n "$failed" ]; then
  echo "test-anywhere: FAILED under:$failed; the clone stays at $dest" >&2
  exit 1
fi
rm -rf "$base"
echo "test-anywhere: passed under LANG=zh_CN.UTF-8 and LC_ALL=C"
