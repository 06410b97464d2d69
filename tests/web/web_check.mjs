// The web edition's checks, written once for every browser engine against its
// adapter (chromium.mjs, firefox.mjs, webkit.mjs) and checked against the
// window's own rows, which the page's program hands out: layout, colours and
// contrast, pictures at every ratio, placement by mouse, touch and pen, Clear,
// Close, the focus order and ring, the keys, the pressed look, storage and
// requests, a large paste, what a screen reader is told, and what the page does
// at each failure. What an engine's automation cannot express, and what the page
// is known to get wrong in an engine, is listed in expectations.mjs.
//   node web_check.mjs chromium|firefox|webkit   (KZD_PAGE, KZD_NPM and KZD_NAME set)

import assert from 'node:assert/strict';
import { cpSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { readFile } from 'node:fs/promises';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { basename, extname, join } from 'node:path';
import { after, before, test } from 'node:test';

import { expected } from './expectations.mjs';
import { awaitBoard, failingPagePath, pagePath, pageUrl, programName, sitePath } from './page.mjs';

const engineName = process.argv[2];
const adapters = { chromium: './chromium.mjs', firefox: './firefox.mjs', webkit: './webkit.mjs' };
if (!adapters[engineName])
    throw new Error(`name an engine: ${Object.keys(adapters).join(', ')}`);
const { start } = await import(adapters[engineName]);

let engine;
before(async () => { engine = await start(); });
after(() => engine?.close());

// A check, run as this engine's expectations say: skipped where its automation
// cannot express what the check needs, run but not failing the suite where the
// page is known to be wrong in this engine. With KZD_BAIL set (the mutation
// runner, which asks only whether the suite fails), the checks after the first
// that fails are skipped.
let failed = false;
function check(name, needs, body) {
    const options = expected(engineName, name, needs);
    test(name, options, async (t) => {
        if (failed && process.env.KZD_BAIL)
            return t.skip('an earlier check failed');
        try {
            return await body(t);
        } catch (error) {
            failed ||= !options.todo;
            throw error;
        }
    });
}

// One fresh board for the body, closed after it however the body ends.
async function onBoard(options, body) {
    const board = await engine.open(options);
    try {
        return await body(board);
    } finally {
        await board.close();
    }
}

const nameOf = (row) => (row.index < 0 ? row.name : `${row.name}(${row.index})`);
const description = (board) => board.evaluate(() => window.kzdBoard.description());
const rowNamed = (rows, name) => rows.find((r) => nameOf(r) === name);
const selectorOf = (name) => `[data-name="${name}"]`;

// Where a row lies on the board: its rectangle in its parent's client area, the
// map box's inside its border.
function boardRect(rows, row) {
    let [left, top] = row.rect;
    for (let p = row.parent; p >= 0; p = rows[p].parent) {
        left += rows[p].rect[0] + rows[p].border;
        top += rows[p].rect[1] + rows[p].border;
    }
    return [left, top, row.rect[2], row.rect[3]];
}

// The board's top left corner in the viewport.
const boardOrigin = (board) => board.evaluate(() => {
    const r = document.getElementById('board').getBoundingClientRect();
    return [r.left, r.top];
});

// A press of the left button in the middle of an element, as a user's click.
async function clickOn(board, selector) {
    const at = await board.evaluate((selector) => {
        const r = document.querySelector(selector).getBoundingClientRect();
        return [Math.round(r.left + r.width / 2), Math.round(r.top + r.height / 2)];
    }, selector);
    return board.click([at]);
}

// Typed into a cell or the notes: a click into it, then the text.
async function typeInto(board, name, text) {
    await clickOn(board, selectorOf(name));
    await board.insertText(text);
}

const focused = (board) => board.evaluate(() => document.activeElement.closest('[data-name]')?.dataset.name ?? null);

// The focused stop and the ring it shows (a selector's round its caption): its
// style, width, offset, and its contrast against what surrounds it.
async function focusShown(board) {
    const [name, style, width, offset, colour, around] = await board.evaluate(inPage(() => {
        const el = document.activeElement.closest('[data-name]');
        const ring = el && getComputedStyle(el);
        return [el?.dataset.name ?? null, ring?.outlineStyle, ring?.outlineWidth, ring?.outlineOffset, ring?.outlineColor,
                el && layersBehind(el.parentElement)];
    }, layersBehind));
    return { name, ring: style === 'none' ? 'none' : [style, width, offset, name && against(colour, around) >= 3] };
}
const kRing = ['solid', '2px', '1px', true];

// A function to run in the page with the named functions of this file it calls.
const inPage = (fn, ...helpers) => new Function('arg', `${helpers.join('\n')}\nreturn (${fn})(arg);`);

// Colours as the browser computes them, [r, g, b, alpha], and the contrast of
// two by their relative luminance in sRGB.
const rgba = (css) => { const [r, g, b, a = 1] = css.match(/[\d.]+/g).map(Number); return [r, g, b, a]; };
const luminance = (c) => c.slice(0, 3).map((v) => (v /= 255) <= 0.04045 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4)
    .reduce((sum, v, i) => sum + v * [0.2126, 0.7152, 0.0722][i], 0);
const contrast = (a, b) => { const [x, y] = [luminance(a), luminance(b)].sort((p, q) => q - p); return (x + 0.05) / (y + 0.05); };
// What shows behind an element: its own background and its ancestors' up to the
// first opaque one (on the map, the picture under the element), laid over each other.
const backdrop = (layers) => layers.map(rgba).reduceRight((under, [r, g, b, a]) =>
    [r * a + under[0] * (1 - a), g * a + under[1] * (1 - a), b * a + under[2] * (1 - a), 1]);
// A colour laid over its backdrop, against it.
const against = (colour, layers) => { const under = backdrop(layers); return contrast(backdrop([colour, ...layers]), under); };

// The layers behind an element, in the page: each background from the element
// up to the first opaque one; on the map, the picture's pixel under its centre.
function layersBehind(el) {
    const layers = [];
    for (let e = el; e; e = e.parentElement) {
        const canvas = e.matches('.picturebox .client') && e.querySelector(':scope > canvas');
        if (canvas) {
            const r = el.getBoundingClientRect(), c = canvas.getBoundingClientRect(), ratio = canvas.width / c.width;
            const at = (v, from, size) => Math.min(size - 1, Math.max(0, Math.floor((v - from) * ratio)));
            const [red, green, blue] = canvas.getContext('2d').getImageData(
                at(r.left + r.width / 2, c.left, canvas.width), at(r.top + r.height / 2, c.top, canvas.height), 1, 1).data;
            return [...layers, `rgb(${red}, ${green}, ${blue})`];
        }
        layers.push(getComputedStyle(e).backgroundColor);
        if (!/rgba/.test(layers.at(-1)) || /, 1\)$/.test(layers.at(-1)))
            return layers;
    }
    return [...layers, 'rgb(255, 255, 255)'];
}

