// SPDX-License-Identifier: GPL-3.0-or-later
// Prints how fast Transaction runs against a loopback responder compared with a
// plain blocking client doing the same exchange, and how much processor time the
// session uses while it waits for a server that does not answer.
#include <QCoreApplication>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "net/SocketSession.h"

namespace {

using Clock = std::chrono::steady_clock;
// Rounds alternate between the two clients, so that load from elsewhere on the
// machine affects both alike; the median round of each is reported.
constexpr int Rounds = 7;
constexpr auto MeasureFor = std::chrono::milliseconds(400);
constexpr auto SilentWait = std::chrono::seconds(5);

int ListenLoopback(std::uint16_t& port)
{
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 4);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return listener;
}

// The session runs on this thread; the responder threads are not its cost.
double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

void NoDelay(int handle)
{
    const int on = 1;
    setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Answers every line with one reply line.
void Respond(int client)
{
    NoDelay(client);
    char buffer[4096];
    ssize_t received;
    while ((received = recv(client, buffer, sizeof buffer, 0)) > 0)
        for (ssize_t j = 0; j < received; ++j)
            if (buffer[j] == '\n')
                send(client, "250 OK\r\n", 8, MSG_NOSIGNAL);
    close(client);
}

// Serves each of the given number of connections on its own thread.
void Serve(int listener, int connections)
{
    std::vector<std::thread> responders;
    for (int i = 0; i < connections; ++i)
        responders.emplace_back(Respond, accept(listener, nullptr, nullptr));
    for (std::thread& responder : responders)
        responder.join();
}

double SessionRate(TSocketSession& session)
{
    long count = 0;
    const auto start = Clock::now();
    while (Clock::now() - start < MeasureFor) {
        session.Transaction("NOOP");
        ++count;
    }
    return count / std::chrono::duration<double>(Clock::now() - start).count();
}

int ConnectPlain(std::uint16_t port)
{
    const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address);
    NoDelay(handle);
    return handle;
}

double PlainRate(int handle)
{
    long count = 0;
    char buffer[256];
    const auto start = Clock::now();
    while (Clock::now() - start < MeasureFor) {
        send(handle, "NOOP\r\n", 6, MSG_NOSIGNAL);
        std::string line;
        while (line.find('\n') == std::string::npos) {
            const ssize_t received = recv(handle, buffer, sizeof buffer, 0);
            if (received <= 0)
                return 0;
            line.append(buffer, static_cast<std::size_t>(received));
        }
        ++count;
    }
    return count / std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The floor this machine sets: a loop that only sleeps 2 ms at a time.
double BareSleepShare()
{
    const double cpuBefore = ThreadCpuSeconds();
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(1))
        poll(nullptr, 0, 2);
    return (ThreadCpuSeconds() - cpuBefore) / std::chrono::duration<double>(Clock::now() - start).count();
}

// The share of one core the process uses while a Transaction waits for an answer
// that never comes; the listener's queue holds the connection, nobody reads it.
double IdleWaitShare()
{
    std::uint16_t port = 0;
    const int listener = ListenLoopback(port);
    TSocketSession session;
    session.SetHost("127.0.0.1");
    session.SetPort(port);
    session.Connect();
    session.SetTimeOut(static_cast<int>(std::chrono::milliseconds(SilentWait).count()));
    const double cpuBefore = ThreadCpuSeconds();
    const auto start = Clock::now();
    try {
        session.Transaction("NOOP");
    } catch (const EAbortError&) {
        // the time-out is what ends this wait
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    session.Disconnect();
    close(listener);
    return cpu / wall;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::uint16_t port = 0;
    const int listener = ListenLoopback(port);
    std::thread responder(Serve, listener, 2);
    std::vector<double> sessionRates, plainRates, ratios;
    {
        TSocketSession session;
        session.SetHost("127.0.0.1");
        session.SetPort(port);
        session.SetTimeOut(5000);
        session.Connect();
        const int plain = ConnectPlain(port);
        for (int round = 0; round < Rounds; ++round) {
            sessionRates.push_back(SessionRate(session));
            plainRates.push_back(PlainRate(plain));
            ratios.push_back(sessionRates.back() / plainRates.back());
        }
        session.Disconnect();
        close(plain);
    }
    responder.join();
    close(listener);
    const double sessionRate = Median(sessionRates);
    const double plainRate = Median(plainRates);

    std::printf("Transaction round trips per second (session):         %10.0f\n", sessionRate);
    std::printf("Round trips per second (plain blocking client):       %10.0f\n", plainRate);
    std::printf("Ratio session / plain (target >= 0.80):               %10.2f  (median of rounds %.2f)\n",
                sessionRate / plainRate, Median(ratios));
    const double share = IdleWaitShare();
    std::printf("Processor use while waiting 5 s for a silent server:  %9.2f%% of one core (target < 1%%)\n",
                share * 100);
    std::printf("  for comparison, a loop that only sleeps 2 ms:       %9.2f%% of one core\n", BareSleepShare() * 100);
    return 0;
}
