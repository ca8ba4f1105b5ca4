// The page in headless chromium (puppeteer-core): it loads cleanly, its in-page driver answers every
// shipped script as the native fenwing-sim does, a click on a duck found from its pixels hits it, the
// keys act and the browser's own do not, a box lets the game run on, its recording replays natively
// to its state and the desktop's replays in it, a click lands where aimed at a device pixel ratio of
// 2, a hidden tab stands still, a bad recording gives one clear message; the best games are kept,
// shown, watched to the state fenwing-sim prints, and survive a reload, a damaged table and a storage
// that refuses. Its sounds decode to their WAVs' start and length, its fonts have every character it
// writes; on a phone held either way taps play it; it is installable, plays offline after one visit,
// and a new build replaces the old one in the browser.
//   node tests/web/page_test.mjs NATIVE_FENWING_SIM [WEB_BUILD_DIR]
// Builds the page first with web/build.sh, serves it with python3's http.server on a free port of
// 127.0.0.1, and stops the server and the browsers at the end. FENWING_CHROMIUM names the
// browser (default /usr/bin/chromium); with FENWING_WEB_BUILT set, the page already built is used;
// with FENWING_WEB_SHOTS=DIR, the README's picture of the table is taken into DIR.
import { spawn } from "node:child_process";
import crypto from "node:crypto";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import zlib from "node:zlib";
import { call, check, launch, openTab, pageBuilt, press, quiet, ready, root, runChecks, settled, simAt, sleep }
  from "./harness.mjs";

const native = path.resolve(process.argv[2] ?? `${root}/build/fenwing-sim`);
const build = path.resolve(process.argv[3] ?? `${root}/build-web`);
const MODES = [[], ["--check"], ["--cues"], ["--check", "--cues"]];
const sim = simAt(native);

function firstDifference(a, b) {
  if (a === b) return "";
  const al = a.split("\n"), bl = b.split("\n"), i = al.findIndex((line, n) => line !== bl[n]), n = i < 0 ? al.length : i;
  return `  line ${n + 1}: expected ${JSON.stringify(al[n])}, got ${JSON.stringify(bl[n])}`;
}

// The 8-bit RGB or RGBA, non-interlaced PNG that the browser's screenshots are: {w, h, at(x, y)}.
function decodePng(buf) {
  let pos = 8, w = 0, h = 0, bpp = 0;
  const idat = [];
  while (pos < buf.length) {
    const len = buf.readUInt32BE(pos), kind = buf.toString("latin1", pos + 4, pos + 8);
    const data = buf.subarray(pos + 8, pos + 8 + len);
    if (kind === "IHDR") {
      [w, h, bpp] = [data.readUInt32BE(0), data.readUInt32BE(4), { 2: 3, 6: 4 }[data[9]]];
      if (data[8] !== 8 || !bpp || data[12]) throw new Error("unexpected PNG format");
    } else if (kind === "IDAT") idat.push(data);
    pos += 12 + len;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat)), stride = w * bpp, px = Buffer.alloc(h * stride);
  for (let y = 0; y < h; y++) {
    const filter = raw[y * (stride + 1)], line = y * (stride + 1) + 1, o = y * stride;
    for (let i = 0; i < stride; i++) {
      const a = i >= bpp ? px[o + i - bpp] : 0, b = y ? px[o - stride + i] : 0;
      const c = i >= bpp && y ? px[o - stride + i - bpp] : 0, p = a + b - c;
      const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const pred = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      px[o + i] = (raw[line + i] + pred) & 255;
    }
  }
  return { w, h, at: (x, y) => px.subarray((y * w + x) * bpp, (y * w + x) * bpp + 3) };
}

// Connected groups of grid points inside `box` where `frame` differs from `empty`, as bounding
// boxes: the shown ducks and items (as tests/e2e/xwin.py finds them).
const GRID = 3;
function blobs(empty, frame, [left, top, right, bottom]) {
  const hit = new Set();
  for (let y = top; y < bottom; y += GRID)
    for (let x = left; x < right; x += GRID) {
      const a = empty.at(x, y), b = frame.at(x, y);
      if (Math.abs(a[0] - b[0]) + Math.abs(a[1] - b[1]) + Math.abs(a[2] - b[2]) > 60) hit.add(`${x},${y}`);
    }
  const found = [];
  for (const start of hit) {
    hit.delete(start);
    const stack = [start.split(",").map(Number)];
    let [x0, y0] = stack[0], [x1, y1] = stack[0];
    while (stack.length) {
      const [x, y] = stack.pop();
      [x0, x1, y0, y1] = [Math.min(x0, x), Math.max(x1, x), Math.min(y0, y), Math.max(y1, y)];
      for (const [nx, ny] of [[x + GRID, y], [x - GRID, y], [x, y + GRID], [x, y - GRID]])
        if (hit.delete(`${nx},${ny}`)) stack.push([nx, ny]);
    }
    found.push([x0, y0, x1 + GRID, y1 + GRID]);
  }
  return found;
}

const DUCKS = [["ImgDuck1", "TmrDuck1"], ["Imgduck2", "TmrDuck2"], ["Imgduck3", "TmrDuck3"]];
const flag = (state, timer) => new RegExp(`^${timer}\\.Enabled True$`, "m").test(state);
const caption = (state, name) => (state.match(new RegExp(`^${name}\\.Caption (.*)$`, "m")) ?? [])[1];

// A static server for the page and two shipped recordings, on a free port; with `copy`, the page
// is a copy that may be changed.
function serve(copy = false) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "fenwing-page-"));
  if (copy) fs.cpSync(path.join(build, "page"), path.join(dir, "page"), { recursive: true });
  else fs.symlinkSync(path.join(build, "page"), path.join(dir, "page"));
  fs.mkdirSync(path.join(dir, "rec"));
  for (const f of ["docs/replay.sim", "fuzz/corpus/bad.sim"]) fs.copyFileSync(`${root}/${f}`, `${dir}/rec/${path.basename(f)}`);
  return { dir, ...listen(dir, 0) };
}

// python3's http.server for `dir` on 127.0.0.1's `port` (0: a free one), and the port it took.
function listen(dir, port) {
  const server = spawn("python3", ["-u", "-m", "http.server", String(port), "--bind", "127.0.0.1", "--directory", dir],
    { stdio: ["ignore", "pipe", "ignore"] });
  const taken = new Promise((resolve, reject) => {
    server.stdout.on("data", (d) => { const m = String(d).match(/port (\d+)/); if (m) resolve(Number(m[1])); });
    server.on("exit", () => reject(new Error("the web server ended")));
  });
  taken.catch(() => {});
  return { server, port: taken };
}

