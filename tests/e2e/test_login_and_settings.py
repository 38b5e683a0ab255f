"""End-to-end tests of the log-in: the password travels to the server but is neither shown nor
kept in the history; the character's settings files are written, the display settings reach the
server in the status line, and the next start takes the same character's settings up again."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from harness import Session, wait_for  # noqa: E402

# The defaults: sound, separator, no direction buttons, hint buttons, no function keys, status
# bar, sky, exp, HP, enemy HP, popups, vertical group, left-bottom layout, automap on and docked,
# no channel window, duplicates, colour flashes, default colours, vote reminders; then the button
# theme, background theme and background style.
DEFAULT_STATUS = "qvclstatus 11010111111121101101  1  2  3"


class LoginAndSettings(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.reader = harness.shared_reader()

    def login_server(self, name):
        return harness.DemoServer(harness.artefact_dir(name + "_server"), "server", login=True)

    def test_password_is_sent_but_neither_shown_nor_kept(self):
        server = self.login_server("login_password")
        try:
            with Session("login_password", server=False, server_address=server.address) as s:
                wait_for(lambda: server.hello_lines(), 30, "the hello line")
                s.type_line("aldric")
                wait_for(lambda: "aldric" in server.lines(), 20, "the name at the server")
                s.wait_screen("password prompt", lambda sc: any("Password:" in l for l in self.reader.read(sc)), 20)
                # The demo world refuses exactly this password and asks again, so we stay at the prompt.
                s.type_line("wrong")
                wait_for(lambda: server.lines().count("wrong") == 1, 20, "the password at the server")
                shot, _ = s.wait_screen("refused", lambda sc: any("Wrong password." in l
                                                                  for l in self.reader.read(sc)), 20)
                self.assertFalse(any("wrong<" in l for l in self.reader.read(shot)), "the password was echoed")
                # Up brings back the line before the password; Enter sends it (as the password this time).
                s.type_line("", enter=False)
                s.xdotool("key", "Up")
                s.xdotool("key", "Return")
                wait_for(lambda: server.lines().count("aldric") == 2, 20, "the recalled line at the server")
                self.assertEqual(server.lines()[1:], ["aldric", "wrong", "aldric"])
                wait_for(lambda: s.window_name() == "Quorveth - Player Aldric", 20, "the log-in")
        finally:
            server.stop()

    def test_settings_files_status_line_and_the_next_start(self):
        server = self.login_server("login_settings")
        home = tempfile.mkdtemp(prefix="quorveth-e2e-home-")
        try:
            with Session("login_settings_first", server=False, server_address=server.address, home=home) as s:
                wait_for(lambda: server.hello_lines(), 30, "the hello line")
                s.type_line("brenna")
                wait_for(lambda: "brenna" in server.lines(), 20, "the name at the server")
                s.type_line("sesame")
                wait_for(lambda: s.window_name() == "Quorveth - Player Brenna", 20, "the log-in")
                wait_for(lambda: any(l.startswith("qvclstatus") for l in server.lines()), 20, "the status line")
                self.assertIn(DEFAULT_STATUS, server.lines())
                s.type_line("//quit")
                self.assertEqual(s.wait_exit(20), 0)
                config_dir = os.path.join(home, ".Quorveth")
                character = os.path.join(config_dir, "char_configs", "Brenna.cfg")
                system = os.path.join(config_dir, "quorveth.cfg")
                for path in (character, system):
                    self.assertTrue(os.path.isfile(path), path)
                    r = subprocess.run(["xmllint", "--noout", path], stderr=subprocess.PIPE, timeout=30)
                    self.assertEqual(r.returncode, 0, r.stderr)
                with open(system, encoding="latin-1") as f:
                    system_text = f.read()
                self.assertIn("<curr_config>Brenna</curr_config>", system_text)
                uuid = re.search(r"<uuid>(DFLT[0-9a-f]{28})</uuid>", system_text).group(1)
                # A setting changed in the file shows up at the next start, under the same id.
                with open(character, encoding="latin-1") as f:
                    text = f.read()
                with open(character, "w", encoding="latin-1") as f:
                    f.write(text.replace("<cmd_separator>1</cmd_separator>", "<cmd_separator>0</cmd_separator>"))
            hellos = len(server.hello_lines())
            with Session("login_settings_second", server=False, server_address=server.address,
                         home=home) as s:
                wait_for(lambda: len(server.hello_lines()) > hellos, 30, "the second hello line")
                self.assertEqual(server.hello_lines()[-1], f"_qvClient{uuid} 1.096-g64-rc5")
                s.type_line("brenna")
                wait_for(lambda: server.lines().count("brenna") == 2, 20, "the name at the server")
                s.type_line("sesame")
                wait_for(lambda: s.window_name() == "Quorveth - Player Brenna", 20, "the second log-in")
                wanted = DEFAULT_STATUS.replace("qvclstatus 11", "qvclstatus 10", 1)
                wait_for(lambda: wanted in server.lines(), 20, "the status line with the separator off")
        finally:
            server.stop()
            shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
