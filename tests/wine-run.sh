#!/usr/bin/env bash
# Runs a Windows program built by the project under Wine, in a prefix of its own that is
# thrown away afterwards. ctest uses it as the emulator for the in-process tests.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

exe=$(realpath "$1")
shift
prefix=$(new_prefix "$(basename "$exe" .exe)")
trap 'drop_prefix "$prefix"' EXIT
map_drive "$prefix" t "$(dirname "$exe")"
# Another name for the Windows directory, as subst or a mapped share gives one.
map_drive "$prefix" w "$prefix/drive_c/windows"
# Links, which a program under this Wine can neither make nor move: C:\links\victim is
# C:\link-target, C:\links\keep.txt its file.
mkdir -p "$prefix/drive_c/link-target" "$prefix/drive_c/links"
echo "not the game's" >"$prefix/drive_c/link-target/keep.txt"
ln -s ../link-target "$prefix/drive_c/links/victim"
ln -s ../link-target/keep.txt "$prefix/drive_c/links/keep.txt"
# Another name for the Windows directory that no name resolved by Wine gives away: only the
# identity of the folder on disk tells.
mkdir -p "$prefix/drive_c/aliases"
ln -s ../windows "$prefix/drive_c/aliases/windows"
# A game's folder with links only the host can lay, for the journals that try to lead out of it:
# folders that are links at the first and second depth, a file that is a link, and the same in
# the work area where the backups lie.
planted=$prefix/drive_c/planted/Marvolen
work_area=$(sed -n 's/.*WorkAreaName\[\] = L"\\\\\(.*\)";.*/\1/p' "$(dirname "$0")/../base/names.h")
mkdir -p "$planted/a" "$planted/$work_area/old"
ln -s ../../link-target "$planted/x"
ln -s ../../../link-target "$planted/a/y"
ln -s ../../link-target/keep.txt "$planted/f.txt"
# And an installation whose game file is a link.
mkdir -p "$prefix/drive_c/planted/Linked"
ln -s ../../link-target/keep.txt "$prefix/drive_c/planted/Linked/tarn.exe"
ln -s ../../../../link-target "$planted/$work_area/old/x"
ln -s ../../../../link-target/keep.txt "$planted/$work_area/old/z.dll"
status=0
WINEPREFIX=$prefix wine "T:\\$(basename "$exe")" "$@" || status=$?
exit $status
