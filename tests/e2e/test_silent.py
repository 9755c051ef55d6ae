"""Unattended runs from the command line, read back by outside readers: the exit code, the files,
the links, the records and the log."""

import re
import subprocess
import tempfile
import time
from pathlib import Path

import yaml

from setup_driver import (CANCEL, DEMO_PACKAGE, FINISH_HEADING, NORMAL, PACKAGES, REPO, YES, SetupRun, cd_scenario, check,
                          check_reads, main, on, running)
from test_install import (RECORD, UNINSTALL, desktop_link, extracted_source, game_folder, key_exists, listed_in_apps, lnk,
                          program_group, reg_value, reg_values, same_tree)
from test_runs import hold_open, release


def snapshot(folder):
    return {str(p.relative_to(folder)): p.read_bytes() if p.is_file() else None for p in Path(folder).rglob("*")}


FOLDER = "C:\\My Games\\Marvolen"
MANIFEST = REPO / "docs" / "winget" / "QuellmarkStudio.Marvolen.installer.yaml"


def setup(prefix, *args, program="D:\\setup.exe", cwd=None):
    return prefix.wine(program, *args, check=False, cwd=cwd).returncode


def setup_beside_holder(prefix, *args, program="D:\\setup.exe"):
    """The same without pipes: Wine's processes that serve the holder would keep them open, and
    the run would seem not to end before the holder does."""
    return subprocess.run(["wine", program, *args], env=prefix.env(), stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=120).returncode


