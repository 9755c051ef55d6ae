"""The setup in the player's language: chosen from the user's interface language (Wine takes it from
LC_ALL), overridden by /lang=, English for a language it does not speak; the installation's
language written to its record and spoken by its uninstaller whoever starts it. Every label is read
back with tesseract's data for that language."""

import re

from setup_driver import (DEMO_PACKAGE, DISABLED, LAYOUT, MAIN_MENU_RECTS, NORMAL, REPO, cd_scenario, check,
                          check_reads, main, running, wait_for)
from test_install import RECORD
from test_silent import setup

OCR = {"en": "eng", "de": "deu", "fr": "fra", "ru": "rus+eng"}   # Russian texts name the game in Latin letters
MENU = ["IDS_INSTALL", "IDS_WWW", "IDS_REINSTALL", "IDS_UNINSTALL", "IDS_DIRECTX", "IDS_EXIT"]


def texts(code):
    """A language's texts by name, as its resource script writes them (English: resources/setup.rc)."""
    path = REPO / "resources" / ("setup.rc" if code == "en" else f"lang/{code}.rc")
    body = re.search(r"^STRINGTABLE\s*\nBEGIN\n(.*?)^END", path.read_text(encoding="utf-8"), re.S | re.M).group(1)
    return {name: text.replace('""', '"') for name, text in re.findall(r'^\s*(IDS_\w+)\s+"((?:[^"]|"")*)"', body, re.M)}


def reads_menu(run, code, installed=False):
    """The live menu reads in that language: each label in its colour, read with its OCR data."""
    said = texts(code)
    run.wait_live()
    labels = [LAYOUT["MainMenuRects"][i] for i in range(6)]
    # The labels come a moment after the undimmed picture: the frame once every one is drawn.
    menu = wait_for(lambda: (lambda f: f if all(f.count(r, NORMAL) + f.count(r, DISABLED) > 30 for r in labels)
                             else None)(run.frame()), 10, f"the menu's labels in {code}")
    names = ["IDS_PLAY" if installed else "IDS_INSTALL"] + MENU[1:]
    for rect, name in zip(MAIN_MENU_RECTS, names):
        colour = NORMAL if menu.count(rect, NORMAL) > menu.count(rect, DISABLED) else DISABLED
        check_reads(menu, rect, said[name], f"{name} in {code}", colour=colour, language=OCR[code])
    return menu


def test_the_players_language_the_switch_and_the_uninstallers():
    with cd_scenario("languages", DEMO_PACKAGE) as (display, prefix, cd):
        # German Windows: the menu and the destination screen in German.
        prefix.locale = "de_DE.UTF-8"
        with running(prefix, display) as run:
            reads_menu(run, "de")
            run.click_button(MAIN_MENU_RECTS[0])
            rects = LAYOUT["DestinationRects"]
            destination = wait_for(lambda: (lambda f: f if f.count(rects[2], NORMAL) > 20 else None)(run.frame()), 30,
                                   "the destination screen")
            said = texts("de")
            for rect, name in zip(rects, ["IDS_BROWSE", "IDS_BACK", "IDS_CONTINUE"]):
                check_reads(destination, rect, said[name], f"{name} in German", colour=NORMAL, language="deu")
            check_reads(destination, LAYOUT["InstallFolderHeading"], said["IDS_INSTALL_FOLDER"], "the heading in German",
                        colour=LAYOUT["TextBlack"], language="deu")
            check_reads(destination, LAYOUT["DesktopIconLabel"], said["IDS_DESKTOP_ICON"], "the box's label in German",
                        colour=NORMAL, language="deu")

        # /lang= speaks French on a Russian Windows; a Portuguese one, which the setup does not
        # speak, gets English.
        prefix.locale = "ru_RU.UTF-8"
        with running(prefix, display, ["D:\\setup.exe", "/lang=fr"]) as run:
            reads_menu(run, "fr")
        prefix.locale = "pt_BR.UTF-8"
        with running(prefix, display) as run:
            reads_menu(run, "en")
        check(setup(prefix, "/silent", "/lang=xx") == 4, "/lang= of no language the setup speaks: exit 4")

        # Installed on a Russian Windows: the record names the language in its own form, and the
        # uninstaller started on a German one speaks Russian, as /uninstall does.
        prefix.locale = "ru_RU.UTF-8"
        check(setup(prefix, "/silent") == 0, "the unattended install on a Russian Windows")
        # Exported as a file (UTF-16): a reader's console output would pass through a code page.
        prefix.wine("reg", "export", RECORD, "C:\\record.reg", "/y")
        exported = (prefix.drive_c / "record.reg").read_bytes().decode("utf-16")
        language = re.search(r'^"Language"="(.*)"\r?$', exported, re.M)
        check(language and language.group(1) == texts("ru")["IDS_LANGUAGE"],
              f"the record names the language as Russian writes it: {language and language.group(1)!r}")
        prefix.locale = "de_DE.UTF-8"
        with running(prefix, display, "C:\\windows\\untsetup.exe") as run:
            reads_menu(run, "ru", installed=True)
        with running(prefix, display, ["D:\\setup.exe", "/uninstall"]) as run:
            reads_menu(run, "ru", installed=True)
        with running(prefix, display) as run:   # the CD's setup speaks the player's language
            reads_menu(run, "de", installed=True)


if __name__ == "__main__":
    main([test_the_players_language_the_switch_and_the_uninstallers])
