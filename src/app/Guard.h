// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/Exception.h"
#include "workflow/ui/UserInterface.h"

#include <exception>

// Runs one command; an error it raises ends the command and is shown in the program's
// standard error box, and the program goes on.
template <typename Command>
void Guard(Command&& command)
{
    try {
        command();
    } catch (const Exception& e) {
        UserInterface().ShowError(e.Message());
    } catch (const std::exception& e) {
        UserInterface().ShowError(e.what());
    }
}
