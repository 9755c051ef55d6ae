"""Runs under way: reinstalling, a failed reinstall, and the window closed in the middle."""

import time

from bench import (CONTINUE, DEMO_PACKAGE, FINISH_RECTS, MAIN_MENU_RECTS, NORMAL, PACKAGES, YES, cd_scenario, check,
                   main, running, wait_for)
from test_install import (INSTALL_DIR, LOBBY, RECORD, game_folder, install, key_exists, lnk, on, program_group,
                          reg_value, reinstall)


def close_window(prefix, display):
    # taskkill without /f asks the window to close, as a close command would.
    prefix.wine("taskkill", "/im", "setup.exe", display=display, check=False)


def test_reinstall_into_the_recorded_folder_and_into_another():
    with cd_scenario("reinstall", PACKAGES / "game.rar") as (display, prefix, cd):
        with running(prefix, display) as run:
            run.wait_live()
            install(run)
            (game_folder(prefix) / "saved-game.sav").write_text("the player's own file")
            run.click_button(FINISH_RECTS[3])
            on(run, 130)
            reinstall(run)   # into the recorded folder
            check(reg_value(prefix, RECORD, "InstallDir") == ("REG_SZ", INSTALL_DIR), "records rewritten in place")
            check(len(list(program_group(prefix).glob("*.lnk"))) == 7, "links rewritten")
            check((game_folder(prefix) / "saved-game.sav").exists(), "a reinstall keeps the player's files")
        # A record pointing elsewhere: Reinstall goes there, records and links follow.
        prefix.wine("reg", "add", RECORD, "/v", "InstallDir", "/d", "C:\\Games\\Marvolen", "/f")
        with running(prefix, display) as run:
            run.wait_live()
            reinstall(run)
            check((prefix.drive_c / "Games" / "Marvolen" / "tarn.exe").exists(), "installed into the other folder")
            check(reg_value(prefix, RECORD, "InstallDir") == ("REG_SZ", "C:\\Games\\Marvolen"), "InstallDir follows")
            check(reg_value(prefix, LOBBY, "Path") == ("REG_SZ", "C:\\Games\\Marvolen"), "the lobby Path follows")
            target = lnk(program_group(prefix) / "Marvolen - RV.lnk").get("Local path", "").lower()
            check(target == "c:\\games\\marvolen\\tarn.exe", f"the game link follows: {target}")


def test_a_failed_reinstall_removes_the_folder_and_keeps_the_records():
    with cd_scenario("failed-reinstall", PACKAGES / "game.rar") as (display, prefix, cd):
        with running(prefix, display) as run:
            run.wait_live()
            install(run)
        (cd / "tsetup.pkg").write_bytes((PACKAGES / "damaged.rar").read_bytes())
        with running(prefix, display) as run:
            run.wait_live()
            reinstall(run)
            # The finish screen shows once before the clean-up runs under its status panel.
            wait_for(lambda: not game_folder(prefix).exists(), 10, "the failed reinstall to remove the destination folder")
            check(key_exists(prefix, RECORD), "the earlier installation's records stay")


def test_closing_the_window_during_extraction_ends_and_cleans_up():
    with cd_scenario("close-extracting", DEMO_PACKAGE) as (display, prefix, cd), running(prefix, display) as run:
        run.wait_live()
        run.click_button(MAIN_MENU_RECTS[0])
        on(run, 141)
        run.click_button(CONTINUE, settle=0)
        on(run, 145)
        wait_for(lambda: game_folder(prefix).exists(), 20, "extraction to begin")
        close_window(prefix, display)
        started = time.monotonic()
        check(run.wait_exit(30) == 0, "the program exits with code 0")
        check(time.monotonic() - started < 15, "within seconds")
        check(not game_folder(prefix).exists(), "nothing of the partial installation remains")
        check(not key_exists(prefix, RECORD) and not program_group(prefix).exists(), "no records, no links")


def test_closing_the_window_during_a_question_ends_without_acting():
    with cd_scenario("close-question", PACKAGES / "game.rar") as (display, prefix, cd), running(prefix, display) as run:
        run.wait_live()
        install(run)
        run.click_button(FINISH_RECTS[3])
        on(run, 130)
        run.click_button(MAIN_MENU_RECTS[3])   # Uninstall: the question comes up
        wait_for(lambda: run.frame().count(YES, NORMAL) > 10, 20, "the uninstall question")
        close_window(prefix, display)
        check(run.wait_exit(15) == 0, "the program exits with code 0")
        check(game_folder(prefix).exists() and key_exists(prefix, RECORD), "an unanswered question changes nothing")


if __name__ == "__main__":
    main([
        test_reinstall_into_the_recorded_folder_and_into_another,
        test_a_failed_reinstall_removes_the_folder_and_keeps_the_records,
        test_closing_the_window_during_extraction_ends_and_cleans_up,
        test_closing_the_window_during_a_question_ends_without_acting,
    ])
