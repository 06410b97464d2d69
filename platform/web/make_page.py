#!/usr/bin/python3
"""Makes the web edition's one self-contained page: the window's controls
written out from the program's own description of them, the program (wasm
inside its script), the page's script and style, and Liberation Sans Regular
and Bold subset to what the window needs, inlined; the fonts' licence goes
beside it. With --site, the same board also as a site that works offline and
installs as an app: the page as its index.html, a web app manifest, a service
worker and an icon, each licence beside them."""

import argparse
import base64
import hashlib
import html
import io
import json
import os
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
    # The fonts' own hinting stays: a rasteriser that hints metrics (WebKitGTK
    # does unless the hint style is none or slight) otherwise falls back to
    # FreeType's autohinter, which rounds every advance up to whole pixels, and
    # the captions come out up to 12 % wider than the font's design.
    options.hinting = True
    options.desubroutinize = True
    options.drop_tables += ['FFTM']  # a font editor's time stamps
    # The subset's time stamp is SOURCE_DATE_EPOCH where the build gives one (the
    # commit's time; fontTools honours it), else the font's own: never the build's.
    font = TTFont(path, recalcTimestamp='SOURCE_DATE_EPOCH' in os.environ)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=sorted(codepoints))
    subsetter.subset(font)
    out = io.BytesIO()
    subset.save_font(font, out, options)
    return base64.b64encode(out.getvalue()).decode('ascii')


# The colours the desktop takes from the user's colour scheme come from the
# browser's system colours, so a dark scheme is honoured the same way.
SYSTEM_COLOURS = {
    'InfoBackground': 'Canvas',
    'WindowBackground': 'Field',
    'WindowText': 'FieldText',
    'ButtonFace': 'ButtonFace',
    'ButtonText': 'ButtonText',
}
FAMILY = 'KzdSans'
BUTTON_BORDER = 1  # pixels
BOX_FRAME = '#000000'  # a numbered box's frame, as the window draws it


def colour_of(c):
    return SYSTEM_COLOURS[c['system']] if 'system' in c else f'#{c["rgb"] & 0xFFFFFF:06x}'


def line_height(path, pixels):
    """A line of the font in whole pixels: its ascent, descent and gap each
    rounded, as Chromium lays out a line of normal height. Given outright, the
    line and so the text stand at the same place in every engine."""
    font = TTFont(path, lazy=True)
    hhea, em = font['hhea'], font['head'].unitsPerEm
    return sum(round(abs(v) * pixels / em) for v in (hhea.ascent, hhea.descent, hhea.lineGap))


def font_rules(window, regular, bold):
    """One rule a font, so that no control parses its own."""
    return '\n'.join(f'.font-{i} {{ font: {"bold " if f["bold"] else ""}{f["pixels"]}px/'
                      f'{line_height(bold if f["bold"] else regular, f["pixels"])}px {FAMILY}, sans-serif; }}'
                      for i, f in enumerate(window['fonts']))


