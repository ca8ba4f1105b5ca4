// Benchmarks the page in headless chromium (tools/bench.sh --web): navigation to the first frame
// with an empty cache and on a second visit, 1 ms timer ticks, the page's wake-ups (its timers'
// callbacks) and frames (its animation-frame callbacks) a second idle and in play, the renderer's
// main thread's wake-ups (its voluntary context switches, from /proc), the length of a 60-second
// game by the page's clock and by the wall clock, the CPU of the page's renderer process (from
// /proc) and of the browser's other processes, the main thread's busy time (the page's own
// metrics), and the page's weight, raw and gzip -9. Each run, in a browser context of its own (an
// empty cache, no service worker): load, 10 s idle, F1, 10 s of play, on to the time-up box. Then
// LOADS more first visits, each in a new context, and a second visit in each once the page's
// service worker (if any) is ready. Prints one table of medians. With BASELINE set to the web
// build folder of another build (of an earlier commit, say), the loads take turns between the two
// pages, and a second table sets their first frames and weights side by side.
//   [BASELINE=WEB_BUILD_DIR] node bench/web_bench.mjs WEB_BUILD_DIR [RUNS] [LOADS]
import { spawn } from "node:child_process";
import fs from "node:fs";
import { createRequire } from "node:module";
import path from "node:path";
import { fileURLToPath } from "node:url";
import zlib from "node:zlib";

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "..");
const puppeteer = createRequire(`${root}/tests/web/package.json`)("puppeteer-core");
const pageDir = path.join(path.resolve(process.argv[2] ?? `${root}/build-web`), "page");
const RUNS = Number(process.argv[3] ?? 3);
const LOADS = Number(process.argv[4] ?? 15);
const baselineDir = process.env.BASELINE ? path.join(path.resolve(process.env.BASELINE), "page") : null;
const IDLE_S = 10, PLAY_S = 10;
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const median = (xs) => [...xs].sort((a, b) => a - b)[xs.length >> 1];
const TICK = 1000 / 64;

// CPU seconds of a process (user + system) and the renderers and others under the browser.
const HZ = 100;
function cpu(pid) {
  const f = fs.readFileSync(`/proc/${pid}/stat`, "utf8").split(") ")[1].split(" ");
  return (Number(f[11]) + Number(f[12])) / HZ;
}
function processes(top) {
  const all = fs.readdirSync("/proc").filter((p) => /^\d+$/.test(p));
  const parent = new Map(all.map((p) => {
    try { return [p, fs.readFileSync(`/proc/${p}/stat`, "utf8").split(") ")[1].split(" ")[1]]; } catch { return [p, "0"]; }
  }));
  const under = (p) => { for (let q = p; q && q !== "0" && q !== "1"; q = parent.get(q)) if (q === String(top)) return true; return false; };
  const found = { renderer: [], other: [] };
  for (const p of all.filter(under)) {
    try {
      const cmd = fs.readFileSync(`/proc/${p}/cmdline`, "utf8");
      (cmd.includes("--type=renderer") && !cmd.includes("--extension-process") ? found.renderer : found.other).push(p);
    } catch { /* ended meanwhile */ }
  }
  return found;
}
const sum = (pids) => pids.reduce((t, p) => { try { return t + cpu(p); } catch { return t; } }, 0);
// The times the main threads of these processes have gone to sleep, and so been woken again.
function switches(pids) {
  let n = 0;
  for (const p of pids) {
    try {
      n += Number(fs.readFileSync(`/proc/${p}/status`, "utf8").match(/^voluntary_ctxt_switches:\s+(\d+)/m)[1]);
    } catch { /* ended meanwhile */ }
  }
  return n;
}

