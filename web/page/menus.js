// The player's inputs: clicks on the field, the menus built from the session's, and their
// shortcut keys. A replay takes none; an open box refuses them.
import { $, page, refused } from "./page.js";
import { arm, now } from "./time.js";
import { canvas, paint, ratioX, ratioY } from "./draw.js";
import { closeBox } from "./boxes.js";

const shortcuts = new Map();  // a browser key -> the item's shortcut, as the session names it

function choose(item) {
  closeMenus();
  if (refused()) return;
  arm(page.host.menu(now(), item));
  paint();
}

export function closeMenus() {
  for (const m of document.querySelectorAll(".menu.open")) m.classList.remove("open");
}

// The session's menus in the bar: a title each, opening its items.
export function buildMenus() {
  const bar = $("menubar");
  for (const menu of page.host.menus()) {
    const box = document.createElement("div");
    box.className = "menu";
    const title = document.createElement("button");
    title.type = "button";
    title.id = "menu-" + menu.caption.toLowerCase();
    title.textContent = menu.caption;
    title.setAttribute("aria-haspopup", "menu");
    const items = document.createElement("div");
    items.className = "items";
    items.setAttribute("role", "menu");
    title.addEventListener("click", () => {
      const open = !box.classList.contains("open");
      closeMenus();
      if (open) box.classList.add("open");
    });
    // A mouse moving along an open menu bar opens the menu it reaches; a finger's tap on
    // another title is that title's click alone.
    title.addEventListener("pointerenter", (e) => {
      if (e.pointerType !== "mouse") return;
      if (document.querySelector(".menu.open") && !box.classList.contains("open")) {
        closeMenus();
        box.classList.add("open");
      }
    });
    box.append(title, items);
    bar.append(box);
    for (const item of menu.items) {
      const b = document.createElement("button");
      b.type = "button";
      b.id = item.name;
      b.setAttribute("role", "menuitem");
      const name = document.createElement("span");
      name.textContent = item.caption;
      const key = document.createElement("span");
      key.className = "key";
      key.textContent = item.shortcut;
      b.append(name, key);
      b.addEventListener("click", () => choose(item.name));
      items.append(b);
      if (item.shortcut) shortcuts.set(item.shortcut === "Del" ? "Delete" : item.shortcut, item.shortcut);
    }
  }
}

export function setUpInputs() {
  canvas.addEventListener("pointerdown", (e) => {
    if (e.button !== 0 || e.pointerType === "touch" && !e.isPrimary) return;
    e.preventDefault();
    if (refused()) return;
    const r = canvas.getBoundingClientRect();
    arm(page.host.click(now(), (e.clientX - r.left) * ratioX(), (e.clientY - r.top) * ratioY()));
    paint();
  });
  canvas.addEventListener("contextmenu", (e) => e.preventDefault());

  document.addEventListener("pointerdown", (e) => {
    if (!e.target.closest || !e.target.closest(".menu")) closeMenus();
  });

  // The shortcuts act (and the browser's own help, reload and the like do not happen); while a
  // box is open, Return and Esc close it and the shortcuts reach nothing, as in the window.
  document.addEventListener("keydown", (e) => {
    if (!page.host) return;
    const shortcut = shortcuts.get(e.key);
    if (page.boxOpen) {
      if (e.key === "Enter" || e.key === "Escape") {
        e.preventDefault();
        closeBox();
      } else if (shortcut) {
        e.preventDefault();
      }
      return;
    }
    if (e.key === "Escape") closeMenus();
    if (!shortcut || e.ctrlKey || e.altKey || e.metaKey) return;
    e.preventDefault();
    closeMenus();
    if (refused()) return;
    arm(page.host.key(now(), shortcut));
    paint();
  }, true);
}