async function main() {
  if (!pageBuilt(build)) process.exit(1);
  const { server, dir, port } = serve();
  let browser = null, dense = null;
  const stop = () => {
    server.kill();
    for (const b of [browser, dense]) b?.process()?.kill("SIGKILL");
    fs.rmSync(dir, { recursive: true, force: true });
  };
  await runChecks(420, "the browser's checks", async () => {
    browser = await launch();
    // A screen of device pixel ratio 2 as a browser finds one; an emulated one (puppeteer's
    // deviceScaleFactor) leaves the canvas's device-pixel box at its size in CSS pixels.
    dense = await launch(["--force-device-scale-factor=2"], null);
    await run(browser, dense, `http://127.0.0.1:${await port}/page/index.html`);
    for (const b of [browser, dense]) await b.close();
  }, stop);
}

// The page at `query` in a new tab, its driver ready (see openTab); `prepare` sets the tab up first.
const open = (browser, base, query, prepare) => openTab(browser, base + query, { prepare, driver: true });
// Before the tab's first page loads (not on a reload): its storage cleared with `clear`, then `items`
// put in it (null: taken out).
const storing = (items, clear = false) => (pg) => pg.evaluateOnNewDocument((items, clear) => {
  if (sessionStorage.getItem("fenwing.test.stored")) return;
  sessionStorage.setItem("fenwing.test.stored", "1");
  if (clear) localStorage.clear();
  for (const [k, v] of Object.entries(items)) v === null ? localStorage.removeItem(k) : localStorage.setItem(k, v);
}, items, clear);

const state = (page) => call(page, "state");
const ended = (page, seconds) =>
  settled(page.waitForFunction(() => window.fenwing.ended, { timeout: seconds * 1000, polling: 100 }));
// Whether F1 (or a tap on Start) started a game: a full minute, the first duck flying.
const started = (s) => caption(s, "LblTimeLeft") === "60" && /^TmrDuck1\.Enabled True$/m.test(s);

async function run(browser, dense, base) {
  // Loading, and the in-page driver against the native one for every shipped script.
  const { page, problems } = await open(browser, base, "");
  await sleep(1000);
  quiet(problems, "the page loads with nothing in its console");
  const scripts = ["tests/scripts", "docs", "fuzz/corpus"].flatMap((d) =>
    fs.readdirSync(`${root}/${d}`).filter((f) => d === "fuzz/corpus" || f.endsWith(".sim")).sort().map((f) => `${d}/${f}`));
  const differ = [];
  for (const script of scripts) {
    const text = fs.readFileSync(`${root}/${script}`, "utf8");
    for (const args of MODES) {
      const want = sim(args, text), got = await page.evaluate((t, a) => window.fenwing.runDriver(t, a), text, args);
      for (const k of ["stdout", "stderr", "status"])
        if (got?.[k] !== want[k])
          differ.push(`  fenwing-sim ${args.join(" ")} < ${script}: ${k} differs` +
            (typeof want[k] === "string" && typeof got?.[k] === "string" ? `\n${firstDifference(want[k], got[k])}` : `: ${want[k]} / ${got?.[k]}`));
    }
  }
  check(scripts.length >= 11 && differ.length === 0,
    `runDriver answers as fenwing-sim: ${scripts.length} scripts x ${MODES.length} modes, ${differ.length} differ`, differ.join("\n"));
  await sounds(page);
  await page.close();

  await play(browser, base);
  await unseen(dense, base);
  await replays(browser, base);
  await bestGames(browser, base);
  await touch(browser, base);
  await offline(browser);
}

// The page's sounds, decoded by the browser as the page decodes them: each starts when its WAV
// starts and lasts as long, within a millisecond (an MP3 whose padding the browser cannot
// find would start late and run long).
async function sounds(page) {
  const wrong = [];
  for (const name of fs.readdirSync(`${root}/assets/sounds`).filter((f) => f.endsWith(".wav")).sort()) {
    const wav = fs.readFileSync(`${root}/assets/sounds/${name}`), rate = wav.readUInt32LE(24), data = wav.indexOf("data", 12);
    const samples = wav.subarray(data + 8, data + 8 + wav.readUInt32LE(data + 4)), length = samples.length / 2 / rate;
    let onset = 0;
    while (onset < samples.length / 2 && Math.abs(samples.readInt16LE(2 * onset)) <= 327) onset++;
    const mp3 = name.replace(/\.wav$/, ".mp3");
    const got = await page.evaluate(async (file) => {
      try {
        const buffer = await new OfflineAudioContext(1, 1, 44100).decodeAudioData(await (await fetch(`sounds/${file}`)).arrayBuffer());
        return { length: buffer.duration, onset: buffer.getChannelData(0).findIndex((v) => Math.abs(v) > 0.01) / buffer.sampleRate };
      } catch (e) {
        return { error: String(e) };
      }
    }, mp3);
    if (got.error || Math.abs(got.length - length) > 0.001 || Math.abs(got.onset - onset / rate) > 0.001)
      wrong.push(`  ${mp3}: ${got.error ?? `${(got.length * 1000).toFixed(1)} ms from ${(got.onset * 1000).toFixed(1)} ms`}, ` +
        `the WAV ${(length * 1000).toFixed(1)} ms from ${(onset / rate * 1000).toFixed(1)} ms`);
  }
  check(wrong.length === 0, "each sound decodes in the browser to its WAV's start and length", wrong.join("\n"));
}

// Which characters of `text` the page's Liberation Sans lacks: a character it has is as wide
// whatever font follows it in the list; one it lacks falls through to that font.
const missingGlyphs = (page, text) => page.evaluate((text) => {
  const g = document.createElement("canvas").getContext("2d");
  const width = (ch, rest) => { g.font = `16px "Liberation Sans", ${rest}`; return g.measureText(ch).width; };
  return [...new Set(text)].filter((ch) => ch.trim() && width(ch, "monospace") !== width(ch, "serif")).join("");
}, text);

// The canvas and the field on it: the canvas's place on the page, the field's corners on the
// canvas (CSS pixels), the scale of the client area, a device pixel's place for a point in twips,
// and screenshots of the canvas in CSS pixels at any pixel ratio, each with the time it was taken.
async function fieldView(page) {
  const canvas = await page.$("canvas#field");
  if (!canvas) return null;
  const origin = await canvas.boundingBox();
  const corner = (x, y) => page.evaluate((x, y) => window.fenwing.pixelOf(x, y), x, y);
  const [tl, br] = [await corner(1440, 840), await corner(12480, 10245)];
  const field = [tl.x - origin.x, tl.y - origin.y, br.x - origin.x, br.y - origin.y].map(Math.round);
  const ratio = await page.evaluate(() => devicePixelRatio);
  const shot = async () => {
    const t0 = performance.now();
    const png = await page.screenshot({ type: "png", clip: { ...origin, scale: 1 / ratio } });
    return { frame: decodePng(Buffer.from(png)), time: (t0 + performance.now()) / 2 };
  };
  return { origin, corner, field, scale: (field[2] - field[0]) / 736, shot };
}

