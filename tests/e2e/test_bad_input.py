"""What damaged CDs, hostile packages and odd install records throw at the real program: it
must neither crash nor hang, write nothing outside the destination, remove nothing outside the
game's own folder, and report "Installation failed!" wherever the package did not fully install."""

import subprocess
import tempfile
from pathlib import Path

from setup_driver import (CONTINUE, DISABLED, FINISH_RECTS, HIGHLIGHT, MAIN_MENU_RECTS, NORMAL, OK, PACKAGES, PROMPT_TEXT,
                          cd_scenario, check, check_reads, main, make_cd, running, wait_for, WORK_AREA)
from test_install import (RECORD, available, game_folder, install, key_exists, label, lnk, on, program_group,
                          reinstall, uninstall)

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


def test_a_drive_too_small_for_the_package_or_filling_up_changes_nothing():
    mount = Path(tempfile.mkdtemp(prefix="marvolen-full-drive-"))
    # Room enough for the free-space test (500,000,000 bytes), not for the 600,000,000 unpacked.
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=520m", "tmpfs", str(mount)], check=True)
    try:
        with cd_scenario("full-drive", BAD / "too-big.rar") as (display, prefix, cd):
            prefix.map_drive("e", mount)
            record(prefix, "E:\\Marvolen")
            save = mount / "Marvolen" / "Saves" / "slot1.sav"
            save.parent.mkdir(parents=True)
            save.write_text("the player's own file")
            with running(prefix, display) as run:
                run.wait_live()
                run.click_button(MAIN_MENU_RECTS[2])   # Reinstall into the recorded folder on E:
                on(run, 141)
                run.click_button(CONTINUE, settle=0.2)
                # Measured, the package needs more than the drive has: the destination screen again.
                message = run.wait_frame(lambda f: f.count(OK, NORMAL) > 10, 60, "the not-enough-space message")
                check_reads(message, PROMPT_TEXT, "There is not enough space for the Installation!", "the message",
                            lines=2)
                run.click_button(OK)
                on(run, 141)
                check(sorted(p.name for p in mount.rglob("*")) == ["Marvolen", "Saves", "slot1.sav"],
                      "nothing is written")

                # Room for it, until something else fills the drive while the package is extracted.
                subprocess.run(["mount", "-o", "remount,size=700m", str(mount)], check=True)
                run.click_button(CONTINUE, settle=0)
                staged = mount / "Marvolen" / WORK_AREA / "new" / "zeros.dat"
                wait_for(staged.exists, 60, "the extraction to begin", interval=0.02)
                subprocess.run(["dd", "if=/dev/zero", f"of={mount / 'other.dat'}", "bs=1M", "count=200"],
                               capture_output=True)
                finish = on(run, 143, 180)
                check(failed(finish), "a full drive fails the run")
                wait_for(lambda: not staged.parent.parent.exists(), 10, "the run's work area to go")
                check(sorted(p.name for p in mount.rglob("*")) == ["Marvolen", "Saves", "other.dat", "slot1.sav"]
                      and save.read_text() == "the player's own file", "the folder is as it was, the save with it")
    finally:
        subprocess.run(["umount", str(mount)], check=False)
        mount.rmdir()


def tree(folder):
    return {p for p in Path(folder).rglob("*")} if Path(folder).exists() else set()


def test_a_record_naming_a_system_folder_in_any_spelling_removes_nothing_of_it():
    # Spellings that Windows resolves to the Windows directory, Program Files and the user's or
    # the system's shared folders; the CD's root; the folder the setup runs from, a folder on
    # the CD, which only the setup itself knows to keep; a drive that is another name for the
    # Windows directory; and another user's profile.
    spellings = ["C:\\", "C:\\windows.", "C:\\\\windows", "\\\\?\\C:\\windows", "C:/Program Files/",
                 "C:\\Program Files\\Common Files", "C:\\users\\Public", "c:\\programdata. ", "D:\\",
                 "d:\\setup cd.", "W:\\Victim", "C:\\users\\alice"]
    with cd_scenario("record-system", PACKAGES / "damaged.rar") as (display, prefix, cd):
        make_cd(cd / "Setup CD", PACKAGES / "damaged.rar")
        prefix.map_drive("w", prefix.windows)
        (prefix.windows / "Victim").mkdir()
        (prefix.windows / "Victim" / "system.dat").write_text("the system's")
        (prefix.drive_c / "users" / "alice" / "Documents").mkdir(parents=True)
        (prefix.drive_c / "users" / "alice" / "Documents" / "letter.txt").write_text("alice's")
        prefix.wine("reg", "add", "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-7-7-7-1001",
                    "/v", "ProfileImagePath", "/t", "REG_EXPAND_SZ", "/d", "%SystemDrive%\\users\\alice", "/f")
        sentinel = prefix.drive_c / "sentinel.txt"
        sentinel.write_text("not the game's")
        before = tree(prefix.drive_c) | tree(cd)
        for folder in spellings:
            record(prefix, folder)
            with running(prefix, display, command="D:\\Setup CD\\setup.exe") as run:
                run.wait_live()
                uninstall(run)
                run.click_button(MAIN_MENU_RECTS[5], settle=0)
                run.wait_exit()
            gone = sorted(str(p) for p in before - tree(prefix.drive_c) - tree(cd))
            check(not gone, f"{folder}: nothing of the drive is removed, yet {len(gone)} entries went: {gone[:5]}")
        check(sentinel.exists(), "a file beside the game survives")
        # Nor is the game ever installed into such a folder: Continue refuses it with a message.
        record(prefix, "C:\\windows.")
        with running(prefix, display) as run:
            run.wait_live()
            run.click_button(MAIN_MENU_RECTS[2])   # Reinstall into the recorded folder
            on(run, 141)
            run.click_button(CONTINUE, settle=0.2)
            message = run.wait_frame(lambda f: f.count(OK, NORMAL) + f.count(OK, HIGHLIGHT) > 10, 20,
                                     "the message refusing the folder")
            check_reads(message, PROMPT_TEXT, "This folder cannot be used for the Installation!", "the message", lines=2)
            run.click_button(OK)
            on(run, 141)
        check(not (prefix.windows / "tarn.exe").exists() and not gone, "nothing was written into the Windows directory")


