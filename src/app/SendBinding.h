#pragma once
#include "workflow/SendJob.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <optional>

class TForm1;
class TPelmar;

// The windows as the send job sees them: the settings dialog's fields, the main window's
// message fields, its lower status bar and the log window. The windows are looked up at
// each use, since the settings dialog and the log window are created after the main window.
class TSendBinding : public TSendSettings, public TMessageFields, public TSendProgress {
public:
    explicit TSendBinding(TPelmar& program);

    std::string Name() const override;
    std::string Email() const override;
    std::string Host() const override;
    std::string UserID() const override;
    std::string Charset() const override;
    std::string Delay() const override;
    std::string Port() const override;
    void AskForSettings() override;

    std::string Subject() const override;
    TStringList BodyLines() const override;
    int FormatIndex() const override;
    std::string AttachmentPath() const override;

    void ShowState(const std::string& text) override;
    void ShowCounter(const std::string& text) override;
    void ShowLogWindow() override;
    void ClearLog() override;
    void AppendLogLine(const std::string& line) override;
    void Flush() override;

private:
    TForm1& Form1() const;
    // Shows what is held back now if a frame has passed since the last time, or else
    // once the frame is over.
    void Changed();

    TPelmar& FProgram;
    // Held back until shown: laying out and painting the window for every message would
    // cost far more than sending it.
    std::optional<QString> FState;
    std::optional<QString> FCounter;
    QStringList FLogLines;
    QElapsedTimer FSinceShown;
    QTimer FFrameEnd;
};