// A duck from the page's pixels, shot with fire(x, y) (a tap, or a click by default): two screenshots, a group
// no bigger than a duck that moved as far across as down, led to where it will be when the shot
// arrives. A miss only costs a shot. `empty` is a screenshot of the field with no duck on it. The
// tries it took, or 0 if six missed.
async function shootDuck(page, { origin, corner, field, scale, shot }, empty, fire = (x, y) => page.mouse.click(x, y)) {
  const [dw, dh] = [87 * scale, 60 * scale];
  for (let tries = 1; tries <= 6; tries++) {
    const a = await shot(), b = await shot(), dt = (b.time - a.time) / 1000;
    const ducks = [];
    for (const bb of blobs(empty, b.frame, field))
      for (const ab of blobs(empty, a.frame, field)) {
        const [w, h] = [bb[2] - bb[0], bb[3] - bb[1]];
        const [dx, dy] = [(bb[0] + bb[2] - ab[0] - ab[2]) / 2, (bb[1] + bb[3] - ab[1] - ab[3]) / 2];
        const small = w >= 2 * GRID && w <= dw + 2 * GRID && h >= 2 * GRID && h <= dh + 2 * GRID;
        const diagonal = Math.abs(Math.abs(dx) - Math.abs(dy)) <= 8 + 0.3 * Math.max(Math.abs(dx), Math.abs(dy));
        if (small && diagonal && Math.max(Math.abs(dx), Math.abs(dy)) <= 700 * scale * dt + 10)
          ducks.push({ x: (bb[0] + bb[2]) / 2, y: (bb[1] + bb[3]) / 2, vx: dx / dt, vy: dy / dt });
      }
    const inside = ducks.filter((d) => d.x > field[0] + dw && d.x < field[2] - dw && d.y > field[1] + dh && d.y < field[3] - dh);
    inside.sort((p, q) => Math.abs(p.vx) + Math.abs(p.vy) - Math.abs(q.vx) - Math.abs(q.vy));
    if (!inside.length) continue;
    const before = await state(page);
    const lead = (performance.now() + 10 - b.time) / 1000, d = inside[0];
    const x = origin.x + d.x + d.vx * lead;
    await fire(x, origin.y + d.y + d.vy * lead);
    // The duck that the shot hit must lie across the point shot at (it falls straight down).
    const after = await state(page);
    const shotDuck = DUCKS.find(([, tmr]) => flag(before, tmr) && !flag(after, tmr));
    const left = shotDuck && Number(after.match(new RegExp(`^${shotDuck[0]}\\.Left (.*)$`, "m"))[1]);
    const under = shotDuck && Math.abs((await corner(left + 652.5, 5000)).x - x) <= dw / 2 + 2;
    if (Number(caption(after, "LblScore2")) === Number(caption(before, "LblScore2")) + 1 && under) return tries;
  }
  return 0;
}

// One session: a hit from the page's pixels, the keys, a box that lets the game run on, Exit; then
// its recording replayed natively.
async function play(browser, base) {
  const { page, problems, loads } = await open(browser, base, "?seed=7");
  // A marker that a reload would lose, and which keys the page kept from the browser (a listener
  // on the window hears a key after the page's own). And idle is idle: before the first Start the
  // page's timer wakes it about once in two seconds, however often it is asked for the state (each
  // question wakes it once, and starts no timer of its own beside the page's one).
  await page.evaluate(() => {
    [window.fenwingMarker, window.keptKeys, window.timerWakes] = [1, new Set(), 0];
    addEventListener("keydown", (e) => e.defaultPrevented && window.keptKeys.add(e.key));
    const set = window.setTimeout.bind(window);
    window.setTimeout = (f, ...rest) => set((...a) => (window.timerWakes++, f(...a)), ...rest);
  });
  for (let i = 0; i < 10; i++) await state(page);
  await sleep(4000);
  const idleWakes = await page.evaluate(() => window.timerWakes);
  check(idleWakes <= 8, "idle, the page wakes at most twice a second", `  ${idleWakes} wake-ups in 4 s`);

  const view = await fieldView(page);
  check(view !== null, "the page has canvas#field");
  const { field, shot } = view;
  const empty = (await shot()).frame;
  await press(page, "F1", 300);
  const begun = started(await state(page)), tries = await shootDuck(page, view, empty);
  check(begun && tries > 0, `F1 starts a game, and a click on a duck found from the page's pixels hits it (${tries || "6, none"} tries)`);

  // A box keeps the game going, on the screen too (nothing asks the page meanwhile); Return
  // closes it. The ducks' places: the one just hit falls straight down, or may already be
  // gone, so all three are looked at.
  const ducksAt = (state) => [...state.matchAll(/^Img[dD]uck\d\.(Left|Top) .*$/gm)].map((m) => m[0]).join(" ");
  await press(page, "F3");
  const boxed = (await shot()).frame;
  await sleep(700);
  const moved = blobs(boxed, (await shot()).frame, field).length;
  const s = await state(page), titles = await call(page, "boxes");
  const shown = await page.evaluate(() => [document.querySelector("dialog#box")?.open, document.querySelector("#box-title")?.textContent]);
  // What the page writes in its fonts: the menus, the captions, and each box as it shows.
  const boxText = () => page.evaluate(() => document.querySelector("dialog#box")?.textContent ?? "");
  const written = [await page.evaluate(() => document.querySelector("#bar").textContent), await boxText(),
    ...[...s.matchAll(/^\w+\.Caption (.*)$/gm)].map((m) => m[1])];
  await sleep(2100);
  const later = await state(page);
  await press(page, "Enter");
  const left = await call(page, "boxes");
  check(JSON.stringify(titles) === '["Controls"]' && shown[0] === true && shown[1] === "Controls" && moved > 0 &&
    Number(caption(later, "LblTimeLeft")) <= Number(caption(s, "LblTimeLeft")) - 2 && ducksAt(later) !== ducksAt(s) && left.length === 0,
    "F3 opens the Controls box, the game runs on while it is open, and Return closes it",
    `  boxes ${JSON.stringify(titles)}, dialog ${JSON.stringify(shown)}; ${moved} places changed on the field in 0.7 s; ` +
    `seconds left ${caption(s, "LblTimeLeft")}, 2 s later ${caption(later, "LblTimeLeft")}; after Return ${JSON.stringify(left)}`);
  for (const [key, title] of [["F4", "How To Play"], ["F5", "About"]]) {
    await press(page, key, 200);
    const open = await call(page, "boxes");
    check(JSON.stringify(open) === JSON.stringify([title]), `${key} opens the ${title} box`, `  boxes ${JSON.stringify(open)}`);
    written.push(await boxText());
    await press(page, "Enter");
  }
  const missing = await missingGlyphs(page, written.join(""));
  check(written.join("").includes("Have fun") && missing === "",
    "the page's fonts have every character of the menus, captions and boxes", `  missing ${JSON.stringify(missing)}`);
  const [marker, kept] = await page.evaluate(() => [window.fenwingMarker, [...window.keptKeys]]);
  check(marker === 1 && loads.count === 1 && ["F1", "F3", "F4", "F5"].every((k) => kept.includes(k)),
    "the browser's own F1 and F5 do nothing (the page is not reloaded, the keys kept from it)",
    `  marker ${marker}, ${loads.count} navigations, kept from the browser: ${kept}`);

  await page.keyboard.press("Delete");
  const done = await ended(page, 5), printed = await call(page, "printed");
  const replayed = sim(["--check"], await call(page, "recording"));
  check(done && replayed.status === 0 && replayed.stdout === printed && printed.endsWith("end\n") && problems.length === 0,
    "Del ends the session, the page's recording replays with fenwing-sim --check to what the page printed; nothing in the console",
    `  ended ${done}\n${firstDifference(replayed.stdout, printed)}\n  status ${replayed.status}, ${replayed.stderr}\n${problems.join("\n")}`);
  await page.close();
}

