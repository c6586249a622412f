// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFixture.h"
#include "workflow/program/ProgramFolder.h"
#include "workflow/program/ProgramState.h"

namespace {

class MessageCommands : public AppTest {
protected:
    void SetUp() override
    {
        Sandbox.WriteSettings(CompleteSettings);
        Start();
    }
};

TEST_F(MessageCommands, LfFileIsShownLineByLineAndSavedBackWithCrLf)
{
    Ui.OpenAnswers = {Sandbox.MakeFile("message.txt", "Dear friend,\nsee you.\n")};
    Window().openMessageButton->click();
    EXPECT_EQ(Window().BodyText(), "Dear friend,\r\nsee you.\r\n");
    EXPECT_EQ(Window().BodyParagraphs().Lines(), (std::vector<std::string>{"Dear friend,", "see you."}));
    Ui.SaveAnswers = {Sandbox.Path("saved.txt")};
    Window().saveMessageFileAction->trigger();
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("saved.txt")), "Dear friend,\r\nsee you.\r\n");
}

TEST_F(MessageCommands, SavesExactlyTheBodyWithoutAddingALineBreak)
{
    const std::pair<std::string, int> bodies[] = {{"", 0}, {"one line", 1}, {"a\r\n\r\nb", 3}, {"č\r\n", 1}};
    for (const auto& [body, lines] : bodies) {
        Window().SetBodyText(body);
        Ui.SaveAnswers = {Sandbox.Path("saved.txt")};
        Window().saveMessageFile();
        EXPECT_EQ(ReadFileBytes(Sandbox.Path("saved.txt")), body);
        EXPECT_EQ(Window().BodyParagraphs().Count(), lines) << body;
    }
}

// The message is what was typed, not what the field happens to show at its width.
TEST_F(MessageCommands, WideParagraphIsOneParagraphInTheFileAndTheMessageAtAnyWidth)
{
    std::string paragraph;
    while (paragraph.size() < 300)
        paragraph += "word" + std::to_string(paragraph.size()) + " https://example.org/a/long/link ";
    paragraph.resize(300);
    Window().SetBodyText("Dear friend,\r\n" + paragraph);
    for (int width : {900, 500}) {
        Window().resize(width, Window().height());
        Pump();
        EXPECT_EQ(Window().BodyParagraphs().Lines(), (std::vector<std::string>{"Dear friend,", paragraph})) << width;
    }
    Ui.SaveAnswers = {Sandbox.Path("saved.txt")};
    Window().saveMessageFile();
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("saved.txt")), "Dear friend,\r\n" + paragraph);
}

// A Windows-1250 file from an older system loads as written; one with bytes that mean
// nothing there loads with U+FFFD in their place and says so, in the language in force.
TEST_F(MessageCommands, OldFileLoadsAsWrittenAndALossyOneIsReported)
{
    Ui.OpenAnswers = {Sandbox.MakeFile("old.txt", "Pozdravljeni \x96 \xE8\x9A\x9E\r\n")};
    Window().openMessageFileAction->trigger();
    EXPECT_EQ(Window().BodyText(), "Pozdravljeni – čšž\r\n");
    EXPECT_TRUE(Ui.Messages.empty());

    const std::string lossy = Sandbox.MakeFile("lossy.txt", "\xE8\x81");
    for (const int language : {2, 1}) {
        CurrentLanguage = language;
        Ui.OpenAnswers = {lossy};
        Window().openMessageFileAction->trigger();
        EXPECT_EQ(Window().BodyText(), "č\uFFFD");
    }
    CurrentLanguage = 2;
    ASSERT_EQ(Ui.Messages.size(), 2u);
    EXPECT_EQ(Ui.Messages[0],
              "The file " + lossy
                  + " could not be read in full (it was read as Windows-1250): "
                    "characters that could not be read were replaced with \uFFFD.\r"
                    "Check the text before you send or save it.");
    EXPECT_EQ(Ui.Messages[1],
              "Datoteke " + lossy
                  + " ni bilo mogoče prebrati v celoti (prebrana je kot Windows-1250): "
                    "znaki, ki jih ni bilo mogoče prebrati, so nadomeščeni z \uFFFD.\r"
                    "Preden besedilo pošljete ali shranite, ga preglejte.");
}

TEST_F(MessageCommands, UnreadableMessageFileIsReportedAndTheBodyKept)
{
    Window().SetBodyText("draft");
    Ui.OpenAnswers = {Sandbox.Path("gone.txt")};
    Window().openMessageFileAction->trigger();
    EXPECT_EQ(Ui.Errors, std::vector<std::string>{"Cannot open file " + Sandbox.Path("gone.txt")});
    EXPECT_EQ(Window().BodyText(), "draft");
}

TEST_F(MessageCommands, DoubleClickInTheBodyOpensAMessageFile)
{
    Ui.OpenAnswers = {""};
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(Window().bodyEdit->viewport(), &click);
    EXPECT_EQ(Ui.FileRequests.size(), 1u);
}

TEST_F(MessageCommands, AttachmentIsPickedByButtonOrFieldAndClearedWithX)
{
    const std::string file = Sandbox.MakeFile("report.pdf", "%PDF");
    Ui.OpenAnswers = {file, ""};
    Window().pickAttachmentButton->click();
    EXPECT_EQ(Str(Window().attachmentEdit->text()), file);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(Window().attachmentEdit, &release); // cancelled: the path stays
    EXPECT_EQ(Str(Window().attachmentEdit->text()), file);
    EXPECT_EQ(Ui.FileRequests.size(), 2u);
    Window().clearAttachmentButton->click();
    EXPECT_TRUE(Window().attachmentEdit->text().isEmpty());
    EXPECT_TRUE(Window().attachmentEdit->isReadOnly());
}

TEST_F(MessageCommands, PreviewWritesTheBodyAndOpensItWithEitherChoice)
{
    for (int choice : {1, 0}) {
        Window().formatChoice->SetItemIndex(choice);
        Window().SetBodyText(choice ? "<b>Hi</b>\r\n" : "plain");
        Ui.ShellOpened.clear();
        Window().previewHtmlAction->trigger();
        const std::string preview = Sandbox.ProgramFolder() + "msg.html";
        EXPECT_EQ(Ui.ShellOpened, std::vector<std::string>{preview});
        EXPECT_EQ(ReadFileBytes(preview), choice ? "<b>Hi</b>\r\n" : "plain");
    }
}

}