def test_entries_without_data_and_paths_past_260_characters_install_and_uninstall_whole():
    # File references (rar -oi), a symbolic link, an empty file and folder; then an entry whose
    # installed path passes 260 characters, which the uninstall must still reach.
    with cd_scenario("refs", PACKAGES / "refs.rar") as (display, prefix, cd), running(prefix, display) as run:
        run.wait_live()
        check(not failed(install(run)), "a package of references installs")
        game, source = game_folder(prefix), PACKAGES / "refs"
        for copy in ("original.dat", "copy.dat", "copies/another copy.dat"):
            check((game / copy).read_bytes() == (source / "original.dat").read_bytes(), f"{copy} is complete")
        check((game / "empty.txt").stat().st_size == 0 and (game / "empty folder").is_dir(), "empty entries too")
    with cd_scenario("long", PACKAGES / "long.rar") as (display, prefix, cd), running(prefix, display) as run:
        run.wait_live()
        check(not failed(install(run)), "a package with a deep entry installs")
        deep = next(game_folder(prefix).rglob("far-below-the-classic-limit.dat"))
        windows_path = "C:\\Program Files\\Marvolen\\" + str(deep.relative_to(game_folder(prefix))).replace("/", "\\")
        check(len(windows_path) > 260, f"the entry lies past 260 characters ({len(windows_path)})")
        run.click_button(FINISH_RECTS[3])
        on(run, 130)
        uninstall(run)
        check(not game_folder(prefix).exists(), "the uninstall leaves nothing of the game's folder")


def test_a_folder_the_oem_code_page_cannot_spell_gets_the_files_exactly():
    # An en dash, a euro sign and an oe ligature: in the ANSI code page, not in the OEM one.
    folder = "C:\\Jeux \u2013 PC \u20ac\u0153\\Marvolen"
    with cd_scenario("ansi-folder", PACKAGES / "game.rar") as (display, prefix, cd):
        reg_file = Path(cd) / "record.reg"
        reg_file.write_text('Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Quellmark Studio\\'
                            'RV : Marvolen]\r\n"InstallDir"="' + folder.replace("\\", "\\\\") + '"\r\n', encoding="utf-16")
        prefix.wine("regedit", "/s", "D:\\record.reg")
        with running(prefix, display) as run:
            run.wait_live()
            check(not failed(reinstall(run)), "the reinstall succeeds")
        landed = prefix.drive_c / "Jeux \u2013 PC \u20ac\u0153" / "Marvolen"
        check((landed / "tarn.exe").is_file(), "the files are in exactly the recorded folder")
        check(sorted(p.name for p in prefix.drive_c.iterdir() if p.name.startswith("Jeux")) == [landed.parent.name],
              "and in no look-alike beside it")
        exported = Path(cd) / "export.reg"
        prefix.wine("reg", "export", RECORD, "D:\\export.reg")
        check(f'"InstallDir"="{folder.replace(chr(92), chr(92) * 2)}"' in exported.read_text(encoding="utf-16"),
              "the record names that folder")
        target = lnk(program_group(prefix) / "Marvolen - RV.lnk").get("Local path", "")
        check(target == folder + "\\tarn.exe", f"the game's link names it: {target}")


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
        test_a_drive_too_small_for_the_package_or_filling_up_changes_nothing,
        test_a_record_naming_a_system_folder_in_any_spelling_removes_nothing_of_it,
        test_entries_without_data_and_paths_past_260_characters_install_and_uninstall_whole,
        test_a_folder_the_oem_code_page_cannot_spell_gets_the_files_exactly,
        test_a_record_too_long_counts_as_not_installed,
    ])
