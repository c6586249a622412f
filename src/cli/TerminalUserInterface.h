// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/ui/UserInterface.h"

#include <cstdio>
#include <functional>
#include <string>

// The user-interface seam of the headless sender: messages go to standard error, a
// password is asked on the controlling terminal without echo, and nothing ever waits for
// an answer where there is no terminal, so a script or a cron job cannot hang.
class TTerminalUserInterface : public TUserInterface {
public:
    // errors: where messages go (standard error; tests give a file).
    explicit TTerminalUserInterface(std::FILE* errors = stderr) : FErrors(errors) { }

    // A handle that becomes readable when the user interrupts (the signal pipe): a
    // question on the terminal gives up then. -1 for none.
    void SetInterruptHandle(int handle) { FInterrupt = handle; }
    // Runs before a message is shown: the progress line on the terminal is ended first.
    void SetBeforeMessage(std::function<void()> beforeMessage) { FBeforeMessage = std::move(beforeMessage); }
    // The text of the last message shown, so that the caller does not print it twice.
    const std::string& LastMessage() const { return FLastMessage; }

    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ExecModal(QWidget& dialog) override;
    std::string OpenFileName(const TFileDialogRequest& request) override;
    std::string SaveFileName(const TFileDialogRequest& request) override;
    bool ShellOpen(const std::string& target) override;
    void Beep() override;
    std::optional<std::string> AskPassword(const std::string& prompt) override;
    int Ask(const std::string& question, const std::vector<std::string>& answers) override;

    // Message texts separate their lines by CR, as message boxes take them.
    static std::string TerminalLines(const std::string& text);
    // Standard output goes to a terminal (not a file or a pipe).
    static bool OutputIsTerminal();

private:
    // A line typed on the terminal, echoed or not; nothing when there is no terminal, the
    // input ended or the user interrupted.
    std::optional<std::string> ReadTerminalLine(const std::string& prompt, bool echo);

    std::FILE* FErrors;
    int FInterrupt = -1;
    std::string FLastMessage;
    std::function<void()> FBeforeMessage;
};
