#!/usr/bin/env python3
"""The board under load: fenwing-board on 127.0.0.1 and CLIENTS clients (50 unless given) for
SECONDS (60 unless given), each on a connection of its own posting real recordings (the
committed ones in tests/board/recordings, each with a comment of its own, so that every post is
replayed) and reading the board, as JSON and as the page, in turn. It stops by itself.

    board_bench.py FENWING_BOARD [--postgres] [--clients N] [--seconds S] [--runs N]

Each run starts a board afresh. Prints one table of the runs' medians, lowest and highest: games verified per second and per CPU second of the board (its user and
system time, all threads, from /proc), board reads per second, the median and 99th percentile
latency of each kind of request (measured in the clients, from sending to the whole answer),
and the board's peak resident memory (VmHWM). With --postgres the board keeps its games in a
throwaway PostgreSQL cluster (see tests/board/harness.py), whose own CPU is shown apart.
"""

import argparse
import http.client
import os
import shutil
import statistics
import sys
import tempfile
import threading
import time
import urllib.parse

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "board"))
import harness  # noqa: E402


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def peak_memory_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def cluster_cpu_seconds(pg):
    """The CPU time of a PostgreSQL cluster's processes: the server and its children."""
    with open(os.path.join(pg.data, "postmaster.pid")) as f:
        server = int(f.readline())
    total = 0.0
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(pid) == server or int(fields[1]) == server:
            total += (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    return total


def percentile(values, p):
    if not values:
        return float("nan")
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(p / 100 * len(ordered)))]


def run_once(args, texts):
    """One run: the board started afresh, the clients for args.seconds; its figures."""
    scratch = tempfile.mkdtemp(prefix="fenwing-board-bench-")
    log = open(os.path.join(scratch, "board.log"), "w")
    pg = harness.Postgres().create() if args.postgres else None
    store = ["--postgres", pg.connection] if pg else ["--data", os.path.join(scratch, "data")]
    board = None
    lock = threading.Lock()
    latency = {"post": [], "read json": [], "read page": []}
    statuses = {}
    games = [0]
    errors = []

    def client(n, port, stop_at):
        c = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
        i = 0
        last = time.monotonic()  # the end of the last answer on this connection
        while time.monotonic() < stop_at:
            kind = ("post", "read json", "read page")[i % 3]
            if kind == "post":
                body = f"# load {n} {i}\n{texts[(n + i) % len(texts)]}".encode()
                path = "/api/recordings?name=" + urllib.parse.quote(f"Client {n}")
                method, headers = "POST", {"Content-Type": "text/plain; charset=utf-8"}
            else:
                body, method, headers = None, "GET", {}
                page = 1 + i % 5
                path = (f"/api/games?order=best&page={page}" if kind == "read json"
                        else f"/board?order=newest&page={page}")
            t0 = time.monotonic()
            try:
                c.request(method, path, body=body, headers=headers)
                r = c.getresponse()
                answer = r.read()
                status = r.status
            except (OSError, http.client.HTTPException) as e:
                c.close()
                c = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
                status, answer = "error", b""
                with lock:
                    errors.append(f"{kind} {type(e).__name__}: {e}, "
                                  f"{t0 - last:.2f} s after the last answer on its connection")
            last = time.monotonic()
            spent = last - t0
            with lock:
                latency[kind].append(spent)
                statuses[(kind, status)] = statuses.get((kind, status), 0) + 1
                if kind == "post" and status == 201:
                    games[0] += answer.count(b'"line":')
            i += 1
        c.close()

    try:
        board = harness.Board(os.path.abspath(args.board),
                              [*store, "--posts-per-minute", "1000000000", "--threads", "128"],
                              log).start()
        load = os.getloadavg()[0]
        cpu0, t0 = cpu_seconds(board.process.pid), time.monotonic()
        server0 = cluster_cpu_seconds(pg) if pg else 0
        stop_at = t0 + args.seconds
        threads = [threading.Thread(target=client, args=(n, board.port, stop_at))
                   for n in range(args.clients)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(args.seconds + 120)
        wall = time.monotonic() - t0
        cpu = cpu_seconds(board.process.pid) - cpu0
        server = cluster_cpu_seconds(pg) - server0 if pg else None
        peak = peak_memory_mib(board.process.pid)
        load = (load + os.getloadavg()[0]) / 2
    finally:
        if board:
            board.stop()
        if pg:
            pg.destroy()
        log.close()
        shutil.rmtree(scratch, ignore_errors=True)

    reads = len(latency["read json"]) + len(latency["read page"])
    figures = {
        "Games verified (replayed, checked and kept) per second": games[0] / wall,
        "Games verified per CPU second of the board (per core)": games[0] / cpu,
        "The board's CPU (% of one core)": 100 * cpu / wall,
    }
    if server is not None:
        figures["The PostgreSQL server's CPU (% of one core)"] = 100 * server / wall
    figures["Board reads per second (JSON and page)"] = reads / wall
    for kind, values in latency.items():
        figures[f"Latency of a {kind}, p50 (ms)"] = 1000 * percentile(values, 50)
        figures[f"Latency of a {kind}, p99 (ms)"] = 1000 * percentile(values, 99)
    figures["Peak resident memory of the board (MiB)"] = peak
    print(f"run: {args.clients} clients for {wall:.1f} s, load average {load:.1f}; answers: "
          + ", ".join(f"{k} {s}: {n}" for (k, s), n in sorted(statuses.items(), key=str)),
          flush=True)
    for error in errors[:5]:
        print(f"  {error}")
    return figures, load


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("board")
    ap.add_argument("--postgres", action="store_true")
    ap.add_argument("--clients", type=int, default=50)
    ap.add_argument("--seconds", type=float, default=60)
    ap.add_argument("--runs", type=int, default=1)
    args = ap.parse_args()

    folder = os.path.join(HERE, "..", "tests", "board", "recordings")
    texts = [open(os.path.join(folder, f), encoding="utf-8").read()
             for f in sorted(os.listdir(folder)) if f.endswith(".sim")]
    runs = [run_once(args, texts) for _ in range(args.runs)]
    loads = [load for _, load in runs]
    print()
    print(f"fenwing-board under load, {'PostgreSQL' if args.postgres else 'SQLite'}: "
          f"{args.clients} clients, {args.seconds:g} s a run, {len(runs)} run(s), {os.cpu_count()} cores, "
          f"load average {min(loads):.1f} to {max(loads):.1f}")
    print()
    print("| Figure | Median | Lowest | Highest |")
    print("|---|---:|---:|---:|")
    for name in runs[0][0]:
        values = [figures[name] for figures, _ in runs]
        print(f"| {name} | {statistics.median(values):.1f} | {min(values):.1f} | {max(values):.1f} |")
    return 0 if all(figures[next(iter(figures))] > 0 for figures, _ in runs) else 1


if __name__ == "__main__":
    sys.exit(main())
