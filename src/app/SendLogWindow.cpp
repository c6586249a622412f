// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SendLogWindow.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TSendLogWindow::TSendLogWindow(QWidget* owner) : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName("Form6");
    setWindowTitle("Varnolt Pelmar");
    resize(324, 393);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    logText = new QPlainTextEdit(this);
    logText->setObjectName("logText");
    logText->setLineWrapMode(QPlainTextEdit::NoWrap);
    logText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(logText);
}