// On a screen of device pixel ratio 2, a click lands where it was aimed; in a tab hidden for 2 s
// the game stands still and takes the hidden time as one stall.
async function unseen(browser, base) {
  const { page, problems } = await open(browser, base, "?seed=3&mute");
  const recording = () => call(page, "recording");
  const aim = await page.evaluate(() => window.fenwing.pixelOf(6000, 5000));
  await page.mouse.click(aim.x, aim.y);
  const click = (await recording()).match(/^click_at (\S+) (\S+)$/m) ?? [];
  // The canvas's own device pixels to a CSS pixel, as the page divides a click's place by.
  const ratio = await page.evaluate(() => { const c = document.querySelector("canvas#field"); return c.width / c.getBoundingClientRect().width; });
  check(Math.abs(ratio - 2) < 0.01 && Math.abs(click[1] - 6000) <= 15 && Math.abs(click[2] - 5000) <= 15,
    "at a device pixel ratio of 2 a click lands where it was aimed", `  ratio ${ratio}, aimed at 6000 5000: ${click[0]}`);

  // Hidden behind another tab, after a game has started.
  const stalls = async () => (await recording()).match(/^stall .*$/gm) ?? [];
  await press(page, "F1", 300);
  const before = (await stalls()).length;
  const other = await browser.newPage();
  await other.bringToFront();
  await page.waitForFunction(() => document.hidden, { polling: 50 });
  const [hidden, still] = [await state(page), (await sleep(2000), await state(page))];
  await page.bringToFront();
  await page.waitForFunction(() => !document.hidden, { polling: 50 });
  await sleep(100);
  // (A stall after the first is the jitter of a loaded machine, not the tab's.)
  const fresh = (await stalls()).slice(before);
  check(hidden === still && Number(fresh[0]?.split(" ")[1]) >= 2000 && problems.length === 0,
    "in a tab hidden for 2 s the game stands still, then takes the time as one stall; nothing in the console on a dense screen",
    `  the state ${hidden === still ? "stood still" : "changed"}; stalls since: ${JSON.stringify(fresh)}\n${problems.join("\n")}`);
  for (const p of [other, page]) await p.close();
}

// The desktop's recording, at once and in real time; and a bad recording.
async function replays(browser, base) {
  const want = sim(["docs/replay.sim"], "").stdout;
  for (const [query, seconds] of [["?mute&replay=/rec/replay.sim&instant", 10], ["?mute&replay=/rec/replay.sim", 40]]) {
    const { page, problems } = await open(browser, base, query);
    const done = await ended(page, seconds), printed = await call(page, "printed");
    check(done && printed === want && problems.length === 0, `docs/replay.sim replays in the page (${query}) to fenwing-sim's state`,
      `  ended ${done}\n${firstDifference(want, printed)}\n${problems.join("\n")}`);
    await page.close();
  }

  const reason = sim(["fuzz/corpus/bad.sim"], "").stderr.replace(/^error: [^:]*:\d+: /, "").trim();
  const { page, problems } = await open(browser, base, "?mute&replay=/rec/bad.sim");
  await sleep(500);
  const message = await page.evaluate(() => [document.querySelectorAll("#message").length, document.querySelector("#message")?.textContent ?? ""]);
  const alive = caption(await state(page), "LblScore2") !== undefined, uncaught = problems.filter((p) => p.startsWith("uncaught"));
  check(message[0] === 1 && message[1].includes(reason) && message[1].includes("2") && alive && uncaught.length === 0,
    "a bad recording gives one clear message and the page goes on",
    `  #message ${JSON.stringify(message)}, expected the reason ${JSON.stringify(reason)} and its line; state answers ${alive}\n${uncaught.join("\n")}`);
  await page.close();
}

// ---- The best games: kept in the browser's storage, shown, watched again. ----

// Starts a game with F1 and clicks across the field, one click every 50 ms, until the game is
// finished (its shots run out, crates taken or not; a duck hit now and then); closes the box it
// ends with. Returns the clicks made and the games in the table then.
async function finishByClicks(page) {
  await press(page, "F1");
  let clicks = 0;
  for (; clicks < 80 && !(await call(page, "boxes")).includes("Oh no!"); clicks++) {
    const spot = await page.evaluate((n) => window.fenwing.pixelOf(2000 + (n * 1300) % 10000, 2500 + (n % 3) * 2000), clicks);
    await page.mouse.click(spot.x, spot.y);
    await sleep(50);
  }
  await page.waitForFunction(() => document.querySelector("#notice")?.hidden === false, { timeout: 5000 }).catch(() => {});
  await sleep(200);  // the page keeps the game after the event that finished it
  await press(page, "Enter");
  return { clicks, games: (await call(page, "bestGames")).length };
}

// The table as shown: its rows' cells, and which row is highlighted.
const shownTable = (page) => page.evaluate(() => [...document.querySelectorAll("#best-rows tr")].map((tr) => ({
  cells: [...tr.querySelectorAll("td:not(.actions)")].map((td) => td.textContent), newest: tr.classList.contains("newest"),
})));
const keptKeys = (page) => page.evaluate(() => Object.keys(localStorage).sort());
// Recordings by file name as the page keeps them in its storage.
const kept = (recordings) => Object.fromEntries(Object.entries(recordings).map(([n, t]) => [`fenwing.recording.${n}`, t]));

