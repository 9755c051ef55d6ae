#!/usr/bin/env bash
# Builds the RAR packages the demo and the tests extract, with `rar`, from content made here.
#   make-packages.sh demo STANDIN_EXE OUTDIR   -> OUTDIR/tsetup.pkg and the CD's other files
#   make-packages.sh tests STANDIN_EXE OUTDIR  -> OUTDIR/*.rar, their source trees and damaged copies
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

# Deterministic filler: `count` bytes from a seeded generator (incompressible) or a pattern.
filler() {  # file bytes seed kind
  python3 - "$@" <<'PY'
import random, sys
path, size, seed, kind = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
rng = random.Random(seed)
if kind == "random":
    data = rng.randbytes(size)
else:
    words = [b"marvolen", b"keep", b"tower", b"river", b"forge", b"banner", b"quest", b"\n"]
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words) + b" "
    data = bytes(out[:size])
open(path, "wb").write(data)
PY
}

url_file() {  # file host
  printf '[InternetShortcut]\r\nURL=http://%s/\r\n' "$2" >"$1"
}

pack() {  # archive folder [rar options...]
  local archive=$1 folder=$2
  shift 2
  rm -f "$archive"
  # -ep1: names relative to the folder; -r: recurse; -tl/-tk: no times from this build
  (cd "$folder" && rar a -inul -r -ep1 -m3 "$@" "$archive" ./*)
}

# The game's own files: the stand-in game, its ReadMe and the four web links.
game_files() {  # standin folder
  cp "$1" "$2/tarn.exe"
  cp "$repo/tools/demo/ReadMe_demo.txt" "$2/ReadMe_demo.txt"
  url_file "$2/marvolen.url" www.marvolen.example
  url_file "$2/publisher.url" www.halvergate.example
  url_file "$2/quellmark.url" www.quellmark.example
  url_file "$2/gamespy.url" www.arcadehall.example
}

demo() {
  local standin=$1 out=$2
  local content
  content=$(mktemp -d)
  trap 'rm -rf "$content"' RETURN
  game_files "$standin" "$content"
  mkdir -p "$content/data/maps" "$content/data/sounds" "$content/data/sprites" "$content/saves"
  # Many small files as well as large ones, so the animation has a few seconds to run.
  python3 - "$content/data/sprites" <<'PY'
import random, sys
rng = random.Random(11)
for i in range(900):
    open(f"{sys.argv[1]}/sprite{i:03d}.spr", "wb").write(rng.randbytes(6000 + rng.randrange(6000)))
PY
  for i in $(seq -w 1 60); do filler "$content/data/maps/region$i.map" 400000 "$i" text; done
  for i in $(seq -w 1 12); do filler "$content/data/sounds/theme$i.wav" 3000000 "$((100 + 10#$i))" random; done
  filler "$content/data/world.dat" 40000000 7 text
  mkdir -p "$out"
  pack "$out/tsetup.pkg" "$content"
}

tests() {
  local standin=$1 out=$2
  rm -rf "$out"
  # A small whole game, for runs that need one quickly.
  mkdir -p "$out/game/data"
  game_files "$standin" "$out/game"
  for i in 1 2 3 4 5 6; do filler "$out/game/data/part$i.dat" 1500000 "$((20 + i))" random; done
  pack "$out/game.rar" "$out/game"

  mkdir -p "$out/nested/a/b/c" "$out/nested/empty folder" "$out/nested/d"
  filler "$out/nested/big.dat" 3000000 1 random
  filler "$out/nested/a/notes.txt" 20000 2 text
  filler "$out/nested/a/b/c/deep.bin" 70000 3 random
  : >"$out/nested/d/empty.txt"
  filler "$out/nested/tarn.exe" 5000 4 random
  pack "$out/nested.rar" "$out/nested"
  # Nine entries of incompressible data, each many blocks long: enough for the writer threads.
  mkdir -p "$out/shared"
  for i in 1 2 3 4 5 6 7 8 9; do filler "$out/shared/part$i.bin" 1500000 $((20 + i)) random; done
  pack "$out/shared.rar" "$out/shared"
  # Nine long entries that pack small (a repeated line): a stop inside one is told from its end.
  mkdir -p "$out/sharedlong"
  for i in 1 2 3 4 5 6 7 8 9; do
    python3 -c "import sys; open(sys.argv[1], 'wb').write(b'marvolen keep tower river %d\n' % int(sys.argv[2]) * 1200000)" \
      "$out/sharedlong/part$i.txt" "$i"
  done
  pack "$out/sharedlong.rar" "$out/sharedlong"
  rm -rf "$out/sharedlong"
  # The same nine with a few bytes of the fifth overwritten: its data fails its check.
  cp "$out/shared.rar" "$out/shared-damaged.rar"
  printf '\xff\x00\xff\x00\xff\x00\xff\x00' |
    dd of="$out/shared-damaged.rar" bs=1 seek=$(($(stat -c %s "$out/shared.rar") * 5 / 9 - 500000)) conv=notrunc status=none

  mkdir -p "$out/single"
  filler "$out/single/movie.dat" 2000000 5 random
  pack "$out/single.rar" "$out/single"

  mkdir -p "$out/empty/only a folder"
  pack "$out/empty.rar" "$out/empty"

  # Entries that deliver no data of their own: identical files stored as references to the first
  # (-oi), a symbolic link stored as a link (-ol), an empty file and an empty folder.
  mkdir -p "$out/refs/copies" "$out/refs/empty folder"
  game_files "$standin" "$out/refs"
  filler "$out/refs/original.dat" 300000 6 random
  cp "$out/refs/original.dat" "$out/refs/copy.dat"
  cp "$out/refs/original.dat" "$out/refs/copies/another copy.dat"
  ln -s original.dat "$out/refs/link.dat"
  : >"$out/refs/empty.txt"
  pack "$out/refs.rar" "$out/refs" -oi:1 -ol

  # An entry whose installed path passes the classic 260 characters below any game folder.
  local deep="$out/long/$(printf 'folder-with-a-long-name-%02d/' 1 2 3 4 5 6 7 8)"
  mkdir -p "$deep"
  game_files "$standin" "$out/long"
  filler "${deep}far-below-the-classic-limit.dat" 10000 8 random
  pack "$out/long.rar" "$out/long"

  bad_packages "$out/bad"

  printf 'This is not a RAR archive.\n' >"$out/notrar.pkg"
  local size
  size=$(stat -c %s "$out/nested.rar")
  head -c $((size / 2)) "$out/nested.rar" >"$out/truncated.rar"
  # Cut exactly where the last entry's header begins: every entry before it is whole.
  python3 - "$out/nested.rar" "$out/cut.rar" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
def vint(at):
    value = shift = 0
    while True:
        value |= (data[at] & 0x7F) << shift
        shift += 7
        at += 1
        if not data[at - 1] & 0x80:
            return value, at
at, files = 8, []
while at < len(data):
    size, body = vint(at + 4)
    kind, after = vint(body)
    flags, after = vint(after)
    extra, after = vint(after) if flags & 1 else (0, after)
    packed, after = vint(after) if flags & 2 else (0, after)
    if kind == 2:
        files.append(at)
    at = body + size + packed
assert len(files) > 1
open(sys.argv[2], "wb").write(data[:files[-1]])
PY
  # Flip bytes inside the packed data of the first, large entry: the CRC check must catch it.
  cp "$out/nested.rar" "$out/damaged.rar"
  printf '\xff\x00\xff\x00\xff\x00\xff\x00' | dd of="$out/damaged.rar" bs=1 seek=$((size / 3)) conv=notrunc status=none
}

# Packages a damaged CD or a hostile file could hand the setup.
bad_packages() {  # folder
  local bad=$1 scratch
  mkdir -p "$bad"
  scratch=$(mktemp -d)
  # Names that try to leave the destination, beside one plain entry; and an entry that claims
  # far more data than it holds. rar never writes either, so they are made by hand.
  python3 "$repo/tools/craft-rar.py" "$bad/escaping.rar" "../../escape1.txt=x" '..\..\escape2.txt=x' \
    "C:/escape3.txt=x" "/escape4.txt=x" "//server/share/escape5.txt=x" '\\server\share\escape6.txt=x' "inside.txt=fine"
  # One name of each kind that must never be written as it stands, each among eight plain
  # entries (enough for the program to write a package's files itself, were the names plain).
  local i=0 plain=() hostile
  for n in 1 2 3 4 5 6 7 8; do plain+=("plain$n.txt=plain $n"); done
  for hostile in "../up1.txt" "a/../../up2.txt" "C:/up3.txt" "/up4.txt" "name:stream.txt" "CON" "nul.txt" \
      "a/COM1/x.txt" "trail." "trail " "$(printf 'n%.0s' $(seq 300)).txt" "a\\..\\..\\up5.txt"; do
    i=$((i + 1))
    python3 "$repo/tools/craft-rar.py" "$bad/hostile$i.rar" "${plain[@]}" "$hostile=hostile"
  done
  python3 "$repo/tools/craft-rar.py" "$bad/oversized.rar" --stated-size 100000000 "huge.dat=only a few bytes"
  # Thousands of tiny entries.
  mkdir -p "$scratch/many"
  python3 - "$scratch/many" <<'PY'
import sys
for i in range(2000):
    open(f"{sys.argv[1]}/entry{i:04d}.txt", "w").write(f"entry {i}\n")
PY
  pack "$bad/many.rar" "$scratch/many"
  # The first volume of a set whose next volume is missing; password-protected data; and
  # encrypted headers.
  mkdir -p "$scratch/volumes"
  filler "$scratch/volumes/spread.dat" 600000 9 random
  (cd "$scratch/volumes" && rar a -inul -m0 -v200k "$scratch/set.rar" spread.dat)
  cp "$scratch/set.part1.rar" "$bad/first-volume.rar"
  (cd "$scratch/volumes" && rar a -inul -psecret "$bad/password.rar" spread.dat)
  (cd "$scratch/volumes" && rar a -inul -hpsecret "$bad/hidden-headers.rar" spread.dat)
  # Unpacks to more than a small drive holds, packed small.
  head -c 600000000 /dev/zero >"$scratch/zeros.dat"
  (cd "$scratch" && rar a -inul -m1 "$bad/too-big.rar" zeros.dat)
  rm -rf "$scratch"
}

case "${1:-}" in
  demo) demo "$2" "$3" ;;
  tests) tests "$2" "$3" ;;
  *) echo "usage: $0 demo|tests STANDIN_EXE OUTDIR" >&2; exit 2 ;;
esac
