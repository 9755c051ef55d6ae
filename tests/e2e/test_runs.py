"""Runs under way: reinstalling, a failed reinstall, and the window closed in the middle."""

import subprocess
import time

from setup_driver import (CONTINUE, DEMO_PACKAGE, DISABLED, FINISH_HEADING, FINISH_RECTS, HIGHLIGHT, MAIN_MENU_RECTS, NO,
                          NORMAL, OK, PACKAGES, PROMPT_TEXT, YES, cd_scenario, check, check_reads, main, running,
                          wait_for, WORK_AREA)
from test_install import (INSTALL_DIR, LOBBY, RECORD, UNINSTALL, game_folder, install, key_exists, label, lnk, on,
                          program_group, reg_value, reg_values, reinstall)


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




def snapshot(prefix):
    """What a player finds of the installation: every file of the game's folder byte for byte, the
    records, the links."""
    files = {str(p.relative_to(game_folder(prefix))): p.read_bytes() if p.is_file() else None
             for p in game_folder(prefix).rglob("*") if WORK_AREA not in p.parts}
    links = {p.name: p.read_bytes() for p in program_group(prefix).glob("*")}
    return files, links, {key: reg_values(prefix, key) for key in (RECORD, LOBBY, UNINSTALL)}


def differences(before, after):
    """What differs between two snapshots, by part, for a failure's message."""
    said = []
    for part, (one, other) in zip(("files", "links", "records"), zip(before, after)):
        changed = sorted(k for k in set(one) | set(other) if one.get(k) != other.get(k))
        if changed:
            said.append(f"{part}: {changed[:8]}")
    return "; ".join(said)


