"""`make run`: assembles the demo CD under build/cd, maps it as drive D: of a fresh prefix and
starts D:\\setup.exe. On the user's display the user drives it; without a display it runs on
Xvfb, walks through the screens and saves a screenshot of each to build/demo/."""

import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from bench import BUILD, MAIN_MENU_RECTS, REPO, Display, Prefix, SetupRun, make_cd  # noqa: E402

CD = BUILD / "cd"
SHOTS = BUILD / "demo"


def assemble_cd():
    if CD.exists():
        shutil.rmtree(CD)
    make_cd(CD)
    shutil.copy2(REPO / "tools" / "demo" / "ReadMe.txt", CD / "ReadMe.txt")


def interactive(prefix):
    print(f"Starting D:\\setup.exe on {os.environ['DISPLAY']}; leave it with Exit.")
    env = prefix.env()
    env["DISPLAY"] = os.environ["DISPLAY"]
    subprocess.run(["wine", "D:\\setup.exe"], env=env)


def walk_through(prefix):
    display = Display()
    try:
        run = SetupRun(prefix, display)
        shots = []

        def shot(name):
            path = SHOTS / f"{len(shots) + 1:02d}-{name}.png"
            display.save_png(path)
            shots.append(path)

        shot("starting")
        run.wait_live()
        shot("main-menu")
        run.move(460, 146)
        time.sleep(0.5)
        shot("main-menu-hover")
        run.click_button(MAIN_MENU_RECTS[0])
        shot("destination")
        run.click_button((255, 298, 293, 338), labelled=False)
        shot("destination-desktop-icon")
        run.click_button((96, 398, 286, 439))
        shot("back-to-menu")
        run.click_button(MAIN_MENU_RECTS[5], settle=0)
        run.wait_exit()
        print("Screenshots:")
        for path in shots:
            print(f"  {path}")
    finally:
        display.close()


def main():
    assemble_cd()
    SHOTS.mkdir(parents=True, exist_ok=True)
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
