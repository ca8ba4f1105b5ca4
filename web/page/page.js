// What the page's modules share: the page host in WebAssembly (web/page_host.cpp) and what the
// page is doing. Each module keeps the rest of its state to itself.

export const $ = (id) => document.getElementById(id);
export const params = new URLSearchParams(location.search);
export const muted = params.has("mute");

export const page = {
  host: null,          // the PageHost, once the module is loaded
  caption: "",         // the window's caption
  back: "#c0c0c0",     // the client area's colour
  replaying: false,    // the session shown is a replay
  boxOpen: false,      // one of the game's boxes is open
  skipping: false,     // a watch plays the part before its game at once, without sound
};

// The session has ended: the play says so, and wakes no more.
export const ended = () => page.host !== null && page.host.ended();
// A replay takes no input; an open box refuses them.
export const refused = () => page.replaying || ended() || page.boxOpen;