// Where each part of a control lies on the board, from its row: a part is the
// control itself, the map's client area, the frame's edge, a picture's canvas
// (one canvas pixel on each device pixel; a face centred on whole pixels), an
// option's mark (the page's own, 13 pixels) and its caption (its width is the
// font's; it stands in the middle of a line of the font's own height).
function partRect(rows, row, part, ratio, lineHeight) {
    const [left, top, width, height] = boardRect(rows, row), border = row.border;
    const backing = (size) => Math.ceil(size * ratio - 1e-9) / ratio;
    switch (part) {
    case '': case 'edge': return [left, top, width, height];
    case 'client': return [left + border, top + border, width - 2 * border, height - 2 * border];
    case 'canvas': {
        const { width: w, height: h, face } = row.picture;
        return face ? [left + Math.floor((width - w) / 2), top + Math.floor((height - h) / 2), backing(w), backing(h)]
                    : [left + border, top + border, backing(w), backing(h)];
    }
    case 'input': return [left + 1, top + (height - 13) / 2, 13, 13];
    case 'span': return [left + 18, top + (height - lineHeight) / 2, null, lineHeight];
    }
    return [];
}

// Every caption whose text runs out of its room, in the page: a selector's and a
// text label's.
function clippedCaptions() {
    const range = document.createRange();
    return [...document.querySelectorAll('#board .option, #board .label.text')].filter((room) => {
        range.selectNodeContents(room.querySelector(':scope > span') ?? room);
        const ink = range.getBoundingClientRect(), box = room.getBoundingClientRect();
        return room.textContent && !(ink.left >= box.left - 0.01 && ink.right <= box.right + 0.01 &&
                                     ink.top >= box.top - 0.01 && ink.bottom <= box.bottom + 0.01);
    }).map((room) => room.dataset.name);
}

// In a dark scheme the system colours differ from one another, so each control
// shows it takes the one its row names; under forced colours the user's colours
// replace them, but not the fixed colours that tell the combatants apart.
const kLooks = [{ colorScheme: 'light' }, { colorScheme: 'dark' }, { colorScheme: 'light', ratio: 2 },
                { colorScheme: 'dark', forcedColors: true }];
for (const { colorScheme, ratio = 1, forcedColors = false } of kLooks)
check(`every part of every control stands at its row's place and size, in its font and colours, legible, no caption clipped `
      + `(${colorScheme} scheme, ratio ${ratio}${forcedColors ? ', forced colours' : ''})`, forcedColors ? ['forced colours'] : [], () =>
        onBoard({ colorScheme, ratio, forcedColors }, async (board) => {
    const { form, rows, fonts } = await description(board);
    const shown = await board.evaluate(inPage(() => {
        const board = document.getElementById('board').getBoundingClientRect();
        // A system colour as the browser resolves it, for comparing.
        const probe = document.body.appendChild(document.createElement('div'));
        const resolve = (keyword) => { probe.style.color = keyword; return getComputedStyle(probe).color; };
        const kinds = ['Canvas', 'Field', 'FieldText', 'ButtonFace', 'ButtonText'];
        const system = Object.fromEntries(kinds.map((k) => [k, resolve(k)]));
        probe.remove();
        const sides = ['top', 'right', 'bottom', 'left'], range = document.createRange();
        const textRect = (el) => { range.selectNodeContents(el); const r = range.getBoundingClientRect(); return [r.left - board.left, r.top - board.top, r.width, r.height]; };
        // A caption's width in its font with either of two fallbacks: the same where the page's own font draws every character of it.
        const measure = document.createElement('canvas').getContext('2d');
        const fallbackWidths = (el, style) => ['monospace', 'serif'].map((fallback) => {
            measure.font = `${style.fontWeight} ${style.fontSize} ${style.fontFamily.split(',')[0]}, ${fallback}`;
            return measure.measureText(el.textContent).width;
        });
        const parts = [...document.querySelectorAll('#board *')].map((el) => {
            const r = el.getBoundingClientRect(), style = getComputedStyle(el);
            const owner = el.closest('[data-name]');
            // The map box's background is its client area's; a selector's value is its radio's.
            const client = el.querySelector(':scope > .client');
            return { name: owner.dataset.name, part: el === owner ? '' : el.matches('.client, .edge') ? el.className : el.localName,
                     rect: [r.left - board.left, r.top - board.top, r.width, r.height], lineHeight: parseFloat(style.lineHeight),
                     font: `${style.fontWeight} ${style.fontSize} ${style.fontFamily.split(',')[0]}`,
                     fore: style.color, back: getComputedStyle(client ?? el).backgroundColor,
                     text: el.textContent, checked: el.querySelector('input[type=radio]')?.checked, digit: el.matches('.label.box') && textRect(el),
                     fallbacks: el.matches('.option > span, .label:not(.fill)') && fallbackWidths(el, style),
                     borders: sides.map((side) => [parseFloat(style[`border-${side}-width`]), style[`border-${side}-color`]]),
                     // Read where a contrast is checked: text, lines, marks.
                     behind: el.matches('.option > span, .label:not(.fill), input, textarea') && layersBehind(el),
                     around: el.matches('.option > input, .label.box, .control:not(.label, .option), .edge') && layersBehind(el.parentElement) };
        });
        return { parts, system, clipped: clippedCaptions(), width: board.width, height: board.height,
                 fontsReady: document.fonts.check('11px KzdSans') };
    }, layersBehind, clippedCaptions));
    assert.deepEqual([shown.width, shown.height], [form.width, form.height]);
    assert.ok(shown.fontsReady, 'the page\'s own font is loaded');
    assert.deepEqual(shown.clipped, [], 'captions clipped');
    const systemKeyword = { InfoBackground: 'Canvas', WindowBackground: 'Field', WindowText: 'FieldText',
                            ButtonFace: 'ButtonFace', ButtonText: 'ButtonText' };
    const colour = (c) => (c.system ? shown.system[systemKeyword[c.system]]
                                    : `rgb(${c.rgb >> 16 & 255}, ${c.rgb >> 8 & 255}, ${c.rgb & 255})`);
    // The user's colours replace the system colours under forced colours, and are theirs to choose.
    const sameColour = (seen, c, what) => (!forcedColors || !c.system) && assert.equal(seen, colour(c), what);
    const controls = shown.parts.filter((p) => p.part === '');
    assert.equal(controls.length, rows.length);
    for (const row of rows) {
        const el = controls.find((p) => p.name === nameOf(row));
        assert.ok(el, `${nameOf(row)} is on the board`);
        // A numbered box's digit is in the headings' bold font.
        const f = fonts[row.look === 'box' ? fonts.findIndex((g) => g.bold) : row.font];
        if (row.kind !== 'PictureBox' && row.kind !== 'CommandButton')
            assert.equal(el.font, `${f.bold ? 700 : 400} ${f.pixels}px KzdSans`, `${nameOf(row)}'s font`);
        if (row.kind !== 'Label' || row.look === 'fill')
            sameColour(el.back, row.back, `${nameOf(row)}'s background`);
        if (row.kind === 'OptionButton')
            assert.equal(el.checked, row.value !== 0, `${nameOf(row)} chosen at start`);
        // A numbered box on the map keeps its frame's black on the map's fixed grey.
        const onMap = row.look === 'box' && rows[row.parent]?.kind === 'PictureBox';
        if (row.kind !== 'PictureBox' && row.look !== 'fill')
            sameColour(el.fore, onMap ? { rgb: 0 } : row.fore, `${nameOf(row)}'s text colour`);
        if (row.kind === 'OptionButton' || row.look !== 'fill' && row.kind === 'Label')
            assert.equal(el.text, row.caption, `${nameOf(row)}'s caption`);
    }
    for (const part of shown.parts) {
        const row = rowNamed(rows, part.name), what = `${part.name}${part.part && `'s ${part.part}`}`;
        const want = partRect(rows, row, part.part, ratio, part.lineHeight);
        assert.equal(want.length, 4, `${what} is a part of its control`);
        want.forEach((v, i) => v === null || assert.ok(Math.abs(part.rect[i] - v) <= 0.01, `${what}'s place and size: ${part.rect}, not ${want}`));
        if (part.fallbacks)
            assert.equal(part.fallbacks[0], part.fallbacks[1], `${what}'s caption is drawn in the page's own font`);
        // A numbered box's digit is centred in the box, its line at the top inside the frame.
        if (part.digit)
            assert.ok(Math.abs(part.digit[0] + part.digit[2] / 2 - want[0] - want[2] / 2) <= 0.05 &&
                      Math.abs(part.digit[1] + part.digit[3] / 2 - want[1] - 1 - part.lineHeight / 2) <= 0.05, `${what}'s digit at ${part.digit}`);
        // Text against what shows behind it; every line that bounds a control, and an
        // option's mark, against what surrounds it.
        if (row.kind === 'OptionButton' ? part.part === 'span'
                                        : part.part === '' && !['PictureBox', 'Frame', 'CommandButton'].includes(row.kind) && row.look !== 'fill')
            assert.ok(against(part.fore, part.behind) >= 4.5, `${what}'s text ${part.fore} on ${part.behind}: ${against(part.fore, part.behind)}`);
        for (const [width, line] of part.borders)
            if (width > 0)
                assert.ok(against(line, part.around) >= 3, `${what}'s line ${line} on ${part.around}: ${against(line, part.around)}`);
        if (part.part === 'input' && row.value !== 0)
            assert.ok(against(part.back, part.around) >= 3, `${what}'s dot ${part.back} on ${part.around}`);
    }
    // Where two controls overlap, the later row is drawn on top, as the window draws them.
    const overlaps = [];
    for (const [a, b] of rows.flatMap((a) => rows.filter((b) => b.id > a.id && b.parent === a.parent).map((b) => [a, b]))) {
        const [ra, rb] = [boardRect(rows, a), boardRect(rows, b)];
        const [left, top] = [Math.max(ra[0], rb[0]), Math.max(ra[1], rb[1])];
        const [right, bottom] = [Math.min(ra[0] + ra[2], rb[0] + rb[2]), Math.min(ra[1] + ra[3], rb[1] + rb[3])];
        if (left < right && top < bottom && (a.parent < 0 || rows[a.parent].kind !== 'PictureBox')) // markers start piled up out of sight
            overlaps.push({ under: nameOf(a), over: nameOf(b), at: [(left + right) / 2, (top + bottom) / 2] });
    }
    const onTop = await board.evaluate((points) => {
        const board = document.getElementById('board').getBoundingClientRect();
        return points.map(([x, y]) => document.elementFromPoint(board.left + x, board.top + y).closest('[data-name]').dataset.name);
    }, overlaps.map((o) => o.at));
    overlaps.forEach((o, i) => assert.equal(onTop[i], o.over, `${o.over} over ${o.under}`));
}));

