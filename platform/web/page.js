// The browser side of the web binding: takes up the window's controls, which
// the page carries, as the program describes them, draws their pictures, and
// sends the events that run the program's handlers back into it. It keeps
// nothing: no storage, no request, no timer.

(() => {
    'use strict';

    const kFamily = 'KzdSans';
    const kUnchanged = -2147483648;
    const kEnded = document.getElementById('kzd-ended').dataset.ended;

    let module = null;
    let description = null;
    let board = null;
    const elements = []; // by row id: the element a user sees
    const focusable = []; // by row id: the element that takes the focus (the map's picture, a selector's radio)
    const inputs = [];   // by row id: the form control holding a value or text
    const canvases = []; // by row id: where a picture is drawn
    let running = false; // taken up, drawn and shown
    let over = false;    // ended, or stopped by a failure: nothing more is said
    let closing = false; // the board's own Close is taking the page down

    const hex = (argb) => '#' + (argb & 0xFFFFFF).toString(16).padStart(6, '0');
    const physical = (logical, ratio) => Math.ceil(logical * ratio - 1e-9);
    const nameOf = (row) => (row.index < 0 ? row.name : `${row.name}(${row.index})`);

    // The page carries every control of the window, written out from the same
    // description when it was made; each row takes up its element by name and
    // gets what needs the running program: its events and its picture.
    function takeUp(row, el) {
        elements[row.id] = el;
        focusable[row.id] = el.querySelector(':scope > .client > canvas[tabindex], :scope > input') ?? el;
        if (row.picture)
            canvases[row.id] = el.querySelector('canvas');
        switch (row.kind) {
        case 'PictureBox':
            // A press of any button anywhere on the map, its border and markers
            // too, gives its picture the focus, as a press on the window's map
            // does; the middle button's default, kept from starting an
            // autoscroll, would not.
            el.addEventListener('mousedown', (e) => {
                if (e.target !== focusable[row.id] || e.button === 1) {
                    e.preventDefault();
                    focusable[row.id].focus({preventScroll: true});
                }
            });
            if (row.onMouseDown)
                watchPresses(row, el, el.querySelector('.client'), focusable[row.id]);
            break;
        case 'OptionButton':
            inputs[row.id] = el.querySelector('input');
            break;
        case 'TextBox':
        case 'RichTextBox':
            inputs[row.id] = el;
            break;
        case 'CommandButton':
            if (row.onClick)
                el.addEventListener('click', () => module._kzd_click(row.id));
            // A command button answers Space and a click, as on the desktop; Enter is
            // no key of the window, and an arrow moves the focus on, as Tab does.
            el.addEventListener('keydown', (e) => {
                const step = kArrowSteps[e.key];
                if (step && !e.altKey && !e.ctrlKey && !e.metaKey && !e.shiftKey)
                    focusNext(row.id, step > 0);
                if (e.key === 'Enter' || step)
                    e.preventDefault();
            });
            break;
        }
        if (row.picture && !canvases[row.id] || row.kind === 'OptionButton' && !inputs[row.id])
            throw new Error(`${nameOf(row)} is not the control the page carries`);
    }

    // A press of any mouse button, a pen or a touch on the map box runs the
    // placement handler at the map pixel the point lies in, where that pixel is
    // on the map's client area and off every marker: a press on a marker stays
    // with the marker. As on the desktop, the pixel decides, not the element the
    // browser finds at the point: at a fractional point (a pen, a touch, a mouse
    // between device pixels) the two can be a pixel apart.
    function watchPresses(row, box, client, surface) {
        const canvas = canvases[row.id];
        const within = (x, y, el) => x >= el.offsetLeft && y >= el.offsetTop &&
                                     x < el.offsetLeft + el.offsetWidth && y < el.offsetTop + el.offsetHeight;
        const press = (e, button) => {
            const r = client.getBoundingClientRect();
            const x = Math.floor(e.clientX - r.left), y = Math.floor(e.clientY - r.top);
            if (x < 0 || y < 0 || x >= client.clientWidth || y >= client.clientHeight ||
                [...client.children].some((marker) => marker !== canvas && within(x, y, marker)))
                return;
            const shift = (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0);
            module._kzd_mouse_down(row.id, button, shift, x, y);
        };
        box.addEventListener('mousedown', (e) => {
            // The second press of a double-click places nothing, as on the desktop.
            if (e.detail < 2)
                press(e, [1, 4, 2, 8, 16][e.button] || 1);
        });
        box.addEventListener('pointerdown', (e) => {
            if (e.pointerType === 'mouse' || !e.isPrimary)
                return;
            // No compatibility mouse events follow, and no gesture takes the tap.
            e.preventDefault();
            surface.focus({preventScroll: true});
            press(e, 1);
        });
        box.addEventListener('contextmenu', (e) => e.preventDefault());
    }

    const kArrowSteps = {ArrowDown: 1, ArrowRight: 1, ArrowUp: -1, ArrowLeft: -1};

    // The next stop of the window's focus order, or the one before, round from
    // the last to the first; the selectors are one stop, the chosen one.
    function focusNext(id, forward) {
        const stops = description.focusOrder.filter((stop) => description.rows[stop].kind !== 'OptionButton' || inputs[stop].checked);
        const next = stops[(stops.indexOf(id) + (forward ? 1 : stops.length - 1)) % stops.length];
        focusable[next].focus();
    }

    // The arrow keys walk the selectors round, as on the desktop: from the last
    // to the first and back. WebKit stops at a radio group's ends; elsewhere the
    // browser moves between the selectors as it does.
    function wrapAround(radios) {
        radios.forEach((radio, i) => radio.addEventListener('keydown', (e) => {
            const step = kArrowSteps[e.key];
            if (!step || radios[i + step] || e.altKey || e.ctrlKey || e.metaKey || e.shiftKey)
                return;
            e.preventDefault();
            const other = radios.at(step > 0 ? 0 : -1);
            other.checked = true;
            other.focus();
        }));
    }

    // A picture the program drew, read in place: putImageData copies it at once.
    const imageAt = (at, width, height) =>
        new ImageData(new Uint8ClampedArray(module.HEAPU8.buffer, at, width * height * 4), width, height);

    function drawPixels(row, canvas, ratio) {
        const at = module._kzd_pixels(row.id, ratio);
        const width = module._kzd_rgba_width(), height = module._kzd_rgba_height();
        size(canvas, width, height, ratio);
        canvas.getContext('2d').putImageData(imageAt(at, width, height), 0, 0);
    }

    function size(canvas, width, height, ratio) {
        canvas.width = width;
        canvas.height = height;
        // One canvas pixel on one device pixel: never scaled up.
        canvas.style.width = `${width / ratio}px`;
        canvas.style.height = `${height / ratio}px`;
    }

    // The face's outer shapes and its word are smoothed by the canvas; the inner
    // shapes are laid on whole pixels by the program's own code.
    function drawFace(row, canvas, ratio) {
        const face = row.picture.face;
        const width = physical(row.picture.width, ratio), height = physical(row.picture.height, ratio);
        size(canvas, width, height, ratio);
        const ctx = canvas.getContext('2d', {willReadFrequently: true});
        ctx.fillStyle = hex(face.background);
        ctx.fillRect(0, 0, width, height);
        ctx.save();
        ctx.scale(ratio, ratio);
        for (const s of face.symbol.filter((s) => s.smoothed)) {
            ctx.fillStyle = hex(s.colour);
            ctx.beginPath();
            if (s.ellipse)
                ctx.ellipse(s.left + s.width / 2, s.top + s.height / 2, s.width / 2, s.height / 2, 0, 0, 2 * Math.PI);
            else
                ctx.rect(s.left, s.top, s.width, s.height);
            ctx.fill();
        }
        ctx.restore();
        // The word's ink, measured at a large size, stretched onto its box.
        ctx.font = `bold 200px ${kFamily}, sans-serif`;
        const m = ctx.measureText(face.word);
        const inkLeft = -m.actualBoundingBoxLeft, inkRight = m.actualBoundingBoxRight;
        const inkTop = -m.actualBoundingBoxAscent, inkBottom = m.actualBoundingBoxDescent;
        const [first, last, top, bottom] = face.box;
        const left = Math.round(first * ratio), right = Math.round((last + 1) * ratio);
        const upper = Math.round(top * ratio), lower = Math.round((bottom + 1) * ratio);
        const sx = (right - left) / (inkRight - inkLeft), sy = (lower - upper) / (inkBottom - inkTop);
        ctx.setTransform(sx, 0, 0, sy, left - inkLeft * sx, upper - inkTop * sy);
        ctx.fillStyle = hex(face.ink);
        ctx.fillText(face.word, 0, 0);
        ctx.setTransform(1, 0, 0, 1, 0, 0);

        // Only the shapes laid on whole pixels need the program's hand.
        if (face.symbol.every((s) => s.smoothed))
            return;
        const drawn = ctx.getImageData(0, 0, width, height).data;
        const at = module._kzd_alloc(drawn.length);
        module.HEAPU8.set(drawn, at);
        const done = module._kzd_finish_face(row.id, at, width, height, ratio);
        module._kzd_free(at);
        ctx.putImageData(imageAt(done, width, height), 0, 0);
    }

    // The captions are set in the page's own font, but how wide a browser makes
    // them is up to its rasteriser (one that hints metrics rounds every advance to
    // whole pixels). As on the desktop, a font whose captions do not all fit their
    // rooms is made smaller, a pixel at a time, down to the smallest legible size;
    // the page carries no narrower face of it. All captions are measured in one
    // layout, the one the board needs anyway; only a font that must shrink costs
    // another.
    const kSmallestPixels = 8;

    function fitCaptions() {
        const fonts = description.fonts.map((f, i) => ({
            pixels: f.pixels,
            rule: [...document.styleSheets].flatMap((sheet) => [...sheet.cssRules]).find((r) => r.selectorText === `.font-${i}`),
            captions: [],
        }));
        for (const row of description.rows) {
            const el = elements[row.id];
            if (row.kind === 'OptionButton')
                fonts[row.font].captions.push({text: el.querySelector('span'), room: el});
            else if (row.kind === 'Label' && row.look === 'text' && row.caption)
                fonts[row.font].captions.push({text: el, room: el});
        }
        const range = document.createRange();
        // The share of its width that a font's widest caption may keep (1 where all fit).
        const share = (f) => Math.min(1, ...f.captions.map(({text, room}) => {
            range.selectNodeContents(text);
            const ink = range.getBoundingClientRect(), box = room.getBoundingClientRect();
            return ink.left >= box.left - 0.01 && ink.right <= box.right + 0.01 ? 1 : (box.right - ink.left) / ink.width;
        }));
        // The first step goes as far as the widths say; where the rasteriser's
        // rounding wants a pixel more, a pixel at a time from there.
        let shrink = fonts.map((f) => [f, share(f)]).filter(([f, s]) => f.rule && s < 1);
        while (shrink.length) {
            for (const [f, s] of shrink) {
                f.pixels = Math.max(kSmallestPixels, Math.min(f.pixels - 1, Math.round(f.pixels * s)));
                f.rule.style.fontSize = `${f.pixels}px`;
            }
            shrink = shrink.map(([f]) => [f, f.pixels > kSmallestPixels ? share(f) : 1]).filter(([, s]) => s < 1);
        }
    }

    // Pictures are drawn at the device pixel ratio, and again when it changes
    // (the window moved to another screen, or the page zoomed).
    function drawPictures() {
        if (!module)
            return; // the program has ended
        const ratio = window.devicePixelRatio || 1;
        for (const row of description.rows)
            if (row.picture && canvases[row.id])
                (row.picture.face ? drawFace : drawPixels)(row, canvases[row.id], ratio);
        matchMedia(`(resolution: ${ratio}dppx)`).addEventListener('change', drawPictures, {once: true});
    }

    // The page carries the window's description, written by the program when the
    // page was made; the program tells how many rows its window has.
    function adopt(rows, instance) {
        module = instance;
        description = JSON.parse(document.getElementById('kzd-description').textContent);
        if (description.rows.length !== rows)
            throw new Error(`the page describes ${description.rows.length} controls, the window has ${rows}`);
        board = document.getElementById('board');
        const carried = new Map([...board.querySelectorAll('[data-name]')].map((el) => [el.dataset.name, el]));
        for (const row of description.rows) {
            const el = carried.get(nameOf(row));
            if (!el)
                throw new Error(`the page lacks ${nameOf(row)}`);
            takeUp(row, el);
        }
        if (carried.size !== description.rows.length)
            throw new Error(`the page carries ${carried.size} controls, the window has ${description.rows.length}`);
        wrapAround([...board.querySelectorAll('input[type=radio]')]);
        drawPictures();
        board.hidden = false;
        // Focused by the page, not by the keyboard: no ring until the focus has
        // moved once. (Asking for a focus without a ring does not do: Firefox,
        // while the page's tab is in the background, then shows no later focus.)
        const first = description.focusOrder[0];
        if (first !== undefined) {
            const el = focusable[first];
            el.dataset.startFocus = '';
            el.addEventListener('blur', () => delete el.dataset.startFocus, {once: true});
            el.focus({preventScroll: true});
        }
        // Last, so that the layout it reads is the one the first frame shows.
        fitCaptions();
        running = true;
    }

    // The program has ended: nothing of the board is left, one line says so.
    function end() {
        board.remove();
        const line = document.getElementById('kzd-ended');
        line.textContent = kEnded;
        line.hidden = false;
        module = null;
        over = true;
    }

    // A board that has stopped keeps what it holds for the user to read and to
    // copy out before reloading: the text fields read-only, which a screen
    // reader still reads and a user can still select; the map, the selectors
    // and the buttons inert, so that no press, click or key reaches the program
    // again. (The whole board inert would also take the notes out of reach of
    // selection and of the screen reader.)
    function freeze() {
        for (const row of description.rows) {
            const el = elements[row.id];
            if (row.kind === 'TextBox' || row.kind === 'RichTextBox')
                el.readOnly = true;
            else if (row.kind === 'PictureBox' || row.kind === 'OptionButton' || row.kind === 'CommandButton')
                el.inert = true;
        }
    }

    // Every failure says so in the page's one line, and only the first: what
    // follows from it says nothing new. A board that has not started stays out of
    // sight; one that runs stops as it is. No modal alert: the line says it all,
    // and a screen reader is told it as a status.
    function fail(what) {
        if (over)
            return;
        over = true;
        module = null;
        if (running)
            freeze();
        else
            document.getElementById('board').hidden = true;
        const line = document.getElementById('kzd-ended');
        line.textContent = (running ? `The board has stopped: ${what} Reload the page to start a fresh board; until then what it holds stays readable.`
                                    : `The board cannot start: ${what}`).replace(/\s+/g, ' ');
        line.hidden = false;
        // Where the user has scrolled down the board, the line above it is brought into view.
        line.scrollIntoView({block: 'nearest'});
    }
    const cannotStart = (error) => fail(String(error));

    // An error none of the page's code expected, in any of its listeners or
    // promises, stops the board as a failed handler does, rather than leave it
    // half working without a word. (WebKit tells a page opened from a file
    // nothing of its own errors but that there was one.)
    const unexpected = (error) => fail(`the page's script failed${error ? ` (${error})` : ''}.`);
    addEventListener('error', (e) => unexpected(e.error));
    addEventListener('unhandledrejection', (e) => unexpected(e.reason));

    const page = {
        adopt,
        checked: (id) => inputs[id].checked,
        move(id, left, top) {
            const style = elements[id].style;
            if (left !== kUnchanged)
                style.left = `${left}px`;
            if (top !== kUnchanged)
                style.top = `${top}px`;
        },
        setText(id, text) {
            inputs[id].value = text;
        },
        // A page can close only a window that a script opened; any other it
        // takes down as far as it can.
        unload() {
            closing = true;
            window.close();
            if (!window.closed)
                end();
        },
        // A handler's forms call failed: the text names the operation and the control.
        report: fail,
    };

    // What is typed lives in the page alone, and a reload key, a swipe back or a
    // tab closed by mistake would lose it in one stroke: while any cell or note
    // holds text, leaving the page asks the browser's own question first. The
    // board's Close asks nothing, as on the desktop, and a board it has taken
    // down holds nothing to lose.
    addEventListener('beforeunload', (e) => {
        if (!closing && board?.isConnected && inputs.some((el) => el && el.type !== 'radio' && el.value !== '')) {
            e.preventDefault();
            e.returnValue = true; // what older engines look for instead
        }
    });

    // Served as the site, the board has a service worker keep its files, so that
    // it opens again with the network gone; opened as a file it has none. The
    // worker is asked for once the board is up, and a browser that keeps none
    // (a private window, a setting) leaves the board as it is.
    if (document.querySelector('link[rel=manifest]') && navigator.serviceWorker)
        addEventListener('load', () => navigator.serviceWorker.register('sw.js').catch(() => {}), {once: true});

    // The program and the fonts travel in the page and are loaded from its own
    // bytes, decoded by the browser where it can.
    function bytesOf(id) {
        const text = document.getElementById(id).textContent.trim();
        if (Uint8Array.fromBase64)
            return Uint8Array.fromBase64(text);
        const binary = atob(text);
        const bytes = new Uint8Array(binary.length);
        for (let i = 0; i < binary.length; ++i)
            bytes[i] = binary.charCodeAt(i);
        return bytes;
    }

    // Fonts given as bytes are most often ready at once; the board waits for them
    // where they are not, so that it is laid out in its own fonts only.
    function loadFonts() {
        return [['kzd-font-regular', '400'], ['kzd-font-bold', '700']].map(([id, weight]) => {
            const face = new FontFace(kFamily, bytesOf(id), {weight});
            document.fonts.add(face);
            return face;
        });
    }

    // What the tests and the benchmark read: the description and the pictures'
    // pixels as the program draws them. Nothing in it changes the board.
    window.kzdBoard = Object.freeze({
        description: () => description,
        pixels(id, ratio) {
            const at = module._kzd_pixels(id, ratio);
            const width = module._kzd_rgba_width(), height = module._kzd_rgba_height();
            return {width, height, rgba: new Uint8ClampedArray(module.HEAPU8.buffer, at, width * height * 4).slice()};
        },
    });

    // The program is small enough to compile and start at once, in the same task
    // that reads the page, so the board is drawn before the browser's first frame;
    // where a browser refuses that on its main thread, it starts asynchronously.
    function start() {
        // A browser may lack it, or have it turned off by a setting.
        if (typeof WebAssembly !== 'object')
            return cannotStart('this browser does not run WebAssembly, which the board\'s program needs (a security setting may have turned it off).');
        const bytes = bytesOf('kzd-wasm');
        createKzd({
            page,
            instantiateWasm(imports, receive) {
                let program, instance;
                try {
                    program = new WebAssembly.Module(bytes);
                    instance = new WebAssembly.Instance(program, imports);
                } catch {
                    WebAssembly.instantiate(bytes, imports).then((made) => receive(made.instance, made.module)).catch(cannotStart);
                    return {};
                }
                receive(instance, program);
                return instance.exports;
            },
        }).catch(cannotStart);
    }

    try {
        const faces = loadFonts();
        if (faces.every((face) => face.status === 'loaded'))
            start();
        else
            Promise.all(faces.map((face) => face.load())).then(start).catch(cannotStart);
    } catch (error) {
        cannotStart(error);
    }
})();
