// Sound: the nine cues through Web Audio, from the player's first gesture on.
import { page, muted } from "./page.js";

const sound = { context: null, buffers: {}, out: null };

export function loadSounds(names) {
  if (muted || !window.OfflineAudioContext) return;
  // Decoded without a running context, so that nothing waits for the first gesture.
  const decoder = new OfflineAudioContext(1, 1, 44100);
  for (const name of names)
    fetch(`sounds/${name}.mp3`)
      .then((r) => (r.ok ? r.arrayBuffer() : Promise.reject()))
      .then((bytes) => decoder.decodeAudioData(bytes))
      .then((buffer) => { sound.buffers[name] = buffer; })
      .catch(() => {});
}

function unlockSound() {
  if (muted || sound.context || !window.AudioContext) return;
  const c = new AudioContext();
  // Each sound at half scale, and a limiter over the mix, so that overlapping sounds are
  // mixed without clipping.
  const limiter = c.createDynamicsCompressor();
  limiter.threshold.value = -6;
  limiter.knee.value = 0;
  limiter.ratio.value = 20;
  limiter.attack.value = 0.002;
  limiter.release.value = 0.05;
  limiter.connect(c.destination);
  sound.out = limiter;
  sound.context = c;
}

export function playCue(name) {
  const c = sound.context;
  const buffer = sound.buffers[name];
  if (!c || !buffer || page.skipping) return;
  const source = c.createBufferSource();
  source.buffer = buffer;
  const gain = c.createGain();
  gain.gain.value = 0.5;
  source.connect(gain).connect(sound.out);
  source.start();
}

export function setUpSound() {
  for (const type of ["pointerdown", "keydown"])
    addEventListener(type, unlockSound, { capture: true });
}
