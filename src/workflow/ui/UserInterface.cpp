// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/ui/UserInterface.h"

#include "base/Exception.h"
#include "workflow/ui/Messages.h"

namespace {
TUserInterface* installed = nullptr;
}

TUserInterface& UserInterface()
{
    if (!installed)
        throw Exception("No user interface installed");
    return *installed;
}

TUserInterface* SetUserInterface(TUserInterface* ui)
{
    TUserInterface* previous = installed;
    installed = ui;
    return previous;
}

void OpenOnDesktop(const std::string& target)
{
    if (!UserInterface().ShellOpen(target))
        UserInterface().ShowMessage(Messages::CannotOpen(target));
}
