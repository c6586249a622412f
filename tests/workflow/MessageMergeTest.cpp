// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/compose/MessageMerge.h"

#include "workflow/program/ProgramState.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> Columns = {"First Name", "Last Name",   "E-mail Address",
                                          "Company",    "Home Street", "Name"};
const std::vector<std::string> CeneValues = {"Cene", "Kos", "cene@x.org", "Kos & <Sinovi>", "Trg 1\r\nKranj", "Cenko"};
const std::vector<std::string> ShortValues = {"Dora"};

const TMergeRecipient Named{"Ana Novak <ana@x.org>"};
const TMergeRecipient Bare{"bob@x.org"};
const TMergeRecipient Quoted{"\"Novak, Ana\" <novak@x.org>"};
const TMergeRecipient Specials{"O'Neil & Co <on@x.org>"};
const TMergeRecipient Row{"Cene Kos <cene@x.org>", &CeneValues};
const TMergeRecipient ShortRow{"Dora <dora@x.org>", &ShortValues};

struct MergeCase {
    const char* name;
    std::string text;
    TMergeRecipient recipient;
    std::string merged; // as subject and as text body
    std::string html;   // as HTML body
};

void PrintTo(const MergeCase& c, std::ostream* os)
{
    *os << c.name;
}

class Merge : public ::testing::TestWithParam<MergeCase> { };

TEST_P(Merge, FillsTheFieldsOfSubjectTextAndHtml)
{
    const MergeCase& c = GetParam();
    const TMessageMerge text(c.text, {c.text}, false, Columns);
    EXPECT_TRUE(text.Problems().empty());
    EXPECT_EQ(text.Subject(c.recipient), c.merged);
    EXPECT_EQ(text.Body(c.recipient), TStringList{c.merged});
    EXPECT_EQ(TMessageMerge("", {c.text}, true, Columns).Body(c.recipient), TStringList{c.html});
}

INSTANTIATE_TEST_SUITE_P(
    TemplatesAndEntries, Merge,
    ::testing::Values(
        MergeCase{"FirstOfName", "Dear {{first}},", Named, "Dear Ana,", "Dear Ana,"},
        MergeCase{"FirstWithoutName", "Dear {{first}},", Bare, "Dear ,", "Dear ,"},
        MergeCase{"FirstOfQuotedName", "Dear {{first}}", Quoted, "Dear Novak,", "Dear Novak,"},
        MergeCase{"NameOrAddress", "{{name}}|{{name}}", Bare, "bob@x.org|bob@x.org", "bob@x.org|bob@x.org"},
        MergeCase{"BuiltInNameWinsOverColumn", "{{Name}}", Row, "Cene Kos", "Cene Kos"},
        MergeCase{"BareAddress", "<{{email}}>", Quoted, "<novak@x.org>", "<novak@x.org>"},
        MergeCase{"ColumnsWithoutCaseOrBlanks", "{{FirstName}} {{ last name }} of {{COMPANY}}", Row,
                  "Cene Kos of Kos & <Sinovi>", "Cene Kos of Kos &amp; &lt;Sinovi&gt;"},
        MergeCase{"ColumnOfEntryWithoutValues", "[{{Company}}]", Named, "[]", "[]"},
        MergeCase{"ColumnMissingFromShortRow", "[{{Company}}]", ShortRow, "[]", "[]"},
        MergeCase{"HtmlEscapedName", "{{name}} <b>", Specials, "O'Neil & Co <b>", "O&#39;Neil &amp; Co <b>"},
        MergeCase{"Escape", "{{{{name}} is {{name}}", Named, "{{name}} is Ana Novak", "{{name}} is Ana Novak"},
        MergeCase{"EscapesAndLoneBraces", "}} {{{{{{{{ }} {", Named, "}} {{{{ }} {", "}} {{{{ }} {"}),
    [](const auto& info) { return info.param.name; });

TEST(MessageMerge, WithoutFieldsGivesTheMessageBackAsWritten)
{
    const TStringList body = {"Dear friends,", "", "}} {single} braces {", " "};
    const TMessageMerge merge("Hi } {", body, true, {});
    EXPECT_FALSE(merge.HasFields());
    EXPECT_TRUE(merge.Problems().empty());
    EXPECT_EQ(merge.Subject(Row), "Hi } {");
    EXPECT_EQ(merge.Body(Row), body);

    const TMessageMerge subjectOnly("For {{name}}", body, false, {});
    EXPECT_TRUE(subjectOnly.HasFields());
    EXPECT_EQ(subjectOnly.Body(Named), body);
}

