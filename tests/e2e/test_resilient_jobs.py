# SPDX-License-Identifier: GPL-3.0-or-later
"""`pelmar LIST MESSAGE send` against aiosmtpd that refuses some recipients, defers others
once, and closes the connection with 421 in the middle of the job; and the program killed
(-9) at random moments and started again with the same command, which continues the
unfinished job. Every deliverable entry arrives exactly once (apart from a final dot whose
reply a kill cut off: at most one per kill), and the history says what happened."""
import os
import random
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from pelmar_program import PelmarSend  # noqa: E402
from smtp_servers import Aiosmtpd, _SavingHandler  # noqa: E402


class FaultyHandler(_SavingHandler):
    """Recipients whose local part begins with "later" are deferred at RCPT TO the first
    time; the message whose DATA is the close_at-th one ever gets 421 and the connection
    closes (RFC 5321 section 3.8); "refused..." recipients are refused after the dot."""

    def __init__(self, close_at=None):
        super().__init__(None)
        self.close_at = close_at
        self.data_seen = 0
        self.deferred = set()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("later") and address not in self.deferred:
            self.deferred.add(address)
            return "451 4.7.1 Greylisted, try again later"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.data_seen += 1
        if self.data_seen == self.close_at:
            # Closed once the reply is on its way (close lets the written bytes go first).
            server.loop.call_later(0.1, server.transport.close)
            return "421 4.3.2 Shutting down"
        return await super().handle_DATA(server, session, envelope)


def received(server):
    """How many times each recipient got a message."""
    counts = {}
    for _, rcpts, _ in server.messages:
        for rcpt in rcpts:
            counts[rcpt] = counts.get(rcpt, 0) + 1
    return counts


def wait_for_delivery(server, seconds, poll=0.02):
    """Waits until the server has taken one more message than when called."""
    before = server.handler.count
    deadline = time.monotonic() + seconds
    while server.handler.count == before:
        if time.monotonic() > deadline:
            return False
        time.sleep(poll)
    return True


# Enough that twenty runs of under a second each (about 2,000 messages a second on
# loopback) do not reach the end of the list.
ENTRIES = 30000


class ResilientJobs(unittest.TestCase):
    def test_refused_deferred_and_421_mid_job_deliver_everything_deliverable_once(self):
        entries = [f"r{i}@example.org" for i in range(1, 11)]
        entries[2] = "refused3@example.org"
        entries[4] = "later5@example.org"
        entries[6] = "later7@example.org"
        server = Aiosmtpd()
        server.handler = FaultyHandler(close_at=6)
        with tempfile.TemporaryDirectory() as workdir, server, \
                PelmarSend(workdir, server.port, entries, "Hello,\n", settings="retrywait=1\n") as program:
            job = program.wait_for_job_end(60)
            self.assertIsNotNone(job, "the job never ended")
            rows = program.entries(job[0])
            log = program.log_lines()
        deliverable = [e for e in entries if not e.startswith("refused")]
        self.assertEqual(received(server), {e: 1 for e in deliverable})
        self.assertEqual(job[2:], (10, 9, 1, 0, 0))
        outcomes = {entry: (outcome, reply) for _, entry, outcome, reply, _ in rows}
        self.assertEqual(outcomes["refused3@example.org"], ("refused", "554 5.7.1 Refused by the test server"))
        self.assertEqual(outcomes["later5@example.org"][0], "delivered")
        # The log names the deferrals of the first pass, then their deliveries in the
        # retry round; the message cut by 421 went again at once on a new connection.
        ends = [line.split(": ", 1)[1] for line in log]
        self.assertIn("later5@example.org...   451 4.7.1 Greylisted, try again later", ends)
        self.assertEqual(ends.count("later5@example.org...   OK."), 1)
        self.assertEqual(ends[-2:], ["later5@example.org...   OK.", "later7@example.org...   OK."])
        self.assertEqual(sum(1 for e in ends if e.endswith("OK.")), 9)
        self.assertEqual(len(ends), 12, "nine deliveries, a refusal and two deferrals: the 421 is no outcome")

    def test_killed_at_random_moments_and_started_again_delivers_each_entry_once(self):
        entries = [f"user{i:04}@example.org" for i in range(ENTRIES)]
        chance = random.Random(12)
        kills = 20
        server = Aiosmtpd()
        with tempfile.TemporaryDirectory() as workdir, server:
            def start():
                return PelmarSend(workdir, server.port, entries, "Hello,\n")

            for _ in range(kills):
                with start() as program:
                    # The random moment is counted from the run's first delivery, so that a
                    # slow start (a sanitizer build, a loaded machine) still gets killed mid-job.
                    self.assertTrue(wait_for_delivery(server, 60), "the run delivered nothing")
                    time.sleep(chance.uniform(0.0, 0.6))
                    program.proc.kill()
                    program.proc.wait()
                    unfinished = program.jobs()
            self.assertTrue(unfinished and unfinished[-1][1] is None, "the kills all came before the job's end")
            with start() as program:
                job = program.wait_for_job_end(120, jobs=1)
                self.assertIsNotNone(job, "the last run never ended its job")
                jobs = program.jobs()
        counts = received(server)
        self.assertEqual(set(counts), set(entries), "every entry was delivered")
        twice = {e: n for e, n in counts.items() if n > 1}
        self.assertTrue(all(n == 2 for n in twice.values()), twice)
        self.assertLessEqual(len(twice), kills, "at most one lost final-dot reply per kill")
        self.assertEqual(job[2:4], (ENTRIES, ENTRIES))
        self.assertEqual(len(jobs), 1, "every run continued the one unfinished job")
        print(f"\nkilled {kills} times: {len(server.messages)} messages for {len(entries)} entries, "
              f"{len(twice)} sent twice, {len(jobs)} job(s) in the history", file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
