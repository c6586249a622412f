// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <exception>
#include <functional>

// The application's central handler for errors raised inside event callbacks that
// have no caller to return to (timer ticks, for instance). The window layer installs
// one that shows the error; until then the error is written to the log.
using TExceptionHandler = std::function<void(const std::exception& error)>;

void SetApplicationExceptionHandler(TExceptionHandler handler);
void HandleApplicationException(const std::exception& error);
