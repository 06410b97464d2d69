// Debian's Firefox ESR, headless, driven over WebDriver BiDi by Puppeteer: the
// web checks' adapter for Firefox. Puppeteer starts the system's Firefox on a
// fresh profile in a temporary folder and removes it afterwards; it downloads
// no browser.

import { PageBoard, awaitBoard, insertAsOneEdit, requireNpm, urlOf, viewport } from './page.mjs';

const puppeteer = requireNpm('puppeteer-core');

// The colour scheme and forced colours are preferences of the whole browser
// (BiDi has no command for them), so each gets a browser of its own, started
// when first asked for.
function launch(colorScheme, forcedColors) {
    return puppeteer.launch({
        browser: 'firefox',
        executablePath: process.env.KZD_FIREFOX || '/usr/bin/firefox-esr',
        headless: true,
        extraPrefsFirefox: { 'layout.css.prefers-color-scheme.content-override': colorScheme === 'dark' ? 0 : 1,
                             // Always the user's colours, as Windows' high contrast asks for.
                             ...forcedColors && { 'browser.display.document_color_use': 2 } },
    });
}

class Board extends PageBoard {
    waitFor(fn, arg) { return this.page.waitForFunction(fn, { polling: 'raf' }, arg); }
    async screenshot(selector) { return Buffer.from(await (await this.page.$(selector)).screenshot()); }

    async click(points, { button = 'left', modifiers = [], pointer = 'mouse' } = {}) {
        if (pointer !== 'mouse')
            throw new Error(`Puppeteer presses with a mouse only, not a ${pointer}`);
        for (const key of modifiers)
            await this.page.keyboard.down(key);
        // Firefox counts the clicks of a double-click at one point only: a move
        // starts the count anew. Each press is one command: the move, down and up.
        for (const [x, y] of points)
            await this.page.mouse.click(x, y, { button });
        for (const key of modifiers)
            await this.page.keyboard.up(key);
    }

    async touchStart([x, y]) { this.touch = await this.page.touchscreen.touchStart(x, y); }
    touchEnd() { return this.touch.end(); }

    async key(key, modifiers = []) {
        for (const m of modifiers)
            await this.page.keyboard.down(m);
        await this.page.keyboard.press(key === 'Space' ? ' ' : key); // Puppeteer's name for it
        for (const m of modifiers)
            await this.page.keyboard.up(m);
    }

    insertText(text) { return this.page.evaluate(insertAsOneEdit, text); }
    setRatio(ratio) { return this.page.setViewport({ ...viewport, deviceScaleFactor: ratio }); }

    // BiDi tells no role or name, but finds nodes by them: the element must be
    // among those the accessibility locator finds by the role and name wanted.
    async accessible(selector, { role, name }) {
        const el = await this.page.evaluateHandle((selector) => document.querySelector(selector), selector);
        const found = await el.$$(`aria/[name="${name}"][role="${role}"]`);
        return await el.evaluate((el, ...found) => found.includes(el), ...found)
            ? { role, name } : { role: '(not found by its role and name)', name: '' };
    }

    async windowOpenedBy(fn, arg) {
        const [popup] = await Promise.all([new Promise((resolve) => this.page.once('popup', resolve)), this.page.evaluate(fn, arg)]);
        return awaitBoard(new Board(popup));
    }

    close() { return this.page.browserContext().close(); }
}

export async function start() {
    const browsers = {};
    return {
        async open({ ratio = 1, touch = false, colorScheme = 'light', forcedColors = false, variant } = {}) {
            const browser = await (browsers[`${colorScheme} ${forcedColors}`] ??= launch(colorScheme, forcedColors));
            const page = await (await browser.createBrowserContext()).newPage();
            await page.setViewport({ ...viewport, deviceScaleFactor: ratio, hasTouch: touch });
            await page.goto(urlOf(variant));
            return awaitBoard(new Board(page), variant);
        },
        close: () => Promise.all(Object.values(browsers).map(async (b) => (await b).close())),
        async visit(url) {
            const page = await (await (await (browsers.visits ??= launch('light'))).createBrowserContext()).newPage();
            await page.setViewport(viewport);
            await page.goto(url);
            return new Board(page);
        },
    };
}
