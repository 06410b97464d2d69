// A random walk of the page in one browser engine, against a model of what the
// user expects to see: the model of the window's rules that tst_property holds
// the desktop window to, written again with fast-check's model-based commands.
// Each run is a fresh board and a random sequence of presses on the map (any
// button, any point of the box, its border and edges, points inside a pixel,
// presses on markers, a pen where the engine has one), selectors chosen by click
// and arrow keys, typing and pasting into the cells and notes, Clear, Tab and
// Shift+Tab, and a change of the device pixel ratio where the engine's
// automation can make one. After every event the page must agree with the model:
// where each marker stands, the chosen selector, every cell's and note's text,
// and where the focus is. A failing sequence is shrunk by replaying shorter ones
// on fresh boards; the shortest found is printed with the line that replays it:
//   KZD_SEED=... KZD_PATH=... KZD_REPLAY=... node web_model.mjs ENGINE
// (KZD_PAGE, KZD_NPM set as for web_check.mjs; ctest passes the variables on:
// KZD_SEED=... KZD_PATH=... KZD_REPLAY=... ctest --preset asan -R web_model_ENGINE).
//   node web_model.mjs chromium|firefox|webkit [EVENTS]
// runs about EVENTS events (default 1000) from a fixed seed, or from KZD_SEED,
// ending early after KZD_SECONDS; a failing sequence is shrunk for at most
// KZD_SHRINK_SECONDS (default 120; not at all with KZD_BAIL set) and the shortest
// found by then printed.
//   node web_model.mjs chromium|firefox|webkit --soak [EVENTS]
// walks one board for EVENTS events (default 200000) without shrinking, and
// every 1/20 of them, after a Clear and a garbage collection where the engine
// can force one, samples the page's memory (the adapter's memory()); once warmed
// up, the samples must not grow.
//
// The text is what the browser's own controls keep of what is pasted: no line
// break into a cell (a one-line field drops it) and no control character, and in
// the notes the text as pasted (the desktop's notes turn a no-break space and the
// Unicode line separators into a space and a line break; a text area keeps them).

import { expected } from './expectations.mjs';
import { requireNpm } from './page.mjs';

const fc = requireNpm('fast-check');

const [engineName, ...rest] = process.argv.slice(2);
const adapters = { chromium: './chromium.mjs', firefox: './firefox.mjs', webkit: './webkit.mjs' };
if (!adapters[engineName])
    throw new Error(`name an engine: ${Object.keys(adapters).join(', ')}`);
const soak = rest[0] === '--soak';
const events = Number(rest[soak ? 1 : 0] ?? (soak ? 200000 : 1000));
const can = (need) => !expected(engineName, '', [need]).skip;

const kCells = 80;
const kSlots = 16;
const kMarkerSize = 17;
const kMapWidth = 463; // the map box's client area
const kMapHeight = 399;
const kParkedTop = 400;
// The ratios a zoom or a screen of another scale gives, where the engine can take them.
const kRatios = can('fractional ratio') ? [1, 1.25, 1.5, 1.75, 2] : [1, 2];

const selectorName = (slot) => `Option${slot + 1}`;
const targetName = (target) => (target < kCells ? `Text1(${target})` : `RichTextBox1(${target - kCells})`);

// What the user expects the board to show.
class Model {
    constructor(markers) {
        Object.assign(this, { markers, selected: 0, cells: Array(kCells).fill(''), notes: ['', ''], focus: 'Picture1' });
    }

    // The focus stops in Tab order: the selectors share one, the chosen one's.
    stops() {
        return ['Picture1', selectorName(this.selected), ...Array.from({ length: 64 }, (_, i) => `Text1(${i})`),
                'RichTextBox1(0)', 'RichTextBox1(1)', ...Array.from({ length: 16 }, (_, i) => `Text1(${64 + i})`),
                'cmdClose', 'cmdClear'];
    }

