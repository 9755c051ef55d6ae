#!/usr/bin/env python3
"""The release as package managers take it: build/marvolen-<version>.zip holding the CD's files
(setup.exe at its top, beside tsetup.pkg, as the setup expects them), and the sample winget
manifest of docs/winget/ copied to build/release/winget/ with the zip's SHA-256 filled in.

The zip is the same bytes for the same files: its entries in name order, each dated with the
release's time (SOURCE_DATE_EPOCH, else the last commit's) and marked as a plain file.

Usage: make-release.py CD_FOLDER BUILD"""

import hashlib
import os
import re
import subprocess
import sys
import time
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
CD_FILES = ["setup.exe", "tsetup.pkg", "ReadMe.txt", "DirectX/directx.exe", "autorun.inf"]
PLACEHOLDER = "0" * 64


def version():
    header = (REPO / "base" / "version.h").read_text()
    numbers = dict(re.findall(r"^#define MARVOLEN_VERSION_(MAJOR|MINOR) (\d+)$", header, re.M))
    return f"{numbers['MAJOR']}.{numbers['MINOR']}"


def release_time():
    stamp = os.environ.get("SOURCE_DATE_EPOCH")
    if not stamp:
        commit = subprocess.run(["git", "-C", str(REPO), "log", "-1", "--format=%ct"], capture_output=True, text=True)
        stamp = commit.stdout.strip() or "315532800"
    # A zip's dates start in 1980 and have two-second steps.
    return time.gmtime(max(int(stamp), 315532800))[:6]


def write_zip(cd, target, when):
    files = sorted(p.relative_to(cd).as_posix() for p in cd.rglob("*") if p.is_file())
    missing = [name for name in CD_FILES if name not in files]
    if missing:
        sys.exit(f"make-release: {cd} lacks {', '.join(missing)}")
    target.parent.mkdir(parents=True, exist_ok=True)
    part = target.with_name(target.name + ".part")
    with zipfile.ZipFile(part, "w") as archive:
        for name in files:
            entry = zipfile.ZipInfo(name, date_time=when)
            entry.external_attr = 0o100644 << 16
            entry.create_system = 0   # made on "MS-DOS": Windows' own extraction reads it as it reads its own
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, (cd / name).read_bytes(), compresslevel=9)
    part.replace(target)


def write_manifests(digest, release, out):
    out.mkdir(parents=True, exist_ok=True)
    for source in sorted((REPO / "docs" / "winget").glob("*.yaml")):
        text = source.read_text()
        stated = set(re.findall(r'PackageVersion: "([^"]*)"', text))
        if stated != {release}:
            sys.exit(f"make-release: {source.name} states version {stated}, the program is {release}")
        if "InstallerSha256" in text:
            if text.count(PLACEHOLDER) != 1:
                sys.exit(f"make-release: {source.name} has no InstallerSha256 placeholder to fill in")
            text = text.replace(PLACEHOLDER, digest.upper())
        (out / source.name).write_text(text)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.splitlines()[-1])
    cd, build = Path(sys.argv[1]), Path(sys.argv[2])
    release = version()
    target = build / f"marvolen-{release}.zip"
    write_zip(cd, target, release_time())
    digest = hashlib.sha256(target.read_bytes()).hexdigest()
    write_manifests(digest, release, build / "release" / "winget")
    print(f"{target}  SHA-256 {digest}")


if __name__ == "__main__":
    main()
