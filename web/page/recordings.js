// Recordings and the session's course: a game played here or a recording replayed, saved and
// opened, and what the page says at the end.
import { $, page, muted } from "./page.js";
import { arm, catchUp, restartClock, wake } from "./time.js";
import { canvas, paint, resize } from "./draw.js";
import { dropBox } from "./boxes.js";
import { playHere, stopWatching, watched, watching } from "./best.js";

const message = $("message");

// The message over the field, with a button that does `action`.
export function say(text, buttonText, action) {
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
export function unsay() {
  message.hidden = true;
}

function playAgain() {
  const next = new URLSearchParams();
  if (muted) next.set("mute", "");
  const q = next.toString().replace(/=$/, "");
  location.href = location.pathname + (q ? "?" + q : "");
}
export function onEnd(status, text) {
  arm(-1);
  dropBox();
  canvas.classList.add("ended");
  if (watching() && status === 0) say("The game has been watched to its end.", "Play", stopWatching);
  else if (page.replaying && status === 0) say("The replay has ended.", "Play", playAgain);
  else say((text ? text + "\n\n" : "") + "Fenwing has ended.", "Play again", playAgain);
}

// Saves `text` as the file `name` where the browser puts downloads.
export function download(text, name) {
  const a = document.createElement("a");
  a.href = URL.createObjectURL(new Blob([text], { type: "text/plain" }));
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 10000);
}

// A fresh session: its time starts now.
export function begin() {
  restartClock();
  dropBox();
  canvas.classList.remove("ended");
  resize(canvas.width, canvas.height);
  document.title = page.caption + (page.replaying ? " (replay)" : "");
  $("save-recording").disabled = page.replaying;
  watched();
}

// Replays `text`; a recording that cannot be played says why in the driver's own words, and
// the game shown goes on.
export function startReplay(text, name, instant) {
  if (!page.host.replay(text, name)) {
    say(page.host.error());
    return false;
  }
  unsay();
  page.replaying = true;
  begin();
  if (instant) {
    page.host.playAll();
    paint();
  } else {
    wake();
  }
  return true;
}

export function play(seed) {
  playHere(seed);
  page.replaying = false;
  begin();
  wake();
}

export function drawnSeed() {
  const words = crypto.getRandomValues(new Uint32Array(2));
  return ((BigInt(words[0]) << 32n) | BigInt(words[1])).toString();
}

export function setUpRecordings() {
  $("save-recording").addEventListener("click", () => {
    if (!page.host || page.replaying) return;
    catchUp();
    const stamp = new Date().toISOString().replace(/[-:]/g, "").replace("T", "-").slice(0, 15);
    download(page.host.recording(), `fenwing-${stamp}.sim`);
  });

  $("open-recording").addEventListener("change", (e) => {
    const file = e.target.files && e.target.files[0];
    e.target.value = "";
    if (!file) return;
    file.text().then(
      (text) => startReplay(text, file.name, false),
      (err) => say(`error: cannot read ${file.name}: ${err && err.message || "unreadable"}`));
  });
}
