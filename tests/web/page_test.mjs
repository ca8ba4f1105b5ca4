// The page in a real browser, headless chromium driven by puppeteer-core: it loads cleanly, its
// in-page driver answers every shipped script as the native fenwing-sim does, a click on a duck
// found from the page's pixels hits it, the keys act and the browser's own do not, a box lets the
// game run on, a session recorded in the page replays natively to the page's state, the desktop's
// recording replays in the page, and a bad recording gives one clear message.
//   node tests/web/page_test.mjs NATIVE_FENWING_SIM [WEB_BUILD_DIR]
// Builds the page first with web/build.sh, serves it with python3's http.server on a free port of
// 127.0.0.1, and stops both the server and the browser at the end. FENWING_CHROMIUM names the
// browser (default /usr/bin/chromium); with FENWING_WEB_BUILT set, the page already built is used.
import { spawn, spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import zlib from "node:zlib";
import puppeteer from "puppeteer-core";

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");
const native = path.resolve(process.argv[2] ?? `${root}/build/fenwing-sim`);
const build = path.resolve(process.argv[3] ?? `${root}/build-web`);
const MODES = [[], ["--check"], ["--cues"], ["--check", "--cues"]];
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

let failures = 0;
function check(ok, what, detail = "") {
  console.log(`${ok ? "ok" : "FAIL"}: ${what}${!ok && detail ? `\n${detail}` : ""}`);
  if (!ok) failures++;
  return ok;
}

// fenwing-sim ARGS reading `input` on standard input, from the repository's root.
function sim(args, input) {
  const r = spawnSync(native, args, { input, cwd: root, encoding: "utf8" });
  return { stdout: r.stdout, stderr: r.stderr, status: r.status };
}

function firstDifference(a, b) {
  const al = a.split("\n"), bl = b.split("\n");
  const i = al.findIndex((line, n) => line !== bl[n]);
  if (a === b) return "";
  const n = i < 0 ? al.length : i;
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

// A static server for the page and two shipped recordings, on a free port.
function serve() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "fenwing-page-"));
  fs.symlinkSync(path.join(build, "page"), path.join(dir, "page"));
  fs.mkdirSync(path.join(dir, "rec"));
  fs.copyFileSync(`${root}/docs/replay.sim`, `${dir}/rec/replay.sim`);
  fs.copyFileSync(`${root}/fuzz/corpus/bad.sim`, `${dir}/rec/bad.sim`);
  const server = spawn("python3", ["-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", dir], {
    stdio: ["ignore", "pipe", "ignore"],
  });
  const port = new Promise((resolve, reject) => {
    server.stdout.on("data", (d) => {
      const m = String(d).match(/port (\d+)/);
      if (m) resolve(Number(m[1]));
    });
    server.on("exit", () => reject(new Error("the web server ended")));
  });
  return { server, dir, port };
}

async function main() {
  const built = process.env.FENWING_WEB_BUILT ? { status: 0, stdout: "", stderr: "" }
    : spawnSync("bash", [`${root}/web/build.sh`, build], { encoding: "utf8" });
  if (built.status !== 0 || !fs.existsSync(`${build}/page/index.html`)) {
    console.log(`${built.stdout}${built.stderr}FAIL: the page did not build into ${build}/page`);
    return 1;
  }
  const { server, dir, port } = serve();
  let browser = null;
  const stop = () => {
    server.kill();
    browser?.process()?.kill("SIGKILL");
    fs.rmSync(dir, { recursive: true, force: true });
  };
  const timer = setTimeout(() => {
    console.log("FAIL: the browser's checks did not finish within 240 s");
    stop();
    process.exit(1);
  }, 240000);
  try {
    browser = await puppeteer.launch({
      executablePath: process.env.FENWING_CHROMIUM || "/usr/bin/chromium",
      headless: true,
      args: ["--no-sandbox", "--window-size=1000,900"],
      defaultViewport: { width: 1000, height: 900 },
    });
    await run(browser, `http://127.0.0.1:${await port}/page/index.html`);
    await browser.close();
  } finally {
    stop();
    clearTimeout(timer);
  }
  console.log(failures ? `${failures} checks failed` : "all checks passed");
  return failures ? 1 : 0;
}

// The page at `query`, ready; with what its console and loading said that they should not have.
async function open(browser, base, query) {
  const page = await browser.newPage();
  const problems = [];
  const loads = { count: 0 };
  page.on("console", (m) => ["error", "warn", "warning", "assert"].includes(m.type()) && problems.push(`console ${m.type()}: ${m.text()}`));
  page.on("pageerror", (e) => problems.push(`uncaught: ${e.message}`));
  page.on("requestfailed", (r) => problems.push(`failed to load ${r.url()}`));
  page.on("response", (r) => r.status() >= 400 && problems.push(`HTTP ${r.status()} for ${r.url()}`));
  page.on("framenavigated", (f) => f === page.mainFrame() && loads.count++);
  await page.goto(base + query, { waitUntil: "load", timeout: 20000 });
  await page.waitForFunction(() => window.fenwing, { timeout: 20000 });
  await page.evaluate(() => window.fenwingReady);
  return { page, problems, loads };
}

