#include "app/QtUserInterface.h"

#include <gtest/gtest.h>

namespace {

TEST(FileDialogFilter, PairsBecomeQtNameFiltersAndStarDotStarMeansEveryFile)
{
    EXPECT_EQ(NameFilters("*.txt|*.txt|*.*|*.*"), (QStringList{"*.txt (*.txt)", "*.* (*)"}));
    EXPECT_EQ(NameFilters("Lists|*.txt;*.csv"), QStringList{"Lists (*.txt *.csv)"});
    EXPECT_EQ(NameFilters(""), QStringList{});
}

}
