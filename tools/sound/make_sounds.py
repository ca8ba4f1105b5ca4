#!/usr/bin/env python3
"""Synthesises every sound of the game and writes them into assets/sounds/.

    python3 tools/sound/make_sounds.py            # (re)write the sounds
    python3 tools/sound/make_sounds.py --check    # fail if assets/sounds/ differs, or a sound
                                                  # is too loud, too long or too big

Standard library only; the noise comes from a seeded generator, so the output is the same byte
for byte on every run. Each sound is a WAV file, 16-bit mono at 11025 Hz (the game's cues are
short and low: this keeps them all within 64 KiB), with its peak at -3 dBFS.
"""

import argparse
import math
import os
import random
import struct
import sys
import tempfile

RATE = 11025
PEAK_DBFS = -3.0
MAX_SECONDS = 1.0
MAX_TOTAL_BYTES = 64 * 1024
HERE = os.path.dirname(os.path.abspath(__file__))
SOUNDS = os.path.join(os.path.dirname(os.path.dirname(HERE)), 'assets', 'sounds')


# Building blocks: each returns a list of floats at RATE.

def silence(seconds):
    return [0.0] * int(seconds * RATE)


def tone(freqs, seconds, harmonics=(1.0,), attack=0.004, decay=None, vibrato=(0.0, 0.0)):
    """A tone gliding through `freqs` (Hz, evenly in time) with the given harmonic weights,
    only those below the Nyquist frequency. `decay`: time constant of an exponential fall;
    it ends with an 8 ms fade; without it the tone holds and fades out over its last fifth."""
    n = int(seconds * RATE)
    out, phase = [], 0.0
    depth, rate = vibrato
    for i in range(n):
        t = i / RATE
        pos = (len(freqs) - 1) * i / max(1, n - 1)
        k = min(int(pos), len(freqs) - 2) if len(freqs) > 1 else 0
        f = freqs[k] + (freqs[k + 1] - freqs[k]) * (pos - k) if len(freqs) > 1 else freqs[0]
        f *= 1 + depth * math.sin(2 * math.pi * rate * t)
        phase += 2 * math.pi * f / RATE
        s = sum(w * math.sin(h * phase) for h, w in enumerate(harmonics, 1) if h * f < RATE / 2)
        env = min(1.0, t / attack) if attack else 1.0
        if decay:
            env *= math.exp(-t / decay) * min(1.0, (n - i) / (0.008 * RATE))
        else:
            env *= min(1.0, (n - i) / (0.2 * n))
        out.append(s * env)
    return out


def noise(seconds, seed, decay, smooth=0.0):
    """White noise with an exponential fall, through a one-pole low-pass (`smooth` 0 to 1)."""
    rng = random.Random(seed)
    out, last = [], 0.0
    for i in range(int(seconds * RATE)):
        last = smooth * last + (1 - smooth) * rng.uniform(-1, 1)
        out.append(last * math.exp(-i / RATE / decay))
    return out


def mix(*parts):
    """Sums (offset seconds, gain, samples) parts into one sound."""
    length = max(int(at * RATE) + len(s) for at, _, s in parts)
    out = [0.0] * length
    for at, gain, samples in parts:
        start = int(at * RATE)
        for i, v in enumerate(samples):
            out[start + i] += gain * v
    return out


def notes(freqs, step, length, harmonics, decay):
    return mix(*((i * step, 1.0, tone([f], length, harmonics, decay=decay))
                 for i, f in enumerate(freqs)))


# The cues. Notes: C5 523, E5 659, G5 784, C6 1047; G4 392, E4 330, C4 262.
MELLOW = (1.0, 0.35, 0.12)   # a soft, flute-like timbre
BRIGHT = (1.0, 0.5, 0.3, 0.15)
BELL = (1.0, 0.0, 0.4, 0.0, 0.2)


