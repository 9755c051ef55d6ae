#!/usr/bin/env bash
# Builds the UnRAR library (unrar.dll) from Debian's unrar-nonfree source package with
# MinGW-w64, then checks its exports and imports. The shipped one is 32-bit; the tests build a
# 64-bit one too where the machine runs no 32-bit code.
#
# Usage: build-unrar.sh OUTDIR [TRIPLE]     (TRIPLE: i686-w64-mingw32 unless given)
#   OUTDIR/src/unrar-nonfree-*/  unpacked source (fetched once, never modified)
#   OUTDIR/obj/                  objects and generated headers
#   OUTDIR/unrar.dll             the library
#   OUTDIR/include/dll.hpp       its published header
set -euo pipefail

[ $# -eq 1 ] || [ $# -eq 2 ] || { echo "usage: $0 OUTDIR [TRIPLE]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
script=$here/$(basename "$0")
compat=$here/comutil-compat.cpp
mkdir -p "$1"
out=$(cd "$1" && pwd)
dll=$out/unrar.dll
triple=${2:-i686-w64-mingw32}
CXX=$triple-g++
OBJDUMP=$triple-objdump

# --- Source: apt-get source unpacks it with Debian's patches applied.
if ! compgen -G "$out/src/unrar-nonfree-*/dll.hpp" >/dev/null; then
  rm -rf "$out/src" "$out/src.tmp"
  mkdir -p "$out/src.tmp"
  (cd "$out/src.tmp" && apt-get source -qq unrar-nonfree)
  mv "$out/src.tmp" "$out/src"
fi
src=$(dirname "$(compgen -G "$out/src/unrar-nonfree-*/dll.hpp" | head -n1)")
mkdir -p "$out/include"
cp "$src/dll.hpp" "$out/include/dll.hpp"

# --- Compile and link, unless the dll is newer than this script and our compat source.
if [ -f "$dll" ] && [ "$dll" -nt "$script" ] && [ "$dll" -nt "$compat" ]; then
  echo "unrar.dll is up to date"
else
  obj=$out/obj
  rm -rf "$obj" "$dll"
  mkdir -p "$obj/case-include"
  # The sources include two Windows headers spelled differently from MinGW's lower-case ones.
  echo '#include <powrprof.h>' >"$obj/case-include/PowrProf.h"
  echo '#include <wbemidl.h>' >"$obj/case-include/Wbemidl.h"

  # Objects of the makefile's "lib" target, plus the Windows version checks it leaves out.
  # (Without the flags of a make this script may run under, which would add directory notes.)
  lib_objs=$(env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make -s --no-print-directory -C "$src" -f makefile -f - lib-objects <<'MK'
lib-objects: ; @echo $(sort $(OBJECTS) $(LIB_OBJ))
MK
)
  sources=("$compat" "$src/isnt.cpp")
  for o in $lib_objs; do sources+=("$src/${o%.o}.cpp"); done

  export CXX obj
  # os.hpp targets Windows XP; saying so up front keeps MinGW's newer default from clashing with it.
  export CXXFLAGS="-O2 -DRARDLL -DSILENT -DUNRAR -D_FILE_OFFSET_BITS=64 -D_LARGEFILE_SOURCE
    -DWINVER=_WIN32_WINNT_WINXP -D_WIN32_WINNT=_WIN32_WINNT_WINXP
    -I$obj/case-include -ffile-prefix-map=$src=unrar"
  # shellcheck disable=SC2086 # CXXFLAGS is a list of words
  compile() {
    $CXX $CXXFLAGS -c "$1" -o "$obj/$(basename "${1%.cpp}").o"
  }
  export -f compile
  printf '%s\0' "${sources[@]}" | xargs -0 -P"$(nproc)" -n1 bash -c 'compile "$1"' _

  # dll.def names the __stdcall functions without their @N suffix: ld matches them up
  # (the stdcall-fixup flag only silences its notice about that) and --kill-at keeps
  # the exported names plain. No timestamp and a fixed image base (ld otherwise derives
  # one from the output path), so the same sources give the same bytes wherever OUTDIR is.
  objects=()
  for s in "${sources[@]}"; do objects+=("$obj/$(basename "${s%.cpp}").o"); done
  $CXX -shared -static -static-libgcc -static-libstdc++ -s \
    -Wl,--kill-at -Wl,--enable-stdcall-fixup \
    -Wl,--no-insert-timestamp -Wl,--disable-auto-image-base \
    -o "$dll" "$src/dll.def" "${objects[@]}" \
    -lole32 -loleaut32 -lwbemuuid -lpowrprof -luuid -lshlwapi -lcrypt32
fi

# --- Verify: the published names are exported undecorated ...
dump=$($OBJDUMP -p "$dll")
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | awk 'NF>=2 {print $NF}')
status=0
if grep -q '@' <<<"$exports"; then
  echo "error: decorated export names: $(grep '@' <<<"$exports" | tr '\n' ' ')" >&2; status=1
fi
# Every name in dll.def (a CRLF file), and in any case the seven the setup program looks up.
mapfile -t names < <({ tr -d '\r' <"$src/dll.def" | awk 'NF && $1 != "EXPORTS" {print $1}'
  printf '%s\n' RAROpenArchive RARCloseArchive RARReadHeader RARProcessFile \
    RARSetChangeVolProc RARSetProcessDataProc RARSetPassword; } | sort -u)
for name in "${names[@]}"; do
  grep -qx "$name" <<<"$exports" || { echo "error: unrar.dll does not export $name" >&2; status=1; }
done
# ... and only system DLLs are imported (no MinGW runtime DLLs to ship alongside).
system_dlls='^(kernel32|user32|advapi32|shell32|ole32|oleaut32|shlwapi|powrprof|crypt32|msvcrt)\.dll$'
foreign=$(awk '/DLL Name:/ {print $3}' <<<"$dump" | grep -viE "$system_dlls" || true)
if [ -n "$foreign" ]; then
  echo "error: unrar.dll imports non-system DLLs: $(tr '\n' ' ' <<<"$foreign")" >&2; status=1
fi
[ $status -eq 0 ] || exit 1
echo "unrar.dll OK: $(sha256sum "$dll" | cut -d' ' -f1)"
