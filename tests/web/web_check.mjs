// The web edition's checks, written once for every browser engine against its
// adapter (chromium.mjs, firefox.mjs, webkit.mjs) and checked against the
// window's own rows, which the page's program hands out: layout, pictures,
// placement by mouse, touch and pen, Clear, Close, the focus order, the
// selector keys, storage and requests, a large paste, what a screen reader
// is told, and what the page does at each failure. What an engine's automation cannot express, and what the page is
// known to get wrong in an engine, is listed in expectations.mjs.
//   node web_check.mjs chromium|firefox|webkit   (KZD_PAGE and KZD_NPM set)

import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';

import { expected } from './expectations.mjs';
import { pageUrl } from './page.mjs';
import { failingPagePath, pagePath } from './page.mjs';

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
// page is known to be wrong in this engine.
function check(name, needs, body) {
    test(name, expected(engineName, name, needs), body);
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

// In a dark scheme the system colours differ from one another, so each control
// shows it takes the one its row names.
for (const colorScheme of ['light', 'dark'])
check(`every control stands at its row's place and size, in its font and colours (${colorScheme} scheme)`, [], () =>
        onBoard({ colorScheme }, async (board) => {
    const { form, rows, fonts } = await description(board);
    const shown = await board.evaluate(() => {
        const board = document.getElementById('board').getBoundingClientRect();
        // A system colour as the browser resolves it, for comparing.
        const probe = document.body.appendChild(document.createElement('div'));
        const resolve = (keyword) => { probe.style.color = keyword; return getComputedStyle(probe).color; };
        const kinds = ['Canvas', 'Field', 'FieldText', 'ButtonFace', 'ButtonText'];
        const system = Object.fromEntries(kinds.map((k) => [k, resolve(k)]));
        probe.remove();
        const out = {};
        for (const el of document.querySelectorAll('#board [data-name]')) {
            const r = el.getBoundingClientRect(), style = getComputedStyle(el);
            // The map box's background is its client area's; a selector's value is its radio's.
            const client = el.querySelector(':scope > .client');
            out[el.dataset.name] = { rect: [r.left - board.left, r.top - board.top, r.width, r.height],
                                     font: `${style.fontWeight} ${style.fontSize} ${style.fontFamily.split(',')[0]}`,
                                     fore: style.color, back: getComputedStyle(client ?? el).backgroundColor,
                                     text: el.textContent, checked: el.querySelector('input[type=radio]')?.checked };
        }
        return { out, system, width: board.width, height: board.height, fontsReady: document.fonts.check('11px KzdSans') };
    });
    assert.deepEqual([shown.width, shown.height], [form.width, form.height]);
    assert.ok(shown.fontsReady, 'the page\'s own font is loaded');
    const systemKeyword = { InfoBackground: 'Canvas', WindowBackground: 'Field', WindowText: 'FieldText',
                            ButtonFace: 'ButtonFace', ButtonText: 'ButtonText' };
    const colour = (c) => (c.system ? shown.system[systemKeyword[c.system]]
                                    : `rgb(${c.rgb >> 16 & 255}, ${c.rgb >> 8 & 255}, ${c.rgb & 255})`);
    assert.equal(Object.keys(shown.out).length, rows.length);
    for (const row of rows) {
        const el = shown.out[nameOf(row)];
        assert.ok(el, `${nameOf(row)} is on the board`);
        assert.deepEqual(el.rect, boardRect(rows, row), `${nameOf(row)}'s place and size`);
        const f = fonts[row.font];
        if (row.kind !== 'PictureBox' && row.kind !== 'CommandButton')
            assert.equal(el.font, `${f.bold ? 700 : 400} ${f.pixels}px KzdSans`, `${nameOf(row)}'s font`);
        if (row.kind !== 'Label' || row.look === 'fill')
            assert.equal(el.back, colour(row.back), `${nameOf(row)}'s background`);
        if (row.kind === 'OptionButton')
            assert.equal(el.checked, row.value !== 0, `${nameOf(row)} chosen at start`);
        // A numbered box on the map keeps its frame's black on the map's fixed grey.
        const onMap = row.look === 'box' && rows[row.parent]?.kind === 'PictureBox';
        if (row.kind !== 'PictureBox' && row.look !== 'fill')
            assert.equal(el.fore, onMap ? 'rgb(0, 0, 0)' : colour(row.fore), `${nameOf(row)}'s text colour`);
        if (row.kind === 'OptionButton' || row.look !== 'fill' && row.kind === 'Label')
            assert.equal(el.text, row.caption, `${nameOf(row)}'s caption`);
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

const kFaceProbes = [
    ['cmdClear', 14, 13, 0xFFFFFF], ['cmdClear', 6, 13, 0xDD001A], ['cmdClear', 60, 2, 0xF1F4CE],
    ['cmdClose', 13, 12, 0x6A4F9A], ['cmdClose', 9, 12, 0xFFFFD4], ['cmdClose', 8, 12, 0x9B8BAD],
    ['cmdClose', 11, 9, 0x9B8BAD], ['cmdClose', 6, 12, 0x6A4F9A],
];

// The screenshot's pixels of each picture against those the program draws, at
// the device's ratio: the grid exactly, a face as the canvas holds it (so it is
// shown without scaling).
for (const ratio of [1, 2])
check(`pictures are drawn pixel for pixel at ratio ${ratio}`, [], () => onBoard({ ratio }, async (board) => {
    const { rows } = await description(board);
    for (const row of rows.filter((r) => r.picture)) {
        const canvas = `${selectorOf(nameOf(row))} canvas`;
        const placed = await board.evaluate((name) => {
            const button = document.querySelector(`[data-name="${name}"]`).getBoundingClientRect();
            const c = document.querySelector(`[data-name="${name}"] canvas`), face = c.getBoundingClientRect();
            return { backing: [c.width, c.height], offset: [face.left - button.left, face.top - button.top] };
        }, nameOf(row));
        assert.deepEqual(placed.backing, [Math.ceil(row.picture.width * ratio), Math.ceil(row.picture.height * ratio)],
                         `${nameOf(row)}'s canvas holds a pixel for each device pixel`);
        if (row.picture.face)
            assert.deepEqual(placed.offset, [Math.floor((row.rect[2] - row.picture.width) / 2),
                             Math.floor((row.rect[3] - row.picture.height) / 2)], `${nameOf(row)}'s face is centred on whole pixels`);
        const png = (await board.screenshot(canvas)).toString('base64');
        const differ = await board.evaluate(async ({ png, id, name, face, ratio }) => {
            const bytes = Uint8Array.from(atob(png), (c) => c.charCodeAt(0));
            const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/png' }));
            const scratch = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
            scratch.drawImage(bitmap, 0, 0);
            const seen = scratch.getImageData(0, 0, bitmap.width, bitmap.height).data;
            const canvas = document.querySelector(`[data-name="${name}"] canvas`);
            const want = face ? canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height)
                              : window.kzdBoard.pixels(id, ratio);
            if (bitmap.width !== want.width || bitmap.height !== want.height)
                return `size ${bitmap.width}x${bitmap.height}, not ${want.width}x${want.height}`;
            let wrong = 0;
            for (let i = 0; i < seen.length; ++i)
                wrong += seen[i] !== (face ? want.data : want.rgba)[i];
            return wrong;
        }, { png, id: row.id, name: nameOf(row), face: !!row.picture.face, ratio });
        assert.equal(differ, 0, `${nameOf(row)}: bytes that differ`);
    }
    // Inside its shapes a face has their exact colours, the inner ones laid on whole pixels.
    const seen = await board.evaluate(([probes, ratio]) => probes.map(([name, x, y]) => [...document
        .querySelector(`[data-name="${name}"] canvas`).getContext('2d')
        .getImageData(Math.floor((x + 0.5) * ratio), Math.floor((y + 0.5) * ratio), 1, 1).data.slice(0, 3)]), [kFaceProbes, ratio]);
    kFaceProbes.forEach(([name, x, y, colour], i) =>
        assert.deepEqual(seen[i], [colour >> 16, colour >> 8 & 255, colour & 255], `${name} at (${x}, ${y})`));
}));

// Presses on the map, by mouse, touch and pen: which selector is chosen, where
// the press lands (a list of points is one gesture, the second point the second
// click of a double-click), with which button and keys, and where each marker
// ends up.
const kPresses = [
    { what: 'Enemy 1 is chosen at start', presses: [{ at: [[100, 50]] }], markers: { 0: [100, 50] } },
    { what: 'a chosen slot\'s marker moves, the spot it left stays empty',
      presses: [{ select: 12, at: [[200, 300]] }, { at: [[10, 10]] }], markers: { 12: [10, 10], 0: [464, 392] } },
    { what: 'any button and modifier places',
      presses: [{ select: 3, at: [[30, 40]], button: 'right', modifiers: ['Shift'] },
                { select: 4, at: [[60, 70]], button: 'middle', modifiers: ['Control'] }],
      markers: { 3: [30, 40], 4: [60, 70] } },
    { what: 'a press on a marker stays with it', presses: [{ at: [[100, 100]] }, { select: 10, at: [[105, 105]] }],
      markers: { 0: [100, 100], 10: [464, 400] } },
    // Close enough to the first to count as a double-click, and off the marker the first placed.
    { what: 'the second press of a double-click places nothing', needs: ['moved double-click'],
      presses: [{ at: [[40, 40], [37, 37]] }], markers: { 0: [40, 40] } },
    { what: 'a press near the edge is clipped there', presses: [{ at: [[455, 390]] }], markers: { 0: [455, 390] } },
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

for (const { what, pointer = 'mouse', needs = [], presses, markers } of kPresses)
check(`placement: ${what}`, pointer === 'mouse' ? needs : [pointer, ...needs], () => onBoard({ touch: pointer === 'touch' }, async (board) => {
    const onMap = await mapPoint(board);
    const moved = [];
    for (const { select, at, button, modifiers } of presses) {
        if (select !== undefined)
            await clickOn(board, `${selectorOf(`Option${select + 1}`)} input`);
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
    for (const places of moved)
        for (const [slot, [left, top]] of Object.entries(markers))
            assert.deepEqual(places[slot], [left, top], `marker ${slot}`);
    // What shows is clipped at the map's edge.
    const { rows } = await description(board);
    const map = boardRect(rows, rowNamed(rows, 'Picture1'));
    const clip = await board.evaluate(() => {
        const el = document.querySelector('[data-name="Picture1"] .client');
        return [el.clientWidth, el.clientHeight, getComputedStyle(el).overflow];
    });
    assert.deepEqual(clip, [map[2] - 2, map[3] - 2, 'hidden']);
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

check('Close takes the board down and says how to start afresh; a window a script opened closes', [], () =>
        onBoard({}, async (board) => {
    // A window the user opened and has moved on in, which no script may close.
    await board.evaluate(() => history.pushState(null, ''));
    await typeInto(board, 'Text1(3)', 'kept nowhere');
    await clickOn(board, selectorOf('cmdClose'));
    assert.equal(await board.evaluate(() => document.getElementById('board') === null), true, 'the board is gone');
    assert.match(await board.evaluate(() => document.getElementById('kzd-ended').innerText),
                 /has ended\. Reload the page to start a fresh board\./);
    // Opened as its own window, the page closes.
    const popup = await board.windowOpenedBy((url) => { window.open(url, '_blank', 'popup'); }, pageUrl);
    // The click ends the page it lands in, so the automation may not hear back from it.
    await clickOn(popup, selectorOf('cmdClose')).catch(() => {});
    await popup.closed();
}));

check('Tab walks every stop of the window in order and Shift+Tab walks back, with no trap', [], () =>
        onBoard({}, async (board) => {
    const { rows, focusOrder } = await description(board);
    // The selectors share one stop, the chosen one.
    const stops = focusOrder.map((id) => rows[id]).filter((r) => r.kind !== 'OptionButton' || r.value !== 0).map(nameOf);
    assert.equal(stops.length, 86);
    const walk = [await focused(board)];
    for (let i = 1; i < stops.length; ++i) {
        await board.key('Tab');
        walk.push(await focused(board));
    }
    assert.deepEqual(walk, stops);
    const back = [];
    for (let i = 1; i < stops.length; ++i) {
        await board.key('Tab', ['Shift']);
        back.unshift(await focused(board));
    }
    back.push(stops.at(-1));
    assert.deepEqual(back, stops);
    // Past the last stop come the browser's own controls, where it has any, then the first stop again.
    await board.evaluate(() => document.querySelector('[data-name="cmdClear"]').focus());
    const past = [];
    do {
        await board.key('Tab');
        past.push(await focused(board));
    } while (past.at(-1) === null && past.length < 6);
    assert.equal(past.at(-1), stops[0], `after the last stop: ${past}`);
}));

// Keys on the focused control, in order, and what is focused and chosen after
// each, and whether the sheet still holds what was typed: the arrow keys walk
// the selectors round and choose as they go; a button answers Space, as on the
// desktop, and not Enter, which is no key of the window.
const kKeys = [
    { key: 'Tab', focus: 'Option1' }, { key: 'ArrowDown', focus: 'Option2' }, { key: 'ArrowRight', focus: 'Option3' },
    { key: 'ArrowUp', focus: 'Option2' }, { key: 'ArrowLeft', focus: 'Option1' }, { key: 'ArrowUp', focus: 'Option16' },
    { key: 'ArrowDown', focus: 'Option1' },
    { from: 'cmdClear', key: 'Enter', focus: 'cmdClear', chosen: 'Option1' },
    { key: 'Space', focus: 'cmdClear', chosen: 'Option1', cleared: true },
];

check('the arrow keys walk the selectors round and choose as they go; a button answers Space, not Enter', [], () =>
        onBoard({}, async (board) => {
    await board.evaluate(() => { document.querySelector('[data-name="Text1(0)"]').value = 'Orc chief'; });
    // From the map, the first stop.
    for (const { from, key, focus, chosen = focus, cleared = false } of kKeys) {
        if (from)
            await board.evaluate((name) => document.querySelector(`[data-name="${name}"]`).focus(), from);
        await board.key(key);
        assert.deepEqual(await board.evaluate(() => [document.activeElement.closest('[data-name]').dataset.name,
            document.querySelector('#board input[type=radio]:checked').parentElement.dataset.name,
            document.querySelector('[data-name="Text1(0)"]').value === '']), [focus, chosen, cleared], key);
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
// name. A text label is read as its text, so it has no name of its own.
const kRoles = { PictureBox: 'group', OptionButton: 'radio', TextBox: 'textbox', RichTextBox: 'textbox',
                 Frame: 'group', CommandButton: 'button', fill: 'image', box: 'image', text: 'generic' };

check('every control has its name and role in the accessibility tree', ['accessibility'], () => onBoard({}, async (board) => {
    const { rows } = await description(board);
    for (const row of rows) {
        const text = row.kind === 'Label' && row.look === 'text';
        const want = { role: kRoles[row.kind === 'Label' ? row.look : row.kind], name: text ? '' : row.accessibleName };
        const selector = selectorOf(nameOf(row)) + (row.kind === 'OptionButton' ? ' input' : '');
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
            await clickOn(board, selectorOf('Picture1'));
        }
        const stopped = await seen(board);
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
