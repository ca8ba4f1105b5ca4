// The page's side of its host (web/page_host.cpp): the browser's clock, canvas, menus, keys,
// dialogs and sound around the game session in WebAssembly. The session decides everything: the
// page only tells it the time and the player's inputs, and draws and plays what it is told.
// This module starts the others, each of one concern, and offers tests and tools the page's
// contract as window.fenwing once the first frame is drawn (window.fenwingReady).
import { page, params, ended } from "./page.js";
import { catchUp, setUpTime, wake } from "./time.js";
import { canvas, loaded, ratioX, ratioY, watchSize, whenFirstDrawn } from "./draw.js";
import { buildMenus, setUpInputs } from "./menus.js";
import { boxOpened, dropBox, setUpBoxes } from "./boxes.js";
import { loadSounds, playCue, setUpSound } from "./sound.js";
import { begin, drawnSeed, onEnd, say, setUpRecordings, startReplay } from "./recordings.js";
import { bestContract, playHere, remember, setUpBest, startBest } from "./best.js";

// What tests and tools ask of the page (the page's contract).
const api = {
  runDriver(scriptText, args) {
    return page.host.runDriver(String(scriptText), (args || []).map(String));
  },
  state() { catchUp(); return page.host.state(); },
  recording() { catchUp(); return page.host.recording(); },
  printed() { return page.host.printed(); },
  get ended() { return ended(); },
  boxes() { return page.host.boxes().map((b) => b.title); },
  pixelOf(x, y) {
    const { column, row } = page.host.pixelOf(x, y);
    const box = canvas.getBoundingClientRect();
    return { x: box.left + (column + 0.5) / ratioX(), y: box.top + (row + 0.5) / ratioY() };
  },
};
Object.defineProperties(api, Object.getOwnPropertyDescriptors(bestContract));

let resolveReady;
window.fenwingReady = new Promise((resolve) => { resolveReady = resolve; });
whenFirstDrawn(() => resolveReady(window.fenwing = api));

// The listeners first, in this order (the shortcuts see a key before the best games do).
setUpTime();
setUpInputs();
setUpBoxes();
setUpSound();
setUpRecordings();
setUpBest();

async function start() {
  const module = await window.fenwingEarly.module;  // compiling since early.js
  page.host = new module.PageHost({
    onBox: boxOpened,
    onBoxesClosed: dropBox,
    onCue: playCue,
    onEnd: (status, text) => setTimeout(() => onEnd(status, text), 0),
    onGameFinished: (number) => setTimeout(() => remember(number), 0),
  });
  startBest();
  const layout = page.host.layout();
  page.caption = layout.caption;
  page.back = "#" + layout.back.toString(16).padStart(6, "0");
  document.body.style.background = page.back;
  await loaded(layout.pictures);

  // A session to show from the first frame: the game, or the replay asked for.
  const seed = params.get("seed");
  const seedOk = seed !== null && /^\d{1,20}$/.test(seed) && BigInt(seed) < 1n << 64n;
  playHere(seedOk ? seed : drawnSeed());  // shown while a replay is fetched
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
      page.replaying = false;
      begin();
      wake();
    }
  } else {
    if (seed !== null && !seedOk)
      say(`error: ?seed=${seed} is not a whole number from 0 to 18446744073709551615; ` +
          "playing with a drawn seed");
    page.replaying = false;
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

// Offline play (sw.js), set up once the first frame is shown so that it takes nothing from it.
// Where there is no service worker (a page opened from a file, an old browser) the page plays
// as before, online.
if ("serviceWorker" in navigator)
  window.fenwingReady.then(() => navigator.serviceWorker.register("sw.js")).catch(() => {});
