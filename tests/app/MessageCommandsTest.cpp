#include "AppFixture.h"
#include "workflow/ProgramFolder.h"

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
    EXPECT_EQ(Window().BodyLines().Lines(), (std::vector<std::string>{"Dear friend,", "see you."}));
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
        EXPECT_EQ(Window().BodyLines().Count(), lines) << body;
    }
}

TEST_F(MessageCommands, WideParagraphIsOneLineInTheFileButSeveralOnScreen)
{
    std::string paragraph;
    while (paragraph.size() < 300)
        paragraph += "word" + std::to_string(paragraph.size()) + " ";
    paragraph.resize(300);
    Window().SetBodyText(paragraph);
    Pump();
    const TStringList lines = Window().BodyLines();
    EXPECT_GT(lines.Count(), 1);
    std::string joined;
    for (const auto& line : lines.Lines()) {
        EXPECT_LT(line.size(), paragraph.size());
        joined += line;
    }
    EXPECT_EQ(joined, paragraph) << "the displayed lines are the paragraph, broken, nothing lost";
    Ui.SaveAnswers = {Sandbox.Path("saved.txt")};
    Window().saveMessageFile();
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("saved.txt")), paragraph);

    // A narrower field shows, and so sends, more lines.
    Window().resize(500, Window().height());
    Pump();
    EXPECT_GT(Window().BodyLines().Count(), lines.Count());
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
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Window().bodyEdit->viewport(), &click);
    EXPECT_EQ(Ui.FileRequests.size(), 1u);
}

TEST_F(MessageCommands, AttachmentIsPickedByButtonOrFieldAndClearedWithX)
{
    const std::string file = Sandbox.MakeFile("report.pdf", "%PDF");
    Ui.OpenAnswers = {file, ""};
    Window().pickAttachmentButton->click();
    EXPECT_EQ(Str(Window().attachmentEdit->text()), file);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Window().attachmentEdit, &release);  // cancelled: the path stays
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
