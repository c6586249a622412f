// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/ListReport.h"
#include "workflow/program/ProgramState.h"

#include <gtest/gtest.h>

namespace {

// Slovenian has a form for one, for two, for three and four, and for the rest, by the
// number's last two digits; English one for one and one for the rest.
TEST(ListReport, RowsLeftOutAreCountedInTheFormsOfEachLanguage)
{
    const std::tuple<int, const char*, const char*> cases[] = {
        {1, "1 row without an e-mail address was left out.", "1 vrstica brez e-poštnega naslova ni bila naložena."},
        {2, "2 rows without an e-mail address were left out.",
         "2 vrstici brez e-poštnega naslova nista bili naloženi."},
        {3, "3 rows without an e-mail address were left out.", "3 vrstice brez e-poštnega naslova niso bile naložene."},
        {4, "4 rows without an e-mail address were left out.", "4 vrstice brez e-poštnega naslova niso bile naložene."},
        {5, "5 rows without an e-mail address were left out.", "5 vrstic brez e-poštnega naslova ni bilo naloženih."},
        {11, "11 rows without an e-mail address were left out.",
         "11 vrstic brez e-poštnega naslova ni bilo naloženih."},
        {101, "101 rows without an e-mail address were left out.",
         "101 vrstica brez e-poštnega naslova ni bila naložena."},
        {102, "102 rows without an e-mail address were left out.",
         "102 vrstici brez e-poštnega naslova nista bili naloženi."},
        {204, "204 rows without an e-mail address were left out.",
         "204 vrstice brez e-poštnega naslova niso bile naložene."},
        {212, "212 rows without an e-mail address were left out.",
         "212 vrstic brez e-poštnega naslova ni bilo naloženih."}};
    for (const auto& [count, english, slovenian] : cases) {
        CurrentLanguage = 2;
        EXPECT_EQ(RowsWithoutAddressText(count), english);
        CurrentLanguage = 1;
        EXPECT_EQ(RowsWithoutAddressText(count), slovenian);
    }
    CurrentLanguage = 2;
}

}
