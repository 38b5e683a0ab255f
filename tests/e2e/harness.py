"""End-to-end harness: runs the real client in an Xvfb of its own against the demo server, drives its
window with xdotool and reads the window back from screenshots (pixels and a small text reader).

Standard library only; every wait is bounded and every process it starts is stopped on exit.
"""

import os
import re
import select
import shutil
import signal
import socket
import ssl
import struct
import subprocess
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.environ.get("QUORVETH_SOURCE_DIR") or os.path.dirname(os.path.dirname(HERE))
BINARY = os.environ.get("QUORVETH_BINARY") or os.path.join(SOURCE_DIR, "build", "quorveth")
ARTEFACTS = os.environ.get("QUORVETH_E2E_ARTEFACTS") or "/tmp/quorveth-e2e-artefacts"
DEMO_SERVER = os.path.join(SOURCE_DIR, "tools", "demo_server.py")
PYTHON = "/usr/bin/python3"
# A loaded machine may need more: every timeout below is multiplied by this.
SCALE = float(os.environ.get("QUORVETH_E2E_TIMEOUT_SCALE") or "1")

HELLO_RE = re.compile(r"^_qvClientDFLT[0-9a-f]{28} 1\.096-g64-rc5$")
# Every printable character but ';', which the server stream reserves for tagged items.
CALIBRATION_TEXT = "".join(chr(c) for c in range(33, 127) if c != ord(";"))


class WaitTimeout(AssertionError):
    pass


def wait_for(predicate, timeout, what="condition", interval=0.05):
    """Polls predicate until it returns something true; returns that value or fails after timeout."""
    deadline = time.monotonic() + timeout * SCALE
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise WaitTimeout(f"timed out after {timeout * SCALE:.1f} s waiting for {what}")
        time.sleep(interval)


def _read_line(stream, timeout, what):
    """One line from a child's pipe, without blocking past the deadline."""
    deadline = time.monotonic() + timeout * SCALE
    data = b""
    fd = stream.fileno()
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0:
            raise WaitTimeout(f"timed out waiting for {what}")
        ready, _, _ = select.select([fd], [], [], left)
        if ready:
            chunk = os.read(fd, 1)
            if not chunk:
                raise AssertionError(f"{what}: the process closed its output ({data!r})")
            data += chunk
    return data.decode("latin-1").strip()


def _stop(proc, grace=3.0):
    """Ends a child we started: SIGTERM to its own process group, then SIGKILL."""
    if proc is None or proc.poll() is not None:
        return
    try:
        os.killpg(proc.pid, signal.SIGTERM)
    except OSError:
        proc.terminate()
    try:
        proc.wait(grace)
    except subprocess.TimeoutExpired:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except OSError:
            proc.kill()
        proc.wait(5)


def closed_port():
    """A port on 127.0.0.1 that nothing listens on (bound once, then released)."""
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def artefact_dir(name):
    path = os.path.join(ARTEFACTS, re.sub(r"[^A-Za-z0-9_.-]+", "_", name))
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


# --------------------------------------------------------------------------------------------------
class Xvfb:
    """A virtual X server on the first free display number."""

    def __init__(self, log_path):
        read_end, write_end = os.pipe()
        self.log = open(log_path, "wb")
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_end,), stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        os.close(write_end)
        with os.fdopen(read_end, "rb") as r:
            self.number = int(_read_line(r, 30, "Xvfb's display number"))
        self.display = f":{self.number}"
        self.note(f"display {self.display}, pid {self.proc.pid}")
        XClient(self.number).close()  # it accepts clients

    def note(self, text):
        self.log.write(f"harness: {text}\n".encode())
        self.log.flush()

    def state(self):
        rc = self.proc.poll()
        return "running" if rc is None else f"exited with status {rc}"

    def stop(self):
        self.note(f"at teardown Xvfb {self.state()}")
        _stop(self.proc)
        self.log.close()


