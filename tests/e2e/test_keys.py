"""The whole program from the keyboard alone, with real key events: an install with the desktop
icon, Escape answered No at the progress screen, and an uninstall; Escape on each screen."""

import time

from setup_driver import (CHECK_BOX, CONTINUE, DEMO_PACKAGE, FINISH_RECTS, HIGHLIGHT, MAIN_MENU_RECTS, NORMAL, OK,
                          PACKAGES, YES, cd_scenario, check, main, on, running, wait_for)
from test_install import RECORD, desktop_link, game_folder, key_exists


def lit(run, rect):
    return run.frame().count(rect, HIGHLIGHT) > 10


def test_install_and_uninstall_with_the_keyboard_alone():
    with cd_scenario("keys", DEMO_PACKAGE) as (display, prefix, cd), running(prefix, display) as run:
        def key(*names):
            for name in names:
                display.run("xdotool", "key", name)
                time.sleep(0.15)

        run.wait_live()
        key("Tab")
        wait_for(lambda: lit(run, MAIN_MENU_RECTS[0]), 10, "Tab to light Install")
        key("Return")
        on(run, 141)
        key("Tab", "Tab", "Tab")
        wait_for(lambda: lit(run, CONTINUE), 10, "Tab to reach Continue")
        key("Tab", "space")   # the check box, reached and toggled like a button
        key("shift+Tab")
        wait_for(lambda: lit(run, CONTINUE), 10, "Shift+Tab back to Continue")
        check(run.frame().count(CHECK_BOX, HIGHLIGHT) == 0, "the check box went dark")
        key("Return", "Escape")   # Escape while the run prepares: a status phase, so nothing
        on(run, 145)
        check(run.frame().count(YES, NORMAL) + run.frame().count(YES, HIGHLIGHT) == 0,
              "keys do nothing during a status phase")
        key("Escape")   # the progress screen's way out: Cancel, which asks
        wait_for(lambda: run.frame().count(YES, NORMAL) > 10, 20, "the abort question")
        key("Escape")   # the question's way out: No
        on(run, 143, 180)
        check(key_exists(prefix, RECORD) and desktop_link(prefix).exists(),
              "installed, with the desktop icon the check box asked for")
        key("Tab", "Tab", "Tab", "Tab")
        wait_for(lambda: lit(run, FINISH_RECTS[3]), 10, "Tab to reach Setup Menu")
        key("Return")
        on(run, 130)

        # From the lit Play, down to Uninstall; the question's Yes by Tab and Enter; the message by Escape.
        key("Down", "Down", "Down")
        wait_for(lambda: lit(run, MAIN_MENU_RECTS[3]), 10, "Down to light Uninstall")
        key("Return")
        wait_for(lambda: run.frame().count(YES, NORMAL) > 10, 20, "the uninstall question")
        key("Tab", "Return", "Escape")   # Escape while the status shows: dropped, no answer to what follows
        wait_for(lambda: run.frame().count(OK, NORMAL) > 10, 30, "the uninstalled message")
        time.sleep(1)
        check(run.frame().count(OK, NORMAL) > 10, "the message still waits for its own key")
        check(not game_folder(prefix).exists() and not key_exists(prefix, RECORD), "uninstalled")
        key("Escape")
        on(run, 130)
        key("Escape")   # the main menu's way out: Exit
        code = run.wait_exit()
        check(code == 0, f"Escape on the main menu ends the program (exit code {code})")


def test_escape_on_the_destination_and_finish_screens():
    with cd_scenario("keys-escape", PACKAGES / "game.rar") as (display, prefix, cd), running(prefix, display) as run:
        def key(*names):
            for name in names:
                display.run("xdotool", "key", name)
                time.sleep(0.15)

        run.wait_live()
        key("Tab", "Return")
        on(run, 141)
        key("Escape")   # Back
        on(run, 130)
        check(run.process.poll() is None, "Escape on the destination screen only goes back")
        key("Return")   # Install is still lit: the keys go on from it
        on(run, 141)
        key("Tab", "Tab", "Tab", "Return")
        on(run, 143, 120)
        key("Escape")   # Setup Menu
        on(run, 130)
        check(run.process.poll() is None, "Escape on the finish screen goes to the menu")


if __name__ == "__main__":
    main([
        test_install_and_uninstall_with_the_keyboard_alone,
        test_escape_on_the_destination_and_finish_screens,
    ])
