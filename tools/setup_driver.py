"""The driver of the real setup.exe under Wine, on an Xvfb display of its own: prefixes, drives,
the window found, moved over and clicked with xdotool, screenshots read back as frames. The
end-to-end tests, the demo (`make run`) and the benchmark all drive the program through it."""

import contextlib
import difflib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
BUILD = Path(os.environ.get("MARVOLEN_BUILD", REPO / "build")).resolve()
WINE_ENV = REPO / "tests" / "wine-env.sh"
# The kind of prefix the build's programs need (tests/wine-env.sh): win64 for the x86-64 test build.
WINEARCH = os.environ.get("MARVOLEN_WINEARCH", "win64" if BUILD.name == "x86_64" else "win32")

TITLE = "Marvolen Setup"


def read_layout_table():
    """The program's own layout table (ui/layout_table.h): every RECT by name as (left, top,
    right, bottom) or a list of them, every Placement as the rectangle it covers, every COLORREF by name as (R, G, B), every int constant."""
    text = (REPO / "ui" / "layout_table.h").read_text()
    table = {}
    for name, body in re.findall(r"constexpr RECT (\w+)(?:\[\d+\])? = \{(.*?)\};", text, re.S):
        rects = [tuple(int(n) for n in r.split(",")) for r in re.findall(r"\{([-\d,\s]+)\}", body)]
        table[name] = rects if "{" in body else tuple(int(n) for n in body.split(","))
    for name, x, y, width, height in re.findall(r"constexpr Placement (\w+) = \{(\d+), (\d+), (\d+), (\d+)\};", text):
        table[name] = (int(x), int(y), int(x) + int(width), int(y) + int(height))
    for name, value in re.findall(r"constexpr COLORREF (\w+) = (0x[0-9A-Fa-f]+);", text):
        value = int(value, 16)
        table[name] = (value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF)
    for name, value in re.findall(r"constexpr int (\w+) = (\d+);", text):
        table[name] = int(value)
    return table


def read_defines(header):
    """The numbered #defines of one of the program's headers, by name."""
    return {name: int(value) for name, value in
            re.findall(r"^#define (\w+)[ \t]+(\d+)[ \t]*$", (REPO / header).read_text(), re.M)}


LAYOUT = read_layout_table()
# The work area a run keeps in a folder that stood before it, as the program names it.
WORK_AREA = re.search(r'WorkAreaName\[\] = L"\\\\(.*?)";', (REPO / "base" / "names.h").read_text()).group(1)
IDS = read_defines("resources/resource_ids.h")   # a screen is known by its background's id
_version = read_defines("base/version.h")
VERSION = f"{_version['MARVOLEN_VERSION_MAJOR']}.{_version['MARVOLEN_VERSION_MINOR']}"
FRAME_W, FRAME_H = LAYOUT["FrameWidth"], LAYOUT["FrameHeight"]

# Label colours as (R, G, B), as a screenshot shows them.
NORMAL, HIGHLIGHT, DISABLED = LAYOUT["NormalColour"], LAYOUT["HighlightColour"], LAYOUT["DisabledColour"]
STATUS_TEXT, BLACK = LAYOUT["StatusTextColour"], LAYOUT["TextBlack"]

MAIN_MENU_RECTS = LAYOUT["MainMenuRects"]
BROWSE, BACK, CONTINUE, CHECK_BOX = LAYOUT["DestinationRects"]
(CANCEL,) = LAYOUT["ProgressRects"]
FINISH_RECTS = LAYOUT["FinishRects"]
YES, NO = LAYOUT["QuestionRects"]
(OK,) = LAYOUT["MessageRects"]
# Where texts are drawn: a prompt's question or message, the finish screen's heading and body,
# the destination screen's folder and free space.
PROMPT_TEXT = LAYOUT["PromptText"]
FINISH_HEADING, FINISH_BODY = LAYOUT["FinishHeading"], LAYOUT["FinishBody"]
PATH_LINE, FREE_SPACE_LINE = LAYOUT["InstallPathLine"], LAYOUT["FreeSpaceLine"]


def union(*rects):
    return (min(r[0] for r in rects), min(r[1] for r in rects), max(r[2] for r in rects), max(r[3] for r in rects))