class DemoServer:
    """The demo game server on a free port, recording what the client sends."""

    def __init__(self, folder, name="server", args=(), lifetime=600, login=False):
        self.transcript_path = os.path.join(folder, f"{name}_transcript.txt")
        cert_dir = os.path.join(ARTEFACTS, "certs")  # shared: making a key costs a second
        self.err = open(os.path.join(folder, f"{name}_stderr.txt"), "wb")
        self.proc = subprocess.Popen(
            [PYTHON, DEMO_SERVER, "--port", "0", "--transcript", self.transcript_path,
             "--cert-dir", cert_dir, "--lifetime", str(lifetime)] + ([] if login else ["--no-login"]) + list(args),
            stdout=subprocess.PIPE, stderr=self.err, start_new_session=True)
        line = _read_line(self.proc.stdout, 60, "the demo server's port")
        m = re.match(r"demo server listening on 127\.0\.0\.1:(\d+)$", line)
        if not m:
            raise AssertionError(f"unexpected demo server output {line!r}")
        self.port = int(m.group(1))
        self.address = f"127.0.0.1:{self.port}"

    def lines(self):
        try:
            with open(self.transcript_path, encoding="latin-1") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def hello_lines(self):
        return [line for line in self.lines() if line.startswith("_qvClient")]

    def stop(self):
        _stop(self.proc)
        self.proc.stdout.close()
        self.err.close()


