// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QStatusBar>
#include <QStringList>

class QLabel;
class QPushButton;

// "301 recipients · 1 not an address": what the list holds, in the language in force.
QString ListCountText(int recipients, int notAddresses);
// Counts the entries that get a message and those that are no address (empty ones are
// neither), and names the latter.
struct TListCount {
    int Recipients = 0;
    int NotAddresses = 0;
};
TListCount CountEntries(const QStringList& entries);

// The main window's bottom line: the list's count at the right, always; at the left a
// note on the last change to the list with an Undo button while it can be undone.
class TListStatusBar : public QStatusBar {
public:
    explicit TListStatusBar(QWidget* parent);

    void ShowCount(const TListCount& count);
    // The note and the Undo button, until WithdrawUndo.
    void OfferUndo(const QString& note);
    void WithdrawUndo();
    void ShowLanguage();

    QLabel* countLabel;
    QLabel* noteLabel;
    QPushButton* undoButton;

private:
    TListCount FCount;
};
