// Debian's WebKitGTK: its MiniBrowser in automation mode, driven by
// WebKitWebDriver through classic WebDriver with selenium-webdriver: the web
// checks' adapter for WebKit. MiniBrowser has no headless mode, so it runs on
// a private Xvfb display; display and driver port are chosen free at run time.

import { spawn, execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { createServer } from 'node:net';

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

// One driver and MiniBrowser a ratio and scheme: the ratio comes from GTK's scale,
// which a program takes from its environment at start, the scheme from
// MiniBrowser's command line. Each is started when first asked for; its boards
// are fresh loads of the page in the same window.
async function startSession(display, binary, { ratio, colorScheme }) {
    const port = await freePort();
    const server = child('WebKitWebDriver', [`--port=${port}`],
                         { env: { ...process.env, DISPLAY: display, GDK_SCALE: String(ratio) }, stdio: 'ignore' });
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
        const session = { stop: () => server.kill() };
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
    constructor(session, handle) {
        Object.assign(this, { session, handle, driver: session.driver });
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

    async click(points, { button = 'left', modifiers = [], pointer = 'mouse' } = {}) {
        const actions = (await this.use()).actions();
        const device = pointer === 'mouse' ? actions.mouse() : new Pointer(pointer, pointer);
        const steps = points.flatMap(([x, y]) => [device.move({ x, y, origin: Origin.VIEWPORT }),
                                                  device.press(kButtons[button]), device.release(kButtons[button])]);
        for (const key of modifiers)
            actions.keyDown(keyOf(key));
        actions.insert(device, ...steps);
        for (const key of modifiers)
            actions.keyUp(keyOf(key));
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

    async accessible(selector) {
        const el = await (await this.use()).findElement(By.css(selector));
        return { role: await el.getAriaRole(), name: await el.getAccessibleName() };
    }

    // Classic WebDriver sees no requests.
    requests() { return null; }

    async windowOpenedBy(fn, arg) {
        const before = await (await this.use()).getAllWindowHandles();
        await this.driver.executeScript(fn, arg);
        let opened;
        await this.driver.wait(async () => (opened = (await this.driver.getAllWindowHandles()).find((h) => !before.includes(h))), 30000);
        return awaitBoard(new Board(this.session, opened));
    }

    async closed() {
        await this.driver.wait(async () => !(await this.driver.getAllWindowHandles()).includes(this.handle), 30000);
        this.session.current = null;
    }

    close() {}
}

export async function start() {
    const xvfb = startXvfb();
    const display = await xvfb.display;
    const binary = miniBrowser();
    const sessions = {};
    return {
        async open({ ratio = 1, colorScheme = 'light', variant } = {}) {
            const session = await (sessions[`${ratio} ${colorScheme}`] ??= startSession(display, binary, { ratio, colorScheme }));
            // A window an earlier board left open goes, and so does any key or button still down.
            for (const handle of await session.driver.getAllWindowHandles())
                if (handle !== session.main)
                    await session.driver.switchTo().window(handle).then(() => session.driver.close());
            await session.driver.switchTo().window(session.main);
            session.current = session.main;
            await session.driver.actions().clear();
            await session.driver.get(urlOf(variant));
            return awaitBoard(new Board(session, session.main), variant);
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
            xvfb.stop();
        },
    };
}