// Counts, before the page's own scripts run, the callbacks of its timers and animation frames:
// each timer's is a wake-up of the page, each frame's a picture drawn if anything changed.
function countCallbacks() {
  window.benchCounts = { timers: 0, frames: 0 };
  const timeout = window.setTimeout.bind(window), frame = window.requestAnimationFrame.bind(window);
  window.setTimeout = (f, ...rest) => timeout(typeof f === "function" ? (...a) => { window.benchCounts.timers++; return f(...a); } : f, ...rest);
  window.requestAnimationFrame = (f) => frame((t) => { window.benchCounts.frames++; return f(t); });
}

// The game's timers' virtual time from the page's state: the next due tick of the 1 ms mover.
async function due(page) {
  const s = await page.evaluate(() => window.fenwing.state());
  return Number(s.match(/^due tmrAmmoMove (\S+)$/m)[1]);
}

// The page loaded into `page`: navigation to its first frame by the page's clock and by the wall
// clock here. The page's `fenwingReady` resolves as its first frame is drawn; the time is taken
// there and then, by a hook set before the page's scripts run (asked for afterwards, the promise
// would be seen only once the page's main thread is free again).
async function load(page, base) {
  await page.evaluateOnNewDocument(countCallbacks);
  await page.evaluateOnNewDocument(() => {
    let ready;
    Object.defineProperty(window, "fenwingReady", {
      configurable: true,
      get: () => ready,
      set: (promise) => {
        ready = promise;
        window.benchFirstFrame = promise.then(() => performance.now());
      },
    });
  });
  const wall0 = performance.now();
  await page.goto(`${base}?mute`, { waitUntil: "load" });
  const firstFrame = await page.evaluate(() => window.benchFirstFrame);
  return { firstFrame, wallReady: performance.now() - wall0 };
}

// A first visit and a second, in a context of its own: the second once the page's service worker
// has taken the files in (at most 10 s), else from the browser's cache.
async function visits(browser, base) {
  const context = await browser.createBrowserContext();
  try {
    let page = await context.newPage();
    const first = await load(page, base);
    const worker = await page.evaluate(async () => "serviceWorker" in navigator &&
      Boolean(await navigator.serviceWorker.getRegistration()) &&
      Promise.race([navigator.serviceWorker.ready.then(() => true), new Promise((r) => setTimeout(() => r(false), 10000))]));
    await page.close();
    page = await context.newPage();
    const second = await load(page, base);
    await page.close();
    return { first, second, worker };
  } finally {
    await context.close();
  }
}

async function measure(browser, base) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await load(page, base);
  const { renderer, other } = processes(browser.process().pid);

  const counts = () => page.evaluate(() => ({ ...window.benchCounts }));
  const span = async (seconds) => {
    const [d0, c0, r0, o0, w0, m0, t0] = [await due(page), await counts(), sum(renderer), sum(other),
      switches(renderer), await page.metrics(), performance.now()];
    await sleep(seconds * 1000);
    const [d1, c1, r1, o1, w1, m1, t1] = [await due(page), await counts(), sum(renderer), sum(other),
      switches(renderer), await page.metrics(), performance.now()];
    const wall = (t1 - t0) / 1000;
    return { ticks: (d1 - d0) / TICK / wall, wakes: (c1.timers - c0.timers) / wall,
      fps: (c1.frames - c0.frames) / wall, rendererWakes: (w1 - w0) / wall,
      renderer: (100 * (r1 - r0)) / wall, other: (100 * (o1 - o0)) / wall,
      main: (100 * (m1.TaskDuration - m0.TaskDuration)) / wall };
  };
  await sleep(2000);
  const idle = await span(IDLE_S);

  // The game's length: from the F1 keydown to the time-up box, by the page's clock (its own
  // performance.now(), the box seen as it opens) and by the wall clock here.
  await page.evaluate(() => {
    window.benchStart = window.benchEnd = undefined;
    addEventListener("keydown", (e) => e.key === "F1" && window.benchStart === undefined && (window.benchStart = performance.now()), true);
    const box = document.querySelector("dialog#box");
    new MutationObserver(() => box.open && window.benchEnd === undefined && (window.benchEnd = performance.now()))
      .observe(box, { attributes: true, attributeFilter: ["open"] });
  });
  const wallF1 = performance.now();
  await page.keyboard.press("F1");
  await sleep(300);
  const play = await span(PLAY_S);
  await page.waitForFunction(() => window.fenwing.boxes().includes("Fail"), { timeout: 90000, polling: "mutation" });
  const wallGame = (performance.now() - wallF1) / 1000;
  const pageGame = await page.evaluate(() => (window.benchEnd - window.benchStart) / 1000);
  await context.close();
  return { idle, play, pageGame, wallGame };
}

