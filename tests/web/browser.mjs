// Debian's Chromium, headless, driven by Playwright for the web edition's tests
// and benchmarks: no browser download, a fresh profile each time, nothing that
// talks to the network on the browser's own account.

import { createRequire } from 'node:module';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [page, npm] = [process.env.KZD_PAGE, process.env.KZD_NPM];
if (!page || !npm)
    throw new Error('KZD_PAGE (the built page) and KZD_NPM (the folder of the installed npm packages) must be set');
// Either may be given relative to the current folder.
const { chromium } = createRequire(join(resolve(npm), 'package.json'))('playwright-core');

export const pageUrl = pathToFileURL(resolve(page)).href;
export const pagePath = page;

// Playwright starts Chromium on a fresh profile of its own in a temporary folder
// and removes it afterwards.
export function launch() {
    return chromium.launch({
        executablePath: process.env.KZD_CHROMIUM || '/usr/bin/chromium',
        // Chromium refuses its sandbox as root, which CI runs as.
        args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
               '--disable-component-update', '--disable-sync', '--disable-quic'],
    });
}

// A new page on the board, once the board is taken up and drawn; a board that
// cannot start fails at once with the page's reason.
export async function openBoard(browser, { ratio = 1, touch = false, colorScheme = 'light' } = {}) {
    const context = await browser.newContext({ viewport: { width: 1040, height: 760 }, deviceScaleFactor: ratio,
                                               hasTouch: touch, colorScheme });
    const page = await context.newPage();
    await page.goto(pageUrl);
    await page.waitForFunction(() => window.kzdBoard?.description() && !document.getElementById('board').hidden ||
                                     !document.getElementById('kzd-ended').hidden);
    const failed = await page.evaluate(() => document.getElementById('kzd-ended').textContent);
    if (failed)
        throw new Error(failed);
    return page;
}
