#!/usr/bin/env bash
# Prints the build folder whose Windows programs Wine can run on this machine, building it first
# when it is not the main one.
#
# The shipped program is 32-bit (build/). Wine runs it only where the kernel executes 32-bit x86
# code; some virtual machines do not (their `wine` fails with "Exec format error"). There the
# same sources are built for x86-64 into build/x86_64 and run in a 64-bit prefix, and the checks
# of the shipped file still read the 32-bit build.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "$build"
  exit 0
fi
echo "runnable-build: this machine runs no 32-bit code; testing the x86-64 build of the same sources" >&2
cmake -S "$repo" -B "$build/x86_64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DPRODUCT_BUILD="$build" >/dev/null
cmake --build "$build/x86_64" -j2 >&2
echo "$build/x86_64"
