#!/usr/bin/env python3
"""The real window's sound, heard on a private PulseAudio server (run by tests/e2e/xvfb.sh).

1. With sound: the program's stream appears on the server as "Fenwing"; a click on the field
   (a shot, though no game runs) is recorded from the null sink's monitor: silence up to the
   click, then the shot's sound, starting within 50 ms of it, as loud and as long as the shot.
2. With --mute: no stream, and the same click is followed by silence.
3. Overlapping sounds, from a game replayed (--replay) with the window's trace marking each cue:
   a hit (its quack and its shot), a quick run of misses, the last shot (the shot and the
   out-of-shots sound) and more clicks after it, each sounding the out-of-shots sound again
   over the ones before. Not one recorded sample may be clipped (at full scale).
4. Without any server: the game starts, plays and quits with status 0 as before, with at most
   one line on standard error.

When the click happened is known to within a millisecond or so (see Game.click), and when each
recorded sample played from when parec delivered it (see null_sink.py), to within SLACK; the
test measures from the earliest moment the click could have had.

    real_sound.py BINARY
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from null_sink import NullSink, die_with_us  # noqa: E402
from xwin import (fail, find_window, geometry, note, press, quit_with_del, setup,  # noqa: E402
                  read_trace, wait_for)

SOUNDS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets", "sounds")
LATE = 0.050  # the longest a sound may start after its click
# How well the recording's samples are placed in time: the null sink renders a few milliseconds
# ahead, and renders that stretch again when a stream starts, so the monitor repeats it.
SLACK = 0.010
SILENT = 8  # the loudest sample still silence (the null sink's silence is 0)
FULL_SCALE = 32767  # a sample this loud, either way, has been clipped


def wav_figures(name):
    """The peak (dBFS) and length (seconds) of assets/sounds/NAME.wav, 16-bit mono PCM."""
    with open(os.path.join(SOUNDS, name + ".wav"), "rb") as f:
        raw = f.read()
    rate, = struct.unpack("<I", raw[24:28])
    size, = struct.unpack("<I", raw[40:44])
    pcm = struct.unpack("<%dh" % (size // 2), raw[44:44 + size])
    return 20 * math.log10(max(abs(v) for v in pcm) / 32768), len(pcm) / rate


class Game:
    """The program with its window up; killed on close if still running."""

    def __init__(self, binary, env, *args, title="Fenwing"):
        self.err = tempfile.TemporaryFile(mode="w+")
        self.proc = subprocess.Popen([binary, *args], env=env, stdout=subprocess.DEVNULL,
                                     stderr=self.err, preexec_fn=die_with_us)

        def window():
            if self.proc.poll() is not None:
                fail("the program ended at start with status %d: %s"
                     % (self.proc.returncode, self.errors()))
            return find_window(title)

        self.wid = wait_for("the window", window, 60)
        # The middle of the window is on the field; before F1 no duck is shown there.
        _, _, width, height = geometry(self.wid)
        self.x, self.y = width // 2, height // 2

    def click(self):
        """Clicks the middle of the field; returns the times just before and just after.

        One xdotool reads the commands from a pipe, so that starting it (a tenth of a second
        here) is not part of the click; the pointer's position asked for after the click
        comes back only once the X server has taken the click in."""
        xdo = subprocess.Popen(["xdotool", "-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               text=True, bufsize=1)
        try:
            xdo.stdin.write("mousemove --window %s %d %d\ngetmouselocation\n"
                            % (self.wid, self.x, self.y))
            xdo.stdout.readline()
            before = time.monotonic()
            xdo.stdin.write("click --delay 0 1\ngetmouselocation\n")
            xdo.stdout.readline()
            after = time.monotonic()
            xdo.stdin.close()
            xdo.wait(10)
        finally:
            if xdo.poll() is None:
                xdo.kill()
                xdo.wait()
        return before, after

    def key(self, key):
        press(self.wid, key, check=False)

    def quit(self):
        quit_with_del(self.proc, self.wid, 10, check=False)

    def errors(self):
        self.err.seek(0)
        return self.err.read()

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def ours(sink):
    return [s for s in sink.sink_inputs() if s.get("application.name") == "Fenwing"]


def sox_stat(rec, t0, t1):
    """sox's figures for the sound recorded from t0 to t1, without the silence around it."""
    trim = ["silence", "1", "0", "-50d"]
    with tempfile.NamedTemporaryFile(suffix=".raw") as raw:
        rec.save(raw.name, t0, t1)
        out = subprocess.run(["sox", "-t", "raw", "-r", "44100", "-e", "signed", "-b", "16",
                              "-c", "1", raw.name, "-n", *trim, "reverse", *trim, "stat"],
                             capture_output=True, text=True).stderr
    return {k.strip(): v.strip() for k, v in
            (line.split(":", 1) for line in out.splitlines() if ":" in line)}


