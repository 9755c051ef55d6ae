#!/usr/bin/env bash
# Signs the CD's setup with the publisher's certificate. The library first, so that the setup
# carries it signed and writes it signed; then the setup built around it, whose uninstaller copy
# (the setup itself, copied byte for byte) is signed too. The build itself stays unsigned.
#
# Usage: sign.sh BUILD OUT    (OUT: a copy of BUILD/cd with the signed setup.exe)
#   MARVOLEN_SIGN_CERT  the code-signing certificate, PEM, any intermediate certificates after it
#   MARVOLEN_SIGN_KEY   its private key, PEM
#   MARVOLEN_SIGN_PASS_FILE  optional: a file holding the key's password
#   MARVOLEN_SIGN_TIME  optional: the signing time, seconds since 1970; by default SOURCE_DATE_EPOCH,
#                       else the time of the last commit. The same key and time give the same bytes.
#   MARVOLEN_SIGN_TSA   optional: the address of an RFC 3161 time-stamping service, so that the
#                       signature outlives the certificate (the bytes then differ at each signing)
set -euo pipefail
build=$(cd "$1" && pwd) out=$2
repo=$(cd "$(dirname "$0")/.." && pwd)
: "${MARVOLEN_SIGN_CERT:?the certificate to sign with: set MARVOLEN_SIGN_CERT (and MARVOLEN_SIGN_KEY)}"
: "${MARVOLEN_SIGN_KEY:?the private key of the certificate: set MARVOLEN_SIGN_KEY}"
for file in "$MARVOLEN_SIGN_CERT" "$MARVOLEN_SIGN_KEY"; do
  [ -r "$file" ] || { echo "sign: cannot read $file" >&2; exit 1; }
done
[ -f "$build/cd/setup.exe" ] || { echo "sign: $build holds no built CD: build it first" >&2; exit 1; }
time=${MARVOLEN_SIGN_TIME:-${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct 2>/dev/null || true)}}
[[ "$time" =~ ^[0-9]+$ ]] || { echo "sign: no signing time: set MARVOLEN_SIGN_TIME" >&2; exit 1; }

options=(-certs "$MARVOLEN_SIGN_CERT" -key "$MARVOLEN_SIGN_KEY" -h sha256 -n "Marvolen Setup" -i "https://www.marvolen.example")
[ -n "${MARVOLEN_SIGN_PASS_FILE:-}" ] && options+=(-readpass "$MARVOLEN_SIGN_PASS_FILE")
# The signing time: -time in current osslsigncode, -st in its oldest releases.
if osslsigncode --help 2>&1 | grep -q -- '-time <'; then options+=(-time "$time"); else options+=(-st "$time"); fi
[ -n "${MARVOLEN_SIGN_TSA:-}" ] && options+=(-ts "$MARVOLEN_SIGN_TSA")

sign() {
  rm -f "$2"
  osslsigncode sign "${options[@]}" -in "$1" -out "$2" >/dev/null || { echo "sign: osslsigncode could not sign $1" >&2; exit 1; }
}

mkdir -p "$build/signing"
sign "$build/unrar/unrar.dll" "$build/signing/unrar.dll"
cmake --build "$build" --target setup_signing -j2 >/dev/null
rm -rf "$out.part"
cp -r "$build/cd" "$out.part"
sign "$build/signing/setup.exe" "$out.part/setup.exe"
rm -rf "$out"
mv "$out.part" "$out"
echo "$out"