const state = (page) => page.evaluate(() => window.fenwing.state());
const ended = (page, seconds) =>
  page.waitForFunction(() => window.fenwing.ended, { timeout: seconds * 1000, polling: 100 }).then(() => true, () => false);

async function run(browser, base) {
  // Loading, and the in-page driver against the native one for every shipped script.
  const { page, problems } = await open(browser, base, "");
  await sleep(1000);
  check(problems.length === 0, "the page loads with nothing in its console", problems.join("\n"));
  const scripts = ["tests/scripts", "docs", "fuzz/corpus"].flatMap((d) =>
    fs.readdirSync(`${root}/${d}`).filter((f) => d === "fuzz/corpus" || f.endsWith(".sim")).sort().map((f) => `${d}/${f}`));
  const differ = [];
  for (const script of scripts) {
    const text = fs.readFileSync(`${root}/${script}`, "utf8");
    for (const args of MODES) {
      const want = sim(args, text);
      const got = await page.evaluate((t, a) => window.fenwing.runDriver(t, a), text, args);
      for (const k of ["stdout", "stderr", "status"])
        if (got?.[k] !== want[k])
          differ.push(`  fenwing-sim ${args.join(" ")} < ${script}: ${k} differs` +
            (typeof want[k] === "string" && typeof got?.[k] === "string" ? `\n${firstDifference(want[k], got[k])}` : `: ${want[k]} / ${got?.[k]}`));
    }
  }
  check(scripts.length >= 11 && differ.length === 0,
    `runDriver answers as fenwing-sim: ${scripts.length} scripts x ${MODES.length} modes, ${differ.length} differ`, differ.join("\n"));
  await page.close();

  await play(browser, base);
  await replays(browser, base);
}

