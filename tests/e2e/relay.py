# SPDX-License-Identifier: GPL-3.0-or-later
"""A TCP relay on 127.0.0.1 in front of a server: it forwards both directions, optionally
holding every chunk back by `delay` seconds (a link with that one-way latency; chunks
keep their order and do not wait for each other), counts the connections that ended,
and counts the client's turns: the times the client spoke again after the server had
spoken, i.e. the round trips the client waited for.

    with Relay(server.port, delay=0.010) as relay:
        ... connect to relay.port ...
        relay.turns, relay.closed
"""
import queue
import socket
import threading
import time


class Relay:
    def __init__(self, target_port, delay=0.0):
        self.target_port = target_port
        self.delay = delay
        self.turns = 0
        self.closed = 0
        self._lock = threading.Lock()
        self._server_spoke = False
        self._listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self._listener.bind(("127.0.0.1", 0))
        self._listener.listen(16)
        self.port = self._listener.getsockname()[1]
        self._running = True

    def __enter__(self):
        threading.Thread(target=self._accept, daemon=True).start()
        return self

    def __exit__(self, *exc):
        self._running = False
        self._listener.close()

    def _accept(self):
        while self._running:
            try:
                client, _ = self._listener.accept()
            except OSError:
                return
            server = socket.create_connection(("127.0.0.1", self.target_port))
            for s in (client, server):
                s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            ended = threading.Barrier(2, action=lambda: self._count_close(client, server))
            self._pipe(client, server, True, ended)
            self._pipe(server, client, False, ended)

    def _count_close(self, client, server):
        for s in (client, server):
            s.close()
        with self._lock:
            self.closed += 1

    def _note(self, from_client):
        with self._lock:
            if from_client:
                if self._server_spoke:
                    self.turns += 1
                self._server_spoke = False
            else:
                self._server_spoke = True

    # One direction: a reader that stamps every chunk with its due time, a writer that
    # sends it then. An end of stream travels the same way, so it is not early either.
    def _pipe(self, source, sink, from_client, ended):
        line = queue.Queue()

        def read():
            while True:
                try:
                    data = source.recv(65536)
                except OSError:
                    data = b""
                if data:
                    self._note(from_client)
                line.put((time.monotonic() + self.delay, data))
                if not data:
                    return

        def write():
            while True:
                due, data = line.get()
                wait = due - time.monotonic()
                if wait > 0:
                    time.sleep(wait)
                try:
                    if data:
                        sink.sendall(data)
                    else:
                        sink.shutdown(socket.SHUT_WR)
                except OSError:
                    pass
                if not data:
                    ended.wait()
                    return

        threading.Thread(target=read, daemon=True).start()
        threading.Thread(target=write, daemon=True).start()