// The recording cut at `end` (microseconds of its game time), after the inputs given then, and
// closed with `state`: what fenwing-sim prints at that moment.
function cutAt(recording, end) {
  const out = [];
  let t = 0;
  for (const line of recording.split("\n")) {
    const [verb, arg] = line.trim().split(/\s+/);
    if (verb === "advance" || verb === "stall") {
      const us = Math.round(Number(arg) * 1000);
      if (t + us > end) {
        if (verb === "advance" && end > t) out.push(`advance ${(end - t) / 1000}`);
        break;
      }
      t += us;
    }
    if (verb !== "state" && verb !== "get") out.push(line);
  }
  return out.join("\n") + "\nstate\n";
}

// fenwing-sim --games on a recording: {number: {start, end, hits, shots, crates, clocks}}.
function nativeGames(recording) {
  const games = {};
  for (const m of sim(["--games"], recording).stdout.matchAll(/^game (\d+) from ([\d.]+) to ([\d.]+) ended \w+ hits (\d+) shots (\d+) crates (\d+) clocks (\d+)$/gm))
    games[m[1]] = { start: Math.round(m[2] * 1000), end: Math.round(m[3] * 1000), hits: +m[4], shots: +m[5], crates: +m[6], clocks: +m[7] };
  return games;
}

async function bestGames(browser, base) {
  // A fresh browser's storage: nothing kept, an empty table.
  let { page, problems } = await open(browser, base, "?mute&seed=11", storing({}, true));
  await press(page, "F6");
  const empty = await page.evaluate(() => [document.querySelector("dialog#best")?.open, document.querySelector("#best-none")?.hidden]);
  check(empty[0] === true && empty[1] === false, "F6 shows the table, empty in a fresh browser", `  ${JSON.stringify(empty)}`);
  await page.keyboard.press("F6");

  // Two games finished by real clicks, the player renamed between them.
  const first = await finishByClicks(page);
  const announced = await page.evaluate(() => [document.querySelector("#notice").hidden, document.querySelector("#notice > :last-child")?.textContent]);
  const keys = await keptKeys(page), recordingKey = keys.find((k) => k.startsWith("fenwing.recording."));
  check(first.games === 1 && !announced[0] && /^A best game: No\. 1 of the ten/.test(announced[1]) &&
    keys.length === 2 && keys.includes("fenwing.best") && recordingKey,
    `a game finished by ${first.clicks} clicks enters the table, is announced under the bar, and it and its recording are kept`,
    `  ${first.games} games, notice ${JSON.stringify(announced)}, keys ${keys}`);

  await page.click("#best-button");
  await page.click("#best-name", { count: 3 });
  await page.keyboard.type("Tester Ö");
  await page.keyboard.press("Delete");  // the name's, not the game's Exit
  await press(page, "Enter");
  const renamed = await page.evaluate(() => [window.fenwing.player, window.fenwing.ended, localStorage.getItem("fenwing.player")]);
  let table = await shownTable(page);
  await page.keyboard.press("Escape");
  const hidden = !(await page.evaluate(() => document.querySelector("dialog#best").open));
  check(renamed[0] === "Tester Ö" && renamed[1] === false && renamed[2] === "Tester Ö" && table.length === 1 &&
    table[0].cells[1] === "Tester Ö" && hidden,
    "the name is changed in the table (its games named by it), Del in it ends nothing, Esc hides the table",
    `  ${JSON.stringify(renamed)} ${JSON.stringify(table)}, hidden ${hidden}`);

  const second = await finishByClicks(page);
  const rows = await call(page, "bestGames");
  await press(page, "F6");
  table = await shownTable(page);
  const recording = await page.evaluate((k) => localStorage.getItem(k), recordingKey);
  const native = nativeGames(recording);
  const agree = rows.length === 2 && rows.every((r) => native[r.number] &&
    ["hits", "shots", "crates", "clocks", "start", "end"].every((k) => r[k] === native[r.number][k]));
  check(second.games === 2 && agree, "each game in the table is what fenwing-sim --games finds in its kept recording",
    `  page ${JSON.stringify(rows)}\n  native ${JSON.stringify(native)}`);
  const newestRow = rows.findIndex((r) => r.number === 2);
  const actions = await page.$$eval("#best-rows td.actions button", (bs) => bs.map((b) => b.textContent).join());
  check(table.length === 2 && table.every((r, i) => r.newest === (i === newestRow) && r.cells[1] === "Tester Ö" &&
    /^\d{4}-\d\d-\d\d \d\d:\d\d$/.test(r.cells[6])) && actions === "Watch,Download,Watch,Download",
    "the table shows both games with the name and the date, the newest highlighted; served by a plain server, no post to a board",
    `  ${JSON.stringify(table)}; ${actions}`);
  quiet(problems, "nothing in the console while best games are kept");
  await page.close();

  // After a reload, still there; then game 1 watched to its end (its recording goes on to game 2).
  ({ page, problems } = await open(browser, base, "?mute"));
  await page.click("#best-button");
  await sleep(100);
  const again = await shownTable(page);
  check(JSON.stringify(again.map((r) => r.cells)) === JSON.stringify(table.map((r) => r.cells)) && again.some((r) => r.newest) &&
    (await page.evaluate(() => window.fenwing.player)) === "Tester Ö", "after a reload the table and the name are still there",
    `  before ${JSON.stringify(table)}\n  after ${JSON.stringify(again)}`);
  const firstRow = rows.findIndex((r) => r.number === 1), watched = rows[firstRow], t0 = Date.now();
  await page.click(`#best-rows tr:nth-child(${firstRow + 1}) td.actions button`);
  // Watching or not, ended or not, and whether Stop watching is hidden.
  const how = async () => [...await page.evaluate(() => [window.fenwing.watching, window.fenwing.ended]),
    await page.evaluate(() => getComputedStyle(document.querySelector("#stop-watching")).display === "none")];
  const watching = [...await how(), await page.evaluate(() => document.querySelector("dialog#best").open)];
  const done = await ended(page, 30), took = Date.now() - t0, length = (watched.end - watched.start) / 1000;
  const want = sim([], cutAt(recording, watched.end)).stdout, got = await state(page);
  check(watching[0] && !watching[2] && !watching[3] && done && got.length > 1000 && want.endsWith(got) &&
    took >= length - 100 && took < length + 5000,
    `watching game 1 ends in the state fenwing-sim prints at its end, in real time (${took} ms for a game of ${length} ms)`,
    `  watching, ended, Stop hidden, table open: ${JSON.stringify(watching)}, ended ${done}\n` +
    firstDifference(want.slice(want.length - got.length), got));
  const end = await page.evaluate(() => document.querySelector("#message").textContent);
  await page.click("#message button");
  await sleep(200);
  const after = await how();
  check(end.startsWith("The game has been watched to its end") && after[0] === false && after[1] === false && after[2] === true,
    "at its end, Play goes back to a new game", `  message ${JSON.stringify(end)}, then ${JSON.stringify(after)}`);
  await press(page, "F6");
  for (const button of ["#best-rows tr:nth-child(1) td.actions button", "#stop-watching"]) {
    await page.click(button);
    await sleep(200);
  }
  await press(page, "F1", 200);
  const stopped = await page.evaluate(() => [window.fenwing.watching, window.fenwing.ended]);
  check(stopped[0] === false && stopped[1] === false && caption(await state(page), "LblTimeLeft") === "60",
    "Stop watching goes back to a new game", `  ${JSON.stringify(stopped)}`);
  quiet(problems, "nothing in the console while watching");
  await page.close();

  // A table damaged or edited by hand is made again from the recordings, with one message.
  ({ page } = await open(browser, base, "?mute"));
  const good = await page.evaluate(() => localStorage.getItem("fenwing.best"));
  await page.close();
  for (const [what, damage] of [["edited by hand", (t) => t.replace(/^1\t\d+/m, "1\t99")], ["damaged", (t) => t.slice(0, 40)], ["lost", null]]) {
    ({ page } = await open(browser, base, "?mute", storing({ "fenwing.best": damage && damage(good) })));
    const notices = () => page.evaluate(() => [...document.querySelectorAll("#notice > *")].map((n) => n.textContent));
    const said = await notices(), rebuilt = await page.evaluate(() => localStorage.getItem("fenwing.best"));
    await page.reload({ waitUntil: "load" });  // the table made again is believed
    await page.waitForFunction(() => window.fenwing);
    const then = await notices();
    check(rebuilt === good && said.length === 1 && /did not agree/.test(said[0]) && then.length === 0,
      `a table ${what} is made again from its recordings, with one message`,
      `  notices ${JSON.stringify(said)}, after a reload ${JSON.stringify(then)}\n  kept ${JSON.stringify(rebuilt)}`);
    await page.close();
  }
  await storageRefused(browser, base, good);
  await onlyTenKept(browser, base);
  if (process.env.FENWING_WEB_SHOTS) await tablePicture(browser, base, process.env.FENWING_WEB_SHOTS);
}