    step(forward) {
        const order = this.stops(), n = order.length, at = order.indexOf(this.focus);
        this.focus = order[((at < 0 ? (forward ? -1 : n) : at) + (forward ? 1 : -1) + n) % n];
    }

    onMarker([x, y]) {
        return this.markers.some(([left, top]) => x >= left && x < left + kMarkerSize && y >= top && y < top + kMarkerSize);
    }

    // A press lies on the map pixel its point falls in.
    press(point) {
        this.focus = 'Picture1';
        const p = point.map(Math.floor);
        if (p[0] >= 0 && p[1] >= 0 && p[0] < kMapWidth && p[1] < kMapHeight && !this.onMarker(p))
            this.markers[this.selected] = p;
    }

    insert(target, text, replace) {
        const texts = target < kCells ? this.cells : this.notes, i = target % kCells;
        texts[i] = (replace ? '' : texts[i]) + text;
        this.focus = targetName(target);
    }
}

// Everything the model holds, read from the page in one go, as one string: the
// automation carries a string back in a fraction of the time it takes to carry
// the same as an object, which is most of a check's time.
const pageState = () => {
    const named = (name) => document.querySelector(`[data-name="${name}"]`);
    return JSON.stringify({
        markers: Array.from({ length: 16 }, (_, s) => [named(`Label3(${s})`).offsetLeft, named(`Label3(${s})`).offsetTop]),
        selected: Number(document.querySelector('#board input[type=radio]:checked')?.closest('[data-name]').dataset.name.slice(6)) - 1,
        cells: Array.from({ length: 80 }, (_, i) => named(`Text1(${i})`).value),
        notes: [0, 1].map((i) => named(`RichTextBox1(${i})`).value),
        focus: document.activeElement?.closest('[data-name]')?.dataset.name ?? null,
        line: document.getElementById('kzd-ended').textContent,
    });
};
const readPage = async (board) => JSON.parse(await board.evaluate(pageState));

const shown = (s) => JSON.stringify(s.length > 80 ? `${s.slice(0, 80)}...` : s);

// Where the page and the model part, or null.
function difference(page, model) {
    if (page.line)
        return `the page says: ${page.line}`;
    for (let s = 0; s < kSlots; ++s)
        if (page.markers[s].join() !== model.markers[s].join())
            return `marker ${s} at (${page.markers[s]}), expected (${model.markers[s]})`;
    if (page.selected !== model.selected)
        return `slot ${page.selected} chosen, expected ${model.selected}`;
    for (const [what, texts] of [['cell', 'cells'], ['notes', 'notes']])
        for (let i = 0; i < model[texts].length; ++i)
            if (page[texts][i] !== model[texts][i])
                return `${what} ${i} holds ${shown(page[texts][i])}, expected ${shown(model[texts][i])}`;
    if (page.focus !== model.focus)
        return `focus on ${page.focus}, expected on ${model.focus}`;
    return null;
}

// One board of the engine, driven as a user does, with the viewport points of
// its controls.
class Real {
    constructor(board, map, centres) { Object.assign(this, { board, map, centres }); }

    // A fresh board: the last run's, if it passed, loaded anew at the ratio it
    // started at where the adapter can (a long walk opens hundreds), else a new
    // one. Its layout does not change while it runs: where the map and the
    // middle of each control (a selector's mark) lie is read once.
    static async open(engine, passed) {
        if (passed?.scaled)
            await passed.board.setRatio(1);
        const board = passed?.board.reload ? await passed.board.reload() : await engine.open({});
        const [map, centres] = await board.evaluate(() => {
            const box = (el) => el.getBoundingClientRect();
            const centres = Object.fromEntries([...document.querySelectorAll('#board [data-name]')].map((el) => {
                const r = box(el.querySelector(':scope > input') ?? el);
                return [el.dataset.name, [Math.round(r.left + r.width / 2), Math.round(r.top + r.height / 2)]];
            }));
            const map = box(document.querySelector('[data-name="Picture1"] .client'));
            return [[map.left, map.top], centres];
        });
        return { real: new Real(board, map, centres), model: new Model((await readPage(board)).markers) };
    }

