"""What lies on disk or arrives as text is checked before it is obeyed, and a run that cannot
finish ends by itself, leaving or putting back what was there: read back by outside readers."""

import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from setup_driver import DEMO_PACKAGE, PACKAGES, cd_scenario, check, main, running, wait_for, WORK_AREA
from test_install import INSTALL_DIR, RECORD, extracted_source, game_folder, key_exists, program_group, same_tree
from test_runs import hold_open, release
from test_silent import setup, snapshot


def test_look_alikes_planted_work_areas_and_links_are_never_obeyed():
    """What arrives as text or lies on disk is checked before it is acted on: look-alike characters
    on the command line, someone's files in the default folder, a work area and journal planted in
    the game's folder with a link out of it, a link named like the uninstall's aside folder."""
    with cd_scenario("untrusted", PACKAGES / "game.rar") as (display, prefix, cd), \
            tempfile.TemporaryDirectory() as source:
        package = extracted_source(PACKAGES / "game.rar", Path(source))
        victim = prefix.drive_c / "victim"
        victim.mkdir()
        for name, text in (("keep.txt", "not the game's"), ("sys.dll", "the system's")):
            (victim / name).write_text(text)
            (victim / name).chmod(0o444)
        untouched = snapshot(victim)
        # Someone's file in the default folder: refused with or without a window, and kept.
        mods = game_folder(prefix) / "My Mods" / "notes.txt"
        mods.parent.mkdir(parents=True)
        mods.write_text("the player's own file")
        check(setup(prefix, "/silent", "/log=C:\\others.log") == 2 and mods.read_text() == "the player's own file" and
              not key_exists(prefix, RECORD), "the default folder holding someone's file is refused")
        check("FAILED: the folder already holds files" in (prefix.drive_c / "others.log").read_text(), "and the log says why")
        with running(prefix, display, ["D:\\setup.exe", "/passive"]) as run:
            code = run.wait_exit(60)
        check(code == 2 and mods.exists() and not key_exists(prefix, RECORD), f"/passive too, by itself ({code})")

        # Look-alikes are never made into real backslashes and quotes: refused, nothing done.
        check(setup(prefix, "/silent", "/dir=C:\\Games\\\u03a9\u2216Marvolen") == 4 and
              not (prefix.drive_c / "Games").exists(), "a folder the code page cannot spell exits 4")
        game = prefix.drive_c / "Games" / "Marvolen"
        check(setup(prefix, "/silent", "/dir=C:\\Games\\Marvolen") == 0, "installed into C:\\Games\\Marvolen")
        spoof = "/dir=C:\\Games\\Mine\uff02 /uninstall /log=\uff02C:\\l.log"
        check(setup(prefix, "/silent", spoof) == 4 and same_tree(game, package) and key_exists(prefix, RECORD),
              "fullwidth quotes inside /dir stay part of it: no uninstall, exit 4")

        # A work area, journal and backup planted in the game's folder while nothing ran, with a link
        # out of it: never obeyed, and a folder holding a link is no folder to install into.
        area = game / WORK_AREA
        (area / "old" / "x").mkdir(parents=True)
        (area / "old" / "x" / "sys.dll").write_text("planted")
        (area / "journal").write_bytes("R\\x\\sys.dll\nN\\x\\keep.txt\n".encode("utf-16-le"))
        (game / "x").symlink_to(victim)
        check(setup(prefix, "/silent") == 2 and snapshot(victim) == untouched, "the planted journal is not obeyed")
        shutil.rmtree(area)
        (game / "x").unlink()

        # A link named like the aside folder: the uninstall goes round it, through nothing.
        (game.parent / "Marvolen.~removing").symlink_to(victim)
        code = setup(prefix, "/silent", program="C:\\windows\\untsetup.exe")
        check(code == 0 and not game.exists() and not key_exists(prefix, RECORD), f"uninstalled ({code})")
        check(snapshot(victim) == untouched and all(not p.stat().st_mode & 0o222 for p in victim.iterdir()),
              "what the link leads to keeps its files and their read-only mark")


