// What each engine's automation cannot express, and where the page is known to
// be wrong in an engine: the one list of both, kept in step with docs/testing.md's
// engines table. A check that needs what an engine cannot express is skipped
// there with the reason; a check the page fails in an engine runs there, and
// its failure is reported with the reason without failing the suite.

// By engine, by what a check needs.
const moved = 'counts a press as the second of a double-click only where it lands on the first\'s very point, '
    + 'which is on the marker the first press placed (and a press on a marker places nothing anyway)';
const noControls = 'shows no controls of its own: Tab from the last stop or Shift+Tab from the first leaves the focus '
    + 'on the document, and the next one enters the page at the last control clicked, not at the first or last stop';
const cannot = {
    firefox: {
        'moved double-click': `Firefox's WebDriver BiDi ${moved}: a pointer move resets its click count`,
        pen: 'Firefox\'s WebDriver BiDi has no pen: input.performActions answers "Unimplemented pointerMove for pointerType pen"',
        'Tab out of the page': `headless Firefox ${noControls}`,
        'fractional point': 'Puppeteer rounds a pointer\'s place to whole CSS pixels before it goes to WebDriver BiDi',
        installability: 'Firefox installs no web app on Linux and has no installability check',
    },
    webkit: {
        'moved double-click': `WebKitWebDriver on GTK ${moved}`,
        touch: 'WebKitWebDriver on GTK turns a touch pointer\'s actions into mouse events (the page sees pointerType "mouse")',
        'Tab out of the page': `MiniBrowser in automation mode ${noControls}`,
        'pen presses in a row': 'WebKitWebDriver on GTK lifts no pen it has pressed (the page sees no pointerup), so the pen\'s later presses never reach the page',
        'network log': 'classic WebDriver has no network log (the page\'s own Resource Timing, checked everywhere, stays)',
        'forced colours': 'WebKitGTK has no forced colours mode (no forced-colors media, no preference that forces the user\'s colours)',
        'fractional ratio': 'WebKitGTK\'s device pixel ratio is GTK\'s scale, a whole number (GDK_SCALE, or the X settings\' Gdk/WindowScalingFactor)',
        'leave-page question': 'classic WebDriver answers a leave-page question itself when it navigates, so the automation never sees it',
        installability: 'WebKitGTK installs no web app and has no installability check',
    },
};

// By engine, by the check's name.
const pageFaults = {
};

// The node:test options for a check in an engine.
export function expected(engine, name, needs) {
    const missing = needs.find((need) => cannot[engine]?.[need]);
    if (missing)
        return { skip: cannot[engine][missing] };
    const fault = pageFaults[engine]?.[name];
    return fault ? { todo: `known fault of the page in ${engine}: ${fault}` } : {};
}
