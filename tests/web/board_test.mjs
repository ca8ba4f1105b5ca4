// The board in headless chromium, served by the real fenwing-board beside the page (same
// origin): a name with markup shows as text on the board page, and nothing of it runs; and the
// page plays a game, posts it to the board with its best games' "Post to the board", and watches
// it again from the board page's Watch link, to the state that fenwing-sim gives for it.
//   node tests/web/board_test.mjs FENWING_BOARD NATIVE_FENWING_SIM [WEB_BUILD_DIR]
// Builds the page first with web/build.sh unless FENWING_WEB_BUILT is set; stops the board and
// the browser however the checks end. FENWING_CHROMIUM names the browser.
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { call, check, launch, openTab, pageBuilt, press, ready, root, runChecks, settled, simAt, sleep }
  from "./harness.mjs";

const boardProgram = path.resolve(process.argv[2] ?? `${root}/build/fenwing-board`);
const build = path.resolve(process.argv[4] ?? `${root}/build-web`);
const sim = simAt(path.resolve(process.argv[3] ?? `${root}/build/fenwing-sim`));

// fenwing-board on a free port of 127.0.0.1, serving the page; resolves to its address.
function startBoard(data) {
  const board = spawn(boardProgram, ["--data", data, "--listen", "127.0.0.1", "--port", "0",
    "--page", path.join(build, "page"), "--posts-per-minute", "0"], { stdio: ["ignore", "pipe", "pipe"] });
  let said = "";
  board.stderr.on("data", (d) => { said += d; });
  const url = new Promise((resolve, reject) => {
    board.stdout.on("data", (d) => { const m = String(d).match(/(http:\/\/127\.0\.0\.1:\d+)\/board/); if (m) resolve(m[1]); });
    board.on("exit", (status) => reject(new Error(`fenwing-board ended (${status}): ${said}`)));
  });
  return { board, url, said: () => said };
}

async function main() {
  if (!pageBuilt(build)) process.exit(1);
  const data = fs.mkdtempSync(path.join(os.tmpdir(), "fenwing-board-browser-"));
  const { board, url, said } = startBoard(data);
  let browser = null;
  const stop = () => {
    board.kill("SIGTERM");
    browser?.process()?.kill("SIGKILL");
    fs.rmSync(data, { recursive: true, force: true });
  };
  await runChecks(240, "the board's browser checks", async () => {
    const base = await url;
    browser = await launch();
    await markup(browser, base);
    await playPostWatch(browser, base);
    await browser.close();
  }, stop, said);
}

// A name with markup, posted from outside the browser, is text on the board page.
async function markup(browser, base) {
  const name = `<img src=x onerror=pwned=1><b>B</b>'"&`;
  const text = fs.readFileSync(`${root}/tests/board/recordings/game-2.sim`, "utf8");
  const r = await fetch(`${base}/api/recordings?name=${encodeURIComponent(name)}`, { method: "POST", body: text });
  check(r.status === 201, `a recording posted with the name ${name}`, `  ${r.status} ${await r.text()}`);
  const { page, problems } = await openTab(browser, `${base}/board`);
  await sleep(300);
  const seen = await page.evaluate(() => {
    const cells = [...document.querySelectorAll("#board td.player")];
    return { texts: cells.map((c) => c.textContent), inside: cells.map((c) => c.children.length),
             images: document.images.length, bold: document.querySelectorAll("b").length, pwned: window.pwned ?? null };
  });
  check(seen.texts.includes(name) && seen.inside.every((n) => n === 0) && seen.images === 0 && seen.bold === 0 &&
        seen.pwned === null && problems.length === 0,
    "the board page shows the name as text: no element of it made, nothing of it run", `  ${JSON.stringify(seen)}\n${problems.join("\n")}`);
  await page.close();
}

