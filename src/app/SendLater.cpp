// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SendLater.h"

#include "workflow/limits/LimitMessages.h"
#include "workflow/program/ProgramState.h"
#include "workflow/ui/UserInterface.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TSendLaterDialog::TSendLaterDialog(QWidget* owner) : QDialog(owner)
{
    setObjectName("SendLaterDialog");
    setWindowTitle("Varnolt Pelmar");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    momentLabel = new QLabel(this);
    momentLabel->setObjectName("momentLabel");
    momentEdit = new QDateTimeEdit(this);
    momentEdit->setObjectName("momentEdit");
    momentEdit->setCalendarPopup(true);
    momentEdit->setDisplayFormat("yyyy-MM-dd HH:mm:ss");
    momentLabel->setBuddy(momentEdit);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(momentLabel);
    layout->addWidget(momentEdit);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::optional<QDateTime> TSendLaterDialog::AskMoment()
{
    momentLabel->setText(QString::fromUtf8(Lang("Začni pošiljati ob:", "Start sending at:")));
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8(Lang("Pošlji pozneje", "Send later")));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8(Lang("Prekliči", "Cancel")));
    // The next full hour is the likeliest choice.
    const QDateTime now = QDateTime::currentDateTime();
    momentEdit->setDateTime(QDateTime(now.date(), QTime(now.time().hour(), 0)).addSecs(3600));
    setResult(QDialog::Rejected);
    UserInterface().ExecModal(*this);
    if (result() != QDialog::Accepted || momentEdit->dateTime() <= now)
        return std::nullopt;
    return momentEdit->dateTime();
}

TScheduledSend::TScheduledSend(QObject* owner) : QObject(owner)
{
    FTimer.setInterval(1000);
    connect(&FTimer, &QTimer::timeout, this, [this] { Tick(); });
}

void TScheduledSend::Schedule(const QDateTime& moment)
{
    FMoment = moment;
    FTimer.start();
    Tick();
}

void TScheduledSend::Drop()
{
    FTimer.stop();
    FMoment = {};
}

void TScheduledSend::Tick()
{
    if (!Scheduled())
        return;
    const std::int64_t left = QDateTime::currentDateTime().msecsTo(FMoment);
    if (left > 0) {
        if (OnTick)
            OnTick(Messages::StartsAt(FMoment.toMSecsSinceEpoch(), static_cast<int>((left + 999) / 1000)));
        return;
    }
    Drop();
    if (OnStart)
        OnStart();
}