// Whatever a browser's rasteriser makes of the captions' widths, they are fitted to
// their rooms: on a page whose text runs wider (spaced out here) the selectors'
// font ends smaller, and no caption is clipped.
check('captions set wider than their font are fitted to their rooms by a smaller font, none clipped', [], async () => {
    const folder = mkdtempSync(join(tmpdir(), 'kzd-wide-'));
    const wide = join(folder, basename(pagePath));
    writeFileSync(wide, readFileSync(pagePath, 'utf8').replace('</head>', '<style>#board { letter-spacing: .6px; }</style>\n</head>'));
    try {
        await onBoard({ variant: wide }, async (board) => {
            const { rows, fonts } = await description(board);
            const [size, clipped] = await board.evaluate(inPage(() => [parseFloat(getComputedStyle(
                document.querySelector('#board .option')).fontSize), clippedCaptions()], clippedCaptions));
            assert.ok(size < fonts[rows.find((r) => r.kind === 'OptionButton').font].pixels, `the selectors' font stays ${size} pixels`);
            assert.deepEqual(clipped, [], 'captions clipped');
        });
    } finally {
        rmSync(folder, { recursive: true, force: true });
    }
});

// The map's grid as its tile makes it: a tile of 24 x 42 pixels repeated from the
// top left corner, given as [first row, last row, the x of its line pixels], and
// the right-most column background.
const kGrid = { line: 0x928F92, background: 0xA9A9A9, lastColumn: 462, rows: [
    [0, 2, [12]], [3, 3, [10, 11, 13, 14]], [4, 4, [8, 9, 15, 16]], [5, 5, [6, 7, 17, 18]], [6, 6, [5, 6, 18, 19]],
    [7, 7, [3, 4, 20, 21]], [8, 8, [1, 2, 22, 23]], [9, 23, [0]], [24, 24, [1, 2, 22, 23]], [25, 25, [3, 4, 20, 21]],
    [26, 26, [5, 6, 18, 19]], [27, 27, [6, 7, 17, 18]], [28, 28, [8, 9, 15, 16]], [29, 29, [10, 11, 13, 14]], [30, 41, [12]]] };

