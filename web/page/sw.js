// The page's service worker: after one visit the page loads and plays with no network. It keeps
// this build's files in a cache named from a hash of them (web/build.sh writes the hash and the
// names below), answers from it, and asks the network only for what is not there (a recording
// opened with ?replay=URL). A new build is a new worker, which fills its own cache before it
// takes over and then removes the caches of the builds before it. A page already open keeps the
// files it loaded; the next load is the new build.
"use strict";

const BUILD = "@BUILD@";
const FILES = [@FILES@];
const PREFIX = "fenwing-";
const CACHE = PREFIX + BUILD;

self.addEventListener("install", (event) => {
  event.waitUntil(
    caches.open(CACHE)
      .then((cache) => cache.addAll(FILES.map((name) => new Request(name, { cache: "reload" }))))
      .then(() => self.skipWaiting()));
});

self.addEventListener("activate", (event) => {
  event.waitUntil(
    caches.keys()
      .then((names) => Promise.all(names
        .filter((name) => name.startsWith(PREFIX) && name !== CACHE)
        .map((name) => caches.delete(name))))
      .then(() => self.clients.claim()));
});

// The page itself, at any query (?seed=N, ?replay=URL, ?mute), is the one index.html; every
// other file is its own.
const scope = new URL(self.registration.scope);
function cachedName(request) {
  const url = new URL(request.url);
  if (url.origin !== scope.origin || !url.pathname.startsWith(scope.pathname)) return null;
  const name = url.pathname.slice(scope.pathname.length);
  if (request.mode === "navigate" && (name === "" || name === "index.html")) return "index.html";
  return url.search === "" && FILES.includes(name) ? name : null;
}

self.addEventListener("fetch", (event) => {
  const request = event.request;
  const name = request.method === "GET" ? cachedName(request) : null;
  if (name === null) return;
  event.respondWith(
    caches.open(CACHE)
      .then((cache) => cache.match(name))
      .then((cached) => cached || fetch(request)));
});
