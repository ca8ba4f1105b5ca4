// The best games: the recordings that hold the ten best games played in this browser, and
// their table, kept in its storage; watching one again, and posting one to the board that
// serves the page. The session finds the games and ranks them (web/page_host.cpp); the page
// only keeps texts and shows rows.
import { $, page } from "./page.js";
import { wake } from "./time.js";
import { closeMenus } from "./menus.js";
import { begin, download, drawnSeed, play, unsay } from "./recordings.js";

const KEEP = { table: "fenwing.best", player: "fenwing.player", recording: "fenwing.recording." };
const best = {
  player: "Player",
  session: "",      // the name of this session's recording (a game played here)
  rows: [],         // the table, best first
  latest: null,     // the last game finished here that entered it: {recording, number}
  watching: null,   // the row being watched
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
export function remember(finished) {
  best.stale = false;
  const store = kept();
  const current = page.replaying ? "" : best.session;
  const made = page.host.bestTable(store ? [...store.recordings] : [], store ? store.table : null, current);
  const table = made.table;
  const rebuilt = store && !made.agreed && (store.table !== null || store.recordings.size > 0);
  best.rows = made.rows.map((r, i) => ({ rank: i + 1, ...r }));
  const named = new Set(best.rows.map((r) => r.recording));
  if (store) {
    // The recording first, then the table that names it, then what it no longer names: a
    // write the storage refuses leaves the table before it whole, with its recordings.
    try {
      if (named.has(current)) localStorage.setItem(KEEP.recording + current, page.host.recording());
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
      ["Download", "Download the recording that holds this game (.sim)", () => downloadRow(r)],
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
  if (!page.host || page.boxOpen || $("best").open) return;
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
// The recording that holds a row's game: as kept, or this session's own.
function recordingOf(r) {
  const text = stored(KEEP.recording + r.recording);
  if (text !== null) return text;
  if (r.recording === best.session && !page.replaying) return page.host.recording();
  notice(`The recording of that game (${r.recording}) is no longer kept in this browser.`);
  return null;
}

function downloadRow(r) {
  const text = recordingOf(r);
  if (text !== null) download(text, r.recording);
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
  if (!page.host.replay(text, r.recording)) {
    notice(page.host.error(), 20);
    return;
  }
  hideBest();
  unsay();
  page.replaying = true;
  begin();
  best.watching = r;
  $("stop-watching").hidden = false;
  document.title = `${page.caption} (No. ${r.rank}, ${r.player})`;
  page.skipping = true;
  try {
    page.host.watch(r.start, r.end);
  } finally {
    page.skipping = false;
  }
  wake();
}
// A new session, or the one shown ended: no longer watching.
export function watched() {
  best.watching = null;
  $("stop-watching").hidden = true;
}
export const watching = () => best.watching !== null;
export function stopWatching() {
  unsay();
  play(drawnSeed());
}

// A game played here from `seed`, recorded under a name of its own, for the table.
export function playHere(seed) {
  const stamp = new Date().toISOString().replace(/[-:]/g, "").replace("T", "-").slice(0, 15);
  const tag = crypto.getRandomValues(new Uint16Array(1))[0].toString(16).padStart(4, "0");
  best.session = `fenwing-${stamp}-${tag}.sim`;
  best.latest = null;
  page.host.play(seed, best.player, Date.now());
}

// What tests and tools ask of the best games: the table's rows, the player's name, and whether
// a game is being watched.
export const bestContract = {
  bestGames: () => best.rows.map((r) => ({ ...r })),
  get player() { return best.player; },
  get watching() { return watching(); },
};

// Once the module is loaded: the name as kept, and the table made from what is kept (one that
// does not agree with its recordings is made again now, not believed).
export function startBest() {
  const name = stored(KEEP.player);
  if (name !== null && !page.host.nameProblem(name)) best.player = name;
  remember(0);
}

export function setUpBest() {
  $("notice").addEventListener("click", () => {
    $("notice").textContent = "";
    $("notice").hidden = true;
  });

  // What another page of this browser keeps: shown at once when the table is open, else when
  // it opens (the table is made only then: a game on the screen is not held up meanwhile).
  addEventListener("storage", (e) => {
    if (e.key !== null && e.key !== KEEP.table && !e.key.startsWith(KEEP.recording)) return;
    best.stale = true;
    if (page.host && $("best").open) remember(0);
  });
  $("best-button").addEventListener("click", () => ($("best").open ? hideBest() : showBest()));
  $("best-close").addEventListener("click", hideBest);

  // F6 shows the table and hides it; Esc hides it. Not while the game has a box open.
  document.addEventListener("keydown", (e) => {
    if (!page.host || e.ctrlKey || e.altKey || e.metaKey) return;
    if (e.key === "F6") {
      e.preventDefault();
      if (page.boxOpen) return;
      if ($("best").open) hideBest();
      else showBest();
    } else if (e.key === "Escape" && $("best").open && !page.boxOpen) {
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
    const problem = page.host.nameProblem(name);
    $("best-name-problem").textContent = problem ? `Not changed: ${problem}.` : "";
    if (problem || name === best.player) return;
    best.player = name;
    try {
      localStorage.setItem(KEEP.player, name);
    } catch (err) {
      storageRefused(err);
    }
    if (!page.replaying) page.host.rename(name);
    remember(0);
  });

  $("stop-watching").addEventListener("click", stopWatching);
}
