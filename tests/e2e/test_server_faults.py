"""`pelmar LIST MESSAGE send` against Postfix's smtp-sink committing one fault: a refused,
dropped or stalled command, a server that goes away mid-job, an abort in the text. The
program survives every fault, log.txt names exactly the messages the server accepted,
and nothing more is sent once the job has failed."""
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


# options, messages the server accepts, final dots it reads (None: not counted), the
# command after which nothing more may come (None: the sink itself ends)
CASES = [
    ("hard refusal of MAIL", ["-f", "MAIL"], 0, 0, "MAIL FROM:<ana@example.org>"),
    ("soft refusal of RCPT", ["-r", "RCPT"], 0, 0, "DATA"),
    ("hard refusal of the final dot", ["-f", "."], 0, 1, "."),
    ("disconnect without reply at RSET", ["-q", "RSET"], 0, 0, "RSET"),
    ("421 and close at DATA", ["-Q", "DATA"], 0, 0, "DATA"),
    ("refused HELO", ["-f", "HELO"], 0, 0, "QUIT"),
    ("server gone during the second message", ["-M", "2"], 1, None, None),
    ("abort in the middle of the text", ["-A", "1", "-t", "3"], 0, None, "DATA"),
]


class ServerFaults(unittest.TestCase):
    def run_case(self, options, accepted, dots, last_command):
        with tempfile.TemporaryDirectory() as workdir, ConversationSink(*options) as sink, \
                PelmarSend(workdir, sink.port, RECIPIENTS, "Hello,\n") as program:
            if last_command is None:
                self.assertTrue(sink.wait_for(lambda: sink.proc.poll() is not None, 30), "the sink never ended")
            else:
                self.assertTrue(sink.wait_for(lambda: last_command in sink.commands(), 30),
                                f"never reached {last_command}: {sink.commands()}")
            program.wait_for_log_lines(accepted, 10)
            before = sink.commands()
            time.sleep(QUIET_SECONDS)
            self.assertEqual(sink.commands(), before, "nothing is sent after the failure")
            self.assertIsNone(program.proc.poll(), "the program is still running")
            log = program.log_lines()
        commands = before
        if dots is not None:
            self.assertEqual(commands.count("."), dots)
        self.assertEqual(len(log), accepted)
        for line, entry in zip(log, RECIPIENTS):
            self.assertTrue(line.endswith(": " + entry + "...   OK."), line)
        # Every message went to its own recipient once, in list order, up to the failure.
        rcpts = [c for c in commands if c.startswith("RCPT TO:")]
        self.assertEqual(rcpts, [f"RCPT TO:<{r}>" for r in RECIPIENTS[:len(rcpts)]])

    def test_each_fault(self):
        for name, options, accepted, dots, last_command in CASES:
            with self.subTest(name):
                self.run_case(options, accepted, dots, last_command)

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
