// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/ListReport.h"

#include "workflow/compose/MessageText.h"
#include "workflow/lists/RecipientList.h"
#include "workflow/program/ProgramState.h"
#include "workflow/ui/UserInterface.h"

namespace {

// Slovenian nouns and verbs agree with the number's last two digits: one, two (dual),
// three and four, and every other number.
std::string SlovenianRowsText(int count)
{
    const int lastTwo = count % 100;
    const char* rest = lastTwo == 1    ? " vrstica brez e-poštnega naslova ni bila naložena."
        : lastTwo == 2                 ? " vrstici brez e-poštnega naslova nista bili naloženi."
        : lastTwo == 3 || lastTwo == 4 ? " vrstice brez e-poštnega naslova niso bile naložene."
                                       : " vrstic brez e-poštnega naslova ni bilo naloženih.";
    return std::to_string(count) + rest;
}

}

std::string RowsWithoutAddressText(int count)
{
    if (CurrentLanguage == 1)
        return SlovenianRowsText(count);
    return std::to_string(count)
        + (count == 1 ? " row without an e-mail address was left out."
                      : " rows without an e-mail address were left out.");
}

void ReportListLoading(const std::string& fileName, const TListLoading& loading)
{
    ReportLossyLoading(fileName, loading.Decoding);
    if (loading.SkippedWithoutAddress > 0)
        UserInterface().ShowMessage(RowsWithoutAddressText(loading.SkippedWithoutAddress));
}