// A recording made in the page by `player`: a game from `seed`, a shot every two seconds or so,
// aimed at the crate or the clock when one is out, at a flying duck (the native driver says
// where) in `aim` of every ten, and low over the grass otherwise, until the game ends.
function aimedRecording(seed, player, aim, started) {
  let script = `version 1\nseed ${seed}\nadvance 400\nkey F1\n`;
  const looks = [...DUCKS.flatMap(([img, tmr]) => [`${tmr}.Enabled`, `${img}.Left`, `${img}.Top`, `${img}.Width`, `${img}.Height`]),
    "ImgAmmo.Visible", "ImgAmmo.Left", "ImgAmmo.Top", "ImgClock.Visible", "ImgClock.Left", "ImgClock.Top",
    "LblShotsLeft2.Caption", "LblTimeLeft.Caption"];
  for (let n = 0; n < 80; n++) {
    const step = 1700 + (n * 53) % 600;
    const out = sim([], script + `advance ${step}\n` + looks.map((l) => `get ${l}`).join("\n") + "\n").stdout.trim().split("\n").slice(-looks.length);
    if (Number(out[21]) <= 0 || Number(out[22]) <= 0) break;
    let [x, y] = [2000 + (n * 1300) % 10000, 9400];
    const flying = [0, 1, 2].map((d) => out.slice(5 * d, 5 * d + 5)).find((d) => d[0] === "True");
    if (out[15] === "True") [x, y] = [+out[16] + 300, +out[17] + 270];
    else if (out[18] === "True") [x, y] = [+out[19] + 285, +out[20] + 285];
    else if (flying && n % 10 < aim) [x, y] = [+flying[1] + flying[3] / 2, +flying[2] + flying[4] / 2];
    script += `advance ${step}\nclick_at ${x} ${y}\n`;
  }
  return pageRecording(player, started, script);
}

// A recording as the page keeps one: by `player`, `started` then, of the inputs in `script`.
const pageRecording = (player, started, script) => "# A game played in a browser page: fenwing-sim plays it headless, " +
  `the page replays it.\n# player: ${player}\n# started: ${started}\n${script}advance 10\nstate\n`;

// The README's picture of the table (docs/screenshot-web-best.png), into `dir`.
async function tablePicture(browser, base, dir) {
  const players = [["Ada", 9, "2026-12-01T18:02:11Z"], ["Ben", 5, "2026-12-02T20:14:40Z"], ["Chiara", 7, "2026-12-03T09:31:05Z"],
    ["Dmitri", 3, "2026-12-04T21:45:52Z"], ["Ada", 8, "2026-12-05T17:20:33Z"], ["Eun-ji", 6, "2026-12-06T12:08:19Z"],
    ["Ben", 10, "2026-12-07T19:55:02Z"], ["Chiara", 9, "2026-12-08T08:40:27Z"], ["Fatou", 4, "2026-12-08T21:03:48Z"]];
  const recordings = Object.fromEntries(players.map(([name, aim, started], i) =>
    [`fenwing-${started.slice(0, 10).replace(/-/g, "")}-${String(i).padStart(4, "0")}.sim`, aimedRecording(20 + i, name, aim, started)]));
  const { page, problems } = await open(browser, base, "?mute&seed=3",
    storing({ "fenwing.player": "Chiara", ...kept(recordings) }, true));
  await page.evaluate(() => document.querySelector("#notice").click());  // the table was made here
  await press(page, "F1", 1500);
  await press(page, "F6", 300);
  fs.mkdirSync(dir, { recursive: true });
  const file = path.join(dir, "screenshot-web-best.png");
  await page.screenshot({ path: file });
  check(problems.length === 0 && (await call(page, "bestGames")).length === players.length,
    `the picture of the table is taken: ${file}`, problems.join("\n"));
  await page.close();
}

