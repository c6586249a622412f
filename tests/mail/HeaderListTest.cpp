// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/HeaderList.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct IndexCase {
    const char* name;
    std::vector<std::string> lines;
    bool sorted;
    std::string field;
    int expected;
};

void PrintTo(const IndexCase& c, std::ostream* os)
{
    *os << c.name;
}

class HeaderListIndex : public ::testing::TestWithParam<IndexCase> { };

TEST_P(HeaderListIndex, FindsTheField)
{
    THeaderList list;
    for (const auto& line : GetParam().lines)
        list.Add(line);
    list.SetSorted(GetParam().sorted);
    EXPECT_EQ(list.IndexOfHeader(GetParam().field), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderListIndex,
    ::testing::Values(IndexCase{"Empty", {}, false, "Subject", -1}, IndexCase{"EmptySorted", {}, true, "Subject", -1},
                      IndexCase{"IgnoresCase", {"From: a", "SUBJECT: x"}, false, "subject", 1},
                      IndexCase{"FirstOfTwo", {"X: 1", "x: 2"}, false, "X", 0},
                      IndexCase{"BlankBeforeColonIsPartOfName", {"Subject : x"}, false, "Subject", -1},
                      IndexCase{"NameUpToFirstColonOnly", {"Date: 12:30"}, false, "Date: 12", -1},
                      IndexCase{"LinesWithoutColonNeverMatch", {"", "Subject", "Subject: y"}, false, "Subject", 2},
                      IndexCase{"EmptyNameMatchesLeadingColon", {"abc", ": v"}, false, "", 1},
                      IndexCase{"Absent", {"From: a", "To: b"}, false, "Cc", -1},
                      IndexCase{"SortedFirst", {"A: 1", "B: 2", "C: 3", "D: 4"}, true, "a", 0},
                      IndexCase{"SortedMiddle", {"A: 1", "B: 2", "C: 3", "D: 4"}, true, "c", 2},
                      IndexCase{"SortedLast", {"A: 1", "B: 2", "C: 3", "D: 4"}, true, "D", 3},
                      IndexCase{"SortedBetween", {"A: 1", "C: 3"}, true, "B", -1},
                      IndexCase{"SortedAfterAll", {"A: 1", "C: 3"}, true, "Z", -1},
                      IndexCase{"SortedBeforeAll", {"B: 1", "C: 3"}, true, "A", -1},
                      IndexCase{"SortedSingle", {"Only: 1"}, true, "only", 0}),
    [](const auto& info) { return info.param.name; });

struct SetCase {
    const char* name;
    std::vector<std::string> before;
    std::string field;
    std::string value;
    std::vector<std::string> after;
};

void PrintTo(const SetCase& c, std::ostream* os)
{
    *os << c.name;
}

class HeaderListSet : public ::testing::TestWithParam<SetCase> { };

TEST_P(HeaderListSet, ChangesTheList)
{
    THeaderList list;
    for (const auto& line : GetParam().before)
        list.Add(line);
    list.SetHeaderValue(GetParam().field, GetParam().value);
    EXPECT_EQ(list.Lines(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderListSet,
    ::testing::Values(
        SetCase{"AddsToEmpty", {}, "Subject", "Hello", {"Subject: Hello"}},
        SetCase{"ReplacesInPlaceWithNewNameCase",
                {"From: a", "Subject: Hello", "To: b"},
                "subject",
                "Bye",
                {"From: a", "subject: Bye", "To: b"}},
        SetCase{"AppendsWhenAbsent", {"From: a"}, "X-Mailer", "P 1", {"From: a", "X-Mailer: P 1"}},
        SetCase{"EmptyValueRemoves", {"From: a", "Subject: x"}, "SUBJECT", "", {"From: a"}},
        SetCase{"EmptyValueForAbsentChangesNothing", {"From: a"}, "Date", "", {"From: a"}},
        SetCase{"OnlyTheFirstOfTwoChanges", {"X: 1", "X: 2"}, "x", "3", {"x: 3", "X: 2"}},
        SetCase{"FieldWithBlankBeforeColonIsAnother", {"Subject : x"}, "Subject", "y", {"Subject : x", "Subject: y"}}),
    [](const auto& info) { return info.param.name; });

TEST(HeaderList, NewFieldInASortedListStaysFindable)
{
    THeaderList list;
    list.SetSorted(true);
    for (const char* name : {"Date", "Subject", "From", "To", "Cc"})
        list.SetHeaderValue(name, std::string("v-") + name);
    for (const char* name : {"Date", "Subject", "From", "To", "Cc"}) {
        const int index = list.IndexOfHeader(name);
        ASSERT_GE(index, 0) << name;
        EXPECT_EQ(list[index], std::string(name) + ": v-" + name);
    }
}

} // namespace
