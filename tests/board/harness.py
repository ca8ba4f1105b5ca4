"""What the board's tests and its benchmark share: fenwing-board started on 127.0.0.1 on a free
port and stopped however the checks end, HTTP requests to it, and a throwaway PostgreSQL
cluster of its own (initdb in a temporary folder, a Unix socket only, stopped at the end), run
as an unprivileged user when the tests run as root."""

import glob
import http.client
import json
import os
import pwd
import select
import shutil
import signal
import subprocess
import tempfile
import time
import urllib.parse

SKIP = 77
STOPPED = []  # the exit status of each board stopped with SIGTERM


class Failures:
    """Counts the checks that failed; each prints one line."""
    count = 0

    def check(self, ok, what, detail=""):
        print(f"{'ok' if ok else 'FAIL'}: {what}" + (f"\n  {detail}" if detail and not ok else ""),
              flush=True)
        self.count += not ok
        return ok


class Board:
    """One fenwing-board process serving on 127.0.0.1."""

    def __init__(self, program, args, log):
        self.command = [program, "--listen", "127.0.0.1", "--port", "0", *args]
        self.log, self.process, self.port = log, None, None

    def start(self, timeout=60):
        self.process = subprocess.Popen(self.command, stdout=subprocess.PIPE, stderr=self.log,
                                        text=True)
        ready, _, _ = select.select([self.process.stdout], [], [], timeout)
        line = self.process.stdout.readline() if ready else ""
        if "http://127.0.0.1:" not in line:
            self.process.kill()
            self.process.wait()
            raise RuntimeError(f"fenwing-board did not start: {line!r}")
        self.port = int(line.split("http://127.0.0.1:")[1].split("/")[0])
        return self

    def start_failing(self, timeout=60):
        """Runs it expecting it not to start: its status and what it said."""
        r = subprocess.run(self.command, capture_output=True, text=True, timeout=timeout)
        return r.returncode, r.stderr

    def __enter__(self):
        return self.start()

    def __exit__(self, *_):
        self.stop()

    @property
    def url(self):
        return f"http://127.0.0.1:{self.port}"

    def stop(self):
        """Stops it with SIGTERM (SIGKILL after 30 s); its exit status is kept in STOPPED."""
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
            STOPPED.append(self.process.returncode)
        return self.process.returncode if self.process else None

    def request(self, method, path, body=None, headers=None, timeout=120):
        """(status, headers, body) of one request on a connection of its own."""
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            c.request(method, path, body=body, headers=headers or {})
            r = c.getresponse()
            return r.status, dict(r.getheaders()), r.read()
        finally:
            c.close()

    def post(self, text, name, extra="", headers=None):
        path = "/api/recordings?name=" + urllib.parse.quote(name, safe="") + extra
        data = text.encode() if isinstance(text, str) else text
        return self.request("POST", path, data,
                            {"Content-Type": "text/plain; charset=utf-8", **(headers or {})})

    def json(self, path):
        status, _, body = self.request("GET", path)
        return status, json.loads(body) if body.startswith(b"{") else body


class Postgres:
    """A throwaway PostgreSQL cluster: initdb in a temporary folder, listening on a Unix socket
    there and nowhere else. As root, the server runs as `nobody`, which PostgreSQL requires."""

    def __init__(self):
        found = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"),
                       key=lambda p: int(p.split("/")[4]) if p.split("/")[4].isdigit() else 0)
        if not found:
            raise LookupError("no initdb in /usr/lib/postgresql/*/bin (Debian's postgresql)")
        self.bin = os.path.dirname(found[-1])
        self.dir = tempfile.mkdtemp(prefix="fenwing-board-pg-")
        self.data = os.path.join(self.dir, "data")
        self.user, self.running = (pwd.getpwnam("nobody") if os.geteuid() == 0 else None), False
        if self.user:
            os.chmod(self.dir, 0o755)
            os.chown(self.dir, self.user.pw_uid, self.user.pw_gid)

    def _run(self, program, *args, check=True):
        command = [os.path.join(self.bin, program), *args]
        if self.user:
            command = ["setpriv", f"--reuid={self.user.pw_name}", f"--regid={self.user.pw_gid}",
                       "--clear-groups", *command]
        r = subprocess.run(command, capture_output=True, text=True, timeout=120, cwd=self.dir)
        if check and r.returncode != 0:
            raise RuntimeError(f"{program} {' '.join(args)}: {r.stdout}{r.stderr}")
        return r

    def create(self):
        self._run("initdb", "-D", self.data, "-U", "board", "--auth=trust", "-E", "UTF8",
                  "--locale=C", "--no-sync")
        self.start()
        return self

    def start(self):
        self._run("pg_ctl", "-D", self.data, "-l", os.path.join(self.dir, "log"), "-w", "-t", "60",
                  "-o", f"-k {self.dir} -c listen_addresses='' -p 5432", "start")
        self.running = True

    def stop(self):
        if self.running:
            self._run("pg_ctl", "-D", self.data, "-m", "fast", "-w", "-t", "60", "stop", check=False)
            self.running = False

    @property
    def connection(self):
        return f"host={self.dir} port=5432 dbname=postgres user=board connect_timeout=5"

    def sql(self, statement):
        r = self._run("psql", "-h", self.dir, "-p", "5432", "-U", "board", "-d", "postgres",
                      "-At", "-v", "ON_ERROR_STOP=1", "-c", statement)
        return r.stdout.strip()

    def destroy(self):
        self.stop()
        shutil.rmtree(self.dir, ignore_errors=True)


def wait_for(what, probe, seconds):
    """Polls `probe` until it is true, at most `seconds`; returns its last value."""
    deadline = time.monotonic() + seconds
    while True:
        value = probe()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(0.2)
