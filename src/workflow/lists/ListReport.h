// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

struct TListLoading;

// Tells the user, through message boxes, what loading a recipients file could not take:
// characters its encoding did not hold (as for every file), then the rows of an address
// book that named no address. Says nothing when everything was taken.
void ReportListLoading(const std::string& fileName, const TListLoading& loading);

// "3 rows without an e-mail address were left out.", in the language in force.
std::string RowsWithoutAddressText(int count);
