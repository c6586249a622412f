// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptedUi.h"

#include <QWidget>
#include <gtest/gtest.h>

TScriptedUi::TScriptedUi() : FPrevious(SetUserInterface(this))
{
}

TScriptedUi::~TScriptedUi()
{
    SetUserInterface(FPrevious);
}

void TScriptedUi::ShowMessage(const std::string& text)
{
    Messages.push_back(text);
    Events.push_back("message:" + text);
}

void TScriptedUi::ShowError(const std::string& text)
{
    Errors.push_back(text);
    Events.push_back("error:" + text);
}

void TScriptedUi::ExecModal(QWidget& dialog)
{
    const std::string name = dialog.objectName().toStdString();
    Modals.push_back(name);
    Events.push_back("modal:" + name);
    if (OnModal)
        OnModal(dialog);
}

static std::string Answer(std::deque<std::string>& answers, const char* kind)
{
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected " << kind << " dialog";
        return {};
    }
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
}

std::string TScriptedUi::OpenFileName(const TFileDialogRequest& request)
{
    FileRequests.push_back(request);
    Events.push_back("open:" + request.Title);
    return Answer(OpenAnswers, "open");
}

std::string TScriptedUi::SaveFileName(const TFileDialogRequest& request)
{
    FileRequests.push_back(request);
    Events.push_back("save:" + request.Title);
    return Answer(SaveAnswers, "save");
}

bool TScriptedUi::ShellOpen(const std::string& target)
{
    ShellOpened.push_back(target);
    Events.push_back("shell:" + target);
    if (OnShellOpen)
        OnShellOpen(target);
    return ShellOpens;
}

void TScriptedUi::Beep()
{
    ++Beeps;
    Events.push_back("beep");
}

std::optional<std::string> TScriptedUi::AskPassword(const std::string& prompt)
{
    PasswordPrompts.push_back(prompt);
    Events.push_back("password:" + prompt);
    if (PasswordAnswers.empty()) {
        ADD_FAILURE() << "unexpected password prompt: " << prompt;
        return std::nullopt;
    }
    std::optional<std::string> answer = PasswordAnswers.front();
    PasswordAnswers.pop_front();
    return answer;
}

int TScriptedUi::Ask(const std::string& question, const std::vector<std::string>& answers)
{
    std::string labels;
    for (const std::string& answer : answers)
        labels += (labels.empty() ? "" : "|") + answer;
    Questions.push_back(question + "\n" + labels);
    Events.push_back("ask:" + question);
    if (Answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << question;
        return -1;
    }
    const int answer = Answers.front();
    Answers.pop_front();
    return answer;
}
