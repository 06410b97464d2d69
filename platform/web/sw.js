// The site's service worker: it keeps the board's files, so that a board
// served once opens with the network gone. Installing, it caches every file of
// the site under the build's own version; a newer build on the host brings a
// worker of another version, which the browser fetches at the board's next
// start and which caches the new files and takes over at once. A board already
// open holds all it needs in its own page and asks for nothing more, so nothing
// changes under it: the start after opens the new build.

const version = '@VERSION@';
const files = @FILES@;
const prefix = '@CACHE@-';
const cacheName = prefix + version;

self.addEventListener('install', (event) => {
    event.waitUntil((async () => {
        // From the host itself, never from an HTTP cache that may still hold the old build.
        await (await caches.open(cacheName)).addAll(files.map((file) => new Request(file, { cache: 'reload' })));
        await self.skipWaiting();
    })());
});

self.addEventListener('activate', (event) => {
    event.waitUntil((async () => {
        for (const name of await caches.keys())
            if (name.startsWith(prefix) && name !== cacheName)
                await caches.delete(name);
        await self.clients.claim();
    })());
});

// The site's own files come from the cache, its folder as the board; anything
// else goes to the network as it would without the worker.
self.addEventListener('fetch', (event) => {
    const url = new URL(event.request.url), scope = new URL(self.registration.scope);
    const file = url.pathname.startsWith(scope.pathname) ? url.pathname.slice(scope.pathname.length) || 'index.html' : null;
    if (event.request.method !== 'GET' || url.origin !== scope.origin || !files.includes(file))
        return;
    event.respondWith(caches.open(cacheName).then((cache) => cache.match(file)).then((kept) => kept ?? fetch(event.request)));
});