def with_sound(binary, sink):
    game = Game(binary, sink.env())
    try:
        streams = wait_for("the game's stream on the server", lambda: ours(sink), 20)
        if streams[0].get("media.name") != "Fenwing":
            fail("the stream is named %r, not Fenwing" % streams[0].get("media.name"))
        note("the stream: application.name Fenwing, media.name Fenwing, application.id %s"
             % streams[0].get("application.id"))
        rec = sink.record()
        time.sleep(0.5)
        before, after = game.click()
        time.sleep(1.0)
        rec.stop()
        onsets = rec.onsets()
        if not onsets:
            fail("nothing was heard after the click")
        start = onsets[0]
        note("click from %+.1f to %+.1f ms, the sound from %+.1f ms (the recording from "
             "%+.1f ms)" % (0, 1000 * (after - before), 1000 * (start - before),
                            1000 * (rec.start - before)))
        if rec.peak(rec.start, before - SLACK) > SILENT:
            fail("sound before the click: peak %d" % rec.peak(rec.start, before - SLACK))
        if start - before > LATE:
            fail("the sound began %.1f ms after the click (at most %.0f ms)"
                 % (1000 * (start - before), 1000 * LATE))
        if len(onsets) > 1:
            fail("more than one sound: %d" % len(onsets))
        stat = sox_stat(rec, start - 0.01, start + 0.5)
        peak_db = 20 * math.log10(max(float(stat["Maximum amplitude"]),
                                      -float(stat["Minimum amplitude"])))
        heard = float(stat["Length (seconds)"])
        shot_db, shot_seconds = wav_figures("shot")
        note("sox: peak %.1f dBFS, RMS %s; the sound lasts %.3f s (shot.wav: peak %.1f dBFS, "
             "%.3f s)" % (peak_db, stat["RMS     amplitude"], heard, shot_db, shot_seconds))
        if abs(peak_db - shot_db) > 2:
            fail("the shot peaks at %.1f dBFS, not about %.1f" % (peak_db, shot_db))
        if abs(heard - shot_seconds) > 0.03:
            fail("the sound lasts %.3f s, not the shot's %.3f s" % (heard, shot_seconds))
        game.quit()
        if game.errors().strip():
            fail("standard error with sound: %r" % game.errors())
        wait_for("the stream to close", lambda: not ours(sink), 10)
    finally:
        game.close()
    note("with sound: the shot is heard within %.0f ms of the click" % (1000 * LATE))


# Replayed at its own pace: the stream is ready long before the Start, 3 s in. A hit on the first
# duck, a run of 23 misses 60 ms apart, each shot over the last ones, the last shot (the 25th),
# then eight clicks 60 ms apart with none left, each ending the game again.
OVERLAPS = "\n".join(
    ["seed 1", "advance 3000", "key F1", "advance 1000", "click ImgDuck1", "advance 1000"] +
    ["click imgField", "advance 60"] * 23 + ["advance 1000", "click imgField", "advance 1000"] +
    ["click imgField", "advance 60"] * 8 + ["advance 1500", ""])


def overlaps(binary, sink):
    work = tempfile.mkdtemp(prefix="fenwing-overlaps-", dir=sink.dir)
    script, trace = os.path.join(work, "overlaps.sim"), os.path.join(work, "trace")
    with open(script, "w") as f:
        f.write(OVERLAPS)
    env = dict(sink.env(), FENWING_TRACE=trace)
    rec = sink.record()
    game = Game(binary, env, "--replay", script, title=r"Fenwing \(replay\)")
    try:
        if game.proc.wait(60):
            fail("the replay ended with status %d: %s" % (game.proc.returncode, game.errors()))
    except subprocess.TimeoutExpired:
        fail("the replay did not end within 60 s")
    finally:
        game.close()
    rec.stop()
    _, cues, _, _ = read_trace(trace)
    if len(cues.get("cue:out_of_ammo", [])) != 9 or "cue:hit" not in cues:
        fail("the replay's cues: %s" % {k: len(v) for k, v in cues.items()})
    if not [o for o in rec.onsets() if -SLACK <= o - cues["cue:start"][0] < LATE]:
        fail("the Start was not heard: the stream was not ready in time")
    hit, last = cues["cue:hit"][0], cues["cue:out_of_ammo"][0]
    parts = [("the hit", hit, hit + 0.5),
             ("the misses", hit + 0.9, last - 0.5),
             ("the last shot", last, last + 0.9),
             ("the clicks after it", last + 0.9, cues["cue:out_of_ammo"][-1] + 0.6)]
    for what, t0, t1 in parts:
        lo, hi = rec.index_at(t0 - SLACK), rec.index_at(t1)
        part = rec.samples[lo:hi]
        count = sum(1 for v in part if abs(v) >= FULL_SCALE)
        peak = max((abs(v) for v in part), default=0)
        note("%s: peak %.1f dBFS, %d clipped sample(s) of %d"
             % (what, 20 * math.log10(max(peak, 1) / 32768), count, len(part)))
        if peak <= SILENT:
            fail("%s: nothing was heard" % what)
    clipped = sum(1 for v in rec.samples if abs(v) >= FULL_SCALE)
    if clipped:
        fail("%d clipped sample(s) in the recording" % clipped)
    note("overlapping sounds: no clipped sample")


def muted(binary, sink):
    game = Game(binary, sink.env(), "--mute")
    try:
        time.sleep(2)  # as long as the player would take to appear
        if ours(sink):
            fail("--mute: the game opened a stream")
        rec = sink.record()
        game.click()
        time.sleep(1.0)
        rec.stop()
        if rec.peak(rec.start, rec.time_of(len(rec.samples))) > SILENT:
            fail("--mute: sound was heard")
        game.quit()
    finally:
        game.close()
    note("--mute: no stream, and silence after the click")


def no_server(binary, sink):
    env = sink.env()
    env["PULSE_SERVER"] = "unix:" + os.path.join(sink.dir, "nobody-here")
    game = Game(binary, env)
    try:
        game.click()
        game.key("F1")
        time.sleep(1.5)
        game.quit()
        lines = [l for l in game.errors().splitlines() if l.strip()]
        if len(lines) > 1:
            fail("without a server: standard error %r" % game.errors())
    finally:
        game.close()
    note("without a server: it played and quit with status 0, %d line(s) on standard error"
         % len(lines))


def main():
    setup("real sound", timeout=20)
    binary = os.path.abspath(sys.argv[1])
    sink = NullSink()
    try:
        with_sound(binary, sink)
        overlaps(binary, sink)
        muted(binary, sink)
        no_server(binary, sink)
    finally:
        sink.close()
    note("PASS")


if __name__ == "__main__":
    main()
