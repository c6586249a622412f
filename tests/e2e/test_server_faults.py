# SPDX-License-Identifier: GPL-3.0-or-later
"""`pelmar LIST MESSAGE send` against Postfix's smtp-sink committing one fault at every
command of a kind: a refused, deferred, dropped or stalled command, a server that goes away
mid-job, an abort in the text. A refused entry does not end the job, a deferred one is tried
again in the retry rounds, a dropped connection is made again up to three times; the
program survives every fault, log.txt and the delivery history name every outcome, and
nothing more is sent once the job has ended."""
import os
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from pelmar_program import PelmarSend  # noqa: E402
from smtp_servers import SmtpSink  # noqa: E402

RECIPIENTS = ["ann@example.org", "ben@example.org", "cara@example.org"]
# After the fault, nothing more may reach the server for this long.
QUIET_SECONDS = 1.0


class ConversationSink(SmtpSink):
    """smtp-sink with its conversation (-v) collected line by line."""

    def __init__(self, *options):
        super().__init__("-v", *options)
        self.lines = []
        self._lock = threading.Lock()

    def __enter__(self):
        super().__enter__()
        threading.Thread(target=self._collect, daemon=True).start()
        return self

    def __exit__(self, *exc):
        super().__exit__(*exc)
        self.proc.stderr.close()

    def _collect(self):
        prefix = "smtp-sink: "
        for raw in self.proc.stderr:
            text = raw.decode(errors="replace").rstrip("\r\n")
            if prefix in text:
                with self._lock:
                    self.lines.append(text.split(prefix, 1)[1])

    def commands(self):
        """What the clients sent, without the sink's own notes and the probe connection."""
        with self._lock:
            lines = list(self.lines)
        notes = ("name_mask", "trying", "connect", "vstream_", "fd=", "smtp_stream", "disconnect",
                 "fatal", "warning")
        return [line for line in lines if not line.startswith(notes)]

    def wait_for(self, condition, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if condition():
                return True
            time.sleep(0.05)
        return condition()


REFUSED_500 = "500 5.3.0 Error: command failed"
DEFERRED_450 = "450 4.3.0 Error: command failed"
LOST = "No reply to the end of the message."
RETRY_ROUNDS = 3

# name, options, each entry's outcome in the history, the log's lines after the entry
# ("entry...   " + this), the commands the server reads, counted. A job whose connection
# lives to its end says QUIT after its end is in the history: those cases count QUIT too,
# and the transcript is read once it has come.
CASES = [
    ("hard refusal of MAIL", ["-f", "MAIL"], ["refused"] * 3, [REFUSED_500] * 3,
     {"MAIL": 3, "RCPT": 0, ".": 0, "QUIT": 1}),
    ("soft refusal of RCPT: every retry round", ["-r", "RCPT"], ["deferred"] * 3,
     [DEFERRED_450] * 3 * (1 + RETRY_ROUNDS), {"RCPT": 3 * (1 + RETRY_ROUNDS), ".": 0, "QUIT": 1}),
    ("hard refusal of the final dot", ["-f", "."], ["refused"] * 3, [REFUSED_500] * 3, {".": 3, "QUIT": 1}),
    # No message ever gets an answer: three new connections, then the job gives up.
    ("disconnect without reply at RSET", ["-q", "RSET"], ["not sent"] * 3, [], {"RSET": 4, "MAIL": 0}),
    ("421 and close at DATA", ["-Q", "DATA"], ["not sent"] * 3, [], {"DATA": 4, ".": 0}),
    # The reply to the second message's final dot never comes: it counts as deferred.
    ("server gone during the second message", ["-M", "2"], ["delivered", "deferred", "not sent"],
     ["OK.", LOST], {"DATA": 2}),
    ("abort in the middle of the text", ["-A", "1", "-t", "3"], ["refused"] * 3,
     ["550 This violates SMTP"] * 3, {"DATA": 3}),
]


class ServerFaults(unittest.TestCase):
    def run_case(self, options, outcomes, logged, counted):
        with tempfile.TemporaryDirectory() as workdir, ConversationSink(*options) as sink, \
                PelmarSend(workdir, sink.port, RECIPIENTS, "Hello,\n", settings="retrywait=1\n") as program:
            job = program.wait_for_job_end(60)
            self.assertIsNotNone(job, "the job never ended")
            if "QUIT" in counted:
                self.assertTrue(sink.wait_for(lambda: "QUIT" in sink.commands(), 10), sink.commands())
            before = sink.commands()
            time.sleep(QUIET_SECONDS)
            self.assertEqual(sink.commands(), before, "nothing is sent after the job's end")
            self.assertIsNone(program.proc.poll(), "the program is still running")
            log = program.log_lines()
            entries = program.entries(job[0])
        self.assertEqual([e[2] for e in entries], outcomes)
        self.assertEqual(job[2:], (3, outcomes.count("delivered"), outcomes.count("refused"),
                                   outcomes.count("deferred"), outcomes.count("not sent")))
        self.assertEqual(len(log), len(logged))
        for line, entry, outcome in zip(log, RECIPIENTS * (1 + RETRY_ROUNDS), logged):
            self.assertTrue(line.endswith(": " + entry + "...   " + outcome), line)
        for command, times in counted.items():
            self.assertEqual(sum(1 for c in before if c.split()[0] == command), times, command)
        # The messages went to their own recipients in list order, round after round; a
        # message cut off by a broken connection goes again before the next.
        rcpts = [c for c in before if c.startswith("RCPT TO:")]
        turns = [r for i, r in enumerate(rcpts) if i == 0 or r != rcpts[i - 1]]
        self.assertEqual(turns, [f"RCPT TO:<{r}>" for r in (RECIPIENTS * 4)[:len(turns)]])

    def test_each_fault(self):
        for name, options, outcomes, logged, counted in CASES:
            with self.subTest(name):
                self.run_case(options, outcomes, logged, counted)

    def test_refused_helo_ends_before_any_job(self):
        with tempfile.TemporaryDirectory() as workdir, ConversationSink("-f", "HELO") as sink, \
                PelmarSend(workdir, sink.port, RECIPIENTS, "Hello,\n") as program:
            self.assertTrue(sink.wait_for(lambda: "QUIT" in sink.commands(), 30), sink.commands())
            time.sleep(QUIET_SECONDS)
            self.assertIsNone(program.proc.poll())
            self.assertEqual(program.log_lines(), [])
            self.assertEqual(program.jobs(), [], "a job that never reached the server records nothing")

    def test_stall_before_the_data_reply_is_waited_out(self):
        with tempfile.TemporaryDirectory() as workdir, ConversationSink("-w", "1") as sink, \
                PelmarSend(workdir, sink.port, RECIPIENTS, "Hello,\n") as program:
            self.assertIsNotNone(program.wait_for_log_lines(len(RECIPIENTS), 30))
            self.assertTrue(sink.wait_for(lambda: "QUIT" in sink.commands(), 10))
            self.assertIsNone(program.proc.poll())
            self.assertEqual(len(program.log_lines()), len(RECIPIENTS))
            self.assertEqual(sink.commands().count("."), len(RECIPIENTS))


if __name__ == "__main__":
    unittest.main()