// The page plays a game to its end, posts it beside itself, and watches it from the board.
async function playPostWatch(browser, base) {
  const { page, problems } = await openTab(browser, `${base}/?seed=11&mute`, { driver: true,
    prepare: (pg) => pg.evaluateOnNewDocument(() => localStorage.setItem("fenwing.player", "Page Player")) });
  await press(page, "F1", 300);
  // 25 shots at points across the field, hits or misses: the last one ends the game.
  for (let i = 0; i < 25; i++) {
    const at = await page.evaluate((x, y) => window.fenwing.pixelOf(x, y), 2000 + (i * 397) % 9000, 1500 + (i * 613) % 7500);
    await page.mouse.click(at.x, at.y);
    await sleep(60);
  }
  await sleep(300);
  await page.keyboard.press("Enter");  // the box that says the shots are gone
  const want = sim(["--games"], await call(page, "recording")).stdout.split("\n").filter((l) => l.startsWith("game "));
  // The answer's text under the bar, when the line is seen: over the table, not under it; and the
  // table's "Post to the board", answered as `said` says.
  const lastNotice = () => page.evaluate(() => {
    const line = document.querySelector("#notice > :last-child"), r = line?.getBoundingClientRect();
    return r && line.contains(document.elementFromPoint(r.x + 4, r.y + r.height / 2)) ? line.textContent : "(none seen)";
  });
  const pressPost = async (said) => {
    await page.evaluate(() => document.querySelector("dialog#best").open || document.querySelector("#best-button").click());
    const [button] = await page.$$("xpath/.//*[@id='best-rows']//button[text()='Post to the board']");
    await button?.click();
    return settled(page.waitForFunction((s) => new RegExp(s).test(document.querySelector("#notice > :last-child")?.textContent),
      { timeout: 10000, polling: 100 }, said));
  };
  const games = async () => (await (await fetch(`${base}/api/games?order=newest`)).json()).games;
  const answered = await pressPost("^Posted to the board as recording \\d+");
  const listed = await games(), id = listed[0]?.recording, mine = listed.filter((g) => g.recording === id);
  check(answered && want.length === 1 && want[0].includes("ended shots") && mine.every((g) => g.player === "Page Player") &&
        JSON.stringify(mine.map((g) => g.line)) === JSON.stringify(want) && (await lastNotice()).includes(`recording ${id}:`) &&
        problems.length === 0,
    "Post to the board posts the game the page played, under the player's name; the board finds the game fenwing-sim finds; " +
    "nothing in the page's console while it played and posted",
    `  notice ${JSON.stringify(await lastNotice())}\n  board ${JSON.stringify(mine)}\n  fenwing-sim: ${JSON.stringify(want)}\n` +
    problems.join("\n"));
  // Refused (the kept recording cut before its game ends) and out of reach: each said as such.
  await page.evaluate(() => {
    const key = Object.keys(localStorage).find((k) => k.startsWith("fenwing.recording.")), text = localStorage.getItem(key);
    localStorage.setItem(key, text.slice(0, text.indexOf("click_at")));
  });
  const refused = await pressPost("^The board did not take the game: the recording holds no finished game");
  await page.setOfflineMode(true);
  const unreached = await pressPost("^The board could not be reached .*: the game was not posted");
  await page.setOfflineMode(false);
  const after = await games();
  check(refused && unreached && after.length === listed.length,
    "a post the board refuses says its reason, one that cannot reach it says so; neither adds a game",
    `  refused ${refused}, unreached ${unreached}, last notice ${JSON.stringify(await lastNotice())}`);
  await page.close();

  // From the board page: the row of that recording, and its Watch link.
  // (The tab's problems are followed across the navigation to the page.)
  const { page: board, problems: boardProblems } = await openTab(browser, `${base}/board?order=newest`);
  const link = await board.$(`tr[data-recording="${id}"] a.watch`);
  check(link !== null, `the board page lists recording ${id} with a Watch link`);
  if (!link) return;
  await Promise.all([board.waitForNavigation({ waitUntil: "load", timeout: 20000 }), link.click()]);
  await ready(board);
  const [where, title] = [new URL(board.url()), await board.title()];
  const done = await settled(board.waitForFunction(() => window.fenwing.ended, { timeout: 60000, polling: 200 }));
  const printed = await call(board, "printed"), native_ = sim([], await (await fetch(`${base}/api/recordings/${id}`)).text());
  check(where.origin === base && where.searchParams.get("replay") === `/api/recordings/${id}` && title.endsWith("(replay)") &&
        done && printed === native_.stdout && boardProblems.length === 0,
    "Watch plays the posted game in the page, from the board, to the state fenwing-sim gives",
    `  at ${board.url()}, title ${title}, ended ${done}\n  printed ${JSON.stringify(printed.slice(-200))}\n` +
    `  native ${JSON.stringify(native_.stdout.slice(-200))}\n${boardProblems.join("\n")}`);
  await board.close();
}

await main().catch((e) => {
  console.log(`FAIL: ${e.stack}`);
  process.exit(1);
});
