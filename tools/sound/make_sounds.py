#!/usr/bin/env python3
"""Synthesises every sound of the game and writes them into assets/sounds/.

    python3 tools/sound/make_sounds.py            # (re)write the sounds
    python3 tools/sound/make_sounds.py --check    # fail if assets/sounds/ differs, or a sound's
                                                  # loudness, peak, energy above 200 Hz, length
                                                  # or size is off

Standard library only; the noise comes from a seeded generator, so the output is the same byte
for byte on every run. Each sound is a WAV file, 16-bit mono at 11025 Hz (the game's cues are
short and low: this keeps them all within 64 KiB).

All are about as loud as one another: each is scaled to an RMS level over the whole file of
LEVEL_DBFS, give or take at most SPREAD_DB by what it is for (LEVELS): the shot, heard on every
click, a little under; the rewards a little over. Their peaks stay at or below PEAK_MAX_DBFS,
which leaves room for two at once (the player's limiter takes care of more). And each keeps
most of its energy above 200 Hz, where a small speaker still plays.
"""

import math
import os
import random
import struct
import sys

RATE = 11025
LEVEL_DBFS = -18.0
SPREAD_DB = 1.5
# Each sound's level above or below LEVEL_DBFS, by what it is for.
LEVELS = {
    'shot': -1.5,  # a tick of feedback, on every click
    'ground': -1.0,  # follows each hit, after the quack
    'out_of_ammo': -1.0,  # again on every click once the shots are gone
    'hit': 0.0,
    'flock': 0.0,
    'start': 0.0,
    'time_up': 0.0,
    'ammo': 1.5,  # the rewards
    'clock': 1.5,
}
PEAK_MAX_DBFS = -6.0
# A small speaker plays nothing below about 200 Hz: through two 200 Hz high-passes (24 dB an
# octave below it) a sound must keep its RMS level to within this.
SMALL_SPEAKER_HZ = 200
SMALL_SPEAKER_LOSS_DB = 3.0
MAX_SECONDS = 1.0
MAX_TOTAL_BYTES = 64 * 1024
HERE = os.path.dirname(os.path.abspath(__file__))
SOUNDS = os.path.join(os.path.dirname(os.path.dirname(HERE)), 'assets', 'sounds')
sys.path.insert(0, os.path.dirname(HERE))
sys.dont_write_bytecode = True  # keep the source tree clean

from made_files import asked_to_check, differences, report  # noqa: E402


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


def saturate(samples, drive):
    """A soft clip (tanh) of the sound scaled to a peak of 1, which keeps that peak: rounds off
    the tallest spikes of a crack or a thump and gives a low tone overtones a small speaker
    plays. The more `drive`, the more it squeezes."""
    top = max(abs(v) for v in samples)
    return [math.tanh(drive * v / top) / math.tanh(drive) for v in samples]


def notes(freqs, step, length, harmonics, decay):
    return mix(*((i * step, 1.0, tone([f], length, harmonics, decay=decay))
                 for i, f in enumerate(freqs)))


# The cues. Notes: C5 523, E5 659, G5 784, C6 1047; G4 392, E4 330, C4 262.
MELLOW = (1.0, 0.35, 0.12)   # a soft, flute-like timbre
BRIGHT = (1.0, 0.5, 0.3, 0.15)
BELL = (1.0, 0.0, 0.4, 0.0, 0.2)


def sounds():
    return {
        # A dry crack over a short thump, squeezed: a tick of feedback without a sharp spike.
        'shot': saturate(mix((0, 1.0, noise(0.14, 1, 0.03, 0.3)),
                             (0, 0.7, tone([260, 120], 0.14, (1.0, 0.5, 0.3), decay=0.035,
                                           attack=0.001))), 2.0),
        # A quack: a nasal tone that drops, then a wing's flutter.
        'hit': mix((0, 1.0, tone([620, 480, 360], 0.16, BRIGHT, attack=0.003, decay=0.09,
                                 vibrato=(0.04, 30))),
                   (0.05, 0.3, noise(0.15, 2, 0.04, 0.6))),
        # A soft landing in the grass: a low thump for big speakers under a thud with
        # overtones and a rustle that small ones play.
        'ground': saturate(mix((0, 0.4, tone([110, 60], 0.12, decay=0.035, attack=0.002)),
                               (0, 1.0, tone([320, 200], 0.12, (1.0, 0.5, 0.3), decay=0.03,
                                             attack=0.002)),
                               (0, 0.6, noise(0.12, 3, 0.03, 0.5))), 2.0),
        # Two metallic clicks that ring a little: the crate's shots going in.
        'ammo': saturate(mix((0, 0.7, noise(0.03, 4, 0.012, 0.1)),
                             (0, 0.5, tone([2100], 0.08, decay=0.04, attack=0.001)),
                             (0.1, 0.8, noise(0.04, 5, 0.014, 0.1)),
                             (0.1, 0.6, tone([1600], 0.1, decay=0.05, attack=0.001))), 2.0),
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
        'start': notes([523, 659, 784, 1047], 0.07, 0.24, BRIGHT, 0.09),
    }


