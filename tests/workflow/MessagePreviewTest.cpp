// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/compose/MessagePreview.h"
#include "support/Sandbox.h"
#include "workflow/job/SendJob.h"
#include "workflow/lists/ListFields.h"
#include "workflow/lists/RecipientList.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramState.h"

#include <gtest/gtest.h>

namespace {

class TMessage : public TMessageFields {
public:
    std::string subject;
    TStringList body;
    int formatIndex = 0;
    std::string Subject() const override { return subject; }
    TStringList BodyParagraphs() const override { return body; }
    int FormatIndex() const override { return formatIndex; }
    std::string AttachmentPath() const override { return ""; }
};

class MessagePreview : public ::testing::Test {
protected:
    TSandbox Sandbox;
    TRowsColumn Entries, Labels;
    TListFields Fields;
    TMessage Message;

    void Load(const std::string& text)
    {
        TRecipientList(Entries, Labels, &Fields).LoadFromFile(Sandbox.MakeFile("list.csv", text), "To:");
    }
};

// The entry asked for, or when that gets no message (none, past the end, empty), the
// first that does, as the job would compose it.
TEST_F(MessagePreview, ShowsTheChosenEntryOrTheFirstThatGetsAMessage)
{
    Load("\r\nAna Novak <ana@x.org>\r\nbob@x.org\r\n");
    Message.subject = "For {{name}}";
    Message.body = {"Dear {{first}},", "", "mail for {{email}}"};
    const std::pair<int, std::string> cases[] = {{2, "bob@x.org"},
                                                 {1, "Ana Novak <ana@x.org>"},
                                                 {0, "Ana Novak <ana@x.org>"},
                                                 {-1, "Ana Novak <ana@x.org>"},
                                                 {7, "Ana Novak <ana@x.org>"}};
    for (const auto& [asked, entry] : cases) {
        const TMessagePreview preview = PreviewMessage(Message, Entries, &Fields, asked);
        EXPECT_EQ(preview.Entry, entry) << asked;
        EXPECT_EQ(preview.Index, entry == "bob@x.org" ? 2 : 1);
    }
    const TMessagePreview bob = PreviewMessage(Message, Entries, &Fields, 2);
    EXPECT_EQ(bob.Subject, "For bob@x.org");
    EXPECT_EQ(bob.Body, "Dear ,\n\nmail for bob@x.org");
    EXPECT_FALSE(bob.Html);
    EXPECT_EQ(bob.Problems, "Empty for this recipient: {{first}}");
}

TEST_F(MessagePreview, ColumnsAreFilledAndHtmlValuesEscaped)
{
    Load("Email,Company\r\nana@x.org,Kos & Sinovi\r\n");
    Message.formatIndex = 1;
    Message.subject = "{{Company}}";
    Message.body = {"<b>{{company}}</b>"};
    const TMessagePreview preview = PreviewMessage(Message, Entries, &Fields, 0);
    EXPECT_TRUE(preview.Html);
    EXPECT_EQ(preview.Subject, "Kos & Sinovi");
    EXPECT_EQ(preview.Body, "<b>Kos &amp; Sinovi</b>");
}

// What would stop the job is said, and the message shown with the field as written.
TEST_F(MessagePreview, FieldsTheListDoesNotHaveAreNamedAndLeftAsWritten)
{
    CurrentLanguage = 2;
    Load("a@x.org\r\n");
    Message.subject = "Hi {{Company}}";
    Message.body = {"{{first}}!"};
    const TMessagePreview preview = PreviewMessage(Message, Entries, &Fields, 0);
    EXPECT_EQ(preview.Problems,
              "Sending would not start: the recipient list does not have these fields:\r"
              "{{Company}} in the subject\rEmpty for this recipient: {{first}}");
    EXPECT_EQ(preview.Subject, "Hi {{Company}}");
    EXPECT_EQ(preview.Body, "!");
}

TEST_F(MessagePreview, EmptyListShowsTheMessageWithEmptyBuiltIns)
{
    Message.subject = "For {{name}}";
    Message.body = {"{{email}}."};
    const TMessagePreview preview = PreviewMessage(Message, Entries, nullptr, 0);
    EXPECT_EQ(preview.Index, -1);
    EXPECT_EQ(preview.Entry, "");
    EXPECT_EQ(preview.Subject, "For ");
    EXPECT_EQ(preview.Body, ".");
}

}
