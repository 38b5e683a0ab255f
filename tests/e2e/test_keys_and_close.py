"""End-to-end tests of the input line's history and push-through as the player meets them, and
of the window's close box while a character is in the game."""

import os
import shutil
import sys
import tempfile
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

    def test_history_and_push_through(self):
        server = harness.DemoServer(harness.artefact_dir("keys_history_server"), "server", login=True)
        home = tempfile.mkdtemp(prefix="quorveth-e2e-home-")
        try:
            with Session("keys_history", server=False, server_address=server.address, home=home) as s:
                self.log_in(s, server)
                s.type_line("say one")
                s.type_line("say two")
                n = len(server.lines())
                # Up twice walks back to the older command; Enter sends it.
                self.press(s, "Up", "Up", "Return")
                self.assertEqual(self.sent_after(server, n + 1, "the recalled command"), "say one")
                # Down after Up comes back to the newer one.
                self.press(s, "Up", "Up", "Down", "Return")
                self.assertEqual(self.sent_after(server, n + 2, "the command after Down"), "say one")
                s.type_line("//quit")
                self.assertEqual(s.wait_exit(20), 0)
            path = os.path.join(home, ".Quorveth", "char_configs", "Aldric.cfg")
            with open(path, encoding="latin-1") as f:
                text = f.read()
            with open(path, "w", encoding="latin-1") as f:
                f.write(text.replace("<cmd_pushthrough>0</cmd_pushthrough>", "<cmd_pushthrough>1</cmd_pushthrough>"))
            with Session("keys_push_through", server=False, server_address=server.address, home=home) as s:
                self.log_in(s, server)
                s.type_line("say three")
                n = len(server.lines())
                # The sent line stays, selected: Enter sends it again ...
                self.press(s, "Return")
                self.assertEqual(self.sent_after(server, n + 1, "the repeated command"), "say three")
                # ... and typing replaces it.
                time.sleep(0.2)
                s.xdotool("type", "--delay", 5, "look")
                self.press(s, "Return")
                self.assertEqual(self.sent_after(server, n + 2, "the typed command"), "look")
                # Up shows the command before the one still on the line.
                self.press(s, "Up", "Return")
                self.assertEqual(self.sent_after(server, n + 3, "the previous command"), "say three")
        finally:
            server.stop()
            shutil.rmtree(home, ignore_errors=True)

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
