// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// A file dialog that keeps its settings and the last chosen file between runs,
// like the main window's shared Open and Save dialogs.
class TFileDialog {
public:
    enum class TKind { Open, Save };
    explicit TFileDialog(TKind kind) : FKind(kind) { }

    std::string Title;
    std::string Filter;
    std::string DefaultExt;
    std::string InitialDir;
    // The file chosen at the last run that was not cancelled; empty before.
    std::string FileName;

    // Shows the dialog; false when the user cancelled.
    bool Execute();

private:
    TKind FKind;
};

// The folder part of a path, with its trailing separator; empty without one.
std::string ExtractFilePath(const std::string& fileName);
