// What every engine's adapter shares: the page under test, the npm packages
// installed beside the build, the viewport, and how a board is known to be up.

import { createRequire } from 'node:module';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [page, npm] = [process.env.KZD_PAGE, process.env.KZD_NPM];
if (!page || !npm)
    throw new Error('KZD_PAGE (the built page) and KZD_NPM (the folder of the installed npm packages) must be set');
// Either may be given relative to the current folder.
export const requireNpm = createRequire(join(resolve(npm), 'package.json'));

export const pageUrl = pathToFileURL(resolve(page)).href;
export const pagePath = page;

// Room for the board (992 x 696 and the page's margin) at either ratio.
export const viewport = { width: 1040, height: 760 };

// True once the board is taken up and drawn, or once the page has said why it
// cannot start.
export const boardUp = () => !!(window.kzdBoard?.description() && !document.getElementById('board').hidden ||
                                 !document.getElementById('kzd-ended').hidden);
// The reason a board could not start; empty when it did.
export const startFailure = () => document.getElementById('kzd-ended').textContent;

// Waits for a board just opened; one that cannot start fails at once with the
// page's reason.
export async function awaitBoard(board) {
    await board.waitFor(boardUp);
    const failed = await board.evaluate(startFailure);
    if (failed)
        throw new Error(failed);
    return board;
}

// Inserts text at the caret as one edit, as a paste or an input method does: for
// engines whose automation types text key by key only, which a megabyte outlasts.
export const insertAsOneEdit = (text) => { document.execCommand('insertText', false, text); };
