"""`make run`: maps the demo CD (build/cd, assembled by the build) as drive D: of a fresh
prefix and starts D:\\setup.exe. On the user's display the user drives it; without a display
it runs on Xvfb, goes through a whole installation, the game, and an uninstall, and saves a
screenshot of every screen and overlay to build/demo/."""

import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

from setup_driver import (BUILD, CANCEL, CHECK_BOX, CONTINUE, FINISH_RECTS, MAIN_MENU_RECTS, NO, NORMAL, OK, YES,
                          Display, Prefix, SetupRun, on, wait_for)

CD = BUILD / "cd"
SHOTS = BUILD / "demo"


def interactive(prefix):
    print(f"Starting D:\\setup.exe on {os.environ['DISPLAY']}; leave it with Exit.")
    env = prefix.env()
    env["DISPLAY"] = os.environ["DISPLAY"]
    subprocess.run(["wine", "D:\\setup.exe"], env=env)


def walk_through(prefix):
    display = Display()
    shots = []

    def shot(name):
        path = SHOTS / f"{len(shots) + 1:02d}-{name}.png"
        display.save_png(path)
        shots.append(path)

    def wait_button(rect):
        wait_for(lambda: run.frame().count(rect, NORMAL) > 10, 30, f"button {rect}")

    run = SetupRun(prefix, display)
    try:
        shot("starting")
        run.wait_live()
        shot("main-menu")
        run.move(460, 146)
        time.sleep(0.5)
        shot("main-menu-hover")
        run.click_button(MAIN_MENU_RECTS[0])
        on(run, 141)
        shot("destination")
        run.click_button(CHECK_BOX, labelled=False)
        shot("destination-desktop-icon")
        run.click_button(CONTINUE, settle=0.3)
        shot("preparing")
        on(run, 145)
        time.sleep(0.5)
        shot("extracting")
        run.click_button(CANCEL, settle=0)
        wait_button(NO)
        shot("abort-question")
        run.click_button(NO, settle=0)
        on(run, 143, 180)
        shot("finish")
        run.click_button(FINISH_RECTS[0])
        wait_for(lambda: display.windows_named("^Stand-in"), 20, "the game to start")
        shot("game-started")
        wait_for(lambda: not display.windows_named("^Stand-in"), 20, "the game to end")
        run.click_button(FINISH_RECTS[3])
        on(run, 130)
        shot("main-menu-installed")
        run.click_button(MAIN_MENU_RECTS[3])
        wait_button(YES)
        shot("uninstall-question")
        run.click_button(YES, settle=0.8)
        shot("uninstalling")
        wait_button(OK)
        shot("uninstalled")
        run.click_button(OK)
        run.click_button(MAIN_MENU_RECTS[5], settle=0)
        run.wait_exit()
    finally:
        run.kill()
        display.close()
    print("Screenshots of the demo run:")
    for path in shots:
        print(f"  {path}")


def main():
    if not (CD / "setup.exe").exists() or not (CD / "tsetup.pkg").exists():
        sys.exit("build/cd is incomplete: run `make build` first")
    if SHOTS.exists():
        shutil.rmtree(SHOTS)
    SHOTS.mkdir(parents=True)
    prefix = Prefix("demo")
    prefix.map_drive("d", CD)
    try:
        if os.environ.get("DISPLAY"):
            interactive(prefix)
        else:
            walk_through(prefix)
    finally:
        prefix.close()


main()
