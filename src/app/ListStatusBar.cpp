// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ListStatusBar.h"

#include "workflow/job/JobMessages.h"
#include "workflow/lists/MailboxCheck.h"
#include "workflow/program/ProgramState.h"

#include <QLabel>
#include <QPushButton>

namespace {

QString Number(int value)
{
    return QString::fromStdString(Messages::GroupedNumber(value));
}

// Slovenian nouns after a number: 1, 2, 3 and 4, then 5 and more (by the last two digits).
QString SlovenianRecipients(int count)
{
    const int lastTwo = count % 100;
    const char* noun = lastTwo == 1    ? " prejemnik"
        : lastTwo == 2                 ? " prejemnika"
        : lastTwo == 3 || lastTwo == 4 ? " prejemniki"
                                       : " prejemnikov";
    return Number(count) + QString::fromUtf8(noun);
}

}

QString ListCountText(int recipients, int notAddresses)
{
    const bool slovenian = CurrentLanguage == 1;
    QString text = slovenian ? SlovenianRecipients(recipients)
                             : Number(recipients) + (recipients == 1 ? " recipient" : " recipients");
    if (notAddresses > 0)
        text += QString::fromUtf8(" · ") + Number(notAddresses)
            + QString::fromUtf8(slovenian ? (notAddresses == 1 ? " ni naslov" : " niso naslovi")
                                          : (notAddresses == 1 ? " not an address" : " not addresses"));
    return text;
}

TListCount CountEntries(const QStringList& entries)
{
    TListCount count;
    for (const QString& entry : entries) {
        if (entry.isEmpty())
            continue;
        if (IsValidEntry(entry.toStdString()))
            ++count.Recipients;
        else
            ++count.NotAddresses;
    }
    return count;
}

TListStatusBar::TListStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setObjectName("listStatusBar");
    setSizeGripEnabled(false);
    noteLabel = new QLabel(this);
    noteLabel->setObjectName("listNoteLabel");
    undoButton = new QPushButton(this);
    undoButton->setObjectName("undoListButton");
    undoButton->setAutoDefault(false);
    undoButton->setFocusPolicy(Qt::NoFocus);
    addWidget(noteLabel);
    addWidget(undoButton);
    countLabel = new QLabel(this);
    countLabel->setObjectName("listCountLabel");
    addPermanentWidget(countLabel);
    WithdrawUndo();
    ShowLanguage();
}

void TListStatusBar::ShowCount(const TListCount& count)
{
    FCount = count;
    countLabel->setText(ListCountText(count.Recipients, count.NotAddresses));
}

void TListStatusBar::OfferUndo(const QString& note)
{
    noteLabel->setText(note);
    noteLabel->show();
    undoButton->show();
}

void TListStatusBar::WithdrawUndo()
{
    noteLabel->clear();
    noteLabel->hide();
    undoButton->hide();
}

void TListStatusBar::ShowLanguage()
{
    undoButton->setText(QString::fromUtf8(Lang("Razveljavi", "Undo")));
    undoButton->setToolTip(
        QString::fromUtf8(Lang("Vrni seznam, kot je bil (Ctrl+Z)", "Put the list back as it was (Ctrl+Z)")));
    ShowCount(FCount);
}
