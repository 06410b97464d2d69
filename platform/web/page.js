// The browser side of the web binding: builds the window's DOM from the
// description the program hands it, draws its pictures, and sends the events
// that run the program's handlers back into it. It keeps nothing: no storage,
// no request, no timer.
'use strict';

(() => {
    // The colours the desktop takes from the user's colour scheme come from the
    // browser's system colours, so a dark scheme is honoured the same way.
    const kSystemColours = {
        InfoBackground: 'Canvas',
        WindowBackground: 'Field',
        WindowText: 'FieldText',
        ButtonFace: 'ButtonFace',
        ButtonText: 'ButtonText',
    };
    const kFamily = 'KzdSans';
    const kUnchanged = -2147483648;
    const kButtonBorder = 1; // pixels
    const kEnded = document.getElementById('kzd-ended').dataset.ended;

    let module = null;
    let description = null;
    let board = null;
    const elements = []; // by row id: the element a user sees and focuses
    const inputs = [];   // by row id: the form control holding a value or text
    const clients = [];  // by row id: where a picture box's children go
    const canvases = []; // by row id: where a picture is drawn

    const hex = (argb) => '#' + (argb & 0xFFFFFF).toString(16).padStart(6, '0');
    const colourOf = (c) => (c.system ? kSystemColours[c.system] : hex(c.rgb));
    const physical = (logical, ratio) => Math.ceil(logical * ratio - 1e-9);
    // One rule a font, so that no control parses its own.
    function addFontRules() {
        const sheet = document.head.appendChild(document.createElement('style')).sheet;
        description.fonts.forEach((f, i) =>
            sheet.insertRule(`.font-${i} { font: ${f.bold ? 'bold ' : ''}${f.pixels}px ${kFamily}, sans-serif; }`));
    }

    function place(el, row) {
        const [left, top, width, height] = row.rect;
        Object.assign(el.style, {left: `${left}px`, top: `${top}px`, width: `${width}px`, height: `${height}px`});
        el.classList.add(`font-${row.font}`);
    }

    function pictureCanvas(row) {
        const canvas = document.createElement('canvas');
        canvas.setAttribute('aria-hidden', 'true');
        canvases[row.id] = canvas;
        return canvas;
    }

    function create(row) {
        let el;
        switch (row.kind) {
        case 'PictureBox': {
            el = document.createElement('div');
            el.className = 'picturebox';
            el.tabIndex = 0;
            el.setAttribute('role', 'group');
            el.style.borderWidth = `${row.border}px`;
            const client = document.createElement('div');
            client.className = 'client';
            client.style.background = colourOf(row.back);
            client.append(pictureCanvas(row));
            el.append(client);
            clients[row.id] = client;
            if (row.onMouseDown)
                watchPresses(row, el, client);
            break;
        }
        case 'OptionButton': {
            el = document.createElement('label');
            el.className = 'option';
            const radio = document.createElement('input');
            radio.type = 'radio';
            radio.name = 'kzd-selectors';
            radio.checked = row.value !== 0;
            const caption = document.createElement('span');
            caption.textContent = row.caption;
            el.append(radio, caption);
            inputs[row.id] = radio;
            break;
        }
        case 'Label':
            el = document.createElement('div');
            el.className = `label ${row.look}`;
            if (row.look === 'text') {
                el.textContent = row.caption;
                if (row.centred)
                    el.style.textAlign = 'center';
            } else {
                // A square or numbered box is a picture of a combatant, named for it.
                el.setAttribute('role', 'img');
                el.setAttribute('aria-label', row.accessibleName);
                if (row.look === 'box')
                    el.textContent = row.caption;
            }
            break;
        case 'TextBox':
            el = document.createElement('input');
            el.type = 'text';
            el.maxLength = 32767;
            el.value = row.caption;
            inputs[row.id] = el;
            break;
        case 'RichTextBox':
            el = document.createElement('textarea');
            inputs[row.id] = el;
            break;
        case 'Frame':
            el = document.createElement('div');
            el.className = 'frame';
            el.setAttribute('role', 'group');
            el.append(Object.assign(document.createElement('div'), {className: 'edge'}));
            break;
        case 'CommandButton':
            el = document.createElement('button');
            el.type = 'button';
            el.style.borderWidth = `${kButtonBorder}px`;
            if (row.picture)
                el.append(pictureCanvas(row));
            if (row.onClick)
                el.addEventListener('click', () => module._kzd_click(row.id));
            // A command button answers Space and a click, as on the desktop; Enter is no key of the window.
            el.addEventListener('keydown', (e) => { if (e.key === 'Enter') e.preventDefault(); });
            break;
        default:
            throw new Error(`unknown kind of control: ${row.kind}`);
        }
        el.classList.add('control');
        place(el, row);
        el.style.color = colourOf(row.fore);
        // A text label and a numbered box have no background of their own; the
        // map box's is its client area's.
        if (row.kind !== 'PictureBox' && (row.kind !== 'Label' || row.look === 'fill'))
            el.style.backgroundColor = colourOf(row.back);
        if (row.kind === 'TextBox' || row.kind === 'RichTextBox' || row.kind === 'CommandButton' ||
            row.kind === 'PictureBox' || row.kind === 'Frame')
            el.setAttribute('aria-label', row.accessibleName);
        if (row.kind === 'TextBox' || row.kind === 'RichTextBox') {
            el.spellcheck = false;
            el.autocomplete = 'off';
        }
        el.dataset.name = row.index < 0 ? row.name : `${row.name}(${row.index})`;
        elements[row.id] = el;
        return el;
    }

    // A press of any mouse button, a pen or a touch on the map's own surface runs
    // the placement handler at the point pressed, in whole map pixels; a press on a
    // marker stays with the marker.
    function watchPresses(row, box, client) {
        const onSurface = (e) => e.target === client || e.target === canvases[row.id];
        const press = (e, button) => {
            const r = client.getBoundingClientRect();
            const shift = (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0);
            module._kzd_mouse_down(row.id, button, shift, Math.round(e.clientX - r.left), Math.round(e.clientY - r.top));
        };
        client.addEventListener('mousedown', (e) => {
            if (e.button === 1)
                e.preventDefault(); // no autoscroll
            // The second press of a double-click places nothing, as on the desktop.
            if (onSurface(e) && e.detail < 2)
                press(e, [1, 4, 2, 8, 16][e.button] || 1);
        });
        client.addEventListener('pointerdown', (e) => {
            if (e.pointerType === 'mouse' || !e.isPrimary)
                return;
            // No compatibility mouse events follow, and no gesture takes the tap.
            e.preventDefault();
            box.focus({preventScroll: true});
            if (onSurface(e))
                press(e, 1);
        });
        client.addEventListener('contextmenu', (e) => e.preventDefault());
    }

    function drawPixels(row, canvas, ratio) {
        const at = module._kzd_pixels(row.id, ratio);
        const width = module._kzd_rgba_width(), height = module._kzd_rgba_height();
        const rgba = new Uint8ClampedArray(module.HEAPU8.buffer, at, width * height * 4).slice();
        size(canvas, width, height, ratio);
        canvas.getContext('2d').putImageData(new ImageData(rgba, width, height), 0, 0);
    }

    function size(canvas, width, height, ratio) {
        canvas.width = width;
        canvas.height = height;
        // One canvas pixel on one device pixel: never scaled up.
        canvas.style.width = `${width / ratio}px`;
        canvas.style.height = `${height / ratio}px`;
    }

    // A face is centred on its button on whole pixels, as the desktop places it;
    // the canvas is placed from inside the button's border.
    function centre(canvas, row) {
        const [, , width, height] = row.rect;
        canvas.style.left = `${Math.floor((width - row.picture.width) / 2) - kButtonBorder}px`;
        canvas.style.top = `${Math.floor((height - row.picture.height) / 2) - kButtonBorder}px`;
    }

    // The face's outer shapes and its word are smoothed by the canvas; the inner
    // shapes are laid on whole pixels by the program's own code.
    function drawFace(row, canvas, ratio) {
        const face = row.picture.face;
        const width = physical(row.picture.width, ratio), height = physical(row.picture.height, ratio);
        size(canvas, width, height, ratio);
        centre(canvas, row);
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

        const drawn = ctx.getImageData(0, 0, width, height).data;
        const at = module._kzd_alloc(drawn.length);
        module.HEAPU8.set(drawn, at);
        const done = module._kzd_finish_face(row.id, at, width, height, ratio);
        module._kzd_free(at);
        const rgba = new Uint8ClampedArray(module.HEAPU8.buffer, done, width * height * 4).slice();
        ctx.putImageData(new ImageData(rgba, width, height), 0, 0);
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

    // Where siblings overlap, the later row is drawn on top. Only those get a
    // stacking order of their own: each one costs the browser work at every paint.
    function stackOverlaps() {
        const overlap = (a, b) => a.rect[0] < b.rect[0] + b.rect[2] && b.rect[0] < a.rect[0] + a.rect[2] &&
                                  a.rect[1] < b.rect[1] + b.rect[3] && b.rect[1] < a.rect[1] + a.rect[3];
        for (const a of description.rows)
            if (description.rows.some((b) => b !== a && b.parent === a.parent && overlap(a, b)))
                elements[a.id].style.zIndex = String(a.id + 1);
    }

    function build(text, instance) {
        module = instance;
        description = JSON.parse(text);
        const form = description.form;
        document.title = form.caption;
        board = document.getElementById('board');
        board.dataset.name = form.name;
        addFontRules();
        Object.assign(board.style, {width: `${form.width}px`, height: `${form.height}px`,
                                   backgroundColor: colourOf(form.back)});
        board.classList.add('font-0');
        for (const row of description.rows)
            create(row);
        // Each control goes into its parent in focus order, so that the page's own
        // Tab order is the window's; the rows' order decides what is drawn on top.
        const byFocus = [...description.rows].sort((a, b) => a.focus - b.focus || a.id - b.id);
        for (const row of byFocus) {
            const parent = row.parent < 0 ? board : clients[row.parent] || elements[row.parent];
            parent.append(elements[row.id]);
        }
        stackOverlaps();
        drawPictures();
        board.hidden = false;
        const first = description.focusOrder[0];
        if (first !== undefined)
            elements[first].focus({preventScroll: true});
    }

    // The program has ended: nothing of the board is left, one line says so.
    function end() {
        board.remove();
        const line = document.getElementById('kzd-ended');
        line.textContent = kEnded;
        line.hidden = false;
        module = null;
    }

    const page = {
        build,
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
            window.close();
            if (!window.closed)
                end();
        },
        report(text) {
            window.alert(text);
            end();
        },
    };

    // The program and the fonts travel in the page and are loaded from its own bytes.
    function bytesOf(id) {
        const text = atob(document.getElementById(id).textContent.trim());
        const bytes = new Uint8Array(text.length);
        for (let i = 0; i < text.length; ++i)
            bytes[i] = text.charCodeAt(i);
        return bytes;
    }

    async function loadFonts() {
        const faces = [];
        for (const [id, weight] of [['kzd-font-regular', '400'], ['kzd-font-bold', '700']]) {
            const data = bytesOf(id);
            const face = new FontFace(kFamily, data, {weight});
            document.fonts.add(face);
            faces.push(face.load());
        }
        await Promise.all(faces);
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

    // The program compiles while the fonts load, and starts once both are in, so
    // the board is laid out in its own fonts at once.
    Promise.all([WebAssembly.compile(bytesOf('kzd-wasm')), loadFonts()]).then(([program]) => createKzd({
        page,
        instantiateWasm(imports, receive) {
            WebAssembly.instantiate(program, imports).then((instance) => receive(instance, program));
            return {};
        },
    })).catch((error) => {
        document.getElementById('kzd-ended').textContent = `The board cannot start: ${error}`;
        document.getElementById('kzd-ended').hidden = false;
    });
})();
