#!/usr/bin/env python3
"""Makes the page's light fonts, sounds and field picture and writes them into web/assets/.

    python3 web/make_assets.py            # (re)write web/assets/
    python3 web/make_assets.py --check    # fail if web/assets/ differs from what would be written

The fonts: Debian's Liberation Sans, regular and bold (fonts-liberation), cut by fontTools'
pyftsubset (Debian's fonttools and python3-brotli) down to the characters that the page can
show: printable ASCII, which is every caption, menu and box of the game, and each other
character that the page's own files or the game's texts use. They are WOFF2 without hinting
instructions, which are two thirds of the bytes and which browsers on Linux, Android and macOS
do not run. Beside them go their licence, as Debian ships it (the GNU GPL version 2 with the font
exception), and a notice of what was changed.

The sounds: each of assets/sounds/*.wav (tools/sound/make_sounds.py) as MP3 by LAME (Debian's
lame), variable bit rate (-V QUALITY) at 22050 Hz mono. MP3 is the one compressed format that
every current browser decodes with Web Audio on every system, with no fallback needed. LAME's
header tells the decoder how many samples of padding the encoder put before and after the
sound; chromium drops them from a variable bit rate file but not from a constant bit rate one,
where each cue would start 50 ms late (the page's browser test measures it).

The field (assets/field.jpg, the largest picture by far) as a progressive JPEG by jpegtran
(Debian's libjpeg-turbo-progs): the same coefficients stored in another order, so the same pixels
in fewer bytes; each run checks that djpeg decodes both to the same pixels. The other pictures
are smallest as they are.

The tools write the same bytes on every run for the same input and version (no time stamps).
"""

import glob
import html
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, 'tools'))
sys.dont_write_bytecode = True  # keep the source tree clean

from made_files import asked_to_check, differences, report  # noqa: E402

ASSETS = os.path.join(HERE, 'assets')
FONTS_DIR = '/usr/share/fonts/truetype/liberation'
FONTS_LICENCE = ('/usr/share/doc/fonts-liberation/copyright', '/usr/share/common-licenses/GPL-2')
FACES = ('LiberationSans-Regular', 'LiberationSans-Bold')
# What the page shows: its own files, and the game's texts (captions, menus, boxes, messages).
TEXT_SOURCES = ('web/page/*.html', 'web/page/*.js', 'web/page/*.css', 'game/*.cpp',
                'playfield/*.cpp', 'session/*.cpp')
MP3_QUALITY = 4  # lame -V: 0 best ... 9 smallest
MP3_RATE_KHZ = '22.05'


def characters():
    """Printable ASCII and every other printable character in TEXT_SOURCES, sorted."""
    found = {chr(c) for c in range(0x20, 0x7F)}
    names = sorted(n for pattern in TEXT_SOURCES for n in glob.glob(os.path.join(ROOT, pattern)))
    for name in names:
        with open(name, encoding='utf-8') as f:
            text = f.read()
        if name.endswith('.html'):
            text = html.unescape(text)
        found.update(ch for ch in text if ch.isprintable() and ord(ch) > 0x7E)
    return sorted(found)


NOTICE = '''The fonts in this folder are changed copies of Liberation Sans Regular and Bold,
version 1.07.4, as Debian's package fonts-liberation ships them (LiberationSans-Regular.ttf and
LiberationSans-Bold.ttf). On 2026-12-08 Fenwing's web/make_assets.py first cut them with
fontTools' pyftsubset down to the characters that the page can show, without the hinting
instructions, and stored them as WOFF2; the characters are now %s.

They are licensed as the originals are, under the GNU General Public License version 2 with
the exceptions that LICENSE states (GPL-2 is the licence's text). The full fonts and their
source come with Debian's fonts-liberation package.
'''


def describe(chars):
    """The characters as ranges of code points: "U+0020-007E U+2026"."""
    codes, runs = [ord(ch) for ch in chars], []
    for code in codes:
        if runs and code == runs[-1][1] + 1:
            runs[-1][1] = code
        else:
            runs.append([code, code])
    return ' '.join('U+%04X' % a if a == b else 'U+%04X-%04X' % (a, b) for a, b in runs)


def tool(name, package):
    path = shutil.which(name)
    if not path:
        sys.exit('web/make_assets.py: needs %s (Debian package %s): run tools/setup.sh' %
                 (name, package))
    return path


def build(out):
    """Write the fonts and sounds under the directory out (laid out like web/assets/)."""
    pyftsubset = tool('pyftsubset', 'fonttools')
    lame = tool('lame', 'lame')
    jpegtran = tool('jpegtran', 'libjpeg-turbo-progs')
    djpeg = tool('djpeg', 'libjpeg-turbo-progs')
    for folder in ('fonts', 'sounds', 'pictures'):
        os.makedirs(os.path.join(out, folder), exist_ok=True)
    chars = characters()
    unicodes = ','.join('U+%04X' % ord(ch) for ch in chars)
    for face in FACES:
        subprocess.run([pyftsubset, os.path.join(FONTS_DIR, face + '.ttf'),
                        '--unicodes=' + unicodes, '--flavor=woff2', '--no-hinting',
                        '--output-file=' + os.path.join(out, 'fonts',
                                                                          face + '.woff2')],
                       check=True, stderr=subprocess.DEVNULL)
    for licence, name in zip(FONTS_LICENCE, ('LICENSE', 'GPL-2')):
        if not os.path.exists(licence):
            sys.exit('web/make_assets.py: needs %s (Debian package fonts-liberation and base-files)'
                     % licence)
        shutil.copyfile(licence, os.path.join(out, 'fonts', name))
    with open(os.path.join(out, 'fonts', 'README'), 'w', encoding='utf-8') as f:
        f.write(NOTICE % describe(chars))
    field, smaller = os.path.join(ROOT, 'assets', 'field.jpg'), os.path.join(out, 'pictures',
                                                                             'field.jpg')
    subprocess.run([jpegtran, '-copy', 'none', '-optimize', '-progressive', '-outfile', smaller,
                    field], check=True)
    pixels = [subprocess.run([djpeg, '-pnm', path], check=True, capture_output=True).stdout
              for path in (field, smaller)]
    if pixels[0] != pixels[1]:
        sys.exit('web/make_assets.py: the progressive field.jpg decodes to other pixels')
    sounds = os.path.join(ROOT, 'assets', 'sounds')
    for name in sorted(os.listdir(sounds)):
        if name.endswith('.wav'):
            subprocess.run([lame, '--quiet', '--noreplaygain', '-m', 'm', '-V', str(MP3_QUALITY),
                            '--resample', MP3_RATE_KHZ, os.path.join(sounds, name),
                            os.path.join(out, 'sounds', name[:-4] + '.mp3')], check=True)


def main():
    if not asked_to_check(__doc__, 'web/assets'):
        shutil.rmtree(ASSETS, ignore_errors=True)
        build(ASSETS)
        return 0
    stale = differences(build, ASSETS, 'web/assets', strays_by='web/make_assets.py')
    return report(stale + ['(python3 web/make_assets.py writes them again)'] if stale else [])


if __name__ == '__main__':
    sys.exit(main())
