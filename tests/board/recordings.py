"""Recordings as the window and the page write them (session/recorder.h): the language's
version, the generator's seed, then the time between inputs to the microsecond and each input,
and the state at the end. A player here aims: before each click it asks fenwing-sim where the
ducks are at that moment and clicks on one, or somewhere on the field. Each recording finishes
its game by time or by shots.

    python3 recordings.py FENWING_SIM SEED [COUNT]   prints COUNT recordings, NUL-separated
"""

import random
import subprocess
import sys

DUCKS = ("ImgDuck1", "Imgduck2", "Imgduck3")
FIELD = (1440, 840, 1440 + 11040, 840 + 9405)  # imgField's left, top, right, bottom in twips
DUCK = (1305, 900)


def millis(ms):
    text = f"{ms:.3f}".rstrip("0").rstrip(".")
    return text or "0"


def run(sim, text, *args):
    """fenwing-sim's output for the script `text`."""
    return subprocess.run([sim, *args], input=text, capture_output=True, text=True,
                          timeout=60).stdout


def games(sim, text):
    """What fenwing-sim --games prints for a recording, one line a game."""
    return [line for line in run(sim, text, "--games").splitlines() if line.startswith("game ")]


def recording(sim, seed, rng, header=""):
    """One recording of a game played from `seed`, its clicks drawn from `rng`."""
    lines = [f"# {header or 'A session in the window'}", "version 1", f"seed {seed}",
             f"advance {millis(rng.uniform(300, 3000))}", "key F1"]
    for _ in range(rng.randint(6, 30)):
        dt = millis(rng.uniform(150, 2500))
        asks = [f"get {d}.{p}" for d in DUCKS for p in ("Visible", "Left", "Top")]
        out = [line for line in run(sim, "\n".join(lines + [f"advance {dt}"] + asks) + "\n").splitlines()
               if not line.startswith("msgbox")][-len(asks):]
        ducks = [(int(float(out[i + 1])), int(float(out[i + 2])))
                 for i in range(0, len(out), 3) if out[i] == "True"]
        if ducks and rng.random() < 0.8:
            left, top = rng.choice(ducks)
            x, y = left + rng.randint(200, DUCK[0] - 200), top + rng.randint(150, DUCK[1] - 150)
        else:
            x, y = rng.randint(FIELD[0], FIELD[2] - 1), rng.randint(FIELD[1], FIELD[3] - 1)
        lines += [f"advance {dt}", f"click_at {x} {y}"]
    # On to the end of the game, however many seconds the clocks gave it.
    lines += [f"advance {millis(rng.uniform(100000, 130000))}", "state"]
    return "\n".join(lines) + "\n"


def main():
    sim, seed = sys.argv[1], int(sys.argv[2])
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    rng = random.Random(seed)
    texts = [recording(sim, rng.getrandbits(63), rng) for _ in range(count)]
    sys.stdout.write("\0".join(texts))


if __name__ == "__main__":
    main()