// What is wrong with the pictures, in the page, against what they must show at
// the device's ratio, worked out here rather than by the page's drawing code:
// each canvas holds a pixel for each device pixel, one canvas pixel shown on each;
// the grid's device pixels are those of its tile, each the map pixel its centre
// lies in; a face holds its colours exactly inside its shapes and its
// background outside them, an inner shape's on every device pixel whose centre
// it holds and nowhere else, and its word's ink. In the board's screenshot (where
// given) a picture that starts on a whole device pixel shows exactly what its
// canvas holds, and the grid shows its two greys only, wherever it starts; a
// numbered box shows all four of its lines (a device pixel or more wide), the
// chosen selector's mark its ring apart from its dot.
async function picturesWrong({ png, ratio, rows, grid }) {
    const wrong = [];
    const rgbAt = (data, width, x, y) => { const i = (y * width + x) * 4; return data[i] << 16 | data[i + 1] << 8 | data[i + 2]; };
    const board = document.getElementById('board').getBoundingClientRect();
    let shot = null;
    if (png) {
        const bitmap = await createImageBitmap(new Blob([Uint8Array.from(atob(png), (c) => c.charCodeAt(0))], { type: 'image/png' }));
        const scratch = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
        scratch.drawImage(bitmap, 0, 0);
        shot = { width: bitmap.width, data: scratch.getImageData(0, 0, bitmap.width, bitmap.height).data };
    }
    const tileRows = [];
    for (const [first, last, xs] of grid.rows)
        for (let y = first; y <= last; ++y)
            tileRows[y] = xs;
    const inside = (s, x, y, margin) => (s.ellipse
        ? ((x - s.left - s.width / 2) / (s.width / 2 + margin)) ** 2 + ((y - s.top - s.height / 2) / (s.height / 2 + margin)) ** 2 <= 1
        : x >= s.left - margin && x <= s.left + s.width + margin && y >= s.top - margin && y <= s.top + s.height + margin);
    const named = (row) => (row.index < 0 ? row.name : `${row.name}(${row.index})`);
    for (const row of rows.filter((r) => r.picture)) {
        const { width, height, face } = row.picture, name = named(row);
        const canvas = document.querySelector(`[data-name="${name}"] canvas`), r = canvas.getBoundingClientRect();
        const physical = (v) => Math.ceil(v * ratio - 1e-9);
        if (canvas.width !== physical(width) || canvas.height !== physical(height) || Math.abs(r.width * ratio - canvas.width) > 0.05)
            wrong.push(`${name}: a canvas of ${canvas.width} x ${canvas.height} shown ${r.width * ratio} device pixels wide`);
        const held = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
        let bad = 0, ink = 0;
        const box = face ? face.box : [0, 0, 0, 0];
        const word = { left: box[0], top: box[2], width: box[1] + 1 - box[0], height: box[3] + 1 - box[2] };
        const shapes = face && face.symbol.filter((s) => s.smoothed).concat([word]), laid = face && face.symbol.filter((s) => !s.smoothed);
        for (let py = 0; py < canvas.height; ++py)
            for (let px = 0; px < canvas.width; ++px) {
                const seen = rgbAt(held, canvas.width, px, py);
                const [x, y] = [(px + 0.5) / ratio, (py + 0.5) / ratio];
                if (!face) {
                    const [gx, gy] = [Math.min(Math.floor(x), width - 1), Math.min(Math.floor(y), height - 1)];
                    bad += seen !== (gx !== grid.lastColumn && tileRows[gy % 42].includes(gx % 24) ? grid.line : grid.background);
                    continue;
                }
                // An inner shape's colour exactly where the point lies inside it (one
                // within a hair of its edge may fall either side); elsewhere, what lies below.
                let w = laid.length - 1;
                while (w >= 0 && !inside(laid[w], x, y, 1e-9))
                    --w;
                if (w >= 0) {
                    bad += inside(laid[w], x, y, -1e-9) && seen !== (laid[w].colour & 0xFFFFFF);
                    continue;
                }
                // The topmost outer shape within a pixel of the point (a device pixel,
                // where that is larger): its colour where the point lies as far inside
                // it; the word's ink shows on its strokes only.
                const margin = Math.max(1, 1 / ratio);
                let k = shapes.length - 1;
                while (k >= 0 && !inside(shapes[k], x, y, margin))
                    --k;
                if (k === shapes.length - 1)
                    ink += seen === (face.ink & 0xFFFFFF);
                else if (k < 0 || inside(shapes[k], x, y, -margin))
                    bad += seen !== ((k < 0 ? face.background : shapes[k].colour) & 0xFFFFFF);
            }
        if (bad)
            wrong.push(`${name}: ${bad} device pixels not as its ${face ? 'shapes' : 'tile'} say`);
        if (face && !ink)
            wrong.push(`${name}: no pixel of its word in its ink`);
        if (!shot)
            continue;
        const [left, top0] = [(r.left - board.left) * ratio, (r.top - board.top) * ratio];
        const clip = canvas.parentElement.getBoundingClientRect();
        const [right, lower] = [Math.min(r.right, clip.right), Math.min(r.bottom, clip.bottom)].map((v, i) => (v - [board.left, board.top][i]) * ratio);
        let differ = 0;
        if (Math.abs(left - Math.round(left)) < 1e-6 && Math.abs(top0 - Math.round(top0)) < 1e-6) {
            for (let py = 0; py < Math.round(lower - top0); ++py)
                for (let px = 0; px < Math.round(right - left); ++px)
                    differ += rgbAt(shot.data, shot.width, Math.round(left) + px, Math.round(top0) + py) !== rgbAt(held, canvas.width, px, py);
        } else if (!face) {
            for (let y = Math.ceil(top0) + 1; y < Math.floor(lower) - 1; ++y)
                for (let x = Math.ceil(left) + 1; x < Math.floor(right) - 1; ++x)
                    differ += ![grid.line, grid.background].includes(rgbAt(shot.data, shot.width, x, y));
        }
        if (differ)
            wrong.push(`${name}: ${differ} device pixels of the screenshot not what its canvas holds`);
    }
    for (const box of shot && ratio >= 1 ? document.querySelectorAll('#board > .label.box') : []) {
        const b = box.getBoundingClientRect(), frame = getComputedStyle(box).borderTopColor.match(/\d+/g).map(Number);
        const [l, t, rr, bb] = [b.left - board.left, b.top - board.top, b.right - board.left, b.bottom - board.top].map((v) => v * ratio);
        const lineAt = (x, y) => rgbAt(shot.data, shot.width, x, y) === (frame[0] << 16 | frame[1] << 8 | frame[2]);
        const vertical = (x) => { for (let y = Math.ceil(t) + 2; y < Math.floor(bb) - 2; ++y) if (!lineAt(x, y)) return false; return true; };
        const horizontal = (y) => { for (let x = Math.ceil(l) + 2; x < Math.floor(rr) - 2; ++x) if (!lineAt(x, y)) return false; return true; };
        // A line that does not start on a whole device pixel may be drawn over two.
        const sides = { left: [Math.floor(l), Math.ceil(l)].some(vertical), right: [Math.floor(rr) - 1, Math.ceil(rr) - 1].some(vertical),
                        top: [Math.floor(t), Math.ceil(t)].some(horizontal), bottom: [Math.floor(bb) - 1, Math.ceil(bb) - 1].some(horizontal) };
        const missing = Object.keys(sides).filter((side) => !sides[side]);
        if (missing.length)
            wrong.push(`${box.dataset.name}: no ${missing.join(', ')} line`);
    }
    // The chosen selector's mark (13 pixels: a ring of 1, a gap of 2, the dot) keeps the gap.
    for (const mark of shot ? document.querySelectorAll('#board .option input:checked') : []) {
        const m = mark.getBoundingClientRect();
        const at = (x, y) => rgbAt(shot.data, shot.width, Math.floor((m.left - board.left + x) * ratio), Math.floor((m.top - board.top + y) * ratio));
        if (at(2.5, 6.5) === at(6.5, 6.5))
            wrong.push(`${mark.parentElement.dataset.name}: its mark is filled, no gap between its ring and its dot`);
    }
    return wrong;
}

// The pictures as a fresh board shows them at the ratio it starts at.
for (const ratio of [1, 2])
check(`pictures are drawn crisp at ratio ${ratio}, as their tile and shapes say`, [], () => onBoard({ ratio }, async (board) => {
    const { rows } = await description(board);
    const png = (await board.screenshot('#board')).toString('base64');
    assert.deepEqual(await board.evaluate(picturesWrong, { png, ratio, rows, grid: kGrid }), []);
}));

