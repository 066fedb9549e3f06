#!/usr/bin/python3
"""Makes the picture files of this corpus with Pillow and ImageMagick, and their .expect
files from what Pillow reads back, never from palconv. Run here with Debian's python3-pil
and /usr/bin/convert; the files it wrote are the test, kept as they are."""
import glob
import zlib
import struct
import subprocess
from PIL import Image

SIXTEEN = [(26, 28, 44), (93, 39, 93), (177, 62, 83), (239, 125, 87), (255, 205, 117),
           (167, 240, 112), (56, 183, 100), (37, 113, 121), (41, 54, 111), (59, 93, 201),
           (65, 166, 246), (115, 239, 247), (244, 244, 244), (148, 176, 194), (86, 108, 134),
           (51, 60, 87)]
FORTY = SIXTEEN + [(i * 10, 255 - i * 9, (i * 37) % 256) for i in range(23)] + [SIXTEEN[3]]


def rgb(colours):
    return [c for colour in colours for c in colour]


def indexed(colours, size, **info):
    im = Image.new('P', size)
    im.putpalette(rgb(colours))
    im.putdata([i % len(colours) for i in range(size[0] * size[1])])
    im.info.update(info)
    return im


def truecolour(pixels, width, mode='RGB'):
    im = Image.new(mode, (width, len(pixels) // width))
    im.putdata(pixels)
    return im


def magick(im, name, *options):
    im.save('/tmp/make-pictures.png')
    subprocess.run(['/usr/bin/convert', '/tmp/make-pictures.png', *options, name], check=True)


def expect(name, refused=None):
    """The .expect text: Pillow's palette, or `refused` for a file that must be refused."""
    if refused:
        kind = name.rsplit('.', 1)[1].upper()
        return open(name + '.expect', 'w').write('! %s (read as %s picture)\n' % (refused, kind))
    im = Image.open(name)
    trans, alpha = im.info.get('transparency'), None
    if im.mode == 'P':
        pal = im.getpalette()
        colours = [tuple(pal[i:i + 3]) for i in range(0, len(pal), 3)]
        if isinstance(trans, bytes):  # tRNS: one clear entry is the index, other values alpha
            alpha = (list(trans) + [255] * len(colours))[:len(colours)]  # one per colour
            trans = alpha.index(0) if alpha.count(0) == 1 else None
            alpha = None if all(a == 255 or i == trans for i, a in enumerate(alpha)) else alpha
        kind = 'indexed'
    else:
        seen = [p for p in im.convert('RGBA').getdata() if p[3]]
        seen = sorted(set(seen), key=seen.index)
        colours, trans = [p[:3] for p in seen], None
        alpha = [p[3] for p in seen] if any(p[3] < 255 for p in seen) else None
        kind = 'grey' if im.mode in ('L', 'LA', 'I') else 'true colour'
    text = 'picture %s, %d \u00d7 %d\ncount %d\ntransparent %s\nextra 0\nalpha%s\ntitle\n' % (
        kind, im.size[0], im.size[1], len(colours), 'none' if trans is None else trans,
        ''.join(' %d' % a for a in alpha) if alpha else ' no')
    text += ''.join('%d %d %d %d\n' % (i, *c) for i, c in enumerate(colours))
    open(name + '.expect', 'w').write(text)


def patch(source, name, at, value, cut=None):
    data = bytearray(open(source, 'rb').read())
    data[at:at + len(value)] = value
    open(name, 'wb').write(data[:cut])


# PNG: indexed of 1, 2, 4 and 8 bits (duplicates kept), transparency, grey, 16 bits, interlaced.
indexed(SIXTEEN[:2], (2, 1)).save('png-indexed-1bit.png')
indexed(SIXTEEN[:3] + SIXTEEN[1:2], (4, 1)).save('png-indexed-2bit-duplicate.png')
indexed(SIXTEEN[:11], (11, 1)).save('png-indexed-4bit.png')
magick(indexed(FORTY[:39], (13, 3)), 'PNG8:png-indexed-8bit-magick.png')
indexed(SIXTEEN[:4], (4, 1)).save('png-indexed-trns.png', transparency=2)
indexed(SIXTEEN[:5], (5, 1)).save('png-indexed-alpha.png', transparency=bytes([255, 0, 128]))
indexed(SIXTEEN[:3], (3, 1)).save('png-indexed-two-clear.png', transparency=bytes([0, 0]))
magick(truecolour([0, 0, 85, 170, 255, 85, 17, 34], 4, 'L'), 'png-grey-4bit.png', '-depth', '4')
magick(truecolour(SIXTEEN[5:9] * 2, 4), 'PNG48:png-rgb-16bit.png', '-depth', '16')
magick(truecolour([(i * 9, 200 - i * 7, i) for i in range(27)], 9), 'PNG24:png-interlaced.png',
       '-interlace', 'PNG')
truecolour([(1, 2, 3, 0), (9, 9, 9, 255), (1, 2, 3, 0), (40, 50, 60, 128), (9, 9, 9, 255)], 5,
           'RGBA').save('png-rgba.png')
for n in (1, 8, 32):  # Lospec's strips: the same palette at every size
    truecolour(SIXTEEN, 16).resize((16 * n, n), Image.NEAREST).save('png-strip-%dx.png' % n)
truecolour([(i, 255 - i, i // 2) for i in range(256)], 16).save('png-256-colours.png')
truecolour([(i, 0, i // 256) for i in range(257)], 257).save('png-257-colours.png')
truecolour([(i * 4, j * 4, 128) for j in range(64) for i in range(64)], 64).save('png-photo.png')
# 131,072 colours, more than are counted one by one (65,536): the rest go to cells of like colours.
truecolour([(x & 255, y, ((x >> 8) * 128 + x * 3 + y * 5) & 255) for y in range(256)
            for x in range(512)], 512).save('png-many-colours.png')
# 300 colours, half of them opaque and half half transparent: counted apart, told together.
truecolour([(i % 256, i // 256, 7, 255 if i % 2 else 128) for i in range(300)], 300,
           'RGBA').save('png-300-mixed-alpha.png')
patch('png-strip-1x.png', 'png-truncated-idat.png', 0, b'', cut=-40)  # rows missing
patch('png-strip-1x.png', 'png-huge-width.png', 16, struct.pack('>I', 100000))
patch('png-indexed-4bit.png', 'png-truncated-plte.png', 0, b'', cut=50)



def chunks(name, *found):
    """A PNG of the chunks of `name`, in the order and with the data `found` gives: a chunk's
    type to take it from the file, or (type, data) for one of our own."""
    data, at, own = open(name, 'rb').read(), 8, {}
    while at < len(data):
        length, kind = struct.unpack_from('>I4s', data, at)
        own.setdefault(kind.decode(), data[at + 8:at + 8 + length])
        at += 12 + length
    out = data[:8]
    for kind, body in ((f, own[f]) if isinstance(f, str) else f for f in found):
        out += struct.pack('>I', len(body)) + kind.encode() + body + struct.pack(
            '>I', zlib.crc32(kind.encode() + body))
    return out


# What libpng would drop: tRNS longer than PLTE or before it, 16 PLTE entries for 2 bits.
indexed(SIXTEEN[:4], (4, 1)).save('/tmp/make-pictures-4.png', transparency=bytes([0, 128]))
open('png-trns-longer.png', 'wb').write(chunks('/tmp/make-pictures-4.png', 'IHDR', 'PLTE', (
    'tRNS', bytes([0, 128, 255, 255, 7, 9])), 'IDAT', 'IEND'))
open('png-trns-before-plte.png', 'wb').write(
    chunks('/tmp/make-pictures-4.png', 'IHDR', 'tRNS', 'PLTE', 'IDAT', 'IEND'))
indexed(SIXTEEN, (4, 1)).save('/tmp/make-pictures-16.png', bits=2)
open('png-2bit-16-entries.png', 'wb').write(chunks('/tmp/make-pictures-16.png', 'IHDR', (
    'PLTE', bytes(rgb(SIXTEEN))), 'IDAT', 'IEND'))
patch('png-indexed-4bit.png', 'png-depth-3.png', 24, b'\x03')  # IHDR's CRC made right again
depth3 = chunks('png-depth-3.png', 'IHDR', 'PLTE', 'IDAT', 'IEND')
open('png-depth-3.png', 'wb').write(depth3)

# GIF: a global table, a local one only, a transparent index; a short table, a vast screen,
# a screen without width, a file that ends after its table.
indexed(SIXTEEN[:8], (8, 1)).save('gif-global.gif')
indexed(SIXTEEN[:4], (4, 1)).save('gif-transparent.gif', transparency=3)
t = open('gif-transparent.gif', 'rb').read()
patch('gif-transparent.gif', 'gif-control-opaque.gif', t.index(b'\x21\xf9\x04') + 3, b'\x00')  # no flag
g = open('gif-global.gif', 'rb').read()
size = 3 << ((g[10] & 7) + 1)
image = g.index(b',', 13 + size)  # the global table moves into the first image
local = g[:10] + bytes([g[10] & 0x7F]) + g[11:13] + g[13 + size:image + 9] + bytes(
    [g[image + 9] | 0x80 | (g[10] & 7)]) + g[13:13 + size] + g[image + 10:]
open('gif-local-only.gif', 'wb').write(local)
# A local table as well as the global one: the first image's pixels index the local one.
both = g[:image + 9] + bytes([g[image + 9] | 0x80 | (g[10] & 7)]) + bytes(
    rgb(SIXTEEN[8:16])) + g[image + 10:]
open('gif-local-and-global.gif', 'wb').write(both)
patch('gif-global.gif', 'gif-truncated.gif', 0, b'', cut=20)
patch('gif-global.gif', 'gif-huge-screen.gif', 6, b'\xff\xff\xff\xff')
patch('gif-global.gif', 'gif-no-width.gif', 6, b'\x00\x00')
patch('gif-global.gif', 'gif-no-blocks.gif', 0, b'', cut=37)  # the header and table only

# BMP: 1, 4 and 8 bits; 24 and 32 bits bottom-up and top-down; short, lying.
magick(indexed(SIXTEEN[10:12], (2, 1)), 'BMP3:bmp-1bit.bmp', '-type', 'palette')
magick(indexed(SIXTEEN[:11], (11, 1)), 'BMP3:bmp-4bit.bmp', '-type', 'palette')
indexed(FORTY, (8, 5)).save('bmp-8bit.bmp')
truecolour(SIXTEEN[:12], 3).save('bmp-24bit.bmp')
magick(truecolour([(255, 0, 0, 255), (0, 0, 255, 255), (0, 0, 0, 0), (9, 80, 7, 128)], 2,
                  'RGBA'), 'bmp-32bit-alpha.bmp')
# 32 bits without masks: the fourth byte is padding, whatever it holds (here Pillow's alpha).
truecolour([(255, 0, 0, 0), (0, 255, 0, 7), (0, 0, 255, 255), (9, 80, 7, 128), (255, 255, 255, 1),
            (26, 28, 44, 0)], 3, 'RGBA').save('bmp-32bit.bmp')
for bits, name in ((24, 'bmp-24bit'), (32, 'bmp-32bit-alpha')):  # rows reversed, height < 0
    data = open(name + '.bmp', 'rb').read()
    start, width, height = struct.unpack_from('<I', data, 10)[0], *struct.unpack_from('<2i', data, 18)
    stride = (width * bits + 31) // 32 * 4
    rows = [data[start + r * stride:start + (r + 1) * stride] for r in range(height)]
    open(name + '-top-down.bmp', 'wb').write(
        data[:22] + struct.pack('<i', -height) + data[26:start] + b''.join(reversed(rows)))
# 16 bits of 5-6-5, three pixels to a row: channels at their ends, as every scaling agrees.
magick(truecolour([(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0), (255, 0, 255)], 3),
       'bmp-16bit.bmp', '-define', 'bmp:subtype=RGB565')
patch('bmp-8bit.bmp', 'bmp-truncated.bmp', 0, b'', cut=100)
patch('bmp-8bit.bmp', 'bmp-count-300.bmp', 46, struct.pack('<I', 300))
patch('bmp-24bit.bmp', 'bmp-short-pixels.bmp', 0, b'', cut=-4)
far = bytearray(open('bmp-24bit.bmp', 'rb').read())  # pixels past a reader's first 64 KiB
far[54:54] = bytes(70000)
struct.pack_into('<II', far, 2, len(far), 0)
struct.pack_into('<I', far, 10, 54 + 70000)
open('bmp-far-pixels.bmp', 'wb').write(far)

# PCX: 8 bits with its table at the end; 4 planes of 1 bit with the header's 16 colours.
indexed(FORTY, (8, 5)).save('pcx-8bit.pcx')
planes = [bytes([sum((((x % 16) >> p) & 1) << (7 - x) for x in range(8)), 0]) for p in range(4)]
open('pcx-4bit.pcx', 'wb').write(
    struct.pack('<BBBBHHHHHH48sBBHH58x', 10, 5, 1, 1, 0, 0, 7, 1, 72, 72, bytes(rgb(SIXTEEN)), 0,
                4, 2, 1) + b''.join(planes) * 2)
truecolour(FORTY, 8).save('pcx-24bit.pcx')  # 3 planes of 8 bits
for count in (2, 3):  # EGA: 1 bit in 2 or 3 planes, the first 4 or 8 colours of the header
    open('pcx-ega-%d-planes.pcx' % count, 'wb').write(
        struct.pack('<BBBBHHHHHH48sBBHH58x', 10, 5, 1, 1, 0, 0, 7, 1, 72, 72, bytes(rgb(SIXTEEN)),
                    0, count, 2, 1) + b''.join(planes[:count]) * 2)
# One plane of 4 bits, colours in the header as for EGA.
open('pcx-4bit-1-plane.pcx', 'wb').write(
    struct.pack('<BBBBHHHHHH48sBBHH58x', 10, 5, 1, 4, 0, 0, 7, 1, 72, 72, bytes(rgb(SIXTEEN)), 0,
                1, 4, 1) + bytes([0x01, 0x23, 0x45, 0x67]) * 2)
# 8 bits: the longest file its size allows (pixels of twice the line bytes, then the table),
# and one byte more.
data = open('pcx-8bit.pcx', 'rb').read()
pixels = data[128:-769]
for name, size in (('pcx-longest.pcx', 2 * 8 * 5), ('pcx-too-long.pcx', 2 * 8 * 5 + 1)):
    open(name, 'wb').write(data[:128] + pixels + bytes(size - len(pixels)) + data[-769:])
patch('pcx-4bit.pcx', 'pcx-version-2.pcx', 1, b'\x02')  # PC Paintbrush 2.8 with a palette
# OS/2's 16-byte information header: width and height of 4 bytes, planes, bits, no more.
open('bmp-os2-16.bmp', 'wb').write(b'BM' + struct.pack('<IHHI', 14 + 16 + 8 + 4, 0, 0, 14 + 16 + 8) +
                                   struct.pack('<IiiHH', 16, 2, 1, 1, 1) +
                                   bytes([*SIXTEEN[4][::-1], 0, *SIXTEEN[9][::-1], 0]) + b'\x40\0\0\0')
patch('pcx-8bit.pcx', 'pcx-no-table.pcx', 0, b'', cut=-769)
patch('pcx-8bit.pcx', 'pcx-backwards.pcx', 4, struct.pack('<3H', 5, 0, 0))
patch('pcx-8bit.pcx', 'pcx-upside-down.pcx', 6, struct.pack('<H', 9))  # rows 9 to 4

# Pictures of more than 256 colours: their .expect holds the 256 our reduction gives, written
# by the corpus runner (VARNEL_UPDATE_EXPECT=1), so that a change to it shows.
REDUCED = {'png-257-colours.png', 'png-photo.png', 'png-300-mixed-alpha.png', 'png-many-colours.png'}
REFUSED = {
        'png-truncated-idat.png': 'it ends too early',
        'png-huge-width.png': 'a picture of 100,000 \u00d7 1 pixels, larger than 16,384 \u00d7 16,384',
        'png-truncated-plte.png': 'it ends too early',
        'gif-truncated.gif': 'its colour table ends too early',
        'gif-huge-screen.gif': 'a picture of 65,535 \u00d7 65,535 pixels, larger than 16,384 \u00d7 16,384',
        'gif-no-width.gif': 'its size, 0 \u00d7 1 pixels, holds no pixels',
        'gif-no-blocks.gif': 'it ends too early',
        'bmp-truncated.bmp': 'its colour table ends too early',
        'bmp-count-300.bmp':
        'it claims a colour table of 300 entries, more than 8 bits per pixel can index (256)',
        'png-depth-3.png': 'its bit depth 3 is not one PNG allows for indexed pixels (1, 2, 4 or 8)',
        'bmp-short-pixels.bmp': 'its pixel data ends too early',
        'pcx-no-table.pcx': 'it has no 256-colour table at its end (0x0C and 768 bytes)',
        'pcx-backwards.pcx': 'its window ends before it starts (5,0 to 0,4)',
        'pcx-upside-down.pcx': 'its window ends before it starts (0,9 to 7,4)',
        'pcx-too-long.pcx': 'it is longer than a PCX picture of 8 \u00d7 5 pixels can be'}
# Pillow reads 2 and 4 planes of 1 bit as 16 colours, 3 not at all: these are the header's
# first 2^planes colours, as the PCX header defines them.
BY_HAND = {'pcx-ega-2-planes.pcx': SIXTEEN[:4], 'pcx-ega-3-planes.pcx': SIXTEEN[:8],
           'pcx-4bit-1-plane.pcx': SIXTEEN}
OS2 = {'bmp-os2-16.bmp': [SIXTEEN[4], SIXTEEN[9]]}  # Pillow reads no 16-byte header
for name in sorted(glob.glob('*.png') + glob.glob('*.gif') + glob.glob('*.bmp') + glob.glob('*.pcx')):
    if name in REDUCED:
        continue
    if name in OS2:
        open(name + '.expect', 'w').write(
            'picture indexed, 2 \u00d7 1\ncount 2\ntransparent none\nextra 0\nalpha no\ntitle\n' +
            ''.join('%d %d %d %d\n' % (i, *c) for i, c in enumerate(OS2[name])))
    elif name in BY_HAND:
        colours = BY_HAND[name]
        open(name + '.expect', 'w').write(
            'picture indexed, 8 \u00d7 2\ncount %d\ntransparent none\nextra 0\nalpha no\ntitle\n' %
            len(colours) + ''.join('%d %d %d %d\n' % (i, *c) for i, c in enumerate(colours)))
    else:
        expect(name, REFUSED.get(name))

# JPEG: four colour bars (baseline and progressive), grey, CMYK as Adobe's programs store it
# (inverted, with the Adobe marker), one cut short and one whose frame claims 20,000 × 20,000
# pixels. Their colours are libjpeg's decoding, so their .expect files are written by the
# corpus runner (VARNEL_UPDATE_EXPECT=1) and checked by eye: the bars' four colours, grey 128,
# CMYK white and red through the default print profile.
bars = Image.new('RGB', (16, 8))
bars.putdata([((255, 0, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0))[x // 4]
              for y in range(8) for x in range(16)])
bars.save('jpeg-bars.jpg', quality=100)
bars.save('jpeg-progressive.jpg', quality=100, progressive=True)
Image.new('L', (8, 8), 128).save('jpeg-grey.jpg')
# Paper above, two inks side by side below: each row's colours in order, left to right.
cmyk = Image.new('CMYK', (16, 16), (0, 0, 0, 0))
cmyk.paste((0, 255, 255, 0), (0, 8, 8, 16))
cmyk.paste((255, 0, 0, 0), (8, 8, 16, 16))
cmyk.save('jpeg-cmyk.jpg', quality=100)
data = open('jpeg-bars.jpg', 'rb').read()
open('jpeg-truncated.jpg', 'wb').write(data[:-60])
open('jpeg-truncated.jpg.expect', 'w').write('! it ends too early (read as JPEG picture)\n')
frame = data.index(b'\xff\xc0') + 5  # SOF0: length, precision, then height and width
open('jpeg-huge.jpg', 'wb').write(data[:frame] + struct.pack('>HH', 20000, 20000) + data[frame + 4:])
open('jpeg-huge.jpg.expect', 'w').write(
    '! a picture of 20,000 \u00d7 20,000 pixels, larger than 16,384 \u00d7 16,384 (read as JPEG picture)\n')
# A camera's EXIF block and maker notes, two APP1 markers of 60,000 bytes: skipped, the second
# across palconv's second read of 64 KiB.
app1 = b'\xff\xe1' + struct.pack('>H', 60002) + b'Exif\0\0' + bytes(59994)
open('jpeg-exif.jpg', 'wb').write(data[:2] + app1 + app1 + data[2:])
# An APP15 marker of one byte: libjpeg skips a single byte.
open('jpeg-one-byte-marker.jpg', 'wb').write(data[:2] + b'\xff\xef\x00\x03*' + data[2:])
