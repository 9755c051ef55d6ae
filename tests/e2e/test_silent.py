"""Unattended runs from the command line, read back by outside readers: the exit code, the files,
the links, the records and the log."""

import subprocess
import tempfile
import time
from pathlib import Path

from setup_driver import PACKAGES, SetupRun, cd_scenario, check, main
from test_install import (RECORD, UNINSTALL, desktop_link, extracted_source, key_exists, lnk, program_group, reg_value,
                          reg_values, same_tree)
from test_runs import hold_open, release


def snapshot(folder):
    return {str(p.relative_to(folder)): p.read_bytes() if p.is_file() else None for p in Path(folder).rglob("*")}

FOLDER = "C:\\My Games\\Marvolen"


def setup(prefix, *args, program="D:\\setup.exe", cwd=None):
    return prefix.wine(program, *args, check=False, cwd=cwd).returncode


def setup_beside_holder(prefix, *args, program="D:\\setup.exe"):
    """The same without pipes: Wine's processes that serve the holder would keep them open, and
    the run would seem not to end before the holder does."""
    return subprocess.run(["wine", program, *args], env=prefix.env(), stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=120).returncode


def test_a_silent_install_and_uninstall_match_the_windowed_runs():
    with cd_scenario("silent", PACKAGES / "game.rar") as (display, prefix, cd), \
            tempfile.TemporaryDirectory() as source:
        # A folder that already holds someone else's files is refused: a later uninstall would
        # take them with it.
        others = prefix.drive_c / "My Games" / "Other" / "save.dat"
        others.parent.mkdir(parents=True)
        others.write_text("not the game's")
        check(setup(prefix, "/silent", "/dir=C:\\My Games") == 2 and not key_exists(prefix, RECORD),
              "a /dir holding other files is refused with exit 2, and nothing is recorded")
        code = setup(prefix, "-SILENT", f"/dir={FOLDER}", "/DesktopIcon", "/log=C:\\install.log")
        check(code == 0, f"a silent install exits 0, got {code}")
        game = prefix.drive_c / "My Games" / "Marvolen"
        check(same_tree(game, extracted_source(PACKAGES / "game.rar", Path(source))),
              "the files are the package's, in the folder as given")
        check(reg_value(prefix, RECORD, "InstallDir") == ("REG_SZ", FOLDER), "InstallDir names it")
        check(reg_value(prefix, UNINSTALL, "QuietUninstallString") ==
              ("REG_SZ", '"C:\\windows\\untsetup.exe" /silent'), "the quiet uninstall string is recorded")
        check(reg_value(prefix, UNINSTALL, "UninstallString") == ("REG_SZ", "C:\\windows\\untsetup.exe"),
              "the uninstall string stays as it was")
        check(len(list(program_group(prefix).glob("*.lnk"))) == 7 and desktop_link(prefix).exists(),
              "seven links and the desktop link")
        target = lnk(program_group(prefix) / "Marvolen - RV.lnk").get("Local path", "")
        check(target == FOLDER + "\\tarn.exe", f"the game's link: {target}")
        log = (prefix.drive_c / "install.log").read_text()
        for step in ("Destination folder: " + FOLDER, "Free space", "Package", "entries extracted", "Links written",
                     "Records written", "Exit code 0"):
            check(step in log, f"the log names the step {step!r}:\n{log}")
        check(setup(prefix, "/silent", "/dir=c:\\MY GAMES\\marvolen\\") == 0, "the recorded folder, spelt otherwise, is no stranger's")

        # A reinstall over it that fails, or finds a file of the game in use, changes nothing.
        (game / "Saves").mkdir()
        (game / "Saves" / "slot1.sav").write_text("the player's own file")
        before = snapshot(game), reg_values(prefix, RECORD)
        (cd / "tsetup.pkg").write_bytes((PACKAGES / "cut.rar").read_bytes())
        check(setup(prefix, "/silent") == 2 and (snapshot(game), reg_values(prefix, RECORD)) == before,
              "a package cut between entries exits 2 and leaves the installation as it was")
        (cd / "tsetup.pkg").write_bytes((PACKAGES / "game.rar").read_bytes())
        holder = hold_open(prefix, FOLDER + "\\data", "part2.dat", 300)
        try:
            time.sleep(3)
            code = setup_beside_holder(prefix, "/silent", "/log=C:\\inuse.log")
            log = (prefix.drive_c / "inuse.log").read_text()
            check(code == 7 and ("in use or cannot be replaced: " + FOLDER + "\\data\\part2.dat").lower() in log.lower(),
                  f"a file in use exits 7 and is named ({code}):\n{log}")
            check((snapshot(game), reg_values(prefix, RECORD)) == before, "and the installation is as it was")
            code = setup_beside_holder(prefix, "/silent", "/log=C:\\uninstall.log", program="C:\\windows\\untsetup.exe")
            log = (prefix.drive_c / "uninstall.log").read_text()
            check(code == 7 and ("FAILED: a file of the game is in use: " + FOLDER + "\\data\\part2.dat").lower() in log.lower(),
                  f"an uninstall meeting a file in use exits 7 and names it ({code}):\n{log}")
            check(snapshot(game) == before[0] and key_exists(prefix, RECORD) and program_group(prefix).exists(),
                  "and removes nothing: files, records and links stay")
        finally:
            release(prefix, holder)
        check(setup(prefix, "/silent") == 0 and (game / "Saves" / "slot1.sav").exists(),
              "a reinstall keeps the player's save")

        # Read-only files are no obstacle.
        (game / "tarn.exe").chmod(0o444)
        code = setup(prefix, "/silent", "/log=C:\\uninstall.log", program="C:\\windows\\untsetup.exe")
        log = (prefix.drive_c / "uninstall.log").read_text()
        check(code == 0 and not game.exists(), f"a silent uninstall takes read-only files too ({code}):\n{log}")
        check(not program_group(prefix).exists() and not desktop_link(prefix).exists(), "the links are gone")
        check(others.read_text() == "not the game's", "the other folder beside the game's is untouched")
        check(not key_exists(prefix, RECORD) and not key_exists(prefix, UNINSTALL), "the records are gone")
        check((prefix.windows / "untsetup.exe").exists(), "the uninstaller copy stays")
        check("Removed the records" in log, "the uninstall is logged")
        check(setup(prefix, "/uninstall", "/silent") == 5, "nothing left to uninstall: exit 5")
        check(setup(prefix, "/silent", "/bogus") == 4 and setup(prefix, "silent") == 4, "unknown switches: exit 4")