def test_a_silent_install_and_uninstall_match_the_windowed_runs():
    with cd_scenario("silent", PACKAGES / "game.rar") as (display, prefix, cd), \
            tempfile.TemporaryDirectory() as source:
        # A folder that already holds someone else's files is refused: a later uninstall would
        # take them with it.
        others = prefix.drive_c / "My Games" / "Other" / "save.dat"
        others.parent.mkdir(parents=True)
        others.write_text("not the game's")
        check(setup(prefix, "/silent", "/dir=C:\\My Games") == 2 and not key_exists(prefix, RECORD),
              "a /dir holding other files is refused with exit 2, and nothing is recorded")
        # A library planted beside the setup, and another program's in the system folder, are not
        # what the setup runs; the latter stays as it is.
        (cd / "unrar.dll").write_bytes(b"planted beside the setup")
        foreign = prefix.system32 / "unrar.dll"
        foreign.write_bytes(b"another program's unrar.dll")
        # The folder spelt with a trailing dot: installed, recorded and linked as the one folder it names.
        code = setup(prefix, "-SILENT", f"/dir={FOLDER}.", "/DesktopIcon", "/log=C:\\install.log")
        check(code == 0, f"a silent install exits 0, got {code}")
        check(foreign.read_bytes() == b"another program's unrar.dll", "the system folder's unrar.dll stays")
        game = prefix.drive_c / "My Games" / "Marvolen"
        check(same_tree(game, extracted_source(PACKAGES / "game.rar", Path(source))),
              "the files are the package's, in the folder as given")
        check(reg_value(prefix, RECORD, "InstallDir") == ("REG_SZ", FOLDER), "InstallDir names it")
        check(reg_value(prefix, UNINSTALL, "QuietUninstallString") ==
              ("REG_SZ", '"C:\\windows\\untsetup.exe" /silent'), "the quiet uninstall string is recorded")
        check(reg_value(prefix, UNINSTALL, "UninstallString") == ("REG_SZ", "C:\\windows\\untsetup.exe"),
              "the uninstall string stays as it was")
        check(len(list(program_group(prefix).glob("*.lnk"))) == 7 and desktop_link(prefix).exists(),
              "seven links and the desktop link")
        target = lnk(program_group(prefix) / "Marvolen - RV.lnk").get("Local path", "")
        check(target == FOLDER + "\\tarn.exe", f"the game's link: {target}")
        log = (prefix.drive_c / "install.log").read_text()
        for step in ("Destination folder: " + FOLDER, "Free space", "Package", "entries extracted", "Links written",
                     "Records written", "Exit code 0"):
            check(step in log, f"the log names the step {step!r}:\n{log}")
        check(setup(prefix, "/silent", "/dir=c:\\MY GAMES\\marvolen\\") == 0, "the recorded folder, spelt otherwise, is no stranger's")

        # A reinstall over it that fails, or finds a file of the game in use, changes nothing.
        (game / "Saves").mkdir()
        (game / "Saves" / "slot1.sav").write_text("the player's own file")
        before = snapshot(game), reg_values(prefix, RECORD)
        (cd / "tsetup.pkg").write_bytes((PACKAGES / "cut.rar").read_bytes())
        check(setup(prefix, "/silent") == 2 and (snapshot(game), reg_values(prefix, RECORD)) == before,
              "a package cut between entries exits 2 and leaves the installation as it was")
        (cd / "tsetup.pkg").write_bytes((PACKAGES / "game.rar").read_bytes())
        holder = hold_open(prefix, FOLDER + "\\data", "part2.dat", 300)
        try:
            time.sleep(3)
            code = setup_beside_holder(prefix, "/silent", "/log=C:\\inuse.log")
            log = (prefix.drive_c / "inuse.log").read_text()
            check(code == 7 and ("in use or cannot be replaced: " + FOLDER + "\\data\\part2.dat").lower() in log.lower(),
                  f"a file in use exits 7 and is named ({code}):\n{log}")
            check((snapshot(game), reg_values(prefix, RECORD)) == before, "and the installation is as it was")
            code = setup_beside_holder(prefix, "/silent", "/log=C:\\uninstall.log", program="C:\\windows\\untsetup.exe")
            log = (prefix.drive_c / "uninstall.log").read_text()
            check(code == 7 and ("FAILED: a file of the game is in use: " + FOLDER + "\\data\\part2.dat").lower() in log.lower(),
                  f"an uninstall meeting a file in use exits 7 and names it ({code}):\n{log}")
            check(snapshot(game) == before[0] and key_exists(prefix, RECORD) and program_group(prefix).exists(),
                  "and removes nothing: files, records and links stay")
        finally:
            release(prefix, holder)
        check(setup(prefix, "/silent") == 0 and (game / "Saves" / "slot1.sav").exists(),
              "a reinstall keeps the player's save")

        # Read-only files are no obstacle, nor the uninstall's own log kept in the game's folder.
        (game / "tarn.exe").chmod(0o444)
        code = setup(prefix, "/silent", f"/log={FOLDER}\\uninstall.log", program="C:\\windows\\untsetup.exe")
        log = (game / "uninstall.log").read_text()
        check(code == 0 and [p.name for p in game.iterdir()] == ["uninstall.log"],
              f"a silent uninstall takes read-only files too, and leaves its log ({code}):\n{log}")
        check(not program_group(prefix).exists() and not desktop_link(prefix).exists(), "the links are gone")
        check(others.read_text() == "not the game's", "the other folder beside the game's is untouched")
        check(not key_exists(prefix, RECORD) and not key_exists(prefix, UNINSTALL), "the records are gone")
        check((prefix.windows / "untsetup.exe").exists(), "the uninstaller copy stays")
        check("Removed the records" in log, "the uninstall is logged")
        check(setup(prefix, "/uninstall", "/silent") == 5, "nothing left to uninstall: exit 5")
        check(setup(prefix, "/silent", "/bogus") == 4 and setup(prefix, "silent") == 4, "unknown switches: exit 4")
        check(setup(prefix, "/silent", "/dir=Q:\\Marvolen") == 2, "a drive that is not there: exit 2")
        # The usage, asked for without a window, goes to the log; no message box waits for a click.
        check(setup(prefix, "/silent", "/?", "/log=C:\\usage.log") == 0 and
              "Exit codes" in (prefix.drive_c / "usage.log").read_text(), "/silent /? writes the usage and exits 0")