    onMap([x, y]) { return [this.map[0] + x, this.map[1] + y]; }
    clickOn(name) { return this.board.click([this.centres[name]]); }

    // The browser's own controls come after the last stop and before the first:
    // a Tab that leaves the page there is pressed again until it is back.
    async tab(back, wraps) {
        await this.board.key('Tab', back ? ['Shift'] : []);
        for (let tries = 0; wraps && tries < 6; ++tries) {
            if (await this.board.evaluate(() => !!document.activeElement?.closest('[data-name]')))
                return;
            await this.board.key('Tab', back ? ['Shift'] : []);
        }
    }

    async check(model) {
        const diff = difference(await readPage(this.board), model);
        if (diff)
            throw new Error(diff);
    }
}

// The events. Each is drawn without looking at the board or the model, so any
// part of a sequence is a sequence too, which is what shrinking needs.
class Event {
    check() { return true; }
    async run(model, real) {
        if (walk.over())
            return;
        ++walk.events;
        this.apply(model);
        await this.drive(real);
        await real.check(model);
    }
}

class Press extends Event {
    constructor(point, button, pointer) { super(); Object.assign(this, { point, button, pointer }); }
    apply(model) { model.press(this.point); }
    drive(real) { return real.board.click([real.onMap(this.point)], { button: this.button, pointer: this.pointer }); }
    toString() { return `${this.pointer} ${this.button} press at (${this.point})`; }
}

class Select extends Event {
    constructor(slot) { super(); this.slot = slot; }
    apply(model) { model.selected = this.slot; model.focus = selectorName(this.slot); }
    drive(real) { return real.clickOn(selectorName(this.slot)); }
    toString() { return `click selector ${this.slot}`; }
}

class Arrow extends Event {
    constructor(key) { super(); this.key = key; }
    apply(model) {
        const forward = this.key === 'ArrowDown' || this.key === 'ArrowRight';
        if (model.focus.startsWith('Option')) {
            // The selectors are one group: the arrows walk it round and choose.
            model.selected = (model.selected + (forward ? 1 : kSlots - 1)) % kSlots;
            model.focus = selectorName(model.selected);
        } else if (model.focus.startsWith('cmd')) {
            model.step(forward);
        }
    }
    drive(real) { return real.board.key(this.key); }
    toString() { return this.key; }
}

// A click into a cell or the notes, then, to write over all of it, Control+A.
// Otherwise the caret goes to the text's end by script: End goes to the end
// of the line as it is shown, which in text written right to left is not where
// the text ends.
async function focusTarget(real, target, replace) {
    await real.clickOn(targetName(target));
    if (replace)
        await real.board.key('a', ['Control']);
    else
        await real.board.evaluate(() => document.activeElement.setSelectionRange(1e9, 1e9));
}

class Type extends Event {
    constructor(target, replace, keys) { super(); Object.assign(this, { target, replace, keys }); }
    apply(model) { model.insert(this.target, this.keys.join(''), this.replace); }
    async drive(real) {
        await focusTarget(real, this.target, this.replace);
        for (const key of this.keys)
            await real.board.key(key === ' ' ? 'Space' : key);
    }
    toString() { return `type into ${targetName(this.target)}${this.replace ? ' over all' : ''}: ${JSON.stringify(this.keys.join(''))}`; }
}

class Paste extends Event {
    constructor(target, replace, text) { super(); Object.assign(this, { target, replace, text }); }
    apply(model) { model.insert(this.target, this.text, this.replace); }
    async drive(real) {
        await focusTarget(real, this.target, this.replace);
        await real.board.insertText(this.text);
    }
    toString() { return `paste into ${targetName(this.target)}${this.replace ? ' over all' : ''}: ${JSON.stringify(this.text)}`; }
}

