#!/usr/bin/env bash
# The demo CD as players get it: an ISO 9660 image, with Joliet names for Windows, of a CD folder
# (setup.exe, tsetup.pkg, ReadMe.txt, DirectX\ and the autorun.inf that starts the setup and gives
# the disc its icon and label).
# Usage: make-cd-image.sh CD_FOLDER IMAGE
set -euo pipefail
cd_dir=$1 image=$2
for name in setup.exe tsetup.pkg ReadMe.txt DirectX/directx.exe autorun.inf; do
  [ -f "$cd_dir/$name" ] || { echo "make-cd-image: $cd_dir has no $name" >&2; exit 1; }
done
# Rock Ridge too, so that Linux shows the same names and the files stay readable when mounted.
genisoimage -quiet -J -r -V MARVOLEN -A "Marvolen demo" -publisher "Quellmark Studio" -o "$image.part" "$cd_dir"
mv "$image.part" "$image"
echo "$image"
