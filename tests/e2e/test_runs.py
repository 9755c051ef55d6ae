"""Runs under way: reinstalling, a failed reinstall, and the window closed in the middle."""

import tempfile
import time
from pathlib import Path

from bench import (CONTINUE, DEMO_PACKAGE, MAIN_MENU_RECTS, NORMAL, PACKAGES, YES, FINISH_RECTS, SetupRun,
                   check, main, make_cd, scenario, wait_for)
from test_install import (INSTALL_DIR, LOBBY, RECORD, game_folder, install, key_exists, lnk, on, program_group,
                          reg_value)


def close_window(prefix, display):
    # taskkill without /f asks the window to close, as a close command would.
    prefix.wine("taskkill", "/im", "setup.exe", display=display, check=False)


def test_reinstall_into_the_recorded_folder_and_into_another():
    with scenario("reinstall") as (display, prefix), tempfile.TemporaryDirectory() as cd:
        make_cd(cd, PACKAGES / "game.rar")
        prefix.map_drive("d", cd)
        run = SetupRun(prefix, display)
        try:
            run.wait_live()
            install(run)
            (game_folder(prefix) / "saved-game.sav").write_text("the player's own file")
            run.click_button(FINISH_RECTS[3])
            on(run, 130)
            run.click_button(MAIN_MENU_RECTS[2])   # Reinstall, into the recorded folder
            on(run, 141)
            run.click_button(CONTINUE, settle=0.2)
            on(run, 143, 120)
            check(reg_value(prefix, RECORD, "InstallDir") == ("REG_SZ", INSTALL_DIR), "records rewritten in place")
            check(len(list(program_group(prefix).glob("*.lnk"))) == 7, "links rewritten")
            check((game_folder(prefix) / "saved-game.sav").exists(), "a reinstall keeps the player's files")
        finally:
            run.kill()
        # A record pointing elsewhere: Reinstall goes there, records and links follow.
        prefix.wine("reg", "add", RECORD, "/v", "InstallDir", "/d", "C:\\Games\\Marvolen", "/f")
        run = SetupRun(prefix, display)
        try:
            run.wait_live()
            run.click_button(MAIN_MENU_RECTS[2])
            on(run, 141)
            run.click_button(CONTINUE, settle=0.2)
            on(run, 143, 120)
            check((prefix.drive_c / "Games" / "Marvolen" / "tarn.exe").exists(), "installed into the other folder")
            check(reg_value(prefix, RECORD, "InstallDir") == ("REG_SZ", "C:\\Games\\Marvolen"), "InstallDir follows")
            check(reg_value(prefix, LOBBY, "Path") == ("REG_SZ", "C:\\Games\\Marvolen"), "the lobby Path follows")
            target = lnk(program_group(prefix) / "Marvolen - RV.lnk").get("Local path", "").lower()
            check(target == "c:\\games\\marvolen\\tarn.exe", f"the game link follows: {target}")
        finally:
            run.kill()


def test_a_failed_reinstall_removes_the_folder_and_keeps_the_records():
    with scenario("failed-reinstall") as (display, prefix), tempfile.TemporaryDirectory() as cd:
        make_cd(cd, PACKAGES / "game.rar")
        prefix.map_drive("d", cd)
        run = SetupRun(prefix, display)
        try:
            run.wait_live()
            install(run)
        finally:
            run.kill()
        (Path(cd) / "tsetup.pkg").write_bytes((PACKAGES / "damaged.rar").read_bytes())
        run = SetupRun(prefix, display)
        try:
            run.wait_live()
            run.click_button(MAIN_MENU_RECTS[2])
            on(run, 141)
            run.click_button(CONTINUE, settle=0.2)
            on(run, 143, 120)
            check(not game_folder(prefix).exists(), "the failed reinstall removes the destination folder")
            check(key_exists(prefix, RECORD), "the earlier installation's records stay")
        finally:
            run.kill()


def test_closing_the_window_during_extraction_ends_and_cleans_up():
    with scenario("close-extracting") as (display, prefix), tempfile.TemporaryDirectory() as cd:
        make_cd(cd, DEMO_PACKAGE)
        prefix.map_drive("d", cd)
        run = SetupRun(prefix, display)
        try:
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
        finally:
            run.kill()


def test_closing_the_window_during_a_question_ends_without_acting():
    with scenario("close-question") as (display, prefix), tempfile.TemporaryDirectory() as cd:
        make_cd(cd, PACKAGES / "game.rar")
        prefix.map_drive("d", cd)
        run = SetupRun(prefix, display)
        try:
            run.wait_live()
            install(run)
            run.click_button(FINISH_RECTS[3])
            on(run, 130)
            run.click_button(MAIN_MENU_RECTS[3])   # Uninstall: the question comes up
            wait_for(lambda: run.frame().count(YES, NORMAL) > 10, 20, "the uninstall question")
            close_window(prefix, display)
            check(run.wait_exit(15) == 0, "the program exits with code 0")
            check(game_folder(prefix).exists() and key_exists(prefix, RECORD), "an unanswered question changes nothing")
        finally:
            run.kill()


if __name__ == "__main__":
    main([
        test_reinstall_into_the_recorded_folder_and_into_another,
        test_a_failed_reinstall_removes_the_folder_and_keeps_the_records,
        test_closing_the_window_during_extraction_ends_and_cleans_up,
        test_closing_the_window_during_a_question_ends_without_acting,
    ])
