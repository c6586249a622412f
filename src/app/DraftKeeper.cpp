// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DraftKeeper.h"

#include "app/Widgets.h"
#include "base/Exception.h"
#include "workflow/lists/RecipientList.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

TDraftKeeper::TDraftKeeper(TDraftFields fields) : FWindow(std::move(fields)), FStore(DraftFolder())
{
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, [this] { SaveOnTheWay(); });
    WatchWindow();
}

void TDraftKeeper::WatchWindow()
{
    const auto list = [this] { Changed(true); };
    const auto message = [this] { Changed(false); };
    for (TListBox* column : {&FWindow.Entries, &FWindow.Labels}) {
        QAbstractItemModel* rows = column->model();
        connect(rows, &QAbstractItemModel::rowsInserted, this, list);
        connect(rows, &QAbstractItemModel::rowsRemoved, this, list);
        connect(rows, &QAbstractItemModel::modelReset, this, list);
        connect(rows, &QAbstractItemModel::dataChanged, this, list);
    }
    connect(&FWindow.Subject, &QLineEdit::textChanged, this, message);
    connect(&FWindow.Attachment, &QLineEdit::textChanged, this, message);
    connect(&FWindow.Body, &QPlainTextEdit::textChanged, this, message);
    for (int item = 0; item < 2; ++item)
        connect(FWindow.Format.Item(item), &QRadioButton::toggled, this, message);
}

void TDraftKeeper::Changed(bool list)
{
    (list ? FListWritten : FMessageWritten) = false;
    FArmed = true;
    if (!FTimer.isActive())
        FTimer.start(SaveDelay);
}

TDraftMessage TDraftKeeper::Message() const
{
    return {FWindow.Subject.text().toStdString(), FWindow.BodyText(), FWindow.Attachment.text().toStdString(),
            FWindow.Format.ItemIndex()};
}

TRecipientList TDraftKeeper::Recipients() const
{
    return TRecipientList(FWindow.Entries, FWindow.Labels, &FWindow.Fields);
}

void TDraftKeeper::Restore()
{
    TRecipientList list = Recipients();
    if (const auto message = FStore.Restore(list, FWindow.Label())) {
        FWindow.Subject.setText(QString::fromStdString(message->subject));
        FWindow.SetBodyText(message->body);
        FWindow.Attachment.setText(QString::fromStdString(message->attachment));
        FWindow.Format.SetItemIndex(message->format);
    }
    FListWritten = FMessageWritten = true;
    FTimer.stop();
}

void TDraftKeeper::HoldUntilChanged()
{
    FListWritten = FMessageWritten = false;
    FArmed = false;
    FTimer.stop();
}

void TDraftKeeper::Save(bool atClose)
{
    FTimer.stop();
    if (!Pending())
        return;
    const bool writeList = !FListWritten && (atClose || FWindow.Entries.count() <= ListWrittenOnTheWay);
    if (FMessageWritten && !writeList)
        return;
    const TRecipientList list = Recipients();
    FStore.Save(Message(), writeList ? &list : nullptr);
    FMessageWritten = true;
    FListWritten = FListWritten || writeList;
}

// A save on the way that fails is tried again after the next change; the close, which
// writes everything, reports its failure.
void TDraftKeeper::SaveOnTheWay()
{
    try {
        Save(false);
    } catch (const Exception&) {
    }
}