function weight(dir) {
  const kinds = { WebAssembly: /\.wasm$/, JavaScript: /\.m?js$/, Pictures: /\.(gif|jpe?g|png|svg|webp|ico)$/,
    Fonts: /\.(ttf|otf|woff2?)$/, Sounds: /\.(wav|ogg|mp3|opus)$/, "HTML, CSS, manifest, licences": /./ };
  const rows = Object.fromEntries(Object.keys(kinds).map((k) => [k, { raw: 0, gz: 0, n: 0 }]));
  const walk = (dir) => fs.readdirSync(dir, { withFileTypes: true }).forEach((e) => {
    const p = path.join(dir, e.name);
    if (e.isDirectory()) return walk(p);
    const data = fs.readFileSync(p), row = rows[Object.keys(kinds).find((k) => kinds[k].test(e.name))];
    row.raw += data.length;
    row.gz += zlib.gzipSync(data, { level: 9 }).length;
    row.n++;
  });
  walk(dir);
  return rows;
}

// python3's http.server for `dir` on a free port of 127.0.0.1, and the page's address there.
async function serve(dir) {
  const server = spawn("python3", ["-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", dir],
    { stdio: ["ignore", "pipe", "ignore"] });
  const port = await new Promise((resolve) => server.stdout.on("data", (d) => {
    const m = String(d).match(/port (\d+)/);
    if (m) resolve(m[1]);
  }));
  return { server, base: `http://127.0.0.1:${port}/index.html` };
}

const total = (w) => Object.values(w).reduce((t, r) => ({ raw: t.raw + r.raw, gz: t.gz + r.gz, n: t.n + r.n }), { raw: 0, gz: 0, n: 0 });