// One session: a hit from the page's pixels, the keys, a box that lets the game run on, Exit; then
// its recording replayed natively.
async function play(browser, base) {
  const { page, problems, loads } = await open(browser, base, "?seed=7");
  // A marker that a reload would lose, and which keys the page kept from the browser (a listener
  // on the window hears a key after the page's own).
  await page.evaluate(() => {
    window.fenwingMarker = 1;
    window.keptKeys = new Set();
    addEventListener("keydown", (e) => e.defaultPrevented && window.keptKeys.add(e.key));
  });
  // Idle is idle: before the first Start the page's timer wakes it about once in two seconds,
  // however often it is asked for the state (each question wakes it once, and starts no timer
  // of its own beside the page's one).
  await page.evaluate(() => {
    window.timerWakes = 0;
    const set = window.setTimeout.bind(window);
    window.setTimeout = (f, ...rest) => set((...a) => (window.timerWakes++, f(...a)), ...rest);
  });
  for (let i = 0; i < 10; i++) await state(page);
  await sleep(4000);
  const idleWakes = await page.evaluate(() => window.timerWakes);
  check(idleWakes <= 8, "idle, the page wakes at most twice a second", `  ${idleWakes} wake-ups in 4 s`);

  const canvas = await page.$("canvas#field");
  check(canvas !== null, "the page has canvas#field");
  const origin = await canvas.boundingBox();
  const corner = (x, y) => page.evaluate((x, y) => window.fenwing.pixelOf(x, y), x, y);
  const [tl, br] = [await corner(1440, 840), await corner(12480, 10245)];
  const field = [tl.x - origin.x, tl.y - origin.y, br.x - origin.x, br.y - origin.y].map(Math.round);
  const scale = (field[2] - field[0]) / 736;
  const shot = async () => {
    const t0 = performance.now();
    const frame = decodePng(Buffer.from(await canvas.screenshot({ type: "png" })));
    return { frame, time: (t0 + performance.now()) / 2 };
  };
  const empty = (await shot()).frame;

  await page.keyboard.press("F1");
  await sleep(300);
  let s = await state(page);
  check(caption(s, "LblTimeLeft") === "60" && /^TmrDuck1\.Enabled True$/m.test(s), "F1 starts a game");

  // A duck from the page's pixels: two screenshots, a group no bigger than a duck that moved as far
  // across as down, led to where it will be when the click arrives. A miss only costs a shot.
  const [dw, dh] = [87 * scale, 60 * scale];
  let hit = false, tries = 0;
  for (; tries < 6 && !hit; tries++) {
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
    await page.mouse.click(x, origin.y + d.y + d.vy * lead);
    // The duck that the click shot must lie across the point clicked (it falls straight down).
    const after = await state(page);
    const shotDuck = DUCKS.find(([, tmr]) => flag(before, tmr) && !flag(after, tmr));
    const left = shotDuck && Number(after.match(new RegExp(`^${shotDuck[0]}\\.Left (.*)$`, "m"))[1]);
    const under = shotDuck && Math.abs((await corner(left + 652.5, 5000)).x - x) <= dw / 2 + 2;
    hit = Number(caption(after, "LblScore2")) === Number(caption(before, "LblScore2")) + 1 && under;
  }
  check(hit, `a click on a duck found from the page's pixels hits it (${tries} tries)`);

  // A box keeps the game going, on the screen too (nothing asks the page meanwhile); Return
  // closes it.
  await page.keyboard.press("F3");
  await sleep(100);
  const boxed = (await shot()).frame;
  await sleep(700);
  const moved = blobs(boxed, (await shot()).frame, field).length;
  s = await state(page);
  const titles = await page.evaluate(() => window.fenwing.boxes());
  const shown = await page.evaluate(() => [document.querySelector("dialog#box")?.open, document.querySelector("#box-title")?.textContent]);
  check(JSON.stringify(titles) === '["Controls"]' && shown[0] === true && shown[1] === "Controls", "F3 opens the Controls box",
    `  boxes ${JSON.stringify(titles)}, dialog ${JSON.stringify(shown)}`);
  await sleep(2100);
  const later = await state(page);
  check(moved > 0 && Number(caption(later, "LblTimeLeft")) <= Number(caption(s, "LblTimeLeft")) - 2 &&
    /ImgDuck1\.Left .*/.exec(later)[0] !== /ImgDuck1\.Left .*/.exec(s)[0], "the game runs on while a box is open",
    `  ${moved} places changed on the field in 0.7 s; seconds left ${caption(s, "LblTimeLeft")}, 2 s later ${caption(later, "LblTimeLeft")}`);
  await page.keyboard.press("Enter");
  await sleep(100);
  check((await page.evaluate(() => window.fenwing.boxes())).length === 0, "Return closes the box");

  for (const [key, title] of [["F4", "How To Play"], ["F5", "About"]]) {
    await page.keyboard.press(key);
    await sleep(200);
    const open = await page.evaluate(() => window.fenwing.boxes());
    check(JSON.stringify(open) === JSON.stringify([title]), `${key} opens the ${title} box`, `  boxes ${JSON.stringify(open)}`);
    await page.keyboard.press("Enter");
    await sleep(100);
  }
  const [marker, kept] = await page.evaluate(() => [window.fenwingMarker, [...window.keptKeys]]);
  check(marker === 1 && loads.count === 1 && ["F1", "F3", "F4", "F5"].every((k) => kept.includes(k)),
    "the browser's own F1 and F5 do nothing (the page is not reloaded, the keys kept from it)",
    `  marker ${marker}, ${loads.count} navigations, kept from the browser: ${kept}`);

  await page.keyboard.press("Delete");
  check(await ended(page, 5), "Del ends the session");
  const printed = await page.evaluate(() => window.fenwing.printed());
  const recording = await page.evaluate(() => window.fenwing.recording());
  const replayed = sim(["--check"], recording);
  check(replayed.status === 0 && replayed.stdout === printed && printed.endsWith("end\n"),
    "the page's recording replays with fenwing-sim --check to what the page printed",
    `${firstDifference(replayed.stdout, printed)}\n  status ${replayed.status}, ${replayed.stderr}`);
  check(problems.length === 0, "nothing in the console in play", problems.join("\n"));
  await page.close();
}

// The desktop's recording, at once and in real time; and a bad recording.
async function replays(browser, base) {
  const want = sim(["docs/replay.sim"], "").stdout;
  for (const [query, seconds] of [["?mute&replay=/rec/replay.sim&instant", 10], ["?mute&replay=/rec/replay.sim", 40]]) {
    const { page, problems } = await open(browser, base, query);
    const done = await ended(page, seconds);
    const printed = await page.evaluate(() => window.fenwing.printed());
    check(done && printed === want && problems.length === 0, `docs/replay.sim replays in the page (${query}) to fenwing-sim's state`,
      `  ended ${done}\n${firstDifference(want, printed)}\n${problems.join("\n")}`);
    await page.close();
  }

  const reason = sim(["fuzz/corpus/bad.sim"], "").stderr.replace(/^error: [^:]*:\d+: /, "").trim();
  const { page, problems } = await open(browser, base, "?mute&replay=/rec/bad.sim");
  await sleep(500);
  const message = await page.evaluate(() => [document.querySelectorAll("#message").length, document.querySelector("#message")?.textContent ?? ""]);
  const alive = caption(await state(page), "LblScore2") !== undefined;
  const uncaught = problems.filter((p) => p.startsWith("uncaught"));
  check(message[0] === 1 && message[1].includes(reason) && message[1].includes("2") && alive && uncaught.length === 0,
    "a bad recording gives one clear message and the page goes on",
    `  #message ${JSON.stringify(message)}, expected the reason ${JSON.stringify(reason)} and its line; state answers ${alive}\n${uncaught.join("\n")}`);
  await page.close();
}

const status = await main().catch((e) => {
  console.log(`FAIL: ${e.stack}`);
  return 1;
});
process.exit(status);