def test_silent_failures_exit_with_their_code_and_leave_nothing():
    with cd_scenario("silent-damaged", PACKAGES / "damaged.rar") as (display, prefix, cd):
        # The log written into the game's folder itself: allowed, and what is left of the run.
        code = setup(prefix, "/silent", "/log=C:\\Program Files\\Marvolen\\failed.log")
        check(code == 2, f"a damaged package exits 2, got {code}")
        game = prefix.drive_c / "Program Files" / "Marvolen"
        check([p.name for p in game.iterdir()] == ["failed.log"], "and leaves nothing but the log")
        check(not key_exists(prefix, RECORD), "and no records")
        log = (game / "failed.log").read_text()
        check("FAILED" in log and "Exit code 2" in log, f"the log says what failed, to the end:\n{log}")
        (cd / "tsetup.pkg").unlink()
        # A log named relative to the working directory (C:\ here) keeps every line, though the
        # program works in its own folder once started.
        check(setup(prefix, "/silent", "/log=missing.log", cwd=prefix.drive_c) == 2, "a missing package exits 2")
        failure = [line.split("FAILED: the package: ", 1) for line in
                   (prefix.drive_c / "missing.log").read_text().splitlines() if "FAILED: the package: " in line]
        check(len(failure) == 1 and failure[0][1].strip(), f"with the system's error text: {failure}")
        # A windowed run with no display to open its window on has done nothing: it must not say 0.
        no_display = {name: value for name, value in prefix.env().items() if name != "DISPLAY"}
        code = subprocess.run(["wine", "D:\\setup.exe", "/log=C:\\nowindow.log"], env=no_display,
                              capture_output=True, timeout=120).returncode
        log = (prefix.drive_c / "nowindow.log").read_text()
        check(code == 2 and "FAILED: the window could not be opened\n" in log, f"no window exits 2 ({code}):\n{log}")

        # Links that cannot be written fail the run, yet the files and records are written, so that
        # it can be taken off again: the group's name is taken by a file of the player's.
        (cd / "tsetup.pkg").write_bytes((PACKAGES / "game.rar").read_bytes())
        group, linked = program_group(prefix), prefix.drive_c / "Linked" / "Marvolen"
        group.parent.mkdir(parents=True, exist_ok=True)
        group.write_text("the player's own file")
        code = setup(prefix, "/silent", "/dir=C:\\Linked\\Marvolen", "/desktopicon", "/log=C:\\links.log")
        log = (prefix.drive_c / "links.log").read_text()
        check(code == 2 and "FAILED: a link in the program group or on the desktop could not be written: " in log
              and "Records written" in log and "Links written" not in log and not re.search("  Installed$", log, re.M),
              f"links that fail exit 2 and are logged with the system's text ({code}):\n{log}")
        check((linked / "tarn.exe").exists() and listed_in_apps(prefix) and desktop_link(prefix).exists(),
              "and the files, the records and the desktop link are in place")
        # An uninstall that cannot remove a link takes the rest and says it failed.
        desktop_link(prefix).chmod(0o444)
        code = setup(prefix, "/silent", "/log=C:\\unlinks.log", program="C:\\windows\\untsetup.exe")
        log = (prefix.drive_c / "unlinks.log").read_text()
        check(code == 2 and "FAILED: the program group or the desktop link could not be removed: " in log and
              "Removed the records" in log and not re.search("  Uninstalled$", log, re.M),
              f"a link left exits 2 and is logged ({code}):\n{log}")
        check(not linked.exists() and not key_exists(prefix, RECORD) and not listed_in_apps(prefix) and
              desktop_link(prefix).exists() and group.read_text() == "the player's own file",
              "the files and records are gone, the read-only link and the player's file stay")

    mount = Path(tempfile.mkdtemp(prefix="marvolen-small-drive-"))
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=100m", "tmpfs", str(mount)], check=True)
    try:
        with cd_scenario("silent-space", PACKAGES / "game.rar") as (display, prefix, cd):
            prefix.map_drive("e", mount)
            check(setup(prefix, "/silent", "/dir=E:\\Marvolen") == 3, "too little space exits 3")
            check(not any(mount.iterdir()) and not key_exists(prefix, RECORD), "and writes nothing")
            # Room for the fixed figure, not for what the package unpacks to (600,000,000 bytes).
            subprocess.run(["mount", "-o", "remount,size=550m", str(mount)], check=True)
            (cd / "tsetup.pkg").write_bytes((PACKAGES / "bad" / "too-big.rar").read_bytes())
            code = setup(prefix, "/silent", "/dir=E:\\Marvolen", "/log=C:\\space.log")
            log = (prefix.drive_c / "space.log").read_text()
            check(code == 3 and "the package unpacks to 600000000 bytes" in log, f"the package's size counts ({code}):\n{log}")
            check(not any(mount.iterdir()), "and nothing is written")
    finally:
        subprocess.run(["umount", str(mount)], check=False)
        mount.rmdir()


