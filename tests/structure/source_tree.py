# SPDX-License-Identifier: GPL-3.0-or-later
"""What the structure checks share: the source folder and small trees written for a test."""
import os
import tempfile


def source_root():
    return os.environ.get("PELMAR_SOURCE_DIR",
                          os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def write_tree(test, files):
    """A temporary folder holding files ({relative path: text}), removed after the test."""
    folder = tempfile.TemporaryDirectory()
    test.addCleanup(folder.cleanup)
    for path, text in files.items():
        full = os.path.join(folder.name, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as out:
            out.write(text)
    return folder.name