def board_markup(window):
    """The window's controls as the page's elements, so that the browser lays the
    board out while it reads the page; the page's script takes them up by name
    and adds only what needs the running program: pictures and events."""
    rows = window['rows']
    name_of = lambda row: row['name'] if row['index'] < 0 else f'{row["name"]}({row["index"]})'

    def overlap(a, b):
        (al, at, aw, ah), (bl, bt, bw, bh) = a['rect'], b['rect']
        return al < bl + bw and bl < al + aw and at < bt + bh and bt < at + ah

    # Where siblings overlap, the later row is drawn on top. Only those get a
    # stacking order of their own: each one costs the browser work at every paint.
    stacked = {a['id'] for a in rows if any(b is not a and b['parent'] == a['parent'] and overlap(a, b) for b in rows)}
    # Each control goes into its parent in focus order, so that the page's own Tab
    # order is the window's; the rows' order decides what is drawn on top.
    children = {}
    for row in sorted(rows, key=lambda r: (r['focus'], r['id'])):
        children.setdefault(row['parent'], []).append(row)

    def element(row):
        kind, look = row['kind'], row['look']
        left, top, width, height = row['rect']
        style = {'left': f'{left}px', 'top': f'{top}px', 'width': f'{width}px', 'height': f'{height}px',
                 'color': colour_of(row['fore'])}
        # A numbered box on the map stands on the map's fixed grey, which no
        # scheme changes; its digit takes its frame's black, legible there,
        # where the scheme's text colour may be light.
        if kind == 'Label' and look == 'box' and row['parent'] >= 0 and rows[row['parent']]['kind'] == 'PictureBox':
            style['color'] = BOX_FRAME
        # A text label and a numbered box have no background of their own; the
        # map box's is its client area's.
        if kind != 'PictureBox' and (kind != 'Label' or look == 'fill'):
            style['background-color'] = colour_of(row['back'])
        if row['id'] in stacked:
            style['z-index'] = str(row['id'] + 1)
        attrs = {'class': [], 'data-name': name_of(row)}
        if kind in ('TextBox', 'RichTextBox', 'CommandButton', 'Frame'):
            attrs['aria-label'] = row['accessibleName']
        if kind in ('TextBox', 'RichTextBox'):
            attrs.update(spellcheck='false', autocomplete='off')
        inner = ''.join(element(child) for child in children.get(row['id'], []))
        canvas = '<canvas aria-hidden="true"></canvas>' if 'picture' in row else ''
        text = html.escape(row['caption'], quote=False)
        if kind == 'PictureBox':
            tag = 'div'
            attrs['class'] = ['picturebox']
            style['border-width'] = f'{row["border"]}px'
            # The map's picture takes the focus and the name, and so is told to a
            # screen reader as a canvas, as the window's map is: a named group
            # is one Orca 48 and later neither names its kind for, nor, in
            # Firefox, announces at all when the page starts on it.
            surface = f'<canvas tabindex="0" aria-label="{html.escape(row["accessibleName"])}"></canvas>'
            inner = f'<div class="client" style="background: {colour_of(row["back"])}">{surface}{inner}</div>'
        elif kind == 'OptionButton':
            tag = 'label'
            attrs['class'] = ['option']
            checked = ' checked' if row['value'] != 0 else ''
            # No browser puts back a choice of an earlier load: a reload is a fresh board.
            inner = f'<input type="radio" name="kzd-selectors" autocomplete="off"{checked}><span>{text}</span>'
        elif kind == 'Label':
            tag = 'div'
            attrs['class'] = ['label', look]
            if look == 'text':
                inner = text
                if row['centred']:
                    style['text-align'] = 'center'
            else:
                # A square or numbered box is a picture of a combatant, named for it.
                attrs.update({'role': 'img', 'aria-label': row['accessibleName']})
                inner = text if look == 'box' else ''
        elif kind == 'TextBox':
            tag = 'input'
            attrs.update(type='text', maxlength='32767')
            if row['caption']:
                attrs['value'] = row['caption']
        elif kind == 'RichTextBox':
            tag = 'textarea'
        elif kind == 'Frame':
            tag = 'div'
            attrs.update({'class': ['frame'], 'role': 'group'})
            inner = '<div class="edge"></div>' + inner
        elif kind == 'CommandButton':
            tag = 'button'
            attrs['type'] = 'button'
            style['border-width'] = f'{BUTTON_BORDER}px'
            inner = canvas
            if 'picture' in row:
                # A face is centred on its button on whole pixels, as the desktop
                # places it; the canvas is placed from inside the button's border.
                left = (width - row['picture']['width']) // 2 - BUTTON_BORDER
                top = (height - row['picture']['height']) // 2 - BUTTON_BORDER
                inner = f'<canvas aria-hidden="true" style="left: {left}px; top: {top}px"></canvas>'
        else:
            sys.exit(f'unknown kind of control: {kind}')
        attrs['class'] = ' '.join(attrs['class'] + ['control', f'font-{row["font"]}'])
        attrs['style'] = '; '.join(f'{k}: {v}' for k, v in style.items())
        opening = tag + ''.join(f' {k}="{html.escape(v)}"' for k, v in attrs.items())
        return f'<{opening}>' if tag == 'input' else f'<{opening}>{inner}</{tag}>'

    form = window['form']
    style = f'width: {form["width"]}px; height: {form["height"]}px; background-color: {colour_of(form["back"])}'
    board = ''.join(element(row) for row in children.get(-1, []))
    return (f'<main id="board" class="font-0" data-name="{html.escape(form["name"])}" style="{style}" hidden>'
            f'\n{board}\n</main>')


def licence_text(copyright_file):
    """The stanza of Debian's copyright file that covers all its files, and its
    licence's own stanza where the file gives the text apart."""
    stanzas = open(copyright_file, encoding='utf-8').read().strip().split('\n\n')
    files = next((part for part in stanzas if part.startswith('Files: *')), None)
    if files is None:
        sys.exit(f'{copyright_file}: no stanza for all its files')
    licence = re.search(r'^License: (.+)$', files, re.M).group(1).strip()
    return '\n\n'.join([files] + [part for part in stanzas if part.startswith(f'License: {licence}\n')]) + '\n'


