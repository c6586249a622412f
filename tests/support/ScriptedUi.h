// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/ui/UserInterface.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Stands in for the person at the screen: records every message, error, dialog and
// shell request, and answers file dialogs from queues the test fills. Installed while
// it exists.
class TScriptedUi : public TUserInterface {
public:
    TScriptedUi();
    ~TScriptedUi() override;

    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ExecModal(QWidget& dialog) override;
    std::string OpenFileName(const TFileDialogRequest& request) override;
    std::string SaveFileName(const TFileDialogRequest& request) override;
    bool ShellOpen(const std::string& target) override;
    void Beep() override;
    std::optional<std::string> AskPassword(const std::string& prompt) override;
    int Ask(const std::string& question, const std::vector<std::string>& answers) override;

    // Answers for the next file dialogs; an empty answer cancels.
    std::deque<std::string> OpenAnswers;
    std::deque<std::string> SaveAnswers;
    // Answers for the next password prompts; nothing declines.
    std::deque<std::optional<std::string>> PasswordAnswers;
    // Answers (indices of the buttons; -1 closes the box) for the next questions.
    std::deque<int> Answers;
    // What the person does inside a modal dialog; by default it is closed at once.
    std::function<void(QWidget& dialog)> OnModal;
    // Whether the desktop has a program for what the shell is asked to open.
    bool ShellOpens = true;
    // What the desktop does with an address it opens (a browser signing in), when set.
    std::function<void(const std::string& target)> OnShellOpen;

    std::vector<std::string> Messages;
    std::vector<std::string> Errors;
    std::vector<std::string> Modals; // object names of the dialogs run
    std::vector<std::string> ShellOpened;
    std::vector<TFileDialogRequest> FileRequests;
    int Beeps = 0;
    std::vector<std::string> PasswordPrompts;
    // The questions asked, each followed by its answers' labels joined with "|".
    std::vector<std::string> Questions;
    // Everything in the order it happened: "message:", "error:", "modal:", "open:", "save:",
    // "shell:", "password:" (with the prompt), "ask:" (with the question).
    std::vector<std::string> Events;

private:
    TUserInterface* FPrevious;
};
