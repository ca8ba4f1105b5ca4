#!/usr/bin/env python3
"""fenwing-board as a service, the real program on 127.0.0.1, with one store a run:

    board_test.py sqlite|postgres FENWING_BOARD FENWING_SIM [BOARD_UNIT_TESTS]

What it takes, refuses and stores, over HTTP and from the command line; then the faults: a
SIGKILL amid posts loses no answered game. With PostgreSQL (a throwaway cluster of its own): the
store's unit tests against it, 503 while the server is stopped and recovery after, and two boards
on one database that agree. Exits 77 (skipped) when PostgreSQL's programs are missing.
"""

import concurrent.futures
import json
import os
import random
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import recordings  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
T = harness.Failures()


def fixtures():
    folder = os.path.join(HERE, "recordings")
    return [open(os.path.join(folder, f), encoding="utf-8").read()
            for f in sorted(os.listdir(folder)) if f.endswith(".sim")]


def distinct(text, tag):
    """The same game with a comment of its own: another recording to the board."""
    return f"# {tag}\n{text}"


def lines_of(answer):
    return [g["line"] for g in answer["games"]]


def stored_games(board, order="newest", per=100):
    """Every game on the board, newest first unless asked otherwise, `per` a page."""
    out, page = [], 1
    while True:
        status, answer = board.json(f"/api/games?order={order}&per={per}&page={page}")
        if status != 200:
            raise RuntimeError(f"the board answered {status}: {answer}")
        out += answer["games"]
        if not answer["more"]:
            return out
        page += 1


def posting(board, sim, texts):
    """Real recordings: each kept, its games fenwing-sim's, its text kept as posted; the same
    text again kept once."""
    differ, ids = [], []
    for i, text in enumerate(texts):
        status, headers, body = board.post(text, f"Player {i}")
        answer = json.loads(body)
        want = recordings.games(sim, text)
        if status != 201 or lines_of(answer) != want or answer["already"]:
            differ.append(f"recording {i}: {status} {lines_of(answer) if status == 201 else body!r}, "
                          f"fenwing-sim: {want}")
            continue
        ids.append(answer["recording"])
        if headers.get("Location") != f"/api/recordings/{answer['recording']}":
            differ.append(f"recording {i}: Location {headers.get('Location')}")
        status, headers, kept = board.request("GET", f"/api/recordings/{answer['recording']}")
        if status != 200 or kept.decode() != text or not headers["Content-Type"].startswith("text/plain"):
            differ.append(f"recording {i}: kept as {status} {headers.get('Content-Type')}")
    T.check(not differ and sum(len(recordings.games(sim, t)) for t in texts) > 0,
            f"{len(texts)} recordings posted: the games of each are fenwing-sim --games's", "\n  ".join(differ))
    after = stored_games(board)
    again = [board.post(texts[0], "Someone else"), board.post(texts[0], "Player 0")]
    answers = [json.loads(body) for _, _, body in again]
    first = [g["player"] for g in after if g["recording"] == ids[0]]
    T.check(all(s == 200 for s, _, _ in again) and all(a["already"] and a["recording"] == ids[0] for a in answers)
            and stored_games(board) == after and first == ["Player 0"],
            "the same recording posted again is kept once, with its first poster's name",
            f"{[(s, b[:200]) for s, _, b in again]}")
    return ids


def forms(board, text):
    """A browser's forms post too: the name and the recording as urlencoded or multipart fields."""
    boundary = "fenwingboundary7"
    parts = [("name", "Form Bo 🦆", None), ("recording", distinct(text, "multipart"), "game.sim")]
    multipart = "".join(f"--{boundary}\r\nContent-Disposition: form-data; name=\"{n}\""
                        + (f"; filename=\"{f}\"\r\nContent-Type: text/plain" if f else "")
                        + f"\r\n\r\n{v}\r\n" for n, v, f in parts) + f"--{boundary}--\r\n"
    for what, player, kind, body in [
            ("a urlencoded form with fields name and recording", "Form Ann",
             "application/x-www-form-urlencoded",
             urllib.parse.urlencode({"name": "Form Ann", "recording": distinct(text, "urlencoded")})),
            ("a multipart form with a name and a recording file", "Form Bo 🦆",
             f"multipart/form-data; boundary={boundary}", multipart)]:
        status, _, answer = board.request("POST", "/api/recordings", body.encode(), {"Content-Type": kind})
        T.check(status == 201 and json.loads(answer)["games"][0]["player"] == player,
                f"{what} is a post", f"{status} {answer[:200]!r}")