// The same pictures drawn anew when the ratio changes while the page runs, at each
// ratio a zoom or a screen of another scale gives; shown crisp where a picture
// starts inside a device pixel (the whole ratios' screenshots are those above).
check('pictures are drawn anew, crisp, at each ratio the page is given while it runs', ['ratio change'], (t) => onBoard({}, async (board) => {
    const { rows } = await description(board);
    const { skip } = expected(engineName, '', ['fractional ratio']);
    if (skip)
        t.diagnostic(`whole ratios only: ${skip}`);
    for (const ratio of [1.25, 1.5, 1.75, 2, 0.5, 1].filter((r) => Number.isInteger(r) || !skip)) {
        await board.setRatio(ratio);
        // Drawn anew once the map's canvas has the new ratio's size.
        await board.waitFor(([ratio, width]) => devicePixelRatio === ratio && document.querySelector('[data-name="Picture1"] canvas')
            .width === Math.ceil(width * ratio - 1e-9), [ratio, rowNamed(rows, 'Picture1').picture.width]);
        await board.evaluate(() => new Promise((shown) => requestAnimationFrame(() => requestAnimationFrame(shown))));
        const png = Number.isInteger(ratio) ? null : (await board.screenshot('#board')).toString('base64');
        assert.deepEqual(await board.evaluate(picturesWrong, { png, ratio, rows, grid: kGrid }), [], `at ratio ${ratio}`);
    }
}));

// Presses on the map, by mouse, touch and pen: which selector is chosen, where
// the press lands (a list of points is one gesture, the second point the second
// click of a double-click), with which button and keys, and where each marker
// ends up. Plain presses of every button anywhere on the map, on markers and at
// its edges are the random walk's (web_model.mjs); here what it does not make.
const kPresses = [
    // In a window shorter than the board, which the user has scrolled; a right-click
    // on a marker or on the map's border opens no menu and places nothing.
    { what: 'any button and modifier places, on a scrolled page; no right-click opens a menu', scrolled: true,
      presses: [{ select: 3, at: [[30, 40]], button: 'right', modifiers: ['Shift'] },
                { select: 4, at: [[60, 70]], button: 'middle', modifiers: ['Control'] },
                { at: [[65, 75]], button: 'right' }, { at: [[-1, 200]], button: 'right' }],
      markers: { 3: [30, 40], 4: [60, 70] } },
    // Close enough to the first to count as a double-click, and off the marker the first placed.
    { what: 'the second press of a double-click places nothing', needs: ['moved double-click'],
      presses: [{ at: [[40, 40], [37, 37]] }], markers: { 0: [40, 40] } },
    { what: 'a touch places', pointer: 'touch', presses: [{ select: 15, at: [[120, 80]] }], markers: { 15: [120, 80] } },
    { what: 'a pen places', pointer: 'pen', presses: [{ select: 9, at: [[220, 180]] }], markers: { 9: [220, 180] } },
    { what: 'a touch on a marker stays with it', pointer: 'touch',
      presses: [{ at: [[50, 50]] }, { select: 1, at: [[55, 60]] }], markers: { 0: [50, 50], 1: [464, 392] } },
];

const markerPlaces = (board) => board.evaluate(() => [...Array(16).keys()].map((s) => {
    const el = document.querySelector(`[data-name="Label3(${s})"]`);
    return [el.offsetLeft, el.offsetTop];
}));

// Where a point of the map's client area lies in the viewport.
async function mapPoint(board) {
    const { rows } = await description(board);
    const [map, origin] = [boardRect(rows, rowNamed(rows, 'Picture1')), await boardOrigin(board)];
    return ([x, y]) => [origin[0] + map[0] + 1 + x, origin[1] + map[1] + 1 + y];
}

for (const { what, pointer = 'mouse', needs = [], scrolled, presses, markers } of kPresses)
check(`placement: ${what}`, pointer === 'mouse' ? needs : [pointer, ...needs], () => onBoard({ touch: pointer === 'touch' }, async (board) => {
    if (scrolled)
        await board.evaluate(() => { document.body.style.paddingBottom = '100vh'; scrollTo(0, 37); });
    const onMap = await mapPoint(board);
    // Each context menu the page is asked for, and whether it turned it off (none is shown either way).
    await board.evaluate(() => addEventListener('contextmenu', (e) => { (window.kzdMenus ??= []).push(e.defaultPrevented); e.preventDefault(); }));
    const moved = [];
    for (const { select, at, button, modifiers } of presses) {
        if (select !== undefined)
            await clickOn(board, `${selectorOf(`Option${select + 1}`)} input`);
        // On the map's client area, markers too, a touch neither pans nor zooms the page.
        if (at[0][0] >= 0 && at[0][1] >= 0)
            assert.ok(await board.evaluate(([x, y]) => { for (let el = document.elementFromPoint(x, y); el; el = el.parentElement)
                if (getComputedStyle(el).touchAction === 'none') return true; }, onMap(at[0])), `touch-action at ${at[0]}`);
        if (pointer === 'touch') {
            // A touch places as it starts, as a press does, not when it ends as a tap.
            await board.touchStart(onMap(at[0]));
            await board.evaluate(() => new Promise(requestAnimationFrame));
            moved.push(await markerPlaces(board));
            await board.touchEnd();
        } else {
            await board.click(at.map(onMap), { button, modifiers, pointer });
        }
    }
    moved.push(await markerPlaces(board));
    // The page turns off every right-click's menu (Firefox asks it nothing where Shift is held).
    const menus = await board.evaluate(() => window.kzdMenus ?? []);
    assert.ok(menus.every(Boolean) && menus.length >= presses.filter((p) => p.button === 'right' && !p.modifiers).length, `menus ${menus}`);
    for (const places of moved)
        for (const [slot, [left, top]] of Object.entries(markers))
            assert.deepEqual(places[slot], [left, top], `marker ${slot}`);
    // What shows is clipped at the edge of the map's client area, whose place and
    // size the check over every part holds to its row.
    assert.equal(await board.evaluate(() => getComputedStyle(document.querySelector('[data-name="Picture1"] .client')).overflow),
                 'hidden');
}));

const sheetTexts = (board) => board.evaluate(() =>
    [...document.querySelectorAll('#board input[type=text], #board textarea')].map((el) => el.value));

check('Clear empties every cell and both notes and parks every marker, keeping its left and the choice', [], () =>
        onBoard({}, async (board) => {
    const { rows } = await description(board);
    await clickOn(board, `${selectorOf('Option6')} input`);
    await board.click([(await mapPoint(board))([120, 80])]);
    await board.evaluate(() => document.querySelectorAll('#board input[type=text], #board textarea')
        .forEach((el, i) => { el.value = `entry ${i}`; }));
    await clickOn(board, selectorOf('cmdClear'));
    const texts = await sheetTexts(board);
    assert.equal(texts.length, 82);
    assert.ok(texts.every((t) => t === ''), 'every cell and note is empty');
    assert.deepEqual(await markerPlaces(board), rows.filter((r) => r.name === 'Label3').map((r) => [r.index === 5 ? 120 : r.rect[0], 400]));
    assert.deepEqual(await board.evaluate(() => [document.querySelector('#board input[type=radio]:checked').parentElement.dataset.name,
                                                 document.activeElement.dataset.name]), ['Option6', 'cmdClear']);
}));

