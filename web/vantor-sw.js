// vantor-sw.js: the page's service worker. It keeps every file of one version
// of the page in a cache of its own, so that after one visit the page loads and
// plays with no network. A new version is fetched whole into a new cache while
// the old one still serves; it takes over only when no page of the old version
// is open any more, and then the old cache is deleted: no page ever mixes files
// of two versions.
"use strict";

const VERSION = "@VERSION@";
const CACHE = "vantor-" + VERSION;
const FILES = @FILES@;

self.addEventListener("install", (event) => {
  event.waitUntil(
    caches.open(CACHE).then((cache) => cache.addAll(FILES.map((file) => new Request(file, { cache: "reload" }))))
  );
});

self.addEventListener("activate", (event) => {
  event.waitUntil(
    caches.keys().then((names) =>
      Promise.all(names.filter((name) => name.startsWith("vantor-") && name !== CACHE).map((name) => caches.delete(name)))
    )
  );
});

// This version's own file when it has it; anything else (the online game's
// server, for one) from the network.
self.addEventListener("fetch", (event) => {
  if (event.request.method !== "GET") return;
  event.respondWith(
    caches
      .open(CACHE)
      .then((cache) => cache.match(event.request, { ignoreSearch: true }))
      .then((cached) => cached || fetch(event.request))
  );
});