def test_silent_failures_exit_with_their_code_and_leave_nothing():
    with cd_scenario("silent-damaged", PACKAGES / "damaged.rar") as (display, prefix, cd):
        code = setup(prefix, "/silent", "/log=C:\\failed.log")
        check(code == 2, f"a damaged package exits 2, got {code}")
        check(not (prefix.drive_c / "Program Files" / "Marvolen").exists(), "and leaves no folder")
        check(not key_exists(prefix, RECORD), "and no records")
        check("FAILED" in (prefix.drive_c / "failed.log").read_text(), "the log says what failed")
        (cd / "tsetup.pkg").unlink()
        # A log named relative to the working directory (C:\ here) keeps every line, though the
        # program works in its own folder once started.
        check(setup(prefix, "/silent", "/log=missing.log", cwd=prefix.drive_c) == 2, "a missing package exits 2")
        failure = [line.split("FAILED: the package: ", 1) for line in
                   (prefix.drive_c / "missing.log").read_text().splitlines() if "FAILED: the package: " in line]
        check(len(failure) == 1 and failure[0][1].strip(), f"with the system's error text: {failure}")
        # A windowed run with no display to open its window on has done nothing: it must not say 0.
        no_display = {name: value for name, value in prefix.env().items() if name != "DISPLAY"}
        code = subprocess.run(["wine", "D:\\setup.exe", "/log=C:\\nowindow.log"], env=no_display,
                              capture_output=True, timeout=120).returncode
        log = (prefix.drive_c / "nowindow.log").read_text()
        check(code == 2 and "FAILED: the window could not be opened\n" in log, f"no window exits 2 ({code}):\n{log}")

    mount = Path(tempfile.mkdtemp(prefix="marvolen-small-drive-"))
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=100m", "tmpfs", str(mount)], check=True)
    try:
        with cd_scenario("silent-space", PACKAGES / "game.rar") as (display, prefix, cd):
            prefix.map_drive("e", mount)
            check(setup(prefix, "/silent", "/dir=E:\\Marvolen") == 3, "too little space exits 3")
            check(not any(mount.iterdir()) and not key_exists(prefix, RECORD), "and writes nothing")
            # Room for the fixed figure, not for what the package unpacks to (600,000,000 bytes).
            subprocess.run(["mount", "-o", "remount,size=550m", str(mount)], check=True)
            (cd / "tsetup.pkg").write_bytes((PACKAGES / "bad" / "too-big.rar").read_bytes())
            code = setup(prefix, "/silent", "/dir=E:\\Marvolen", "/log=C:\\space.log")
            log = (prefix.drive_c / "space.log").read_text()
            check(code == 3 and "the package unpacks to 600000000 bytes" in log, f"the package's size counts ({code}):\n{log}")
            check(not any(mount.iterdir()), "and nothing is written")
    finally:
        subprocess.run(["umount", str(mount)], check=False)
        mount.rmdir()


def test_a_second_instance_is_refused():
    with cd_scenario("second", PACKAGES / "game.rar") as (display, prefix, cd):
        run = SetupRun(prefix, display)
        try:
            run.wait_live()
            check(setup(prefix, "/silent") == 6, "a silent run beside a running setup exits 6")
            check(not key_exists(prefix, RECORD), "and installs nothing")
        finally:
            run.kill()


if __name__ == "__main__":
    main([
        test_a_silent_install_and_uninstall_match_the_windowed_runs,
        test_silent_failures_exit_with_their_code_and_leave_nothing,
        test_a_second_instance_is_refused,
    ])
