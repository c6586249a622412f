// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QWidget>

class QPlainTextEdit;

// The send log: one line per delivered message of the last job. Stays above other windows.
class TSendLogWindow : public QWidget {
public:
    explicit TSendLogWindow(QWidget* owner);

    QPlainTextEdit* logText;
};
