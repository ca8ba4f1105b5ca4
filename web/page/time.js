// Time: microseconds on the page's monotonic clock from the session's start, and the wakes for
// the session's deadlines.
import { page, ended } from "./page.js";
import { paint } from "./draw.js";

let t0 = performance.now();
let timer = null;

export const now = () => Math.round((performance.now() - t0) * 1000);
// A fresh session: its time starts now.
export function restartClock() {
  t0 = performance.now();
}

// Wakes for the session's next deadline. While the document is hidden the page does not wake
// at all: browsers slow a hidden tab's timers to about once a second, which the session would
// take for stall after stall. When it shows again, the whole hidden span is one late wake,
// which the session takes as one stall: the game stands still while nobody sees it.
export function arm(next) {
  if (timer !== null) clearTimeout(timer);
  timer = null;
  if (next < 0 || document.hidden) return;
  timer = setTimeout(wake, Math.max(0, Math.ceil((next - now()) / 1000)));
}
export function wake() {
  arm(page.host.wake(now()));
  paint();
}
// Catches the session up to this moment, for what the page is asked about it.
export function catchUp() {
  if (!ended() && !document.hidden) wake();
}

export function setUpTime() {
  document.addEventListener("visibilitychange", () => {
    if (!page.host) return;
    if (document.hidden) arm(-1);
    else wake();
  });
}
