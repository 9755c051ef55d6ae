"""Runs under way: reinstalling, a failed reinstall, and the window closed in the middle."""

import time

from setup_driver import (CONTINUE, DEMO_PACKAGE, DISABLED, FINISH_RECTS, HIGHLIGHT, MAIN_MENU_RECTS, NO, NORMAL, PACKAGES,
                          PROMPT_TEXT, YES, cd_scenario, check, check_reads, main, running, wait_for)
from test_install import (INSTALL_DIR, LOBBY, RECORD, game_folder, install, key_exists, label, lnk, on, program_group,
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


def test_a_close_during_a_reinstall_asks_as_cancel_does():
    """Closing while a reinstall prepares or extracts asks the abort question: No completes the
    run; Yes aborts it, and removes only what it wrote (nothing, while it was still preparing)."""
    with cd_scenario("close-reinstall", DEMO_PACKAGE) as (display, prefix, cd), running(prefix, display) as run:
        run.wait_live()
        install(run, timeout=180)
        saved = game_folder(prefix) / "saved-game.sav"
        saved.write_text("the player's own file")
        run.click_button(FINISH_RECTS[3])
        on(run, 130)

        def close_reinstall(answer, while_extracting, button=2):
            run.click_button(MAIN_MENU_RECTS[button])
            on(run, 141)
            run.click_button(CONTINUE, settle=0)
            if while_extracting:
                on(run, 145)   # live: the extraction is under way, for some seconds
                close_window(prefix, display)
            else:
                display.run("xdotool", "key", "alt+F4")   # fast enough to land within the preparing pause
            # Yes may still be lit from the last question: prompt buttons keep their colours.
            question = run.wait_frame(lambda f: f.count(YES, NORMAL) + f.count(YES, HIGHLIGHT) > 10, 30,
                                      "the abort question")
            check_reads(question, PROMPT_TEXT, "Are you sure you want to abort the Setup?", "the question", lines=2)
            run.click_button(YES if answer == "yes" else NO)
            finish = on(run, 143, 180)
            check(run.process.poll() is None, "the program stays")
            return finish

        finish = close_reinstall("no", while_extracting=False)
        check(label(finish, FINISH_RECTS[0]) != DISABLED, "No while preparing: the reinstall completes")
        check(saved.exists() and key_exists(prefix, RECORD), "a completed reinstall keeps the player's file")
        run.click_button(FINISH_RECTS[3])
        on(run, 130)

        finish = close_reinstall("yes", while_extracting=False)
        check(label(finish, FINISH_RECTS[0]) == DISABLED, "Yes while preparing: the run is aborted")
        time.sleep(1.5)   # the clean-up phase, which must leave the folder alone
        check(saved.exists() and (game_folder(prefix) / "tarn.exe").exists(),
              "nothing was extracted, so the earlier installation is untouched")
        run.click_button(FINISH_RECTS[3])
        on(run, 130)

        # An aborted run counts the game as not installed until the next start: "Install" leads to
        # the same folder.
        close_reinstall("yes", while_extracting=True, button=0)
        wait_for(lambda: not game_folder(prefix).exists(), 15, "an aborted extraction to be removed, as Cancel's is")
        check(key_exists(prefix, RECORD), "the earlier records stay, as after a Cancel")


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
        test_a_close_during_a_reinstall_asks_as_cancel_does,
        test_closing_the_window_during_a_question_ends_without_acting,
    ])
