// The page's side of its host (web/page_host.cpp): the browser's clock, canvas, menus, keys,
// dialogs and sound around the game session in WebAssembly. The session decides everything: the
// page only tells it the time and the player's inputs, and draws and plays what it is told.
"use strict";

(() => {
  const params = new URLSearchParams(location.search);
  const muted = params.has("mute");
  let resolveReady;
  window.fenwingReady = new Promise((resolve) => { resolveReady = resolve; });

  const $ = (id) => document.getElementById(id);
  const canvas = $("field");
  const ctx = canvas.getContext("2d", { alpha: false });
  const message = $("message");
  const dialog = $("box");

  let M = null;          // the module and its functions
  let back = "#c0c0c0";  // the client area's colour
  const pictures = {};   // resource -> decoded image
  const shortcuts = new Map();  // a browser key -> the item's shortcut, as the session names it

  // ---- Time: microseconds on the page's monotonic clock from the session's start. ----
  let t0 = performance.now();
  const now = () => Math.round((performance.now() - t0) * 1000);
  let timer = null;
  let replaying = false;
  // The session has ended: the play says so, and wakes no more.
  const ended = () => M !== null && M.ended() === 1;

  // Wakes for the session's next deadline. While the document is hidden the page does not wake
  // at all: browsers slow a hidden tab's timers to about once a second, which the session would
  // take for stall after stall. When it shows again, the whole hidden span is one late wake,
  // which the session takes as one stall: the game stands still while nobody sees it.
  function arm(next) {
    if (timer !== null) clearTimeout(timer);
    timer = null;
    if (next < 0 || document.hidden) return;
    timer = setTimeout(wake, Math.max(0, Math.ceil((next - now()) / 1000)));
  }
  function wake() {
    arm(M.wake(now()));
    paint();
  }
  document.addEventListener("visibilitychange", () => {
    if (!M) return;
    if (document.hidden) arm(-1);
    else wake();
  });
  // Catches the session up to this moment, for what the page is asked about it.
  function catchUp() {
    if (!ended() && !document.hidden) wake();
  }

  // ---- Drawing: only what the session says changed, on the next animation frame. ----
  let frame = 0;
  let firstFrame = true;
  const prepared = new Map();
  const looks = new Map();

  function paint() {
    if (!frame) frame = requestAnimationFrame(draw);
  }

  function draw() {
    frame = 0;
    const dirty = M.dirty();
    if (dirty) {
      const scene = parseScene(M.scene());
      for (const line of dirty.split("\n")) {
        if (!line) continue;
        const [x, y, w, h] = line.split(" ").map(Number);
        drawArea(scene, x, y, w, h);
      }
    }
    if (firstFrame) {
      firstFrame = false;
      resolveReady(window.fenwing = api);
    }
  }

  function parseScene(text) {
    const parts = [];
    for (const line of text.split("\n")) {
      if (!line) continue;
      const f = line.split(" ");
      const part = { kind: f[0], x: +f[1], y: +f[2], w: +f[3], h: +f[4] };
      if (part.kind === "I") {
        part.naturalW = +f[5];
        part.naturalH = +f[6];
        part.resource = f[7];
      } else {
        part.align = f[5];
        part.px = +f[6];
        part.bold = f[7] === "1";
        part.caption = f.slice(8).join(" ");
      }
      parts.push(part);
    }
    return parts;
  }

  function drawArea(scene, x, y, w, h) {
    ctx.save();
    ctx.beginPath();
    ctx.rect(x, y, w, h);
    ctx.clip();
    ctx.fillStyle = back;
    ctx.fillRect(x, y, w, h);
    for (const p of scene) {  // back to front
      if (p.x >= x + w || p.y >= y + h || p.x + p.w <= x || p.y + p.h <= y) continue;
      if (p.kind === "I") {
        const image = preparedPicture(p);
        if (image) ctx.drawImage(image, p.x, p.y);
      } else {
        drawLabel(p);
      }
    }
    ctx.restore();
  }

  function sheet(w, h) {
    const c = document.createElement("canvas");
    c.width = Math.max(1, w);
    c.height = Math.max(1, h);
    return c;
  }

  // As the window makes a picture ready: scaled without smoothing to the control's natural
  // size, then, on a scaled page, blown up in whole blocks of pixels to the next whole multiple
  // and, unless that is the size shown, smoothed down to it. Crisp at every whole scale.
  function preparedPicture(p) {
    const key = `${p.resource} ${p.naturalW} ${p.naturalH} ${p.w} ${p.h}`;
    let out = prepared.get(key);
    if (out) return out;
    const image = pictures[p.resource];
    if (!image) return null;
    const scaled = (from, w, h, smooth) => {
      const c = sheet(w, h);
      const g = c.getContext("2d");
      g.imageSmoothingEnabled = smooth;
      if (smooth) g.imageSmoothingQuality = "high";
      g.drawImage(from, 0, 0, w, h);
      return c;
    };
    const natural = scaled(image, p.naturalW, p.naturalH, false);
    out = natural;
    if (p.w !== p.naturalW || p.h !== p.naturalH) {
      const bw = p.naturalW * Math.max(1, Math.ceil(p.w / p.naturalW));
      const bh = p.naturalH * Math.max(1, Math.ceil(p.h / p.naturalH));
      out = scaled(natural, bw, bh, false);
      if (bw !== p.w || bh !== p.h) out = scaled(out, p.w, p.h, true);
    }
    prepared.set(key, out);
    return out;
  }

  // As the window writes a caption: from the top of the label, up just as far as its
  // descenders need, and smaller only if its ink would not lie inside the label otherwise.
  function captionLook(p) {
    const key = `${p.caption}\n${p.w} ${p.h} ${p.px} ${p.bold} ${p.align}`;
    let look = looks.get(key);
    if (look) return look;
    for (let px = p.px; ; px--) {
      ctx.font = `${p.bold ? "bold " : ""}${px}px "Liberation Sans", Arial, sans-serif`;
      const m = ctx.measureText(p.caption);
      const left = p.align === "center" ? (p.w - m.width) / 2 : 0;
      const baseline = m.fontBoundingBoxAscent;
      look = { font: ctx.font, left, baseline, raise: 0 };
      if (!p.caption.trim()) break;
      const inkLeft = Math.floor(left - m.actualBoundingBoxLeft);
      const inkRight = Math.ceil(left + m.actualBoundingBoxRight) - 1;
      const inkTop = Math.floor(baseline - m.actualBoundingBoxAscent);
      const inkBottom = Math.ceil(baseline + m.actualBoundingBoxDescent) - 1;
      look.raise = Math.max(0, inkBottom - (p.h - 1));
      if ((inkLeft >= 0 && inkRight < p.w && inkTop - look.raise >= 0) || px <= 4) break;
    }
    looks.set(key, look);
    return look;
  }

  function drawLabel(p) {
    const look = captionLook(p);
    ctx.save();
    ctx.beginPath();
    ctx.rect(p.x, p.y, p.w, p.h);
    ctx.clip();
    ctx.fillStyle = "#efefef";
    ctx.fillRect(p.x, p.y, p.w, p.h);
    ctx.fillStyle = "#000";
    ctx.font = look.font;
    ctx.textBaseline = "alphabetic";
    ctx.textAlign = "left";
    ctx.fillText(p.caption, p.x + Math.round(look.left), p.y + Math.round(look.baseline) - look.raise);
    ctx.restore();
  }

  // The canvas takes exactly the device pixels it covers; the session fits the client area
  // into them with the window's rule.
  function resize(w, h) {
    if (!w || !h) return;
    if (canvas.width !== w) canvas.width = w;
    if (canvas.height !== h) canvas.height = h;
    M.resize(w, h);
    ctx.fillStyle = back;
    ctx.fillRect(0, 0, w, h);
    prepared.clear();
    looks.clear();
    if (frame) cancelAnimationFrame(frame);
    frame = 0;
    draw();
  }
  function followCanvas() {
    const box = canvas.getBoundingClientRect();
    resize(Math.round(box.width * devicePixelRatio), Math.round(box.height * devicePixelRatio));
  }
  // The observer's first report, of the size the canvas already has, draws nothing again.
  function watchSize() {
    try {
      new ResizeObserver((entries) => {
        const e = entries[entries.length - 1];
        const d = e.devicePixelContentBoxSize && e.devicePixelContentBoxSize[0];
        if (!d) followCanvas();
        else if (d.inlineSize !== canvas.width || d.blockSize !== canvas.height)
          resize(d.inlineSize, d.blockSize);
      }).observe(canvas, { box: "device-pixel-content-box" });
    } catch (_) {
      addEventListener("resize", followCanvas);
    }
  }
  // Device pixels of the canvas to CSS pixels, and back.
  const ratioX = () => canvas.width / canvas.getBoundingClientRect().width;
  const ratioY = () => canvas.height / canvas.getBoundingClientRect().height;

  // ---- Inputs: clicks, menus, keys. A replay takes none; an open box refuses them. ----
  let boxOpen = false;
  const refused = () => replaying || ended() || boxOpen;

  canvas.addEventListener("pointerdown", (e) => {
    if (e.button !== 0 || e.pointerType === "touch" && !e.isPrimary) return;
    e.preventDefault();
    if (refused()) return;
    const r = canvas.getBoundingClientRect();
    arm(M.click(now(), (e.clientX - r.left) * ratioX(), (e.clientY - r.top) * ratioY()));
    paint();
  });
  canvas.addEventListener("contextmenu", (e) => e.preventDefault());

  function choose(item) {
    closeMenus();
    if (refused()) return;
    arm(M.menu(now(), item));
    paint();
  }

  function buildMenus() {
    const bar = $("menubar");
    const menus = new Map();
    for (const line of M.menus().split("\n")) {
      if (!line) continue;
      const [menu, menuCaption, item, caption, shortcut] = line.split("\t");
      let m = menus.get(menu);
      if (!m) {
        const box = document.createElement("div");
        box.className = "menu";
        const title = document.createElement("button");
        title.type = "button";
        title.id = "menu-" + menuCaption.toLowerCase();
        title.textContent = menuCaption;
        title.setAttribute("aria-haspopup", "menu");
        const items = document.createElement("div");
        items.className = "items";
        items.setAttribute("role", "menu");
        title.addEventListener("click", () => {
          const open = !box.classList.contains("open");
          closeMenus();
          if (open) box.classList.add("open");
        });
        // A mouse moving along an open menu bar opens the menu it reaches; a finger's tap on
        // another title is that title's click alone.
        title.addEventListener("pointerenter", (e) => {
          if (e.pointerType !== "mouse") return;
          if (document.querySelector(".menu.open") && !box.classList.contains("open")) {
            closeMenus();
            box.classList.add("open");
          }
        });
        box.append(title, items);
        bar.append(box);
        m = items;
        menus.set(menu, m);
      }
      const b = document.createElement("button");
      b.type = "button";
      b.id = item;
      b.setAttribute("role", "menuitem");
      const name = document.createElement("span");
      name.textContent = caption;
      const key = document.createElement("span");
      key.className = "key";
      key.textContent = shortcut;
      b.append(name, key);
      b.addEventListener("click", () => choose(item));
      m.append(b);
      if (shortcut) shortcuts.set(shortcut === "Del" ? "Delete" : shortcut, shortcut);
    }
  }
  function closeMenus() {
    for (const m of document.querySelectorAll(".menu.open")) m.classList.remove("open");
  }
  document.addEventListener("pointerdown", (e) => {
    if (!e.target.closest || !e.target.closest(".menu")) closeMenus();
  });

  // The shortcuts act (and the browser's own help, reload and the like do not happen); while a
  // box is open, Return and Esc close it and the shortcuts reach nothing, as in the window.
  document.addEventListener("keydown", (e) => {
    if (!M) return;
    const shortcut = shortcuts.get(e.key);
    if (boxOpen) {
      if (e.key === "Enter" || e.key === "Escape") {
        e.preventDefault();
        closeBox();
      } else if (shortcut) {
        e.preventDefault();
      }
      return;
    }
    if (e.key === "Escape") closeMenus();
    if (!shortcut || e.ctrlKey || e.altKey || e.metaKey) return;
    e.preventDefault();
    closeMenus();
    if (refused()) return;
    arm(M.key(now(), shortcut));
    paint();
  }, true);

  // ---- Boxes: the oldest one the player has not closed, in a dialog that pauses nothing. ----
  function showNextBox() {
    if (boxOpen || !M || ended()) return;
    const first = M.boxes().split("\f")[0];
    if (!first) return;
    const tab = first.indexOf("\t");
    $("box-title").textContent = first.slice(0, tab);
    $("box-prompt").textContent = first.slice(tab + 1);
    boxOpen = true;
    closeMenus();
    dialog.showModal();
    $("box-ok").focus();
  }
  function closeBox() {
    if (!boxOpen) return;
    boxOpen = false;
    dialog.close();
    M.closeBox();
    setTimeout(showNextBox, 0);  // after this one's closing has run to its end
  }
  function dropBox() {
    if (!boxOpen) return;
    boxOpen = false;
    dialog.close();
  }
  $("box-ok").addEventListener("click", closeBox);
  dialog.addEventListener("cancel", (e) => e.preventDefault());

  // ---- Sound: the nine cues through Web Audio, from the player's first gesture on. ----
  const sound = { context: null, buffers: {}, files: {}, out: null };
  function loadSounds(names) {
    if (muted || !window.OfflineAudioContext) return;
    // Decoded without a running context, so that nothing waits for the first gesture.
    const decoder = new OfflineAudioContext(1, 1, 44100);
    for (const name of names)
      fetch(`sounds/${name}.mp3`)
        .then((r) => (r.ok ? r.arrayBuffer() : Promise.reject()))
        .then((bytes) => decoder.decodeAudioData(bytes))
        .then((buffer) => { sound.buffers[name] = buffer; })
        .catch(() => {});
  }
  function unlockSound() {
    if (muted || sound.context || !window.AudioContext) return;
    const c = new AudioContext();
    // Each sound at half scale, and a limiter over the mix, so that overlapping sounds are
    // mixed without clipping.
    const limiter = c.createDynamicsCompressor();
    limiter.threshold.value = -6;
    limiter.knee.value = 0;
    limiter.ratio.value = 20;
    limiter.attack.value = 0.002;
    limiter.release.value = 0.05;
    limiter.connect(c.destination);
    sound.out = limiter;
    sound.context = c;
  }
  for (const type of ["pointerdown", "keydown"])
    addEventListener(type, unlockSound, { capture: true });
  function playCue(name) {
    const c = sound.context;
    const buffer = sound.buffers[name];
    if (!c || !buffer || best.skipping) return;
    const source = c.createBufferSource();
    source.buffer = buffer;
    const gain = c.createGain();
    gain.gain.value = 0.5;
    source.connect(gain).connect(sound.out);
    source.start();
  }

  // ---- The end, messages, recordings. ----
  function say(text, buttonText, action) {
    message.textContent = text;
    if (buttonText) {
      const b = document.createElement("button");
      b.type = "button";
      b.textContent = buttonText;
      b.addEventListener("click", action);
      message.append(b);
    }
    message.hidden = false;
  }
  function playAgain() {
    const next = new URLSearchParams();
    if (muted) next.set("mute", "");
    const q = next.toString().replace(/=$/, "");
    location.href = location.pathname + (q ? "?" + q : "");
  }
  function onEnd(status, text) {
    arm(-1);
    dropBox();
    canvas.classList.add("ended");
    if (best.watching && status === 0) say("The game has been watched to its end.", "Play", stopWatching);
    else if (replaying && status === 0) say("The replay has ended.", "Play", playAgain);
    else say((text ? text + "\n\n" : "") + "Fenwing has ended.", "Play again", playAgain);
  }

  $("save-recording").addEventListener("click", () => {
    if (!M || replaying) return;
    catchUp();
    const blob = new Blob([M.recording()], { type: "text/plain" });
    const a = document.createElement("a");
    const stamp = new Date().toISOString().replace(/[-:]/g, "").replace("T", "-").slice(0, 15);
    a.href = URL.createObjectURL(blob);
    a.download = `fenwing-${stamp}.sim`;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  });

  $("open-recording").addEventListener("change", (e) => {
    const file = e.target.files && e.target.files[0];
    e.target.value = "";
    if (!file) return;
    file.text().then(
      (text) => startReplay(text, file.name, false),
      (err) => say(`error: cannot read ${file.name}: ${err && err.message || "unreadable"}`));
  });

  // A fresh session: its time starts now.
  function begin() {
    t0 = performance.now();
    dropBox();
    canvas.classList.remove("ended");
    resize(canvas.width, canvas.height);
    document.title = M.caption + (replaying ? " (replay)" : "");
    $("save-recording").disabled = replaying;
    watched();
  }

  // Replays `text`; a recording that cannot be played says why in the driver's own words, and
  // the game shown goes on.
  function startReplay(text, name, instant) {
    if (!M.replay(text, name)) {
      say(M.error());
      return false;
    }
    message.hidden = true;
    replaying = true;
    begin();
    if (instant) {
      M.playAll();
      paint();
    } else {
      wake();
    }
    return true;
  }

  function play(seed) {
    M.play(seed);
    replaying = false;
    begin();
    wake();
  }

  function drawnSeed() {
    const words = crypto.getRandomValues(new Uint32Array(2));
    return ((BigInt(words[0]) << 32n) | BigInt(words[1])).toString();
  }

  // ---- The best games: the recordings that hold the ten best games played in this browser,
  // and their table, kept in its storage. The session finds the games and ranks them
  // (web/page_host.cpp); the page only keeps texts and shows rows. ----
  const KEEP = { table: "fenwing.best", player: "fenwing.player", recording: "fenwing.recording." };
  const best = {
    player: "Player",
    session: "",      // the name of this session's recording (a game played here)
    rows: [],         // the table, best first
    latest: null,     // the last game finished here that entered it: {recording, number}
    watching: null,   // the row being watched
    skipping: false,  // a watch plays the part before its game at once, without sound
    stale: false,     // another page of this browser has changed what is kept since
    refusedSaid: false,
    rebuiltSaid: false,
  };

  // Lines under the bar that interrupt nothing: each gone after a while, all at a click. Links,
  // [caption, address] each, follow the text and open beside the game.
  function notice(text, seconds = 8, links = []) {
    const n = $("notice");
    const line = document.createElement("div");
    line.textContent = text;
    for (const [caption, href] of links) {
      const a = document.createElement("a");
      a.textContent = caption;
      a.href = href;
      a.target = "_blank";
      a.rel = "noopener";
      line.append(" ", a);
    }
    n.append(line);
    n.hidden = false;
    setTimeout(() => {
      line.remove();
      n.hidden = !n.firstChild;
    }, seconds * 1000);
  }
  $("notice").addEventListener("click", () => {
    $("notice").textContent = "";
    $("notice").hidden = true;
  });

  // The browser's storage may refuse anything (private browsing, a full quota, storage turned
  // off): said once, and the game plays on; this session's games are still shown.
  function storageRefused(err) {
    if (best.refusedSaid) return;
    best.refusedSaid = true;
    notice("This browser does not let the page keep the best games" +
           ` (${err && err.name || err}): the games played now are shown until it is closed.`, 20);
  }
  function stored(key) {
    try {
      return localStorage.getItem(key);
    } catch (err) {
      storageRefused(err);
      return null;
    }
  }
  // What is kept: the table's text (or null) and the recordings by name; null when the storage
  // cannot be read.
  function kept() {
    try {
      const recordings = new Map();
      for (let i = 0; i < localStorage.length; i++) {
        const key = localStorage.key(i);
        if (key !== null && key.startsWith(KEEP.recording))
          recordings.set(key.slice(KEEP.recording.length), localStorage.getItem(key));
      }
      return { table: localStorage.getItem(KEEP.table), recordings };
    } catch (err) {
      storageRefused(err);
      return null;
    }
  }

  // The table made again from what is kept and this session's recording so far; kept again,
  // with this session's recording when a game of it is in the table, and without the
  // recordings that no game in it needs. `finished` is the number of a game just finished here.
  function remember(finished) {
    best.stale = false;
    const store = kept();
    const current = replaying ? "" : best.session;
    M.bestClear();
    if (store) for (const [name, text] of store.recordings) M.bestAdd(name, text);
    const table = M.bestTable(store && store.table || "", store && store.table !== null ? 1 : 0, current);
    const rebuilt = store && !M.bestAgreed() && (store.table !== null || store.recordings.size > 0);
    best.rows = M.bestRows().split("\n").filter(Boolean).map((line, i) => {
      const f = line.split("\t");
      return {
        rank: i + 1, recording: f[0], number: +f[1], start: +f[2], end: +f[3], hits: +f[4],
        shots: +f[5], crates: +f[6], clocks: +f[7], date: f[8], player: f.slice(9).join("\t"),
      };
    });
    const named = new Set(best.rows.map((r) => r.recording));
    if (store) {
      // The recording first, then the table that names it, then what it no longer names: a
      // write the storage refuses leaves the table before it whole, with its recordings.
      try {
        if (named.has(current)) localStorage.setItem(KEEP.recording + current, M.recording());
        if (store.table !== table) localStorage.setItem(KEEP.table, table);
        for (const name of store.recordings.keys())
          if (!named.has(name)) localStorage.removeItem(KEEP.recording + name);
      } catch (err) {
        storageRefused(err);
      }
    }
    if (rebuilt && !best.rebuiltSaid) {
      best.rebuiltSaid = true;
      notice("The best games kept in this browser did not agree with their recordings: " +
             "the table was made again from the recordings.", 20);
    }
    const entered = finished && best.rows.find((r) => r.recording === current && r.number === finished);
    if (entered) {
      best.latest = { recording: entered.recording, number: entered.number };
      notice(`A best game: No. ${entered.rank} of the ten, ${entered.hits} ` +
             `${entered.hits === 1 ? "hit" : "hits"} with ${entered.shots} ` +
             `${entered.shots === 1 ? "shot" : "shots"}. F6 shows the table.`);
    }
    if ($("best").open) showRows();
  }

  // The newest game of the table: the last one finished here, else the one that ended last.
  function newest() {
    const l = best.latest;
    const mine = l && best.rows.find((r) => r.recording === l.recording && r.number === l.number);
    if (mine) return mine;
    let last = null;
    for (const r of best.rows)
      if (!last || r.date > last.date || r.date === last.date && r.recording === last.recording && r.number > last.number)
        last = r;
    return last;
  }

  // "2026-12-08 21:05" in the browser's time zone, from "2026-12-08T21:05:13Z".
  function shownDate(iso) {
    const d = new Date(iso);
    if (!iso || isNaN(d)) return "";
    const two = (n) => String(n).padStart(2, "0");
    return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())} ${two(d.getHours())}:${two(d.getMinutes())}`;
  }

  function showRows() {
    const body = $("best-rows");
    body.textContent = "";
    const mark = newest();
    for (const r of best.rows) {
      const tr = document.createElement("tr");
      if (r === mark) tr.className = "newest";
      for (const [value, kind] of [[r.rank, "number"], [r.player, "name"], [r.hits, "number"],
                                   [r.shots, "number"], [r.crates, "number"], [r.clocks, "number"],
                                   [shownDate(r.date), "date"]]) {
        const td = document.createElement("td");
        td.className = kind;
        td.textContent = value;
        tr.append(td);
      }
      const actions = document.createElement("td");
      actions.className = "actions";
      const acts = [
        ["Watch", "Watch this game again", () => watch(r)],
        ["Download", "Download the recording that holds this game (.sim)", () => download(r)],
      ];
      if (onBoard)
        acts.push(["Post to the board", "Post the recording that holds this game to the board", (b) => post(r, b)]);
      for (const [caption, title, act] of acts) {
        const b = document.createElement("button");
        b.type = "button";
        b.textContent = caption;
        b.title = title;
        b.addEventListener("click", () => act(b));
        actions.append(b);
      }
      tr.append(actions);
      body.append(tr);
    }
    $("best-table").hidden = best.rows.length === 0;
    $("best-none").hidden = best.rows.length > 0;
  }

  // The table opens beside the game, which goes on; never over a box the game has open.
  function showBest() {
    if (!M || boxOpen || $("best").open) return;
    closeMenus();
    if (best.stale) remember(0);
    showRows();
    $("best-name").value = best.player;
    $("best-name-problem").textContent = "";
    $("best").show();
    $("best-close").focus();
  }
  function hideBest() {
    if ($("best").open) $("best").close();
  }
  // What another page of this browser keeps: shown at once when the table is open, else when it
  // opens (the table is made only then: a game on the screen is not held up meanwhile).
  addEventListener("storage", (e) => {
    if (e.key !== null && e.key !== KEEP.table && !e.key.startsWith(KEEP.recording)) return;
    best.stale = true;
    if (M && $("best").open) remember(0);
  });
  $("best-button").addEventListener("click", () => ($("best").open ? hideBest() : showBest()));
  $("best-close").addEventListener("click", hideBest);

  // F6 shows the table and hides it; Esc hides it. Not while the game has a box open.
  document.addEventListener("keydown", (e) => {
    if (!M || e.ctrlKey || e.altKey || e.metaKey) return;
    if (e.key === "F6") {
      e.preventDefault();
      if (boxOpen) return;
      if ($("best").open) hideBest();
      else showBest();
    } else if (e.key === "Escape" && $("best").open && !boxOpen) {
      hideBest();
    }
  }, true);
  // What is typed in the name is the name's, Del and Return too; the function keys still act.
  window.addEventListener("keydown", (e) => {
    if (e.target === $("best-name") && !/^F\d+$/.test(e.key) && e.key !== "Escape") e.stopPropagation();
  }, true);

  // The name: "Player" until the player gives another, kept in the browser; a change during a
  // game is noted in its recording, whose last name names all its games.
  $("best-name-form").addEventListener("submit", (e) => {
    e.preventDefault();
    const name = $("best-name").value.trim();
    const problem = M.nameProblem(name);
    $("best-name-problem").textContent = problem ? `Not changed: ${problem}.` : "";
    if (problem || name === best.player) return;
    best.player = name;
    try {
      localStorage.setItem(KEEP.player, name);
    } catch (err) {
      storageRefused(err);
    }
    if (!replaying) M.rename(name);
    remember(0);
  });

  // The recording that holds a row's game: as kept, or this session's own.
  function recordingOf(r) {
    const text = stored(KEEP.recording + r.recording);
    if (text !== null) return text;
    if (r.recording === best.session && !replaying) return M.recording();
    notice(`The recording of that game (${r.recording}) is no longer kept in this browser.`);
    return null;
  }

  function download(r) {
    const text = recordingOf(r);
    if (text === null) return;
    const a = document.createElement("a");
    a.href = URL.createObjectURL(new Blob([text], { type: "text/plain" }));
    a.download = r.recording;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  }

  // A board serves this page, and marks it so (board/service.cpp): only then are games offered
  // to it, at the same origin. Nothing is sent but when the player presses Post.
  const onBoard = document.querySelector('meta[name="fenwing-board"]') !== null;

  // Posts the recording that holds a row's game to the board, under the name the row shows, as
  // one plain POST, and says what the board answered: where it keeps the game, or its reason.
  async function post(r, button) {
    const text = recordingOf(r);
    if (text === null) return;
    button.disabled = true;
    let reply, answer;
    try {
      reply = await fetch(`api/recordings?name=${encodeURIComponent(r.player)}`,
        { method: "POST", headers: { "Content-Type": "text/plain; charset=utf-8" }, body: text });
      answer = await reply.json().catch(() => null);
    } catch (err) {
      notice(`The board could not be reached (${err && err.message || err}): the game was not posted.`, 20);
      return;
    } finally {
      button.disabled = false;
    }
    if (!reply.ok || !answer || answer.recording === undefined) {
      notice(`The board did not take the game: ${answer && answer.error || `HTTP ${reply.status}`}.`, 20);
      return;
    }
    const game = (answer.games || []).find((g) => g.game === r.number);
    const links = [["See it on the board", "board?order=newest"]];
    if (game && game.watch) links.push(["Watch it from there", game.watch]);
    notice(`${answer.already ? "Already on the board" : "Posted to the board"} as recording ` +
           `${answer.recording}` + (game ? `: ${game.hits} ${game.hits === 1 ? "hit" : "hits"} with ` +
           `${game.shots} ${game.shots === 1 ? "shot" : "shots"}, as the board found it.` : "."), 20, links);
  }

  // Watches a row's game: its recording replayed, the part before its Start at once, then the
  // game in real time, ending where the game ended. "Stop watching" goes back to a new game.
  function watch(r) {
    const text = recordingOf(r);
    if (text === null) return;
    if (!M.replay(text, r.recording)) {
      notice(M.error(), 20);
      return;
    }
    hideBest();
    message.hidden = true;
    replaying = true;
    begin();
    best.watching = r;
    $("stop-watching").hidden = false;
    document.title = `${M.caption} (No. ${r.rank}, ${r.player})`;
    best.skipping = true;
    try {
      M.watch(r.start, r.end);
    } finally {
      best.skipping = false;
    }
    wake();
  }
  // A new session, or the one shown ended: no longer watching.
  function watched() {
    best.watching = null;
    $("stop-watching").hidden = true;
  }
  function stopWatching() {
    message.hidden = true;
    play(drawnSeed());
  }
  $("stop-watching").addEventListener("click", stopWatching);

  // The module's side of the best games, bound once it is loaded; the name as kept.
  function bindBest(f) {
    const start = f("fw_play", "number", ["string", "string", "number"]);
    // Every game played here is recorded under a name of its own, for the table.
    M.play = (seed) => {
      const stamp = new Date().toISOString().replace(/[-:]/g, "").replace("T", "-").slice(0, 15);
      const tag = crypto.getRandomValues(new Uint16Array(1))[0].toString(16).padStart(4, "0");
      best.session = `fenwing-${stamp}-${tag}.sim`;
      best.latest = null;
      return start(seed, best.player, Date.now());
    };
    Object.assign(M, {
      bestClear: f("fw_best_clear", null, []),
      bestAdd: f("fw_best_add", null, ["string", "string"]),
      bestTable: f("fw_best_table", "string", ["string", "number", "string"]),
      bestAgreed: f("fw_best_agreed", "number", []),
      bestRows: f("fw_best_rows", "string", []),
      nameProblem: f("fw_name_problem", "string", ["string"]),
      rename: f("fw_rename", null, ["string"]),
      watch: f("fw_watch", null, ["number", "number"]),
    });
    // What tests and tools ask of the best games: the table's rows, the player's name, and
    // whether a game is being watched.
    Object.defineProperties(api, {
      bestGames: { value: () => best.rows.map((r) => ({ ...r })) },
      player: { get: () => best.player },
      watching: { get: () => best.watching !== null },
    });
    const name = stored(KEEP.player);
    if (name !== null && !M.nameProblem(name)) best.player = name;
    // A table that does not agree with its recordings is made again now, not believed.
    remember(0);
  }

  // ---- What tests and tools ask of the page (the page's contract). ----
  const api = {
    runDriver(scriptText, args) {
      const status = M.runDriver(String(scriptText), (args || []).map(String).join("\n"));
      return { stdout: M.simOut(), stderr: M.simErr(), status };
    },
    state() { catchUp(); return M.state(); },
    recording() { catchUp(); return M.recording(); },
    printed() { return M.printed(); },
    get ended() { return ended(); },
    boxes() {
      return M.boxes().split("\f").filter(Boolean).map((b) => b.slice(0, b.indexOf("\t")));
    },
    pixelOf(x, y) {
      const [c, r] = M.pixelOf(x, y).split(" ").map(Number);
      const box = canvas.getBoundingClientRect();
      return { x: box.left + (c + 0.5) / ratioX(), y: box.top + (r + 0.5) / ratioY() };
    },
  };

  // ---- Start-up. ----
  function picture(name) {
    const image = new Image();
    image.src = `pictures/${name}`;
    return image.decode().then(() => image);
  }
  // What the first frame needs besides the module, begun while it compiles: the fonts, and the
  // pictures that index.html names (the layout names those it shows).
  const fonts = Promise.all([document.fonts.load('16px "Liberation Sans"'),
                             document.fonts.load('bold 16px "Liberation Sans"')]);
  fonts.catch(() => {});  // said by start(), which waits for them
  const early = new Map();
  for (const link of document.querySelectorAll('link[rel="preload"][as="image"]')) {
    const name = link.getAttribute("href").replace(/^pictures\//, "");
    early.set(name, picture(name));
    early.get(name).catch(() => {});  // said by start() if the layout names it
  }

  async function start() {
    const module = await FenwingModule({
      onBox: () => { if (!boxOpen) setTimeout(showNextBox, 0); },
      onBoxesClosed: dropBox,
      onCue: playCue,
      onEnd: (status, text) => setTimeout(() => onEnd(status, text), 0),
      onGameFinished: (number) => setTimeout(() => remember(number), 0),
    });
    const f = (name, ret, args) => module.cwrap(name, ret, args);
    M = {
      replay: f("fw_replay", "number", ["string", "string"]),
      error: f("fw_error", "string", []),
      resize: f("fw_resize", null, ["number", "number"]),
      wake: f("fw_wake", "number", ["number"]),
      playAll: f("fw_play_all", null, []),
      click: f("fw_click", "number", ["number", "number", "number"]),
      menu: f("fw_menu", "number", ["number", "string"]),
      key: f("fw_key", "number", ["number", "string"]),
      dirty: f("fw_dirty", "string", []),
      scene: f("fw_scene", "string", []),
      state: f("fw_state", "string", []),
      recording: f("fw_recording", "string", []),
      printed: f("fw_printed", "string", []),
      ended: f("fw_ended", "number", []),
      boxes: f("fw_boxes", "string", []),
      closeBox: f("fw_close_box", null, []),
      menus: f("fw_menus", "string", []),
      layout: f("fw_layout", "string", []),
      pixelOf: f("fw_pixel_of", "string", ["number", "number"]),
      runDriver: f("fw_run_driver", "number", ["string", "string"]),
      simOut: f("fw_sim_out", "string", []),
      simErr: f("fw_sim_err", "string", []),
    };
    bindBest(f);
    const [head, ...resources] = M.layout().split("\n").filter(Boolean);
    const [caption, , , backColor] = head.split("\t");
    M.caption = caption;
    back = "#" + Number(backColor).toString(16).padStart(6, "0");
    document.body.style.background = back;
    await Promise.all([
      ...resources.map(async (name) => {
        pictures[name] = await (early.get(name) || picture(name));
      }),
      fonts,
    ]);

    // A session to show from the first frame: the game, or the replay asked for.
    const seed = params.get("seed");
    const seedOk = seed !== null && /^\d{1,20}$/.test(seed) && BigInt(seed) < 1n << 64n;
    M.play(seedOk ? seed : drawnSeed());  // shown while a replay is fetched
    buildMenus();
    canvas.width = Math.max(1, Math.round(canvas.clientWidth * devicePixelRatio));
    canvas.height = Math.max(1, Math.round(canvas.clientHeight * devicePixelRatio));
    const replay = params.get("replay");
    if (replay !== null) {
      let text = null;
      try {
        const r = await fetch(replay);
        if (!r.ok) throw new Error(`${r.status} ${r.statusText}`.trim());
        text = await r.text();
      } catch (err) {
        say(`error: cannot read ${replay}: ${err && err.message || err}`);
      }
      if (text === null || !startReplay(text, replay, params.has("instant"))) {
        replaying = false;
        begin();
        wake();
      }
    } else {
      if (seed !== null && !seedOk)
        say(`error: ?seed=${seed} is not a whole number from 0 to 18446744073709551615; ` +
            "playing with a drawn seed");
      replaying = false;
      begin();
      wake();
    }
    watchSize();
    // The sounds after the first frame: decoding them takes the processor the frame would
    // want, and nothing can be heard before the player's first click or key.
    loadSounds(["start", "shot", "hit", "ground", "ammo", "clock", "flock", "out_of_ammo",
                "time_up"]);
  }

  start().catch((err) => {
    say("Fenwing cannot start in this browser: " + (err && err.message || err) +
        "\n(It needs WebAssembly with exceptions: Chrome 95, Firefox 100 or later.)");
  });
})();
