// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <string>
#include <vector>

class QWidget;

// What a file dialog is asked for; the filter is "description|pattern|description|pattern".
struct TFileDialogRequest {
    std::string Title;
    std::string Filter;
    std::string InitialDir;
    std::string DefaultExt;
};

// Everything that waits for a person or hands work to another program goes through
// here, so that tests can answer instead of a person. The program installs the
// Qt implementation at start-up; tests install their own.
class TUserInterface {
public:
    virtual ~TUserInterface() = default;
    // A modal message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // The program's standard error box for an error that ended a command.
    virtual void ShowError(const std::string& text) = 0;
    // Runs a dialog window modally; returns when it is closed.
    virtual void ExecModal(QWidget& dialog) = 0;
    // The chosen file's full path, or empty when the user cancelled.
    virtual std::string OpenFileName(const TFileDialogRequest& request) = 0;
    virtual std::string SaveFileName(const TFileDialogRequest& request) = 0;
    // Opens an address or a file with the user's default program; false when the desktop
    // has none for it (no browser or handler installed).
    virtual bool ShellOpen(const std::string& target) = 0;
    virtual void Beep() = 0;
    // Asks for a password with the prompt, the typing masked; nothing when cancelled.
    virtual std::optional<std::string> AskPassword(const std::string& prompt) = 0;
    // A question with one button per answer (the first one the default, the last one the
    // way out); returns the index of the answer chosen, -1 when the box was closed.
    virtual int Ask(const std::string& question, const std::vector<std::string>& answers) = 0;
};

TUserInterface& UserInterface();

// Opens target through the seam; when the desktop cannot, tells the user so in a message box.
void OpenOnDesktop(const std::string& target);
// Installs ui (not owned) and returns the one it replaces.
TUserInterface* SetUserInterface(TUserInterface* ui);
