// Debian's WebKitGTK: its MiniBrowser in automation mode, driven by
// WebKitWebDriver through classic WebDriver with selenium-webdriver: the web
// checks' adapter for WebKit. MiniBrowser has no headless mode, so it runs on
// a private Xvfb display; display and driver port are chosen free at run time.

import { spawn, execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { awaitBoard, insertAsOneEdit, requireNpm, urlOf } from './page.mjs';

const { Builder, By, Key, Origin } = requireNpm('selenium-webdriver');
const { Pointer } = requireNpm('selenium-webdriver/lib/input');

// WebKitGTK installs MiniBrowser under the architecture's own library folder.
function miniBrowser() {
    if (process.env.KZD_MINIBROWSER)
        return process.env.KZD_MINIBROWSER;
    const triplet = execFileSync('dpkg-architecture', ['-qDEB_HOST_MULTIARCH'], { encoding: 'utf8' }).trim();
    const path = `/usr/lib/${triplet}/webkit2gtk-4.1/MiniBrowser`;
    if (!existsSync(path))
        throw new Error(`${path} is missing: WebKitGTK's MiniBrowser comes with libwebkit2gtk-4.1-0`);
    return path;
}

// The display and the drivers end with this process, however it ends.
const children = new Set();
function child(command, args, options) {
    const started = spawn(command, args, options);
    children.add(started);
    started.once('exit', () => children.delete(started));
    return started;
}
process.once('exit', () => children.forEach((c) => c.kill()));
for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP'])
    process.once(signal, () => process.exit(1));

const freePort = () => new Promise((resolve, reject) => {
    const server = createServer().once('error', reject).listen(0, '127.0.0.1', () => {
        const { port } = server.address();
        server.close(() => resolve(port));
    });
});

function startXvfb() {
    // The screen holds the window at a scale of 2 as well.
    const xvfb = child('Xvfb', ['-displayfd', '3', '-nolisten', 'tcp', '-noreset', '-screen', '0', '2400x2000x24'],
                       { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    const display = new Promise((resolve, reject) => {
        xvfb.once('error', reject).once('exit', () => reject(new Error('Xvfb did not start')));
        xvfb.stdio[3].once('data', (number) => resolve(`:${String(number).trim()}`));
    });
    return { display, stop: () => xvfb.kill() };
}

// The display's X settings, which GTK follows while it runs: a change of
// Gdk/WindowScalingFactor (a whole number) is a change of the device pixel ratio
// for every MiniBrowser on the display started without GDK_SCALE.
function startSettings(display) {
    const folder = mkdtempSync(join(tmpdir(), 'kzd-xsettings-'));
    const file = join(folder, 'xsettingsd.conf');
    const write = (scale) => writeFileSync(file, `Gdk/WindowScalingFactor ${scale}\n`);
    write(1);
    const daemon = child('xsettingsd', ['-c', file], { env: { ...process.env, DISPLAY: display }, stdio: 'ignore' });
    return {
        scale(scale) { write(scale); daemon.kill('SIGHUP'); },
        stop() { daemon.kill(); rmSync(folder, { recursive: true, force: true }); },
    };
}

// One driver and MiniBrowser a ratio and scheme: the ratio comes from GTK's scale,
// which a program takes from its environment at start (at a ratio of 1, from the
// display's settings, which can change it later), the scheme from MiniBrowser's
// command line. Each is started when first asked for; its boards
// are fresh loads of the page in the same window.
async function startSession(display, binary, { ratio, colorScheme }) {
    const port = await freePort();
    const server = child('WebKitWebDriver', [`--port=${port}`],
                         { env: { ...process.env, DISPLAY: display, ...ratio !== 1 && { GDK_SCALE: String(ratio) } }, stdio: 'ignore' });
    const url = `http://127.0.0.1:${port}`;
    try {
        for (let tries = 0; !await fetch(`${url}/status`).then(() => true, () => false); ++tries) {
            if (tries === 200 || server.exitCode !== null)
                throw new Error(`WebKitWebDriver did not start on port ${port}`);
            await new Promise((resolve) => setTimeout(resolve, 50));
        }
        const args = ['--automation', '--javascript-can-open-windows-automatically=true'];
        if (colorScheme === 'dark')
            args.push('--dark-mode');
        const session = { server, stop: () => server.kill() };
        session.driver = await new Builder().usingServer(url)
            .withCapabilities({ browserName: 'MiniBrowser', 'webkitgtk:browserOptions': { binary, args } }).build();
        await session.driver.manage().window().setRect({ x: 0, y: 0, width: 1100, height: 900 });
        session.main = await session.driver.getWindowHandle();
        return session;
    } catch (error) {
        server.kill();
        throw error;
    }
}

// A window on a bare X server is never made the active one, as a window manager
// would make it, so no element in it matches :focus: the session's MiniBrowser
// window (the one of its process that is on screen) is given the X focus.
function focusWindow(display, session) {
    const env = { ...process.env, DISPLAY: display };
    const parentOf = (pid) => { try { return readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ')[1]; } catch { return null; } };
    const browser = readdirSync('/proc').find((pid) => /^\d+$/.test(pid) && parentOf(pid) === String(session.server.pid));
    const windows = execFileSync('xdotool', ['search', '--all', '--onlyvisible', '--pid', browser, '--class', 'MiniBrowser'],
                                 { env, encoding: 'utf8' }).trim().split('\n');
    execFileSync('xdotool', ['windowfocus', '--sync', windows[0]], { env });
}

// An element's box, in device pixels, cut from a PNG of the viewport, as a PNG.
async function cutOut(png, selector) {
    const r = document.querySelector(selector).getBoundingClientRect(), ratio = devicePixelRatio;
    const bitmap = await createImageBitmap(new Blob([Uint8Array.from(atob(png), (c) => c.charCodeAt(0))], { type: 'image/png' }));
    const box = new OffscreenCanvas(Math.round(r.width * ratio), Math.round(r.height * ratio));
    box.getContext('2d').drawImage(bitmap, -Math.round(r.left * ratio), -Math.round(r.top * ratio));
    const bytes = new Uint8Array(await (await box.convertToBlob({ type: 'image/png' })).arrayBuffer());
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000)
        text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return btoa(text);
}

const kButtons = { left: 0, middle: 1, right: 2 };
// 'ArrowDown' -> Key.ARROW_DOWN, 'Shift' -> Key.SHIFT
const keyOf = (name) => Key[name.replace(/([a-z])([A-Z])/g, '$1_$2').toUpperCase()];

class Board {
    constructor(session, handle, settings) {
        Object.assign(this, { session, handle, settings, driver: session.driver });
    }

    // Commands go to the driver's current window: this board's.
    async use() {
        if (this.session.current !== this.handle) {
            await this.driver.switchTo().window(this.handle);
            this.session.current = this.handle;
        }
        return this.driver;
    }

    async evaluate(fn, arg) { return (await this.use()).executeScript(fn, arg); }
    async waitFor(fn, arg) { return (await this.use()).wait(() => this.driver.executeScript(fn, arg), 30000); }
    // WebKitGTK's element screenshot leaves a canvas's pixels out; the window's
    // holds them, so the element's box is cut from that.
    async screenshot(selector) {
        const shot = await (await this.use()).takeScreenshot();
        return Buffer.from(await this.driver.executeScript(cutOut, shot, selector), 'base64');
    }

    // A move takes no time: selenium's default of 100 ms a move is a tenth of a
    // second spent on every press.
    async click(points, { button = 'left', modifiers = [], pointer = 'mouse' } = {}) {
        const actions = (await this.use()).actions();
        const device = pointer === 'mouse' ? actions.mouse() : new Pointer(pointer, pointer);
        const steps = points.flatMap(([x, y]) => [device.move({ x, y, origin: Origin.VIEWPORT, duration: 0 }),
                                                  device.press(kButtons[button]), device.release(kButtons[button])]);
        for (const key of modifiers)
            actions.keyDown(keyOf(key));
        actions.insert(device, ...steps);
        for (const key of modifiers)
            actions.keyUp(keyOf(key));
        return actions.perform();
    }

    async mouse([x, y], action = 'move') {
        const actions = (await this.use()).actions();
        const mouse = actions.mouse();
        actions.insert(mouse, mouse.move({ x, y, origin: Origin.VIEWPORT, duration: 0 }));
        if (action !== 'move')
            actions.insert(mouse, action === 'down' ? mouse.press(kButtons.left) : mouse.release(kButtons.left));
        return actions.perform();
    }

    async key(key, modifiers = []) {
        const actions = (await this.use()).actions();
        for (const m of modifiers)
            actions.keyDown(keyOf(m));
        actions.sendKeys(keyOf(key) ?? key);
        for (const m of modifiers)
            actions.keyUp(keyOf(m));
        return actions.perform();
    }

    insertText(text) { return this.evaluate(insertAsOneEdit, text); }

    // Through the display's settings: a whole number, on a board that started at 1.
    async setRatio(ratio) {
        if (!Number.isInteger(ratio) || this.session.ratio !== 1)
            throw new Error(`WebKitGTK's ratio changes to whole numbers only, from a board that starts at 1, not to ${ratio}`);
        await this.scale(ratio);
        this.scaled = true;
    }

    async scale(ratio) {
        this.settings.scale(ratio);
        await this.waitFor((ratio) => devicePixelRatio === ratio, ratio);
    }

    async accessible(selector) {
        const el = await (await this.use()).findElement(By.css(selector));
        return { role: await el.getAriaRole(), name: await el.getAccessibleName() };
    }

    // Classic WebDriver answers a leave-page question itself, and so never shows it.
    async reload() {
        await (await this.use()).navigate().refresh();
        return awaitBoard(this);
    }

    // Classic WebDriver sees no requests.
    requests() { return null; }

    async windowOpenedBy(fn, arg) {
        const before = await (await this.use()).getAllWindowHandles();
        await this.driver.executeScript(fn, arg);
        let opened;
        await this.driver.wait(async () => (opened = (await this.driver.getAllWindowHandles()).find((h) => !before.includes(h))), 30000);
        return awaitBoard(new Board(this.session, opened, this.settings));
    }

    async closed() {
        await this.driver.wait(async () => !(await this.driver.getAllWindowHandles()).includes(this.handle), 30000);
        this.session.current = null;
    }

    // The display's scale back to 1 for the boards after this one.
    async close() {
        if (this.scaled)
            await this.scale(1);
    }
}

export async function start() {
    const xvfb = startXvfb();
    const display = await xvfb.display;
    const binary = miniBrowser();
    const settings = startSettings(display);
    const sessions = {};
    return {
        async open({ ratio = 1, colorScheme = 'light', variant } = {}) {
            const session = await (sessions[`${ratio} ${colorScheme}`] ??= startSession(display, binary, { ratio, colorScheme }));
            session.ratio = ratio;
            // A window an earlier board left open goes, and so does any key or button still down.
            for (const handle of await session.driver.getAllWindowHandles())
                if (handle !== session.main)
                    await session.driver.switchTo().window(handle).then(() => session.driver.close());
            await session.driver.switchTo().window(session.main);
            session.current = session.main;
            await session.driver.actions().clear();
            await session.driver.get(urlOf(variant));
            focusWindow(display, session);
            return awaitBoard(new Board(session, session.main, settings), variant);
        },
        // In a window of its own, which nothing but visits uses.
        async visit(url) {
            const session = await (sessions.visits ??= startSession(display, binary, { ratio: 1, colorScheme: 'light' }));
            await session.driver.get(url);
            return new Board(session, session.main);
        },
        async close() {
            for (const session of await Promise.allSettled(Object.values(sessions)))
                if (session.value) {
                    await session.value.driver?.quit().catch(() => {});
                    session.value.stop();
                }
            settings.stop();
            xvfb.stop();
        },
    };
}
