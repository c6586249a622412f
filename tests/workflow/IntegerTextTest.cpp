// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/settings/IntegerText.h"
#include "base/Exception.h"

#include <gtest/gtest.h>

namespace {

struct NumberCase {
    const char* text;
    std::optional<std::int32_t> value;
};

void PrintTo(const NumberCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class NumberField : public ::testing::TestWithParam<NumberCase> { };

TEST_P(NumberField, AcceptsOnlyWholeIntegerForms)
{
    EXPECT_EQ(TryStrToInt(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Forms, NumberField,
    ::testing::Values(NumberCase{"25", 25}, NumberCase{"0", 0}, NumberCase{"587", 587}, NumberCase{"  7", 7},
                      NumberCase{"+5", 5}, NumberCase{"-5", -5}, NumberCase{"2147483647", 2147483647},
                      NumberCase{"-2147483648", INT32_MIN}, NumberCase{"$1F", 31}, NumberCase{"x1f", 31},
                      NumberCase{"X10", 16}, NumberCase{"0x10", 16}, NumberCase{"0X10", 16}, NumberCase{"-$10", -16},
                      NumberCase{"$FFFFFFFF", -1}, NumberCase{"$80000000", INT32_MIN}, NumberCase{"007", 7},
                      NumberCase{"70000", 70000},
                      // refused
                      NumberCase{"", std::nullopt}, NumberCase{"   ", std::nullopt}, NumberCase{"25a", std::nullopt},
                      NumberCase{"a25", std::nullopt}, NumberCase{"25 ", std::nullopt}, NumberCase{"-", std::nullopt},
                      NumberCase{"+", std::nullopt}, NumberCase{"2147483648", std::nullopt},
                      NumberCase{"-2147483649", std::nullopt}, NumberCase{"$", std::nullopt},
                      NumberCase{"0x", std::nullopt}, NumberCase{"$123456789", std::nullopt},
                      NumberCase{"$G1", std::nullopt}, NumberCase{"1.5", std::nullopt}, NumberCase{"--5", std::nullopt},
                      NumberCase{"\t5", std::nullopt}, NumberCase{"99999999999999999999", std::nullopt}));

TEST(NumberField, StrToIntNamesTheTextItRefuses)
{
    EXPECT_EQ(StrToInt("$10"), 16);
    try {
        StrToInt("1o");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "'1o' is not a valid integer value");
    }
}

TEST(StoredNumber, OnlyPlainDecimalIsANumber)
{
    const std::pair<const char*, std::optional<std::int32_t>> cases[] = {{"587", 587},
                                                                         {"-3", -3},
                                                                         {"0", 0},
                                                                         {"", std::nullopt},
                                                                         {"25x", std::nullopt},
                                                                         {"$19", std::nullopt},
                                                                         {" 25", std::nullopt},
                                                                         {"+25", std::nullopt},
                                                                         {"-", std::nullopt},
                                                                         {"4294967296", std::nullopt}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(TryDecimalToInt(text), value) << text;
}

}
