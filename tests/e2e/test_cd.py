"""The demo CD as players get it: the image `make cd` builds, read back with isoinfo, then mounted
read-only as a CD-ROM drive of the prefix, installed from, played and uninstalled."""

import subprocess
import tempfile
import time
from pathlib import Path

from setup_driver import BUILD, FINISH_RECTS, MAIN_MENU_RECTS, REPO, check, main, on, running, scenario, wait_for
from test_install import (INSTALL_DIR, RECORD, UNINSTALL, game_folder, install, key_exists, listed_in_apps,
                          reg_value, uninstall)

CD_FILES = ["/DirectX", "/DirectX/directx.exe", "/ReadMe.txt", "/autorun.inf", "/setup.exe", "/tsetup.pkg"]


def isoinfo(image, *args):
    return subprocess.run(["isoinfo", "-i", str(image), *args], capture_output=True, text=True, check=True).stdout


def test_the_cd_image_installs_plays_and_uninstalls_read_only():
    with tempfile.TemporaryDirectory() as scratch:
        scratch = Path(scratch)
        image = scratch / "marvolen-demo.iso"
        subprocess.run(["bash", str(REPO / "tools" / "make-cd-image.sh"), str(BUILD / "cd"), str(image)], check=True,
                       capture_output=True)
        listed = sorted(isoinfo(image, "-J", "-f").split())
        check(listed == CD_FILES, f"the image holds the CD's files under their Joliet names: {listed}")
        described = isoinfo(image, "-d")
        check("Joliet" in described and "Volume id: MARVOLEN" in described, f"a Joliet image labelled MARVOLEN:\n{described}")
        autorun = isoinfo(image, "-J", "-x", "/autorun.inf").splitlines()
        check(autorun == ["[autorun]", "open=setup.exe", "icon=setup.exe,0", "label=Marvolen"],
              f"autorun.inf starts the setup and gives the icon and label: {autorun}")

        mount = scratch / "cd"
        mount.mkdir()
        subprocess.run(["fuseiso", str(image), str(mount)], check=True)
        try:
            with scenario("cd") as (display, prefix):
                prefix.map_drive("d", mount)
                prefix.wine("reg", "add", "HKLM\\Software\\Wine\\Drives", "/v", "d:", "/d", "cdrom", "/f")
                installed_from_the_cd(prefix, display)
                writes = writes_beside_the_setup(prefix, display, scratch / "trace")
                check(not writes, f"an unattended install from the CD tries to write nothing on it: {writes[:3]}")
            check(sorted(p.name for p in mount.iterdir()) == sorted(f[1:] for f in CD_FILES if f.count("/") == 1),
                  "nothing new on the CD")
        finally:
            subprocess.run(["fusermount", "-u", str(mount)], check=False)


def writes_beside_the_setup(prefix, display, trace):
    """A read-only disc refuses every write, and a refused write is easily passed over: the
    system calls of an unattended install and uninstall that would write on the CD."""
    writes = []
    for program in ("D:\\setup.exe", "C:\\windows\\untsetup.exe"):
        subprocess.run(["strace", "-f", "-e", "trace=openat,creat,mkdir,rename,unlink", "-o", str(trace), "wine",
                        program, "/silent"], env=prefix.env(display), capture_output=True, timeout=200, check=True)
        # Wine reaches the disc through the prefix's drive link.
        writes += [line for line in trace.read_text().splitlines() if "/dosdevices/d:" in line and
                   any(mark in line for mark in ("O_WRONLY", "O_RDWR", "O_CREAT", "mkdir", "rename", "unlink"))]
    check(not game_folder(prefix).exists(), "installed and uninstalled again")
    return writes


def installed_from_the_cd(prefix, display):
    with running(prefix, display, ["D:\\setup.exe", "/log=C:\\cd.log"]) as run:
        run.wait_live()
        install(run, timeout=180)
        check(reg_value(prefix, RECORD, "CD-ROM") == ("REG_SZ", "D:\\") and
              reg_value(prefix, UNINSTALL, "InstallSource") == ("REG_SZ", "D:\\"), "the records name the CD")
        check(reg_value(prefix, RECORD, "InstallDir") == ("REG_SZ", INSTALL_DIR) and listed_in_apps(prefix),
              "installed and listed")
        # Beside the setup nothing can be written: the library copy and the log went elsewhere.
        check((prefix.system32 / "unrar.dll").exists(), "the library copy is in the system folder")
        run.click_button(FINISH_RECTS[0])   # Play Now
        ran = prefix.drive_c / "standin-ran.txt"
        wait_for(ran.exists, 20, "the game to start")
        time.sleep(1)
        check(ran.read_text().splitlines()[0].split("|")[0].lower() == (INSTALL_DIR + "\\tarn.exe").lower(),
              "Play Now starts the installed game")
        wait_for(lambda: not display.windows_named("^Stand-in"), 20, "the game's window to close")
        run.click_button(FINISH_RECTS[3])   # Setup Menu
        on(run, 130)
        uninstall(run)
        check(not game_folder(prefix).exists() and not key_exists(prefix, RECORD) and not listed_in_apps(prefix),
              "uninstalled")
        run.click_button(MAIN_MENU_RECTS[5], settle=0)
        check(run.wait_exit() == 0, "Exit ends the program with 0")
    log = (prefix.drive_c / "cd.log").read_text()
    check("Records written" in log and "Removed the records" in log, f"the log, on drive C:, holds every step:\n{log}")


if __name__ == "__main__":
    main([test_the_cd_image_installs_plays_and_uninstalls_read_only])
