#!/usr/bin/env python3
"""The demo world: a small game server that speaks the Quorveth protocol over TLS on 127.0.0.1.

It is the newcomer's first run and the peer of the end-to-end tests, written independently of the
client. Every line a client sends can be kept in a transcript; scripted behaviours (closing,
resetting, bursts, items split across reads) are chosen with flags or typed as commands.

A client logs in with a name and a password (any but "wrong" will do); the password prompt turns
the client's echo off with telnet's DONT ECHO and back on with DO ECHO, and a successful log-in
sends the "login" tag. The world's commands also work before the log-in; --no-login skips it.
"""

import argparse
import os
import random
import socket
import ssl
import struct
import subprocess
import sys
import threading
import time

ESC = "\x1b["


def sgr(*params):
    """One SGR parameter per sequence, as the game server sends them."""
    return "".join(f"{ESC}{p}m" for p in params)


RESET = sgr(0)
BRIGHT_YELLOW = sgr(1, 33)
BRIGHT_CYAN = sgr(1, 36)
GREEN = sgr(0, 32)
RED = sgr(0, 31)
WHITE = sgr(0, 37)


def item(name, data):
    """A tagged item; the payload may not hold a semicolon."""
    return f";s{name};{data};e{name};"


def empty_item(name):
    return f";t{name};"


IAC_DONT_ECHO = b"\xff\xfe\x01"
IAC_DO_ECHO = b"\xff\xfd\x01"
DEMO_VERSION = "Quorveth demo world 0.2"


def escape_text(text):
    """Literal semicolons in text travel doubled."""
    return text.replace(";", ";;")


def cache_dir():
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "quorveth-demo")


def ensure_certificate(directory):
    cert = os.path.join(directory, "cert.pem")
    key = os.path.join(directory, "key.pem")
    if not (os.path.exists(cert) and os.path.exists(key)):
        os.makedirs(directory, exist_ok=True)
        subprocess.run(
            ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650",
             "-subj", "/CN=localhost", "-keyout", key, "-out", cert],
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def welcome_banner():
    lines = [
        "",
        f"{BRIGHT_CYAN}   ___                       _   _     {RESET}",
        f"{BRIGHT_CYAN}  / _ \\ _  _ ___ _ ___ _____| |_| |_   {RESET}",
        f"{BRIGHT_CYAN} | (_) | || / _ \\ '_\\ V / -_)  _| ' \\  {RESET}",
        f"{BRIGHT_CYAN}  \\__\\_\\\\_,_\\___/_|  \\_/\\___|\\__|_||_| {RESET}",
        "",
        f"{WHITE}Welcome to the {BRIGHT_YELLOW}Quorveth{WHITE} demo world.{RESET}",
        f"{GREEN}Type {BRIGHT_YELLOW}help{GREEN} for the commands this little world knows.{RESET}",
        "",
    ]
    return "\r\n".join(lines) + "\r\n"


