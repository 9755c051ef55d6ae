# Sourced by the test and demo scripts: a Wine set-up that stays inside the build folder.
# Every run gets its own prefix, hard-linked from one template (a prefix takes seconds to
# create; a linked copy a fraction of one).

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${MARVOLEN_BUILD:-$repo_root/build}
wine_root=$build_dir/wine

# win32 for the shipped 32-bit build; win64 for the x86-64 build that the tests use on machines
# that run no 32-bit code (tools/runnable-build.sh).
export WINEARCH=${MARVOLEN_WINEARCH:-win32}
if [ "$WINEARCH" = win64 ]; then
  # Debian's `wine` and `wineboot` take the 32-bit loader whenever it is installed, and it
  # cannot run here: put the 64-bit one in front.
  wine_bin=$wine_root/bin-win64
  if [ ! -x "$wine_bin/wineboot" ]; then
    mkdir -p "$wine_bin"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$wine_bin/wine"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 wineboot "$@"\n' >"$wine_bin/wineboot"
    chmod +x "$wine_bin/wine" "$wine_bin/wineboot"
  fi
  export PATH=$wine_bin:$PATH WINELOADER=/usr/lib/wine/wine64
fi
export WINEDEBUG=${WINEDEBUG:--all}
# Wine takes its code pages from the locale: the same ones on every machine (1252 and 437)
# unless a test asks for another.
# (Bash itself may lack that locale and would say so: it does not matter to it.)
{ export LC_ALL=${MARVOLEN_LOCALE:-C.UTF-8}; } 2>/dev/null
# No Mono or Gecko prompts, no desktop entries written into the host's home, no crash
# debugger waiting for a click.
export WINEDLLOVERRIDES='winemenubuilder.exe=d;mscoree=;mshtml=;winedbg.exe=d'

ensure_template() {
  local template=$wine_root/template-$WINEARCH
  mkdir -p "$wine_root"
  (
    flock 9
    [ -f "$template/.ready" ] && exit 0
    local link
    rm -rf "$template"
    WINEPREFIX=$template wineboot -i >/dev/null 2>&1
    WINEPREFIX=$template wineserver -w
    # Z: would expose the host's whole file system to the program under test, and the
    # user's shell folders (Desktop, Documents, ...) are links into the host's home: make
    # them folders of the prefix, so links written to the desktop stay inside it.
    rm -f "$template/dosdevices/z:"
    for link in "$template"/drive_c/users/*/*; do
      if [ -L "$link" ]; then rm "$link"; mkdir "$link"; fi
    done
    touch "$template/.ready"
  ) 9>"$wine_root/.template-$WINEARCH.lock"
}

# Prints the path of a fresh prefix.
new_prefix() {
  ensure_template
  mkdir -p "$wine_root/runs"
  local prefix
  prefix=$(mktemp -d "$wine_root/runs/${1:-run}.XXXXXX")
  local template=$wine_root/template-$WINEARCH
  # Files Wine replaces rather than rewrites are linked; the registry is copied.
  cp -al "$template/drive_c" "$prefix/drive_c"
  cp -a "$template/dosdevices" "$template/.update-timestamp" "$template"/*.reg "$prefix/"
  echo "$prefix"
}

# Maps a host folder as a drive letter of the prefix.
map_drive() {  # prefix letter folder
  ln -sfn "$(realpath "$3")" "$1/dosdevices/$2:"
}

drop_prefix() {
  WINEPREFIX=$1 wineserver -k 2>/dev/null || true
  rm -rf "$1"
}