def edits(text):
    """The recording edited as someone claiming more might edit it: (what, edited text)."""
    lines = text.splitlines(keepends=True)
    clicks = [i for i, l in enumerate(lines) if l.startswith("click_at")]
    moved = "".join(re.sub(r"^click_at (\d+) (\d+)", lambda m: f"click_at {int(m[1]) + 1000} {m[2]}", l)
                    for l in lines)
    reseeded = "".join("seed 42\n" if l.startswith("seed ") else l for l in lines)
    header = "# player: Somebody Else\n# started: 2001-01-01T00:00:00Z\n# hits: 99\n" + reseeded
    dropped = "".join(l for i, l in enumerate(lines) if i not in clicks[2:5])
    doubled = "".join(l + (l if i in clicks[:3] else "") for i, l in enumerate(lines))
    cut = "".join(lines[:clicks[-1] + 1]) + "advance 1000\nstate\n"
    return [("its clicks moved", moved), ("its header and seed changed", header),
            ("three clicks dropped", dropped), ("three clicks doubled", doubled),
            ("its game cut short", cut)]


def claims(board, sim, text):
    """Edited recordings are scored by what they do, or refused; none by what they claim."""
    before = len(stored_games(board))
    kept = 0
    for what, edited in edits(text):
        want = recordings.games(sim, edited)
        status, _, body = board.post(edited, "Editor")
        if want:
            answer = json.loads(body)
            kept += len(want)
            T.check(status == 201 and lines_of(answer) == want,
                    f"a recording with {what} is scored by what it does: {want}", f"{status} {body[:300]!r}")
        else:
            T.check(status == 422 and b"no finished game" in body,
                    f"a recording with {what} is refused: it holds no finished game", f"{status} {body[:300]!r}")
    # Lines that no host writes, each put before the recording's last line.
    head, last = text.rstrip("\n").rsplit("\n", 1)
    for line in ("set Shots 99", "set LblScore2.Caption 99", "fire TmrTime", "click ImgDuck1", "get Shots",
                 "seed 7", "version 1"):
        status, _, body = board.post(f"{head}\n{line}\n{last}\n", "Cheater")
        reason = json.loads(body).get("error", "") if body.startswith(b"{") else ""
        T.check(status == 422 and line in reason and "line " in reason,
                f"a recording with {line!r} is refused, the line named", f"{status} {body[:300]!r}")
    T.check(len(stored_games(board)) == before + kept, "the refused ones stored nothing")