def hold_open(prefix, folder, name, seconds):
    """Another program holding a file of the game open, as the running game would: Wine's cmd
    keeps its input file open, without letting it be moved or deleted, while the command runs."""
    return subprocess.Popen(["wine", "cmd", "/c", "cd", "/d", folder, "&&", "ping", "-n", str(seconds), "127.0.0.1", ">",
                             "nul", "<", name], env=prefix.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def release(prefix, holder):
    """Ends the holder: the command it waits on holds the file too."""
    holder.kill()
    holder.wait(10)
    prefix.wine("taskkill", "/f", "/im", "ping.exe", check=False)


def test_a_reinstall_that_fails_or_finds_the_game_in_use_changes_nothing():
    """A damaged package, a package cut between two entries, a game file held open: each leaves
    the earlier installation, the player's save, the records and the links exactly as they were,
    and Play still starts the game. An uninstall meeting the file in use removes nothing."""
    with cd_scenario("failed-reinstall", PACKAGES / "game.rar") as (display, prefix, cd):
        with running(prefix, display) as run:
            run.wait_live()
            install(run)
            saves = game_folder(prefix) / "Saves"
            saves.mkdir()
            (saves / "slot1.sav").write_text("the player's own file")
            before = snapshot(prefix)
            run.click_button(FINISH_RECTS[3])
            on(run, 130)
            for package in ("damaged.rar", "cut.rar"):
                (cd / "tsetup.pkg").write_bytes((PACKAGES / package).read_bytes())
                finish = reinstall(run)
                check_reads(finish, FINISH_HEADING, "Installation failed!", f"{package}: the finish heading")
                wait_for(lambda: not (game_folder(prefix) / WORK_AREA).exists(), 10,
                         f"{package}: the run's work area to go")
                time.sleep(1)
                check(snapshot(prefix) == before, f"{package}: the installation is exactly as it was")
                run.click_button(FINISH_RECTS[3])
                menu = on(run, 130)
                check(label(menu, MAIN_MENU_RECTS[0]) in (NORMAL, HIGHLIGHT), f"{package}: Play is offered again")

            (cd / "tsetup.pkg").write_bytes((PACKAGES / "game.rar").read_bytes())
            holder = hold_open(prefix, INSTALL_DIR + "\\data", "part3.dat", 300)
            try:
                time.sleep(3)
                run.click_button(MAIN_MENU_RECTS[2])
                on(run, 141)
                run.click_button(CONTINUE, settle=0.2)
                message = run.wait_frame(lambda f: f.count(OK, NORMAL) > 10, 60, "the in-use message")
                check_reads(message, PROMPT_TEXT, "A file of Marvolen is in use! Please close the game and try again.",
                            "the in-use message", lines=2)
                run.click_button(OK)
                finish = on(run, 143)
                check_reads(finish, FINISH_HEADING, "Installation failed!", "in use: the finish heading")
                check(snapshot(prefix) == before, "in use: the installation is exactly as it was")
                # Uninstalling meanwhile removes nothing, and says why.
                run.click_button(FINISH_RECTS[3])
                on(run, 130)
                run.click_button(MAIN_MENU_RECTS[3])
                run.wait_frame(lambda f: f.count(YES, NORMAL) > 10, 20, "the uninstall question")
                run.click_button(YES)
                # OK may still be lit from the last message: prompt buttons keep their colours.
                message = run.wait_frame(lambda f: f.count(OK, NORMAL) + f.count(OK, HIGHLIGHT) > 10, 30,
                                         "the uninstall's message")
                check_reads(message, PROMPT_TEXT, "A file of Marvolen is in use! Please close the game and try again.",
                            "the uninstall's in-use message", lines=2)
                run.click_button(OK)
                menu = on(run, 130)
                now = snapshot(prefix)
                check(now == before, f"an uninstall meeting a file in use removes nothing: {differences(before, now)}")
                check(label(menu, MAIN_MENU_RECTS[3]) in (NORMAL, HIGHLIGHT), "Uninstall is still offered")
            finally:
                release(prefix, holder)
            run.click_button(MAIN_MENU_RECTS[0])   # Play
            ran = prefix.drive_c / "standin-ran.txt"
            wait_for(ran.exists, 20, "the game to start")
            check(ran.read_text().split("|")[0].lower() == (INSTALL_DIR + "\\tarn.exe").lower(), "the game itself")


def test_a_reinstall_killed_mid_commit_is_put_back_at_the_next_start():
    with cd_scenario("killed-reinstall", DEMO_PACKAGE) as (display, prefix, cd):
        with running(prefix, display) as run:
            run.wait_live()
            install(run, timeout=180)
            (game_folder(prefix) / "saves" / "slot1.sav").write_text("the player's own file")
            (game_folder(prefix) / "ReadMe_demo.txt").write_text("an earlier edition")
            # A file of the player's among the sprites: data\ cannot go aside whole, its files move one by one.
            (game_folder(prefix) / "data" / "sprites" / "mine.spr").write_text("the player's own sprite")
            before = snapshot(prefix)
            run.click_button(FINISH_RECTS[3])
            on(run, 130)
            run.click_button(MAIN_MENU_RECTS[2])
            on(run, 141)
            run.click_button(CONTINUE, settle=0)
            # Files of data\ being moved aside: the process dies among the moves.
            journal = game_folder(prefix) / WORK_AREA / "journal"
            moved = journal.parent / "old" / "data"
            wait_for(lambda: moved.exists() and any(p.is_file() for p in moved.rglob("*")), 180,
                     "the commit to be under way", interval=0.01)
            run.process.kill()
            run.process.wait(10)
        aside = [p.name for p in (journal.parent / "old").rglob("*") if p.is_file()]
        check(aside and "C" not in journal.read_text(encoding="utf-16-le").split(),
              f"the process died half-way through the moves: {len(aside)} files moved aside")
        with running(prefix, display) as run:
            run.wait_live()
            check(not journal.parent.exists(), "the work area is gone before the menu is live")
            check((game_folder(prefix) / "ReadMe_demo.txt").read_text() == "an earlier edition", "the earlier edition")
            now = snapshot(prefix)
            check(now == before, f"the earlier installation is whole again, the save with it: {differences(before, now)}")


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

        close_reinstall("yes", while_extracting=True)
        wait_for(lambda: not (game_folder(prefix) / WORK_AREA).exists(), 15,
                 "an aborted extraction to be removed, as Cancel's is")
        check(saved.exists() and (game_folder(prefix) / "tarn.exe").exists() and key_exists(prefix, RECORD),
              "the earlier installation, the player's file and the records stay")


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
        test_a_reinstall_that_fails_or_finds_the_game_in_use_changes_nothing,
        test_a_reinstall_killed_mid_commit_is_put_back_at_the_next_start,
        test_a_close_during_a_reinstall_asks_as_cancel_does,
        test_closing_the_window_during_a_question_ends_without_acting,
    ])
