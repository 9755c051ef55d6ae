#!/usr/bin/env bash
# Builds the committed sources twice from scratch, in two folders at different paths, and
# checks that setup.exe and unrar.dll come out byte for byte the same.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/marvolen-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT

for side in a b; do
  mkdir -p "$work/$side/src"
  git -C "$repo" archive HEAD | tar -x -C "$work/$side/src"
  cmake -S "$work/$side/src" -B "$work/$side/build-$side" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$work/$side/build-$side" --target setup -j2 >/dev/null 2>&1
done

status=0
for file in setup.exe unrar/unrar.dll; do
  a=$(sha256sum <"$work/a/build-a/$file" | cut -d' ' -f1)
  b=$(sha256sum <"$work/b/build-b/$file" | cut -d' ' -f1)
  if [ "$a" = "$b" ]; then echo "same bytes: $file ($a)"; else echo "DIFFERENT: $file" >&2; status=1; fi
done
exit $status
