// Plays one battle on the real window and on the real page, the same way on
// both, and takes a picture of each: the window under the X display this runs
// on (scripts/screenshots starts a private one), the page in Debian's headless
// Chromium. Controls are found by name in the description the page is made
// from, so the presses follow the window's rows wherever they stand.
//   KZD_PAGE=... KZD_NPM=... node scripts/screenshots.mjs PROGRAM DESCRIPTION WINDOW.png PAGE.png

import { execFileSync, spawn } from 'node:child_process';
import { readFileSync } from 'node:fs';

import { boardUp, pageUrl, viewport } from '../tests/web/page.mjs';
import { launch } from '../tests/web/chromium.mjs';

const [program, descriptionPath, windowPicture, pagePicture] = process.argv.slice(2);
const { form, rows } = JSON.parse(readFileSync(descriptionPath, 'utf8'));

// What a game master has done by round three: names, armour and hit points
// typed into the tables and a note, then each combatant chosen by its selector
// and its marker put on the map by a press there (at map pixels). The presses
// come last, so the map holds the focus, as on a fresh board.
const battle = [
    // Monsters 1 to 3: name, AC, DMG, HP (cells 0-2, 10-12, 20-22, 30-32).
    ['type', 'Text1', 0, 'Goblin archer'], ['type', 'Text1', 10, '13'], ['type', 'Text1', 20, '1d6'],
    ['type', 'Text1', 30, '7'], ['type', 'Text1', 1, 'Goblin archer'], ['type', 'Text1', 11, '13'],
    ['type', 'Text1', 21, '1d6'], ['type', 'Text1', 31, '4'], ['type', 'Text1', 2, 'Dire wolf'],
    ['type', 'Text1', 12, '14'], ['type', 'Text1', 22, '2d6+3'], ['type', 'Text1', 32, '37'],
    // Characters 1 to 3 (cells 40-42, 46-48, 52-54, 58-60), then two objects.
    ['type', 'Text1', 40, 'Brakka'], ['type', 'Text1', 46, '16'], ['type', 'Text1', 52, '1d8+3'],
    ['type', 'Text1', 58, '24'], ['type', 'Text1', 41, 'Ilse'], ['type', 'Text1', 47, '12'],
    ['type', 'Text1', 53, '1d10'], ['type', 'Text1', 59, '15'], ['type', 'Text1', 42, 'Tomas'],
    ['type', 'Text1', 48, '18'], ['type', 'Text1', 54, '1d6+1'], ['type', 'Text1', 60, '28'],
    ['type', 'Text1', 64, 'Rope bridge'], ['type', 'Text1', 65, 'Overturned cart'],
    ['type', 'RichTextBox1', 0, 'Round 3. The archers hold the far bank; the wolf circles north.'],
    // Each marker in a hexagon: the grid's hexagons have their centres at
    // (12 + 24i, 16 + 42j) and (24i, 37 + 42j), and a marker is 17 pixels square.
    ['place', 'Option1', 292, 50], ['place', 'Option2', 340, 92], ['place', 'Option3', 208, 155],
    ['place', 'Option11', 100, 260], ['place', 'Option12', 88, 281], ['place', 'Option13', 148, 260],
];

// A row's rectangle in the window's client area, its parents' corners added.
function rectOf(name, index = -1) {
    const row = rows.find((r) => r.name === name && r.index === index);
    if (!row)
        throw new Error(`the window has no ${name}(${index})`);
    let [left, top, width, height] = row.rect;
    for (let parent = row.parent; parent >= 0; parent = rows[parent].parent) {
        left += rows[parent].rect[0];
        top += rows[parent].rect[1];
    }
    return { left, top, width, height };
}
const middleOf = ({ left, top, width, height }) => [left + Math.floor(width / 2), top + Math.floor(height / 2)];
const mapBox = rows.find((r) => r.onMouseDown);
const onMap = (x, y) => [mapBox.rect[0] + mapBox.border + x, mapBox.rect[1] + mapBox.border + y];

// The battle as steps over client points: press(point), then type(text).
async function play(press, type) {
    for (const [action, name, ...rest] of battle) {
        if (action === 'type') {
            const [index, text] = rest;
            await press(middleOf(rectOf(name, index)));
            await type(text);
        } else {
            await press(middleOf(rectOf(name)));
            await press(onMap(...rest));
        }
    }
}

// Each step is given a minute: a window that never shows fails the run, not hangs it.
const xdotool = (...args) => execFileSync('xdotool', args, { encoding: 'utf8', timeout: 60000 }).trim();

async function pictureOfWindow() {
    const child = spawn(program, [], { stdio: 'inherit', env: { ...process.env, QT_QPA_PLATFORM: 'xcb' } });
    const exited = new Promise((resolve) => child.once('exit', resolve));
    try {
        const window = xdotool('search', '--sync', '--onlyvisible', '--name', `^${form.caption}$`).split('\n')[0];
        // A bare X server makes no window the active one: the window is given the
        // keyboard's focus, as a window manager would on a click.
        xdotool('windowfocus', '--sync', window);
        await play(([x, y]) => xdotool('mousemove', '--sync', '--window', window, String(x), String(y), 'click', '1'),
                   (text) => xdotool('type', '--delay', '10', text));
        // xdotool returns once the events are sent; the window handles and paints
        // the last of them within a moment.
        await new Promise((resolve) => setTimeout(resolve, 500));
        execFileSync('maim', ['--hidecursor', '--window', window, windowPicture]);
    } finally {
        child.kill();
        await exited;
    }
}

async function pictureOfPage() {
    const browser = await launch();
    try {
        const page = await (await browser.newContext({ viewport })).newPage();
        await page.goto(pageUrl);
        await page.waitForFunction(boardUp);
        // The picture holds the board and the page's margin round it.
        await page.setViewportSize(await page.evaluate(() => {
            const { left, top, right, bottom } = document.getElementById('board').getBoundingClientRect();
            return { width: Math.ceil(right + left), height: Math.ceil(bottom + top) };
        }));
        const board = await page.locator('#board').boundingBox();
        await play(([x, y]) => page.mouse.click(board.x + x + 0.5, board.y + y + 0.5),
                   (text) => page.keyboard.type(text));
        await page.screenshot({ path: pagePicture, caret: 'hide' });
    } finally {
        await browser.close();
    }
}

await pictureOfWindow();
await pictureOfPage();
