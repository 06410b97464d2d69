// What every engine's adapter shares: the page under test, the npm packages
// installed beside the build, the viewport, and how a board is known to be up.
//
// An adapter (chromium.mjs, firefox.mjs, webkit.mjs) exports start(), which
// resolves to { open(options), close() }. open({ ratio, colorScheme, touch,
// forcedColors, variant }) resolves to a fresh board, once it is up, with
// (variant: the path of a page made from the built one, opened in its place; its
// board is handed back once up or once the page has said why it cannot start):
//   evaluate(fn, arg)       fn's result, run in the page with one argument
//   waitFor(fn, arg)        resolves once fn, run in the page, returns true
//   screenshot(selector)    the element as a PNG in device pixels
//   click(points, { button, modifiers, pointer })
//                           presses at viewport points as one gesture: the
//                           second point is a double-click's second press
//   touchStart(point), touchEnd()   a touch held down, then lifted
//   mouse(point, action)    the mouse moved to a viewport point, then its left
//                           button pressed ('down') or released ('up') there, or
//                           neither ('move')
//   setRatio(ratio)         the device pixel ratio changed while the page runs
//   key(key, modifiers)     a key pressed, modifiers held
//   insertText(text)        text inserted at the caret as one edit
//   accessible(selector, { role, name })   the role and name a screen reader is
//                           given for the element (the wanted ones are a hint
//                           for an engine that can only find nodes by them)
//   requests()              what the browser saw the page ask for since it was
//                           up, or null where the automation sees no requests
//   windowOpenedBy(fn, arg) the board in the window that fn opens
//   closed()                resolves once the board's window has closed
//   reload()                the page loaded anew in the same window, resolved
//                           once up; where the browser asks whether to leave
//                           the page, the answer is to leave
//   asksToLeave()           where the automation sees the browser's leave-page
//                           question (Chromium, Firefox): whether a reload asks
//                           it; answered to stay, else the page is loaded anew
//   memory()                where the engine tells it (Chromium): the page's JS
//                           heap after a full collection, its DOM nodes and
//                           listeners, for the soak
//   close()
// For the benchmarks and the site, the engine also has visit(url, { kept }):
// any page, in a fresh window as a board is, resolved once loaded, with a
// board's methods; a board the page may hold is not waited for. Kept: in a
// profile such as a user's browser keeps, from which Chromium installs web
// apps, and there the board has installability(): what Chromium finds wanting
// for installing the page as an app.

import { createRequire } from 'node:module';
import { basename, dirname, join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [page, npm] = [process.env.KZD_PAGE, process.env.KZD_NPM];
if (!page || !npm)
    throw new Error('KZD_PAGE (the built page) and KZD_NPM (the folder of the installed npm packages) must be set');
// The program's name, which the page says when it ends (KZD_NAME, as the build names it).
export const programName = process.env.KZD_NAME;
// Either may be given relative to the current folder.
export const requireNpm = createRequire(join(resolve(npm), 'package.json'));

export const pageUrl = pathToFileURL(resolve(page)).href;
export const pagePath = page;
// The page the web build makes for the tests only, in a folder of its own beside
// the page: its binding fails every Set Left.
export const failingPagePath = join(dirname(page), 'failing', basename(page));
// The same board as a site that works offline, which the web build makes beside the page.
export const sitePath = join(dirname(page), 'site');
// The page a board opens: the built page, or a variant of it.
export const urlOf = (variant) => (variant ? pathToFileURL(resolve(variant)).href : pageUrl);

// Room for the board (992 x 696 and the page's margin) at either ratio.
export const viewport = { width: 1040, height: 760 };

// True once the board is taken up and drawn, or once the page has said why it
// cannot start; false while a window just opened still shows its blank document.
export const boardUp = () => !!(window.kzdBoard?.description() && !document.getElementById('board').hidden) ||
                             document.getElementById('kzd-ended')?.hidden === false;
// The reason a board could not start; empty when it did.
export const startFailure = () => document.getElementById('kzd-ended').textContent;

// Waits for a board just opened; one that cannot start fails at once with the
// page's reason, but for a variant, which is made to fail.
export async function awaitBoard(board, variant) {
    await board.waitFor(boardUp);
    const failed = !variant && await board.evaluate(startFailure);
    if (failed)
        throw new Error(failed);
    return board;
}

// Inserts text at the caret as one edit, as a paste or an input method does: for
// engines whose automation types text key by key only, which a megabyte outlasts.
export const insertAsOneEdit = (text) => { document.execCommand('insertText', false, text); };

// What a board on a Playwright or a Puppeteer page does alike: run a function in
// the page, list the requests the browser saw it make since it was up, and
// tell when its window has closed.
export class PageBoard {
    constructor(page) {
        this.page = page;
        this.asked = [];
        page.on('request', (r) => this.asked.push(r.url()));
        this.gone = new Promise((resolve) => page.once('close', resolve));
    }

    evaluate(fn, arg) { return this.page.evaluate(fn, arg); }
    async mouse([x, y], action = 'move') {
        await this.page.mouse.move(x, y);
        if (action !== 'move')
            await this.page.mouse[action]();
    }
    // The page loaded anew in the same window, at the ratio the window has: a
    // fresh board for less than a new window costs.
    async reload() {
        const leave = (dialog) => dialog.type() === 'beforeunload' && dialog.accept();
        this.page.on('dialog', leave);
        try {
            await this.page.reload();
        } finally {
            this.page.off('dialog', leave);
        }
        return awaitBoard(this);
    }
    async asksToLeave() {
        let seen = false, stay;
        const asked = new Promise((resolve) => {
            stay = (dialog) => {
                seen = dialog.type() === 'beforeunload';
                resolve(dialog.dismiss().then(() => seen));
            };
        });
        this.page.on('dialog', stay);
        // Answered to stay, the reload is given up: Firefox's automation says so
        // as an error, Chromium's never settles.
        const reloading = this.page.reload().then(() => false, (error) => {
            if (seen)
                return true;
            throw error;
        });
        try {
            const answer = await Promise.race([reloading, asked]);
            if (!answer)
                await awaitBoard(this);
            return answer;
        } finally {
            this.page.off('dialog', stay);
        }
    }
    requests() { return this.asked; }
    closed() { return this.gone; }
}