def test_a_second_instance_is_refused():
    with cd_scenario("second", PACKAGES / "game.rar") as (display, prefix, cd):
        run = SetupRun(prefix, display)
        try:
            run.wait_live()
            check(setup(prefix, "/silent") == 6, "a silent run beside a running setup exits 6")
            check(not key_exists(prefix, RECORD), "and installs nothing")
        finally:
            run.kill()


def run_line(prefix, display, line):
    """Runs a command line exactly as written, as a package manager hands it to Windows (quotes
    and blanks untouched), and returns the exit code."""
    (prefix.drive_c / "line.bat").write_text(f"@{line}\r\n@exit %ERRORLEVEL%\r\n")
    return prefix.wine("cmd", "/c", "C:\\line.bat", display=display, check=False).returncode


def winget_installer(manifest):
    """The manifest's first installer as winget reads it: the fields at the top, and its own over them."""
    fields = {name: value for name, value in manifest.items() if name != "Installers"}
    return {**fields, **manifest["Installers"][0]}


def spellings(installer):
    """Each command line to run, and whether it installs (into FOLDER) or uninstalls: the
    manifest's switches as winget fills them in, and the other installer families' spellings."""
    switches = installer["InstallerSwitches"]
    location = switches["InstallLocation"].replace("<INSTALLPATH>", FOLDER)
    log = switches["Log"].replace("<LOGPATH>", "C:\\manifest.log")
    uninstaller = "C:\\windows\\untsetup.exe"
    return [
        (f"D:\\setup.exe {switches['Silent']} {location} {log}", True),
        (f"{uninstaller} /VERYSILENT /SUPPRESSMSGBOXES /NORESTART", False),
        (f"D:\\setup.exe {switches['SilentWithProgress']} {location}", True),
        (f"{uninstaller} /S", False),
        (f'D:\\setup.exe /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /SP- /DIR="{FOLDER}"', True),
        ("D:\\setup.exe /uninstall /S", False),
        (f"D:\\setup.exe /S /D={FOLDER}", True),
    ]


def documented_codes():
    """Each exit code with its meaning: as README's table lists them, and as base/exit_codes.h's
    table of meanings gives them (its texts may run over several quoted pieces)."""
    readme = re.findall(r"^\| (\d+) \| (.+?) \|$", (REPO / "README.md").read_text(), re.M)
    header = (REPO / "base" / "exit_codes.h").read_text()
    values = dict(re.findall(r"(Exit\w+) = (\d+),", header))
    rows = re.findall(r'\{(Exit\w+), IDS_\w+,\s*((?:"[^"]*"\s*)+)\}', header)
    return ({int(code): meaning for code, meaning in readme},
            {int(values[name]): "".join(re.findall(r'"([^"]*)"', texts)) for name, texts in rows},
            {int(code) for code in values.values()})


