// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SendProgressView.h"

#include "app/Widgets.h"

#include <QPlainTextEdit>

namespace {

// Often enough for a person to see the counter run, seldom enough to cost nothing.
constexpr int FrameMilliseconds = 40;

}

TSendProgressView::TSendProgressView(const TSendProgressWidgets& widgets) : FWidgets(widgets)
{
    FFrameEnd.setSingleShot(true);
    FFrameEnd.callOnTimeout([this] { Flush(); });
}

void TSendProgressView::ShowState(const std::string& text)
{
    FState = QString::fromStdString(text);
    Changed();
}

void TSendProgressView::ShowCounter(const std::string& text)
{
    FCounter = QString::fromStdString(text);
    Changed();
}

void TSendProgressView::ShowLogWindow()
{
    FWidgets.LogWindow->show();
}

void TSendProgressView::ClearLog()
{
    FLogLines.clear();
    FWidgets.LogText->clear();
}

void TSendProgressView::AppendLogLine(const std::string& line)
{
    FLogLines.append(QString::fromStdString(line));
    Changed();
}

void TSendProgressView::Changed()
{
    if (!FSinceShown.isValid() || FSinceShown.elapsed() >= FrameMilliseconds) {
        Flush();
        return;
    }
    if (!FFrameEnd.isActive())
        FFrameEnd.start(FrameMilliseconds - static_cast<int>(FSinceShown.elapsed()));
}

void TSendProgressView::Flush()
{
    FFrameEnd.stop();
    FSinceShown.start();
    if (FState)
        FWidgets.StatusBar->SetPanelText(1, *std::exchange(FState, std::nullopt));
    if (FCounter)
        FWidgets.StatusBar->SetPanelText(2, *std::exchange(FCounter, std::nullopt));
    // One edit for many lines: the text is laid out once per frame, not once per line.
    if (!FLogLines.isEmpty())
        FWidgets.LogText->appendPlainText(std::exchange(FLogLines, {}).join('\n'));
}
