#!/usr/bin/env python3
"""Writes the Procreate swatches of this folder as Procreate lays them out: a ZIP archive
holding Swatches.json, a list of palettes, each a name and its swatches (hue, saturation,
brightness and alpha as fractions of 1, and colorSpace, 0 for sRGB), null for an empty place."""
import json
import zipfile


def archive(name, entries):
    with zipfile.ZipFile(name, "w", zipfile.ZIP_DEFLATED) as out:
        for entry, data in entries:
            out.writestr(zipfile.ZipInfo(entry, (1980, 1, 1, 0, 0, 0)), data,
                         zipfile.ZIP_DEFLATED)


def swatches(name, palettes):
    archive(name, [("Swatches.json", json.dumps(palettes))])


def swatch(h, s, b, a=1, space=None):
    colour = {"hue": h, "saturation": s, "brightness": b, "alpha": a}
    if space is not None:
        colour["colorSpace"] = space
    return colour


warm = [swatch(0, 1, 1), swatch(0.5, 0.5, 0.8), swatch(1 / 12, 0.75, 0.9, 0.5),
        swatch(0.3, 0, 0.25), swatch(0.75, 1, 0.5)]
swatches("classic.swatches", [{"name": "Warm \u2600", "swatches": warm}])
swatches("procreate5.swatches",
         [{"name": "Five", "swatches": [dict(c, colorSpace=0) for c in warm] + [None] * 25}])
swatches("display-p3.swatches",
         [{"name": "P3", "swatches": [swatch(0, 1, 1, 1, 1), swatch(0.5, 1, 1, 1, 0)]}])
swatches("empty-places.swatches",
         [{"name": "Gaps", "swatches": [None, swatch(0, 1, 1), None, None, swatch(0.5, 1, 1), None]}])
swatches("two-palettes.swatches", [{"name": "First", "swatches": [swatch(0, 0, 1)]},
                                   {"name": "Second", "swatches": [swatch(0, 0, 0)]}])
archive("object.swatches", [("Swatches.json", json.dumps({"name": "Old", "swatches": warm[:2]}))])
swatches("hue-string.swatches", [{"name": "Bad", "swatches": [swatch(0, 1, 1), swatch("0.5", 1, 1)]}])
swatches("hue-beyond.swatches", [{"name": "Bad", "swatches": [swatch(0, 1, 1), swatch(1.5, 1, 1)]}])
archive("cut-json.swatches", [("Swatches.json", json.dumps([{"name": "Cut", "swatches": warm}])[:60])])
archive("no-swatches.swatches", [("Document.archive", "not a palette")])
swatches("palette-not-object.swatches", [["Warm", warm]])
