// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <exception>
#include <string>

class TSmtpClient;

// Why a secured connection could not be made, and what to check, as the line under
// "Connect failed"; empty when the failure has no more to say than that.
std::string ConnectFailureReason(const std::exception_ptr& error, const TSmtpClient& smtp, int timeOutSeconds);
