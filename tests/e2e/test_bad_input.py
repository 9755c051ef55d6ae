"""What damaged CDs, hostile packages and odd install records throw at the real program: it
must neither crash nor hang, write nothing outside the destination, remove nothing outside the
game's own folder, and report "Installation failed!" wherever the package did not fully install."""

import subprocess
import tempfile
from pathlib import Path

from bench import (CONTINUE, DISABLED, FINISH_RECTS, MAIN_MENU_RECTS, PACKAGES, cd_scenario, check, main, running,
                   wait_for)
from test_install import RECORD, available, game_folder, install, key_exists, label, on, uninstall

BAD = PACKAGES / "bad"


def failed(finish):
    return [label(finish, r) for r in FINISH_RECTS[:3]] == [DISABLED] * 3


def files_outside(prefix, cd, game, pattern):
    roots = [prefix.drive_c, Path(cd)]
    return [p for root in roots for p in root.rglob(pattern) if game not in p.parents]


def record(prefix, folder):
    prefix.wine("reg", "add", RECORD, "/v", "InstallDir", "/d", folder, "/f")


def test_entry_names_never_leave_the_destination():
    with cd_scenario("escaping", BAD / "escaping.rar") as (display, prefix, cd), running(prefix, display) as run:
        run.wait_live()
        finish = install(run)
        game = game_folder(prefix)
        escaped = files_outside(prefix, cd, game, "escape*")
        check(not escaped, f"nothing written outside the destination: {escaped}")
        if failed(finish):
            wait_for(lambda: not game.exists(), 10, "the destination to be removed")
        else:
            check((game / "inside.txt").read_text() == "fine", "an installed package has its plain entry")


def test_packages_that_do_not_fully_install_fail():
    for name in ("oversized.rar", "first-volume.rar", "password.rar", "hidden-headers.rar"):
        with cd_scenario(f"bad-{name}", BAD / name) as (display, prefix, cd), running(prefix, display) as run:
            run.wait_live()
            finish = install(run)
            check(failed(finish), f"{name}: the run fails")
            wait_for(lambda: not game_folder(prefix).exists(), 10, f"{name}: the destination to be removed")
            check(not key_exists(prefix, RECORD), f"{name}: no records")
            check(run.process.poll() is None, f"{name}: the program keeps running")


def test_thousands_of_tiny_entries_install():
    with cd_scenario("many", BAD / "many.rar") as (display, prefix, cd), running(prefix, display) as run:
        run.wait_live()
        finish = install(run, timeout=300)
        check(not failed(finish), "a package of many tiny entries installs")
        check(len(list(game_folder(prefix).glob("entry*.txt"))) == 2000, "all of them")


def test_a_drive_that_fills_up_fails_and_is_left_empty():
    mount = Path(tempfile.mkdtemp(prefix="marvolen-full-drive-"))
    # Room enough for the free-space test (500,000,000 bytes), not for the 600,000,000 unpacked.
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=520m", "tmpfs", str(mount)], check=True)
    try:
        with cd_scenario("full-drive", BAD / "too-big.rar") as (display, prefix, cd):
            prefix.map_drive("e", mount)
            record(prefix, "E:\\Marvolen")
            with running(prefix, display) as run:
                run.wait_live()
                run.click_button(MAIN_MENU_RECTS[2])   # Reinstall into the recorded folder on E:
                on(run, 141)
                run.click_button(CONTINUE, settle=0.2)
                finish = on(run, 143, 180)
                check(failed(finish), "a full drive fails the run")
                wait_for(lambda: not any(mount.iterdir()), 10, "the drive to be emptied again")
    finally:
        subprocess.run(["umount", str(mount)], check=False)
        mount.rmdir()


def test_a_record_naming_a_system_folder_removes_nothing_of_it():
    for folder in ("C:\\", "C:\\windows", "C:\\Program Files"):
        with cd_scenario("record-system", PACKAGES / "damaged.rar") as (display, prefix, cd):
            sentinel = prefix.drive_c / "sentinel.txt"
            sentinel.write_text("not the game's")
            record(prefix, folder)
            with running(prefix, display) as run:
                run.wait_live()
                uninstall(run)
                # And a failed reinstall into it, whose clean-up would remove the folder.
                record(prefix, folder)
                run.click_button(MAIN_MENU_RECTS[0])   # "Install" again, the destination is kept
                on(run, 141)
                run.click_button(CONTINUE, settle=0.2)
                on(run, 143, 120)
            check(sentinel.exists(), f"{folder}: a file beside the game survives")
            check((prefix.windows / "win.ini").exists() and (prefix.system32 / "kernel32.dll").exists(),
                  f"{folder}: the Windows directory is intact")
            check((prefix.drive_c / "Program Files").exists(), f"{folder}: Program Files is intact")


def test_a_record_too_long_counts_as_not_installed():
    with cd_scenario("record-long") as (display, prefix, cd):
        record(prefix, "C:\\" + "x" * 300)
        with running(prefix, display) as run:
            menu = run.wait_live()
            check([available(label(menu, r)) for r in MAIN_MENU_RECTS[:4]] == [True, True, False, False],
                  "an unreadable InstallDir is no installation")


if __name__ == "__main__":
    main([
        test_entry_names_never_leave_the_destination,
        test_packages_that_do_not_fully_install_fail,
        test_thousands_of_tiny_entries_install,
        test_a_drive_that_fills_up_fails_and_is_left_empty,
        test_a_record_naming_a_system_folder_removes_nothing_of_it,
        test_a_record_too_long_counts_as_not_installed,
    ])
