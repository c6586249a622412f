// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// This machine's fully qualified domain name: the host name when it has a dot, else the
// canonical name the resolver gives it. The lookup runs once, on a worker thread started
// by the first call; until it has answered, and when there is no such name, the result
// is empty.
std::string MachineDomainName();
