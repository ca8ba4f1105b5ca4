// Boxes: the oldest one the player has not closed, in a dialog that pauses nothing.
import { $, page, ended } from "./page.js";
import { closeMenus } from "./menus.js";

const dialog = $("box");

function showNextBox() {
  if (page.boxOpen || !page.host || ended()) return;
  const [first] = page.host.boxes();
  if (!first) return;
  $("box-title").textContent = first.title;
  $("box-prompt").textContent = first.prompt;
  page.boxOpen = true;
  closeMenus();
  dialog.showModal();
  $("box-ok").focus();
}
// The session has a box to show: shown once the event that opened it has run to its end.
export function boxOpened() {
  if (!page.boxOpen) setTimeout(showNextBox, 0);
}
export function closeBox() {
  if (!page.boxOpen) return;
  page.boxOpen = false;
  dialog.close();
  page.host.closeBox();
  setTimeout(showNextBox, 0);  // after this one's closing has run to its end
}
// The session closed its boxes itself, or another session is shown.
export function dropBox() {
  if (!page.boxOpen) return;
  page.boxOpen = false;
  dialog.close();
}

export function setUpBoxes() {
  $("box-ok").addEventListener("click", closeBox);
  dialog.addEventListener("cancel", (e) => e.preventDefault());
}