// Twelve recordings kept without a table: the table is made of the ten best games, and the
// recordings of the two left out are no longer kept.
async function onlyTenKept(browser, base) {
  const recordings = {};
  for (let k = 1; k <= 12; k++) {
    let text = `version 1\nseed ${k}\nkey F1\n`;
    for (let n = 0; n < 25; n++) text += `advance ${150 + k}\nclick_at ${2000 + (n * 1300) % 10000} ${2500 + (n % 3) * 2000}\n`;
    recordings[`k${k}.sim`] = pageRecording(`P${k}`, `2026-01-01T10:${String(k).padStart(2, "0")}:00Z`, text);
  }
  const { page, problems } = await open(browser, base, "?mute", storing(kept(recordings), true));
  const rows = await call(page, "bestGames");
  const keys = (await keptKeys(page)).filter((k) => k.startsWith("fenwing.recording.")).map((k) => k.slice(18)).sort();
  const named = [...new Set(rows.map((r) => r.recording))].sort();
  // Each game left out ranks below the tenth: fewer hits, or as many with more shots or later.
  const k = (name) => Number(name.slice(1, -4)), tenth = rows[rows.length - 1];
  const below = Object.keys(recordings).filter((n) => !named.includes(n)).every((n) => {
    const g = nativeGames(recordings[n])[1];
    return g && (g.hits < tenth.hits || g.hits === tenth.hits && (g.shots > tenth.shots || g.shots === tenth.shots && k(n) > k(tenth.recording)));
  });
  check(rows.length === 10 && JSON.stringify(keys) === JSON.stringify(named) && below && problems.length === 0,
    "of twelve kept recordings, the ten that hold the ten best games are kept, the others removed",
    `  rows ${JSON.stringify(rows.map((r) => [r.recording, r.hits, r.shots]))}\n  kept ${keys}\n${problems.join("\n")}`);
  await page.close();
}

// A browser that refuses its storage: one message, the game plays on, the session's games shown.
async function storageRefused(browser, base, good) {
  // Every line under the bar (the page's deferred script may say some before the document is loaded:
  // those are there when it is).
  const counting = (pg) => pg.evaluateOnNewDocument(() => {
    window.noticesSeen = [];
    document.addEventListener("DOMContentLoaded", () => {
      const notice = document.querySelector("#notice");
      for (const line of notice.children) window.noticesSeen.push(line.textContent);
      new MutationObserver((changes) => {
        for (const c of changes) for (const line of c.addedNodes) window.noticesSeen.push(line.textContent);
      }).observe(notice, { childList: true });
    });
  });
  for (const [what, refuse] of [
    ["throws on every access", (pg) => pg.evaluateOnNewDocument(() => Object.defineProperty(window, "localStorage", {
      get() { throw new DOMException("The storage is turned off", "SecurityError"); } }))],
    ["is full", (pg) => pg.evaluateOnNewDocument(() => {
      Storage.prototype.setItem = function () { throw new DOMException("The quota has been exceeded", "QuotaExceededError"); }; })],
  ]) {
    const { page, problems } = await open(browser, base, "?mute&seed=5", async (pg) => { await counting(pg); await refuse(pg); });
    const a = await finishByClicks(page), b = await finishByClicks(page);
    await press(page, "F1", 200);
    const s = await state(page), seen = await page.evaluate(() => window.noticesSeen);
    const refusals = seen.filter((t) => t.includes("does not let the page keep")), full = what === "is full";
    const kept = full ? await page.evaluate(() => localStorage.getItem("fenwing.best")) : good;
    const before = full ? good.split("\n").filter(Boolean).length - 2 : 0;  // the games kept, still read
    check(refusals.length === 1 && a.games === before + 1 && b.games === before + 2 && caption(s, "LblTimeLeft") === "60" && kept === good &&
      problems.filter((p) => p.startsWith("uncaught")).length === 0,
      `storage that ${what}: one message, the session's games still shown, the game plays on, the table kept before unharmed`,
      `  notices ${JSON.stringify(seen)}; ${a.games} then ${b.games} games; seconds left ${caption(s, "LblTimeLeft")}\n${problems.join("\n")}`);
    await page.close();
  }
}

// The page on a phone held upright and on its side (touch, 3 device pixels to a CSS pixel): the
// field whole on the screen, whatever can be tapped at least 44 CSS px high, taps that start a
// game, hit a duck and open and close a box, and two quick taps that neither zoom nor scroll.
async function touch(browser, base) {
  for (const [width, height] of [[390, 844], [844, 390]]) {
    const where = `touch, ${width} x ${height}`;
    const context = await browser.createBrowserContext();
    try {
      const { page, problems } = await open(context, base, "?seed=7&mute", (page) =>
        page.setViewport({ width, height, deviceScaleFactor: 3, isMobile: true, hasTouch: true, isLandscape: width > height }));
      const tap = async (selector) => {  // a tap on what is not shown is none
        const b = await (await page.$(selector))?.boundingBox();
        if (b) await page.touchscreen.tap(b.x + b.width / 2, b.y + b.height / 2);
        await sleep(150);
      };
      const heights = (selector) => page.evaluate((selector) =>
        [...document.querySelectorAll(selector)].filter((e) => e.getClientRects().length > 0)  // what is shown
          .map((e) => `${e.id || e.textContent} ${e.getBoundingClientRect().height}`), selector);
      const short = (list) => list.filter((h) => !(Number(h.split(" ").pop()) >= 44));
      const screen = await page.evaluate(() => ({ w: innerWidth, h: innerHeight, bar: document.querySelector("#bar").getBoundingClientRect().bottom }));
      const view = await fieldView(page);
      const [left, top, right, bottom] = view.field.map((v, i) => v + (i % 2 ? view.origin.y : view.origin.x));
      check(left >= 0 && top >= screen.bar && right <= screen.w && bottom <= screen.h && right - left >= screen.w / 3,
        `${where}: the field is whole on the screen`, `  field ${[left, top, right, bottom]}, screen ${JSON.stringify(screen)}`);
      const empty = (await view.shot()).frame;

      await tap("#menu-file");  // File, Start
      const sizes = [...await heights(".menu > button, #recordings > button, #open-label"), ...await heights(".menu.open .items button")];
      await tap("#mnufileStart");
      await sleep(150);
      const begun = started(await state(page)), tries = await shootDuck(page, view, empty, (x, y) => page.touchscreen.tap(x, y));
      check(begun && tries > 0, `${where}: a tap on File, then Start, starts a game, and a tap on a duck hits it (${tries || "6, none"} tries)`);

      // Two quick taps on the field, each a shot, and on the menu bar; neither zooms nor scrolls.
      // Headless chromium has no double-tap or pinch zoom of its own to try, so the page's
      // touch-action, which a phone's browser obeys, is read as well: none on the field (every
      // touch there is the game's), manipulation around it (no double-tap zoom; two fingers still
      // zoom). And a long press on the field opens no menu.
      const gap = await page.evaluate(() => {
        const [a, b] = [document.querySelector("#menubar"), document.querySelector("#recordings")].map((e) => e.getBoundingClientRect());
        return { x: (a.right + b.left) / 2, y: a.top + a.height / 2 };
      });
      const clicks = async () => (await call(page, "recording")).match(/^click_at /gm)?.length ?? 0;
      const clicked = await clicks();
      for (const [x, y] of [[(left + right) / 2, (top + bottom) / 2], [gap.x, gap.y]]) {
        await page.touchscreen.tap(x, y);
        await page.touchscreen.tap(x, y);
      }
      await sleep(600);
      const shots = (await clicks()) - clicked, still = await page.evaluate(() => {
        const field = document.querySelector("#field");
        return [visualViewport.scale, visualViewport.offsetLeft, visualViewport.offsetTop, scrollX, scrollY,
          getComputedStyle(field).touchAction, getComputedStyle(document.documentElement).touchAction,
          field.dispatchEvent(new MouseEvent("contextmenu", { bubbles: true, cancelable: true }))];
      });
      check(shots === 2 && JSON.stringify(still) === '[1,0,0,0,0,"none","manipulation",false]',
        `${where}: two quick taps are two shots and neither zoom nor scroll the page, and a long press opens no menu`,
        `  shots ${shots}; zoom ${still[0]}, viewport at ${still[1]}, ${still[2]}, scrolled ${still[3]}, ${still[4]}; ` +
        `touch-action ${still[5]} on the field, ${still[6]} on the page; context menu kept: ${!still[7]}`);

      // File, then Help (a tap on another title while a menu is open opens that one), Controls, OK.
      for (const title of ["#menu-file", "#menu-help"]) await tap(title);
      const menus = await page.evaluate(() => [...document.querySelectorAll(".menu.open > button")].map((b) => b.id).join());
      sizes.push(...await heights(".menu.open .items button"));
      await tap("#mnuhelpControls");
      await sleep(150);
      const box = () => page.evaluate(() => [JSON.stringify(window.fenwing.boxes()), document.querySelector("dialog#box").open]);
      const opened = await box();
      sizes.push(...await heights("#box-ok"));
      await tap("#box-ok");
      const closed = await box();
      check(menus === "menu-help" && opened[0] === '["Controls"]' && opened[1] && closed[0] === "[]" && !closed[1],
        `${where}: taps on File, Help and Controls open the box and a tap on OK closes it`,
        `  menus open after File, Help: ${menus || "none"}; box ${opened}, then ${closed}`);
      check(sizes.length >= 10 && short(sizes).length === 0 && problems.length === 0,
        `${where}: the menus, their items and the buttons are at least 44 px high; nothing in the console`,
        `  ${sizes.length} measured; short: ${short(sizes).join(", ")}\n${problems.join("\n")}`);
    } finally {
      await context.close();
    }
  }
}

