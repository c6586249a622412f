// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InterruptWatch.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};
struct sigaction previousAction;

extern "C" void NoteInterrupt(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds enough interrupts to act on.
    [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

TInterruptWatch::TInterruptWatch()
{
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    FNotifier = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(FNotifier.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
    struct sigaction action { };
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousAction);
}

TInterruptWatch::~TInterruptWatch()
{
    if (!FNotifier)
        return;
    sigaction(SIGINT, &previousAction, nullptr);
    FNotifier.reset();
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

int TInterruptWatch::Handle() const
{
    return pipeEnds[0];
}

void TInterruptWatch::Drain()
{
    char bytes[64];
    ssize_t got = 0;
    while ((got = read(pipeEnds[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < got; ++i)
            Dispatch(++FCount);
}

void TInterruptWatch::Dispatch(int count)
{
    const std::function<void()>& handler = count == 1 ? OnFirst : OnAgain;
    if (handler)
        handler();
}
