#!/usr/bin/python3
"""Writes the swatch files of this corpus that mix colour models, as Photoshop and Adobe's
applications lay them out (Photoshop swatches: a version 1 section, then version 2 with names;
Adobe swatch exchange 1.0). The .expect files beside them come from palconv and were checked
against Pillow's ImageCms (LittleCMS) within 1 per channel; see tests/unit/colour_test.cpp."""
import struct


def utf16(name):
    return struct.pack('>I', len(name) + 1) + (name + '\0').encode('utf-16-be')


def aco(name, colours):
    """colours: (space, (w, x, y, z), name)."""
    out = b''
    for version in (1, 2):
        out += struct.pack('>HH', version, len(colours))
        for space, values, title in colours:
            out += struct.pack('>H4H', space, *values)
            if version == 2:
                out += utf16(title)
    open(name, 'wb').write(out)


def ase(name, colours):
    """colours: (model, floats, kind, name); kind 0 global, 1 spot, 2 normal."""
    out = b'ASEF' + struct.pack('>HHI', 1, 0, len(colours))
    for model, values, kind, title in colours:
        body = struct.pack('>H', len(title) + 1) + (title + '\0').encode('utf-16-be') + model + \
            struct.pack('>%df' % len(values), *values) + struct.pack('>H', kind)
        out += struct.pack('>HI', 1, len(body)) + body
    open(name, 'wb').write(out)


def signed(value):
    return value & 0xFFFF


# Photoshop's five models: RGB of 16 bits, HSB, CMYK (0 is full ink), Lab (L in hundredths, a
# and b signed hundredths), grey (ink, 10000 black).
MODELS = [(0, (0x1234, 0xABCD, 0xFFFF, 0), 'Deep sky'),
          (2, (0xFFFF, 0, 0, 0xFFFF), 'Brand red'),  # C 0 M 100 Y 100 K 0
          (7, (5320, signed(8010), signed(6720), 0), 'Lab red'),
          (8, (2500, 0, 0, 0), 'Light grey'),
          (7, (9000, signed(-12000), signed(12000), 0), 'Beyond sRGB')]
aco('models.aco', MODELS)  # every value comes back from Adobe swatch exchange
aco('hsb-too.aco', MODELS[:2] + [(1, (0x2AAA, 0x8000, 0xC000, 0), 'Olive HSB')])
aco('grey-beyond.aco', [(8, (12000, 0, 0, 0), 'Darker than black')])

# Adobe swatch exchange: its four models, each kind, and values no writer should write.
KINDS = [(b'RGB ', (0.2, 0.4, 0.6), 0, 'Global blue'),
         (b'CMYK', (1.0, 0.0, 0.0, 0.0), 1, 'Spot cyan'),
         (b'LAB ', (0.5, 20.0, -30.0), 2, 'Lab violet'),
         (b'Gray', (0.25,), 1, 'Spot grey')]
ase('kinds.ase', KINDS)
ase('bad-floats.ase', [(b'RGB ', (float('nan'), float('inf'), -2.0), 2, 'Broken'),
                       (b'LAB ', (1.5, 300.0, -300.0), 2, 'Too far')])

# A section, then bytes of none: read by its name, never taken for swatches by its bytes.
open('trailing-bytes.aco', 'wb').write(struct.pack('>HHH4H', 1, 1, 0, 0xFFFF, 0, 0, 0) + b'junk')
