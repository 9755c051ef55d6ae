"""Install and uninstall runs of the real program, read back by outside readers: the files in
the prefix, `wine reg query`, `wine uninstaller --list`, `lnkinfo` and the screen."""

import filecmp
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from setup_driver import (CANCEL, CHECK_BOX, CONTINUE, DEMO_PACKAGE, DISABLED, FINISH_BODY, FINISH_HEADING, FINISH_RECTS,
                          HIGHLIGHT, MAIN_MENU_RECTS, NO, NORMAL, OK, PACKAGES, PROMPT_TEXT, VERSION, YES, SetupRun,
                          cd_scenario, check, check_reads, main, make_cd, on, running, scenario, wait_for)

RECORD = "HKCU\\SOFTWARE\\Quellmark Studio\\RV : Marvolen"
MAKER = "HKCU\\SOFTWARE\\Quellmark Studio"
LOBBY = "HKLM\\Software\\Microsoft\\DirectPlay\\Applications\\Marvolen"
UNINSTALL = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RV : Marvolen"
INSTALL_DIR = "C:\\Program Files\\Marvolen"
RETRY = "Click the Installation Menu to Reinstall the game or Exit Setup"


def label(frame, rect):
    colours = [c for c in (NORMAL, HIGHLIGHT, DISABLED) if frame.count(rect, c) > 10]
    return colours[0] if len(colours) == 1 else None


def available(colour):
    return colour in (NORMAL, HIGHLIGHT)


def game_folder(prefix):
    return prefix.drive_c / "Program Files" / "Marvolen"


def user_folder(prefix, *parts):
    users = [p for p in (prefix.drive_c / "users").iterdir() if p.name not in ("Public",)]
    return users[0].joinpath(*parts)


def program_group(prefix):
    return user_folder(prefix, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                       "Marvolen demo")


def desktop_link(prefix):
    return user_folder(prefix, "Desktop", "Marvolen - RV.lnk")


def key_exists(prefix, key):
    return prefix.reg_query(key).returncode == 0


def reg_values(prefix, key):
    """Every value of a key, by name, as (type, data) as `reg query` prints them."""
    values = {}
    for line in prefix.reg_query(key).stdout.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = (parts[1], parts[2] if len(parts) == 3 else "")
    return values


def reg_value(prefix, key, name):
    return reg_values(prefix, key).get(name)


# Every value of the three records after an install into INSTALL_DIR from drive D:, as a reader
# outside the program finds them: literal, not what the program was given.
EXPECTED_RECORDS = {
    RECORD: {
        "InstallDir": ("REG_SZ", "C:\\Program Files\\Marvolen"),
        "Executable": ("REG_SZ", "C:\\Program Files\\Marvolen\\tarn.exe"),
        "Version": ("REG_SZ", VERSION),
        "Language": ("REG_SZ", "English"),
        "Options": ("REG_DWORD", "0x0"),
        "Installer": ("REG_SZ", "C:\\windows\\untsetup.exe"),
        "CD-ROM": ("REG_SZ", "D:\\"),
    },
    LOBBY: {
        "CommandLine": ("REG_SZ", ""),
        "CurrentDirectory": ("REG_SZ", "C:\\Program Files\\Marvolen"),
        "Path": ("REG_SZ", "C:\\Program Files\\Marvolen"),
        "File": ("REG_SZ", "tarn.exe"),
        "Guid": ("REG_SZ", "{7A3C91E2-4B0D-11d0-8E21-00A0C9F31B6d}"),
    },
    UNINSTALL: {
        "DisplayName": ("REG_SZ", "RV : Marvolen"),
        "UninstallString": ("REG_SZ", "C:\\windows\\untsetup.exe"),
        "QuietUninstallString": ("REG_SZ", '"C:\\windows\\untsetup.exe" /silent'),
        "DisplayIcon": ("REG_SZ", "C:\\windows\\untsetup.exe,0"),
        "DisplayVersion": ("REG_SZ", VERSION),
        "Publisher": ("REG_SZ", "Quellmark Studio"),
        "InstallLocation": ("REG_SZ", "C:\\Program Files\\Marvolen"),
        "InstallSource": ("REG_SZ", "D:\\"),
        "URLInfoAbout": ("REG_SZ", "http://www.marvolen.example"),
        "HelpLink": ("REG_SZ", "http://www.halvergate.example"),
        "NoModify": ("REG_DWORD", "0x1"),
        "NoRepair": ("REG_DWORD", "0x1"),
        "VersionMajor": ("REG_DWORD", "0x1"),
        "VersionMinor": ("REG_DWORD", "0xc"),
    },
}


