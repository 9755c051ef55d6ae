"""The window on screens of 150 % and 200 %: Wine told the scale as Windows keeps it
(HKCU\\Control Panel\\Desktop, LogPixels), the real program drawn at it: the frame's size, every
label read back, each button lit by the pointer at its scaled centre, pictures that are drawn at
twice the size rather than stretched, and a screen reader's places in the window's pixels."""

import subprocess
import tempfile

from setup_driver import (BUILD, DEMO_PACKAGE, HIGHLIGHT, LAYOUT, MAIN_MENU_RECTS, NORMAL, Background, Display,
                          Prefix, check, check_reads, main, make_cd, running, wait_for)

MENU_LABELS = ["Install", "Marvolen in WWW", "Reinstall", "Uninstall", "Install DirectX 7.0", "Exit"]
DESTINATION_LABELS = ["Browse...", "Back", "Continue"]


def scaled(value, dpi):
    """A layout coordinate at the scale, as the program rounds it: half up."""
    return (value * dpi + 48) // 96


def scaled_rect(rect, dpi):
    return tuple(scaled(v, dpi) for v in rect)


def uneven_blocks(frame, rect):
    """The share of the 2 x 2 pixel blocks inside `rect` whose four pixels are not all the same: a
    picture drawn at twice its size has detail inside blocks, a stretched one has none."""
    left, top, right, bottom = rect
    blocks = uneven = 0
    for y in range(top - top % 2, bottom - 1, 2):
        for x in range(left - left % 2, right - 1, 2):
            corner = frame.at(x, y)
            blocks += 1
            uneven += any(frame.at(x + dx, y + dy) != corner for dx, dy in ((1, 0), (0, 1), (1, 1)))
    return uneven / blocks


def locations(prefix, display):
    """What a screen reader is told of the window's buttons: name -> (left, top, width, height) on
    the screen (tests/probe/reader_probe.cpp)."""
    out = prefix.wine("T:\\reader_probe.exe", "tree", display=display, check=False)
    found = {}
    for line in out.stdout.splitlines()[1:]:
        fields = line.split("|")
        if len(fields) == 8 and fields[1] == "push button":
            found[fields[3]] = tuple(int(n) for n in fields[5].split(","))
    return found


def at_scale(dpi):
    display = Display(1600, 1200)
    prefix = Prefix(f"scale{dpi}")
    try:
        prefix.wine("reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                    str(dpi), "/f")
        subprocess.run(["wineserver", "-w"], env=prefix.env(), check=True, timeout=60)   # read at the server's next start
        prefix.map_drive("t", BUILD / "tests")
        with tempfile.TemporaryDirectory() as cd:
            make_cd(cd, DEMO_PACKAGE)
            prefix.map_drive("d", cd)
            with running(prefix, display) as run:
                width, height = scaled(LAYOUT["FrameWidth"], dpi), scaled(LAYOUT["FrameHeight"], dpi)
                check(run.position[2:] == (width, height), f"at {dpi} dpi the window is {width} x {height}: {run.position[2:]}")
                run.wait_live()
                # The labels come a moment after the undimmed picture: the frame once it holds still.
                labels = [scaled_rect(r, dpi) for r in MAIN_MENU_RECTS]
                ink = lambda f: [f.count(r, NORMAL) + f.count(r, LAYOUT["DisabledColour"]) for r in labels]
                last = [None]
                def still():
                    frame = run.frame()
                    settled = ink(frame) == last[0] and min(last[0]) > 50
                    last[0] = ink(frame)
                    return frame if settled else None
                menu = wait_for(still, 10, f"the menu's labels at {dpi} dpi")

                # Every label whole, at the scale.
                for rect, label in zip(MAIN_MENU_RECTS, MENU_LABELS):
                    area = scaled_rect(rect, dpi)
                    colour = NORMAL if menu.count(area, NORMAL) else LAYOUT["DisabledColour"]
                    check_reads(menu, area, label, f"{label} at {dpi} dpi", colour=colour, drawn_at=dpi / 96)

                # The pictures: drawn at the scale, not a 96-dpi frame enlarged. Outside the
                # buttons, the menu's background has fine detail inside its pixel blocks.
                if dpi == 192:
                    art = (0, 0, scaled(340, dpi), height)   # the picture left of the buttons
                    share = uneven_blocks(menu, art)
                    check(share > 0.2, f"the 200 % frame has detail within its 2 x 2 blocks: {share:.2f}")
                    background = Background(130)
                    same = sum(menu.at(x, y) == background.at(x // 2, y // 2)
                               for y in range(1, height, 17) for x in range(1, scaled(340, dpi), 13))
                    total = len(range(1, height, 17)) * len(range(1, scaled(340, dpi), 13))
                    check(same < 0.9 * total, "the 200 % frame is not the 100 % picture doubled")

                # A screen reader is told each button's place in the window's pixels.
                told = locations(prefix, display)
                x0, y0 = run.position[0] + 1, run.position[1] + 1
                for rect, label in zip(MAIN_MENU_RECTS, MENU_LABELS):
                    left, top, right, bottom = scaled_rect(rect, dpi)
                    check(told.get(label) == (x0 + left, y0 + top, right - left, bottom - top),
                          f"{label}'s place told to a reader at {dpi} dpi: {told.get(label)}")

                # The pointer at each live button's scaled centre lights that button, and only it.
                for index in (0, 1, 4, 5):
                    area = scaled_rect(MAIN_MENU_RECTS[index], dpi)
                    run.move((area[0] + area[2]) // 2, (area[1] + area[3]) // 2)
                    others = [scaled_rect(r, dpi) for i, r in enumerate(MAIN_MENU_RECTS) if i != index]
                    # The new one lights before the old one goes dark: the frame once both are shown.
                    wait_for(lambda: (lambda f: f.count(area, HIGHLIGHT) > 20 and
                                      all(f.count(r, HIGHLIGHT) == 0 for r in others))(run.frame()),
                             10, f"only {MENU_LABELS[index]} lit at {dpi} dpi")

                # Install, pressed at its scaled place, leads to the destination screen at the scale.
                area = scaled_rect(MAIN_MENU_RECTS[0], dpi)
                run.move((area[0] + area[2]) // 2, (area[1] + area[3]) // 2)
                wait_for(lambda: run.frame().count(area, HIGHLIGHT) > 20, 10, "Install lit")
                run.click((area[0] + area[2]) // 2, (area[1] + area[3]) // 2)
                rects = LAYOUT["DestinationRects"]
                destination = wait_for(
                    lambda: (lambda f: f if f.count(scaled_rect(rects[2], dpi), NORMAL) > 20 else None)(run.frame()),
                    30, f"the destination screen at {dpi} dpi")
                for rect, label in zip(rects, DESTINATION_LABELS):
                    check_reads(destination, scaled_rect(rect, dpi), label, f"{label} at {dpi} dpi", colour=NORMAL,
                                drawn_at=dpi / 96)
                check_reads(destination, scaled_rect(LAYOUT["InstallFolderHeading"], dpi),
                            "Marvolen will be installed in the Folder below", f"the heading at {dpi} dpi",
                            colour=LAYOUT["TextBlack"], drawn_at=dpi / 96)
    finally:
        prefix.close()
        display.close()


def test_the_window_at_150_percent():
    at_scale(144)


def test_the_window_at_200_percent():
    at_scale(192)


if __name__ == "__main__":
    main([test_the_window_at_150_percent, test_the_window_at_200_percent])
