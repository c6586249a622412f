// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>

#include <QObject>

// A periodic timer of the event loop; ticks arrive while this thread dispatches events.
class TSystemTimer : public QObject {
public:
    explicit TSystemTimer(std::function<void()> onTick, QObject* parent = nullptr);
    ~TSystemTimer() override;

    // Restarts the period from now; false when the system refuses a timer.
    bool Start(std::uint32_t milliseconds);
    void Stop();
    bool Running() const { return FTimerId != 0; }
    // How often a period was started; tells a restart from a timer left alone.
    std::uint64_t Starts() const { return FStarts; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    std::function<void()> FOnTick;
    int FTimerId = 0;
    std::uint64_t FStarts = 0;
};
