"""End-to-end tests of the running client: its window under Xvfb against the demo server, checked
through what the server receives, what the window shows (read back as text and colours) and how the
process ends."""

import os
import re
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

from harness import Session, hex_colour, shades, wait_for  # noqa: E402

BRIGHT_YELLOW = hex_colour("FFFF55")
BRIGHT_CYAN = hex_colour("40FFFF")
NORMAL_WHITE = hex_colour("A0A0A0")
GREEN = hex_colour("00AA00")
HINT = "To log in again, type 'connect' or use the File / Connect menu option."


def note(text):
    """Measured figures go to the test output for the record."""
    print(f"  [{text}]", file=sys.stderr, flush=True)


class RunningClient(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.reader = harness.shared_reader()

    def session(self, **kw):
        return Session(self.id().rsplit(".", 1)[-1], **kw)

    def wait_line(self, s, label, pattern, timeout=30):
        """Screenshots until a display line matches; returns (screen, line index from the bottom, match)."""
        shot, (k, m) = s.wait_screen(label, lambda sc: self.reader.find(sc, pattern), timeout, f"a line {pattern!r}")
        return shot, k, m

    def assert_colour(self, shot, k, start, end, colour, what, more=()):
        """Every ink pixel of the cells (of line k, and of the (k, start, end) spans in more) is the
        colour at some coverage, and the strongest is close to the colour itself."""
        pixels = []
        for span in [(k, start, end)] + list(more):
            pixels += self.reader.ink_pixels(shot, *span)
        self.assertTrue(pixels, f"{what}: no ink")
        allowed = shades(colour)
        stray = [p for p in pixels if p not in allowed]
        self.assertEqual(stray[:5], [], f"{what}: pixels not of colour {colour} ({shot.path})")
        # Thin strokes of a small font rarely cover a pixel fully.
        self.assertGreaterEqual(max(max(p) for p in pixels), max(colour) * 0.85, f"{what}: only faint ink")

    def assert_reconnect_hint(self, shot, k, reason):
        """The reason, a blank line and the hint, with 'connect' and 'File / Connect' bright yellow."""
        lines = self.reader.read(shot)
        at = len(lines) - 1 - k
        self.assertEqual(lines[at:at + 3], [reason, "", HINT], shot.path)
        hint_k = k - 2
        self.assert_colour(shot, hint_k, 0, 23, NORMAL_WHITE, "hint text")
        self.assert_colour(shot, hint_k, 23, 30, BRIGHT_YELLOW, "'connect'")
        start = HINT.index("File / Connect")
        self.assert_colour(shot, hint_k, start, start + len("File / Connect"), BRIGHT_YELLOW, "'File / Connect'")

    # ---------------------------------------------------------------------------------------------
    def test_connects_with_hello_line_and_shows_coloured_banner(self):
        with self.session() as s:
            self.assertEqual(s.geometry(), (0, 0, 984, 728))
            self.assertEqual(s.window_name(), "Quorveth")
            first = wait_for(lambda: s.transcript()[:1], 30, "the hello line")[0]
            self.assertRegex(first, harness.HELLO_RE)
            shot, k, _ = self.wait_line(s, "banner", r"^Welcome to the Quorveth demo world\.$")
            lines = self.reader.read(shot)
            at = len(lines) - 1 - k
            self.assertEqual(lines[at + 1], "Type help for the commands this little world knows.")
            self.assertEqual(lines[at - 4], "  / _ \\ _  _ ___ _ ___ _____| |_| |_", "banner art")
            self.assert_colour(shot, k, 0, 15, NORMAL_WHITE, "'Welcome to the '")
            self.assert_colour(shot, k, 15, 23, BRIGHT_YELLOW, "'Quorveth'")
            self.assert_colour(shot, k, 23, 35, NORMAL_WHITE, "' demo world.'")
            self.assert_colour(shot, k - 1, 0, 4, GREEN, "'Type'")
            self.assert_colour(shot, k - 1, 5, 9, BRIGHT_YELLOW, "'help'")
            self.assert_colour(shot, k + 2, 0, 40, BRIGHT_CYAN, "banner art",
                               more=[(line, 0, 40) for line in range(k + 3, k + 6)])

    def test_server_close_keeps_client_running_and_connect_reconnects(self):
        with self.session(server_args=["--close-after", "2"]) as s:
            shot, k, _ = self.wait_line(s, "closed", r"^Connection closed by server\.$")
            self.assert_reconnect_hint(shot, k, "Connection closed by server.")
            self.assertEqual(s.window_name(), "Quorveth")
            self.assertTrue(s.alive())
            self.assertEqual(len(s.server.hello_lines()), 1)
            s.type_line("connect")
            hellos = wait_for(lambda: s.server.hello_lines()[1:], 30, "a second hello line")
            self.assertRegex(hellos[0], harness.HELLO_RE)
            self.assertEqual(hellos[0], s.server.hello_lines()[0], "the same client id both times")
            # The new connection is shown like the first, and it too ends in the hint.
            shot, _ = s.wait_screen("second_close", lambda sc: self.reader.read(sc).count(
                "Connection closed by server.") == 2, 30, "the second close")
            self.assertIn("Welcome to the Quorveth demo world.", self.reader.read(shot))
            self.assertTrue(s.alive())

    def test_refused_connection_then_connect_to_given_port(self):
        with self.session(server=False, server_address=f"127.0.0.1:{harness.closed_port()}") as s:
            shot, k, _ = self.wait_line(s, "refused", r"^Unable to connect to server\.$")
            self.assert_reconnect_hint(shot, k, "Unable to connect to server.")
            self.assertEqual(s.window_name(), "Quorveth")
            other = s.start_server()
            s.type_line(f"connect {other.port}")
            hello = wait_for(other.hello_lines, 30, "the hello line at the given port")[0]
            self.assertRegex(hello, harness.HELLO_RE)
            self.wait_line(s, "connected", r"^Welcome to the Quorveth demo world\.$")
            s.type_line("look")
            # The local echo's dashed line has no line end: the answer may continue it.
            self.wait_line(s, "look", r"(?:^|-)The Lantern Square$")
            self.assertEqual(other.lines()[1:], ["look"])

    def test_burst_of_8_mb_is_shown_while_the_window_stays_responsive(self):
        with self.session(server_args=["--burst-mb", "8"]) as s:
            # The toolkit answers _NET_WM_PING from its event loop: a stuck tick delays the answer.
            pinger = harness.Pinger(s.xvfb.number, s.window)
            pings, stop = [], threading.Event()

            def ping_loop():
                while not stop.is_set():
                    sent = time.monotonic()
                    pings.append((sent, pinger.round_trip(30)))
                    time.sleep(0.02)

            thread = threading.Thread(target=ping_loop, daemon=True)
            thread.start()
            try:
                cpu0 = s.cpu_seconds()
                # Offline the line would be dropped; the server reads it only after the burst.
                wait_for(lambda: "socket connect ok" in s.log(), 30, "the connection")
                s.type_line("say typed during the burst")
                shot, k, m = self.wait_line(s, "burst_done", r"(?:^|-)Burst done: (\d+) lines\.$", 120)
                shown = time.monotonic()
            finally:
                stop.set()
                thread.join(60)
                pinger.close()
            cpu = s.cpu_seconds() - cpu0
            during = [rt for sent, rt in pings if sent < shown]
            note(f"8 MB burst shown {shown - s.window_shown:.2f} s after the window, client CPU {cpu:.2f} s, "
                 f"{len(during)} pings, slowest {max(rt or 99 for rt in during):.3f} s")
            self.assertGreaterEqual(len(during), 3)
            self.assertNotIn(None, during, "the event loop stopped answering")
            self.assertLess(max(during), 1.5 * harness.SCALE, "the event loop was blocked")
            # The last burst line above the summary carries the same number (its line may wrap).
            lines = self.reader.read(shot)
            numbered = [n for n in (re.match(r"(?:-+)?(\d{7}) ", line) for line in lines[:len(lines) - 1 - k]) if n]
            self.assertTrue(numbered, shot.path)
            self.assertEqual(int(numbered[-1].group(1)), int(m.group(1)))
            # The typed line went out while the burst was arriving and is answered after it.
            wait_for(lambda: "say typed during the burst" in s.transcript(), 30, "the typed line at the server")
            self.wait_line(s, "typed_echo", r"^You say 'typed during the burst'$")

    def test_exit_paths_end_the_process_with_status_0(self):
        def quit_after_close(s):
            self.wait_line(s, "closed", r"^Connection closed by server\.$")
            s.type_line("quit")

        def close_box_while_offline(s):
            self.wait_line(s, "refused", r"^Unable to connect to server\.$")
            s.send_delete_window()

        cases = [
            ("quit", dict(server_args=["--close-after", "1"]), quit_after_close),
            ("close_box", dict(server=False, server_address=f"127.0.0.1:{harness.closed_port()}"),
             close_box_while_offline),
        ]
        for name, kw, action in cases:
            with self.subTest(name), Session(f"{self.id().rsplit('.', 1)[-1]}_{name}", **kw) as s:
                action(s)
                asked = time.monotonic()
                self.assertEqual(s.wait_exit(30), 0)
                note(f"{name}: exited {time.monotonic() - asked:.2f} s after the request")
                log = s.log()
                self.assertIn("vesk_mw system_shutdown_handler.\n", log)
                self.assertIn("vesk_mw::shutdown - requested exit\n", log)
                self.assertNotIn("exit forced", log, "the orderly exit did not end the event loop")


if __name__ == "__main__":
    unittest.main()
