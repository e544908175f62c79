// The site kept for play without the network: every file of one build, in a
// cache named after the build. web/service-worker.cmake writes the build's
// name (a hash of every file) and the list of files into this worker when
// the site is built, so any change to the site makes a new worker.
'use strict';

const files = @KOBARU_SITE_FILES@;
// Caches are shared by the whole origin: the scope keeps another copy of
// the site, at another path, out of this one's.
const siteCaches = `kobaru ${self.registration.scope} `;
const cacheName = `${siteCaches}@KOBARU_BUILD@`;

// The page is kept under the address it is opened at, the folder's.
const keyOf = (file) => (file === 'index.html' ? './' : file);

// Every file is asked of the server again (the HTTP cache answers for those
// it still holds, unchanged), so that a cache never mixes two builds. The
// worker is installed only once all of them are in.
self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) =>
    cache.addAll(files.map((file) => new Request(keyOf(file), { cache: 'no-cache' })))));
});

// A newer build waits until the page says it may take over: when the page
// holds every file it needs, so that the game running in it is never
// served another build's file. The next start is the new build.
self.addEventListener('message', (event) => {
  if (event.data === 'take over') self.skipWaiting();
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(names
    .filter((name) => name.startsWith(siteCaches) && name !== cacheName)
    .map((name) => caches.delete(name)))));
});

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  if (url.pathname.endsWith('/index.html')) url.pathname = url.pathname.slice(0, -'index.html'.length);
  event.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(url.href, { ignoreSearch: true }))
    .then((kept) => kept || fetch(event.request)));
});
