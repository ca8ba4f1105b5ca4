"""A private PulseAudio server whose only output is a null sink, and a recorder of what plays.

Used by the real-sound test and the benchmark. The server runs as a child of this process, on a
socket in a fresh runtime directory, so that it meets no other server on the machine; clients
reach it through PULSE_SERVER (see `env`). The recorder reads the sink's monitor with parec and
notes when each chunk arrives, which puts every recorded sample on time.monotonic()'s clock.
"""

import ctypes
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time

RATE = 44100
SINK = "fenwing_test"


def die_with_us():
    """For Popen's preexec_fn: the child is sent SIGTERM when this process ends, however it
    ends, so that no server, recorder or game outlives a test or benchmark that was killed."""
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class NullSink:
    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="fenwing-pulse-")
        self.socket = os.path.join(self.dir, "native")
        config = os.path.join(self.dir, "server.pa")
        with open(config, "w") as f:
            f.write("load-module module-null-sink sink_name=%s rate=%d\n" % (SINK, RATE))
            f.write("load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n"
                    % self.socket)
            f.write("set-default-sink %s\n" % SINK)
        env = self.env(HOME=self.dir)
        self.log = open(os.path.join(self.dir, "server.log"), "w")
        self.server = subprocess.Popen(
            ["pulseaudio", "-n", "-F", config, "--daemonize=no", "--exit-idle-time=-1",
             "--use-pid-file=no", "--log-target=stderr"],
            env=env, stdout=self.log, stderr=subprocess.STDOUT, preexec_fn=die_with_us)
        end = time.monotonic() + 20
        while subprocess.run(["pactl", "info"], env=env, capture_output=True).returncode:
            if self.server.poll() is not None or time.monotonic() > end:
                self.close()
                raise RuntimeError("the PulseAudio server did not start; see its log")
            time.sleep(0.1)

    def env(self, **extra):
        """The environment for a client of this server (and of no other)."""
        return dict(os.environ, PULSE_SERVER="unix:" + self.socket, XDG_RUNTIME_DIR=self.dir,
                    **extra)

    def sink_inputs(self):
        """The properties of each stream playing to the sink, as dictionaries."""
        out = subprocess.run(["pactl", "list", "sink-inputs"], env=self.env(),
                             capture_output=True, text=True).stdout
        streams = []
        for line in out.splitlines():
            if line.startswith("Sink Input #"):
                streams.append({})
            elif " = " in line and streams:
                key, value = line.strip().split(" = ", 1)
                streams[-1][key] = value.strip('"')
        return streams

    def record(self):
        return Recording(self)

    def close(self):
        if self.server.poll() is None:
            self.server.terminate()
            try:
                self.server.wait(5)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
        self.log.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class Recording:
    """The sink's monitor, mono 16-bit at RATE, from now until stop()."""

    def __init__(self, sink):
        self.chunks = []  # (arrival time, samples so far)
        self.data = bytearray()
        self.proc = subprocess.Popen(
            ["parec", "-d", SINK + ".monitor", "--raw", "--format=s16le", "--rate=%d" % RATE,
             "--channels=1", "--latency-msec=5"],
            env=sink.env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            preexec_fn=die_with_us)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        end = time.monotonic() + 10
        while len(self.chunks) < 5:  # it is running
            if time.monotonic() > end:
                self.stop()
                raise RuntimeError("parec recorded nothing")
            time.sleep(0.01)

    def _read(self):
        fd = self.proc.stdout.fileno()
        while True:
            chunk = os.read(fd, 4096)
            if not chunk:
                return
            self.data += chunk
            self.chunks.append((time.monotonic(), len(self.data) // 2))

    def stop(self):
        self.proc.terminate()
        self.proc.wait()
        self.reader.join(5)
        count = len(self.data) // 2
        self.samples = memoryview(bytes(self.data[:2 * count])).cast("h")
        # A sample arrives after it was recorded; the chunk that was least delayed gives when
        # sample 0 was recorded.
        self.start = min(at - n / RATE for at, n in self.chunks)
        return self

    def time_of(self, index):
        """When sample `index` played, from the chunks of the quarter second that follows it:
        where the null sink renders a stretch again, the monitor holds it twice, and only the
        samples after the repeat keep their count."""
        near = [at - n / RATE for at, n in self.chunks if index < n <= index + RATE // 4]
        return min(near, default=self.start) + index / RATE

    def index_at(self, t):
        return max(0, min(len(self.samples), int((t - self.start) * RATE)))

    def onsets(self, level=300, gap=0.1):
        """The times at which sound begins after at least `gap` seconds below `level`."""
        found, last = [], None
        for i, v in enumerate(self.samples):
            if abs(v) > level:
                if last is None or i - last > gap * RATE:
                    found.append(self.time_of(i))
                last = i
        return found

    def peak(self, t0, t1):
        lo, hi = self.index_at(t0), self.index_at(t1)
        return max((abs(v) for v in self.samples[lo:hi]), default=0)

    def save(self, path, t0, t1):
        """Writes the samples from t0 to t1 as a raw file for sox."""
        with open(path, "wb") as f:
            f.write(self.samples[self.index_at(t0):self.index_at(t1)].tobytes())