class Clear extends Event {
    apply(model) {
        model.cells.fill('');
        model.notes.fill('');
        model.markers = model.markers.map(([left]) => [left, kParkedTop]);
        model.focus = 'cmdClear';
    }
    drive(real) { return real.clickOn('cmdClear'); }
    toString() { return 'click Clear'; }
}

class Tab extends Event {
    constructor(count, back) { super(); Object.assign(this, { count, back }); }
    // Not run where the engine cannot leave the page and come back in order:
    // past the last stop or back past the first.
    check(model) {
        if (can('Tab out of the page'))
            return true;
        const order = model.stops(), at = order.indexOf(model.focus);
        return this.back ? at >= this.count : at + this.count < order.length;
    }
    // Which presses go past the last stop or back past the first.
    apply(model) {
        this.wraps = [];
        for (let i = 0; i < this.count; ++i) {
            const from = model.focus;
            model.step(!this.back);
            this.wraps.push(from === (this.back ? 'Picture1' : 'cmdClear'));
        }
    }
    async drive(real) {
        for (const wraps of this.wraps)
            await real.tab(this.back, wraps);
    }
    toString() { return `${this.back ? 'Shift+Tab' : 'Tab'} x ${this.count}`; }
}

class Ratio extends Event {
    constructor(ratio) { super(); this.ratio = ratio; }
    apply() {}
    drive(real) {
        real.scaled = true;
        return real.board.setRatio(this.ratio);
    }
    toString() { return `ratio ${this.ratio}`; }
}

// What a user can type key by key, and what a paste brings: scripts written
// right to left, combining marks, emoji sequences, formatting characters and
// characters no font has.
// (Keys without Shift: WebKitWebDriver types a shifted character's key unshifted.)
const kKeys = ['a', 'z', '7', ' ', '-', 'o', 'r', 'c', '.', '/'];
const kAtoms = ['a', 'Z', '7', ' ', '-', 'orc', '+3', '%', '<b>', '&amp;', 'é', 'ß', 'e\u0301', '\u0301',
                'a\u0308\u0304\u0323', 'שלום', 'مرحبا', '\u200F', '\u202E', '\u2066x\u2069', '\u200D', '\uFEFF',
                '漢字', 'नमस्ते', 'ไทย', '😀', '👍🏽', '👨‍👩‍👧', '🇩🇪', '❤️', '𝔸', '\u{F0000}', '\uE000', '\u0378',
                '\uFFFC', '\uFDD0', '\uFFFF', '\u00A0', '\u2028', '\t'];
const kNotesAtoms = [...kAtoms, '\n'];

// -1 and extent are the box's border, 0 and extent - 1 the client area's edges.
const nearEdge = (extent) => fc.oneof(fc.integer({ min: -1, max: 1 }), fc.integer({ min: extent - 2, max: extent }));
const spot = fc.tuple(fc.integer({ min: 40, max: 60 }), fc.integer({ min: 0, max: 2 })).map(([at, n]) => at + n * 150);
const whole = fc.oneof(
    fc.tuple(fc.integer({ min: 0, max: kMapWidth - 1 }), fc.integer({ min: 0, max: kMapHeight - 1 })),
    fc.tuple(nearEdge(kMapWidth), fc.integer({ min: 0, max: kMapHeight - 1 })),
    fc.tuple(fc.integer({ min: 0, max: kMapWidth - 1 }), nearEdge(kMapHeight)),
    // A few fixed spots, so that markers pile up and presses land on them.
    fc.tuple(spot, spot));
// A point inside a pixel, as a press between device pixels lands at a fractional ratio.
const inside = fc.constantFrom(0, 0.2, 0.4, 0.5, 0.75, 0.9);
const mapPoint = can('fractional point')
    ? fc.tuple(whole, inside, inside).map(([[x, y], dx, dy]) => [x + dx, y + dy]) : whole;
const pointers = can('pen') && can('pen presses in a row') ? fc.constantFrom('mouse', 'mouse', 'mouse', 'pen') : fc.constant('mouse');
const press = fc.tuple(mapPoint, fc.constantFrom('left', 'middle', 'right'), pointers)
    .map(([point, button, pointer]) => new Press(point, pointer === 'pen' ? 'left' : button, pointer));