check('the page is the window: its title, language and last line; Close takes the board down and says how to start afresh; '
      + 'a window a script opened closes', [], () => onBoard({}, async (board) => {
    const { form } = await description(board);
    assert.deepEqual(await board.evaluate(() => [document.title, document.documentElement.lang]), [form.caption, 'en']);
    // A window the user opened and has moved on in, which no script may close.
    await board.evaluate(() => history.pushState(null, ''));
    await typeInto(board, 'Text1(3)', 'kept nowhere');
    await clickOn(board, selectorOf('cmdClose'));
    assert.equal(await board.evaluate(() => document.getElementById('board') === null), true, 'the board is gone');
    assert.equal(await board.evaluate(() => document.getElementById('kzd-ended').innerText),
                 `${programName} has ended. Reload the page to start a fresh board.`);
    // Opened as its own window, the page closes.
    const popup = await board.windowOpenedBy((url) => { window.open(url, '_blank', 'popup'); }, pageUrl);
    // Close asks nothing, whatever is typed; the click ends the page it lands in,
    // so the automation may not hear back from it.
    await typeInto(popup, 'RichTextBox1(1)', 'kept nowhere');
    await clickOn(popup, selectorOf('cmdClose')).catch(() => {});
    await popup.closed();
}));

check('leaving the page asks the browser\'s own question while a cell or note holds typed text, and only then',
      ['leave-page question'], () => onBoard({}, async (board) => {
    assert.equal(await board.asksToLeave(), false, 'a fresh board');
    // A window the user has moved on in, which Close takes the board out of rather than closes.
    await board.evaluate(() => history.pushState(null, ''));
    for (const [name, then] of [['Text1(79)', 'cmdClear'], ['RichTextBox1(0)', 'cmdClear'], ['Text1(0)', 'cmdClose']]) {
        await typeInto(board, name, 'Orc chief');
        assert.equal(await board.asksToLeave(), true, `${name} typed into`);
        await clickOn(board, selectorOf(then));
        assert.equal(await board.asksToLeave(), false, `${name} typed into, then ${then}`);
    }
}));

// A static host on the loopback, which can go away and come back on its port,
// and lets browsers keep its files for ten minutes, as common hosts do.
async function staticHost(folder) {
    const types = { '.html': 'text/html', '.js': 'text/javascript', '.webmanifest': 'application/manifest+json', '.png': 'image/png' };
    let server, port = 0;
    const start = () => new Promise((resolve, reject) => {
        server = createServer((request, response) => {
            const path = join(folder, new URL(request.url, 'http://host').pathname.replace(/\/$/, '/index.html'));
            readFile(path).then((body) => response.writeHead(200, { 'content-type': types[extname(path)] ?? 'text/plain',
                                                                 'cache-control': 'max-age=600' }).end(body),
                                () => response.writeHead(404).end());
        }).once('error', reject).listen(port, '127.0.0.1', () => resolve(port = server.address().port));
    });
    await start();
    return { url: `http://127.0.0.1:${port}/`, start,
             stop: () => new Promise((resolve) => { server.closeAllConnections(); server.close(resolve); }) };
}

check('the site, once visited, opens and works with its host gone; Chromium can install it; a newer build on the host '
      + 'is taken at a later start, never under a board in use', [], async (t) => {
    // In a folder of its host, as many hosts put a site.
    const folder = mkdtempSync(join(tmpdir(), 'kzd-site-')), site = join(folder, 'board');
    cpSync(sitePath, site, { recursive: true });
    const host = await staticHost(folder);
    const board = await awaitBoard(await engine.visit(`${host.url}board/`, { kept: true }));
    // Which build shows, whether it is the document that was in use, and a cell's text.
    const state = () => [document.querySelector('meta[name=kzd-build]')?.content ?? 'first', window.inUse ?? false,
                         document.querySelector('[data-name="Text1(0)"]').value];
    try {
        await board.waitFor(() => !!navigator.serviceWorker.controller);
        // Every file of the site but its worker is kept for use offline.
        assert.deepEqual(await board.evaluate(async () => (await (await caches.open((await caches.keys())[0])).keys())
                             .map((request) => request.url.split('/').pop()).sort()),
                         readdirSync(site).filter((file) => file !== 'sw.js').sort(), 'the files kept');
        await t.test('no installability error', expected(engineName, 'installability', ['installability']),
                     async () => assert.deepEqual(await board.installability(), []));
        await host.stop();
        await board.reload();
        const { rows } = await description(board);
        assert.equal(await board.evaluate(() => document.querySelectorAll('#board [data-name]').length), rows.length, 'the whole board');
        await clickOn(board, `${selectorOf('Option3')} input`);
        await board.click([(await mapPoint(board))([100, 60])]);
        assert.deepEqual((await markerPlaces(board))[2], [100, 60], 'placed');
        await clickOn(board, selectorOf('cmdClear'));
        assert.deepEqual((await markerPlaces(board))[2], [100, 400], 'parked by Clear');

        // A newer build: another page, and a worker of another version.
        const edit = (file, from, to) => writeFileSync(join(site, file), readFileSync(join(site, file), 'utf8').replace(from, to));
        edit('index.html', '<head>', '<head>\n<meta name="kzd-build" content="newer">');
        edit('sw.js', /^const version = '(\w+)';/m, "const version = '$1-newer';");
        await host.start();
        await board.reload();
        await typeInto(board, 'Text1(0)', 'Orc chief');
        // The old build's files go; another site's of the same host stay.
        await board.evaluate(() => { window.inUse = true; return caches.open('another site'); });
        await board.waitFor(() => {
            caches.keys().then((names) => { window.kept = names; });
            return window.kept?.length === 2 && window.kept.includes('another site') && window.kept.some((name) => name.endsWith('-newer'));
        });
        assert.deepEqual(await board.evaluate(state), ['first', true, 'Orc chief'], 'the board in use stays as it is');
        await clickOn(board, selectorOf('cmdClear'));
        await board.reload();
        assert.deepEqual(await board.evaluate(state), ['newer', false, ''], 'the next start opens the newer build');
    } finally {
        await board.close();
        await host.stop();
        rmSync(folder, { recursive: true, force: true });
    }
});

check('Tab walks every stop of the window in order and Shift+Tab walks back, with no trap, showing the page\'s ring at each', [], (t) =>
        onBoard({}, async (board) => {
    const { rows, focusOrder } = await description(board);
    // The selectors share one stop, the chosen one.
    const stops = focusOrder.map((id) => rows[id]).filter((r) => r.kind !== 'OptionButton' || r.value !== 0).map(nameOf);
    assert.equal(stops.length, 86);
    // No ring where the page put the focus at start; the page's own ring wherever the keyboard moves it.
    const walk = [await focusShown(board)];
    for (let i = 1; i < stops.length; ++i) {
        await board.key('Tab');
        walk.push(await focusShown(board));
    }
    assert.deepEqual(walk.map((f) => f.name), stops);
    const back = [];
    for (let i = 1; i < stops.length; ++i) {
        await board.key('Tab', ['Shift']);
        back.unshift(await focusShown(board));
    }
    assert.deepEqual([...back.map((f) => f.name), stops.at(-1)], stops);
    await t.test('no ring at start, the page\'s ring at every stop the keyboard moves to', expected(engineName, 'ring', ['focus ring']), () => {
        assert.equal(walk[0].ring, 'none', 'a ring at start');
        [...walk.slice(1), ...back].forEach((f) => assert.deepEqual(f.ring, kRing, `${f.name}'s ring`));
    });
    // Past the last stop come the browser's own controls, where it has any, then the first stop again.
    await board.evaluate(() => document.querySelector('[data-name="cmdClear"]').focus());
    const past = [];
    do {
        await board.key('Tab');
        past.push(await focused(board));
    } while (past.at(-1) === null && past.length < 6);
    assert.equal(past.at(-1), stops[0], `after the last stop: ${past}`);
}));

