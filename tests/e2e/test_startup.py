"""Start-up of the real program: the uninstaller copy, the library file, the live menu, no library
planted beside it."""

import filecmp
import os
import shutil
import tempfile
import time

from setup_driver import (BLACK, BUILD, DISABLED, HIGHLIGHT, LAYOUT, MAIN_MENU_RECTS, NORMAL, PACKAGES, STATUS_TEXT, TITLE, SetupRun, cd_scenario, check,
                   main, make_cd, running, scenario, wait_for)
from test_reader import Probe, named

EXIT = MAIN_MENU_RECTS[5]
STATUS_PANEL = LAYOUT["StatusPanel"]


def labels(frame):
    """For each main-menu button, the label colour found in its rectangle (None if none or mixed)."""
    found = []
    for rect in MAIN_MENU_RECTS:
        counts = {colour: frame.count(rect, colour) for colour in (NORMAL, HIGHLIGHT, DISABLED)}
        present = [colour for colour, n in counts.items() if n > 0]
        found.append(present[0] if len(present) == 1 and counts[present[0]] > 20 else None)
    return found


def exit_cleanly(run):
    run.click_button(EXIT, settle=0)
    code = run.wait_exit()
    check(code == 0, f"Exit ends the program with code 0, not {code}{run.said()}")


