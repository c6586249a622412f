#include "app/SendBinding.h"

#include "app/Pelmar.h"
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/Unit6.h"
#include "app/Widgets.h"
#include "workflow/UserInterface.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

std::string Text(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

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
    Form1().StatusBar2->SetPanelText(1, QString::fromStdString(text));
}

void TSendBinding::ShowCounter(const std::string& text)
{
    Form1().StatusBar2->SetPanelText(2, QString::fromStdString(text));
}

void TSendBinding::ShowLogWindow()
{
    FProgram.Form6->show();
}

void TSendBinding::ClearLog()
{
    FProgram.Form6->Memo1->clear();
}

void TSendBinding::AppendLogLine(const std::string& line)
{
    FProgram.Form6->Memo1->appendPlainText(QString::fromStdString(line));
}
