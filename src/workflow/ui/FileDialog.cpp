// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/ui/FileDialog.h"

#include "workflow/ui/UserInterface.h"

bool TFileDialog::Execute()
{
    const TFileDialogRequest request{Title, Filter, InitialDir, DefaultExt};
    const std::string chosen =
        FKind == TKind::Open ? UserInterface().OpenFileName(request) : UserInterface().SaveFileName(request);
    if (chosen.empty())
        return false;
    FileName = chosen;
    return true;
}

std::string ExtractFilePath(const std::string& fileName)
{
    const size_t slash = fileName.rfind('/');
    return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}
