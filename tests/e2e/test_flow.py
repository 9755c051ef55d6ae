"""The screen flow of the real program: the destination screen, its check box and folder
browser, the free-space refusal, and the buttons that start other programs."""

import os
import re
import subprocess
import tempfile
from pathlib import Path

from setup_driver import (BACK, BLACK, BROWSE, BUILD, CHECK_BOX, CONTINUE, FINISH_RECTS, FREE_SPACE_LINE, MAIN_MENU_RECTS,
                          NORMAL, OK, PATH_LINE, PROMPT_TEXT, Background, SetupRun, check, check_reads, cd_scenario, main, make_cd, on, read_texts,
                          running, scenario, wait_for)
from test_install import RECORD


def ticked(frame):
    """True when the check box area differs from the empty box of the background."""
    empty = Background(141)
    left, top, right, bottom = CHECK_BOX
    return any(frame.at(x, y) != empty.at(x, y) for y in range(top, bottom) for x in range(left, right))


def area(frame, rect):
    left, top, right, bottom = rect
    return [frame.at(x, y) for y in range(top, bottom) for x in range(left, right)]


def record_install_dir(prefix, folder):
    prefix.wine("reg", "add", RECORD, "/v", "InstallDir", "/d", folder, "/f")


def started_programs(prefix):
    log = prefix.drive_c / "standin-ran.txt"
    return [line.lower().split("|") for line in log.read_text().splitlines()] if log.exists() else []


