"""A plain SMTP server on 127.0.0.1 that drops the connection, without a reply, at a random
command with the given probability. Prints its port on the first line of its output, then
writes one line per accepted message (the RCPT mailboxes) to the file named on its command
line. Used by bench_soak."""
import asyncio
import random
import sys


class Session:
    def __init__(self, reader, writer, odds, accepted):
        self.reader, self.writer, self.odds, self.accepted = reader, writer, odds, accepted
        self.recipients = []

    async def run(self):
        self.writer.write(b"220 soak ready\r\n")
        while True:
            line = await self.reader.readline()
            if not line:
                return
            if random.random() < self.odds:
                return  # the drop: the command gets no reply
            verb = line[:4].upper()
            if verb == b"QUIT":
                self.writer.write(b"221 bye\r\n")
                return
            if verb == b"RSET" or verb == b"MAIL":
                if verb == b"RSET":
                    self.recipients = []
                self.writer.write(b"250 ok\r\n")
            elif verb == b"RCPT":
                self.recipients.append(line[8:].strip().decode())
                self.writer.write(b"250 ok\r\n")
            elif verb == b"DATA":
                self.writer.write(b"354 go on\r\n")
                while (await self.reader.readline()) not in (b".\r\n", b""):
                    pass
                if random.random() < self.odds:
                    return  # dropped at the final dot: not accepted
                self.accepted.write(" ".join(self.recipients) + "\n")
                self.accepted.flush()
                self.recipients = []
                self.writer.write(b"250 queued\r\n")
            else:
                self.writer.write(b"250 hi\r\n")
            await self.writer.drain()


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
    asyncio.run(main(sys.argv[1], float(sys.argv[2]), int(sys.argv[3])))
