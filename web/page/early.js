// The start-up's first step, a plain script run as the document is parsed: what the first frame
// needs besides the page's modules, begun at once. The modules (main.js) run only once the
// document is parsed and first laid out, tens of milliseconds later; by then the module
// (web/page_host.cpp) is compiling, the fonts are loading and the pictures that index.html
// preloads are decoding. main.js and draw.js take them up from window.fenwingEarly.
"use strict";

window.fenwingEarly = (() => {
  const picture = (name) => {
    const image = new Image();
    image.src = `pictures/${name}`;
    return image.decode().then(() => image);
  };
  const pictures = new Map();
  for (const link of document.querySelectorAll('link[rel="preload"][as="image"]')) {
    const name = link.getAttribute("href").replace(/^pictures\//, "");
    pictures.set(name, picture(name));
    pictures.get(name).catch(() => {});  // said by the start if the layout names it
  }
  const fonts = Promise.all([document.fonts.load('16px "Liberation Sans"'),
                             document.fonts.load('bold 16px "Liberation Sans"')]);
  fonts.catch(() => {});  // said by the start, which waits for them
  const module = FenwingModule();
  module.catch(() => {});  // said by the start, which waits for it
  return { module, fonts, pictures, picture };
})();
