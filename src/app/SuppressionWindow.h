// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
class QPushButton;
class QTableWidget;
class TSuppressionList;

// The account's suppression list: search, add by hand, import a recipients file, remove the
// chosen rows, export as a recipients file. Every change is in the database at once.
class TSuppressionWindow : public QDialog {
public:
    // account: the sender's address the list is kept for, read whenever the window shows it.
    TSuppressionWindow(QWidget* owner, TSuppressionList& list, std::function<std::string()> account);

    QLineEdit* searchEdit;
    QTableWidget* table; // address, why, the server's reply, added
    QLineEdit* addressEdit;
    QPushButton* addButton;
    QPushButton* importButton;
    QPushButton* removeButton;
    QPushButton* exportButton;

    void Refresh();
    void AddTyped();
    void Import();
    void RemoveChosen();
    void Export();

private:
    void ShowTexts();

    TSuppressionList& FList;
    std::function<std::string()> FAccount;
};
