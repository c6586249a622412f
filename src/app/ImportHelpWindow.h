// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// How to bring an address book exported from a mail program into the recipient list,
// and how its columns become fields of the message. Shown without blocking the main
// window; what the user types into it stays for the run.
class TImportHelpWindow : public QDialog {
public:
    explicit TImportHelpWindow(QWidget* owner);

    // Writes the texts of the language in force.
    void ShowLanguage();

    QLabel* headingLabel;
    QPlainTextEdit* instructionsEdit;
    QPushButton* okButton;
};
