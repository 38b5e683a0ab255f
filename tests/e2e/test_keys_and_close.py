"""End-to-end tests of the input line's history as the player meets it, and of the window's
close box while a character is in the game."""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from harness import Session, wait_for  # noqa: E402


class KeysAndClose(unittest.TestCase):
    def log_in(self, s, server, name="aldric"):
        before = server.lines().count(name)
        wait_for(lambda: server.hello_lines(), 30, "the hello line")
        s.type_line(name)
        wait_for(lambda: server.lines().count(name) > before, 20, "the name at the server")
        s.type_line("sesame")
        wait_for(lambda: s.window_name() == "Quorveth - Player " + name.capitalize(), 20, "the log-in")

    def press(self, s, *keys):
        """Keys into the input line without clicking it (a click would move the cursor and drop
        a selection; the pointer stays over the line, so it keeps the focus)."""
        for k in keys:
            # At a person's pace: each key is handled before the next arrives.
            time.sleep(0.2)
            s.xdotool("key", k)

    def sent_after(self, server, count, what):
        wait_for(lambda: len(server.lines()) >= count, 20, what)
        return server.lines()[count - 1]

    def test_up_recalls_the_last_command(self):
        server = harness.DemoServer(harness.artefact_dir("keys_history_server"), "server", login=True)
        try:
            with Session("keys_history", server=False, server_address=server.address) as s:
                self.log_in(s, server)
                s.type_line("say one")
                s.type_line("say two")
                wait_for(lambda: "say two" in server.lines(), 20, "'say two' at the server")
                n = len(server.lines())
                # Up brings back the last command; Enter sends it again.
                self.press(s, "Up", "Return")
                self.assertEqual(self.sent_after(server, n + 1, "the recalled command"), "say two")
                # Up twice walks back to the older one (the repeated "say two" was not stored twice).
                self.press(s, "Up", "Up", "Return")
                self.assertEqual(self.sent_after(server, n + 2, "the older command"), "say one")
                # The history is now say one, say two, say one: Up, Up, Down comes forward again.
                self.press(s, "Up", "Up", "Down", "Return")
                self.assertEqual(self.sent_after(server, n + 3, "the command after Down"), "say one")
        finally:
            server.stop()

    def test_close_box_while_playing_asks_the_server(self):
        server = harness.DemoServer(harness.artefact_dir("keys_close_server"), "server", login=True)
        try:
            with Session("keys_close_while_playing", server=False, server_address=server.address) as s:
                self.log_in(s, server)
                s.send_delete_window()
                wait_for(lambda: "quit -check" in server.lines(), 20, "'quit -check' at the server")
                self.assertTrue(s.alive(), "the close box must not end the game on its own")
        finally:
            server.stop()


if __name__ == "__main__":
    unittest.main()
