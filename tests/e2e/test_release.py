"""The release: the setup signed with a throwaway certificate authority and verified as Windows
verifies it, the release zip installed as winget installs it (unpacked into an empty folder, the
nested setup run with the manifest's silent switch), and the versions compared."""

import hashlib
import os
import re
import subprocess
import tempfile
import zipfile
from pathlib import Path

import yaml

from setup_driver import BUILD, REPO, check, main, running, scenario
from test_install import UNINSTALL, RECORD, extracted_source, game_folder, reg_value, same_tree
from test_silent import run_line, snapshot, winget_installer

PRODUCT_BUILD = Path(os.environ.get("MARVOLEN_PRODUCT_BUILD", BUILD)).resolve()
WINGET = REPO / "docs" / "winget"
VERSION = dict(re.findall(r"^#define MARVOLEN_VERSION_(MAJOR|MINOR) (\d+)$", (REPO / "base" / "version.h").read_text(), re.M))
VERSION = f"{VERSION['MAJOR']}.{VERSION['MINOR']}"
# What each kind of manifest must hold, as the published schemas (1.6.0) require it.
REQUIRED = {
    "version": {"PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"},
    "installer": {"PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"},
    "defaultLocale": {"PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName", "License",
                      "ShortDescription", "ManifestType", "ManifestVersion"},
}