# What a page may load: nothing but itself. The site may also load its own
# files (the manifest, the icon, the worker that keeps them), and nothing else.
PAGE_POLICY = "default-src 'none'; script-src 'unsafe-inline' 'wasm-unsafe-eval'; style-src 'unsafe-inline'; form-action 'none'"
SITE_POLICY = f"{PAGE_POLICY}; manifest-src 'self'; img-src 'self'; worker-src 'self'"
SITE_HEAD = ('\n<link rel="manifest" href="manifest.webmanifest">\n'
             '<link rel="icon" href="icon.png">\n<link rel="apple-touch-icon" href="icon.png">')


def write(path, text):
    open(path, 'w', encoding='utf-8').write(text)


def write_site(folder, page, args):
    """The board as a static site: served once, it opens and works offline
    through its service worker, and installs as an app in a window of its own.
    The worker's version is the hash of every file it keeps, so that a new
    build brings a new worker, which the browser fetches at the board's next
    start."""
    os.makedirs(folder, exist_ok=True)
    write(os.path.join(folder, 'index.html'), page)
    write(os.path.join(folder, 'manifest.webmanifest'), json.dumps({
        'name': args.name, 'description': args.summary, 'lang': 'en',
        'id': './', 'start_url': './', 'scope': './', 'display': 'standalone',
        'icons': [{'src': 'icon.png', 'sizes': f'{args.icon_size}x{args.icon_size}', 'type': 'image/png'}],
    }, indent=1) + '\n')
    open(os.path.join(folder, 'icon.png'), 'wb').write(open(args.icon, 'rb').read())
    write(os.path.join(folder, 'LICENSE-fonts'), licence_text(args.copyright))
    theme = re.search(r'^Upstream-Name: (.+)$', open(args.icon_copyright, encoding='utf-8').read(), re.M).group(1)
    write(os.path.join(folder, 'LICENSE-icon'), f'icon.png: the generic program icon of the {theme}, as Debian carries it.\n\n'
                                                 + licence_text(args.icon_copyright))
    kept = ['index.html', 'manifest.webmanifest', 'icon.png', 'LICENSE-fonts', 'LICENSE-icon']
    version = hashlib.sha256()
    for file in kept:
        version.update(open(os.path.join(folder, file), 'rb').read())
    fields = {'@VERSION@': version.hexdigest()[:16], '@FILES@': json.dumps(kept), '@CACHE@': args.cache}
    worker = open(args.worker, encoding='utf-8').read()
    write(os.path.join(folder, 'sw.js'), re.sub('|'.join(map(re.escape, fields)), lambda m: fields[m.group(0)], worker))


def main():
    parser = argparse.ArgumentParser()
    for name in ['template', 'program', 'wasm', 'script', 'regular', 'bold', 'copyright', 'description', 'out', 'licence']:
        parser.add_argument(f'--{name}', required=True)
    parser.add_argument('--name', required=True)
    # The site, made beside the page where a folder is given.
    for name in ['site', 'summary', 'worker', 'cache', 'icon', 'icon-copyright']:
        parser.add_argument(f'--{name}')
    parser.add_argument('--icon-size', type=int)
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
        '@TITLE@': html.escape(window['form']['caption']), '@BOARD@': board_markup(window),
        '@FONT_RULES@': font_rules(window, args.regular, args.bold), '@NAME@': args.name, '@ENDED@': ended, '@FONT_NOTICE@': notice,
        '@FONT_REGULAR@': subset_font(args.regular, regular), '@FONT_BOLD@': subset_font(args.bold, bold),
        '@PROGRAM@': program, '@PAGE@': script,
        # As the program wrote it; a "<" escaped as JSON allows, so nothing in it ends the element.
        '@DESCRIPTION@': open(args.description, encoding='utf-8').read().strip().replace('<', '\\u003c'),
        '@WASM@': base64.b64encode(open(args.wasm, 'rb').read()).decode('ascii'),
    }
    # One pass, so no field's text is read as another field.
    def fill(more):
        both = {**fields, **more}
        return re.sub('|'.join(re.escape(k) for k in both), lambda m: both[m.group(0)], page)
    write(args.out, fill({'@POLICY@': PAGE_POLICY, '@SITE@': ''}))
    write(args.licence, licence_text(args.copyright))
    if args.site:
        write_site(args.site, fill({'@POLICY@': SITE_POLICY, '@SITE@': SITE_HEAD}), args)


if __name__ == '__main__':
    main()