def sounds():
    return {
        # A dry crack over a short low thump.
        'shot': mix((0, 1.0, noise(0.14, 1, 0.025, 0.35)),
                    (0, 0.8, tone([150, 60], 0.14, decay=0.04, attack=0.001))),
        # A quack: a nasal tone that drops, then a wing's flutter.
        'hit': mix((0, 1.0, tone([620, 480, 360], 0.16, BRIGHT, attack=0.003, decay=0.09,
                                 vibrato=(0.04, 30))),
                   (0.05, 0.3, noise(0.15, 2, 0.04, 0.6))),
        # A soft landing in the grass.
        'ground': mix((0, 1.0, tone([110, 55], 0.12, decay=0.035, attack=0.002)),
                      (0, 0.35, noise(0.12, 3, 0.03, 0.8))),
        # Two metallic clicks: the crate's shots going in.
        'ammo': mix((0, 0.7, noise(0.03, 4, 0.006, 0.1)),
                    (0, 0.5, tone([2100], 0.08, decay=0.02, attack=0.001)),
                    (0.1, 0.8, noise(0.04, 5, 0.008, 0.1)),
                    (0.1, 0.6, tone([1600], 0.1, decay=0.025, attack=0.001))),
        # Two bells, the second higher: more time.
        'clock': notes([1319, 1760], 0.11, 0.19, BELL, 0.06),
        # Three quick rising notes: here they come.
        'flock': notes([523, 659, 784], 0.07, 0.16, MELLOW, 0.05),
        # Falling, wobbling notes: the shots are gone.
        'out_of_ammo': mix((0, 1.0, tone([392], 0.16, MELLOW, vibrato=(0.02, 6))),
                           (0.17, 1.0, tone([370], 0.16, MELLOW, vibrato=(0.02, 6))),
                           (0.34, 1.0, tone([349, 330], 0.21, MELLOW, vibrato=(0.03, 6)))),
        # A falling arpeggio that rests on the low note: the time is up.
        'time_up': notes([784, 659, 523, 392], 0.1, 0.3, MELLOW, 0.12),
        # A rising arpeggio to the octave: go.
        'start': notes([523, 659, 784, 1047], 0.07, 0.24, BRIGHT, 0.07),
    }


def to_pcm(samples):
    """Fades the last 5 ms out and scales the peak to PEAK_DBFS, as 16-bit integers."""
    fade = int(0.005 * RATE)
    samples = [v * min(1.0, (len(samples) - i) / fade) for i, v in enumerate(samples)]
    gain = 32767 * 10 ** (PEAK_DBFS / 20) / max(abs(v) for v in samples)
    return [int(round(v * gain)) for v in samples]


def wav_bytes(pcm):
    data = struct.pack('<%dh' % len(pcm), *pcm)
    return (b'RIFF' + struct.pack('<I', 36 + len(data)) + b'WAVE' +
            b'fmt ' + struct.pack('<IHHIIHH', 16, 1, 1, RATE, RATE * 2, 2, 16) +
            b'data' + struct.pack('<I', len(data)) + data)


def read_wav(path):
    """(rate, channels, bits, samples) of a canonical PCM WAV file."""
    with open(path, 'rb') as f:
        raw = f.read()
    _, _, channels, rate, _, _, bits = struct.unpack('<IHHIIHH', raw[16:36])
    size, = struct.unpack('<I', raw[40:44])
    return rate, channels, bits, struct.unpack('<%dh' % (size // 2), raw[44:44 + size])


def problems(directory):
    """What is wrong with the sounds in `directory`: level, length, format and total size."""
    found, total = [], 0
    for name in sorted(sounds()):
        path = os.path.join(directory, name + '.wav')
        total += os.path.getsize(path)
        rate, channels, bits, pcm = read_wav(path)
        peak = max(abs(v) for v in pcm)
        dbfs = 20 * math.log10(peak / 32768)
        if (rate, channels, bits) != (RATE, 1, 16):
            found.append('%s: %d Hz, %d channels, %d bits' % (name, rate, channels, bits))
        if not -3.5 <= dbfs <= -2.5 or peak >= 32767:
            found.append('%s: peak at %.2f dBFS' % (name, dbfs))
        if len(pcm) >= MAX_SECONDS * rate:
            found.append('%s: %.3f s long' % (name, len(pcm) / rate))
    if total > MAX_TOTAL_BYTES:
        found.append('%d bytes in all' % total)
    return found


def build(out):
    os.makedirs(out, exist_ok=True)
    for name, samples in sorted(sounds().items()):
        with open(os.path.join(out, name + '.wav'), 'wb') as f:
            f.write(wav_bytes(to_pcm(samples)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--check', action='store_true',
                        help='compare with assets/sounds/ instead of writing it')
    args = parser.parse_args()
    if not args.check:
        build(SOUNDS)
        for line in problems(SOUNDS):
            print('problem: %s' % line)
        return 0
    with tempfile.TemporaryDirectory() as tmp:
        build(tmp)
        stale = [name for name in sorted(os.listdir(tmp))
                 if not os.path.exists(os.path.join(SOUNDS, name))
                 or open(os.path.join(SOUNDS, name), 'rb').read() !=
                 open(os.path.join(tmp, name), 'rb').read()]
    for name in stale:
        print('out of date: assets/sounds/%s' % name)
    bad = [] if stale else problems(SOUNDS)
    for line in bad:
        print('problem: %s' % line)
    return 1 if stale or bad else 0


if __name__ == '__main__':
    sys.exit(main())