async function main() {
  const { server, base } = await serve(pageDir);
  const baseline = baselineDir ? await serve(baselineDir) : null;
  const browser = await puppeteer.launch({
    executablePath: process.env.FENWING_CHROMIUM || "/usr/bin/chromium", headless: true,
    args: ["--no-sandbox", "--window-size=1000,900"], defaultViewport: { width: 1000, height: 900 },
  });
  const runs = [], loads = [], baseLoads = [];
  try {
    for (let i = 0; i < RUNS; i++) {
      runs.push(await measure(browser, base));
      console.error(`run ${i + 1} of ${RUNS}: ${JSON.stringify(runs.at(-1))}`);
    }
    for (let i = 0; i < LOADS; i++) {
      loads.push(await visits(browser, base));
      console.error(`load ${i + 1} of ${LOADS}: ${JSON.stringify(loads.at(-1))}`);
      if (!baseline) continue;
      baseLoads.push(await visits(browser, baseline.base));
      console.error(`load ${i + 1} of ${LOADS} of the baseline: ${JSON.stringify(baseLoads.at(-1))}`);
    }
  } finally {
    await browser.close();
    server.kill();
    baseline?.server.kill();
  }
  const m = (f, digits) => (runs.length ? median(runs.map(f)).toFixed(digits) : "");
  const l = (f) => (loads.length ? median(loads.map(f)).toFixed(0) : "");
  const worker = loads.filter((v) => v.worker).length;
  console.log(`The page in headless chromium, medians of ${RUNS} runs and ${LOADS} loads\n`);
  console.log(`The second visits: ${worker} of ${loads.length} after the page's service worker was ready\n`);
  const rows = [
    ["Navigation to first frame, empty cache, page's clock (ms)", l((v) => v.first.firstFrame), "", "≤ 200"],
    ["Navigation to first frame, empty cache, wall clock (ms)", l((v) => v.first.wallReady), "", ""],
    ["Navigation to first frame, second visit, page's clock (ms)", l((v) => v.second.firstFrame), "", ""],
    ["Navigation to first frame, second visit, wall clock (ms)", l((v) => v.second.wallReady), "", ""],
    ["1 ms timer ticks per second", m((r) => r.idle.ticks, 2), m((r) => r.play.ticks, 2), "64 ± 0.5"],
    ["The page's wake-ups a second (its timers' callbacks)", m((r) => r.idle.wakes, 1), m((r) => r.play.wakes, 1), "idle ≤ 2"],
    ["The page's frames a second (its animation-frame callbacks)", m((r) => r.idle.fps, 1), m((r) => r.play.fps, 1), ""],
    ["Wake-ups a second of the renderer's main thread", m((r) => r.idle.rendererWakes, 1), m((r) => r.play.rendererWakes, 1), ""],
    ["Length of a 60-second game, page's clock (s)", "", m((r) => r.pageGame, 3), "60 ± 0.1"],
    ["Length of a 60-second game, wall clock (s)", "", m((r) => r.wallGame, 3), "60 ± 0.1"],
    ["CPU of the page's renderer process (% of a core)", m((r) => r.idle.renderer, 1), m((r) => r.play.renderer, 1), ""],
    ["CPU of the browser's other processes (% of a core)", m((r) => r.idle.other, 1), m((r) => r.play.other, 1), ""],
    ["Main thread busy (TaskDuration, % of wall time)", m((r) => r.idle.main, 1), m((r) => r.play.main, 1), ""],
  ];
  console.log("| Figure | Idle | In play | Target |\n|---|---:|---:|---|");
  for (const r of rows) console.log(`| ${r.join(" | ")} |`);
  const w = weight(pageDir), all = total(w), kb = (b) => (b / 1024).toFixed(1);
  console.log("\n| The page's files | Files | Raw (KiB) | gzip -9 (KiB) |\n|---|---:|---:|---:|");
  for (const [k, r] of [...Object.entries(w), ["Total", all]]) console.log(`| ${k} | ${r.n} | ${kb(r.raw)} | ${kb(r.gz)} |`);
  console.log(`\nTotal gzip -9 ${kb(all.gz)} KiB against a target of at most 300: ${all.gz <= 300 * 1024 ? "PASS" : "MISS"}`);
  if (!baseline) return;

  const b = (f) => median(baseLoads.map(f));
  const them = total(weight(baselineDir));
  console.log(`\nAgainst the baseline ${process.env.BASELINE}, ${LOADS} loads of each taking turns:\n`);
  console.log("| Figure | This build | Baseline | This / baseline |\n|---|---:|---:|---:|");
  const side = (name, ours, theirs, digits = 0) =>
    console.log(`| ${name} | ${ours.toFixed(digits)} | ${theirs.toFixed(digits)} | ${(ours / theirs).toFixed(2)} |`);
  for (const [visit, name] of [["first", "empty cache"], ["second", "second visit"]]) {
    side(`Navigation to first frame, ${name}, page's clock (ms)`, median(loads.map((v) => v[visit].firstFrame)), b((v) => v[visit].firstFrame));
    side(`Navigation to first frame, ${name}, wall clock (ms)`, median(loads.map((v) => v[visit].wallReady)), b((v) => v[visit].wallReady));
  }
  side("Weight, raw (KiB)", all.raw / 1024, them.raw / 1024, 1);
  side("Weight, gzip -9 (KiB)", all.gz / 1024, them.gz / 1024, 1);
}

await main();
