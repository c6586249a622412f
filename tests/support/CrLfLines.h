// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"

#include <string>

// The lines as they go on the wire: each followed by CR LF.
inline std::string CrLfLines(std::initializer_list<std::string> lines)
{
    return TStringList(lines).Text();
}
