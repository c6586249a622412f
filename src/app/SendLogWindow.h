#pragma once
#include <QWidget>

class QPlainTextEdit;

// The send log: one line per delivered message of the last job. Stays above other windows.
class TForm6 : public QWidget {
public:
    explicit TForm6(QWidget* owner);

    QPlainTextEdit* Memo1;
};
