#!/usr/bin/env python3
"""LibreOffice's colour tables and Scribus's swatch sets, from Debian's own packages, read by
palconv and, independently, by xml.etree: the same colours, names and models.
    peer_palettes.py PALCONV
Fetches libreoffice-common and scribus-data with apt-get download into a temporary folder."""
import glob, os, re, shutil, subprocess, sys, tempfile
import xml.etree.ElementTree as ET

palconv = sys.argv[1]
tmp = tempfile.mkdtemp()
os.chmod(tmp, 0o755)  # apt's own user downloads into it
subprocess.run(['apt-get', 'download', '-q', 'libreoffice-common', 'scribus-data'], cwd=tmp,
               check=True, stdout=subprocess.DEVNULL)
for deb in glob.glob(os.path.join(tmp, '*.deb')):
    subprocess.run(['dpkg-deb', '-x', deb, os.path.join(tmp, 'x')], check=True)

def local(name):
    return name.rsplit('}', 1)[-1].rsplit(':', 1)[-1]

def attr(element, name):
    return next((v for k, v in element.attrib.items() if local(k) == name), None)

def palconv_reads(path):
    """(r, g, b, name) and the model values palconv gives, from a GIMP palette and --show."""
    gpl = os.path.join(tmp, 'out.gpl')
    subprocess.run([palconv, '-o', gpl, path], check=True, capture_output=True)
    lines = open(gpl, encoding='utf-8').read().split('\n')[4:]
    colours = [(tuple(int(v) for v in l.split('\t')[0].split()), l.partition('\t')[2])
               for l in lines if l.strip()]
    shown = subprocess.run([palconv, '--show', path], check=True, capture_output=True,
                           text=True).stdout.splitlines()
    models = [m.groups() for m in (re.match(r'\d+: \d+ \d+ \d+  (RGB|CMYK|Lab|grey)((?: -?[\d.]+)+)', l)
                                   for l in shown) if m]
    return colours, [(m, [float(v) for v in values.split()]) for m, values in models]

def hexbytes(text, n):
    text = text.strip().lstrip('#')
    return [int(text[2 * i:2 * i + 2], 16) for i in range(n)]

passed = failed = 0
def check(path, ok, why=''):
    global passed, failed
    passed, failed = passed + ok, failed + (not ok)
    print(('ok   ' if ok else 'FAIL ') + os.path.basename(path) + ('' if ok else ': ' + why))

for path in sorted(glob.glob(os.path.join(tmp, 'x/usr/lib/libreoffice/share/palette/*.soc'))):
    want = [(tuple(hexbytes(attr(e, 'color'), 3)), (attr(e, 'name') or '').strip())
            for e in ET.parse(path).getroot() if local(e.tag) == 'color'][:256]
    got, _ = palconv_reads(path)
    check(path, got == want, '%d colours, %d expected' % (len(got), len(want)))

scale = {'RGB': 255, 'CMYK': 100, 'Lab': 1}
keys = {'RGB': 'RGB', 'CMYK': 'CMYK', 'Lab': 'LAB'}
for path in sorted(glob.glob(os.path.join(tmp, 'x/usr/share/scribus/swatches/*.xml'))):
    root = ET.parse(path).getroot()
    if root.tag != 'SCRIBUSCOLORS':
        continue
    want = []
    for e in root.iter('COLOR'):
        space = e.get('SPACE')
        if space in scale and e.get(space[0]) is not None:
            want.append((space, [float(e.get(k)) for k in keys[space]]))
        elif e.get('CMYK'):
            want.append(('CMYK', [b / 255 * 100 for b in hexbytes(e.get('CMYK'), 4)]))
        else:
            want.append(('RGB', [float(b) for b in hexbytes(e.get('RGB'), 3)]))
    # A GIMP palette holds no blanks around a name.
    names = [e.get('NAME', '').strip() for e in root.iter('COLOR')][:256]
    colours, models = palconv_reads(path)
    same = len(models) == len(want[:256]) and all(
        m == w and all(abs(a - b) <= 0.005 for a, b in zip(v, wv))
        for (m, v), (w, wv) in zip(models, want))
    check(path, same and [n for _, n in colours] == names,
          'models or names differ (%d colours, %d expected)' % (len(models), len(want)))

shutil.rmtree(tmp)
print('%d passed, %d failed' % (passed, failed))
sys.exit(1 if failed else 0)
