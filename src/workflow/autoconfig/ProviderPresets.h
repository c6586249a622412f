// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <string>

#include "workflow/autoconfig/FoundAccount.h"

// The largest providers' submission servers, known without asking the network: by the
// address's domain, or by the domain's mail exchanger (a company's own domain at Google
// Workspace or Microsoft 365).
std::optional<TFoundAccount> PresetForDomain(const std::string& domain, const std::string& email);
std::optional<TFoundAccount> PresetForMailExchanger(const std::string& exchanger, const std::string& email);