const target = fc.integer({ min: 0, max: kCells + 1 });
const replace = fc.nat(99).map((n) => n < 15);
const text = (atoms, most) => fc.array(fc.constantFrom(...atoms), { minLength: 1, maxLength: most }).map((a) => a.join(''));

// The mix of a session: mostly presses on the map, typing and pasting.
const kEvents = [
    { weight: 10, arbitrary: fc.integer({ min: 0, max: kSlots - 1 }).map((s) => new Select(s)) },
    { weight: 10, arbitrary: fc.constantFrom('ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight').map((k) => new Arrow(k)) },
    { weight: 32, arbitrary: press },
    { weight: 12, arbitrary: fc.tuple(target, replace, fc.array(fc.constantFrom(...kKeys), { minLength: 1, maxLength: 4 }))
        .map(([t, r, keys]) => new Type(t, r, keys)) },
    { weight: 12, arbitrary: fc.tuple(target, replace).chain(([t, r]) => text(t < kCells ? kAtoms : kNotesAtoms, 12)
        .map((s) => new Paste(t, r, s))) },
    { weight: 2, arbitrary: fc.constant(new Clear()) },
    { weight: 11, arbitrary: fc.tuple(fc.integer({ min: 1, max: 6 }), replace.map((r) => !r)).map(([n, forward]) => new Tab(n, !forward)) },
    { weight: 2, arbitrary: fc.constantFrom(...kRatios).map((r) => new Ratio(r)) },
];
const anyEvent = fc.oneof(...kEvents);

// The walk so far: how many events have run, and whether it is over. It ends
// after about EVENTS events, or early at its time limit (KZD_SECONDS), where the
// events left of a run do nothing; a failing sequence is shrunk for at most
// KZD_SHRINK_SECONDS, and then every sequence left untried passes.
const walk = {
    events: 0,
    started: performance.now(),
    limit: Number(process.env.KZD_SECONDS ?? Infinity) * 1000,
    shrinkLimit: (process.env.KZD_BAIL ? 0 : Number(process.env.KZD_SHRINK_SECONDS ?? 120)) * 1000,
    replaying: process.env.KZD_PATH !== undefined,
    failedAt: null,
    late() { return performance.now() - this.started > this.limit; },
    over() {
        return this.failedAt === null ? !soak && !this.replaying && this.late()
                                      : performance.now() - this.failedAt > this.shrinkLimit;
    },
};

async function walkRuns() {
    const seed = Number(process.env.KZD_SEED ?? 2026120700);
    const perRun = 150;
    let runs = 0;
    let passed = null; // the last run's board, to be loaded anew, if it passed
    const property = fc.asyncProperty(fc.commands([anyEvent], { maxCommands: perRun, size: 'max',
                                                                replayPath: process.env.KZD_REPLAY }),
                                      async (commands) => {
        if (walk.over() || walk.failedAt === null && !walk.replaying && walk.events >= events)
            return;
        const { real, model } = await Real.open(engine, passed);
        passed = null;
        try {
            ++runs;
            await fc.asyncModelRun(() => ({ model, real }), commands);
            if (real.board.reload)
                passed = real; // closed with the engine, if no run comes after
        } catch (error) {
            walk.failedAt ??= performance.now();
            throw error;
        } finally {
            if (passed !== real)
                await real.board.close();
        }
    });
    try {
        await fc.assert(property, { seed, includeErrorInReport: true, numRuns: Math.ceil(events / perRun) * 4,
                                    ...walk.replaying && { path: process.env.KZD_PATH, endOnFailure: true } });
    } catch (error) {
        const [, path] = /path: "([^"]*)"/.exec(error.message) ?? [];
        const [, replayPath] = /replayPath="([^"]*)"/.exec(error.message) ?? [];
        console.error(error.message.split('\n').filter((line) => !/^\s+at /.test(line)).join('\n'));
        console.error(`replay: KZD_SEED=${seed} KZD_PATH=${path} KZD_REPLAY='${replayPath}' node ${process.argv[1]} ${engineName}`);
        process.exitCode = 1;
        return;
    }
    const seconds = (performance.now() - walk.started) / 1000;
    console.log(`${engineName}: ${walk.events} events in ${runs} runs, ${seconds.toFixed(1)} s, ${(walk.events / seconds).toFixed(1)} events/s `
                + `(seed ${seed})${walk.late() ? `, ended at the time limit of ${walk.limit / 1000} s` : ''}`);
}

