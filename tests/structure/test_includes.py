# SPDX-License-Identifier: GPL-3.0-or-later
"""The include graph of src/ has no circle, and every include points down the layers; the
operating system's headers are included in src/platform alone.

A file and its header count as one unit (folder/Stem): MainWindow.cpp including Language.h
while Language.cpp includes MainWindow.h is a circle between two units, even though no
header includes itself.
"""
import os
import re
import sys
import unittest

from source_tree import source_root, write_tree

# Each folder may include from itself and from the folders before it.
LAYERS = ["base", "platform", "net", "mail", "workflow", "app"]
# Folders beside the chain: what each may include besides itself.
SIDE_FOLDERS = {
    "keyring": {"base", "platform", "net", "mail", "workflow"},
    "signin": {"base", "platform", "net", "mail", "workflow"},
    "cli": {"base", "platform", "net", "mail", "workflow", "keyring", "signin"},
}
# Side folders that a folder of the chain may include as well.
CHAIN_SIDE_INCLUDES = {"app": {"keyring", "signin"}}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s*<([^>]+)>', re.MULTILINE)
# The operating system's socket, file, name and time calls (POSIX and Windows): a port to
# another system should be one folder's work.
OS_HEADER = re.compile(r"^(sys|netinet|arpa|net)/|^(unistd|fcntl|poll|netdb|time|ctime|termios|signal|csignal"
                       r"|dirent|pwd|ifaddrs|dlfcn|pthread|windows|winsock2|ws2tcpip|io)(\.h)?$")
# Where they may stand: the platform folder, and the headless sender's terminal and Ctrl-C.
OS_UNITS = ("platform/", "cli/TerminalUserInterface", "cli/InterruptWatch", "cli/main")
SOURCE_SUFFIXES = (".h", ".cpp")


def allowed_folders(folder):
    if folder in SIDE_FOLDERS:
        return SIDE_FOLDERS[folder] | {folder}
    if folder in LAYERS:
        return set(LAYERS[: LAYERS.index(folder) + 1]) | CHAIN_SIDE_INCLUDES.get(folder, set())
    return None


def read_units(root):
    """{unit: {included unit, ...}} for every source file under root; unit = folder/Stem."""
    units = {}
    for folder, _, files in os.walk(root):
        for name in files:
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(folder, name)
            unit = os.path.splitext(os.path.relpath(path, root))[0].replace(os.sep, "/")
            with open(path, encoding="utf-8", errors="replace") as source:
                included = {os.path.splitext(target)[0] for target in INCLUDE.findall(source.read())}
            units.setdefault(unit, set()).update(included - {unit})
    return units


def os_headers_outside_platform(root):
    problems = []
    for folder, _, files in os.walk(root):
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(folder, name)
            unit = os.path.splitext(os.path.relpath(path, root))[0].replace(os.sep, "/")
            if unit.startswith(OS_UNITS):
                continue
            with open(path, encoding="utf-8", errors="replace") as source:
                for header in SYSTEM_INCLUDE.findall(source.read()):
                    if OS_HEADER.search(header):
                        problems.append(f"{unit} includes <{header}>")
    return sorted(problems)


def upward_includes(units):
    problems = []
    for unit, included in sorted(units.items()):
        folder = unit.split("/")[0]
        allowed = allowed_folders(folder)
        if allowed is None:
            problems.append(f"{unit}: folder '{folder}' has no place in the layer order")
            continue
        for target in sorted(included):
            if "/" not in target and target not in units:
                continue  # a header generated into the build tree, such as Version.h
            if target.split("/")[0] not in allowed:
                problems.append(f"{unit} includes {target}")
    return problems


