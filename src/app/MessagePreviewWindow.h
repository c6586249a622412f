// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/compose/MessagePreview.h"

#include <QTimer>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTextBrowser;

// The message as one recipient will get it: the entry, the subject and the text with
// the personal fields filled in, an HTML body shown as a mail program shows it. Why the
// job would not start stands above it. Shown without blocking the main window; while it
// is open it follows the list's selection and the message.
class TMessagePreviewWindow : public QWidget {
public:
    // preview: the message for the entry selected now; step: moves the list's
    // selection by one entry back (-1) or on (+1).
    TMessagePreviewWindow(QWidget* owner, std::function<TMessagePreview()> preview, std::function<void(int)> step);

    // Shows the preview at once.
    void Refresh();
    // Shows it after a short pause, so that typing into a long body stays quick; nothing
    // while the window is closed.
    void RefreshSoon();
    // Writes the texts of the language in force.
    void ShowLanguage();
    // The entry shown, -1 for none.
    int ShownIndex() const { return FShown.Index; }

    QLabel* positionLabel;
    QLabel* toLabel;
    QLineEdit* toEdit;
    QLabel* subjectLabel;
    QLineEdit* subjectEdit;
    QLabel* problemsLabel;
    QStackedWidget* bodyPages;
    QPlainTextEdit* textView;
    QTextBrowser* htmlView;
    QPushButton* previousButton;
    QPushButton* nextButton;
    QPushButton* closeButton;

private:
    void BuildWindow();
    void ShowPreview();

    std::function<TMessagePreview()> FPreview;
    std::function<void(int)> FStep;
    TMessagePreview FShown;
    QTimer FTimer;
};
