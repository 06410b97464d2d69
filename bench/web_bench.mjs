// The web edition's figures in every browser engine, as one table with a column
// an engine: the page's size, its first paint against its own bare board (the
// same controls without the program) and a blank page that loads the same fonts
// the same way, placement and Clear from the input event to the board laid out
// anew, and what runs when nothing happens. Each engine is driven through the
// web checks' own adapter (tests/web/). Run by `make bench`; nothing here is a test.
//   KZD_PAGE=build/web/kelm-zizovu-dizuzed.html KZD_NPM=build/npm node bench/web_bench.mjs [chromium] [firefox] [webkit]
// (all three when none is named; KZD_RUNS sets the first paints of each page, 21).

import { execFileSync } from 'node:child_process';
import { readFileSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import os from 'node:os';

import { awaitBoard, pagePath } from '../tests/web/page.mjs';

const engines = { chromium: 'Chromium', firefox: 'Firefox ESR', webkit: 'WebKitGTK' };
const packages = { chromium: 'chromium', firefox: 'firefox-esr', webkit: 'libwebkit2gtk-4.1-0' };
const chosen = process.argv.slice(2);
for (const name of chosen)
    if (!engines[name])
        throw new Error(`no engine ${name}: name any of ${Object.keys(engines).join(', ')}`);
const names = chosen.length ? chosen : Object.keys(engines);

// First paints of each page; the rounds alternate the pages.
const runs = Number(process.env.KZD_RUNS ?? 21);
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const verdict = (ok) => (ok ? 'met' : 'MISSED');
const command = (name) => `KZD_PAGE=build/web/kelm-zizovu-dizuzed.html KZD_NPM=build/npm node bench/web_bench.mjs ${name}`;

// Two pages to measure the board against, each loading the same two fonts, decoded
// the same way as the board's page does (the browser's own base64 decoder where it
// has one), then showing what it holds: the blank page one line; the bare board the
// board's own controls as the page carries them, without the program, its
// description, pictures or events: what the browser alone needs to show 145 controls.
// Two more bare boards put a floor under what any program started before the
// first paint can reach: one carries the program's bytes (its wasm, description
// and script, none of them run), the other also compiles and instantiates the
// wasm and reads the description, and draws nothing.
function referencePages(page) {
    const font = (id) => page.match(new RegExp(`<script type="application/octet-stream" id="${id}">([^<]*)</script>`))[0];
    const show = (id, first = '') => `<script>
const bytesOf = (id) => {
    const text = document.getElementById(id).textContent.trim();
    return Uint8Array.fromBase64 ? Uint8Array.fromBase64(text) : Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
};${first}
Promise.all([['kzd-font-regular', '400'], ['kzd-font-bold', '700']].map(([id, weight]) => {
    const face = new FontFace('KzdSans', bytesOf(id), { weight });
    document.fonts.add(face);
    return face.load();
})).then(() => { document.getElementById('${id}').hidden = false; });
</script>`;
    const blank = `<!DOCTYPE html><html><head><meta charset="utf-8"></head><body>
${font('kzd-font-regular')}${font('kzd-font-bold')}
<p id="line" hidden style="font: 11px KzdSans">Kelm Zizovu Dizuzed</p>
${show('line')}</body></html>`;
    const wasm = page.match(/<script type="application\/octet-stream" id="kzd-wasm">[^<]*<\/script>/)?.[0];
    const description = page.match(/<script type="application\/json" id="kzd-description">[^<]*<\/script>/)?.[0];
    const script = page.match(/<script>(?![^]*<script>)([^]*)<\/script>/)?.[1];
    if (!wasm || !description || !script)
        throw new Error('the page no longer has the shape the bare board is cut from');
    // The tail is put in by a function, so that no "$" in the script it carries reads as a pattern.
    const bareWith = (tail) => page.replace(wasm, '').replace(description, '').replace(`<script>${script}</script>`, () => tail);
    const carried = `${wasm}${description}<script type="text/plain">${script}</script>`;
    // Every import a function that does nothing: the program is instantiated, never called.
    const start = `
const none = new Proxy({}, { get: () => new Proxy({}, { get: () => () => 0 }) });
new WebAssembly.Instance(new WebAssembly.Module(bytesOf('kzd-wasm')), none);
JSON.parse(document.getElementById('kzd-description').textContent);`;
    return { blank, bare: bareWith(show('board')), carried: bareWith(carried + show('board')),
             started: bareWith(carried + show('board', start)) };
}

// The board with a script before its own that counts what the page's own code
// asks to have run later (timers, frames, idle callbacks, microtasks), and how
// often and how long the callbacks and event listeners it gave run; and nothing
// else changed. Code on the stack that is not the page's (an engine's automation
// runs its scripts in the page, and WebKit's sets a timer for each) is not counted:
// the page's own code is what stands in the page below the counting script.
function countingPage(page) {
    const counting = (below) => `<script>
(() => {
    const counts = window.kzdCounts = { asked: 0, ran: 0, ms: 0 };
    const lineIn = (frame) => +(frame.split(location.href + ':')[1] ?? '').split(':')[0];
    const own = () => new Error().stack.split('\\n').some((frame) => lineIn(frame) > ${below});
    const timed = (fn) => function (...args) {
        const start = performance.now();
        try { return fn.apply(this, args); } finally { ++counts.ran; counts.ms += performance.now() - start; }
    };
    for (const name of ['setTimeout', 'setInterval', 'requestAnimationFrame', 'requestIdleCallback', 'queueMicrotask']) {
        const original = window[name];
        if (original)
            window[name] = function (callback, ...rest) {
                if (!own() || typeof callback !== 'function')
                    return original.call(this, callback, ...rest);
                ++counts.asked;
                return original.call(this, timed(callback), ...rest);
            };
    }
    const wrapped = new WeakMap();
    const wrap = (listener) => {
        if (typeof listener !== 'function' && typeof listener?.handleEvent !== 'function' || !own())
            return listener;
        if (!wrapped.has(listener))
            wrapped.set(listener, timed(function (e) {
                return typeof listener === 'function' ? listener.call(this, e) : listener.handleEvent(e);
            }));
        return wrapped.get(listener);
    };
    const { addEventListener, removeEventListener } = EventTarget.prototype;
    EventTarget.prototype.addEventListener = function (type, listener, options) {
        return addEventListener.call(this, type, wrap(listener), options);
    };
    EventTarget.prototype.removeEventListener = function (type, listener, options) {
        return removeEventListener.call(this, type, wrapped.get(listener) ?? listener, options);
    };
})();
</script>
`;
    const head = page.indexOf('</head>');
    if (head < 0)
        throw new Error('the page no longer has the head the counting script goes into');
    const below = (page.slice(0, head) + counting(0)).split('\n').length;
    return page.slice(0, head) + counting(below) + page.slice(head);
}

// The pages, served on a free port of this machine's loopback and isolated from
// other origins, which is what lets every engine's clock read finer than a
// millisecond (a page opened from a file reads 0.1 ms in Chromium, 1 ms in
// Firefox and WebKit). Nothing is cached: every load reads the page anew.
async function servePages() {
    const page = readFileSync(pagePath, 'utf8');
    const pages = { 'board.html': page, 'counted.html': countingPage(page), ...Object.fromEntries(
        Object.entries(referencePages(page)).map(([name, text]) => [`${name}.html`, text])) };
    const server = createServer((request, response) => {
        const text = pages[request.url.slice(1)];
        response.writeHead(text === undefined ? 404 : 200, {
            'content-type': 'text/html; charset=utf-8',
            'cache-control': 'no-store',
            'cross-origin-opener-policy': 'same-origin',
            'cross-origin-embedder-policy': 'require-corp',
        });
        response.end(text);
    });
    await new Promise((resolve, reject) => server.once('error', reject).listen(0, '127.0.0.1', resolve));
    const base = `http://127.0.0.1:${server.address().port}/`;
    return { url: (name) => `${base}${name}.html`, close: () => new Promise((resolve) => server.close(resolve)) };
}

// The page's first contentful paint, in milliseconds from the start of its load,
// as the engine reports it.
async function firstPaint(engine, url) {
    const page = await engine.visit(url);
    try {
        const fcp = await page.evaluate(() => new Promise((resolve) => {
            const seen = () => performance.getEntriesByType('paint').find((e) => e.name === 'first-contentful-paint');
            if (seen())
                return resolve(seen().startTime);
            new PerformanceObserver((list, observer) => {
                if (seen()) { observer.disconnect(); resolve(seen().startTime); }
            }).observe({ type: 'paint', buffered: true });
            setTimeout(() => resolve(seen()?.startTime ?? null), 10000);
        }));
        if (typeof fcp !== 'number')
            throw new Error(`${url} reported no first contentful paint`);
        return fcp;
    } finally {
        await page.close();
    }
}

// From the start of the input event's dispatch in the page to the board laid out
// after its handler: the program's handler and the style and layout of what it
// changed; and the same from the event's time stamp, which adds the browser's
// delivery of the event. Painting the frame comes after and is not counted.
async function eventToLayout(board, type, act, runs) {
    await board.evaluate((type) => {
        // An earlier measure's listeners go.
        window.kzdListening?.abort();
        const { signal } = window.kzdListening = new AbortController();
        window.kzdTimes = { page: [], delivered: [] };
        let start = 0, stamp = 0;
        addEventListener(type === 'mousedown' ? 'pointerdown' : type, (e) => { start = performance.now(); stamp = e.timeStamp; },
                         { capture: true, signal });
        addEventListener(type, () => {
            document.getElementById('board').getBoundingClientRect();
            const now = performance.now();
            window.kzdTimes.page.push(now - start);
            window.kzdTimes.delivered.push(now - stamp);
        }, { signal });
    }, type);
    for (let i = 0; i < runs; ++i)
        await act(i);
    const times = await board.evaluate(() => window.kzdTimes);
    if (times.page.length !== runs)
        throw new Error(`${runs} ${type} events sent, ${times.page.length} seen by the page`);
    return times;
}

const centreOf = (board, selector) => board.evaluate((selector) => {
    const r = document.querySelector(selector).getBoundingClientRect();
    return [Math.round(r.left + r.width / 2), Math.round(r.top + r.height / 2)];
}, selector);

// One engine's figures, each cell with its verdict where it has a target.
async function measure(name, pages) {
    const { start } = await import(`../tests/web/${name}.mjs`);
    const engine = await start();
    const cells = {};
    try {
        // The pages alternate, so that a change in the machine's load falls on all
        // of them; on a shared machine single paints move by a factor of two. A
        // round before the counted ones warms the browser up.
        const board = [], bare = [], blank = [], carried = [], started = [];
        for (let i = -1; i < runs; ++i) {
            const times = [];
            for (const name of ['board', 'bare', 'blank', 'carried', 'started'])
                times.push(await firstPaint(engine, pages.url(name)));
            if (i >= 0)
                [board[i], bare[i], blank[i], carried[i], started[i]] = times;
        }
        const ratio = median(board) / median(bare);
        const paired = median(board.map((b, i) => b / bare[i]));
        cells.paint = `${median(board).toFixed(1)} / ${median(bare).toFixed(1)}; ${ratio.toFixed(2)}; ${paired.toFixed(2)}: ${verdict(ratio <= 1.25)}`;
        cells.floor = [carried, started].map((xs) => `${median(xs).toFixed(1)}; ${(median(xs) / median(bare)).toFixed(2)}`).join('; ');
        cells.blank = `${median(blank).toFixed(1)}; ${(median(board) / median(blank)).toFixed(2)}; ${(median(bare) / median(blank)).toFixed(2)}`;

        const page = await awaitBoard(await engine.visit(pages.url('board')));
        try {
            const [left, top] = await page.evaluate(() => {
                const r = document.getElementById('board').getBoundingClientRect();
                return [r.left, r.top];
            });
            // Presses over the map, each at another place, none twice in a row at one.
            const places = await eventToLayout(page, 'mousedown', (i) =>
                page.click([[Math.round(left + 9 + 20 + (i * 37) % 400), Math.round(top + 9 + 20 + (i * 53) % 350)]]), 200);
            cells.place = `${median(places.page).toFixed(3)}; ${median(places.delivered).toFixed(3)}: ${verdict(median(places.page) <= 2)}`;

            const clear = await centreOf(page, '[data-name="cmdClear"]');
            const clears = await eventToLayout(page, 'click', async () => {
                await page.evaluate(() => document.querySelectorAll('#board input[type=text], #board textarea')
                    .forEach((el) => { el.value = el.tagName === 'TEXTAREA' ? 'Notes for the next round. '.repeat(400) : 'Hobgoblin'; }));
                await page.click([clear]);
            }, 30);
            cells.clear = `${median(clears.page).toFixed(3)}; ${median(clears.delivered).toFixed(3)}: ${verdict(median(clears.page) <= 5)}`;
        } finally {
            await page.close();
        }

        // Idle: what the page asks to have run after it is built, from before its
        // own script, and what runs in the second after.
        const idle = await awaitBoard(await engine.visit(pages.url('counted')));
        try {
            const before = await idle.evaluate(() => ({ ...window.kzdCounts }));
            await new Promise((resolve) => setTimeout(resolve, 1000));
            const after = await idle.evaluate(() => ({ ...window.kzdCounts, animations: document.getAnimations().length }));
            const nothing = after.asked === 0 && after.ran === before.ran && after.animations === 0;
            cells.idle = `${after.asked} / ${after.ran - before.ran} / ${after.animations} / ${(after.ms - before.ms).toFixed(2)}: ${verdict(nothing)}`;
        } finally {
            await idle.close();
        }
    } finally {
        await engine.close();
    }
    return cells;
}

const version = (name) => {
    try {
        return execFileSync('dpkg-query', ['-W', '-f=${Version}', packages[name]], { encoding: 'utf8' });
    } catch {
        return 'version unknown';
    }
};

// The machine's load average over the last minute: the browsers share it with
// whatever else runs.
const load = () => readFileSync('/proc/loadavg', 'utf8').split(' ')[0];

const size = statSync(pagePath).size;
const pages = await servePages();
const results = {};
try {
    for (const name of names) {
        const before = load();
        results[name] = { ...await measure(name, pages), load: `${before} → ${load()}` };
    }
} finally {
    await pages.close();
}

const rows = [
    ['Page size (KiB)', '≤ 512', () => `${(size / 1024).toFixed(1)}: ${verdict(size <= 512 * 1024)}`],
    [`First paint of the whole board against the bare board (its controls without the program), medians of ${runs} (ms): board / bare board; ratio; median of the paired ratios`,
     'ratio ≤ 1.25', (c) => c.paint],
    [`First paint of a blank page with the same fonts, median of ${runs} (ms); the board / blank page; the bare board / blank page`,
     'for reference', (c) => c.blank],
    [`First paint of the bare board carrying the program unrun, then with its wasm also compiled and instantiated and its description read, nothing drawn, medians of ${runs} (ms); each / bare board`,
     'for reference', (c) => c.floor],
    ['Placement: pointerdown to the marker laid out anew, median of 200 (ms); from the event\'s time stamp', '≤ 2', (c) => c.place],
    ['Clear on a filled sheet: click to the board laid out anew, median of 30 (ms); from the event\'s time stamp', '≤ 5', (c) => c.clear],
    ['Idle for 1 s after start: timers, frames and callbacks asked for since the page began / calls into the page\'s code in that second / animations / their script time (ms)',
     '0 / 0 / 0', (c) => c.idle],
    ['Load average over a minute, before / after the engine\'s run', '', (c) => c.load],
];
console.log(`Web edition, ${names.map((n) => `${engines[n]} ${version(n)}`).join(', ')}; ${os.cpus().length} cores.\n`);
console.log(`| measure | target | ${names.map((n) => engines[n]).join(' | ')} |\n|---|---|${names.map(() => '---:|').join('')}`);
for (const [label, target, cell] of rows)
    console.log(`| ${label} | ${target} | ${names.map((n) => cell(results[n])).join(' | ')} |`);
console.log(`| command | | ${names.map((n) => `\`${command(n)}\``).join(' | ')} |`);
