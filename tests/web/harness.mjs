// What the browser tests share (page_test.mjs, board_test.mjs): their checks and tally, native
// fenwing-sim, the page built, chromium launched, a tab opened and what it says that it should not,
// the page's driver, and a run of checks that ends in its time and cleans up however it ends.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";
import puppeteer from "puppeteer-core";

export const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");
export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

let failures = 0;
export function check(ok, what, detail = "") {
  console.log(`${ok ? "ok" : "FAIL"}: ${what}${!ok && detail ? `\n${detail}` : ""}`);
  if (!ok) failures++;
  return ok;
}
// A check that a tab said nothing it should not have (see openTab).
export const quiet = (problems, what) => check(problems.length === 0, what, problems.join("\n"));
// Whether `promise` (a wait that may time out) is fulfilled.
export const settled = (promise) => promise.then(() => true, () => false);

// fenwing-sim `native` with ARGS, reading `input` on standard input, from the repository's root.
export const simAt = (native) => (args, input) => {
  const r = spawnSync(native, args, { input, cwd: root, encoding: "utf8" });
  return { stdout: r.stdout, stderr: r.stderr, status: r.status };
};

// The page built into `build` with web/build.sh, unless FENWING_WEB_BUILT says it is; false,
// said, when it did not build.
export function pageBuilt(build) {
  const built = process.env.FENWING_WEB_BUILT ? { status: 0, stdout: "", stderr: "" }
    : spawnSync("bash", [`${root}/web/build.sh`, build], { encoding: "utf8" });
  if (built.status === 0 && fs.existsSync(`${build}/page/index.html`)) return true;
  console.log(`${built.stdout}${built.stderr}FAIL: the page did not build into ${build}/page`);
  return false;
}

// Headless chromium (FENWING_CHROMIUM, else Debian's) with `args` besides the usual.
export const launch = (args = [], defaultViewport = { width: 1000, height: 900 }) => puppeteer.launch({
  executablePath: process.env.FENWING_CHROMIUM || "/usr/bin/chromium",
  headless: true,
  args: ["--no-sandbox", "--window-size=1000,900", ...args],
  defaultViewport,
});

// A new tab of `browser` (or of a browser context) at `url`, loaded, with how often it loaded and
// what it says from then on that it should not: console errors and warnings, uncaught errors,
// requests that fail or are answered 400 or more. `prepare` sets it up before it loads; with
// `driver`, the page's in-page driver is awaited.
export async function openTab(browser, url, { prepare, driver } = {}) {
  const page = await browser.newPage();
  await prepare?.(page);
  const problems = [], loads = { count: 0 };
  page.on("console", (m) => ["error", "warn", "warning", "assert"].includes(m.type()) && problems.push(`console ${m.type()}: ${m.text()}`));
  page.on("pageerror", (e) => problems.push(`uncaught: ${e.message}`));
  page.on("requestfailed", (r) => problems.push(`failed to load ${r.url()}`));
  page.on("response", (r) => r.status() >= 400 && problems.push(`HTTP ${r.status()} for ${r.url()}`));
  page.on("framenavigated", (f) => f === page.mainFrame() && loads.count++);
  await page.goto(url, { waitUntil: "load", timeout: 20000 });
  if (driver) await ready(page);
  return { page, problems, loads };
}

// The page's in-page driver there and ready; `call` asks it `name` (recording, printed, state...).
export async function ready(page) {
  await page.waitForFunction(() => window.fenwing, { timeout: 20000 });
  await page.evaluate(() => window.fenwingReady);
}
export const call = (page, name) => page.evaluate((n) => window.fenwing[n](), name);
// `key` pressed in the tab, then `ms` waited.
export const press = async (page, key, ms = 100) => { await page.keyboard.press(key); await sleep(ms); };

// Runs `checks`, failed if they do not end within `seconds` or throw (with `said()`, what the
// programs under test said); `stop` cleans up however they end. Exits the process with 0 when
// every check passed, else 1.
export async function runChecks(seconds, what, checks, stop, said = () => "") {
  const timer = setTimeout(() => {
    console.log(`FAIL: ${what} did not finish within ${seconds} s`);
    stop();
    process.exit(1);
  }, seconds * 1000);
  try {
    await checks();
  } catch (e) {
    check(false, `the checks ran to their end: ${e.stack}`, said());
  } finally {
    stop();
    clearTimeout(timer);
  }
  console.log(failures ? `${failures} checks failed` : "all checks passed");
  process.exit(failures ? 1 : 0);
}