def check_free_space(frame, folder):
    """The free space the screen shows is that of the drive holding `folder`, in whole MB."""
    drive = os.statvfs(folder)
    free_mb = drive.f_bavail * drive.f_frsize >> 20
    # Read as it stands, and once more with no letter that OCR takes for a digit (an S for an 8):
    # the label then reads oddly, and only the figure matters.
    readings = read_texts(frame, FREE_SPACE_LINE) + read_texts(frame, FREE_SPACE_LINE, allowed="Availbepc:0123456789MB ")
    figures = [int(m.group(1)) for m in (re.fullmatch(r"\w*\s*\w*\s*:\s*(\d+)MB", r) for r in readings) if m]
    check(any(abs(figure - free_mb) <= max(64, free_mb // 20) for figure in figures),
          f"the free space shown is its drive's, {free_mb}MB: {readings!r}")


def test_destination_shows_the_default_and_keeps_the_check_box():
    with cd_scenario("destination") as (display, prefix, cd), running(prefix, display) as run:
        run.wait_live()
        run.click_button(MAIN_MENU_RECTS[0])
        frame = on(run, 141)
        check(frame.count(PATH_LINE, NORMAL) > 100, "the destination folder is shown")
        check(frame.count(FREE_SPACE_LINE, BLACK) > 100, "the free space of its drive is shown")
        # Read as the player reads it: the folder, and the drive's free space in whole MB.
        paths = read_texts(frame, PATH_LINE, NORMAL)
        check(any(p.replace(" ", "").lower() == "c:\\programfiles\\marvolen" for p in paths),
              f"the folder reads {paths!r}")
        check_free_space(frame, prefix.drive_c)
        check(not ticked(frame), "the desktop icon starts unticked")
        run.click_button(CHECK_BOX, labelled=False)
        check(ticked(on(run, 141)), "a click ticks the box")
        run.click_button(BACK)
        on(run, 130)
        run.click_button(MAIN_MENU_RECTS[0])
        check(ticked(on(run, 141)), "the tick survives going back to the menu")
        run.click_button(CHECK_BOX, labelled=False)
        before = on(run, 141)
        check(not ticked(before), "a second click clears it")

        # The folder browser opens with its own window; Escape cancels it and nothing changes.
        run.click_button(BROWSE, settle=0)
        dialog = wait_for(lambda: display.windows_named("^Browse for Folder$"), 20, "the folder browser")[0]
        display.run("xdotool", "windowfocus", dialog)
        display.run("xdotool", "key", "Escape")
        wait_for(lambda: not display.windows_named("^Browse for Folder$"), 20, "the browser to close")
        run.move(20, 20)
        after = on(run, 141)
        check(area(after, PATH_LINE) == area(before, PATH_LINE), "a cancelled browse leaves the folder as it was")
        run.click_button(BACK)
        on(run, 130)
        run.click_button(MAIN_MENU_RECTS[5], settle=0)
        run.wait_exit()


# A recorded folder of 245 characters: too long for its line even at the smallest size.
LONG_FOLDER = "E:\\" + "A Folder With A Long Name\\" * 9 + "Marvolen"


def test_too_little_space_shows_the_message_and_stays():
    mount = Path(tempfile.mkdtemp(prefix="marvolen-small-drive-"))
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64m", "tmpfs", str(mount)], check=True)
    try:
        with scenario("no-space") as (display, prefix), tempfile.TemporaryDirectory() as cd:
            make_cd(cd)
            prefix.map_drive("d", cd)
            prefix.map_drive("e", mount)
            record_install_dir(prefix, LONG_FOLDER)
            run = SetupRun(prefix, display)
            try:
                run.wait_live()
                run.click_button(MAIN_MENU_RECTS[2])   # Reinstall, into the recorded folder on E:
                frame = on(run, 141)
                check_free_space(frame, mount)
                # The long folder keeps its drive and its last folder, with "..." between.
                paths = ["".join(p.split()).lower() for p in read_texts(frame, PATH_LINE, NORMAL)]
                # (OCR reads the small "E:\A" of the smallest size loosely.)
                check(any(re.fullmatch(r"e.{0,4}folderwithalongname.*\.\.\.\\?marvolen", p) for p in paths),
                      f"the long folder reads {paths!r}")
                run.click_button(CONTINUE, settle=0)
                frame = run.wait_frame(lambda f: f.count(OK, NORMAL) > 10, 20, "the not-enough-space message")
                check(frame.dimmed(), "the message lies over the dimmed screen")
                check_reads(frame, PROMPT_TEXT, "There is not enough space for the Installation!", "the message", lines=2)
                run.click_button(OK)
                on(run, 141)
                check(not any(mount.iterdir()), "nothing was written to the small drive")
            finally:
                run.kill()
    finally:
        subprocess.run(["umount", str(mount)], check=False)
        mount.rmdir()


def register_opener(prefix):
    """Web addresses and .txt files open in a stand-in that notes its command line."""
    opener = "C:\\windows\\opener.exe"
    (prefix.windows / "opener.exe").write_bytes((BUILD / "cd" / "DirectX" / "directx.exe").read_bytes())
    command = f'"{opener}" "%1"'
    for key in ("HKCR\\http\\shell\\open\\command", "HKCR\\txtfile\\shell\\open\\command"):
        prefix.wine("reg", "add", key, "/ve", "/d", command, "/f")
    prefix.wine("reg", "add", "HKCR\\.txt", "/ve", "/d", "txtfile", "/f")


def test_every_button_that_starts_or_opens_something_reaches_its_target():
    with scenario("play") as (display, prefix), tempfile.TemporaryDirectory() as cd:
        make_cd(cd, BUILD / "tests" / "packages" / "game.rar")
        prefix.map_drive("d", cd)
        game = prefix.drive_c / "Games" / "Marvolen"
        game.mkdir(parents=True)
        (game / "tarn.exe").write_bytes((Path(cd) / "DirectX" / "directx.exe").read_bytes())
        record_install_dir(prefix, "C:\\Games\\Marvolen")
        register_opener(prefix)
        run = SetupRun(prefix, display)
        try:
            run.wait_live()
            # Another folder browsed to and left with Back: Play still starts the installed game.
            run.click_button(MAIN_MENU_RECTS[2])   # Reinstall
            on(run, 141)
            run.click_button(BROWSE, settle=0)
            dialog = wait_for(lambda: display.windows_named("^Browse for Folder$"), 20, "the folder browser")[0]
            display.run("xdotool", "windowfocus", dialog)
            display.run("xdotool", "key", "Return")   # the folder it opens on: the desktop
            wait_for(lambda: not display.windows_named("^Browse for Folder$"), 20, "the browser to close")
            run.click_button(BACK)
            on(run, 130)
            run.click_button(MAIN_MENU_RECTS[0])   # "Play"
            wait_for(lambda: started_programs(prefix), 20, "the game to start")
            check(started_programs(prefix)[0][:2] == ["c:\\games\\marvolen\\tarn.exe", "c:\\games\\marvolen"],
                  f"the game runs from its folder: {started_programs(prefix)}")
            run.click_button(MAIN_MENU_RECTS[4])   # "Install DirectX 7.0"
            wait_for(lambda: len(started_programs(prefix)) == 2, 20, "the DirectX setup to start")
            check(started_programs(prefix)[1][0] == "d:\\directx\\directx.exe",
                  f"the DirectX setup beside the setup: {started_programs(prefix)}")

            def opened(count, what):
                wait_for(lambda: len(started_programs(prefix)) == count, 20, what)
                program, _, command = started_programs(prefix)[count - 1]
                check(program == "c:\\windows\\opener.exe", f"{what}: the handler runs: {program}")
                return command.split('" ', 1)[1].strip().strip('"')

            run.click_button(MAIN_MENU_RECTS[1])   # "Marvolen in WWW"
            target = opened(3, "the game's site")
            check(target in ("http://www.marvolen.example/", "http://www.marvolen.example"), f"the game's site: {target}")
            # The game must have ended before a reinstall writes over it.
            wait_for(lambda: not display.windows_named("^Stand-in"), 20, "the stand-ins' windows to close")
            run.click_button(MAIN_MENU_RECTS[2])   # Reinstall, for the finish screen's buttons
            on(run, 141)
            run.click_button(CONTINUE, settle=0.2)
            on(run, 143, 120)
            run.click_button(FINISH_RECTS[1])   # "OnLine registration"
            target = opened(4, "the registration page")
            check(target in ("http://www.halvergate.example/register", "http://www.halvergate.example/register/"),
                  f"the registration page: {target}")
            run.click_button(FINISH_RECTS[2])   # "View ReadMe"
            check(opened(5, "the ReadMe") == "d:\\readme.txt", "the ReadMe beside the setup")
        finally:
            run.kill()


if __name__ == "__main__":
    main([
        test_destination_shows_the_default_and_keeps_the_check_box,
        test_too_little_space_shows_the_message_and_stays,
        test_every_button_that_starts_or_opens_something_reaches_its_target,
    ])