class Connection:
    def __init__(self, server, tls, number):
        self.server = server
        self.tls = tls
        self.number = number
        self.lock = threading.Lock()
        self.open = True
        # "name", then "password", then "playing"; without a log-in straight to "playing".
        self.stage = "playing" if server.options.no_login else "name"
        self.name = ""

    # Output -----------------------------------------------------------------------------------
    def send(self, text):
        data = text.encode("latin-1", "replace") if isinstance(text, str) else text
        with self.lock:
            if not self.open:
                return
            try:
                self.tls.sendall(data)
            except OSError:
                self.open = False

    def line(self, text=""):
        """A line of world text; its semicolons are escaped. Items go through send()."""
        self.send(escape_text(text) + "\r\n")

    def close(self):
        with self.lock:
            if not self.open:
                return
            self.open = False
            try:
                plain = self.tls.unwrap()
                plain.close()
            except (OSError, ValueError):
                pass
            self.tls.close()

    def reset(self):
        """Ends the connection with a TCP reset instead of an orderly close."""
        with self.lock:
            self.open = False
            try:
                self.tls.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            except OSError:
                pass
            self.tls.close()

    # Scripted behaviours ----------------------------------------------------------------------
    def burst(self, megabytes):
        """Sends roughly the given megabytes of coloured text with items interleaved."""
        rng = random.Random(megabytes)
        target = int(megabytes * 1024 * 1024)
        sent = 0
        colours = [31, 32, 33, 34, 35, 36, 37]
        words = ["the", "troll", "swings", "at", "you", "and", "misses", "a", "cold", "wind",
                 "blows", "from", "north", "gold", "coins", "lie", "here", "tab\there"]
        n = 0
        chunk = []
        while sent < target:
            n += 1
            text = " ".join(rng.choice(words) for _ in range(rng.randint(5, 45)))
            line = f"{sgr(rng.choice([0, 1]), rng.choice(colours))}{n:07d} {text}{RESET}\r\n"
            if n % 50 == 0:
                line += item("burstcount", str(n))
            chunk.append(line)
            sent += len(line)
            if len(chunk) >= 200:
                self.send("".join(chunk))
                chunk = []
        chunk.append(f"{BRIGHT_YELLOW}Burst done: {n} lines.{RESET}\r\n")
        self.send("".join(chunk))

    def split_item(self):
        """Sends one tagged item in pieces, with pauses so that they arrive in separate reads."""
        whole = "Before the item. " + item("demo", "split payload") + "After the item.\r\n"
        for i in range(0, len(whole), 5):
            self.send(whole[i:i + 5])
            time.sleep(0.05)

    # The world --------------------------------------------------------------------------------
    def welcome(self):
        self.send(welcome_banner())
        if self.stage == "name":
            self.ask_name()

    # Log-in -----------------------------------------------------------------------------------
    def ask_name(self):
        self.send(f"{BRIGHT_YELLOW}By what name are you known? {RESET}")

    def take_name(self, text):
        word = text.split()[0] if text.split() else ""
        if not (2 <= len(word) <= 20 and word.isalpha() and word.isascii()):
            self.line()
            self.line(f"{WHITE}A name here is 2 to 20 letters.{RESET}")
            self.ask_name()
            return
        self.name = word.capitalize()
        self.stage = "password"
        # The client hides what is typed next.
        self.send(IAC_DONT_ECHO)
        self.send(f"{WHITE}Password: {RESET}")

    def take_password(self, text):
        self.send(IAC_DO_ECHO)
        if text.strip() == "wrong":
            # The one refused password, so tests can stay at the prompt.
            self.line()
            self.line(f"{WHITE}Wrong password.{RESET}")
            self.send(IAC_DONT_ECHO)
            self.send(f"{WHITE}Password: {RESET}")
            return
        self.stage = "playing"
        self.line()
        self.line(f"{WHITE}Welcome to the demo world, {BRIGHT_YELLOW}{self.name}{WHITE}.{RESET}")
        self.send(item("login", self.name))

    def handle(self, text):
        if self.stage == "password":
            self.take_password(text)
            return
        words = text.split()
        verb = words[0].lower() if words else ""
        rest = text[len(words[0]):].strip() if words else ""
        handler = COMMANDS.get(verb)
        # The client's echo of the command ends without a line break: a reply starts with one.
        if verb and verb not in QUIET_COMMANDS and (handler or self.stage == "playing"):
            self.send("\r\n")
        if handler:
            handler(self, rest)
        elif self.stage == "name":
            self.take_name(text)
        elif verb:
            self.line(f"{WHITE}Huh?  '{text}' means nothing here.{RESET}")

    def run(self):
        self.welcome()
        opts = self.server.options
        if opts.burst_mb:
            self.burst(opts.burst_mb)
        if opts.split_item:
            self.split_item()
        if opts.close_after is not None:
            threading.Timer(opts.close_after, self.close).start()
        if opts.reset_after is not None:
            threading.Timer(opts.reset_after, self.reset).start()
        pending = b""
        while self.open:
            try:
                data = self.tls.recv(65536)
            except (OSError, ssl.SSLError):
                break
            if not data:
                break
            pending += data
            while b"\n" in pending:
                raw, pending = pending.split(b"\n", 1)
                text = raw.decode("latin-1")
                self.server.record(text)
                if self.server.hello_pending(self):
                    continue
                self.handle(text.rstrip("\r"))
        self.close()


def cmd_help(conn, _):
    conn.line(f"{BRIGHT_YELLOW}Commands:{RESET}")
    for name, text in [("look", "look around"), ("say <text>", "speak"), ("time", "the time of day"),
                       ("burst <MB>", "a flood of text"), ("split", "an item in pieces"),
                       ("close", "the server closes the connection"), ("reset", "the connection is reset"),
                       ("version", "the server's version"), ("quit", "leave")]:
        conn.line(f"  {GREEN}{name:<12}{WHITE}{text}{RESET}")


