#pragma once
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// How to bring an address book exported from a mail program into the recipient list.
// Shown without blocking the main window; what the user types into it stays for the run.
class TOutlookForm : public QDialog {
public:
    explicit TOutlookForm(QWidget* owner);

    QLabel* Label1;
    QPlainTextEdit* Memo1;
    QPushButton* Button1;

    void Button1Click();
    static const QStringList& HelpLines();
};