# --------------------------------------------------------------------------------------------------
class XClient:
    """A minimal X11 protocol client over the display's Unix socket, for what xdotool cannot do
    without a window manager: WM_DELETE_WINDOW and _NET_WM_PING client messages."""

    CLIENT_MESSAGE = 33
    SUBSTRUCTURE_NOTIFY = 0x80000

    def __init__(self, display_number, timeout=10):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(timeout * SCALE)
        self.sock.connect(f"/tmp/.X11-unix/X{display_number}")
        self.sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self._recv(8)
        extra = self._recv(struct.unpack_from("<H", head, 6)[0] * 4)
        if head[0] != 1:
            raise AssertionError(f"X server refused the connection: {extra!r}")
        vendor_len, _, _, formats = struct.unpack_from("<HHBB", extra, 16)
        screens = 32 + (vendor_len + 3) // 4 * 4 + 8 * formats
        self.root = struct.unpack_from("<I", extra, screens)[0]
        self.seq = 0
        self.events = []
        self.atoms = {}

    def _recv(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise AssertionError("X server closed the connection")
            data += chunk
        return data

    def _request(self, data):
        self.sock.sendall(data)
        self.seq = (self.seq + 1) & 0xFFFF

    def _packet(self):
        """One error, reply or event; replies carry extra data."""
        p = self._recv(32)
        if p[0] == 0:
            raise AssertionError(f"X error code {p[1]} for request {struct.unpack_from('<H', p, 2)[0]}")
        if p[0] == 1:
            p += self._recv(struct.unpack_from("<I", p, 4)[0] * 4)
        return p

    def _reply(self):
        while True:
            p = self._packet()
            if p[0] == 1:
                return p
            self.events.append((time.monotonic(), p))

    def atom(self, name):
        if name not in self.atoms:
            raw = name.encode()
            pad = (4 - len(raw) % 4) % 4
            self._request(struct.pack("<BBHHxx", 16, 0, 2 + (len(raw) + pad) // 4, len(raw)) + raw + b"\0" * pad)
            self.atoms[name] = struct.unpack_from("<I", self._reply(), 8)[0]
        return self.atoms[name]

    def sync(self):
        """GetInputFocus round trip: every earlier request has been processed."""
        self._request(struct.pack("<BxH", 43, 1))
        self._reply()

    def client_message(self, window, type_name, longs, destination=None, mask=0):
        event = struct.pack("<BBHII", self.CLIENT_MESSAGE, 32, 0, window, self.atom(type_name))
        event += struct.pack("<5I", *(list(longs) + [0] * 5)[:5])
        dest = window if destination is None else destination
        self._request(struct.pack("<BBHII", 25, 0, 11, dest, mask) + event)
        self.sync()

    def listen_root(self):
        """Root substructure events: where a toolkit answers _NET_WM_PING."""
        self._request(struct.pack("<BxHIII", 2, 4, self.root, 0x800, self.SUBSTRUCTURE_NOTIFY))
        self.sync()

    def wait_event(self, match, timeout):
        deadline = time.monotonic() + timeout
        while True:
            for i, (when, p) in enumerate(self.events):
                if match(p):
                    del self.events[i]
                    return when
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([self.sock], [], [], left)
            if ready:
                self.events.append((time.monotonic(), self._packet()))

    def close(self):
        self.sock.close()


class Pinger:
    """Measures how fast the client's event loop answers _NET_WM_PING (a frozen loop does not)."""

    def __init__(self, display_number, window):
        self.x = XClient(display_number)
        self.x.listen_root()
        self.window = window
        self.ping = self.x.atom("_NET_WM_PING")
        self.stamp = 1000

    def round_trip(self, timeout=10.0):
        """Seconds until the answer arrived, or None after timeout."""
        self.stamp += 1
        stamp = self.stamp
        sent = time.monotonic()
        self.x.client_message(self.window, "WM_PROTOCOLS", [self.ping, stamp, self.window])

        def answer(p):
            if p[0] & 0x7F != XClient.CLIENT_MESSAGE:
                return False
            data = struct.unpack_from("<5I", p, 12)
            return data[0] == self.ping and data[1] == stamp

        when = self.x.wait_event(answer, timeout * SCALE)
        return None if when is None else when - sent

    def close(self):
        self.x.close()


# --------------------------------------------------------------------------------------------------
def shades(colour):
    """Every pixel a glyph of this colour can leave on black: colour x coverage / 256."""
    return {tuple(c * v // 256 for c in colour) for v in range(256)}


def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def _ink_mask(rgb):
    """One byte per pixel: 1 where any channel differs from black (the background), else 0."""
    n = len(rgb) // 3
    table = bytes([0] + [1] * 255)
    m = 0
    for channel in (rgb[0::3], rgb[1::3], rgb[2::3]):
        m |= int.from_bytes(channel.translate(table), "big")
    return m.to_bytes(n, "big")


class NoDisplay(AssertionError):
    """The screenshot shows no scrollback frame (yet)."""


class Screen:
    """A screenshot of the whole X screen, kept as a PNG artefact and as raw RGB."""

    def __init__(self, path):
        self.path = path
        raw = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                             stdout=subprocess.PIPE, timeout=60 * SCALE).stdout
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", raw)
        self.width, self.height = int(m.group(1)), int(m.group(2))
        self.rgb = raw[m.end():]
        self._mask = None
        self._area = None

    @property
    def mask(self):
        if self._mask is None:
            self._mask = _ink_mask(self.rgb)
        return self._mask

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count(self, colour, box, tolerance=2):
        """Pixels inside box (x0, y0, x1, y1), ends exclusive, within tolerance of colour."""
        x0, y0, x1, y1 = box
        n = 0
        for y in range(y0, y1):
            row = self.rgb[(y * self.width + x0) * 3:(y * self.width + x1) * 3]
            for i in range(0, len(row), 3):
                if (abs(row[i] - colour[0]) <= tolerance and abs(row[i + 1] - colour[1]) <= tolerance
                        and abs(row[i + 2] - colour[2]) <= tolerance):
                    n += 1
        return n

    def has_ink(self, box):
        x0, y0, x1, y1 = box
        return any(self.mask[y * self.width + x0:y * self.width + x1].strip(b"\0") for y in range(y0, y1))

    def display_area(self):
        """The text control of the main display, as (x0, y0, x1, y1): inside the two-pixel frame.
        Column 0 and the bottom row of the text control are never drawn on, so the inner frame
        is found where they meet its colour."""
        if self._area is None:
            inner = self.pixel(1, 2)
            bottom = next((y for y in range(3, self.height - 1)
                           if self.pixel(2, y) == inner and self.pixel(300, y) == inner), None)
            if inner == (0, 0, 0) or bottom is None:
                raise NoDisplay("no scrollback frame on the screen")
            right = next(x for x in range(3, self.width) if self.pixel(x, bottom - 1) == inner)
            self._area = (2, 2, right, bottom)
        return self._area


class CalibrationError(AssertionError):
    pass


class TextReader:
    """Reads the scrollback's text from a screenshot by matching each character cell's ink pattern
    (colour-independent) against patterns learnt from a line of known characters."""

    def __init__(self, cell_width, line_height, patterns):
        self.w = cell_width
        self.h = line_height
        self.patterns = patterns  # ink pattern (int) -> character

    @classmethod
    def calibrate(cls, screen, text):
        """Learns the cells from a screen whose last two lines with ink both show text: the two
        identical lines give the line pitch, the text's right end the cell width."""
        x0, y0, x1, y1 = screen.display_area()
        W = screen.width

        def row(y):
            return screen.mask[y * W + x0:y * W + x1]

        ink_rows = [y for y in range(y0, y1) if row(y).strip(b"\0")]
        if not ink_rows:
            raise CalibrationError("no text on the display")
        bottom = ink_rows[-1]
        top = bottom
        while top - 1 >= y0 and row(top - 1).strip(b"\0"):
            top -= 1
        pitch = next((d for d in range(bottom - top + 1, 80)
                      if top - d >= y0 and all(row(y) == row(y - d) for y in range(top, bottom + 1))), None)
        if pitch is None:
            raise CalibrationError("the last two lines differ: no line pitch")
        right_ink = max(len(row(y).rstrip(b"\0")) for y in range(top, bottom + 1)) - 1 + x0
        width = (right_ink - (x0 + 1)) // (len(text) - 1)
        if width < 3:
            raise CalibrationError(f"implausible cell width {width}")
        reader = cls(width, pitch, {0: " "})
        k = reader.line_index(screen, bottom)
        cells = reader.cell_patterns(screen, k, len(text))
        for ch, pattern in zip(text, cells):
            known = reader.patterns.get(pattern)
            if ch != " " and pattern == 0:
                raise CalibrationError(f"no ink for {ch!r}")
            if known is not None and known != ch:
                raise CalibrationError(f"{ch!r} and {known!r} look the same")
            reader.patterns[pattern] = ch
        # A character must draw alike wherever it stands (letters of the prefix recur in the
        # text); otherwise glyphs reach into their neighbours' cells and cells cannot be told apart.
        seen = {}
        for ch, pattern in zip(text, cells):
            if seen.setdefault(ch, pattern) != pattern:
                raise CalibrationError(f"{ch!r} draws differently at different places")
        if reader.read_line(screen, k) != text:
            raise CalibrationError(f"calibration line reads back as {reader.read_line(screen, k)!r}")
        return reader

    # Geometry: lines are bottom-anchored; line k (0 = last) starts at bottom - 1 - h * (k + 1).
    def line_top(self, area, k):
        return area[3] - 1 - self.h * (k + 1)

    def line_index(self, screen, y):
        area = screen.display_area()
        return (area[3] - 2 - y) // self.h

    def visible_lines(self, area):
        return (area[3] - 1 - area[1]) // self.h

    def cell_patterns(self, screen, k, count=None):
        area = screen.display_area()
        x0, x1 = area[0] + 1, area[2]
        top = self.line_top(area, k)
        W, mask, w = screen.width, screen.mask, self.w
        rows = [mask[y * W:(y + 1) * W] for y in range(top, top + self.h)]
        if count is None:
            used = max(len(r[:x1].rstrip(b"\0")) for r in rows)
            count = max(0, (used - x0 + w - 1) // w)
        count = min(count, (x1 - x0) // w)
        return [int.from_bytes(b"".join(r[x0 + i * w:x0 + (i + 1) * w] for r in rows), "big")
                for i in range(count)]

    def char_of(self, pattern):
        ch = self.patterns.get(pattern)
        if ch is not None:
            return ch
        # Faint edge pixels of dark colours may be missing: accept a near match, else '?'.
        ink = bin(pattern).count("1")
        best, dist = "?", ink // 5 + 1
        for p, c in self.patterns.items():
            d = bin(p ^ pattern).count("1")
            if d < dist:
                best, dist = c, d
        return best

    def read_line(self, screen, k):
        return "".join(self.char_of(p) for p in self.cell_patterns(screen, k)).rstrip(" ")

    def read(self, screen, last=None):
        """The display's lines, top to bottom (or only the last ones), as strings."""
        area = screen.display_area()
        n = self.visible_lines(area)
        if last is not None:
            n = min(n, last)
        return [self.read_line(screen, k) for k in range(n - 1, -1, -1)]

    def ink_pixels(self, screen, k, start, end):
        """The non-background pixels of cells start..end-1 of line k."""
        area = screen.display_area()
        top = self.line_top(area, k)
        x0 = area[0] + 1
        return [p for y in range(top, top + self.h)
                for p in (screen.pixel(x, y) for x in range(x0 + start * self.w, x0 + end * self.w))
                if p != (0, 0, 0)]

    def find(self, screen, pattern):
        """Index k (from the bottom) of the last line matching the regex, and its match; or None."""
        lines = self.read(screen)
        for i in range(len(lines) - 1, -1, -1):
            m = re.search(pattern, lines[i])
            if m:
                return len(lines) - 1 - i, m
        return None


# --------------------------------------------------------------------------------------------------
class Session:
    """Xvfb + demo server + client with a fresh HOME. Use as a context manager."""

    def __init__(self, name, server_args=(), server=True, server_address=None, client_env=None, home=None):
        """home: a HOME the caller owns (kept after the session, e.g. for a second start)."""
        self.name = name
        self.given_home = home
        self.server_args = list(server_args)
        self.want_server = server
        self.server_address = server_address
        self.client_env = client_env or {}
        self.folder = artefact_dir(name)
        self.shots = 0
        self.xvfb = self.server = self.client = None
        self.extra_servers = []
        self.window = None
        self.home = None
        self.started = None
        self.window_shown = None

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def start(self):
        self.xvfb = Xvfb(os.path.join(self.folder, "xvfb.txt"))
        if self.want_server:
            self.server = DemoServer(self.folder, "server", self.server_args)
            address = self.server.address
        else:
            address = self.server_address
        self.home = self.given_home or tempfile.mkdtemp(prefix="quorveth-e2e-home-")
        env = dict(os.environ)
        for var in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "WAYLAND_DISPLAY"):
            env.pop(var, None)
        env.update(DISPLAY=self.xvfb.display, HOME=self.home, QUORVETH_SERVER=address,
                   NO_AT_BRIDGE="1", GDK_BACKEND="x11")
        env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
        env.update(self.client_env)
        self.client_out = open(os.path.join(self.folder, "client_output.txt"), "wb")
        self.started = time.monotonic()
        self.client = subprocess.Popen([BINARY], cwd=self.home, env=env, stdout=self.client_out,
                                       stderr=subprocess.STDOUT, start_new_session=True)
        self.window = wait_for(self._find_window, 60, "the client's window")
        self.window_shown = time.monotonic()
        x, y, w, h = self.geometry()
        self.input_point = (min(400, w // 2), h - 7)

    def close(self):
        _stop(self.client)
        if self.client is not None:
            self.client_out.close()
            self._keep_log()
        for s in [self.server] + self.extra_servers:
            if s:
                s.stop()
        if self.xvfb:
            self.xvfb.stop()
        if self.home and not self.given_home:
            shutil.rmtree(self.home, ignore_errors=True)
        self.client = self.server = self.xvfb = self.home = None
        self.extra_servers = []

    def _keep_log(self):
        try:
            shutil.copy(self.log_path(), os.path.join(self.folder, "quorveth_log.txt"))
        except OSError:
            pass

    # Processes --------------------------------------------------------------------------------------
    def alive(self):
        return self.client.poll() is None

    def wait_exit(self, timeout):
        """The client's exit status, or a failure if it still runs after timeout."""
        try:
            return self.client.wait(timeout * SCALE)
        except subprocess.TimeoutExpired:
            raise WaitTimeout(f"the client still runs after {timeout * SCALE:.1f} s")

    def cpu_seconds(self):
        """utime + stime of the client so far, from /proc."""
        with open(f"/proc/{self.client.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def rss_kb(self):
        with open(f"/proc/{self.client.pid}/status") as f:
            m = re.search(r"^VmRSS:\s+(\d+) kB", f.read(), re.M)
        return int(m.group(1))

    def start_server(self, args=()):
        """Another demo server beside the session's own, stopped with the session."""
        s = DemoServer(self.folder, f"server{len(self.extra_servers) + 2}", args)
        self.extra_servers.append(s)
        return s

    # X and the window -------------------------------------------------------------------------------
    def xdotool(self, *args, timeout=20):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=dict(os.environ, DISPLAY=self.xvfb.display),
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout * SCALE)
        return r.returncode, r.stdout.decode(errors="replace").strip()

    def _find_window(self):
        if not self.alive():
            raise AssertionError(f"the client exited with status {self.client.returncode} before its window "
                                 f"showed (Xvfb {self.xvfb.display} {self.xvfb.state()})")
        rc, out = self.xdotool("search", "--onlyvisible", "--name", "^Quorveth$")
        return int(out.split()[0]) if rc == 0 and out else None

    def geometry(self):
        rc, out = self.xdotool("getwindowgeometry", self.window)
        pos = re.search(r"Position: (-?\d+),(-?\d+)", out)
        size = re.search(r"Geometry: (\d+)x(\d+)", out)
        return int(pos.group(1)), int(pos.group(2)), int(size.group(1)), int(size.group(2))

    def window_name(self):
        return self.xdotool("getwindowname", self.window)[1]

    def type_line(self, text, enter=True):
        """Types into the input line: the pointer gives focus (no window manager), then keys."""
        x, y = self.input_point
        self.xdotool("mousemove", "--window", self.window, x, y, "click", 1)
        if text:
            self.xdotool("type", "--delay", 5, "--", text, timeout=20 + len(text) * 0.05)
        if enter:
            self.xdotool("key", "Return")

    def send_delete_window(self):
        """What a window manager's close box does: WM_DELETE_WINDOW in a WM_PROTOCOLS message."""
        x = XClient(self.xvfb.number)
        try:
            x.client_message(self.window, "WM_PROTOCOLS", [x.atom("WM_DELETE_WINDOW"), 0])
        finally:
            x.close()

    def screenshot(self, label):
        self.shots += 1
        path = os.path.join(self.folder, f"{self.shots:02d}_{re.sub(r'[^A-Za-z0-9_-]+', '_', label)}.png")
        subprocess.run(["import", "-window", "root", path], env=dict(os.environ, DISPLAY=self.xvfb.display),
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60 * SCALE)
        return Screen(path)

    def wait_screen(self, label, predicate, timeout, what=None):
        """Screenshots until predicate(screen) is true; the last shot stays as the artefact."""
        found = []

        def check():
            shot = self.screenshot(label)
            try:
                value = predicate(shot)
            except NoDisplay:
                value = None
            if value:
                found.append(shot)
                return value
            os.remove(shot.path)
            self.shots -= 1
            return None

        try:
            value = wait_for(check, timeout, what or label, interval=0.2)
        except WaitTimeout:
            self.screenshot(label + "_timeout")
            raise
        return found[-1], value

    # Files ------------------------------------------------------------------------------------------
    def transcript(self):
        return self.server.lines() if self.server else []

    def log_path(self):
        return os.path.join(self.home, ".Quorveth", "quorveth_log.txt")

    def log(self):
        try:
            with open(self.log_path(), encoding="latin-1") as f:
                return f.read()
        except (FileNotFoundError, TypeError):
            return ""


# --------------------------------------------------------------------------------------------------
_shared_reader = None


class CalibrationServer:
    """A TLS peer that answers the hello line with the calibration text on two lines of their own
    (no typing, so the client's local echo cannot come between them), then keeps the connection."""

    LINE = "You say '" + CALIBRATION_TEXT + "'"

    def __init__(self):
        cert_dir = os.path.join(ARTEFACTS, "certs")
        os.makedirs(cert_dir, exist_ok=True)
        cert, key = os.path.join(cert_dir, "cert.pem"), os.path.join(cert_dir, "key.pem")
        if not (os.path.exists(cert) and os.path.exists(key)):
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650",
                            "-subj", "/CN=localhost", "-keyout", key, "-out", cert], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.context.load_cert_chain(cert, key)
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.listener.settimeout(120 * SCALE)
        self.address = "127.0.0.1:%d" % self.listener.getsockname()[1]
        self.conn = None
        self.error = None
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        try:
            raw, _ = self.listener.accept()
            raw.settimeout(60 * SCALE)
            self.conn = self.context.wrap_socket(raw, server_side=True)
            data = b""
            while b"\n" not in data:
                chunk = self.conn.recv(4096)
                if not chunk:
                    raise AssertionError("the client closed before its hello line")
                data += chunk
            line = "\x1b[1m\x1b[33m" + self.LINE + "\x1b[0m\r\n"
            self.conn.sendall((line + line).encode("latin-1"))
        except (OSError, AssertionError) as e:
            self.error = e

    def close(self):
        for s in (self.conn, self.listener):
            try:
                if s:
                    s.close()
            except OSError:
                pass
        self.thread.join(10)


def calibrate(timeout=60):
    """Learns the glyphs in a session of its own against the calibration server."""
    server = CalibrationServer()
    try:
        with Session("calibration", server=False, server_address=server.address) as s:
            readers = []

            def attempt(screen):
                if server.error:
                    raise AssertionError(f"calibration server: {server.error}")
                try:
                    readers.append(TextReader.calibrate(screen, CalibrationServer.LINE))
                    return True
                except CalibrationError:
                    return False

            s.wait_screen("calibration", attempt, timeout, "two calibration lines on the display")
            return readers[-1]
    finally:
        server.close()


def shared_reader():
    """One calibration per test process (same binary, same fonts, same default settings)."""
    global _shared_reader
    if _shared_reader is None:
        _shared_reader = calibrate()
    return _shared_reader
