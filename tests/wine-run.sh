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
# A link, which a program under this Wine can neither make nor move: C:\links\victim is
# C:\link-target.
mkdir -p "$prefix/drive_c/link-target" "$prefix/drive_c/links"
echo "not the game's" >"$prefix/drive_c/link-target/keep.txt"
ln -s ../link-target "$prefix/drive_c/links/victim"
status=0
WINEPREFIX=$prefix wine "T:\\$(basename "$exe")" "$@" || status=$?
exit $status
