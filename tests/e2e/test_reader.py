"""A screen reader's view of the real program, from another process: a small probe reads the window
through AccessibleObjectFromWindow, and an install (with the desktop icon, Cancel answered No on the
way) and an uninstall are carried out through its default actions alone: no mouse, no key."""

import subprocess

from setup_driver import BUILD, DEMO_PACKAGE, cd_scenario, check, main, running, wait_for
from test_install import RECORD, desktop_link, game_folder, key_exists

UNAVAILABLE = "unavailable"


class Probe:
    """tests/probe/reader_probe.cpp, run in the setup's prefix."""

    def __init__(self, prefix, display):
        self.prefix, self.display = prefix, display
        prefix.map_drive("t", BUILD / "tests")

    def tree(self):
        """The window as {"role", "states", "name", "description", "focus"} and its children, each
        {"id", "role", "states", "name", "value", "hit", "next"}; None while the window is away."""
        out = self.prefix.wine("T:\\reader_probe.exe", "tree", display=self.display, check=False)
        if out.returncode != 0:
            return None
        lines = [line.split("|") for line in out.stdout.splitlines() if "|" in line]
        _, role, states, name, description, focus = lines[0]
        window = {"role": role, "states": states.split(","), "name": name, "description": description,
                  "focus": int(focus)}
        children = [{"id": int(f[0]), "role": f[1], "states": f[2].split(","), "name": f[3], "value": f[4],
                     "hit": int(f[6]), "next": int(f[7])} for f in lines[1:]]
        return window, children

    def wait(self, showing, what, timeout=60):
        """Reads until `showing(window, children)` holds; returns that reading."""
        return wait_for(lambda: (lambda t: t if t and showing(*t) else None)(self.tree()), timeout, what, 0.1)

    def start(self, *args):
        return subprocess.Popen(["wine", "T:\\reader_probe.exe", *args], env=self.prefix.env(self.display),
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)

    def press(self, name):
        out = self.prefix.wine("T:\\reader_probe.exe", "press", name, display=self.display, check=False)
        check(out.returncode == 0, f"default action of {name!r}: {out.stdout.strip()}")


def named(children, name):
    found = [c for c in children if c["name"] == name]
    return found[0] if found else None


def live(children, name):
    child = named(children, name)
    return child is not None and UNAVAILABLE not in child["states"]


def buttons(children):
    return [(c["name"], UNAVAILABLE not in c["states"]) for c in children if c["role"] == "push button"]


def test_install_and_uninstall_by_default_actions_alone():
    with cd_scenario("reader", DEMO_PACKAGE) as (display, prefix, cd), running(prefix, display) as run:
        probe = Probe(prefix, display)

        window, menu = probe.wait(lambda w, c: live(c, "Install"), "the live menu")
        check(window["name"] == "Marvolen Setup" and window["role"] == "client", f"the window: {window}")
        check(buttons(menu) == [("Install", True), ("Marvolen in WWW", True), ("Reinstall", False),
                                ("Uninstall", False), ("Install DirectX 7.0", True), ("Exit", True)],
              f"the menu before an installation: {buttons(menu)}")
        check(all(c["hit"] == c["id"] for c in menu), "each button's centre hits that button")
        check([c["next"] for c in menu] == [2, 3, 4, 5, 6, -1], "navigation goes through the buttons in order")

        probe.press("Install")
        window, destination = probe.wait(lambda w, c: named(c, "Create Desktop Icon"), "the destination screen")
        texts = [c["name"] for c in destination if c["role"] == "static text"]
        check(window["description"] == "Marvolen will be installed in the Folder below", f"heading: {window}")
        check(len(texts) == 4 and texts[1].endswith("\\Marvolen") and texts[2].startswith("Available Space")
              and texts[2].rstrip().endswith("MB") and texts[3] == "Free Space required: 500MB",
              f"the folder and the space lines: {texts}")
        box = named(destination, "Create Desktop Icon")
        check(box["role"] == "check button" and "checked" not in box["states"], f"the check box: {box}")
        probe.press("Create Desktop Icon")
        probe.wait(lambda w, c: "checked" in named(c, "Create Desktop Icon")["states"], "the box ticked", 10)

        # Cancel, pressed as soon as it can be, asks; the question is a dialog the reader can
        # answer. A watcher then notes every value of the progress until it has gone.
        cancel = probe.start("press", "Cancel")
        probe.press("Continue")
        check(cancel.wait(120) == 0, f"Cancel's default action: {cancel.stdout.read()}")
        window, question = probe.wait(lambda w, c: w["role"] == "dialog", "the abort question", 20)
        check(window["description"] == "Are you sure you want to abort the Setup?"
              and [c["name"] for c in question] == ["Yes", "No", "Are you sure you want to abort the Setup?"],
              f"the abort question: {window}, {question}")
        watcher = probe.start("progress")
        check(watcher.stdout.readline().strip() == "watching", "the progress watcher ready")
        probe.press("No")
        values = [int(v.rstrip("%")) for v in watcher.communicate(timeout=300)[0].split()]
        check(len(values) >= 4 and values == sorted(values) and len(set(values)) == len(values),
              f"the progress values rise: {values}")
        window, finish = probe.wait(lambda w, c: live(c, "Setup Menu"), "the finish screen", 180)
        check([c["name"] for c in finish if c["role"] == "static text"][0] ==
              "Marvolen have been successfully installed!", f"the finish heading: {finish}")
        check(key_exists(prefix, RECORD) and desktop_link(prefix).exists(), "installed, with the desktop icon")

        # Back to the menu, and the uninstall: question, Yes, the message, OK.
        probe.press("Setup Menu")
        window, menu = probe.wait(lambda w, c: live(c, "Uninstall"), "the menu after installing")
        check(buttons(menu)[:4] == [("Play", True), ("Marvolen in WWW", True), ("Reinstall", True),
                                    ("Uninstall", True)], f"the menu after installing: {buttons(menu)}")
        probe.press("Uninstall")
        probe.wait(lambda w, c: w["role"] == "dialog" and named(c, "Yes"), "the uninstall question", 20)
        probe.press("Yes")
        window, message = probe.wait(lambda w, c: w["role"] == "dialog" and named(c, "OK"), "the message", 60)
        check(named(message, "Marvolen have been uninstalled!"), f"the message's text: {message}")
        check(not game_folder(prefix).exists() and not key_exists(prefix, RECORD), "uninstalled")
        probe.press("OK")
        window, menu = probe.wait(lambda w, c: w["role"] == "client" and live(c, "Install"), "the menu again", 20)
        check(not live(menu, "Uninstall"), "Uninstall unavailable again")
        probe.press("Exit")
        check(run.wait_exit() == 0, "Exit's default action ends the program")


if __name__ == "__main__":
    main([test_install_and_uninstall_by_default_actions_alone])