def test_every_spelling_a_package_manager_uses_does_what_its_switch_does():
    installer = winget_installer(yaml.safe_load(MANIFEST.read_text()))
    readme, header, codes = documented_codes()
    check(set(header) == codes and readme == header,
          f"README lists every code the program has, meaning what its table says: {readme} {header} {codes}")
    declared = {entry["InstallerReturnCode"] for entry in installer["ExpectedReturnCodes"]}
    check(declared <= set(readme) - {0}, f"the manifest's return codes are documented ones: {declared}")
    check(installer["NestedInstallerType"] == "exe" and set(installer["InstallModes"]) >= {"silent", "silentWithProgress"},
          "an exe installer with both unattended modes")
    with cd_scenario("spellings", PACKAGES / "game.rar") as (display, prefix, cd), \
            tempfile.TemporaryDirectory() as source:
        package = extracted_source(PACKAGES / "game.rar", Path(source))
        game = prefix.drive_c / "My Games" / "Marvolen"
        for line, installs in spellings(installer):
            code = run_line(prefix, display, line)
            check(code == 0, f"{line}: exit 0, got {code}")
            if installs:
                check(game.is_dir() and same_tree(game, package), f"{line}: the package's files, in {FOLDER}")
                check(reg_value(prefix, RECORD, "InstallDir") == ("REG_SZ", FOLDER), f"{line}: recorded there")
                check(listed_in_apps(prefix), f"{line}: listed in Add/Remove Programs")
            else:
                check(not game.exists() and not key_exists(prefix, RECORD) and not listed_in_apps(prefix),
                      f"{line}: uninstalled")
        entry = installer["AppsAndFeaturesEntries"][0]
        for name in ("DisplayName", "Publisher", "DisplayVersion"):
            check(reg_value(prefix, UNINSTALL, name) == ("REG_SZ", entry[name]),
                  f"the manifest's {name} is the entry's: {reg_value(prefix, UNINSTALL, name)}")
        check("Exit code 0" in (prefix.drive_c / "manifest.log").read_text(), "the manifest's log switch writes the log")


def test_passive_shows_progress_and_finish_and_closes_by_itself():
    with cd_scenario("passive", DEMO_PACKAGE) as (display, prefix, cd):
        # A player who presses Cancel is still asked, and a Yes ends the run with its own code.
        with running(prefix, display, ["D:\\setup.exe", "/passive"]) as run:
            on(run, 145, 60)
            run.click_button(CANCEL, settle=0)
            run.wait_frame(lambda f: f.count(YES, NORMAL) > 10, 20, "the abort question")
            run.click_button(YES)
            code = run.wait_exit(60)
        check(code == 8 and not key_exists(prefix, RECORD) and not game_folder(prefix).exists(),
              f"a cancelled passive run exits 8 and leaves nothing ({code})")
        # Nobody clicks: the run goes from the progress to the finish and closes on its own.
        with running(prefix, display, ["D:\\setup.exe", "/passive", "/log=C:\\passive.log"]) as run:
            on(run, 145, 60)
            finish = on(run, 143, 180)
            check_reads(finish, FINISH_HEADING, "Marvolen have been successfully installed!", "the finish heading")
            code = run.wait_exit(30)
        check(code == 0 and key_exists(prefix, RECORD) and listed_in_apps(prefix), f"installed, exit 0 ({code})")
        check("Exit code 0" in (prefix.drive_c / "passive.log").read_text(), "the log ends with the code")
        with running(prefix, display, ["C:\\windows\\untsetup.exe", "/passive"]) as run:
            code = run.wait_exit(60)
        check(code == 0 and not key_exists(prefix, RECORD) and not game_folder(prefix).exists(),
              f"the uninstaller copy uninstalls with /passive, exit 0 ({code})")
        code = prefix.wine("D:\\setup.exe", "/passive", "/uninstall", display=display, check=False).returncode
        check(code == 5, f"nothing left to uninstall: exit 5, with no message to click ({code})")


if __name__ == "__main__":
    main([
        test_a_silent_install_and_uninstall_match_the_windowed_runs,
        test_silent_failures_exit_with_their_code_and_leave_nothing,
        test_a_second_instance_is_refused,
        test_passive_shows_progress_and_finish_and_closes_by_itself,
        test_every_spelling_a_package_manager_uses_does_what_its_switch_does,
    ])