TEST(MessageMerge, FindsEveryFieldTheListDoesNotHaveAndWhere)
{
    const TStringList body = {"Dear {{first}},", "", "{{frist}} and {{ Ort }} at {{Company}}", "{{name {{first"};
    const TMessageMerge plainList("News for {{Company}}", body, false, {});
    EXPECT_EQ(
        plainList.Problems(),
        (std::vector<TFieldProblem>{
            {"Company", 0}, {"frist", 3}, {"Ort", 3}, {"Company", 3}, {"name {{first", 4, true}, {"first", 4, true}}));
    const TMessageMerge table("News for {{Company}}", body, false, Columns);
    EXPECT_EQ(table.Problems(),
              (std::vector<TFieldProblem>{{"frist", 3}, {"Ort", 3}, {"name {{first", 4, true}, {"first", 4, true}}));
    // Unknown fields are left as written, as a preview shows them.
    EXPECT_EQ(table.Body(Row),
              (TStringList{"Dear Cene,", "", "{{frist}} and {{ Ort }} at Kos & <Sinovi>", "{{name {{first"}));
}

TEST(MessageMerge, FieldMayRunOverAWrappedLine)
{
    const TStringList body = {"Dear {{First ", "Name}}, hello", "{{x}}"};
    const TMessageMerge merge("", body, false, Columns);
    EXPECT_EQ(merge.Problems(), (std::vector<TFieldProblem>{{"x", 3}}));
    EXPECT_EQ(merge.Body(Row), (TStringList{"Dear Cene, hello", "{{x}}"}));
}

TEST(MessageMerge, LineBreaksOfValuesBreakBodyLinesButNeverTheSubject)
{
    const std::vector<std::string> values = {"", "", "", "x\r\nBcc: eve@x.org", "Trg 1\r\nKranj\n"};
    const TMergeRecipient recipient{"a@x.org", &values};
    const TStringList body = {"To {{Home Street}}", "end"};
    EXPECT_EQ(TMessageMerge("", body, false, Columns).Body(recipient), (TStringList{"To Trg 1", "Kranj", "", "end"}));
    EXPECT_EQ(TMessageMerge("", body, true, Columns).Body(recipient),
              (TStringList{"To Trg 1<br>", "Kranj<br>", "", "end"}));
    EXPECT_EQ(TMessageMerge("For {{Company}}: {{Home Street}}", {}, false, Columns).Subject(recipient),
              "For x Bcc: eve@x.org: Trg 1 Kranj");
}

TEST(MessageMerge, DuplicateAndNamelessColumns)
{
    const std::vector<std::string> values = {"first", "second", "nameless"};
    const TMessageMerge merge("{{City}} {{}}", {}, false, {"City", "city ", ""});
    EXPECT_EQ(merge.Problems(), (std::vector<TFieldProblem>{{"", 0}}));
    EXPECT_EQ(merge.Subject({"a@x.org", &values}), "first {{}}");
}

TEST(MessageMerge, ProblemMessageNamesFieldsAndPlacesInBothLanguages)
{
    const std::int32_t language = CurrentLanguage;
    const std::vector<TFieldProblem> problems = {{"Compnay", 0}, {"frist", 3}, {"name", 4, true}};
    CurrentLanguage = 2;
    EXPECT_EQ(FieldProblemsMessage(problems),
              "The message has fields that the recipient list does not have. Nothing was sent.\r"
              "\r{{Compnay}} in the subject\r{{frist}} in line 3 of the body\r{{name without }} in line 4 of the body");
    CurrentLanguage = 1;
    EXPECT_EQ(FieldProblemsMessage(problems),
              "Sporočilo vsebuje polja, ki jih seznam prejemnikov nima. Nič ni bilo poslano.\r"
              "\r{{Compnay}} v zadevi\r{{frist}} v vrstici 3 besedila\r{{name brez }} v vrstici 4 besedila");
    CurrentLanguage = 2;
    std::string expected = "The message has fields that the recipient list does not have. Nothing was sent.\r";
    for (int i = 0; i < 10; ++i)
        expected += "\r{{x}} in line 1 of the body";
    EXPECT_EQ(FieldProblemsMessage(std::vector<TFieldProblem>(12, {"x", 1})), expected + "\rand 2 more");
    CurrentLanguage = language;
}

} // namespace