// The name `web/build.sh` gives this build's cache: a hash of the service worker as written and
// of every other file of the page, by name.
function cacheName(dir) {
  const files = [];
  const walk = (d) => fs.readdirSync(path.join(dir, d), { withFileTypes: true }).forEach((e) =>
    e.isDirectory() ? walk(path.join(d, e.name)) : files.push(path.join(d, e.name)));
  walk("");
  const hash = crypto.createHash("sha256").update(fs.readFileSync(`${root}/web/page/sw.js`));
  for (const f of files.filter((f) => f !== "sw.js").sort()) hash.update(`${f}\n`).update(fs.readFileSync(path.join(dir, f)));
  return { name: `fenwing-${hash.digest("hex").slice(0, 16)}`, files: files.filter((f) => f !== "sw.js") };
}

// Installed and offline: the page, from a server of its own, is installable by the browser's own
// criteria and keeps the build's files in its cache; with the server gone and the network cut, a
// reload loads it and plays (F1 starts a game, a click hits a duck); and a new build served
// later replaces the files and the cache.
async function offline(browser) {
  // In the browser's own profile: a private one installs nothing. The server's new port keeps
  // the page apart from the others.
  let { dir, server, port } = serve(true);
  let page = null;
  try {
    port = await port;
    let problems;
    ({ page, problems } = await open(browser, `http://127.0.0.1:${port}/page/`, "index.html?seed=7"));
    const cached = () => page.evaluate(async () => Promise.all((await caches.keys()).map(async (name) =>
      [name, (await (await caches.open(name)).keys()).map((r) => new URL(r.url).pathname.replace(/^\/page\//, "")).sort()])));
    const controlled = await settled(page.waitForFunction(() => navigator.serviceWorker.controller, { timeout: 20000 }));
    const cdp = await page.createCDPSession(), manifest = await cdp.send("Page.getAppManifest");
    const { installabilityErrors } = await cdp.send("Page.getInstallabilityErrors");
    const want = cacheName(path.join(dir, "page")), kept = await cached();
    check(controlled && manifest.errors.length === 0 && installabilityErrors.length === 0 &&
      JSON.stringify(kept) === JSON.stringify([[want.name, [...want.files].sort()]]),
      `the page is installable (its manifest valid, nothing missing); its service worker keeps the build's ${want.files.length} ` +
      `files in ${want.name}`,
      `  service worker in control: ${controlled}; manifest ${manifest.url}: ${JSON.stringify(manifest.errors)}; ` +
      `installability: ${JSON.stringify(installabilityErrors)}\n  kept ${JSON.stringify(kept).slice(0, 600)}`);

    server.kill();
    await page.setOfflineMode(true);
    let s = "", tries = 0, why = "";
    try {
      await page.reload({ waitUntil: "load", timeout: 20000 });
      await ready(page);
      const view = await fieldView(page);
      const empty = (await view.shot()).frame;
      await press(page, "F1", 300);
      s = await state(page);
      tries = await shootDuck(page, view, empty);
    } catch (e) {
      why = `  ${e.message}`;
    }
    check(caption(s, "LblTimeLeft") === "60" && tries > 0,
      `offline, a reload loads the page, F1 starts a game and a click hits a duck (${tries || "none in 6"} tries)`, why);
    await page.setOfflineMode(false);

    // The next build: a changed style and the worker that lists it, on the same address.
    fs.appendFileSync(path.join(dir, "page", "fenwing.css"), "#bar { --build: next; }\n");
    const sw = path.join(dir, "page", "sw.js");
    fs.writeFileSync(sw, fs.readFileSync(sw, "utf8").replace(/const BUILD = "\w+";/, 'const BUILD = "next";'));
    const next = listen(dir, port);
    ({ server } = next);
    await next.port;
    await sleep(300);
    await page.reload({ waitUntil: "load", timeout: 20000 });
    const replaced = await settled(page.waitForFunction(async () => JSON.stringify(await caches.keys()) === '["fenwing-next"]',
      { timeout: 20000, polling: 200 }));
    await page.reload({ waitUntil: "load", timeout: 20000 });
    const style = await page.evaluate(() => getComputedStyle(document.querySelector("#bar")).getPropertyValue("--build").trim());
    check(replaced && style === "next", "a new build served replaces the old one's files and cache",
      `  caches ${JSON.stringify((await cached()).map(([n]) => n))}; the new style applied: ${style === "next"}`);
    quiet(problems, "nothing in the console offline and online again");
  } finally {
    await page?.close();
    server.kill();
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

await main().catch((e) => {
  console.log(`FAIL: ${e.stack}`);
  process.exit(1);
});