# Where each screen draws over its background: texts, buttons, pictures.
DRAWN = {
    IDS["IDB_MAIN_MENU"]: MAIN_MENU_RECTS,
    IDS["IDB_DESTINATION"]: LAYOUT["DestinationRects"] + [
        LAYOUT["DesktopIconLabel"], union(LAYOUT["InstallFolderHeading"], PATH_LINE),
        union(FREE_SPACE_LINE, LAYOUT["SpaceRequiredLine"])],
    IDS["IDB_PROGRESS"]: [CANCEL, LAYOUT["MapPicture"], LAYOUT["Strip"]],
    IDS["IDB_FINISH"]: FINISH_RECTS + [union(FINISH_HEADING, FINISH_BODY)],
}


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, timeout, what, interval=0.2):
    """Polls until predicate() returns something true; fails with `what` after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout}s waiting for {what}")
        time.sleep(interval)


def wine_env_call(script):
    """Runs a snippet with the shell helpers of tests/wine-env.sh and returns its output."""
    env = dict(os.environ, MARVOLEN_BUILD=str(BUILD), MARVOLEN_WINEARCH=WINEARCH)
    return subprocess.run(["bash", "-c", f'source "{WINE_ENV}"; {script}'], env=env, check=True,
                          capture_output=True, text=True).stdout.strip()


class Display:
    """An Xvfb server of the given depth on a free display number."""

    def __init__(self, width=1024, height=768, depth=24):
        self.width, self.height, self.depth = width, height, depth
        # Xvfb picks a free display number itself and reports it: no race with parallel tests.
        # Without -noreset the server resets whenever its last client leaves, and drops any client
        # that connected meanwhile: with the window polled every 10 ms by a short-lived xdotool,
        # Wine's own connection was dropped now and then, and the program could not open a window.
        # A reset also put the pointer back in the middle of the screen, over the window.
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x{depth}", "-nolisten", "tcp",
             "-noreset"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as report:
            number = report.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        self.name = f":{number}"

    def run(self, *args, **kw):
        env = dict(os.environ, DISPLAY=self.name)
        return subprocess.run(list(args), env=env, check=True, capture_output=True, **kw)

    def windows_named(self, pattern):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                               env=dict(os.environ, DISPLAY=self.name), capture_output=True, text=True)
        return found.stdout.split()

    def screenshot(self):
        raw = self.run("import", "-window", "root", "-depth", "8", "rgb:-").stdout
        return Screen(raw, self.width, self.height)

    def save_png(self, path):
        Path(path).parent.mkdir(parents=True, exist_ok=True)
        self.run("import", "-window", "root", str(path))

    def close(self):
        self.process.terminate()
        self.process.wait(10)


class Screen:
    def __init__(self, raw, width, height):
        self.raw, self.width, self.height = raw, width, height

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.raw[i:i + 3])


class Frame:
    """The setup window's client area in a screenshot: pixel (0, 0) is one pixel inside its
    top-left corner, inside the border."""

    def __init__(self, screen, origin):
        self.screen, self.ox, self.oy = screen, origin[0], origin[1]

    def at(self, x, y):
        return self.screen.at(self.ox + x, self.oy + y)

    def count(self, rect, colour):
        left, top, right, bottom = rect
        return sum(self.at(x, y) == colour for y in range(top, bottom) for x in range(left, right))

    def dimmed(self):
        """True when every sampled pixel with even x + y is black: the busy checkerboard. The
        samples avoid the bands where the status and prompt panels lie, which are never dimmed."""
        rows = list(range(0, 115, 7)) + list(range(305, 478, 7))
        samples = [(x, y) for y in rows for x in range(0, 638, 13) if (x + y) % 2 == 0]
        return all(self.at(x, y) == BLACK for x, y in samples)


def read_texts(frame, rect, colour=BLACK, lines=1, drawn_at=1, language="eng", allowed=None):
    """The words drawn in one colour inside a rectangle of the frame, as tesseract reads them at a
    few enlargements (OCR of small screen text errs now and then at one scale, rarely at all).
    Text the window draws at a larger scale (`drawn_at`, 2 at 200 %) is enlarged that much less."""
    return [read_text(frame, rect, colour, lines, round(scale / drawn_at), language, allowed)
            for scale in (400, 300, 500)]


def read_text(frame, rect, colour=BLACK, lines=1, scale=400, language="eng", allowed=None):
    """The words drawn in one colour inside a rectangle of the frame, as tesseract reads them: only
    pixels of that colour kept, enlarged and softened, as OCR reads small screen text best.
    `language` names tesseract's data: eng, deu, fra, rus; `allowed`, the only characters it may
    read (a figure among words whose letters look like digits)."""
    left, top, right, bottom = rect
    width, height = right - left, bottom - top
    pixels = bytearray()
    for y in range(top, bottom):
        for x in range(left, right):
            pixels += b"\0\0\0" if frame.at(x, y) == colour else b"\xff\xff\xff"
    with tempfile.TemporaryDirectory() as scratch:
        image = Path(scratch) / "text.png"
        subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", "rgb:-", "-resize", f"{scale}%",
                        "-bordercolor", "white", "-border", "20", "-blur", "0x1", str(image)],
                       input=bytes(pixels), check=True, capture_output=True)
        only = ["-c", f"tessedit_char_whitelist={allowed}"] if allowed else []
        read = subprocess.run(["tesseract", str(image), "-", "--psm", "7" if lines == 1 else "6", "-l", language, *only],
                              capture_output=True, text=True, check=True)
    return " ".join(read.stdout.split())


def check_reads(frame, rect, expected, what, colour=BLACK, lines=1, drawn_at=1, language="eng"):
    """Checks that the player reads the expected words there. Spaces and case aside, a reading may
    differ from them by about one character in twenty: OCR slips, a wrong text differs by more."""
    def plain(text):
        return "".join(text.split()).casefold()
    readings = read_texts(frame, rect, colour, lines, drawn_at, language)
    check(any(difflib.SequenceMatcher(None, plain(r), plain(expected)).ratio() >= 0.9 for r in readings),
          f"{what} reads {expected!r}: read {readings!r}")


class Prefix:
    """A fresh Wine prefix, thrown away on close."""

    def __init__(self, name):
        self.path = Path(wine_env_call(f"new_prefix {name}"))
        self.drive_c = self.path / "drive_c"
        self.windows = self.drive_c / "windows"
        self.system32 = self.windows / "system32"
        # Wine's choices of library for every program run in the prefix; a test may add its own.
        self.dll_overrides = ["winemenubuilder.exe=d", "mscoree=", "mshtml=", "winedbg.exe=d"]
        # The player's locale, from which Wine takes the code pages and the user's language.
        self.locale = os.environ.get("MARVOLEN_LOCALE", "C.UTF-8")

    def map_drive(self, letter, folder):
        wine_env_call(f'map_drive "{self.path}" {letter} "{folder}"')

    def env(self, display=None):
        # LC_ALL: Wine's code pages and language from the locale, the same on every machine
        # (tests/wine-env.sh) unless a test asks for another.
        env = dict(os.environ, WINEPREFIX=str(self.path), WINEARCH=WINEARCH, WINEDEBUG="-all", LC_ALL=self.locale,
                   WINEDLLOVERRIDES=";".join(self.dll_overrides))
        if WINEARCH == "win64":   # the 64-bit loader in front, as tests/wine-env.sh sets it up
            env["PATH"] = f"{BUILD / 'wine' / 'bin-win64'}:{env['PATH']}"
            env["WINELOADER"] = "/usr/lib/wine/wine64"
        if display:
            env["DISPLAY"] = display.name
        return env

    def wine(self, *args, display=None, check=True, cwd=None):
        """Runs a Wine command; `cwd`, a host folder, is its working directory as Wine maps it."""
        return subprocess.run(["wine", *args], env=self.env(display), capture_output=True, text=True,
                              check=check, timeout=120, cwd=cwd)

    def reg_query(self, key, value=None):
        args = ["reg", "query", key] + (["/v", value] if value else [])
        return self.wine(*args, check=False)

    def close(self):
        wine_env_call(f'drop_prefix "{self.path}"')


PACKAGES = BUILD / "tests" / "packages"
DEMO_PACKAGE = BUILD / "cd" / "tsetup.pkg"


def make_cd(folder, package=None):
    """A CD folder holding the built setup.exe and, when given, a package as tsetup.pkg, with
    the demo CD's ReadMe and DirectX setup beside it."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy2(BUILD / "setup.exe", folder / "setup.exe")
    if package:
        shutil.copy2(package, folder / "tsetup.pkg")
        shutil.copy2(BUILD / "cd" / "ReadMe.txt", folder / "ReadMe.txt")
        shutil.copytree(BUILD / "cd" / "DirectX", folder / "DirectX", dirs_exist_ok=True)
    return folder


