# SPDX-License-Identifier: GPL-3.0-or-later
"""`cmake --install` into a private prefix lays out what a Linux desktop needs, valid for the
desktop's own validators, and the installed program finds its files from there.

Environment (set by CMake): PELMAR_BINARY_DIR, PELMAR_SOURCE_DIR, PELMAR_APP_ID and
PELMAR_PROGRAMS (the programs the build installs, separated by blanks).
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
from smtp_servers import Aiosmtpd  # noqa: E402

BUILD = os.environ["PELMAR_BINARY_DIR"]
SOURCE = os.environ["PELMAR_SOURCE_DIR"]
APP_ID = os.environ["PELMAR_APP_ID"]
PROGRAMS = os.environ["PELMAR_PROGRAMS"].split()
VALIDATOR_FINDING = re.compile(r"^[EWIP]: ", re.MULTILINE)


def without_display(**extra):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env.update(extra)
    return env


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=120, **kwargs)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise AssertionError(f"{path} is not a PNG")
    return struct.unpack(">II", head[16:24])


class InstallTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.prefix = os.path.join(cls.tmp.name, "prefix")
        result = run(["cmake", "--install", BUILD, "--prefix", cls.prefix])
        if result.returncode != 0:
            raise AssertionError("cmake --install failed:\n" + result.stdout + result.stderr)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def path(self, relative):
        return os.path.join(self.prefix, relative)

    def test_the_tree_holds_exactly_the_programs_and_the_desktops_files(self):
        expected = {
            "share/pelmar/help.htm",
            "share/doc/pelmar/copyright",
            "share/doc/pelmar/changelog.gz",
            f"share/applications/{APP_ID}.desktop",
            f"share/metainfo/{APP_ID}.metainfo.xml",
            f"share/icons/hicolor/scalable/apps/{APP_ID}.svg",
            f"share/icons/hicolor/256x256/apps/{APP_ID}.png",
        }
        for program in PROGRAMS:
            expected |= {f"bin/{program}", f"share/man/man1/{program}.1.gz"}
        found = {os.path.relpath(os.path.join(folder, name), self.prefix)
                 for folder, _, names in os.walk(self.prefix) for name in names}
        self.assertEqual(found, expected)
        for program in PROGRAMS:
            self.assertTrue(os.access(self.path(f"bin/{program}"), os.X_OK), program)
        with open(self.path("share/pelmar/help.htm"), "rb") as installed, \
                open(os.path.join(SOURCE, "resources", "help.htm"), "rb") as source:
            self.assertEqual(installed.read(), source.read())
        self.assertEqual(png_size(self.path(f"share/icons/hicolor/256x256/apps/{APP_ID}.png")), (256, 256))
        with open(self.path(f"share/icons/hicolor/scalable/apps/{APP_ID}.svg")) as svg:
            self.assertRegex(svg.read(), r'viewBox="0 0 (\d+) \1"', "the scalable icon is square")

    def test_the_desktop_entry_passes_desktop_file_validate_and_names_the_icon(self):
        entry = self.path(f"share/applications/{APP_ID}.desktop")
        result = run(["desktop-file-validate", entry])
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))
        with open(entry) as f:
            text = f.read()
        self.assertIn(f"\nIcon={APP_ID}\n", text)
        self.assertIn("\nExec=pelmar\n", text)

    def test_the_metainfo_passes_appstreamcli_pedantic_with_screenshot_and_release(self):
        metainfo = self.path(f"share/metainfo/{APP_ID}.metainfo.xml")
        for command in (["appstreamcli", "validate", "--pedantic", "--no-net", metainfo],
                        ["appstreamcli", "validate-tree", "--pedantic", "--no-net", self.prefix]):
            with self.subTest(command=command[1]):
                result = run(command)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                self.assertIsNone(VALIDATOR_FINDING.search(result.stdout), result.stdout)
        with open(metainfo) as f:
            text = f.read()
        self.assertIn(f"<launchable type=\"desktop-id\">{APP_ID}.desktop</launchable>", text)
        self.assertRegex(text, r'<screenshot type="default">\s*<caption>[^<]+</caption>\s*'
                               r'<image[^>]*>https://pelmar\.example\.org/docs/main-english\.png</image>')
        self.assertTrue(os.path.exists(os.path.join(SOURCE, "docs", "main-english.png")))
        version = run([self.path("bin/pelmar"), "--version"], env=without_display()).stdout.split()[-1]
        self.assertRegex(text, rf'<release version="{re.escape(version)}" date="\d{{4}}-\d\d-\d\d"/>')
        for program in PROGRAMS:
            self.assertIn(f"<binary>{program}</binary>", text)

    def test_the_manual_pages_render_without_warnings(self):
        built = [os.path.join(BUILD, "data", "man", name) for name in ("pelmar.1", "pelmar-send.1")]
        installed = [self.path(f"share/man/man1/{program}.1.gz") for program in PROGRAMS]
        for page in built + installed:
            with self.subTest(page=page):
                result = run(["man", "--warnings=all", "-l", page],
                             env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8", MAN_KEEP_FORMATTING=""))
                self.assertEqual((result.returncode, result.stderr), (0, ""))
                name = os.path.basename(page).split(".")[0]
                self.assertRegex(result.stdout, rf"NAME\n\s+{re.escape(name)}\s+-\s")
                for section in ("SYNOPSIS", "DESCRIPTION", "FILES", "SEE ALSO"):
                    self.assertIn(f"\n{section}\n", result.stdout)

    def test_the_installed_program_answers_without_a_display_and_finds_its_help(self):
        for program, help_file in ((self.path("bin/pelmar"), self.path("share/pelmar/help.htm")),
                                   (os.path.join(BUILD, "bin", "pelmar"), os.path.join(BUILD, "bin", "help.htm"))):
            with self.subTest(program=program):
                version = run([program, "--version"], env=without_display())
                self.assertEqual((version.returncode, version.stdout, version.stderr),
                                 (0, "Varnolt Pelmar " + version.stdout.split()[-1] + "\n", ""))
                answer = run([program, "--help"], env=without_display())
                self.assertEqual(answer.returncode, 0, answer.stderr)
                self.assertIn(f"\nHelp: {os.path.realpath(help_file)}\n", answer.stdout)
                self.assertTrue(os.path.isfile(help_file))

    @staticmethod
    def holds_a_line(path):
        try:
            with open(path, "rb") as f:
                return b"\r\n" in f.read()
        except FileNotFoundError:
            return False

    def test_the_installed_program_writes_its_log_to_the_users_data_folder(self):
        # The prefix is writable, as ~/.local is: the data folder beside bin/ tells that the
        # program is installed, so log.txt goes to the per-user data folder.
        work = tempfile.mkdtemp(dir=self.tmp.name)
        config, data = os.path.join(work, "config"), os.path.join(work, "data")
        os.makedirs(os.path.join(config, "Drelko"))
        with Aiosmtpd() as server:
            with open(os.path.join(config, "Drelko", "Varnolt Pelmar.conf"), "w") as f:
                f.write("[General]\nime=Ana\nemail=ana@example.org\nhost=127.0.0.1\n"
                        f"username=pc1\nport={server.port}\npavza=0\ncharset=us-ascii\n")
            recipients, message = os.path.join(work, "list.txt"), os.path.join(work, "message.txt")
            with open(recipients, "w") as f:
                f.write("ann@example.org\n")
            with open(message, "w") as f:
                f.write("Hello\n")
            log = os.path.join(data, "Drelko", "Varnolt Pelmar", "log.txt")
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=config,
                       XDG_DATA_HOME=data, HOME=os.path.join(work, "home"))
            program = subprocess.Popen([self.path("bin/pelmar"), recipients, message, "send"], env=env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                deadline = time.monotonic() + 60
                while not self.holds_a_line(log) and time.monotonic() < deadline and program.poll() is None:
                    time.sleep(0.05)
            finally:
                program.terminate()
                program.wait(10)
            self.assertEqual(len(server.messages), 1)
        self.assertTrue(self.holds_a_line(log), "log.txt is not in the per-user data folder")
        self.assertEqual(sorted(os.listdir(self.path("bin"))), sorted(PROGRAMS))


if __name__ == "__main__":
    unittest.main()
