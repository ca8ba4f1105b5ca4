#!/usr/bin/env python3
"""Benchmarks the real window against a bare Qt window, and the headless driver.

Run by tools/bench.sh inside xvfb-run:  bench.py BUILD_DIR [RUNS] [--startup]

Each window run: start with FENWING_TRACE set, wait for the window, 10 s idle, F1, 10 s of
play, then on to the end of the 60-second game, close its box, Del. Wake-ups are the
voluntary context switches of the main thread (and of all the threads), from /proc. The game runs twice a round,
silent without any sound server and with sound on a private PulseAudio server's null sink; the
bare window once. They take turns, RUNS rounds, so that all see the same machine; every figure is
the median of the runs. Then the silent game and the bare window once more each, made as big as
the screen (1920 x 1080, as maximised): F1 and 10 s of play.
With sound, the sink's monitor is recorded around the Start, the time-up and five shots after
the game, and each sound's start is timed from its cue. Prints one table,
with PASS or MISS against each target.

With --startup only the start-up is measured, RUNS times each (41 unless given), a second a
run: exec to the end of the first paint, the two windows taking turns; it prints the medians,
the quartiles and the ratio, and where the time went: the phases between the trace's marks, in
wall time and in the main thread's CPU time.
"""

import os
import statistics
import subprocess
import sys
import tempfile
import time

tests = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests")
sys.path[:0] = [os.path.join(tests, "sound"), os.path.join(tests, "e2e")]
sys.dont_write_bytecode = True
from null_sink import NullSink  # noqa: E402
from xwin import (click, find_window, geometry, press, read_trace, run, running,  # noqa: E402
                  setup, wait_for)

IDLE_S = 10
PLAY_S = 10
SETTLE_S = 2
QUIET = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wait_window(title, seconds):
    return wait_for("a window titled %r" % title, lambda: find_window(title), seconds)


