// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/ui/UserInterface.h"

// The real dialogs, message boxes and shell of the desktop.
class TQtUserInterface : public TUserInterface {
public:
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ExecModal(QWidget& dialog) override;
    std::string OpenFileName(const TFileDialogRequest& request) override;
    std::string SaveFileName(const TFileDialogRequest& request) override;
    bool ShellOpen(const std::string& target) override;
    void Beep() override;
    std::optional<std::string> AskPassword(const std::string& prompt) override;
    int Ask(const std::string& question, const std::vector<std::string>& answers) override;
};

// "description|pattern|..." as the name filters of a Qt file dialog.
#include <QStringList>
QStringList NameFilters(const std::string& filter);
// The extension a save dialog adds to a name typed without one, once the user has chosen
// nameFilter: the filter's own when it stands for one kind of file ("*.csv (*.csv)"
// gives "csv"), otherwise the request's default.
QString SuffixForFilter(const QString& nameFilter, const QString& defaultSuffix);
