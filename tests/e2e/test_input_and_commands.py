"""End-to-end tests of typed lines and the client's own commands: what reaches the demo server,
what the client keeps to itself, connecting while offline, and the log-in's window title."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from harness import Session, wait_for  # noqa: E402


def sent(server, line):
    return line in server.lines()


class InputAndCommands(unittest.TestCase):
    def test_typed_lines_reach_the_server_and_quit_needs_the_whole_word(self):
        with Session("input_typed_lines_and_quit") as s:
            wait_for(lambda: s.server.hello_lines(), 30, "the hello line")
            s.type_line("look")
            s.type_line("say hello there")
            # Five characters are too few for "//quit": an ordinary line for the server.
            s.type_line("//qui")
            wait_for(lambda: sent(s.server, "//qui"), 20, "'//qui' at the server")
            self.assertEqual(s.transcript()[1:4], ["look", "say hello there", "//qui"])
            s.type_line("//quit")
            self.assertEqual(s.wait_exit(20), 0)
            self.assertNotIn("//quit", s.transcript())

    def test_connect_word_while_offline_uses_the_given_port(self):
        with Session("input_connect_offline") as s:
            other = s.start_server()
            wait_for(lambda: s.server.hello_lines(), 30, "the hello line")
            s.type_line("//disconnect")
            # Offline, an unknown word is dropped and "q" is too short for "quit".
            s.type_line("q")
            s.type_line(f"c {other.port}")
            wait_for(lambda: other.hello_lines(), 30, "the hello line at the second server")
            self.assertTrue(s.alive())
            self.assertTrue(harness.HELLO_RE.match(other.hello_lines()[0]), other.hello_lines())
            for line in ("//disconnect", "q", f"c {other.port}"):
                self.assertNotIn(line, s.transcript())
            # The new connection carries typed lines as usual.
            s.type_line("look")
            wait_for(lambda: sent(other, "look"), 20, "'look' at the second server")

    def test_login_sets_the_title_and_version_asks_the_server_only_in_play(self):
        folder = harness.artefact_dir("input_login_and_version_server")
        server = harness.DemoServer(folder, "server", login=True)
        try:
            with Session("input_login_and_version", server=False, server_address=server.address) as s:
                wait_for(lambda: server.hello_lines(), 30, "the hello line")
                # Not yet playing: the version text stays local and nothing is sent.
                s.type_line("//version")
                s.type_line("aldric")
                wait_for(lambda: sent(server, "aldric"), 20, "the name at the server")
                self.assertNotIn("version", server.lines())
                self.assertNotIn("//version", server.lines())
                self.assertEqual(s.window_name(), "Quorveth")
                s.type_line("hidden-word")
                wait_for(lambda: s.window_name() == "Quorveth - Player Aldric", 20, "the player's title")
                s.type_line("//ver")
                wait_for(lambda: sent(server, "version"), 20, "'version' at the server")
                self.assertNotIn("//ver", server.lines())
                # A disconnect takes the title back.
                s.type_line("//disconnect")
                wait_for(lambda: s.window_name() == "Quorveth", 20, "the plain title after the disconnect")
        finally:
            server.stop()

if __name__ == "__main__":
    unittest.main()
