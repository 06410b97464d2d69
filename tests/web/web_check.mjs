// The web edition in headless Chromium, checked against the window's own rows,
// which the page's program hands out: layout, pictures, placement by mouse and
// touch, Clear, Close, the focus order, the selector keys, storage and requests,
// a large paste, and what a screen reader is told.

import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { launch, openBoard, pageUrl } from './browser.mjs';

let browser;
before(async () => { browser = await launch(); });
after(() => browser?.close());

const nameOf = (row) => (row.index < 0 ? row.name : `${row.name}(${row.index})`);
const description = (page) => page.evaluate(() => window.kzdBoard.description());
const rowNamed = (rows, name) => rows.find((r) => nameOf(r) === name);

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

// In a dark scheme the system colours differ from one another, so each control
// shows it takes the one its row names.
for (const colorScheme of ['light', 'dark'])
test(`every control stands at its row's place and size, in its font and colours (${colorScheme} scheme)`, async () => {
    const page = await openBoard(browser, { colorScheme });
    const { form, rows, fonts } = await description(page);
    const shown = await page.evaluate(() => {
        const board = document.getElementById('board').getBoundingClientRect();
        // A system colour as the browser resolves it, for comparing.
        const probe = document.body.appendChild(document.createElement('div'));
        const resolve = (keyword) => { probe.style.color = keyword; return getComputedStyle(probe).color; };
        const kinds = ['Canvas', 'Field', 'FieldText', 'ButtonFace', 'ButtonText'];
        const system = Object.fromEntries(kinds.map((k) => [k, resolve(k)]));
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
    for (const [a, b] of rows.flatMap((a) => rows.filter((b) => b.id > a.id && b.parent === a.parent).map((b) => [a, b]))) {
        const [ra, rb] = [boardRect(rows, a), boardRect(rows, b)];
        const [left, top] = [Math.max(ra[0], rb[0]), Math.max(ra[1], rb[1])];
        const [right, bottom] = [Math.min(ra[0] + ra[2], rb[0] + rb[2]), Math.min(ra[1] + ra[3], rb[1] + rb[3])];
        if (left >= right || top >= bottom || a.parent >= 0 && rows[a.parent].kind === 'PictureBox')
            continue; // markers start piled up out of sight
        const onTop = await page.evaluate(([x, y]) => {
            const board = document.getElementById('board').getBoundingClientRect();
            return document.elementFromPoint(board.left + x, board.top + y).closest('[data-name]').dataset.name;
        }, [(left + right) / 2, (top + bottom) / 2]);
        assert.equal(onTop, nameOf(b), `${nameOf(b)} over ${nameOf(a)}`);
    }
    await page.context().close();
});

const kFaceProbes = [
    ['cmdClear', 14, 13, 0xFFFFFF], ['cmdClear', 6, 13, 0xDD001A], ['cmdClear', 60, 2, 0xF1F4CE],
    ['cmdClose', 13, 12, 0x6A4F9A], ['cmdClose', 9, 12, 0xFFFFD4], ['cmdClose', 8, 12, 0x9B8BAD],
    ['cmdClose', 11, 9, 0x9B8BAD], ['cmdClose', 6, 12, 0x6A4F9A],
];

// The screenshot's pixels of each picture against those the program draws, at
// the device's ratio: the grid exactly, a face as the canvas holds it (so it is
// shown without scaling).
for (const ratio of [1, 2]) {
    test(`pictures are drawn pixel for pixel at ratio ${ratio}`, async () => {
        const page = await openBoard(browser, { ratio });
        const { rows } = await description(page);
        for (const row of rows.filter((r) => r.picture)) {
            const canvas = page.locator(`[data-name="${nameOf(row)}"] canvas`);
            const backing = await canvas.evaluate((c) => [c.width, c.height]);
            assert.deepEqual(backing, [Math.ceil(row.picture.width * ratio), Math.ceil(row.picture.height * ratio)],
                             `${nameOf(row)}'s canvas holds a pixel for each device pixel`);
            if (row.picture.face) {
                const [button, face] = [await page.locator(`[data-name="${nameOf(row)}"]`).boundingBox(), await canvas.boundingBox()];
                assert.deepEqual([face.x - button.x, face.y - button.y], [Math.floor((row.rect[2] - row.picture.width) / 2),
                                 Math.floor((row.rect[3] - row.picture.height) / 2)], `${nameOf(row)}'s face is centred on whole pixels`);
            }
            const png = (await canvas.screenshot({ scale: 'device' })).toString('base64');
            const differ = await page.evaluate(async ({ png, id, name, face, ratio }) => {
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
        for (const [name, x, y, colour] of kFaceProbes) {
            const seen = await page.locator(`[data-name="${name}"] canvas`).evaluate((c, [x, y]) =>
                [...c.getContext('2d').getImageData(x, y, 1, 1).data.slice(0, 3)], [Math.floor((x + 0.5) * ratio), Math.floor((y + 0.5) * ratio)]);
            assert.deepEqual(seen, [colour >> 16, colour >> 8 & 255, colour & 255], `${name} at (${x}, ${y})`);
        }
        await page.context().close();
    });
}

// Presses on the map, by mouse and by touch: which selector is chosen, where the
// press lands, with which button and keys, and where each marker ends up.
const kPresses = [
    { what: 'Enemy 1 is chosen at start', presses: [{ at: [100, 50] }], markers: { 0: [100, 50] } },
    { what: 'a chosen slot\'s marker moves, the spot it left stays empty',
      presses: [{ select: 12, at: [200, 300] }, { at: [10, 10] }], markers: { 12: [10, 10], 0: [464, 392] } },
    { what: 'any button and modifier places',
      presses: [{ select: 3, at: [30, 40], button: 'right', modifiers: ['Shift'] },
                { select: 4, at: [60, 70], button: 'middle', modifiers: ['Control'] }],
      markers: { 3: [30, 40], 4: [60, 70] } },
    { what: 'a press on a marker stays with it', presses: [{ at: [100, 100] }, { select: 10, at: [105, 105] }],
      markers: { 0: [100, 100], 10: [464, 400] } },
    { what: 'the second press of a double-click places nothing',
      presses: [{ at: [40, 40] }, { at: [300, 300], clickCount: 2 }], markers: { 0: [40, 40] } },
    { what: 'a press near the edge is clipped there', presses: [{ at: [455, 390] }], markers: { 0: [455, 390] } },
    { what: 'a touch places', touch: true, presses: [{ select: 15, at: [120, 80] }], markers: { 15: [120, 80] } },
    { what: 'a pen places', pen: true, presses: [{ select: 9, at: [220, 180] }], markers: { 9: [220, 180] } },
    { what: 'a touch on a marker stays with it', touch: true,
      presses: [{ at: [50, 50] }, { select: 1, at: [55, 60] }], markers: { 0: [50, 50], 1: [464, 392] } },
];

const markerPlaces = (page) => page.evaluate(() => [...Array(16).keys()].map((s) => {
    const el = document.querySelector(`[data-name="Label3(${s})"]`);
    return [el.offsetLeft, el.offsetTop];
}));

for (const { what, touch, pen, presses, markers } of kPresses) {
    test(`placement: ${what}`, async () => {
        const page = await openBoard(browser, { touch });
        const { rows } = await description(page);
        const map = boardRect(rows, rowNamed(rows, 'Picture1'));
        const origin = await page.locator('#board').boundingBox();
        const moved = [];
        for (const { select, at, button = 'left', modifiers = [], clickCount = 1 } of presses) {
            if (select !== undefined)
                await page.locator(`[data-name="Option${select + 1}"] input`).check();
            const [x, y] = [origin.x + map[0] + 1 + at[0], origin.y + map[1] + 1 + at[1]];
            if (touch) {
                // A touch places as it starts, as a press does, not when it ends as a tap.
                const cdp = await page.context().newCDPSession(page);
                await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x, y }] });
                await page.evaluate(() => new Promise(requestAnimationFrame));
                moved.push(await markerPlaces(page));
                await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
            } else if (pen) {
                const cdp = await page.context().newCDPSession(page);
                for (const type of ['mousePressed', 'mouseReleased'])
                    await cdp.send('Input.dispatchMouseEvent', { type, x, y, button: 'left', clickCount: 1, pointerType: 'pen' });
            } else {
                for (const key of modifiers) await page.keyboard.down(key);
                await page.mouse.move(x, y);
                await page.mouse.down({ button, clickCount });
                await page.mouse.up({ button, clickCount });
                for (const key of modifiers) await page.keyboard.up(key);
            }
        }
        moved.push(await markerPlaces(page));
        for (const places of moved)
            for (const [slot, [left, top]] of Object.entries(markers))
                assert.deepEqual(places[slot], [left, top], `marker ${slot}`);
        // What shows is clipped at the map's edge.
        const clip = await page.locator('[data-name="Picture1"] .client').evaluate((el) => [el.clientWidth, el.clientHeight, getComputedStyle(el).overflow]);
        assert.deepEqual(clip, [map[2] - 2, map[3] - 2, 'hidden']);
        await page.context().close();
    });
}

test('Clear empties every cell and both notes and parks every marker, keeping its left and the choice', async () => {
    const page = await openBoard(browser);
    const { rows } = await description(page);
    const origin = await page.locator('#board').boundingBox();
    const map = boardRect(rows, rowNamed(rows, 'Picture1'));
    await page.locator('[data-name="Option6"] input').check();
    await page.mouse.click(origin.x + map[0] + 1 + 120, origin.y + map[1] + 1 + 80);
    await page.evaluate(() => document.querySelectorAll('#board input[type=text], #board textarea')
        .forEach((el, i) => { el.value = `entry ${i}`; }));
    await page.locator('[data-name="cmdClear"]').click();
    const markers = await markerPlaces(page);
    const after = await page.evaluate(() => ({
        texts: [...document.querySelectorAll('#board input[type=text], #board textarea')].map((el) => el.value),
        chosen: document.querySelector('#board input[type=radio]:checked').parentElement.dataset.name,
        focus: document.activeElement.dataset.name,
    }));
    assert.equal(after.texts.length, 82);
    assert.ok(after.texts.every((t) => t === ''), 'every cell and note is empty');
    assert.deepEqual(markers, rows.filter((r) => r.name === 'Label3').map((r) => [r.index === 5 ? 120 : r.rect[0], 400]));
    assert.equal(after.chosen, 'Option6');
    assert.equal(after.focus, 'cmdClear');
    await page.context().close();
});

test('Close takes the board down and says how to start afresh; a window a script opened closes', async () => {
    const page = await openBoard(browser);
    await page.locator('[data-name="Text1(3)"]').fill('kept nowhere');
    await page.locator('[data-name="cmdClose"]').click();
    assert.equal(await page.locator('#board').count(), 0);
    assert.match(await page.locator('#kzd-ended').innerText(), /has ended\. Reload the page to start a fresh board\./);
    // Opened as its own window, the page closes.
    const [popup] = await Promise.all([page.context().waitForEvent('page'),
                                       page.evaluate((url) => { window.open(url, '_blank', 'popup'); }, pageUrl)]);
    await popup.waitForFunction(() => window.kzdBoard?.description());
    const closed = popup.waitForEvent('close');
    // The click ends the page it lands in, so Playwright may not hear back from it.
    await popup.locator('[data-name="cmdClose"]').click().catch(() => closed);
    await closed;
    await page.context().close();
});

test('Tab walks every stop of the window in order and Shift+Tab walks back, with no trap', async () => {
    const page = await openBoard(browser);
    const { rows, focusOrder } = await description(page);
    // The selectors share one stop, the chosen one.
    const stops = focusOrder.map((id) => rows[id]).filter((r) => r.kind !== 'OptionButton' || r.value !== 0).map(nameOf);
    assert.equal(stops.length, 86);
    const focused = () => page.evaluate(() => document.activeElement.closest('[data-name]')?.dataset.name ?? null);
    const walk = [await focused()];
    for (let i = 1; i < stops.length; ++i) {
        await page.keyboard.press('Tab');
        walk.push(await focused());
    }
    assert.deepEqual(walk, stops);
    const back = [];
    for (let i = 1; i < stops.length; ++i) {
        await page.keyboard.press('Shift+Tab');
        back.unshift(await focused());
    }
    back.push(stops.at(-1));
    assert.deepEqual(back, stops);
    // Past the last stop the browser's own controls come, then the first stop again.
    await page.locator('[data-name="cmdClear"]').focus();
    await page.keyboard.press('Tab');
    assert.equal(await focused(), null);
    for (let i = 0; i < 5 && await focused() === null; ++i)
        await page.keyboard.press('Tab');
    assert.equal(await focused(), stops[0]);
    await page.context().close();
});

test('arrow keys walk the selectors in order, wrapping, and choose as they go', async () => {
    const page = await openBoard(browser);
    await page.keyboard.press('Tab');
    const keys = [['ArrowDown', 'Option2'], ['ArrowRight', 'Option3'], ['ArrowUp', 'Option2'], ['ArrowLeft', 'Option1'],
                  ['ArrowUp', 'Option16'], ['ArrowDown', 'Option1']];
    for (const [key, chosen] of keys) {
        await page.keyboard.press(key);
        assert.deepEqual(await page.evaluate(() => [document.activeElement.closest('[data-name]').dataset.name,
            document.querySelector('#board input[type=radio]:checked').parentElement.dataset.name]), [chosen, chosen], key);
    }
    await page.context().close();
});

test('nothing is stored and nothing is asked for after the page has loaded; a megabyte pasted into the notes clears', async () => {
    const page = await openBoard(browser);
    const asked = [];
    page.on('request', (r) => asked.push(r.url()));
    const notes = page.locator('[data-name="RichTextBox1(0)"]');
    await notes.focus();
    const megabyte = 'The goblins hide behind the 3rd pillar. '.repeat(26215).slice(0, 1 << 20);
    await page.keyboard.insertText(megabyte);
    assert.equal(await notes.evaluate((el) => el.value.length), 1 << 20);
    await page.locator('[data-name="Text1(0)"]').fill('Orc chief');
    await page.mouse.click(60, 60);
    await page.locator('[data-name="cmdClear"]').click();
    assert.equal(await notes.inputValue(), '');
    const kept = await page.evaluate(async () => ({
        cookie: document.cookie, local: localStorage.length, session: sessionStorage.length,
        databases: (await indexedDB.databases()).length, resources: performance.getEntriesByType('resource').length,
    }));
    assert.deepEqual(kept, { cookie: '', local: 0, session: 0, databases: 0, resources: 0 });
    assert.deepEqual(asked, []);
    await page.context().close();
});

// What a screen reader is told of each control: the role of its kind and its name.
const kRoles = { PictureBox: 'group', OptionButton: 'radio', TextBox: 'textbox', RichTextBox: 'textbox',
                 Frame: 'group', CommandButton: 'button', fill: 'image', box: 'image', text: 'StaticText' };

test('every control has its name and role in the accessibility tree', async () => {
    const page = await openBoard(browser);
    const { rows } = await description(page);
    const cdp = await page.context().newCDPSession(page);
    const { root } = await cdp.send('DOM.getDocument', { depth: 0 });
    for (const row of rows) {
        let { nodeId } = await cdp.send('DOM.querySelector', { nodeId: root.nodeId, selector: `[data-name="${nameOf(row)}"]` });
        if (row.kind === 'OptionButton')
            ({ nodeId } = await cdp.send('DOM.querySelector', { nodeId, selector: 'input' }));
        const text = row.kind === 'Label' && row.look === 'text';
        // A text label is read as its text, the label's child.
        const { nodes } = await cdp.send('Accessibility.getPartialAXTree', { nodeId, fetchRelatives: text });
        const node = text ? nodes.find((n) => n.parentId === nodes.find((m) => m.backendDOMNodeId)?.nodeId &&
                                              n.role.value === 'StaticText') : nodes[0];
        assert.equal(node?.role.value, kRoles[row.kind === 'Label' ? row.look : row.kind], `${nameOf(row)}'s role`);
        assert.equal(node.name.value, text ? row.caption : row.accessibleName, `${nameOf(row)}'s name`);
    }
    await page.context().close();
});
