#include "workflow/UserInterface.h"

#include "base/Exception.h"

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