// The arrow keys on the focused selector, in order, and the selector focused and
// chosen after each: they walk the selectors round and choose as they go.
const kArrows = [
    { key: 'Tab', focus: 'Option1' }, { key: 'ArrowDown', focus: 'Option2' }, { key: 'ArrowRight', focus: 'Option3' },
    { key: 'ArrowUp', focus: 'Option2' }, { key: 'ArrowLeft', focus: 'Option1' }, { key: 'ArrowUp', focus: 'Option16' },
    { key: 'ArrowDown', focus: 'Option1' },
];

// What Enter, Space and Escape do on each kind of control that takes the focus,
// as in the window (whose checks hold it to the same table): the text the key
// types into the control, 'press' for a button's command, '' for nothing.
const kKeyEffects = {
    PictureBox: { Enter: '', Space: '', Escape: '' },
    OptionButton: { Enter: '', Space: '', Escape: '' },
    TextBox: { Enter: '', Space: ' ', Escape: '' },
    RichTextBox: { Enter: '\n', Space: ' ', Escape: '' },
    CommandButton: { Enter: '', Space: 'press', Escape: '' },
};

// Everything a user can see a key change: the focus, the choice, every text and
// marker; null once the board is gone.
const boardState = (board) => board.evaluate(() => document.getElementById('board') && {
    focus: document.activeElement.closest('[data-name]')?.dataset.name ?? null,
    chosen: document.querySelector('#board input[type=radio]:checked').parentElement.dataset.name,
    texts: Object.fromEntries([...document.querySelectorAll('#board input[type=text], #board textarea')].map((el) => [el.dataset.name, el.value])),
    markers: [...document.querySelectorAll('[data-name^="Label3("]')].map((el) => [el.offsetLeft, el.offsetTop]),
});

check('the arrow keys walk the selectors round; Enter, Space and Escape on each kind of control do what they do in the window, and nothing more', [], () =>
        onBoard({}, async (board) => {
    // From the map, the first stop.
    for (const { key, focus } of kArrows) {
        await board.key(key);
        assert.deepEqual(await board.evaluate(() => [document.activeElement.closest('[data-name]').dataset.name,
            document.querySelector('#board input[type=radio]:checked').parentElement.dataset.name]), [focus, focus], key);
    }
    const { rows, focusOrder } = await description(board);
    await board.click([(await mapPoint(board))([100, 50])]);
    // A window the user has moved on in, which Close takes down rather than closes.
    await board.evaluate(() => {
        history.pushState(null, '');
        document.querySelector('[data-name="Text1(0)"]').value = 'Orc chief';
        document.querySelector('[data-name="RichTextBox1(0)"]').value = 'mira';
    });
    // The first control of each kind that takes the focus and every button, Close's press last, as it ends the board.
    const controls = focusOrder.map((id) => rows[id]).filter((row, i, all) => kKeyEffects[row.kind] && (row.value !== 0 || row.kind !== 'OptionButton')
        && (row.kind === 'CommandButton' || all.findIndex((r) => r.kind === row.kind) === i));
    controls.sort((a, b) => (a.name === 'cmdClose') - (b.name === 'cmdClose'));
    for (const row of controls)
        for (const [key, does] of Object.entries(kKeyEffects[row.kind]).sort(([, a], [, b]) => (a === 'press') - (b === 'press'))) {
            await board.evaluate((name) => {
                const el = document.querySelector(`[data-name="${name}"]`);
                const target = el.querySelector('input, canvas[tabindex]') ?? el;
                target.focus();
                if (target.matches('input[type=text], textarea'))
                    target.setSelectionRange(target.value.length, target.value.length);
            }, nameOf(row));
            const before = await boardState(board);
            let want = structuredClone(before);
            if (does === 'press' && row.name === 'cmdClose')
                want = null;
            else if (does === 'press') {
                Object.keys(want.texts).forEach((name) => { want.texts[name] = ''; });
                want.markers = want.markers.map(([left]) => [left, 400]);
            } else if (does)
                want.texts[nameOf(row)] += does;
            await board.key(key);
            assert.deepEqual(await boardState(board), want, `${key} on ${nameOf(row)}`);
        }
}));

// A button's face sinks a pixel while the button is pressed, as the window's
// does, and only then: not under the mouse alone, nor once let go; and a press
// of the mouse shows no focus ring, which is the keyboard's.
check('a button\'s face sinks a pixel while it is pressed, and only then; the mouse shows no ring', [], () => onBoard({}, async (board) => {
    const { rows } = await description(board);
    const origin = await boardOrigin(board);
    const look = (name) => board.evaluate((name) => {
        const button = document.querySelector(`[data-name="${name}"]`), style = getComputedStyle(button);
        const [b, c] = [button, button.querySelector('canvas')].map((el) => el.getBoundingClientRect());
        return [c.left - b.left, c.top - b.top, style.backgroundColor, style.borderTopColor, style.borderTopWidth, style.outlineStyle];
    }, name);
    for (const row of rows.filter((r) => r.kind === 'CommandButton')) {
        const [left, top, width, height] = boardRect(rows, row), name = nameOf(row);
        const centre = [Math.round(origin[0] + left + width / 2), Math.round(origin[1] + top + height / 2)];
        const rest = await look(name);
        await board.mouse(centre);
        assert.deepEqual(await look(name), rest, `${name} under the mouse`);
        await board.mouse(centre, 'down');
        assert.deepEqual(await look(name), [rest[0] + 1, rest[1] + 1, ...rest.slice(2)], `${name} pressed`);
        // Let go off the button, which presses nothing, and back over it.
        await board.mouse([origin[0] - 4, origin[1] - 4], 'up');
        await board.mouse(centre);
        assert.deepEqual(await look(name), rest, `${name} under the mouse once let go`);
    }
}));

check('nothing is stored and nothing is asked for after the page has loaded; a megabyte pasted into the notes clears', [], (t) =>
        onBoard({}, async (board) => {
    await board.evaluate(() => document.querySelector('[data-name="RichTextBox1(0)"]').focus());
    const megabyte = 'The goblins hide behind the 3rd pillar. '.repeat(26215).slice(0, 1 << 20);
    await board.insertText(megabyte);
    assert.equal(await board.evaluate(() => document.querySelector('[data-name="RichTextBox1(0)"]').value.length), 1 << 20);
    await typeInto(board, 'Text1(0)', 'Orc chief');
    await board.click([(await mapPoint(board))([52, 52])]);
    await clickOn(board, selectorOf('cmdClear'));
    assert.ok((await sheetTexts(board)).every((text) => text === ''));
    const kept = await board.evaluate(async () => ({
        cookie: document.cookie, local: localStorage.length, session: sessionStorage.length,
        databases: (await indexedDB.databases()).length, resources: performance.getEntriesByType('resource').length,
    }));
    assert.deepEqual(kept, { cookie: '', local: 0, session: 0, databases: 0, resources: 0 });
    await t.test('the browser itself saw no request', expected(engineName, 'requests', ['network log']),
                 () => assert.deepEqual(board.requests(), []));
}));

