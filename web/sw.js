// Keeps the page's files, so that the page opens again without a network: each file is asked
// for from the server first (a new version is taken at once) and from the kept copy when the
// server cannot be reached. A copy is written again only when the server's validators (ETag,
// Last-Modified with the length) say the file changed, so that an unchanged page costs no writes.
'use strict';
const KEPT = 'kavron';
const FILES = ['./', 'index.html', 'page.js', 'page.css', 'codepages.js',
  'priklady.js', 'kavron-konzole.js', 'kavron-konzole.wasm', 'kavron.js', 'kavron.wasm'];

self.addEventListener('install', (e) => {
  e.waitUntil(caches.open(KEPT).then((c) => c.addAll(FILES)).then(() => self.skipWaiting()));
});
self.addEventListener('activate', (e) => e.waitUntil(self.clients.claim()));

const same = (a, b) => {
  const h = (r, name) => r.headers.get(name);
  if (h(a, 'ETag')) return h(a, 'ETag') === h(b, 'ETag');
  return !!h(a, 'Last-Modified') && h(a, 'Last-Modified') === h(b, 'Last-Modified') &&
    h(a, 'Content-Length') === h(b, 'Content-Length');
};
self.addEventListener('fetch', (e) => {
  const url = new URL(e.request.url);
  if (e.request.method !== 'GET' || url.origin !== location.origin) return;
  e.respondWith(fetch(e.request).then((response) => {
    if (response.ok) {
      const copy = response.clone();
      e.waitUntil(caches.open(KEPT).then((c) => c.match(e.request).then((kept) =>
        kept && same(copy, kept) ? undefined : c.put(e.request, copy))));
    }
    return response;
  }).catch(() => caches.match(e.request, { ignoreSearch: true }).then((kept) => kept ||
    Response.error())));
});
