# SPDX-License-Identifier: GPL-3.0-or-later
"""A plain SMTP server on 127.0.0.1 that misbehaves at random, as a busy server on a bad
link does: per message, with the given odds, it drops the connection without a reply at
one of the message's commands (at the final dot half of the time after it has taken the
message, so that the reply is what gets lost), defers the recipient (451), or refuses it for
good (550, always the same mailboxes). Prints its port on the first line of its output,
then writes one line per accepted message (the RCPT mailboxes) to the file named on its
command line. Used by bench_soak.

    soak_server.py ACCEPTED-FILE DROP-ODDS DEFER-ODDS REFUSE-ODDS SEED
"""
import asyncio
import random
import sys
import zlib

COMMANDS_PER_MESSAGE = 5  # RSET, MAIL, RCPT, DATA, the final dot


class Session:
    def __init__(self, reader, writer, odds, accepted):
        self.reader, self.writer, self.accepted = reader, writer, accepted
        self.drop, self.defer, self.refuse = odds
        self.recipients = []

    def refused_for_good(self, mailbox):
        # The same mailboxes every time: a permanent refusal does not change on a retry.
        return zlib.crc32(mailbox.encode()) % 100000 < self.refuse * 100000

    def dropped(self):
        return random.random() < self.drop / COMMANDS_PER_MESSAGE

    async def run(self):
        self.writer.write(b"220 soak ready\r\n")
        while True:
            line = await self.reader.readline()
            if not line:
                return
            verb = line[:4].upper()
            if verb != b"QUIT" and self.dropped():
                return  # the command gets no reply
            if verb == b"QUIT":
                self.writer.write(b"221 bye\r\n")
                return
            if verb in (b"RSET", b"MAIL"):
                self.recipients = []
                self.writer.write(b"250 ok\r\n")
            elif verb == b"RCPT":
                mailbox = line[8:].strip().decode().strip("<>")
                if self.refused_for_good(mailbox):
                    self.writer.write(b"550 5.1.1 no such user\r\n")
                elif random.random() < self.defer:
                    self.writer.write(b"451 4.3.0 try again later\r\n")
                else:
                    self.recipients.append(mailbox)
                    self.writer.write(b"250 ok\r\n")
            elif verb == b"DATA":
                if not self.recipients:
                    self.writer.write(b"503 5.5.1 no valid recipients\r\n")
                    await self.writer.drain()
                    continue
                self.writer.write(b"354 go on\r\n")
                await self.writer.drain()
                while (await self.reader.readline()) not in (b".\r\n", b""):
                    pass
                if self.dropped():
                    if random.random() < 0.5:
                        self.accept()  # taken, but the reply never leaves
                    return
                self.accept()
                self.writer.write(b"250 queued\r\n")
            else:
                self.writer.write(b"250 hi\r\n")
            await self.writer.drain()

    def accept(self):
        self.accepted.write(" ".join(self.recipients) + "\n")
        self.accepted.flush()
        self.recipients = []


async def main(accepted_path, odds, seed):
    random.seed(seed)
    accepted = open(accepted_path, "w")

    async def serve(reader, writer):
        try:
            await Session(reader, writer, odds, accepted).run()
        except ConnectionError:
            pass
        finally:
            writer.close()

    server = await asyncio.start_server(serve, "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1], (float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])), int(sys.argv[5])))
