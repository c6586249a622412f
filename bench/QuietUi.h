// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/ui/UserInterface.h"

// Nobody is at the screen: messages go nowhere, questions take their first answer.
class TQuietUi : public TUserInterface {
public:
    void ShowMessage(const std::string&) override { }
    void ShowError(const std::string&) override { }
    void ExecModal(QWidget&) override { }
    std::string OpenFileName(const TFileDialogRequest&) override { return {}; }
    std::string SaveFileName(const TFileDialogRequest&) override { return {}; }
    bool ShellOpen(const std::string&) override { return true; }
    void Beep() override { }
    std::optional<std::string> AskPassword(const std::string&) override { return std::nullopt; }
    int Ask(const std::string&, const std::vector<std::string>&) override { return 0; }
};