def rms_dbfs(samples):
    """The RMS level over the whole sound, in dB of 16-bit full scale (as sox's stats give it)."""
    return 10 * math.log10(sum(v * v for v in samples) / len(samples) / 32768 ** 2)


def highpass(samples, freq):
    """A two-pole high-pass (Q 0.707, 12 dB an octave below `freq`), as sox's `highpass`."""
    w = 2 * math.pi * freq / RATE
    alpha = math.sin(w) / math.sqrt(2)
    a0, a1, a2 = 1 + alpha, -2 * math.cos(w), 1 - alpha
    b0, b1, b2 = (1 + math.cos(w)) / 2, -(1 + math.cos(w)), (1 + math.cos(w)) / 2
    out, x1, x2, y1, y2 = [], 0.0, 0.0, 0.0, 0.0
    for x in samples:
        y = (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0
        x1, x2, y1, y2 = x, x1, y, y1
        out.append(y)
    return out


def small_speaker(samples):
    """What a speaker with nothing below SMALL_SPEAKER_HZ leaves of a sound."""
    return highpass(highpass(samples, SMALL_SPEAKER_HZ), SMALL_SPEAKER_HZ)


def to_pcm(samples, level):
    """Fades the last 5 ms out and scales the sound to an RMS of LEVEL_DBFS + `level` (dB of
    16-bit full scale), as 16-bit integers."""
    fade = int(0.005 * RATE)
    samples = [v * min(1.0, (len(samples) - i) / fade) for i, v in enumerate(samples)]
    gain = 10 ** ((LEVEL_DBFS + level - rms_dbfs(samples)) / 20)
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
    """What is wrong with the sounds in `directory`: loudness, peak, energy above
    SMALL_SPEAKER_HZ, length, format and total size."""
    found, total = [], 0
    for name in sorted(sounds()):
        path = os.path.join(directory, name + '.wav')
        total += os.path.getsize(path)
        rate, channels, bits, pcm = read_wav(path)
        if (rate, channels, bits) != (RATE, 1, 16):
            found.append('%s: %d Hz, %d channels, %d bits' % (name, rate, channels, bits))
        level = LEVELS[name]
        if abs(level) > SPREAD_DB:
            found.append('%s: meant to be %+.1f dB from the others\' level' % (name, level))
        rms = rms_dbfs(pcm)
        if abs(rms - (LEVEL_DBFS + level)) > 0.1:
            found.append('%s: RMS %.2f dBFS, not %.2f' % (name, rms, LEVEL_DBFS + level))
        peak = 20 * math.log10(max(abs(v) for v in pcm) / 32768)
        if peak > PEAK_MAX_DBFS:
            found.append('%s: peak at %.2f dBFS, above %.1f' % (name, peak, PEAK_MAX_DBFS))
        small = rms_dbfs(small_speaker(pcm))
        if small < rms - SMALL_SPEAKER_LOSS_DB:
            found.append('%s: RMS %.2f dBFS above %d Hz, %.2f dB under the whole'
                         % (name, small, SMALL_SPEAKER_HZ, rms - small))
        if len(pcm) >= MAX_SECONDS * rate:
            found.append('%s: %.3f s long' % (name, len(pcm) / rate))
    if total > MAX_TOTAL_BYTES:
        found.append('%d bytes in all' % total)
    return found


def build(out):
    os.makedirs(out, exist_ok=True)
    for name, samples in sorted(sounds().items()):
        with open(os.path.join(out, name + '.wav'), 'wb') as f:
            f.write(wav_bytes(to_pcm(samples, LEVELS[name])))


def main():
    if not asked_to_check(__doc__, 'assets/sounds'):
        build(SOUNDS)
        for line in problems(SOUNDS):
            print('problem: %s' % line)
        return 0
    stale = differences(build, SOUNDS, 'assets/sounds')
    return report(stale or ['problem: %s' % line for line in problems(SOUNDS)])


if __name__ == '__main__':
    sys.exit(main())
