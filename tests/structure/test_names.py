# SPDX-License-Identifier: GPL-3.0-or-later
"""Files, classes and handlers in src/ are named for what they do, and the version is written
only in project(): no Unit<N> or about files, no TForm<N> classes, no numbered handlers."""
import os
import re
import unittest

from source_tree import source_root, write_tree

NUMBERED_FILE = re.compile(r"^(Unit\d+|about)(Layout)?\.(h|cpp)$", re.IGNORECASE)
NUMBERED_NAME = re.compile(
    r"\bTForm\d+\b"
    r"|\b(M|Button|Edit|ListBox|ToolButton|Memo|RadioGroup|Form)\d*"
    r"(Click|DblClick|Exit|Change|KeyUp|KeyDown|Enter|Create|Show|Activate|Close)\b")


def version_literal(version):
    return re.compile(r'"' + re.escape(version) + r'(\.\d+)*"')


def project_version(root):
    with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as cmake:
        return re.search(r"project\([^)]*VERSION\s+([0-9.]+)", cmake.read()).group(1)


def problems_in(src, version):
    literal = version_literal(version)
    problems = []
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            path = os.path.join(folder, name)
            where = os.path.relpath(path, src)
            if NUMBERED_FILE.match(name):
                problems.append(f"{where}: numbered file name")
            if not name.endswith((".h", ".cpp")):
                continue
            with open(path, encoding="utf-8", errors="replace") as source:
                for number, line in enumerate(source, 1):
                    for match in NUMBERED_NAME.finditer(line):
                        problems.append(f"{where}:{number}: {match.group(0)}")
                    if literal.search(line):
                        problems.append(f"{where}:{number}: version literal")
    return problems


class CheckFindsFaults(unittest.TestCase):
    def tree(self, files):
        return write_tree(self, files)

    def test_each_fault_is_found_and_good_names_pass(self):
        cases = {
            "good names": ({"app/MainWindow.cpp": 'void TMainWindow::sendToList() {}\nsetObjectName("Form1");\n'},
                           []),
            "numbered file": ({"app/Unit3.cpp": ""}, ["app/Unit3.cpp: numbered file name"]),
            "about file": ({"app/about.h": ""}, ["app/about.h: numbered file name"]),
            "form class": ({"app/W.h": "class TForm6 {};\n"}, ["app/W.h:1: TForm6"]),
            "menu handler": ({"app/W.cpp": "void M12Click();\n"}, ["app/W.cpp:1: M12Click"]),
            "field handler": ({"app/W.cpp": "\n void Edit2Exit();\n"}, ["app/W.cpp:2: Edit2Exit"]),
            "life-cycle handler": ({"app/W.cpp": "void FormShow();\n"}, ["app/W.cpp:1: FormShow"]),
            "version literal": ({"app/A.cpp": 'auto v = "0.8";\n'}, ["app/A.cpp:1: version literal"]),
            "longer version literal": ({"app/A.cpp": 'auto v = "0.8.1";\n'},
                                       ["app/A.cpp:1: version literal"]),
            "another number": ({"app/A.cpp": 'auto v = "10.8"; auto w = "0.85";\n'}, []),
        }
        for name, (files, expected) in cases.items():
            with self.subTest(name):
                self.assertEqual(problems_in(self.tree(files), "0.8"), expected)


class SourceTree(unittest.TestCase):
    def test_src_names_say_what_things_do(self):
        root = source_root()
        self.assertEqual(problems_in(os.path.join(root, "src"), project_version(root)), [])


if __name__ == "__main__":
    unittest.main()
