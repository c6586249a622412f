# SPDX-License-Identifier: GPL-3.0-or-later
"""The real program, run as a person would start it with a recipients file, a message file
and "send", but offscreen and with a private settings store and program folder.

The executable is copied into a folder of its own so that its log.txt lands there; the
settings file is written beforehand under a private XDG_CONFIG_HOME.
"""
import glob
import os
import shutil
import sqlite3
import subprocess
import time


def read_log_lines(path):
    """The lines of a log.txt (CR LF after each), none when there is no file."""
    try:
        with open(path, "rb") as f:
            return f.read().decode().split("\r\n")[:-1]
    except FileNotFoundError:
        return []


class PelmarSend:
    def __init__(self, workdir, port, recipients, message, delay=0, pelmar_bin=None, name="Ana",
                 charset="us-ascii", host="127.0.0.1", username="pc1", settings="", env=None):
        """recipients: a list of entries, or the file's bytes; message: text, or the file's
        bytes; charset None leaves the setting out, so that its default holds; settings: more
        lines for the settings file; env: more environment variables."""
        self.workdir = workdir
        bin_dir = pelmar_bin or os.environ["PELMAR_BIN"]
        self.program_dir = os.path.join(workdir, "program")
        os.makedirs(self.program_dir, exist_ok=True)
        self.executable = shutil.copy(os.path.join(bin_dir, "pelmar"), self.program_dir)
        self.log_path = os.path.join(self.program_dir, "log.txt")
        config = os.path.join(workdir, "config")
        os.makedirs(os.path.join(config, "Drelko"), exist_ok=True)
        with open(os.path.join(config, "Drelko", "Varnolt Pelmar.conf"), "w", encoding="utf-8") as f:
            f.write(f"[General]\nime={name}\nemail=ana@example.org\nhost={host}\n"
                    f"username={username}\nport={port}\npavza={delay}\n"
                    + (f"charset={charset}\n" if charset is not None else "") + settings)
        self.list_path = os.path.join(workdir, "list.txt")
        with open(self.list_path, "wb") as f:
            f.write(recipients if isinstance(recipients, bytes)
                    else "".join(r + "\r\n" for r in recipients).encode())
        self.message_path = os.path.join(workdir, "message.txt")
        with open(self.message_path, "wb") as f:
            f.write(message if isinstance(message, bytes) else message.encode())
        # No session bus answers: the user's own keyring is never asked.
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=config,
                        HOME=os.path.join(workdir, "home"), XDG_DATA_HOME=os.path.join(workdir, "data"),
                        DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/pelmar-test-bus", **(env or {}))
        self.proc = None
        self._log_offset = 0
        self._log_count = 0

    def __enter__(self):
        self.proc = subprocess.Popen([self.executable, self.list_path, self.message_path, "send"],
                                     env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self.proc.stderr.close()

    def log_lines(self):
        return read_log_lines(self.log_path)

    def _count_new_lines(self):
        # Reads only what was appended since the last look, so that watching a long log
        # costs the program under test nothing.
        try:
            with open(self.log_path, "rb") as f:
                f.seek(self._log_offset)
                added = f.read()
        except FileNotFoundError:
            return 0
        self._log_offset += len(added)
        self._log_count += added.count(b"\r\n")
        return self._log_count

    def wait_for_log_lines(self, count, seconds, poll=0.05):
        """Waits until log.txt holds count lines; returns the time it first did, or None."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if self._count_new_lines() >= count:
                return time.monotonic()
            if self.proc.poll() is not None:
                return None
            time.sleep(poll)
        return None

    # The delivery history the program keeps in its data folder.
    def history_path(self):
        found = glob.glob(os.path.join(self.workdir, "data", "**", "history.sqlite"), recursive=True)
        return found[0] if found else None

    def _query(self, sql, *args):
        path = self.history_path()
        if path is None:
            return []
        db = sqlite3.connect(f"file:{path}?mode=ro", uri=True, timeout=5)
        try:
            return db.execute(sql, args).fetchall()
        finally:
            db.close()

    def jobs(self):
        """(id, ended, total, delivered, refused, deferred, not_sent) of every job, oldest first."""
        return self._query("SELECT id, ended, total, delivered, refused, deferred, not_sent FROM jobs ORDER BY id")

    def entries(self, job):
        """(position, entry, outcome, reply, note) of a job's entries in list order."""
        return self._query("SELECT position, entry, outcome, reply, note FROM entries WHERE job = ? "
                           "ORDER BY position", job)

    def wait_for_job_end(self, seconds, jobs=1, poll=0.1):
        """Waits until the history holds this many jobs and the last has ended; returns
        the last job's row, or None."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            try:
                rows = self.jobs()
            except sqlite3.OperationalError:
                rows = []  # the program is creating it
            if len(rows) >= jobs and rows[-1][1] is not None:
                return rows[-1]
            if self.proc.poll() is not None:
                return None
            time.sleep(poll)
        return None


class HeadlessSender:
    """pelmar-send copied into a folder of its own (its log.txt lands there), with a private
    settings file, data folder and home, and no display, session bus or password around."""

    def __init__(self, workdir, port, settings="", language=2, host="127.0.0.1", username="pc1"):
        self.workdir = workdir
        program_dir = os.path.join(workdir, "program")
        os.makedirs(program_dir, exist_ok=True)
        self.executable = shutil.copy(os.path.join(os.environ["PELMAR_BIN"], "pelmar-send"), program_dir)
        self.log_path = os.path.join(program_dir, "log.txt")
        config = os.path.join(workdir, "config")
        os.makedirs(os.path.join(config, "Drelko"), exist_ok=True)
        with open(os.path.join(config, "Drelko", "Varnolt Pelmar.conf"), "w", encoding="utf-8") as f:
            f.write(f"[General]\nime=Ana\nemail=ana@example.org\nhost={host}\nusername={username}\nport={port}\n"
                    f"pavza=0\ncharset=utf-8\njezik={language}\n{settings}")
        self.data = os.path.join(workdir, "data")
        self.env = {key: value for key, value in os.environ.items()
                    if key not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "PELMAR_PASSWORD")}
        self.env.update(XDG_CONFIG_HOME=config, XDG_DATA_HOME=self.data, HOME=os.path.join(workdir, "home"),
                        DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/pelmar-test-bus")

    def file(self, name, content):
        path = os.path.join(self.workdir, name)
        with open(path, "wb") as f:
            f.write(content if isinstance(content, bytes) else content.encode())
        return path

    def lines(self, *entries):
        return self.file("list.txt", "".join(entry + "\r\n" for entry in entries))

    def start(self, *args, env=None):
        # No terminal: standard input is empty and the output goes to pipes.
        return subprocess.Popen([self.executable, *args], env=dict(self.env, **(env or {})),
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                start_new_session=True)

    def run(self, *args, env=None, seconds=60):
        proc = self.start(*args, env=env)
        out, err = proc.communicate(timeout=seconds)
        return proc.returncode, out.decode(), err.decode()

    def log_lines(self):
        return read_log_lines(self.log_path)

    def history(self):
        """{entry: outcome} of the newest job in the delivery history."""
        path = os.path.join(self.data, "Drelko", "Varnolt Pelmar", "history.sqlite")
        with sqlite3.connect(path) as db:
            tables = {name for (name,) in db.execute("SELECT name FROM sqlite_master WHERE type='table'")}
            assert {"jobs", "entries"} <= tables, tables
            job = db.execute("SELECT max(id) FROM jobs").fetchone()[0]
            return dict(db.execute("SELECT entry, outcome FROM entries WHERE job = ?", (job,)).fetchall())
