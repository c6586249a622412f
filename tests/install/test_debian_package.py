# SPDX-License-Identifier: GPL-3.0-or-later
"""`cpack -G DEB` makes a .deb that installs the same tree under /usr and depends on Debian
packages by their names (found by dpkg-shlibdeps, plus what Qt loads at run time).

Environment (set by CMake): PELMAR_BINARY_DIR, PELMAR_APP_ID, PELMAR_PROGRAMS.
"""
import os
import re
import subprocess
import tempfile
import unittest

BUILD = os.environ["PELMAR_BINARY_DIR"]
APP_ID = os.environ["PELMAR_APP_ID"]
PROGRAMS = os.environ["PELMAR_PROGRAMS"].split()
# One entry of Depends: a package name, optionally "(op version)", alternatives split by "|".
PACKAGE_NAME = re.compile(r"[a-z0-9][a-z0-9+.-]+")
VERSION_BOUND = re.compile(r"\((<<|<=|=|>=|>>) [0-9][A-Za-z0-9.+~:-]*\)")
# Lintian tags the package carries on purpose, each with the reason in a comment beside it.
# Empty: every finding is mended in the package itself.
DELIBERATE_TAGS = []


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, timeout=300, **kwargs)
    if result.returncode != 0:
        raise AssertionError(f"{command} failed:\n{result.stdout}{result.stderr}")
    return result.stdout


def field(deb, name):
    return run(["dpkg-deb", "-f", deb, name]).strip()


def package_names(relation):
    """[(name, bound)] of every alternative in a Depends-style field."""
    entries = []
    for entry in filter(None, (e.strip() for e in relation.split(","))):
        for alternative in entry.split("|"):
            name, _, bound = alternative.strip().partition(" ")
            entries.append((name, bound))
    return entries


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        run(["cpack", "-G", "DEB", "-B", cls.tmp.name, "--config", os.path.join(BUILD, "CPackConfig.cmake")],
            cwd=BUILD)
        debs = [n for n in os.listdir(cls.tmp.name) if n.endswith(".deb")]
        assert len(debs) == 1, debs
        cls.deb = os.path.join(cls.tmp.name, debs[0])

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_the_file_is_named_and_described_as_debian_expects(self):
        version = run([os.path.join(BUILD, "bin", "pelmar"), "--version"]).split()[-1]
        architecture = run(["dpkg", "--print-architecture"]).strip()
        self.assertEqual(os.path.basename(self.deb), f"pelmar_{version}_{architecture}.deb")
        self.assertEqual(field(self.deb, "Package"), "pelmar")
        self.assertEqual(field(self.deb, "Version"), version)
        self.assertEqual(field(self.deb, "Section"), "mail")
        self.assertTrue(field(self.deb, "Maintainer"))
        self.assertGreater(len(field(self.deb, "Description").splitlines()), 1, "a summary and a long text")

    def test_every_dependency_is_a_debian_package_this_system_knows(self):
        depends = package_names(field(self.deb, "Depends"))
        names = {name for name, _ in depends}
        for name, bound in depends + package_names(field(self.deb, "Recommends")):
            with self.subTest(package=name):
                self.assertRegex(name, PACKAGE_NAME.pattern + "$")
                if bound:
                    self.assertRegex(bound, VERSION_BOUND.pattern + "$")
                self.assertFalse(name.endswith("-dev"), "a development package at run time")
                run(["dpkg-query", "-W", name])  # the package exists (installed here to build)
        self.assertLessEqual({"libc6", "libqt6core6", "libqt6widgets6", "qt6-qpa-plugins"}, names)

    def test_it_installs_the_install_tree_under_usr(self):
        listing = run(["dpkg-deb", "-c", self.deb])
        files = {line.split()[-1] for line in listing.splitlines() if not line.startswith("d")}
        expected = {f"./usr/{path}" for path in (
            "share/pelmar/help.htm", "share/doc/pelmar/copyright", "share/doc/pelmar/changelog.gz",
            f"share/applications/{APP_ID}.desktop",
            f"share/metainfo/{APP_ID}.metainfo.xml", f"share/icons/hicolor/scalable/apps/{APP_ID}.svg",
            f"share/icons/hicolor/256x256/apps/{APP_ID}.png")}
        for program in PROGRAMS:
            expected |= {f"./usr/bin/{program}", f"./usr/share/man/man1/{program}.1.gz"}
        self.assertEqual(files, expected)

    # Debian's own check of a package: no error and no warning, so nothing at all is printed.
    def test_lintian_finds_nothing(self):
        command = ["lintian", "--fail-on", "error,warning"]
        if DELIBERATE_TAGS:
            command += ["--suppress-tags", ",".join(DELIBERATE_TAGS)]
        result = subprocess.run(command + [self.deb], capture_output=True, text=True, timeout=300)
        self.assertEqual(result.stdout, "")
        self.assertEqual(result.returncode, 0, result.stderr)


if __name__ == "__main__":
    unittest.main()
