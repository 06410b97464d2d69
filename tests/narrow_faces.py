#!/usr/bin/env python3
"""Runs a command on a machine whose only font family has two narrower faces
of each weight, as no Debian family has: DejaVu Sans regular and bold, and
each again semi-condensed and condensed, their letters set closer (advance
widths scaled, width class set), made with fontTools into FOLDER with a font
configuration that holds nothing else.

Usage: narrow_faces.py FOLDER COMMAND...
"""

import os
import sys
from pathlib import Path

from fontTools.ttLib import TTFont

FAMILY = "KZD Narrowing Sans"
SOURCES = {"": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
           "Bold": "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"}
# Style, OS/2 width class and how much narrower the letters are set.
WIDTHS = [("", 5, 1.0), ("SemiCondensed", 4, 0.92), ("Condensed", 3, 0.84)]


def make(folder):
    for weight, source in SOURCES.items():
        for width, width_class, scale in WIDTHS:
            style = " ".join(word for word in (weight, width) if word) or "Regular"
            path = folder / f"{FAMILY}-{style}.ttf".replace(" ", "")
            if path.exists():
                continue
            font = TTFont(source, lazy=True)
            metrics = font["hmtx"].metrics
            for glyph, (advance, left) in metrics.items():
                metrics[glyph] = (round(advance * scale), round(left * scale))
            font["hhea"].advanceWidthMax = max(advance for advance, _ in metrics.values())
            font["OS/2"].usWidthClass = width_class
            font["OS/2"].xAvgCharWidth = round(font["OS/2"].xAvgCharWidth * scale)
            names = font["name"]
            names.names = [n for n in names.names if n.nameID not in (1, 2, 3, 4, 6, 16, 17, 21, 22)]
            legacy = f"{FAMILY} {width}".strip()
            for name_id, text in [(1, legacy), (2, weight or "Regular"), (3, f"{FAMILY} {style}"),
                                  (4, f"{FAMILY} {style}"), (6, f"{FAMILY}-{style}".replace(" ", "")),
                                  (16, FAMILY), (17, style)]:
                names.setName(text, name_id, 3, 1, 0x409)
            partial = path.with_suffix(".part")
            font.save(partial)
            partial.rename(path)
    config = folder / "fonts.conf"
    config.write_text(f"""<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>{folder}</dir>
  <cachedir>{folder}/cache</cachedir>
</fontconfig>
""")
    return config


def main():
    folder = Path(sys.argv[1]).resolve()
    folder.mkdir(parents=True, exist_ok=True)
    os.environ["FONTCONFIG_FILE"] = str(make(folder))
    os.execvp(sys.argv[2], sys.argv[2:])


if __name__ == "__main__":
    main()