def circles(units):
    """Every strongly connected group of more than one unit, as a sorted list of names."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []

    def visit(unit):
        index[unit] = low[unit] = len(index)
        stack.append(unit)
        on_stack.add(unit)
        for target in units.get(unit, ()):
            if target not in units:
                continue  # a system or generated header
            if target not in index:
                visit(target)
                low[unit] = min(low[unit], low[target])
            elif target in on_stack:
                low[unit] = min(low[unit], index[target])
        if low[unit] == index[unit]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == unit:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    sys.setrecursionlimit(max(1000, 4 * len(units)))
    for unit in sorted(units):
        if unit not in index:
            visit(unit)
    return found


def problems_in(root):
    units = read_units(root)
    return (upward_includes(units) + [" <-> ".join(group) for group in circles(units)]
            + os_headers_outside_platform(root))


class CheckFindsFaults(unittest.TestCase):
    """The check itself, on small trees written for the purpose."""

    def tree(self, files):
        return write_tree(self, files)

    def test_clean_tree_passes(self):
        root = self.tree({
            "base/Exception.h": "#pragma once\n#include <string>\n",
            "net/Session.h": '#include "base/Exception.h"\n',
            "net/Session.cpp": '#include "net/Session.h"\n#include "base/Exception.h"\n',
            "app/Window.cpp": '#include "net/Session.h"\n#include <QWidget>\n',
            "cli/main.cpp": '#include "workflow/Job.h"\n#include "keyring/Keeper.h"\n',
            "app/Passwords.cpp": '#include "keyring/Keeper.h"\n#include <string>\n#include <ctype.h>\n',
            "platform/Socket.cpp": "#include <sys/socket.h>\n#include <poll.h>\n#include <ctime>\n",
            "cli/TerminalUserInterface.cpp": "#include <termios.h>\n#include <unistd.h>\n",
            "keyring/Keeper.h": '#include "workflow/Job.h"\n',
            "workflow/Job.h": '#include "net/Session.h"\n',
        })
        self.assertEqual(problems_in(root), [])

    def test_each_fault_is_found(self):
        cases = {
            "header circle": ({"base/A.h": '#include "base/B.h"\n', "base/B.h": '#include "base/A.h"\n'},
                              ["base/A <-> base/B"]),
            "circle through the sources": ({
                "app/Window.h": "", "app/Window.cpp": '#include "app/Language.h"\n',
                "app/Language.h": "", "app/Language.cpp": '#include "app/Window.h"\n',
            }, ["app/Language <-> app/Window"]),
            "longer circle": ({
                "mail/A.h": '#include "mail/B.h"\n', "mail/B.h": '#include "mail/C.h"\n',
                "mail/C.cpp": '  #  include "mail/A.h"\n', "mail/C.h": "",
            }, ["mail/A <-> mail/B <-> mail/C"]),
            "upward include": ({"net/Session.cpp": '#include "app/Window.h"\n', "app/Window.h": ""},
                               ["net/Session includes app/Window"]),
            "workflow reaching the windows": ({"workflow/Job.h": '#include "app/Binding.h"\n',
                                               "app/Binding.h": ""},
                                              ["workflow/Job includes app/Binding"]),
            "headless sender reaching the windows": ({"cli/main.cpp": '#include "app/Window.h"\n',
                                                      "app/Window.h": ""},
                                                     ["cli/main includes app/Window"]),
            "keyring reaching the windows": ({"keyring/Keeper.cpp": '#include "app/Window.h"\n',
                                              "app/Window.h": ""},
                                             ["keyring/Keeper includes app/Window"]),
            "workflow reaching the keyring": ({"workflow/Job.cpp": '#include "keyring/Keeper.h"\n',
                                               "keyring/Keeper.h": ""},
                                              ["workflow/Job includes keyring/Keeper"]),
            "system calls outside the platform": ({
                "net/Session.cpp": "#include <arpa/inet.h>\n#include <poll.h>\n",
                "base/Stream.cpp": "#include <sys/stat.h>\n#include <cstdio>\n",
                "workflow/Log.cpp": "# include <ctime>\n#include <netdb.h>\n",
                "cli/SendCommand.cpp": "#include <unistd.h>\n",
            }, ["base/Stream includes <sys/stat.h>", "cli/SendCommand includes <unistd.h>",
                "net/Session includes <arpa/inet.h>", "net/Session includes <poll.h>",
                "workflow/Log includes <ctime>", "workflow/Log includes <netdb.h>"]),
            "folder outside the order": ({"gui/Thing.h": ""},
                                         ["gui/Thing: folder 'gui' has no place in the layer order"]),
        }
        for name, (files, expected) in cases.items():
            with self.subTest(name):
                self.assertEqual(problems_in(self.tree(files)), expected)


class SourceTree(unittest.TestCase):
    def test_src_has_no_circle_and_no_upward_include(self):
        root = source_root()
        src = os.path.join(root, "src")
        self.assertTrue(os.path.isdir(os.path.join(src, "base")), src)
        self.assertEqual(problems_in(src), [])


if __name__ == "__main__":
    unittest.main()
