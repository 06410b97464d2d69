// Debian's Chromium, headless, driven by Playwright: the web checks' adapter
// for Chromium, and the browser the benchmarks measure. No browser download, a
// fresh profile each time, nothing that talks to the network on the browser's
// own account.

import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { PageBoard, awaitBoard, pagePath, pageUrl, requireNpm, urlOf, viewport } from './page.mjs';

export { pagePath, pageUrl };
const { chromium } = requireNpm('playwright-core');

// Playwright starts Chromium on a fresh profile of its own in a temporary folder
// and removes it afterwards.
const kLaunch = {
    executablePath: process.env.KZD_CHROMIUM || '/usr/bin/chromium',
    // Chromium refuses its sandbox as root, which CI runs as.
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--disable-quic'],
};
export const launch = () => chromium.launch(kLaunch);

// A fresh board in a context of its own.
async function open(browser, { ratio = 1, touch = false, colorScheme = 'light', forcedColors = false, variant } = {}) {
    const context = await browser.newContext({ viewport, deviceScaleFactor: ratio, hasTouch: touch, colorScheme,
                                               forcedColors: forcedColors ? 'active' : 'none' });
    const page = await context.newPage();
    await page.goto(urlOf(variant));
    return awaitBoard(new Board(page), variant);
}

// The same as a Playwright page, for the benchmarks.
export const openBoard = async (browser, options) => (await open(browser, options)).page;

const kModifierBits = { Alt: 1, Control: 2, Meta: 4, Shift: 8 };
const kButtonBits = { left: 1, right: 2, middle: 4 };

class Board extends PageBoard {
    waitFor(fn, arg) { return this.page.waitForFunction(fn, arg, { polling: 'raf' }); }
    async screenshot(selector) {
        if (!this.ratioSet)
            return this.page.locator(selector).first().screenshot({ scale: 'device' });
        // Playwright's own screenshot puts back the context's ratio; the DevTools
        // protocol's takes the page as it is.
        const clip = { ...await this.page.locator(selector).first().boundingBox(), scale: 1 };
        return Buffer.from((await this.cdp.send('Page.captureScreenshot', { format: 'png', clip })).data, 'base64');
    }

    // Over the DevTools protocol, every event of the gesture sent at once: the
    // browser takes them in order, and waiting for each answer (as Playwright's
    // mouse does) makes a press three round trips to the renderer. A pen's
    // press comes without a hover before it.
    async click(points, { button = 'left', modifiers = [], pointer = 'mouse' } = {}) {
        this.cdp ??= await this.page.context().newCDPSession(this.page);
        for (const key of modifiers)
            await this.page.keyboard.down(key);
        const held = modifiers.reduce((bits, key) => bits | kModifierBits[key], 0);
        const send = (type, [x, y], more) => this.cdp.send('Input.dispatchMouseEvent', { type, x, y, modifiers: held, pointerType: pointer, ...more });
        await Promise.all(points.flatMap((point, i) => [
            ...pointer === 'mouse' ? [send('mouseMoved', point)] : [],
            send('mousePressed', point, { button, buttons: kButtonBits[button], clickCount: i + 1 }),
            send('mouseReleased', point, { button, buttons: 0, clickCount: i + 1 })]));
        for (const key of modifiers)
            await this.page.keyboard.up(key);
    }

    async touchStart([x, y]) {
        this.cdp ??= await this.page.context().newCDPSession(this.page);
        await this.cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x, y }] });
    }
    touchEnd() { return this.cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] }); }

    // Chromium evaluates its media queries anew, and so tells the page of a new
    // ratio, when the viewport's size changes too, as it does with a zoom; the
    // emulated ratio alone changes devicePixelRatio without a word.
    async setRatio(ratio) {
        this.cdp ??= await this.page.context().newCDPSession(this.page);
        this.ratioSet = true;
        for (const width of [viewport.width + 1, viewport.width])
            await this.cdp.send('Emulation.setDeviceMetricsOverride', { ...viewport, width, deviceScaleFactor: ratio, mobile: false });
    }

    // For the soak: the page's JS heap after a full collection, and the nodes and
    // listeners its renderer holds, detached ones too.
    async memory() {
        this.cdp ??= await this.page.context().newCDPSession(this.page);
        await this.cdp.send('HeapProfiler.collectGarbage');
        const { usedSize } = await this.cdp.send('Runtime.getHeapUsage');
        const { nodes, jsEventListeners } = await this.cdp.send('Memory.getDOMCounters');
        return { heap: usedSize, nodes, listeners: jsEventListeners };
    }

    key(key, modifiers = []) { return this.page.keyboard.press([...modifiers, key].join('+')); }
    insertText(text) { return this.page.keyboard.insertText(text); }

    // The role and name the accessibility tree gives the element.
    async accessible(selector) {
        const cdp = await this.page.context().newCDPSession(this.page);
        const { root } = await cdp.send('DOM.getDocument', { depth: 0 });
        const { nodeId } = await cdp.send('DOM.querySelector', { nodeId: root.nodeId, selector });
        const [node] = (await cdp.send('Accessibility.getPartialAXTree', { nodeId, fetchRelatives: false })).nodes;
        await cdp.detach();
        return node.ignored ? { role: 'none', name: '' } : { role: node.role.value, name: node.name?.value ?? '' };
    }

    async windowOpenedBy(fn, arg) {
        const [popup] = await Promise.all([this.page.context().waitForEvent('page'), this.page.evaluate(fn, arg)]);
        return awaitBoard(new Board(popup));
    }

    close() { return this.page.context().close(); }

    async installability() {
        this.cdp ??= await this.page.context().newCDPSession(this.page);
        return (await this.cdp.send('Page.getInstallabilityErrors')).installabilityErrors.map((e) => e.errorId);
    }
}

// A new context's profile is off the record, from which Chromium installs no
// app; a kept one is a browser of its own on a profile in a temporary folder.
async function visit(browser, url, { kept = false } = {}) {
    const folder = kept && mkdtempSync(join(tmpdir(), 'kzd-profile-'));
    const context = kept ? await chromium.launchPersistentContext(folder, { ...kLaunch, viewport })
                         : await browser.newContext({ viewport });
    const page = context.pages()[0] ?? await context.newPage();
    await page.goto(url);
    const board = new Board(page);
    if (kept)
        board.close = () => context.close().finally(() => rmSync(folder, { recursive: true, force: true }));
    return board;
}

export async function start() {
    const browser = await launch();
    return {
        open: (options) => open(browser, options),
        visit: (url, options) => visit(browser, url, options),
        close: () => browser.close(),
    };
}
