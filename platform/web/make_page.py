#!/usr/bin/python3
"""Makes the web edition's one self-contained page: the program (wasm inside
its script), the page's script and style, and Liberation Sans Regular and Bold
subset to what the window needs, inlined; the fonts' licence goes beside it."""

import argparse
import base64
import io
import json
import re
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

# What a user types into the cells and notes is most often Latin text; the
# regular face keeps Latin-1 and common punctuation for it, and whatever else
# is typed takes the browser's own font. The bold face draws only headings,
# box digits and the face words.
TYPED = [(0x20, 0x7E), (0xA0, 0xFF), (0x2010, 0x2027), (0x2030, 0x203A), (0x20AC, 0x20AC)]
# Name records kept: copyright, licence and its address. The subset is a
# modified font, which the licence lets carry no reserved font name.
KEPT_NAMES = [0, 13, 14]


def subset_font(path, codepoints):
    options = subset.Options()
    options.flavor = 'woff2'
    options.name_IDs = KEPT_NAMES
    options.layout_features = ['kern', 'liga']
    options.hinting = False
    options.desubroutinize = True
    options.drop_tables += ['FFTM']  # a font editor's time stamps
    font = TTFont(path)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=sorted(codepoints))
    subsetter.subset(font)
    out = io.BytesIO()
    subset.save_font(font, out, options)
    return base64.b64encode(out.getvalue()).decode('ascii')


def licence_text(copyright_file):
    """The stanza of Debian's copyright file that covers the font files."""
    text = open(copyright_file, encoding='utf-8').read()
    stanza = text.split('\n\n')
    for i, part in enumerate(stanza):
        if part.startswith('Files: *'):
            lines = [part]
            for more in stanza[i + 1:]:
                if re.match(r'^(Files|License):', more):
                    break
                lines.append(more)
            return '\n\n'.join(lines) + '\n'
    sys.exit(f'{copyright_file}: no stanza for the font files')


def main():
    parser = argparse.ArgumentParser()
    for name in ['template', 'program', 'wasm', 'script', 'regular', 'bold', 'copyright', 'description', 'out', 'licence']:
        parser.add_argument(f'--{name}', required=True)
    parser.add_argument('--name', required=True)
    args = parser.parse_args()

    # Every caption, heading, digit and face word of the window, in its font.
    window = json.load(open(args.description, encoding='utf-8'))
    shown = {False: window['form']['caption'], True: ''}
    for row in window['rows']:
        shown[window['fonts'][row['font']]['bold']] += row['caption']
        if 'face' in row.get('picture', {}):
            shown[True] += row['picture']['face']['word']
    regular = {c for lo, hi in TYPED for c in range(lo, hi + 1)} | {ord(c) for c in shown[False]}
    bold = {ord(c) for c in shown[True]} | {0x20}

    program = open(args.program, encoding='utf-8').read()
    script = open(args.script, encoding='utf-8').read()
    for text in (program, script):
        if '</script' in text.lower():
            sys.exit('a script holds the text that would end its element')
    ended = f'{args.name} has ended. Reload the page to start a fresh board.'
    notice = (f'Fonts: Liberation Sans Regular and Bold, subset, from Debian\'s fonts-liberation2; '
              f'SIL Open Font License 1.1, in LICENSE-fonts beside this page.')
    page = open(args.template, encoding='utf-8').read()
    fields = {
        '@TITLE@': args.name, '@NAME@': args.name, '@ENDED@': ended, '@FONT_NOTICE@': notice,
        '@FONT_REGULAR@': subset_font(args.regular, regular), '@FONT_BOLD@': subset_font(args.bold, bold),
        '@PROGRAM@': program, '@PAGE@': script,
        '@WASM@': base64.b64encode(open(args.wasm, 'rb').read()).decode('ascii'),
    }
    # One pass, so no field's text is read as another field.
    page = re.sub('|'.join(re.escape(k) for k in fields), lambda m: fields[m.group(0)], page)
    open(args.out, 'w', encoding='utf-8').write(page)
    open(args.licence, 'w', encoding='utf-8').write(licence_text(args.copyright))


if __name__ == '__main__':
    main()