def cmd_look(conn, _):
    conn.line(f"{BRIGHT_CYAN}The Lantern Square{RESET}")
    conn.line(f"{WHITE}Cobbles glisten under a ring of brass lanterns. A fountain murmurs; roads lead")
    conn.line(f"north to the market and east to the harbour.{RESET}")
    conn.line(f"{GREEN}Exits: north east{RESET}")


def cmd_say(conn, rest):
    conn.line(f"{BRIGHT_YELLOW}You say '{rest}'{RESET}")


def cmd_time(conn, _):
    conn.line(f"{WHITE}It is {time.strftime('%H:%M')} in the demo world.{RESET}")


def cmd_burst(conn, rest):
    try:
        mb = float(rest or "1")
    except ValueError:
        mb = 1
    conn.burst(max(0.0, min(mb, 100.0)))


def cmd_qvping(conn, _):
    conn.send(item("event", "qvpong"))


def cmd_version(conn, _):
    conn.line(f"{WHITE}Server version: {BRIGHT_YELLOW}{DEMO_VERSION}{RESET}")


def cmd_quit(conn, _):
    conn.line(f"{WHITE}Farewell.{RESET}")
    conn.close()


COMMANDS = {
    "help": cmd_help,
    "look": cmd_look,
    "l": cmd_look,
    "say": cmd_say,
    "time": cmd_time,
    "burst": cmd_burst,
    "split": lambda c, _: c.split_item(),
    "close": lambda c, _: c.close(),
    "reset": lambda c, _: c.reset(),
    "quit": cmd_quit,
    "qvping": cmd_qvping,
    "version": cmd_version,
    # The client's report of its display settings needs no answer.
    "qvclstatus": lambda c, _: None,
}


# Lines of the client's own protocol: the answer, if any, is tagged data only.
QUIET_COMMANDS = {"qvping", "qvclstatus"}


class Server:
    def __init__(self, options):
        self.options = options
        self.transcript = open(options.transcript, "a", buffering=1, encoding="latin-1") if options.transcript else None
        self.transcript_lock = threading.Lock()
        self.greeted = set()
        self.count = 0

    def record(self, text):
        if self.transcript:
            with self.transcript_lock:
                self.transcript.write(text + "\n")

    def hello_pending(self, conn):
        """The client's first line is its hello line; it gets no answer."""
        if conn.number in self.greeted:
            return False
        self.greeted.add(conn.number)
        return True

    def serve(self):
        cert, key = ensure_certificate(self.options.cert_dir or cache_dir())
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", self.options.port))
        listener.listen(8)
        port = listener.getsockname()[1]
        print(f"demo server listening on 127.0.0.1:{port}", flush=True)
        if self.options.lifetime:
            threading.Timer(self.options.lifetime, lambda: os._exit(0)).start()
        while True:
            raw, _ = listener.accept()
            raw.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            try:
                raw.settimeout(10)
                tls = context.wrap_socket(raw, server_side=True)
                tls.settimeout(None)
            except (OSError, ssl.SSLError) as e:
                print(f"demo server: handshake failed: {e}", file=sys.stderr, flush=True)
                raw.close()
                continue
            self.count += 1
            conn = Connection(self, tls, self.count)
            threading.Thread(target=conn.run, daemon=True).start()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=3102, help="port on 127.0.0.1 (0 chooses a free one)")
    parser.add_argument("--transcript", help="append every line each client sends to this file")
    parser.add_argument("--cert-dir", help="where the self-signed certificate is kept")
    parser.add_argument("--close-after", type=float, help="close each connection after this many seconds")
    parser.add_argument("--reset-after", type=float, help="reset each connection after this many seconds")
    parser.add_argument("--burst-mb", type=float, default=0, help="send this many megabytes after the welcome")
    parser.add_argument("--split-item", action="store_true", help="send an item split across reads after the welcome")
    parser.add_argument("--no-login", action="store_true", help="no name and password: play at once, no login tag")
    parser.add_argument("--lifetime", type=float, default=0, help="exit after this many seconds (0: run until stopped)")
    options = parser.parse_args()
    try:
        Server(options).serve()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
