#!/usr/bin/env bash
# Installs every Debian package the build, the demo and the tests need.
# Idempotent: when everything is present it only asks dpkg and returns.
set -euo pipefail

PACKAGES=(
  cmake make g++ dpkg-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine32:i386 wine64 xvfb xauth xdotool imagemagick x11-utils
  rar unrar liblnk-utils icoutils sox doctest-dev python3 python3-yaml tesseract-ocr tesseract-ocr-eng
  # The CD image (genisoimage, with isoinfo to read it back) and a read-only mount of it.
  genisoimage fuseiso
  # What a run tries to write where it cannot: the CD test traces its file calls.
  strace
  # Signing the setup (make sign), and the throwaway certificate authority its test makes.
  osslsigncode openssl
  # The languages: OCR of German, French and Russian screens, and the typeface's letters read
  # (and the typeface cut again, tools/font/make-label-font.py). Wine takes the user's language
  # from LC_ALL by name; no locale of the host is needed.
  tesseract-ocr-deu tesseract-ocr-fra tesseract-ocr-rus python3-fonttools
  # The faces Wine may map a system font to (libwine only recommends them): the program carries
  # its own for every label, but a folder in another script and the system's own message boxes
  # are drawn in these, so every test machine has the same ones.
  fonts-wine fonts-liberation fonts-liberation2 fonts-dejavu-core
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
sources=/etc/apt/sources.list.d/marvolen-build.sources
if [ ${#missing[@]} -eq 0 ] && [ -f "$sources" ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# The archive this machine already uses, so non-free and the source entries come from the same place.
archive=$(grep -hoE '(URIs:|^deb) +[a-z]+://[^ ]+/debian/?( |$)' /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null \
          | head -n1 | awk '{print $2}' || true)
archive=${archive:-http://deb.debian.org/debian}
keyring=/usr/share/keyrings/debian-archive-keyring.gpg

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
if [ ! -f "$sources" ]; then
  $SUDO tee "$sources" >/dev/null <<SRC
Types: deb
URIs: $archive
Suites: bookworm bookworm-updates
Components: non-free
Signed-By: $keyring

Types: deb-src
URIs: $archive
Suites: bookworm bookworm-updates
Components: main non-free
Signed-By: $keyring
SRC
fi

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}" >/dev/null
echo "bootstrap: installed ${missing[*]:-apt sources}"
