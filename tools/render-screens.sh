#!/usr/bin/env bash
# Renders every screen to PNG: tools/render-screens.sh [OUTDIR [DPI [LANGUAGE]]] (default
# build/screens, at the layout's own 96 dots per inch, in English; at another scale the names end
# in its percentage, -200, in another language in its code, -de).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$repo/build/screens}")
dpi=${2:-96}
language=${3:-en}
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
source "$repo/tests/wine-env.sh"
prefix=$(new_prefix render)
map_drive "$prefix" t "$build_dir/tests"
map_drive "$prefix" o "$scratch"
run() { WINEPREFIX=$prefix wine 'T:\render_screens.exe' 'O:' "$dpi" "$language"; }
if [ -n "${DISPLAY:-}" ]; then run; else xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c "$(declare -f run); prefix=$prefix; dpi=$dpi; language=$language; run"; fi
drop_prefix "$prefix"
for bmp in "$scratch"/*.bmp; do
  convert "$bmp" "$out/$(basename "${bmp%.bmp}").png"
done
echo "screens rendered to $out"
