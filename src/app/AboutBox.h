// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QTextEdit;
class QToolButton;

// The about box: title and version, the maker, the addresses and the program's description.
class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* owner);

    QLabel* titleLabel; // title and version
    QLabel* makerLabel;
    QLabel* logo;                  // a click opens the maker's site
    QPlainTextEdit* addressesText; // the three addresses
    QTextEdit* descriptionText;    // filled before each showing
    QToolButton* okButton;

    // Empties the description, then shows these lines; long lines wrap at the width.
    void SetDescription(const QStringList& lines);

protected:
    void showEvent(QShowEvent* event) override;
};
