#!/usr/bin/python3
"""Makes the typeface the setup carries for its labels: Liberation Sans Bold (Debian's
fonts-liberation2), whose widths are those the layout was drawn for, cut down to the scripts of the
setup's languages (printable ASCII, Latin-1, Latin Extended-A and basic Cyrillic) and renamed
"Marvolen Label".

The cut keeps the program small; the new name keeps Windows from ever confusing the private copy
with a Liberation face installed on the machine, and the font's licence reserves its name to
the unmodified font. The result is committed (resources/font/), so every build carries the same bytes; run this
again only to change the character set.   Needs: fonttools, fonts-liberation2.
"""
import sys
from fontTools import subset
from fontTools.ttLib import TTFont

SOURCE = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"
FAMILY = "Marvolen Label"
# Printable ASCII, Latin-1 and Latin Extended-A (Western, Central and Eastern Europe: German,
# French, Spanish, Italian, Polish) and Cyrillic as Russian and its neighbours write it: every
# text of every language of the program, and most folder names of Europe. A text with any other
# character is drawn in the system's dialog font instead.
CHARACTERS = (list(range(0x20, 0x7F)) + list(range(0xA0, 0x180)) + list(range(0x400, 0x460)) +
              [0x490, 0x491, 0x2116])


def main(target):
    options = subset.Options()
    options.hinting = True                  # the labels are drawn unsmoothed: keep the hints
    options.name_IDs = [0, 1, 2, 3, 4, 5, 6, 13, 14]
    options.notdef_outline = True
    options.drop_tables += ["FFTM", "GPOS", "GSUB", "GDEF"]
    font = TTFont(SOURCE, recalcTimestamp=False)   # the same bytes at every run
    cutter = subset.Subsetter(options)
    cutter.populate(unicodes=CHARACTERS)
    cutter.subset(font)
    names = font["name"]
    for record in names.names:
        if record.nameID in (1, 16):
            record.string = FAMILY
        elif record.nameID == 3:
            record.string = FAMILY + " Bold; subset of Liberation Sans Bold"
        elif record.nameID == 4:
            record.string = FAMILY + " Bold"
        elif record.nameID == 6:
            record.string = "MarvolenLabel-Bold"
    # It now covers the Latin 1, Latin 2 and Cyrillic code pages' letters alone: say so, so that
    # no font mapper picks it for another script.
    font["OS/2"].ulCodePageRange1 = 0b111
    font["OS/2"].ulCodePageRange2 = 0
    font.save(target)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/font/MarvolenLabel-Bold.ttf")
