// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/job/SendJob.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <optional>

class QPlainTextEdit;
class TStatusBar;

// The widgets where the send job shows how it goes.
struct TSendProgressWidgets {
    TStatusBar* StatusBar; // panel 1 the session's state, panel 2 the counter
    QWidget* LogWindow;
    QPlainTextEdit* LogText;
};

// The send job's progress on the screen: the main window's lower status bar and the
// send log window.
class TSendProgressView : public TSendProgress {
public:
    explicit TSendProgressView(const TSendProgressWidgets& widgets);

    void ShowState(const std::string& text) override;
    void ShowCounter(const std::string& text) override;
    void ShowLogWindow() override;
    void ClearLog() override;
    void AppendLogLine(const std::string& line) override;
    void Flush() override;

private:
    // Shows what is held back now if a frame has passed since the last time, or else
    // once the frame is over.
    void Changed();

    TSendProgressWidgets FWidgets;
    // Held back until shown: laying out and painting the window for every message would
    // cost far more than sending it.
    std::optional<QString> FState;
    std::optional<QString> FCounter;
    QStringList FLogLines;
    QElapsedTimer FSinceShown;
    QTimer FFrameEnd;
};