def entry_measures(source):
    """The entry's values that depend on the day and on what was installed: the install date
    (today, or yesterday just after midnight) and the size of the files in whole KiB."""
    size = sum(f.stat().st_size for f in Path(source).rglob("*") if f.is_file())
    days = {time.strftime("%Y%m%d", time.localtime(time.time() - back)) for back in (0, 600)}
    return days, ("REG_DWORD", hex((size + 1023) // 1024))


def listed_in_apps(prefix):
    """Whether Wine's own Add/Remove Programs lists the game. A listing that did not run (on a
    loaded machine Wine's tool now and then fails to start) is asked again, never read as "no"."""
    for _ in range(3):
        listing = prefix.wine("uninstaller", "--list", check=False)
        if listing.returncode == 0:
            return "|||RV : Marvolen" in listing.stdout
    raise AssertionError(f"Wine's uninstaller --list failed: {listing.stderr.strip()[-300:]}")


def same_tree(left, right):
    comparison = filecmp.dircmp(left, right)
    if comparison.left_only or comparison.right_only or comparison.diff_files or comparison.funny_files:
        return False
    _, mismatch, errors = filecmp.cmpfiles(left, right, comparison.common_files, shallow=False)
    return not mismatch and not errors and all(same_tree(Path(left) / d, Path(right) / d)
                                               for d in comparison.common_dirs)


def lnk(path):
    """Target and working directory of a link file, as lnkinfo reads them."""
    out = subprocess.run(["lnkinfo", str(path)], capture_output=True, text=True).stdout
    fields = {}
    for line in out.splitlines():
        if ":" in line:
            key, value = line.split(":", 1)
            fields[key.strip()] = value.strip()
    return fields


def install(run, desktop_icon=False, timeout=120):
    """From the live menu: Install, the optional check box, Continue; waits for the finish screen."""
    run.click_button(MAIN_MENU_RECTS[0])
    on(run, 141)
    if desktop_icon:
        run.click_button(CHECK_BOX, labelled=False)
    run.click_button(CONTINUE, settle=0.2)
    return on(run, 143, timeout)


def reinstall(run, timeout=120):
    """From the live menu: Reinstall, Continue; waits for the finish screen."""
    run.click_button(MAIN_MENU_RECTS[2])
    on(run, 141)
    run.click_button(CONTINUE, settle=0.2)
    return on(run, 143, timeout)


def check_installed(prefix, source, desktop_icon):
    check(same_tree(game_folder(prefix), source), "the installed files are exactly the package's")
    days, size = entry_measures(source)
    for key, expected in EXPECTED_RECORDS.items():
        found = reg_values(prefix, key)
        if key == UNINSTALL:
            check(found.pop("EstimatedSize", None) == size, f"the entry's size is the installed files' {size}")
            date = found.pop("InstallDate", None)
            check(date and date[0] == "REG_SZ" and date[1] in days, f"the entry's install date is today's: {date}")
        check(found == expected, f"{key} holds exactly its values, each with its type: {found}")
    check(listed_in_apps(prefix), "Add/Remove Programs lists the game")
    links = sorted(p.name for p in program_group(prefix).glob("*.lnk"))
    check(len(links) == 7, f"seven links in the program group: {links}")
    game = lnk(program_group(prefix) / "Marvolen - RV.lnk")
    check(game.get("Local path", "").lower().endswith("marvolen\\tarn.exe"), f"game link target: {game}")
    check(game.get("Working directory", "").lower() == INSTALL_DIR.lower(), f"game link starts in its folder: {game}")
    uninstaller = lnk(program_group(prefix) / "Uninstall.lnk")
    check(uninstaller.get("Working directory", "").lower() == INSTALL_DIR.lower(), "uninstaller link starts there too")
    check(desktop_link(prefix).exists() == desktop_icon, "a desktop link exactly when asked for")


def extracted_source(package, into):
    subprocess.run(["unrar", "x", "-inul", "-o+", str(package), str(into) + "/"], check=True)
    return into


def uninstall(run, before_ok=None, read=False):
    """Uninstall from the menu: the question answered Yes, then the closing message's OK; with
    `read`, both texts are read as the player reads them."""
    run.click_button(MAIN_MENU_RECTS[3])
    question = run.wait_frame(lambda f: f.count(YES, NORMAL) > 10, 20, "the uninstall question")
    if read:
        check_reads(question, PROMPT_TEXT, "Are you sure you want to uninstall Marvolen from your computer?",
                    "the uninstall question", lines=2)
    run.click_button(YES)
    message = run.wait_frame(lambda f: f.count(OK, NORMAL) > 10, 30, "the uninstalled message")
    if read:
        check_reads(message, PROMPT_TEXT, "Marvolen have been uninstalled!", "the closing message", lines=2)
    if before_ok:
        before_ok()
    run.click_button(OK)
    return on(run, 130)


def test_install_with_desktop_icon_then_play_and_uninstall():
    with cd_scenario("install", PACKAGES / "game.rar") as (display, prefix, cd), running(prefix, display) as run, \
            tempfile.TemporaryDirectory() as source:
        run.wait_live()
        finish = install(run, desktop_icon=True)
        check([label(finish, r) for r in FINISH_RECTS] in ([NORMAL] * 4, [NORMAL] * 3 + [HIGHLIGHT]),
              "the finish screen offers all four buttons")
        check_reads(finish, FINISH_HEADING, "Marvolen have been successfully installed!", "the finish heading")
        check_reads(finish, FINISH_BODY, "Click View Readme for further information. Click Online registration to get "
                    "your registration.", "the finish text", NORMAL, lines=3)
        check_installed(prefix, extracted_source(PACKAGES / "game.rar", Path(source)), desktop_icon=True)

        # A program planted where an unquoted path would lead ("C:\\Program.exe") must not start.
        shutil.copy2(game_folder(prefix) / "tarn.exe", prefix.drive_c / "Program.exe")
        run.click_button(FINISH_RECTS[0])   # Play Now
        ran = prefix.drive_c / "standin-ran.txt"
        wait_for(ran.exists, 20, "the game stand-in to start")
        time.sleep(1)
        runs = ran.read_text().splitlines()
        program, folder = runs[0].split("|")[:2]
        check(len(runs) == 1 and program.lower() == (INSTALL_DIR + "\\tarn.exe").lower() and
              folder.lower() == INSTALL_DIR.lower(), f"the game, and only the game, starts in its folder: {runs}")
        wait_for(lambda: not display.windows_named("^Stand-in"), 20, "the stand-in's window to close")

        run.click_button(FINISH_RECTS[3])   # Setup Menu
        menu = on(run, 130)
        # Install was lit when the menu was left, and stays lit until the pointer moves there.
        check([available(label(menu, r)) for r in MAIN_MENU_RECTS[:4]] == [True] * 4,
              f"Play, Reinstall and Uninstall are available: {[label(menu, r) for r in MAIN_MENU_RECTS[:4]]}")

        menu = uninstall(run, read=True)
        check([available(label(menu, r)) for r in MAIN_MENU_RECTS[:4]] == [True, True, False, False],
              "after uninstalling, Install again and nothing to uninstall")
        check(not game_folder(prefix).exists(), "the game's folder is gone")
        check(not program_group(prefix).exists() and not desktop_link(prefix).exists(), "the links are gone")
        for key in (RECORD, LOBBY, UNINSTALL):
            check(not key_exists(prefix, key), f"{key} is gone")
        check(not listed_in_apps(prefix), "Add/Remove Programs no longer lists the game")
        check(key_exists(prefix, MAKER), "the maker's key stays")
        check((prefix.windows / "untsetup.exe").exists() and (prefix.system32 / "unrar.dll").exists(),
              "the uninstaller copy and the library stay")
        run.click_button(MAIN_MENU_RECTS[5], settle=0)
        check(run.wait_exit() == 0, "Exit ends the program")


def test_install_without_desktop_icon_and_the_uninstaller_copy():
    with cd_scenario("install-plain", PACKAGES / "game.rar") as (display, prefix, cd), \
            tempfile.TemporaryDirectory() as source:
        with running(prefix, display) as run:
            run.wait_live()
            install(run)
            check_installed(prefix, extracted_source(PACKAGES / "game.rar", Path(source)), desktop_icon=False)
            run.click_button(FINISH_RECTS[3])
            on(run, 130)
            run.click_button(MAIN_MENU_RECTS[5], settle=0)
            run.wait_exit()
        # The Add/Remove entry starts the copy in the Windows directory: it only uninstalls.
        with running(prefix, display, command="C:\\windows\\untsetup.exe") as run:
            menu = run.wait_live()
            check([label(menu, r) for r in MAIN_MENU_RECTS] == [DISABLED, NORMAL, DISABLED, NORMAL, NORMAL, NORMAL],
                  "the uninstaller copy offers uninstall, the web address, DirectX and Exit")

            def uninstalled():
                check(not game_folder(prefix).exists() and not key_exists(prefix, RECORD), "uninstalled")
                check((prefix.windows / "untsetup.exe").exists(), "the uninstaller copy itself stays")

            menu = uninstall(run, before_ok=uninstalled)
            check(label(menu, MAIN_MENU_RECTS[3]) == DISABLED, "nothing left to uninstall")


def failed_run(package_name, package):
    with scenario(f"bad-{package_name}") as (display, prefix), tempfile.TemporaryDirectory() as cd:
        make_cd(cd, package)
        if package is None:
            (Path(cd) / "ReadMe.txt").write_text("no package on this CD")
        prefix.map_drive("d", cd)
        run = SetupRun(prefix, display)
        try:
            run.wait_live()
            finish = install(run)
            check([label(finish, r) for r in FINISH_RECTS[:3]] == [DISABLED] * 3,
                  f"{package_name}: only Setup Menu is available")
            check_reads(finish, FINISH_HEADING, "Installation failed!", f"{package_name}: the finish heading")
            # The finish screen shows once before the clean-up runs under its status panel.
            wait_for(lambda: not game_folder(prefix).exists(), 10, f"{package_name}: the destination to be removed")
            check(not key_exists(prefix, RECORD) and not program_group(prefix).exists(),
                  f"{package_name}: no records, no links")
            check(run.process.poll() is None, f"{package_name}: the program is still running")
        finally:
            run.kill()


def test_missing_foreign_truncated_and_damaged_packages_fail():
    failed_run("missing", None)
    for name in ("notrar.pkg", "truncated.rar", "damaged.rar"):
        failed_run(name, PACKAGES / name)


def cancel_run(answer):
    with scenario(f"cancel-{answer}") as (display, prefix), tempfile.TemporaryDirectory() as cd:
        make_cd(cd, DEMO_PACKAGE)
        prefix.map_drive("d", cd)
        run = SetupRun(prefix, display)
        try:
            run.wait_live()
            run.click_button(MAIN_MENU_RECTS[0])
            on(run, 141)
            run.click_button(CONTINUE, settle=0)
            on(run, 145)
            run.click_button(CANCEL, settle=0)
            question = run.wait_frame(lambda f: f.count(YES, NORMAL) > 10, 20, "the abort question")
            check_reads(question, PROMPT_TEXT, "Are you sure you want to abort the Setup?", "the abort question", lines=2)
            run.click_button(YES if answer == "yes" else NO)
            finish = on(run, 143, 180)
            if answer == "yes":
                check([label(finish, r) for r in FINISH_RECTS[:3]] == [DISABLED] * 3,
                      "aborted: only Setup Menu is available")
                check_reads(finish, FINISH_HEADING, "Installation has been aborted!", "the finish heading")
                check_reads(finish, FINISH_BODY, RETRY, "the finish text", NORMAL, lines=2)
                # The finish screen shows once before the clean-up runs under its status panel.
                wait_for(lambda: not game_folder(prefix).exists(), 10, "aborted: the destination folder to be removed")
                check(not key_exists(prefix, RECORD) and not program_group(prefix).exists(), "aborted: no records or links")
            else:
                check(key_exists(prefix, RECORD) and len(list(program_group(prefix).glob("*.lnk"))) == 7,
                      "Cancel answered No: the run completes")
            # What a package manager that started the windowed setup reads when the player leaves.
            run.click_button(FINISH_RECTS[3])
            on(run, 130)
            run.click_button(MAIN_MENU_RECTS[5], settle=0)
            code = run.wait_exit()
            check(code == (8 if answer == "yes" else 0), f"Cancel answered {answer}: Exit ends with code {code}")
        finally:
            run.kill()


def test_cancel_answered_yes_aborts_and_cleans_up():
    cancel_run("yes")


def test_cancel_answered_no_goes_on():
    cancel_run("no")


if __name__ == "__main__":
    main([
        test_install_with_desktop_icon_then_play_and_uninstall,
        test_install_without_desktop_icon_and_the_uninstaller_copy,
        test_missing_foreign_truncated_and_damaged_packages_fail,
        test_cancel_answered_yes_aborts_and_cleans_up,
        test_cancel_answered_no_goes_on,
    ])