def bad_bodies(board, sim, text, limits):
    """Every bad body and name gets a 4xx with a reason, and nothing is stored."""
    before = stored_games(board)
    big = limits["bytes"]
    over_lines = "version 1\n" + "# a comment\n" * limits["lines"] + text
    endless = text.replace("state\n", "advance 3600000\n" * (limits["minutes"] // 60 + 1) + "state\n")
    cases = [
        ("an empty body", b"", 422, "empty"),
        ("a body just over the size limit", ("# " + "x" * 98 + "\n") * (big // 100) + text, 422, "larger than"),
        ("a body far over it", b"x" * (3 * big + 70000), 413, "larger than"),
        ("more lines than the limit", over_lines, 422, "lines"),
        ("more game time than the limit", endless, 422, "minutes"),
        ("binary bytes", random.Random(1).randbytes(4000), 422, "not text"),
        ("a NUL byte", text.encode() + b"\0\n", 422, "not text"),
        ("text that is not a recording", "Hello, board!\nI scored 500.\n", 422, "does not replay"),
        ("a line that is not the language's", text.replace("key F1", "key F1 F1", 1), 422, "does not replay"),
        ("a line cut short", text.rstrip("\n"), 422, "cut short"),
        ("a recording from a newer game", text.replace("version 1", "version 2", 1), 422, "newer"),
    ]
    for what, body, status, reason in cases:
        got, _, answer = board.post(body, "Tester")
        T.check(got == status and reason.encode() in answer, f"{what}: {status} with its reason",
                f"{got} {answer[:300]!r}")
    names = [("no name", ""), ("an empty name", "?name="), ("a name of 41 characters", "?name=" + "n" * 41),
             ("a control character", "?name=tab%09here"), ("a line break", "?name=two%0Alines"),
             ("bytes that are not UTF-8", "?name=%FF%FE"), ("a space at its end", "?name=space%20")]
    for what, query in names:
        got, _, answer = board.request("POST", "/api/recordings" + query, text.encode(),
                                       {"Content-Type": "text/plain; charset=utf-8"} if query else {})
        T.check(got == 400 and b"name" in answer, f"a post with {what} is refused (400)", f"{got} {answer[:200]!r}")
    for what, path in [("an unknown page", "/nowhere"), ("a recording that is not there", "/api/recordings/999999"),
                       ("a bad order", "/api/games?order=worst"), ("a bad page", "/api/games?page=0"),
                       ("a page that is not a number", "/api/games?page=x"),
                       ("too many a page", "/api/games?per=101")]:
        got, _, answer = board.request("GET", path)
        T.check(400 <= got < 500 and len(answer) > 10, f"{what}: {got} with a reason", f"{answer[:200]!r}")
    T.check(stored_games(board) == before, "none of them stored anything")


def sql_in_every_field(board, sim, text):
    """SQL's metacharacters in the name, the recording, the query and the address do nothing
    but what they say."""
    before = len(stored_games(board))
    name = "'); DROP TABLE games; --"
    sneaky = "# '; DELETE FROM recordings; SELECT '\\\" OR 1=1 --\n" + text
    status, _, body = board.post(sneaky, name)
    answer = json.loads(body)
    got = board.request("GET", f"/api/recordings/{answer.get('recording')}")[2].decode()
    T.check(status == 201 and answer["games"][0]["player"] == name and got == sneaky,
            "a name and a recording full of SQL are kept as they are", f"{status} {body[:200]!r}")
    for path in ["/api/games?order=best%27%20OR%20%271%27=%271", "/api/games?page=1%20OR%201%3D1",
                 "/api/games?per=1;DROP%20TABLE%20games", "/api/recordings/1%20OR%201=1",
                 "/api/recordings/1;DELETE%20FROM%20recordings", "/board?order=newest%27--"]:
        got, _, _ = board.request("GET", path)
        T.check(got in (400, 404), f"GET {path}: {got}")
    status, _, body = board.post(distinct(text, "quoted"), name, extra="&name=x%27%20OR%20%271")
    T.check(status == 201 and json.loads(body)["games"][0]["player"] == name, "a second name in the query is ignored")
    T.check(len(stored_games(board)) == before + 2 * len(answer["games"]), "the tables are whole: every game is still there")


def pages(board, text):
    """The board page shows a name with markup as text; the JSON API pages and orders."""
    name = '<img src=x onerror="f()"><b>Bold</b>&Co'
    posted, _, body = board.post(distinct(text, "markup"), name)
    status, headers, html = board.request("GET", "/board?order=newest")
    html = html.decode()
    T.check(posted == 201 and status == 200
            and "&lt;img src=x onerror=&quot;f()&quot;&gt;&lt;b&gt;Bold&lt;/b&gt;&amp;Co" in html
            and "<img" not in html and "<b>" not in html and "script-src" not in headers.get("Content-Security-Policy", "x")
            and "default-src 'none'" in headers.get("Content-Security-Policy", ""),
            "the board page escapes a name with markup, under a policy that runs no script")
    best = stored_games(board, "best", 3)
    ranks = [g["rank"] for g in best]
    keys = [(-g["hits"], g["shots"], g["posted"], g["recording"], g["game"]) for g in best]
    T.check(ranks == list(range(1, len(best) + 1)) and keys == sorted(keys) and len(best) == len(stored_games(board)),
            f"best first, 3 a page over {(len(best) + 2) // 3} pages: "
            "more hits, then fewer shots, then the earlier posted")
    newest = stored_games(board)
    T.check([(g["recording"], g["game"]) for g in newest] == sorted(((g["recording"], g["game"]) for g in newest), reverse=True),
            "newest first: the last recording posted first")


def command_line(board, program, sim, text):
    """fenwing-board post: the games the board found, or why it refused."""
    posted = "# player: Cli Player\n" + distinct(text, "from the command line")
    with tempfile.TemporaryDirectory(prefix="fenwing-board-cli-") as folder:
        path = os.path.join(folder, "game.sim")
        with open(path, "w", encoding="utf-8") as f:
            f.write(posted)

        def post(url, *args, timeout=120):
            r = subprocess.run([program, "post", url, path, *args], capture_output=True, text=True,
                               timeout=timeout)
            return r, f"{r.returncode} {r.stdout!r} {r.stderr!r}"
        r, said = post(board.url, "--name", "Cli Player")
        T.check(r.returncode == 0 and r.stdout.splitlines()[1:] == recordings.games(sim, posted)
                and "kept as recording" in r.stdout,
                "fenwing-board post prints the games the board kept", said)
        r, said = post(board.url + "/")
        T.check(r.returncode == 0 and "already on the board" in r.stdout,
                "posted again without --name, as the player the recording names: already on the board", said)
        with open(path, "a", encoding="utf-8") as f:
            f.write("set Shots 99\n")
        r, said = post(board.url, "--name", "Cli Player")
        T.check(r.returncode == 1 and "HTTP 422" in r.stderr and "set Shots 99" in r.stderr,
                "a refused recording: status 1 and the board's reason", said)
        r, said = post("ftp://127.0.0.1/", "--name", "x", timeout=60)
        T.check(r.returncode == 2 and "http://" in r.stderr,
                "an address that is not a board's: status 2", said)


def documented(program):
    """Every option of --help is in the manual page and in docs/board.md."""
    said = subprocess.run([program, "--help"], capture_output=True, text=True, timeout=30)
    options = sorted(set(re.findall(r"--[a-z][a-z-]+", said.stdout)) - {"--help", "--version"})
    root = os.path.join(HERE, "..", "..")
    manual = open(os.path.join(root, "docs", "fenwing-board.6"), encoding="utf-8").read().replace("\\-", "-")
    guide = open(os.path.join(root, "docs", "board.md"), encoding="utf-8").read()
    missing = [o for o in options if o not in manual or f"`{o}" not in guide]
    T.check(said.returncode == 0 and len(options) >= 12 and not missing,
            f"the manual page and docs/board.md name each of the {len(options)} options", f"missing: {missing}")


def rate_limit(program, store_args, text, log):
    with harness.Board(program, [*store_args, "--posts-per-minute", "3"], log) as board:
        harness.wait_for("a quiet second", lambda: time.time() % 60 < 45, 20)
        before = len(stored_games(board))
        answers = [board.post(distinct(text, f"rate {i}"), "Fast") for i in range(4)]
        statuses = [s for s, _, _ in answers]
        T.check(statuses[:3] == [201] * 3 and statuses[3] == 429 and "Retry-After" in answers[3][1]
                and b"at most 3 a minute" in answers[3][2],
                "the fourth post in a minute from one address is refused (429, Retry-After)", f"{statuses}")
        T.check(len(stored_games(board)) == before + 3 * len(json.loads(answers[0][2])["games"]), "and stores nothing")


def killed(program, store_args, sim, texts, log):
    """SIGKILL while posts run: every post answered with success survives, and the board starts
    again cleanly."""
    board = harness.Board(program, [*store_args, "--posts-per-minute", "0"], log).start()
    answered, errors, stop = {}, [], threading.Event()

    def poster(n):
        i = 0
        while not stop.is_set():
            text = distinct(texts[(n + i) % len(texts)], f"kill {n} {i}")
            i += 1
            try:
                status, _, body = board.post(text, f"Poster {n}", headers={"Connection": "close"})
            except OSError as e:
                errors.append(str(e))
                return
            if status == 201:
                answered[json.loads(body)["recording"]] = text

    threads = [threading.Thread(target=poster, args=(n,)) for n in range(6)]
    for t in threads:
        t.start()
    harness.wait_for("posts answered", lambda: len(answered) >= 12, 120)
    board.process.kill()  # SIGKILL
    board.process.wait()
    time.sleep(0.5)
    stop.set()
    for t in threads:
        t.join(180)
    with harness.Board(program, store_args, log) as board:
        lost = [i for i, text in answered.items()
                if board.request("GET", f"/api/recordings/{i}")[2].decode() != text
                or board.json(f"/api/recordings/{i}/games")[0] != 200]
        T.check(len(answered) >= 12 and not lost,
                f"killed with SIGKILL amid posts ({len(answered)} answered, {len(errors)} cut off): "
                "every game answered is kept", f"lost {lost}")
        status, _, body = board.post(distinct(texts[0], "after the kill"), "Survivor")
        T.check(status == 201 and board.json("/api/health")[0] == 200, "the board starts again and takes posts")


def postgres_faults(program, pg, sim, text, log):
    """While the server is stopped the board answers 503 and stores nothing; once it is back
    the board recovers by itself. Two boards on one database agree."""
    args = ["--postgres", pg.connection, "--posts-per-minute", "0"]
    with harness.Board(program, args, log) as a, harness.Board(program, args, log) as b:
        a.post(distinct(text, "before the stop"), "Early")
        pg.stop()
        answers = [a.request("GET", "/api/games"), a.post(distinct(text, "while stopped"), "Lost"),
                   a.request("GET", "/api/health"), a.request("GET", "/board"), b.request("GET", "/api/recordings/1")]
        statuses = [s for s, _, _ in answers]
        T.check(statuses == [503] * 5 and all("Retry-After" in h for _, h, _ in answers),
                "with PostgreSQL stopped every request gets 503 and Retry-After", f"{statuses}")
        pg.start()
        back = harness.wait_for("the board back", lambda: a.request("GET", "/api/health")[0] == 200, 60)
        status, _, body = a.post(distinct(text, "after the start"), "Late")
        T.check(back and status == 201 and not any(g["player"] == "Lost" for g in stored_games(a)),
                "once it is back the board answers again, and the post made meanwhile was not kept")

        # Two boards, one database: posts to either, the same recording to both at once.
        for i in range(4):
            (a if i % 2 else b).post(distinct(text, f"two boards {i}"), f"Two {i}")
        same = distinct(text, "to both at once")
        with concurrent.futures.ThreadPoolExecutor(2) as both:
            results = list(both.map(lambda board: board.post(same, "Both"), (a, b)))
        ids = {json.loads(r[2])["recording"] for r in results}
        pages = [board.request("GET", "/api/games?order=best&per=100")[2] for board in (a, b)]
        T.check(len(ids) == 1 and sorted(r[0] for r in results) == [200, 201] and pages[0] == pages[1],
                "two boards on one database agree: the same board from each, one recording posted to both kept once",
                f"{[r[0] for r in results]}, ids {ids}")


def refused_starts(program, store_args, set_version, log):
    """A board that cannot serve as asked says why and does not start."""
    set_version(99)
    status, said = harness.Board(program, store_args, log).start_failing()
    set_version(1)
    T.check(status == 1 and "newer" in said, "a store of a newer board's schema is refused at start", said)
    for what, args, status, said in [
            ("a page folder without the page", [*store_args, "--page", HERE], 1, "built folder"),
            ("a PostgreSQL server that is not there", ["--postgres", "host=/nonexistent-fenwing port=1"], 1,
             "cannot open the board's store"),
            ("a port out of range", [*store_args, "--port", "70000"], 2, "Usage")]:
        got, text = harness.Board(program, args, log).start_failing()
        T.check(got == status and said in text, f"{what}: status {status} and why", f"{got} {text!r}")


def main():
    store, program, sim = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    unit_tests = sys.argv[4] if len(sys.argv) > 4 else None
    texts = fixtures()
    scratch = tempfile.mkdtemp(prefix="fenwing-board-test-")
    log = open(os.path.join(scratch, "board.log"), "w")
    pg = None
    try:
        if store == "postgres":
            try:
                pg = harness.Postgres().create()
            except (LookupError, RuntimeError, OSError) as e:
                print(f"SKIPPED: no throwaway PostgreSQL cluster here: {e}")
                return harness.SKIP
            store_args = ["--postgres", pg.connection]
            if unit_tests:
                r = subprocess.run([unit_tests, "--gtest_filter=*Store*"], capture_output=True, text=True,
                                   env={**os.environ, "FENWING_BOARD_TEST_POSTGRES": pg.connection}, timeout=600)
                ran = re.search(r"\[  PASSED  \] (\d+) test", r.stdout)
                T.check(r.returncode == 0 and "SKIPPED" not in r.stdout and ran,
                        f"the store's unit tests pass against PostgreSQL ({ran[1] if ran else 0} tests)", r.stdout[-3000:])
                pg.sql("DROP TABLE IF EXISTS games, recordings, post_counts, board_schema")

            def set_version(v):
                pg.sql(f"UPDATE board_schema SET version = {v}")
        else:
            data = os.path.join(scratch, "data")
            store_args = ["--data", data]

            def set_version(v):
                with sqlite3.connect(os.path.join(data, "board.sqlite3")) as db:
                    db.execute("UPDATE board_schema SET version = ?", (v,))

        documented(program)
        limits = {"bytes": 100000, "lines": 2000, "minutes": 60}
        serving = [*store_args, "--posts-per-minute", "0", "--max-bytes", str(limits["bytes"]),
                   "--max-lines", str(limits["lines"]), "--max-minutes", str(limits["minutes"])]
        with harness.Board(program, serving, log) as board:
            status, health = board.json("/api/health")
            T.check(status == 200 and health["schema"] == 1, f"the board starts: {health}")
            posting(board, sim, texts)
            forms(board, texts[7])
            claims(board, sim, texts[0])
            bad_bodies(board, sim, texts[1], limits)
            sql_in_every_field(board, sim, texts[2])
            pages(board, texts[3])
            command_line(board, program, sim, texts[4])
        refused_starts(program, store_args, set_version, log)
        rate_limit(program, store_args, texts[5], log)
        killed(program, store_args, sim, texts, log)
        if pg:
            postgres_faults(program, pg, sim, texts[6], log)
        T.check(harness.STOPPED and set(harness.STOPPED) == {0},
                f"each of the {len(harness.STOPPED)} boards stopped with SIGTERM ended with status 0",
                f"{harness.STOPPED}")
    finally:
        if pg:
            pg.destroy()
        log.close()
        if T.count:
            print("the boards' log:\n" + open(os.path.join(scratch, "board.log")).read()[-4000:])
        shutil.rmtree(scratch, ignore_errors=True)
    print(f"{T.count} checks failed" if T.count else "all checks passed")
    return 1 if T.count else 0


if __name__ == "__main__":
    sys.exit(main())
