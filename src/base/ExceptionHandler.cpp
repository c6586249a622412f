// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/ExceptionHandler.h"

#include <QtGlobal>

namespace {
TExceptionHandler& InstalledHandler()
{
    static TExceptionHandler handler;
    return handler;
}
} // namespace

void SetApplicationExceptionHandler(TExceptionHandler handler)
{
    InstalledHandler() = std::move(handler);
}

void HandleApplicationException(const std::exception& error)
{
    if (InstalledHandler())
        InstalledHandler()(error);
    else
        qWarning("%s", error.what());
}