class Background:
    """A screen's background bitmap as built, to recognise the screen on a screenshot."""

    def __init__(self, screen_id):
        data = (BUILD / "art" / f"{screen_id}.bmp").read_bytes()
        offset, = struct.unpack_from("<I", data, 10)
        self.width, height = struct.unpack_from("<ii", data, 18)
        self.height = abs(height)
        self.bottom_up = height > 0
        self.palette = [tuple(data[54 + 4 * i:57 + 4 * i][::-1]) for i in range(256)]
        self.stride = (self.width + 3) & ~3
        self.pixels = data[offset:]

    def at(self, x, y):
        row = self.height - 1 - y if self.bottom_up else y
        return self.palette[self.pixels[row * self.stride + x]]


def shows(frame, screen_id, free_of=()):
    """True when the frame shows the screen's background, undimmed, at sample points outside
    the given rectangles (where texts, buttons and pictures are drawn)."""
    background = Background(screen_id)
    points = [(x, y) for y in range(13, 470, 37) for x in range(9, 632, 41)
              if not any(l <= x < r and t <= y < b for l, t, r, b in free_of)]
    matching = sum(frame.at(x, y) == background.at(x, y) for x, y in points)
    return matching >= 0.9 * len(points)


def on(run, screen_id, timeout=60):
    """Waits until the window shows the screen, live; returns that frame."""
    return run.wait_frame(lambda f: not f.dimmed() and shows(f, screen_id, DRAWN[screen_id]), timeout,
                          f"screen {screen_id}")