def test_runs_that_cannot_finish_end_by_themselves_and_are_put_back():
    """/passive never waits for a click; a first install killed among its moves is put back by the
    next run; an uninstall whose drive is gone keeps everything, and goes once the drive is back."""
    with cd_scenario("unfinished", PACKAGES / "game.rar") as (display, prefix, cd), \
            tempfile.TemporaryDirectory() as source, tempfile.TemporaryDirectory() as removable:
        check(setup(prefix, "/silent") == 0, "installed")
        holder = hold_open(prefix, INSTALL_DIR + "\\data", "part2.dat", 300)
        try:
            time.sleep(3)
            with running(prefix, display, ["D:\\setup.exe", "/passive", "/log=C:\\inuse.log"]) as run:
                code = run.wait_exit(60)
        finally:
            release(prefix, holder)
        check(code == 7 and "Exit code 7" in (prefix.drive_c / "inuse.log").read_text(),
              f"/passive over a file in use ends by itself with 7 ({code})")
        check(setup(prefix, "/silent", program="C:\\windows\\untsetup.exe") == 0, "uninstalled")

        # Killed while its files move into a folder that stood empty: the next run puts it back first.
        (cd / "tsetup.pkg").write_bytes(DEMO_PACKAGE.read_bytes())
        game = prefix.drive_c / "Games" / "Marvolen"
        game.mkdir(parents=True)
        journal = game / WORK_AREA / "journal"
        process = subprocess.Popen(["wine", "D:\\setup.exe", "/silent", "/dir=C:\\Games\\Marvolen"], env=prefix.env(),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: journal.exists() and any(p.name != journal.parent.name for p in game.iterdir()), 180,
                 "the files to be moving in", interval=0.01)
        process.kill()
        process.wait(10)
        check(journal.exists() and "C" not in journal.read_text(encoding="utf-16-le").split(), "killed among the moves")
        check(setup(prefix, "/silent", "/dir=C:\\Games\\Marvolen") == 0 and not journal.parent.exists() and
              same_tree(game, extracted_source(DEMO_PACKAGE, Path(source))), "the retry is put back, then installs")
        check(setup(prefix, "/silent", program="C:\\windows\\untsetup.exe") == 0, "uninstalled")

        # The game on a drive that goes away (a USB disk): the uninstall keeps records and links.
        (cd / "tsetup.pkg").write_bytes((PACKAGES / "game.rar").read_bytes())
        prefix.map_drive("e", removable)
        check(setup(prefix, "/silent", "/dir=E:\\Marvolen") == 0, "installed on E:")
        (prefix.path / "dosdevices" / "e:").unlink()
        code = setup(prefix, "/silent", "/log=C:\\away.log", program="C:\\windows\\untsetup.exe")
        log = (prefix.drive_c / "away.log").read_text()
        check(code == 2 and "cannot be reached" in log and key_exists(prefix, RECORD) and program_group(prefix).exists(),
              f"the drive gone: exit 2, records and links kept ({code}):\n{log}")
        prefix.map_drive("e", removable)
        check(setup(prefix, "/silent", program="C:\\windows\\untsetup.exe") == 0 and not any(Path(removable).iterdir()) and
              not key_exists(prefix, RECORD), "back again, it goes")

    mount = Path(tempfile.mkdtemp(prefix="marvolen-small-drive-"))
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=100m", "tmpfs", str(mount)], check=True)
    try:
        with cd_scenario("passive-space", PACKAGES / "game.rar") as (display, prefix, cd):
            prefix.map_drive("e", mount)
            with running(prefix, display, ["D:\\setup.exe", "/passive", "/dir=E:\\Marvolen"]) as run:
                code = run.wait_exit(60)
            check(code == 3 and not any(mount.iterdir()), f"/passive with too little room ends by itself with 3 ({code})")
    finally:
        subprocess.run(["umount", str(mount)], check=False)
        mount.rmdir()


if __name__ == "__main__":
    main([
        test_look_alikes_planted_work_areas_and_links_are_never_obeyed,
        test_runs_that_cannot_finish_end_by_themselves_and_are_put_back,
    ])
