// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

// Ctrl-C (SIGINT) while the program runs. The signal handler only writes a byte to a
// pipe, which is async-signal-safe; the event loop (which the job's waits keep turning)
// reads it and calls the handlers here, outside the signal. The first interrupt asks for
// a gentle stop, every later one for an immediate one. One watch at a time per process.
class TInterruptWatch : public QObject {
public:
    TInterruptWatch();
    ~TInterruptWatch() override;

    std::function<void()> OnFirst;
    std::function<void()> OnAgain;

    // How many interrupts were handled so far.
    int Count() const { return FCount; }
    // Readable once an interrupt came and until it is handled: a blocking read elsewhere
    // (the password on the terminal) watches it to give up.
    int Handle() const;

private:
    void Dispatch(int count);
    void Drain();

    std::unique_ptr<QSocketNotifier> FNotifier;
    int FCount = 0;
};