class SetupRun:
    """One run of the program: started, found on screen, driven, and ended."""

    def __init__(self, prefix, display, command="D:\\setup.exe"):
        self.prefix, self.display = prefix, display
        display.run("xdotool", "mousemove", "0", "0")   # no button starts out under the pointer
        # What Wine says on its way (its own failures, not the program's), for the failure messages.
        self._errors = tempfile.TemporaryFile()
        env = dict(prefix.env(display), WINEDEBUG="-all,err+all")
        arguments = [command] if isinstance(command, str) else list(command)   # the program, and its switches
        self.process = subprocess.Popen(["wine", *arguments], env=env, stdout=subprocess.DEVNULL, stderr=self._errors)
        self.window = wait_for(self._find_window, 60, "the setup window", interval=0.01)
        self.shown_at = time.monotonic()   # within some 20 ms of the window appearing
        self.position = self._position()
        # Windows gives a new program's window the keyboard; here no window manager does, and the
        # keys would go to whatever lies under the pointer (kept off the window, at 0, 0).
        display.run("xdotool", "windowfocus", self.window)

    def _find_window(self):
        if self.process.poll() is not None:
            raise Failure(f"setup exited early with code {self.process.returncode}{self.said()}")
        ids = self.display.windows_named(f"^{TITLE}$")
        return ids[0] if ids else None

    def _position(self):
        out = self.display.run("xdotool", "getwindowgeometry", "--shell", self.window, text=True).stdout
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def frame(self):
        x, y = self.position[0], self.position[1]
        return Frame(self.display.screenshot(), (x + 1, y + 1))

    def wait_frame(self, showing, timeout, what):
        """Takes frames until one satisfies `showing`, and returns it."""
        return wait_for(lambda: (lambda f: f if showing(f) else None)(self.frame()), timeout, what)

    def wait_live(self, timeout=30):
        """Waits until start-up has ended: the menu is no longer dimmed."""
        return wait_for(lambda: (lambda f: None if f.dimmed() else f)(self.frame()), timeout, "the live menu")

    def move(self, x, y):
        self.display.run("xdotool", "mousemove", "--sync", str(self.position[0] + 1 + x),
                         str(self.position[1] + 1 + y))

    def click(self, x, y):
        self.move(x, y)
        self.display.run("xdotool", "click", "1")

    def click_button(self, rect, settle=0.5, labelled=True):
        """Moves onto a button (which lights it) and presses it. A button without a label (the
        check box) cannot be seen to light up, so for it a short pause stands in."""
        left, top, right, bottom = rect
        cx, cy = (left + right) // 2, (top + bottom) // 2
        self.move(cx - 5, cy)
        if labelled:
            wait_for(lambda: self.frame().count(rect, HIGHLIGHT) > 0, 10, f"button {rect} to light up")
        else:
            time.sleep(0.5)
        self.click(cx, cy)
        time.sleep(settle)

    def said(self):
        self._errors.seek(0)
        lines = self._errors.read().decode(errors="replace").strip().splitlines()
        return "; Wine said: " + " | ".join(lines[-6:]) if lines else ""

    def wait_exit(self, timeout=30):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"setup did not exit{self.said()}")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)


@contextlib.contextmanager
def scenario(name, depth=24):
    """A display and a prefix for one scenario, released whatever happens."""
    display = Display(depth=depth)
    prefix = Prefix(name)
    try:
        yield display, prefix
    finally:
        prefix.close()
        display.close()


@contextlib.contextmanager
def cd_scenario(name, package=None, depth=24):
    """A scenario whose CD folder (setup.exe and, when given, the package) is drive D:."""
    with scenario(name, depth) as (display, prefix), tempfile.TemporaryDirectory() as cd:
        make_cd(cd, package)
        prefix.map_drive("d", cd)
        yield display, prefix, Path(cd)


@contextlib.contextmanager
def running(prefix, display, command="D:\\setup.exe"):
    """The program started; killed on the way out if it is still there."""
    run = SetupRun(prefix, display, command)
    try:
        yield run
    finally:
        run.kill()


def main(tests):
    """Runs the given test functions; prints one line each and the closing count."""
    passed = failed = 0
    for test in tests:
        started = time.monotonic()
        try:
            test()
            passed += 1
            print(f"PASS {test.__name__} ({time.monotonic() - started:.1f}s)", flush=True)
        except Exception as error:  # a failure of any kind is reported, then the next test runs
            failed += 1
            print(f"FAIL {test.__name__}: {error}", flush=True)
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)