// What a screen reader is told of each control: the role of its kind and its
// name. A text label is read as its text, so it has no name of its own. The
// map's picture is a canvas, which has no ARIA role: Chromium's tree names its
// own role for it, the other engines' automation gives none (its AT-SPI role,
// canvas, is checked where Orca hears the page).
const kRoles = { PictureBox: engineName === 'chromium' ? 'Canvas' : '', OptionButton: 'radio', TextBox: 'textbox', RichTextBox: 'textbox',
                 Frame: 'group', CommandButton: 'button', fill: 'image', box: 'image', text: 'generic' };

check('every control has its name and role in the accessibility tree', ['accessibility'], () => onBoard({}, async (board) => {
    const { rows } = await description(board);
    for (const row of rows) {
        const text = row.kind === 'Label' && row.look === 'text';
        const want = { role: kRoles[row.kind === 'Label' ? row.look : row.kind], name: text ? '' : row.accessibleName };
        const selector = selectorOf(nameOf(row)) + ({ OptionButton: ' input', PictureBox: ' canvas' }[row.kind] ?? '');
        assert.deepEqual(await board.accessible(selector, want), want, `${nameOf(row)}'s role and name`);
    }
}));

// Pages made to fail: variants of the built page, or of the page built for the
// tests, whose binding fails every Set Left (failing: true), each with what is
// planted (a script that runs before the page's own, an edit of its text), a
// press on the map where the failure comes while the board runs, and the one
// line the page must show.
const kFailures = [
    { what: 'a browser without WebAssembly', lead: 'delete window.WebAssembly;',
      line: 'The board cannot start: this browser does not run WebAssembly, which the board\'s program needs (a security setting may have turned it off).' },
    { what: 'a program that does not compile', edit: (page) => page.replace('id="kzd-wasm">AGFzbQ', 'id="kzd-wasm">AAAAAA'),
      line: /^The board cannot start: CompileError: \S/ },
    { what: 'a page that lacks a control', edit: (page) => page.replace(/<input [^>]*data-name="Text1\(3\)"[^>]*>/, ''),
      line: 'The board cannot start: Error: the page lacks Text1(3)' },
    { what: 'a start that throws once the board is shown', lead: 'HTMLElement.prototype.focus = () => { throw new Error("no focus"); };',
      line: 'The board cannot start: Error: no focus' },
    { what: 'a handler whose forms call fails', failing: true, press: true,
      line: 'The board has stopped: Set Left of Label3(0) failed: the value is not a valid position. '
          + 'Reload the page to start a fresh board; until then what it holds stays readable.' },
    { what: 'an exception in a listener of the page', press: true,
      lead: 'Object.defineProperty(MouseEvent.prototype, "clientX", { get() { throw new Error("no point"); } });',
      // WebKit tells a page opened from a file only that one of its scripts failed.
      line: /^The board has stopped: the page's script failed( \(Error: no point\))?\. Reload the page to start a fresh board;/ },
];

// Counts every call into the program, however the page starts it, in window.kzdCalls.
function countCalls() {
    const wasm = window.WebAssembly, { Instance, instantiate } = wasm;
    window.kzdCalls = 0;
    const counted = (exports) => Object.fromEntries(Object.entries(exports).map(([name, f]) =>
        [name, typeof f === 'function' ? (...args) => (++window.kzdCalls, f(...args)) : f]));
    wasm.Instance = function (module, imports) { return { exports: counted(new Instance(module, imports).exports) }; };
    wasm.instantiate = (bytes, imports) => instantiate(bytes, imports).then(({ module, instance }) =>
        ({ module, instance: { exports: counted(instance.exports) } }));
}

const variants = mkdtempSync(join(tmpdir(), 'kzd-failing-'));
after(() => rmSync(variants, { recursive: true, force: true }));

// What a user sees and what has run: the line, the board, the markers, the choice and the sheet.
const seen = (board) => board.evaluate(() => {
    const shown = (el) => !!el && el.getClientRects().length > 0;
    const line = document.getElementById('kzd-ended');
    return { line: shown(line) ? line.textContent : null, board: shown(document.getElementById('board')),
             markers: [...document.querySelectorAll('[data-name^="Label3("]')].map((el) => [el.style.left, el.style.top]),
             chosen: document.querySelector('#board input[type=radio]:checked')?.parentElement.dataset.name,
             texts: Object.fromEntries([...document.querySelectorAll('#board input[type=text], #board textarea')]
                 .map((el) => [el.dataset.name, el.value])),
             calls: window.kzdCalls };
});

for (const [i, { what, failing = false, lead = '', edit, press = false, line }] of kFailures.entries())
check(`a failure says so in one line and leaves the board inert, what was typed readable: ${what}`, [], async () => {
    const page = readFileSync(failing ? failingPagePath : pagePath, 'utf8');
    const planted = edit ? edit(page) : page;
    assert.ok(!edit || planted !== page, 'the edit still finds what it changes');
    const variant = join(variants, `${i}.html`);
    writeFileSync(variant, planted.replace('<meta charset="utf-8">', (charset) => `${charset}\n<script>(${countCalls})();\n${lead}</script>`));
    await onBoard({ variant }, async (board) => {
        if (press) {
            await typeInto(board, 'Text1(0)', 'Orc chief');
            await typeInto(board, 'RichTextBox1(0)', 'The goblins hide behind the pillar.');
            // Scrolled down, so that the line's place above the board is out of sight.
            await board.evaluate(() => { document.body.style.paddingBottom = '100vh'; scrollTo(0, 100); });
            await clickOn(board, selectorOf('Picture1'));
        }
        const stopped = await seen(board);
        // The line stands above the board, in sight, and nothing covers it.
        assert.deepEqual(await board.evaluate(() => {
            const line = document.getElementById('kzd-ended').getBoundingClientRect(), board = document.getElementById('board');
            return [line.top >= 0 && line.bottom <= innerHeight, !board || board.hidden || line.bottom <= board.getBoundingClientRect().top,
                    document.elementFromPoint(line.left + 1, line.top + line.height / 2)?.id];
        }), [true, true, 'kzd-ended'], 'the line\'s place');
        if (line instanceof RegExp)
            assert.match(stopped.line ?? '', line);
        else
            assert.equal(stopped.line, line);
        // A board that ran stays in sight with what was typed; one that never started stays out of it.
        assert.equal(stopped.board, press);
        if (press) {
            assert.deepEqual([stopped.texts['Text1(0)'], stopped.texts['RichTextBox1(0)']], ['Orc chief', 'The goblins hide behind the pillar.']);
            assert.ok(stopped.calls > 0, 'the calls into the program are counted');
        }
        // Whatever a user does now runs nothing and changes nothing; a cell still
        // takes the focus, so its text can be selected and copied out.
        for (const selector of [selectorOf('Picture1'), `${selectorOf('Option3')} input`, selectorOf('cmdClear')]) {
            // Scrolled to first, as a user would: the line above a board that ran pushes it down.
            await board.evaluate((selector) => document.querySelector(selector).scrollIntoView({ block: 'nearest' }), selector);
            await clickOn(board, selector);
        }
        await typeInto(board, 'Text1(0)', ' and more');
        // An error that comes later says nothing new.
        await board.evaluate(() => new Promise((resolve) => { setTimeout(() => { throw new Error('later'); }); setTimeout(resolve); }));
        assert.deepEqual(await seen(board), stopped);
        if (press)
            assert.equal(await focused(board), 'Text1(0)');
    });
});
