// Drawing: only what the session says changed, on the next animation frame, on a canvas that
// takes exactly the device pixels it covers. The pictures as the window makes them ready, the
// captions as it writes them.
import { $, page } from "./page.js";

export const canvas = $("field");
const ctx = canvas.getContext("2d", { alpha: false });
const pictures = {};         // resource -> decoded image
const prepared = new Map();  // a picture at a size shown
const looks = new Map();     // a caption's font and place
let frame = 0;
let firstFrame = null;       // told once, when the first frame has been drawn

export function whenFirstDrawn(f) {
  firstFrame = f;
}

export function paint() {
  if (!frame) frame = requestAnimationFrame(draw);
}

function draw() {
  frame = 0;
  const dirty = page.host.dirty();
  if (dirty.length) {
    const scene = page.host.scene();
    for (const r of dirty) drawArea(scene, r.x, r.y, r.w, r.h);
  }
  if (firstFrame) {
    const told = firstFrame;
    firstFrame = null;
    told();
  }
}

function drawArea(scene, x, y, w, h) {
  ctx.save();
  ctx.beginPath();
  ctx.rect(x, y, w, h);
  ctx.clip();
  ctx.fillStyle = page.back;
  ctx.fillRect(x, y, w, h);
  for (const p of scene) {  // back to front
    if (p.x >= x + w || p.y >= y + h || p.x + p.w <= x || p.y + p.h <= y) continue;
    if (p.kind === "image") {
      const image = preparedPicture(p);
      if (image) ctx.drawImage(image, p.x, p.y);
    } else {
      drawLabel(p);
    }
  }
  ctx.restore();
}

function sheet(w, h) {
  const c = document.createElement("canvas");
  c.width = Math.max(1, w);
  c.height = Math.max(1, h);
  return c;
}

// As the window makes a picture ready: scaled without smoothing to the control's natural
// size, then, on a scaled page, blown up in whole blocks of pixels to the next whole multiple
// and, unless that is the size shown, smoothed down to it. Crisp at every whole scale.
function preparedPicture(p) {
  const key = `${p.resource} ${p.naturalW} ${p.naturalH} ${p.w} ${p.h}`;
  let out = prepared.get(key);
  if (out) return out;
  const image = pictures[p.resource];
  if (!image) return null;
  const scaled = (from, w, h, smooth) => {
    const c = sheet(w, h);
    const g = c.getContext("2d");
    g.imageSmoothingEnabled = smooth;
    if (smooth) g.imageSmoothingQuality = "high";
    g.drawImage(from, 0, 0, w, h);
    return c;
  };
  const natural = scaled(image, p.naturalW, p.naturalH, false);
  out = natural;
  if (p.w !== p.naturalW || p.h !== p.naturalH) {
    const bw = p.naturalW * Math.max(1, Math.ceil(p.w / p.naturalW));
    const bh = p.naturalH * Math.max(1, Math.ceil(p.h / p.naturalH));
    out = scaled(natural, bw, bh, false);
    if (bw !== p.w || bh !== p.h) out = scaled(out, p.w, p.h, true);
  }
  prepared.set(key, out);
  return out;
}

// As the window writes a caption: from the top of the label, up just as far as its
// descenders need, and smaller only if its ink would not lie inside the label otherwise.
function captionLook(p) {
  const key = `${p.caption}\n${p.w} ${p.h} ${p.px} ${p.bold} ${p.align}`;
  let look = looks.get(key);
  if (look) return look;
  for (let px = p.px; ; px--) {
    ctx.font = `${p.bold ? "bold " : ""}${px}px "Liberation Sans", Arial, sans-serif`;
    const m = ctx.measureText(p.caption);
    const left = p.align === "center" ? (p.w - m.width) / 2 : 0;
    const baseline = m.fontBoundingBoxAscent;
    look = { font: ctx.font, left, baseline, raise: 0 };
    if (!p.caption.trim()) break;
    const inkLeft = Math.floor(left - m.actualBoundingBoxLeft);
    const inkRight = Math.ceil(left + m.actualBoundingBoxRight) - 1;
    const inkTop = Math.floor(baseline - m.actualBoundingBoxAscent);
    const inkBottom = Math.ceil(baseline + m.actualBoundingBoxDescent) - 1;
    look.raise = Math.max(0, inkBottom - (p.h - 1));
    if ((inkLeft >= 0 && inkRight < p.w && inkTop - look.raise >= 0) || px <= 4) break;
  }
  looks.set(key, look);
  return look;
}

function drawLabel(p) {
  const look = captionLook(p);
  ctx.save();
  ctx.beginPath();
  ctx.rect(p.x, p.y, p.w, p.h);
  ctx.clip();
  ctx.fillStyle = "#efefef";
  ctx.fillRect(p.x, p.y, p.w, p.h);
  ctx.fillStyle = "#000";
  ctx.font = look.font;
  ctx.textBaseline = "alphabetic";
  ctx.textAlign = "left";
  ctx.fillText(p.caption, p.x + Math.round(look.left), p.y + Math.round(look.baseline) - look.raise);
  ctx.restore();
}

// The canvas takes exactly the device pixels it covers; the session fits the client area
// into them with the window's rule.
export function resize(w, h) {
  if (!w || !h) return;
  if (canvas.width !== w) canvas.width = w;
  if (canvas.height !== h) canvas.height = h;
  page.host.resize(w, h);
  ctx.fillStyle = page.back;
  ctx.fillRect(0, 0, w, h);
  prepared.clear();
  looks.clear();
  if (frame) cancelAnimationFrame(frame);
  frame = 0;
  draw();
}
function followCanvas() {
  const box = canvas.getBoundingClientRect();
  resize(Math.round(box.width * devicePixelRatio), Math.round(box.height * devicePixelRatio));
}
// The observer's first report, of the size the canvas already has, draws nothing again.
export function watchSize() {
  try {
    new ResizeObserver((entries) => {
      const e = entries[entries.length - 1];
      const d = e.devicePixelContentBoxSize && e.devicePixelContentBoxSize[0];
      if (!d) followCanvas();
      else if (d.inlineSize !== canvas.width || d.blockSize !== canvas.height)
        resize(d.inlineSize, d.blockSize);
    }).observe(canvas, { box: "device-pixel-content-box" });
  } catch (_) {
    addEventListener("resize", followCanvas);
  }
}
// Device pixels of the canvas to CSS pixels, and back.
export const ratioX = () => canvas.width / canvas.getBoundingClientRect().width;
export const ratioY = () => canvas.height / canvas.getBoundingClientRect().height;

// The pictures the layout names, and the fonts, ready to draw: those that early.js began, and
// any other picture the layout names.
export function loaded(resources) {
  const early = window.fenwingEarly;
  return Promise.all([
    ...resources.map(async (name) => {
      pictures[name] = await (early.pictures.get(name) || early.picture(name));
    }),
    early.fonts,
  ]);
}
