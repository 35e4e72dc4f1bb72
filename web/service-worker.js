// Keeps the whole site for play without a network: on its first visit the page installs this
// worker, which stores every file of the build in one cache named after the build's content and
// from then on answers from that cache first. A new build is a new worker with a new cache; it
// waits until the old version's pages are closed and takes over on the next visit, so a page
// never mixes files of two builds, and the old cache goes when it takes over.
// The build fills in the two lists below (see site_worker.py); file names are relative to this
// worker, so the site works from any folder.
const Version = 'unbuilt';
const Files = [];

const Prefix = 'skelvar-';
const CacheName = `${Prefix}${Version}`;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CacheName).then((cache) => cache.addAll(Files)));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(names
    .filter((name) => name.startsWith(Prefix) && name !== CacheName)
    .map((name) => caches.delete(name)))));
});

// The board's answers (under api/) always come from the network, and nothing fetched is kept: the
// board's modules, which are not in the list, are not kept either.
self.addEventListener('fetch', (event) => {
  const { request } = event;
  const { scope } = self.registration;
  if (request.method !== 'GET' || !request.url.startsWith(scope) || request.url.startsWith(`${scope}api/`)) return;
  event.respondWith((async () => {
    const cache = await caches.open(CacheName);
    // Test pages and retries add a query to the same files.
    const hit = await cache.match(request, { ignoreSearch: true, ignoreVary: true });
    return hit ?? fetch(request);
  })());
});
