#include "app/SendBinding.h"

#include "app/PelmarApplication.h"
#include "app/MainWindow.h"
#include "app/SettingsDialog.h"
#include "app/SendLogWindow.h"
#include "app/Widgets.h"
#include "workflow/UserInterface.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

// Often enough for a person to see the counter run, seldom enough to cost nothing.
constexpr int FrameMilliseconds = 40;

std::string Text(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

}

TSendBinding::TSendBinding(TPelmar& program) : FProgram(program)
{
    FFrameEnd.setSingleShot(true);
    FFrameEnd.callOnTimeout([this] { Flush(); });
}

TForm1& TSendBinding::Form1() const
{
    return *FProgram.Form1;
}

std::string TSendBinding::Name() const { return Text(FProgram.Form3->Edit1); }
std::string TSendBinding::Email() const { return Text(FProgram.Form3->Edit2); }
std::string TSendBinding::Host() const { return Text(FProgram.Form3->Edit3); }
std::string TSendBinding::UserID() const { return Text(FProgram.Form3->Edit4); }
std::string TSendBinding::Charset() const { return Text(FProgram.Form3->Edit5); }
std::string TSendBinding::Delay() const { return Text(FProgram.Form3->Edit6); }
std::string TSendBinding::Port() const { return Text(FProgram.Form3->Edit7); }

void TSendBinding::AskForSettings()
{
    UserInterface().ExecModal(*FProgram.Form3);
}

std::string TSendBinding::Subject() const { return Text(Form1().Edit1); }
TStringList TSendBinding::BodyLines() const { return Form1().DisplayedBodyLines(); }
int TSendBinding::FormatIndex() const { return Form1().RadioGroup1->ItemIndex(); }
std::string TSendBinding::AttachmentPath() const { return Text(Form1().Edit3); }

void TSendBinding::ShowState(const std::string& text)
{
    FState = QString::fromStdString(text);
    Changed();
}

void TSendBinding::ShowCounter(const std::string& text)
{
    FCounter = QString::fromStdString(text);
    Changed();
}

void TSendBinding::ShowLogWindow()
{
    FProgram.Form6->show();
}

void TSendBinding::ClearLog()
{
    FLogLines.clear();
    FProgram.Form6->Memo1->clear();
}

void TSendBinding::AppendLogLine(const std::string& line)
{
    FLogLines.append(QString::fromStdString(line));
    Changed();
}

void TSendBinding::Changed()
{
    if (!FSinceShown.isValid() || FSinceShown.elapsed() >= FrameMilliseconds) {
        Flush();
        return;
    }
    if (!FFrameEnd.isActive())
        FFrameEnd.start(FrameMilliseconds - static_cast<int>(FSinceShown.elapsed()));
}

void TSendBinding::Flush()
{
    FFrameEnd.stop();
    FSinceShown.start();
    if (FState)
        Form1().StatusBar2->SetPanelText(1, *std::exchange(FState, std::nullopt));
    if (FCounter)
        Form1().StatusBar2->SetPanelText(2, *std::exchange(FCounter, std::nullopt));
    // One edit for many lines: the text is laid out once per frame, not once per line.
    if (!FLogLines.isEmpty())
        FProgram.Form6->Memo1->appendPlainText(std::exchange(FLogLines, {}).join('\n'));
}