def test_first_start_copies_itself_writes_the_library_and_shows_the_menu():
    with scenario("first-start") as (display, prefix), tempfile.TemporaryDirectory() as cd:
        make_cd(cd)
        prefix.map_drive("d", cd)
        check(not (prefix.system32 / "unrar.dll").exists(), "a fresh prefix has no unrar.dll")
        run = SetupRun(prefix, display)
        try:
            x, y, w, h = run.position
            check((w, h) == (640, 480), f"window is 640x480, got {w}x{h}")
            check((x, y) == ((1024 - 640) // 2, (768 - 480) // 2), f"window centred, at {x},{y}")
            frame = run.wait_live()
            check(labels(frame) == [NORMAL, NORMAL, DISABLED, DISABLED, NORMAL, NORMAL],
                  f"menu labels in their colours: {labels(frame)}")
            check(filecmp.cmp(prefix.windows / "untsetup.exe", BUILD / "setup.exe", shallow=False),
                  "untsetup.exe is a byte-for-byte copy")
            check(filecmp.cmp(prefix.system32 / "unrar.dll", BUILD / "unrar" / "unrar.dll", shallow=False),
                  "unrar.dll written from the carried copy")
            exit_cleanly(run)
        finally:
            run.kill()


def test_start_dims_the_menu_under_the_status_panel_for_a_second():
    with cd_scenario("dimmed-start") as (display, prefix, cd), running(prefix, display) as run:
        # Timed from the window's appearing, which the driver notices within some 20 ms; every
        # frame from its first paint until the live one must be the dimmed menu under its status
        # text (before that paint the window is still black).
        dimmed = 0
        while True:
            frame = run.frame()
            if not frame.dimmed():
                live_after = time.monotonic() - run.shown_at
                break
            if frame.count(STATUS_PANEL, BLACK) < 0.9 * (STATUS_PANEL[2] - STATUS_PANEL[0]) * (STATUS_PANEL[3] - STATUS_PANEL[1]):
                dimmed += 1
                check(frame.count(STATUS_PANEL, STATUS_TEXT) > 50, "status text shown while starting")
            check(time.monotonic() - run.shown_at < 30, "start-up ends")
        check(live_after >= 1.0, f"the dimmed menu shows for a second at least: live after {live_after:.3f}s")
        check(dimmed > 0, "a dimmed frame was seen before the live one")
        exit_cleanly(run)


def test_older_copies_are_replaced_and_an_existing_library_kept():
    with scenario("older-copies") as (display, prefix), tempfile.TemporaryDirectory() as cd:
        make_cd(cd)
        prefix.map_drive("d", cd)
        old = prefix.windows / "untsetup.exe"
        old.write_bytes(b"an older setup")
        os.chmod(old, 0o444)
        prefix.wine("attrib", "+r", "C:\\windows\\untsetup.exe", check=False)
        library = prefix.system32 / "unrar.dll"
        library.write_bytes(b"another vendor's unrar.dll")
        run = SetupRun(prefix, display)
        try:
            run.wait_live()
            check(filecmp.cmp(prefix.windows / "untsetup.exe", BUILD / "setup.exe", shallow=False),
                  "a read-only older untsetup.exe is replaced")
            check(library.read_bytes() == b"another vendor's unrar.dll", "an existing unrar.dll stays untouched")
            exit_cleanly(run)
        finally:
            run.kill()


def test_the_copy_in_the_windows_directory_is_the_uninstaller():
    with scenario("uninstaller") as (display, prefix):
        copy = prefix.windows / "untsetup.exe"
        copy.write_bytes((BUILD / "setup.exe").read_bytes())
        stamp = time.time() - 86400
        os.utime(copy, (stamp, stamp))
        run = SetupRun(prefix, display, command="C:\\WINDOWS\\untsetup.exe")
        try:
            frame = run.wait_live()
            check(labels(frame) == [DISABLED, NORMAL, DISABLED, DISABLED, NORMAL, NORMAL],
                  f"uninstaller, nothing installed: {labels(frame)}")
            check(abs(copy.stat().st_mtime - stamp) < 1, "the uninstaller does not copy itself")
            exit_cleanly(run)
        finally:
            run.kill()


def test_an_install_record_offers_play_and_the_uninstaller_only_uninstall():
    with scenario("installed") as (display, prefix), tempfile.TemporaryDirectory() as cd:
        prefix.wine("reg", "add", "HKCU\\SOFTWARE\\Quellmark Studio\\RV : Marvolen", "/v", "InstallDir", "/d",
                    "C:\\Games\\Marvolen", "/f")
        make_cd(cd)
        prefix.map_drive("d", cd)
        run = SetupRun(prefix, display)
        try:
            installed_menu = run.wait_live()
            check(labels(installed_menu) == [NORMAL] * 6, f"installed: every button available: {labels(installed_menu)}")
            exit_cleanly(run)
        finally:
            run.kill()
        run = SetupRun(prefix, display, command="C:\\windows\\untsetup.exe")
        try:
            frame = run.wait_live()
            check(labels(frame) == [DISABLED, NORMAL, DISABLED, NORMAL, NORMAL, NORMAL],
                  f"uninstaller with an installation: {labels(frame)}")
            # "Play" and "Install" differ in their label's pixels.
            check(frame.count(MAIN_MENU_RECTS[0], DISABLED) != 0, "Play drawn disabled")
            exit_cleanly(run)
        finally:
            run.kill()


def test_buttons_light_up_under_the_pointer_and_go_dark_again():
    with cd_scenario("hover") as (display, prefix, cd), running(prefix, display) as run:
        run.wait_live()
        run.move(460, 146)
        wait_for(lambda: labels(run.frame())[1] == HIGHLIGHT, 10, "WWW lit")
        run.move(460, 195)   # onto Reinstall, which is unavailable
        frame = run.wait_frame(lambda f: labels(f)[1] == NORMAL, 10, "WWW dark")
        check(labels(frame)[2] == DISABLED, "an unavailable button never lights up")
        exit_cleanly(run)


def test_start_on_a_16_bit_display_dims_and_goes_live():
    with scenario("depth16", depth=16) as (display, prefix), tempfile.TemporaryDirectory() as cd:
        make_cd(cd)
        prefix.map_drive("d", cd)
        run = SetupRun(prefix, display)
        try:
            check(run.frame().dimmed(), "the first frame is dimmed at 16 bits per pixel too")
            run.wait_live()
            # Label colours are rounded at this depth, so lighting cannot be matched exactly.
            run.click_button(EXIT, settle=0, labelled=False)
            check(run.wait_exit() == 0, "Exit ends the program with code 0")
        finally:
            run.kill()


def test_no_library_planted_beside_the_setup_is_loaded():
    # Wine's loader prefers its own winmm and oleacc; with these overrides it looks for them as
    # Windows does, beside the program first.
    with cd_scenario("planted", PACKAGES / "game.rar") as (display, prefix, cd):
        for name in ("winmm", "oleacc"):
            shutil.copy2(BUILD / "tests" / "planted_library.dll", cd / f"{name}.dll")
        prefix.dll_overrides.append("winmm,oleacc=n,b")

        def planted():   # the markers the planted library leaves, named as the loader spelt it
            return sorted(marker.name.lower() for marker in prefix.drive_c.glob("planted-*.txt"))

        with running(prefix, display) as run:
            run.wait_live()
            run.move(460, 146)   # lit, with its sound
            wait_for(lambda: labels(run.frame())[1] == HIGHLIGHT, 10, "WWW lit")
            check(not planted(), f"the setup started and played a sound without the libraries beside it: {planted()}")
            Probe(prefix, display).wait(lambda w, c: w["name"] == TITLE and named(c, "Install"), "a reader's view of the menu")
            check(not planted(), f"a reader read the menu without the library beside the setup: {planted()}")
            exit_cleanly(run)
        code = prefix.wine("D:\\setup.exe", "/silent", check=False).returncode
        check(code == 0 and not planted(), f"a silent install exits 0 ({code}) without them: {planted()}")
        # The same planting does reach a program that imports winmm at load time.
        shutil.copy2(BUILD / "tests" / "imports_winmm.exe", cd)
        prefix.wine("D:\\imports_winmm.exe", check=False)
        check(planted() == ["planted-winmm.txt"], f"a load-time import of winmm takes the planted one: {planted()}")
        # With neither library to be had at all, the setup goes on, silent.
        prefix.dll_overrides[-1] = "winmm,oleacc=d"
        with running(prefix, display) as run:
            run.wait_live()
            run.move(460, 146)
            wait_for(lambda: labels(run.frame())[1] == HIGHLIGHT, 10, "WWW lit without winmm")
            exit_cleanly(run)


def test_closing_the_window_ends_the_program():
    with cd_scenario("close") as (display, prefix, cd), running(prefix, display) as run:
        run.wait_live()
        # taskkill without /f asks the window to close, as its close command would.
        prefix.wine("taskkill", "/im", "setup.exe", display=display, check=False)
        check(run.wait_exit(15) == 0, "a closed window ends the program with code 0")


if __name__ == "__main__":
    main([
        test_first_start_copies_itself_writes_the_library_and_shows_the_menu,
        test_start_dims_the_menu_under_the_status_panel_for_a_second,
        test_older_copies_are_replaced_and_an_existing_library_kept,
        test_the_copy_in_the_windows_directory_is_the_uninstaller,
        test_an_install_record_offers_play_and_the_uninstaller_only_uninstall,
        test_buttons_light_up_under_the_pointer_and_go_dark_again,
        test_start_on_a_16_bit_display_dims_and_goes_live,
        test_no_library_planted_beside_the_setup_is_loaded,
        test_closing_the_window_ends_the_program,
    ])
