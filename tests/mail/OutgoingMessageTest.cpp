// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/OutgoingMessage.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using ListGetter = std::function<TStringList&(TOutgoingMessage&)>;
using ListSetter = std::function<void(TOutgoingMessage&, const TStringList&)>;

struct ListProperty {
    const char* name;
    ListGetter get;
    ListSetter set;
};

void PrintTo(const ListProperty& c, std::ostream* os)
{
    *os << c.name;
}

class OutgoingMessageList : public ::testing::TestWithParam<ListProperty> { };

TEST_P(OutgoingMessageList, WritingCopiesAndLaterChangesToTheSourceStayOut)
{
    TOutgoingMessage message;
    EXPECT_TRUE(GetParam().get(message).Empty());
    TStringList source{"a@x", "b@y"};
    GetParam().set(message, source);
    source.Put(0, "changed");
    source.Add("more");
    EXPECT_EQ(GetParam().get(message).Lines(), (std::vector<std::string>{"a@x", "b@y"}));

    GetParam().set(message, TStringList{"only"});
    EXPECT_EQ(GetParam().get(message).Lines(), (std::vector<std::string>{"only"})) << "emptied first";

    GetParam().get(message).Add("direct"); // reading gives the record's own list
    EXPECT_EQ(GetParam().get(message).Count(), 2);
    GetParam().set(message, GetParam().get(message));
    EXPECT_EQ(GetParam().get(message).Count(), 2) << "assigning a list to itself keeps it";
}

INSTANTIATE_TEST_SUITE_P(
    Lists, OutgoingMessageList,
    ::testing::Values(ListProperty{"ToAddress", [](TOutgoingMessage& m) -> TStringList& { return m.ToAddress(); },
                                   [](TOutgoingMessage& m, const TStringList& l) { m.SetToAddress(l); }},
                      ListProperty{"ToCarbonCopy", [](TOutgoingMessage& m) -> TStringList& { return m.ToCarbonCopy(); },
                                   [](TOutgoingMessage& m, const TStringList& l) { m.SetToCarbonCopy(l); }},
                      ListProperty{"ToBlindCarbonCopy",
                                   [](TOutgoingMessage& m) -> TStringList& { return m.ToBlindCarbonCopy(); },
                                   [](TOutgoingMessage& m, const TStringList& l) { m.SetToBlindCarbonCopy(l); }},
                      ListProperty{"Body", [](TOutgoingMessage& m) -> TStringList& { return m.Body(); },
                                   [](TOutgoingMessage& m, const TStringList& l) { m.SetBody(l); }},
                      ListProperty{"Attachments", [](TOutgoingMessage& m) -> TStringList& { return m.Attachments(); },
                                   [](TOutgoingMessage& m, const TStringList& l) { m.SetAttachments(l); }}),
    [](const auto& info) { return info.param.name; });

} // namespace
