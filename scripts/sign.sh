#!/usr/bin/env bash
# Authenticode signing with osslsigncode, driven by the environment:
#   SIGN_PKCS12         PKCS#12 file with the code-signing certificate and its key
#   SIGN_PASSWORD_FILE  file whose first line is the pass phrase
#   SIGN_TIMESTAMP_URL  RFC 3161 time-stamping server (optional)
#   SOURCE_DATE_EPOCH   when set, the signing time (same key, same file: same bytes)
#
#   sign.sh check        exit 0 when nothing is to be signed or the key set-up is usable
#   sign.sh sign FILE    sign FILE in place; on any failure FILE is removed
#
# Every failure is one line on stderr. The pass phrase only ever travels in its
# file (openssl's file: source, osslsigncode -readpass): never on a command line
# and never in any output.
set -euo pipefail

fail() { echo "sign: $*" >&2; exit 1; }

scratch=$(mktemp -d)
target=""    # the program being signed: removed unless signing finished
finished=0
cleanup() {
  rm -rf "$scratch"
  # A program left unsigned must not pass for a finished one: it goes, so the
  # next build links and signs it again.
  if [ -n "$target" ] && [ "$finished" != 1 ]; then rm -f "$target" "$target.signing"; fi
}
trap cleanup EXIT

check() {
  if [ -z "${SIGN_PKCS12:-}" ]; then
    # A pass phrase or server without a key is a mistake, not a wish for an unsigned build.
    [ -z "${SIGN_PASSWORD_FILE:-}${SIGN_TIMESTAMP_URL:-}" ] ||
      fail "SIGN_PASSWORD_FILE or SIGN_TIMESTAMP_URL given without SIGN_PKCS12"
    return 0
  fi
  command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (apt-get install osslsigncode)"
  command -v openssl >/dev/null || fail "openssl is not installed (apt-get install openssl)"
  [ -n "${SIGN_PASSWORD_FILE:-}" ] ||
    fail "SIGN_PASSWORD_FILE is not set: the pass phrase is read from a file, never from the command line"
  [ -f "$SIGN_PKCS12" ] || fail "key file $SIGN_PKCS12 does not exist"
  [ -r "$SIGN_PKCS12" ] || fail "key file $SIGN_PKCS12 cannot be read"
  [ -f "$SIGN_PASSWORD_FILE" ] || fail "pass phrase file $SIGN_PASSWORD_FILE does not exist"
  [ -r "$SIGN_PASSWORD_FILE" ] || fail "pass phrase file $SIGN_PASSWORD_FILE cannot be read"

  local cert=$scratch/cert.pem
  # Older key files use algorithms OpenSSL 3 keeps in its legacy provider.
  if ! openssl pkcs12 -in "$SIGN_PKCS12" -passin "file:$SIGN_PASSWORD_FILE" -nokeys -clcerts -out "$cert" 2>/dev/null &&
     ! openssl pkcs12 -legacy -in "$SIGN_PKCS12" -passin "file:$SIGN_PASSWORD_FILE" -nokeys -clcerts -out "$cert" 2>/dev/null; then
    fail "cannot open $SIGN_PKCS12 with the pass phrase in $SIGN_PASSWORD_FILE (wrong pass phrase, or not a PKCS#12 file)"
  fi
  grep -q 'BEGIN CERTIFICATE' "$cert" || fail "$SIGN_PKCS12 holds no certificate for its key"
  local subject usage
  subject=$(openssl x509 -in "$cert" -noout -subject -nameopt oneline,-esc_msb 2>/dev/null | sed 's/^subject=//')
  usage=$(openssl x509 -in "$cert" -noout -ext extendedKeyUsage 2>/dev/null || true)
  grep -q 'Code Signing' <<< "$usage" ||
    fail "certificate \"$subject\" in $SIGN_PKCS12 is not for code signing (no codeSigning extended key usage)"
  openssl x509 -in "$cert" -noout -checkend 0 >/dev/null 2>&1 ||
    fail "certificate \"$subject\" in $SIGN_PKCS12 has expired"
}

sign() {
  local file=$1 out=$1.signing
  [ -f "$file" ] || fail "nothing to sign at $file"
  target=$file
  [ -n "${SIGN_PKCS12:-}" ] || fail "SIGN_PKCS12 is not set"
  check
  local args=(sign -pkcs12 "$SIGN_PKCS12" -readpass "$SIGN_PASSWORD_FILE" -h sha256 -n "青禾书苑 Tallybook")
  [ -n "${SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$SIGN_TIMESTAMP_URL")
  [ -n "${SOURCE_DATE_EPOCH:-}" ] && args+=(-time "$SOURCE_DATE_EPOCH")
  local log
  if ! log=$(osslsigncode "${args[@]}" -in "$file" -out "$out" 2>&1); then
    # osslsigncode's own words, on one line.
    fail "could not sign $(basename "$file"): $(grep -v '^\s*$' <<< "$log" | grep -iv '^failed$' | head -n 2 | tr '\n' ' ' | sed 's/ *$//')"
  fi
  mv -f "$out" "$file"
  finished=1
}

case "${1:-}" in
  check) check ;;
  sign) [ $# -eq 2 ] || fail "usage: sign.sh sign FILE"; sign "$2" ;;
  *) fail "usage: sign.sh check | sign FILE" ;;
esac