def throwaway_authority(folder):
    """A root and a code-signing certificate issued by it: (root, certificate, key)."""
    def openssl(*args):
        subprocess.run(["openssl", *args], cwd=folder, check=True, capture_output=True)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "root.key", "-out", "root.pem", "-days", "2",
            "-subj", "/CN=Throwaway Root", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "signer.key", "-out", "signer.csr",
            "-subj", "/CN=Quellmark Studio (throwaway)")
    (Path(folder) / "signer.ext").write_text("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                                             "extendedKeyUsage=codeSigning\n")
    openssl("x509", "-req", "-in", "signer.csr", "-CA", "root.pem", "-CAkey", "root.key", "-set_serial", "7",
            "-days", "2", "-extfile", "signer.ext", "-out", "signer.pem")
    return tuple(str(Path(folder) / name) for name in ("root.pem", "signer.pem", "signer.key"))


def signed_cd(build, out, authority, when):
    """The build's CD with its setup signed, as `make sign` makes it."""
    _, certificate, key = authority
    env = dict(os.environ, MARVOLEN_SIGN_CERT=certificate, MARVOLEN_SIGN_KEY=key, MARVOLEN_SIGN_TIME=str(when))
    subprocess.run(["bash", str(REPO / "tools" / "sign.sh"), str(build), str(out)], env=env, check=True,
                   capture_output=True)
    return Path(out)


def verified(path, authority):
    result = subprocess.run(["osslsigncode", "verify", "-CAfile", authority[0], "-in", str(path)], capture_output=True)
    return result.returncode == 0


def test_signed_setups_verify_and_a_changed_byte_does_not():
    with tempfile.TemporaryDirectory() as work:
        work = Path(work)
        authority = throwaway_authority(work)
        (work / "other").mkdir()
        other = throwaway_authority(work / "other")
        check(not verified(PRODUCT_BUILD / "setup.exe", authority), "the plain build is unsigned")
        for build in sorted({PRODUCT_BUILD, BUILD}):
            first = signed_cd(build, work / "first", authority, 1765000000)
            second = signed_cd(build, work / "second", authority, 1765000000)
            setup = first / "setup.exe"
            check(verified(setup, authority), f"{build.name}: the signed setup.exe verifies")
            check(setup.read_bytes() == (second / "setup.exe").read_bytes(),
                  f"{build.name}: the same key and time sign to the same bytes")
            check((first / "tsetup.pkg").read_bytes() == (build / "cd" / "tsetup.pkg").read_bytes(),
                  f"{build.name}: the rest of the CD is the build's")
            changed = bytearray(setup.read_bytes())
            for at in (len(changed) // 3, len(changed) - 40):   # in the code, and in the signature itself
                tampered = bytearray(changed)
                tampered[at] ^= 0x01
                (work / "tampered.exe").write_bytes(tampered)
                check(not verified(work / "tampered.exe", authority), f"{build.name}: one byte changed at {at} fails")
            check(not verified(setup, other), f"{build.name}: another authority does not vouch for it")


def check_manifests(folder, digest, where):
    manifests = {path.name: yaml.safe_load(path.read_text()) for path in Path(folder).glob("*.yaml")}
    kinds = {manifest["ManifestType"]: manifest for manifest in manifests.values()}
    check(set(kinds) == set(REQUIRED) and len(manifests) == 3, f"{where}: one manifest of each kind: {sorted(manifests)}")
    for kind, manifest in kinds.items():
        missing = REQUIRED[kind] - set(manifest)
        check(not missing, f"{where}: the {kind} manifest holds every required field: {missing} missing")
        check(manifest["PackageVersion"] == VERSION and manifest["PackageIdentifier"] == "QuellmarkStudio.Marvolen",
              f"{where}: the {kind} manifest names the package and {VERSION}")
    installer = kinds["installer"]["Installers"][0]
    check(all(field in installer for field in ("Architecture", "InstallerUrl", "InstallerSha256")),
          f"{where}: the installer has its required fields")
    check(installer["InstallerUrl"].startswith("https://") and installer["InstallerUrl"].endswith(f"marvolen-{VERSION}.zip"),
          f"{where}: the zip's address is https: {installer['InstallerUrl']}")
    check(installer["InstallerSha256"].lower() == digest, f"{where}: the SHA-256 is the zip's: {installer['InstallerSha256']}")
    return kinds


def test_the_release_zip_installs_as_winget_installs_it_and_versions_are_compared():
    with tempfile.TemporaryDirectory() as work, tempfile.TemporaryDirectory() as source:
        work = Path(work)
        authority = throwaway_authority(work)
        signed = signed_cd(BUILD, work / "signed", authority, 1765000000)
        subprocess.run(["python3", str(REPO / "tools" / "make-release.py"), str(signed), str(work)], check=True,
                       capture_output=True)
        release = work / f"marvolen-{VERSION}.zip"
        check_manifests(WINGET, "0" * 64, "docs/winget")
        kinds = check_manifests(work / "release" / "winget", hashlib.sha256(release.read_bytes()).hexdigest(), "the release")
        installer = winget_installer(kinds["installer"])
        check(installer["InstallerType"] == "zip" and installer["NestedInstallerType"] == "exe" and
              installer["NestedInstallerFiles"] == [{"RelativeFilePath": "setup.exe"}], "a zip with the nested setup.exe")
        declared = {code["ReturnResponse"]: code["InstallerReturnCode"] for code in installer["ExpectedReturnCodes"]}
        entry = installer["AppsAndFeaturesEntries"][0]
        package = extracted_source(signed / "tsetup.pkg", Path(source))
        with scenario("release") as (display, prefix):
            # Only the zip, unpacked into an empty folder, and its nested setup as winget starts it.
            folder = prefix.drive_c / "Downloads" / "marvolen"
            folder.mkdir(parents=True)
            with zipfile.ZipFile(release) as archive:
                archive.extractall(folder)
            switches = installer["InstallerSwitches"]
            nested = "C:\\Downloads\\marvolen\\" + installer["NestedInstallerFiles"][0]["RelativeFilePath"]

            def setup(*args):
                return prefix.wine(nested, *args, display=display, check=False).returncode

            log = switches["Log"].replace("<LOGPATH>", "C:\\winget.log")
            code = run_line(prefix, display, f"{nested} {switches['Silent']} {log}")
            check(code == 0, f"the nested setup installs with {switches['Silent']}: exit {code}")
            check("Exit code 0" in (prefix.drive_c / "winget.log").read_text(), "the manifest's log switch writes the log")
            game = game_folder(prefix)
            check(same_tree(game, package), "the game's files are the package's")
            for name in ("DisplayName", "Publisher", "DisplayVersion"):
                check(reg_value(prefix, UNINSTALL, name) == ("REG_SZ", entry[name]), f"the entry's {name} is the manifest's")
            check(reg_value(prefix, RECORD, "Version") == ("REG_SZ", VERSION), "the install record's version")
            uninstaller = prefix.windows / "untsetup.exe"
            check(uninstaller.read_bytes() == (signed / "setup.exe").read_bytes() and verified(uninstaller, authority),
                  "the installed untsetup.exe is the signed setup, and verifies")
            check(verified(prefix.system32 / "unrar.dll", authority), "the installed unrar.dll verifies")

            # A newer installation on record: refused with the declared code, unattended, with or
            # without the window; nothing changes, its uninstaller included.
            (game / "Saves").mkdir()
            (game / "Saves" / "slot1.sav").write_text("the player's own file")
            (game / "DATA").mkdir()   # beside the game's "data", which a swap must then leave alone
            (game / "DATA" / "mine.txt").write_text("the player's own file")
            uninstaller.write_bytes(b"the newer version's uninstaller")
            prefix.wine("reg", "add", RECORD, "/v", "Version", "/d", "1.13", "/f")
            before = snapshot(game)
            check(setup(switches["Silent"]) == declared["downgrade"] == 9, "an older setup over a newer one: exit 9")
            with running(prefix, display, [nested, switches["SilentWithProgress"]]) as run:
                code = run.wait_exit(60)
            check(code == 9, f"and with the window's progress: exit 9 ({code})")
            check(snapshot(game) == before and reg_value(prefix, RECORD, "Version") == ("REG_SZ", "1.13") and
                  uninstaller.read_bytes() == b"the newer version's uninstaller", "nothing changed")
            # Asked for: installed, and the uninstaller is this setup again.
            check(setup(switches["Silent"], "/allowdowngrade") == 0, "/allowdowngrade installs the older version")
            check(reg_value(prefix, RECORD, "Version") == ("REG_SZ", VERSION) and
                  uninstaller.read_bytes() == (signed / "setup.exe").read_bytes(), "recorded as this version, its uninstaller")
            # An older installation on record: an upgrade, which keeps the player's files and one entry.
            prefix.wine("reg", "add", RECORD, "/v", "Version", "/d", "1.9", "/f")
            check(setup(switches["Silent"]) == 0, "a newer setup over an older one installs")
            check((game / "Saves" / "slot1.sav").read_text() == "the player's own file" and
                  (game / "DATA" / "mine.txt").read_text() == "the player's own file", "the player's files stay")
            listing = prefix.wine("uninstaller", "--list", check=False).stdout
            check(listing.count("|||RV : Marvolen") == 1, f"one Apps-list entry:\n{listing}")


if __name__ == "__main__":
    main([
        test_signed_setups_verify_and_a_changed_byte_does_not,
        test_the_release_zip_installs_as_winget_installs_it_and_versions_are_compared,
    ])