// One board for the whole walk, sampled after a Clear every 1/20 of it. The
// warm-up is its first fifth, and at least its first 6 000 events: Chromium
// keeps the last thousand edits for its undo, each holding a node, which takes
// the walk some 4 000 events to fill. Flat: the least-squares trend over the
// samples after the warm-up, across their span, stays within the bound.
async function soakRun() {
    const seed = Number(process.env.KZD_SEED ?? 2026120700);
    const samples = 20, every = Math.ceil(events / samples);
    const warmUp = Math.max(samples / 5, Math.ceil(6000 / every));
    if (samples - warmUp < 5)
        throw new Error('a soak of fewer than 8 000 events leaves too few samples after the warm-up');
    const { real, model } = await Real.open(engine);
    if (!real.board.memory)
        throw new Error(`the ${engineName} adapter tells no memory figures: soak in chromium`);
    const figures = [];
    const started = performance.now();
    for (let done = 0; done < events;) {
        for (const event of fc.sample(anyEvent, { seed: seed + done, numRuns: Math.min(every, events - done) })) {
            if (event.check(model))
                await event.run(model, real).catch((error) => {
                    throw new Error(`after event ${done} (${event}), seed ${seed}: ${error.message}`);
                });
            ++done;
        }
        await new Clear().run(model, real);
        figures.push({ events: done, ...await real.board.memory() });
        const last = figures.at(-1);
        console.log(`${done} events, ${((performance.now() - started) / 1000).toFixed(0)} s: heap ${(last.heap / 1024).toFixed(0)} KB, `
                    + `${last.nodes} nodes, ${last.listeners} listeners`);
    }
    await real.board.close();
    const seconds = (performance.now() - started) / 1000;
    console.log(`${engineName}: ${events} events on one board, ${seconds.toFixed(0)} s, ${(events / seconds).toFixed(1)} events/s (seed ${seed})`);
    // Growth across the span, by the trend of the samples after the warm-up.
    const trend = (values) => {
        const n = values.length, mx = (n - 1) / 2, my = values.reduce((a, b) => a + b) / n;
        const slope = values.reduce((sum, y, x) => sum + (x - mx) * (y - my), 0) / values.reduce((sum, _, x) => sum + (x - mx) ** 2, 0);
        return slope * (n - 1);
    };
    const after = figures.slice(warmUp);
    // The heap moves by some tens of KB from sample to sample with what the
    // engine keeps of compiled code; the DOM's counts move not at all.
    const bounds = { heap: Math.max(64 * 1024, 0.02 * after[0].heap), nodes: 0.01 * after[0].nodes, listeners: 0.01 * after[0].listeners };
    let grew = false;
    for (const [what, bound] of Object.entries(bounds)) {
        const growth = trend(after.map((f) => f[what]));
        console.log(`${what}: ${after[0][what]} after the warm-up, trend ${growth >= 0 ? '+' : ''}${growth.toFixed(0)} across the rest `
                    + `(bound ${bound.toFixed(0)})`);
        grew ||= growth > bound;
    }
    if (grew)
        throw new Error('the page\'s memory grew over the walk');
}

const engine = await (await import(adapters[engineName])).start();
try {
    if (soak)
        await soakRun();
    else
        await walkRuns();
} finally {
    await engine.close();
}
