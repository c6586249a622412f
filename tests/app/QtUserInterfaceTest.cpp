#include "app/QtUserInterface.h"

#include <gtest/gtest.h>

namespace {

TEST(FileDialogFilter, PairsBecomeQtNameFiltersAndStarDotStarMeansEveryFile)
{
    EXPECT_EQ(NameFilters("*.txt|*.txt|*.*|*.*"), (QStringList{"*.txt (*.txt)", "*.* (*)"}));
    EXPECT_EQ(NameFilters("Lists|*.txt;*.csv"), QStringList{"Lists (*.txt *.csv)"});
    EXPECT_EQ(NameFilters(""), QStringList{});
}

// Choosing "*.csv" in a save dialog whose default extension is "txt" makes a name typed
// without an extension a CSV file; every other choice keeps the default.
TEST(FileDialogFilter, ChosenFilterOfOneKindGivesTheExtensionToAddElseTheDefault)
{
    const std::pair<const char*, const char*> cases[] = {
        {"*.csv (*.csv)", "csv"}, {"*.txt (*.txt)", "txt"}, {"*.* (*)", "txt"}, {"Lists (*.txt *.csv)", "txt"},
        {"Any (*.*)", "txt"}, {"Odd (*.c?v)", "txt"}, {"Broken (", "txt"}, {"", "txt"}, {"Tar (*.tar.gz)", "txt"}};
    for (const auto& [filter, suffix] : cases)
        EXPECT_EQ(SuffixForFilter(filter, "txt").toStdString(), suffix) << filter;
}

}
