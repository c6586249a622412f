// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDateTime>
#include <QDialog>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

class QDateTimeEdit;
class QDialogButtonBox;
class QLabel;

// "Send later…": the date and time a job is to start.
class TSendLaterDialog : public QDialog {
public:
    explicit TSendLaterDialog(QWidget* owner);
    QLabel* momentLabel;
    QDateTimeEdit* momentEdit;
    QDialogButtonBox* buttons;

    // Asks through the dialog seam; nothing when the person cancelled or chose a past moment.
    std::optional<QDateTime> AskMoment();
};

// A job waiting for its moment: the countdown each second, then the start (once).
class TScheduledSend : public QObject {
public:
    explicit TScheduledSend(QObject* owner);

    std::function<void(const std::string& countdown)> OnTick;
    std::function<void()> OnStart;

    void Schedule(const QDateTime& moment);
    void Drop();
    bool Scheduled() const { return FMoment.isValid(); }
    const QDateTime& Moment() const { return FMoment; }
    // Checks the clock now (the timer does this every second).
    void Tick();

private:
    QTimer FTimer;
    QDateTime FMoment;
};