def cpu_seconds(pid):
    """CPU time of every thread of the process, from the scheduler's nanosecond counters."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
        except OSError:
            pass  # a thread that has just ended
    return total / 1e9


def wake_ups(pid):
    """How many times the process's main thread, and all its threads, have gone to sleep and so
    been woken again: their voluntary context switches."""
    main, total = 0, 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, task)) as f:
                n = next(int(line.split()[1]) for line in f
                         if line.startswith("voluntary_ctxt_switches"))
        except (OSError, StopIteration):
            continue  # a thread that has just ended
        total += n
        if task == str(pid):
            main = n
    return main, total


def cue_delays(recordings, every):
    """For each cue marked while a recording ran, the milliseconds to the first sound after it
    (None when none came within half a second)."""
    delays = []
    for rec in recordings:
        onsets = rec.onsets()
        end = rec.time_of(len(rec.samples))
        for name, times in every.items():
            for t in times:
                if name.startswith("cue:") and rec.start < t < end - 0.5:
                    after = [o - t for o in onsets if -0.01 < o - t < 0.5]
                    delays.append(1000 * after[0] if after else None)
    return delays


def tick_figures(ticks, start, end):
    """Ticks per second and the largest gap between deliveries (ms) within [start, end]. Ticks
    delivered together in one wake (less than a millisecond apart: a late wake's few, or the
    many a still game leaves for one wake) are one delivery, when the last of them was due: the
    rate counts the ticks after the first delivery over the time from it to the last."""
    inside = [t for t in ticks if start <= t <= end]
    if len(inside) < 2:
        return float("nan"), float("nan")
    deliveries, first = [], 0  # the time of each delivery, the ticks in the first
    for i, t in enumerate(inside):
        if deliveries and t - deliveries[-1] < 0.001:
            deliveries[-1] = t
        else:
            deliveries.append(t)
        if len(deliveries) == 1:
            first = i + 1
    if len(deliveries) < 2:
        return float("nan"), float("nan")
    rate = (len(inside) - first) / (deliveries[-1] - deliveries[0])
    gap = max(b - a for a, b in zip(deliveries, deliveries[1:]))
    return rate, gap * 1000


def measure_window(binary, title, has_box, sink=None):
    """One run; `sink`: a NullSink to play to, else the program finds no sound server."""
    trace = tempfile.NamedTemporaryFile(prefix="fenwing-trace-", delete=False).name
    env = dict(sink.env() if sink else os.environ, FENWING_TRACE=trace)
    if not sink:
        env["PULSE_SERVER"] = "unix:/nonexistent"
    recordings = []

    def record():
        if sink:
            recordings.append(sink.record())

    def stop_recording():
        if sink:
            recordings[-1].stop()

    exec_at = time.monotonic()
    with running([binary], env=env, **QUIET) as proc:
        try:
            wid = wait_window(title, 30)
            run("xdotool", "windowfocus", "--sync", wid, check=False)
            time.sleep(max(0, exec_at + SETTLE_S - time.monotonic()))

            idle0, cpu0, woke0 = time.monotonic(), cpu_seconds(proc.pid), wake_ups(proc.pid)
            time.sleep(IDLE_S)
            idle1, cpu1, woke1 = time.monotonic(), cpu_seconds(proc.pid), wake_ups(proc.pid)

            record()
            press(wid, "F1", check=False)
            started = time.monotonic()
            time.sleep(1)
            stop_recording()
            play0, cpu2, woke2 = time.monotonic(), cpu_seconds(proc.pid), wake_ups(proc.pid)
            time.sleep(PLAY_S)
            play1, cpu3, woke3 = time.monotonic(), cpu_seconds(proc.pid), wake_ups(proc.pid)

            # On to the end of the game: the game shows its box, the bare window only marks it.
            if has_box:
                time.sleep(max(0, started + 58 - time.monotonic()))
                record()
                box = wait_window("Fail", started + 90 - time.monotonic())
                time.sleep(1)
                stop_recording()
                press(box, "Return", check=False)
            else:
                time.sleep(max(0, started + 61.5 - time.monotonic()))
            if sink:  # five shots after the game, each a sound of its own
                record()
                for _ in range(5):
                    time.sleep(0.3)
                    click(wid, 460, 400, check=False)
                time.sleep(0.7)
                stop_recording()
            press(wid, "Delete", check=False)
            usage = None
            deadline = time.monotonic() + 10
            while usage is None and time.monotonic() < deadline:
                pid, status, rusage = os.wait4(proc.pid, os.WNOHANG)
                if pid:
                    proc.returncode = os.waitstatus_to_exitcode(status)
                    usage = rusage
                time.sleep(0.02)
            if usage is None:
                raise RuntimeError("%s did not end within 10 s of Del" % binary)
        finally:
            for rec in recordings:
                if rec.proc.poll() is None:
                    rec.stop()

    marks, every, ticks, _ = read_trace(trace)
    os.unlink(trace)
    idle_rate, idle_gap = tick_figures(ticks, idle0, idle1)
    play_rate, play_gap = tick_figures(ticks, play0, play1)
    return {
        "idle_rate": idle_rate,
        "play_rate": play_rate,
        "idle_gap": idle_gap,
        "play_gap": play_gap,
        "game_s": marks["box:Fail"] - marks["start"],
        "idle_cpu": 100 * (cpu1 - cpu0) / (idle1 - idle0),
        "play_cpu": 100 * (cpu3 - cpu2) / (play1 - play0),
        "idle_wakes": (woke1[0] - woke0[0]) / (idle1 - idle0),
        "idle_wakes_all": (woke1[1] - woke0[1]) / (idle1 - idle0),
        "play_wakes": (woke3[0] - woke2[0]) / (play1 - play0),
        "rss_mib": usage.ru_maxrss / 1024,
        "startup_ms": 1000 * (marks["paint"] - exec_at),
        "cue_ms": cue_delays(recordings, every),
    }


STARTUP_MARKS = ("host", "built", "paint")


def measure_startup(binary, title):
    """Exec to the end of the first paint, and the CPU time used until then by the process and
    by its main thread (ms); and the wall and main-thread CPU times from exec to each of
    STARTUP_MARKS. Nothing else runs while the window starts: it is looked for only once it
    has had time to appear, then closed with Del."""
    trace = tempfile.NamedTemporaryFile(prefix="fenwing-trace-", delete=False).name
    env = dict(os.environ, FENWING_TRACE=trace)
    exec_at = time.monotonic()
    with running([binary], env=env, **QUIET) as proc:
        time.sleep(0.6)
        wid = wait_window(title, 30)
        press(wid, "Delete", check=False)
        proc.wait(timeout=10)
    cpu = {}
    marks, _, _, _ = read_trace(trace, cpu)
    os.unlink(trace)
    phases = {m: (1000 * (marks[m] - exec_at), 1000 * cpu[m][1]) for m in STARTUP_MARKS}
    return (1000 * (marks["paint"] - exec_at), 1000 * cpu["paint"][0], 1000 * cpu["paint"][1],
            phases)


def startup_only(game_bin, bare_bin, runs):
    game, bare = [], []
    for i in range(runs):
        game.append(measure_startup(game_bin, "Fenwing"))
        bare.append(measure_startup(bare_bin, "Bare"))
        print("bench: start-up %d of %d: game %.1f ms (CPU %.1f, main thread %.1f), "
              "bare %.1f ms (CPU %.1f, main thread %.1f)" % (i + 1, runs, *game[-1][:3],
                                                             *bare[-1][:3]),
              file=sys.stderr, flush=True)

    def quartiles(runs, which):
        values = [r[which] for r in runs]
        q = statistics.quantiles(values, n=4)
        return "%.1f / **%.1f** / %.1f" % (q[0], statistics.median(values), q[2])

    print("Start-up, %d runs each, taking turns; Xvfb; %d cores. Quartiles and median, ms."
          % (runs, os.cpu_count()))
    print()
    print("| Window | Exec to first frame | CPU time until then | of it, the main thread's |")
    print("|---|---|---|---|")
    for name, runs_ in (("Game", game), ("Bare", bare)):
        print("| %s | %s |" % (name, " | ".join(quartiles(runs_, i) for i in range(3))))
    print()
    ratios = [statistics.median(r[i] for r in game) / statistics.median(r[i] for r in bare)
              for i in range(3)]
    print("Game / bare, medians: %.2f exec to first frame (target ≤ 1.3: %s); CPU time %.2f, "
          "the main thread's %.2f" % (ratios[0], "PASS" if ratios[0] <= 1.3 else "MISS",
                                      ratios[1], ratios[2]))
    print()
    print("Where the time goes, medians (ms): wall time / the main thread's CPU time.")
    print()
    print("| Phase | Game | Bare |")
    print("|---|---:|---:|")
    names = {"host": "exec to the application ready (loading, QApplication)",
             "built": "building the window",
             "paint": "showing it, to the end of the first paint"}
    for i, mark in enumerate(STARTUP_MARKS):
        before = STARTUP_MARKS[i - 1] if i else None

        def phase(runs_, k):
            return statistics.median(r[3][mark][k] - (r[3][before][k] if before else 0)
                                     for r in runs_)
        print("| %s | %.1f / %.1f | %.1f / %.1f |" % (names[mark], phase(game, 0), phase(game, 1),
                                                     phase(bare, 0), phase(bare, 1)))


def run_child(args, stdin_text):
    """Runs a program to its end; returns (wall seconds, CPU seconds, peak RSS MiB)."""
    start = time.monotonic()
    proc = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
    proc.stdin.write(stdin_text.encode())
    proc.stdin.close()
    _, status, usage = os.wait4(proc.pid, 0)
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        raise RuntimeError("%s exited with %d" % (args[0], proc.returncode))
    return time.monotonic() - start, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024


def measure_headless(sim):
    games = 600  # ten hours of play: each game runs out its 60 s, then F1 starts the next
    script = "key F1\n" + "advance 60000\nkey F1\n" * games
    _, cpu, rss = run_child([sim], script)
    first_wall, _, _ = run_child([sim], "get Shots\n")
    return {
        "hours_per_cpu_s": games / 60 / cpu,
        "game_s": cpu / games,
        "rss_mib": rss,
        "startup_ms": 1000 * first_wall,
    }


def measure_filled(binary, title):
    """CPU in play with the window as big as the screen, and how much of it each tick repaints
    (device pixels painted per tick of the fastest timer, as a share of the window)."""
    trace = tempfile.NamedTemporaryFile(prefix="fenwing-trace-", delete=False).name
    env = dict(os.environ, FENWING_TRACE=trace)
    with running([binary], env=env, **QUIET) as proc:
        wid = wait_window(title, 30)
        run("xdotool", "windowmove", "--sync", wid, "0", "0", check=False)
        run("xdotool", "windowsize", "--sync", wid, "100%", "100%", check=False)
        time.sleep(SETTLE_S)
        _, _, width, height = geometry(wid)
        press(wid, "F1", check=False)
        time.sleep(1)
        play0, cpu0 = time.monotonic(), cpu_seconds(proc.pid)
        time.sleep(PLAY_S)
        play1, cpu1 = time.monotonic(), cpu_seconds(proc.pid)
        press(wid, "Delete", check=False)
        proc.wait(timeout=10)
    _, _, ticks, paints = read_trace(trace)
    os.unlink(trace)
    tick_count = sum(1 for t in ticks if play0 <= t <= play1)
    painted = sum(pixels for t, pixels in paints if play0 <= t <= play1)
    return {
        "full_size": "%dx%d" % (width, height),
        "full_cpu": 100 * (cpu1 - cpu0) / (play1 - play0),
        "full_repaint": 100 * painted / max(1, tick_count) / (width * height),
    }


def median(runs, key):
    values = [r[key] for r in runs]
    return values[0] if isinstance(values[0], str) else statistics.median(values)


def main():
    setup("bench", timeout=20)
    # The games played here keep their recordings and best games in a folder of their own.
    data = tempfile.TemporaryDirectory(prefix="fenwing-bench-data-")
    os.environ["XDG_DATA_HOME"] = data.name
    args = [a for a in sys.argv[1:] if a != "--startup"]
    startup = len(args) < len(sys.argv) - 1
    build = args[0] if args else "build"
    runs = int(args[1]) if len(args) > 1 else (41 if startup else 5)
    game_bin = os.path.join(build, "fenwing")
    bare_bin = os.path.join(build, "bench", "fenwing_bare_window")
    sim_bin = os.path.join(build, "fenwing-sim")
    if startup:
        startup_only(game_bin, bare_bin, runs)
        return

    sink = NullSink()
    game, sound, bare, headless = [], [], [], []
    try:
        for i in range(runs):
            print("bench: run %d of %d: game window, silent" % (i + 1, runs), file=sys.stderr,
                  flush=True)
            game.append({**measure_window(game_bin, "Fenwing", True),
                         **measure_filled(game_bin, "Fenwing")})
            print("bench: run %d of %d: game window, sound" % (i + 1, runs), file=sys.stderr,
                  flush=True)
            sound.append(measure_window(game_bin, "Fenwing", True, sink))
            print("bench: run %d of %d: bare window" % (i + 1, runs), file=sys.stderr,
                  flush=True)
            bare.append({**measure_window(bare_bin, "Bare", False),
                         **measure_filled(bare_bin, "Bare")})
            headless.append(measure_headless(sim_bin))
    finally:
        sink.close()

    figures = [k for k in game[0] if k != "cue_ms"]
    g = {k: median(game, k) for k in figures}
    s = {k: median(sound, k) for k in figures if k in sound[0]}
    b = {k: median(bare, k) for k in figures}
    h = {k: median(headless, k) for k in headless[0]}
    delays = [d for run in sound for d in run["cue_ms"]]
    heard = [d for d in delays if d is not None]

    def verdict(ok):  # the silent game, and the game with sound where it was measured
        try:
            sound_ok = ok(s)
        except KeyError:
            sound_ok = True
        return "PASS" if ok(g) and sound_ok else "MISS"

    rows = [
        ("1 ms timer ticks per second, idle", "%.2f", "idle_rate", "64.00 (virtual)",
         "64 ± 0.5", verdict(lambda x: abs(x["idle_rate"] - 64) <= 0.5)),
        ("1 ms timer ticks per second, in play", "%.2f", "play_rate", "64.00 (virtual)",
         "64 ± 0.5", verdict(lambda x: abs(x["play_rate"] - 64) <= 0.5)),
        ("Largest gap between deliveries of ticks, idle (ms)", "%.1f", "idle_gap",
         "15.6 (virtual)", "", ""),
        ("Largest gap between deliveries of ticks, in play (ms)", "%.1f", "play_gap",
         "15.6 (virtual)", "≤ 40", verdict(lambda x: x["play_gap"] <= 40)),
        ("Wake-ups a second of the main thread, idle", "%.1f", "idle_wakes", "", "≤ 2",
         verdict(lambda x: x["idle_wakes"] <= 2)),
        ("Wake-ups a second of all the threads, idle", "%.1f", "idle_wakes_all", "", "", ""),
        ("Wake-ups a second of the main thread, in play", "%.1f", "play_wakes", "", "", ""),
        ("Wall-clock length of a 60-second game (s)", "%.3f", "game_s",
         "%.4f (CPU)" % h["game_s"], "60 ± 0.1", verdict(lambda x: abs(x["game_s"] - 60) <= 0.1)),
        ("CPU per wall second, idle (% of a core)", "%.2f", "idle_cpu", "",
         "< 1", verdict(lambda x: x["idle_cpu"] < 1)),
        ("CPU per wall second, in play (% of a core)", "%.2f", "play_cpu", "",
         "≤ 1.5 × bare", verdict(lambda x: x["play_cpu"] <= 1.5 * b["play_cpu"])),
        ("CPU per wall second, in play, as big as the screen (% of a core)", "%.2f",
         "full_cpu", "", "≤ 1.5 × bare", verdict(lambda x: x["full_cpu"] <= 1.5 * b["full_cpu"])),
        ("Share of the window repainted a tick, in play, as big as the screen (%)", "%.2f",
         "full_repaint", "", "", ""),
        ("Peak resident memory (MiB)", "%.1f", "rss_mib", "%.1f" % h["rss_mib"],
         "≤ bare + 10", verdict(lambda x: x["rss_mib"] <= b["rss_mib"] + 10)),
        ("Exec to first frame (ms)", "%.0f", "startup_ms",
         "%.0f (to exit)" % h["startup_ms"], "≤ 1.3 × bare",
         verdict(lambda x: x["startup_ms"] <= 1.3 * b["startup_ms"])),
    ]
    print("Medians of %d runs each; Xvfb; %d cores. Silent: no sound server; sound: a "
          "PulseAudio null sink; as big as the screen: game %s, bare %s."
          % (runs, os.cpu_count(), g["full_size"], b["full_size"]))
    print()
    print("| Figure | Game, silent | Game, sound | Bare window | Game / bare | Headless | Target "
          "| |")
    print("|---|---:|---:|---:|---:|---:|---|---|")
    for name, fmt, key, head, target, result in rows:
        with_sound = fmt % s[key] if key in s else ""
        ratio = ("%.2f / %.2f" % (g[key] / b[key], s[key] / b[key]) if key in s
                 else "%.2f" % (g[key] / b[key])) if b[key] else ""
        print("| %s | %s | %s | %s | %s | %s | %s | %s |"
              % (name, fmt % g[key], with_sound, fmt % b[key], ratio, head, target, result))
    if heard:
        print("| Cue to sound, median and largest of %d (ms) | | %.1f, %.1f | | | | ≤ 15.6 | %s |"
              % (len(delays), statistics.median(heard), max(heard),
                 "PASS" if len(heard) == len(delays) and max(heard) <= 15.625 else "MISS"))
    else:
        print("| Cue to sound (ms) | | no sound heard | | | | ≤ 15.6 | MISS |")
    hours = h["hours_per_cpu_s"]
    print("| Simulated game-hours per CPU second | | | | | %.1f | ≥ 10 | %s |"
          % (hours, "PASS" if hours >= 10 else "MISS"))


if __name__ == "__main__":
    main()
