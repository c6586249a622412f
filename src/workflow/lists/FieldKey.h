// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

// The key under which a field or column name is matched: case-folded, without white space,
// so that {{First Name}}, {{first name}} and {{FirstName}} all name the column "First Name".
std::string FieldKey(std::string_view name);
