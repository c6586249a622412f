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
    Form1().ToolButton2->click();
    EXPECT_EQ(Form1().BodyText(), "Dear friend,\r\nsee you.\r\n");
    EXPECT_EQ(Form1().DisplayedBodyLines().Lines(), (std::vector<std::string>{"Dear friend,", "see you."}));
    Ui.SaveAnswers = {Sandbox.Path("saved.txt")};
    Form1().M16->trigger();
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("saved.txt")), "Dear friend,\r\nsee you.\r\n");
}

TEST_F(MessageCommands, SavesExactlyTheBodyWithoutAddingALineBreak)
{
    const std::pair<std::string, int> bodies[] = {{"", 0}, {"one line", 1}, {"a\r\n\r\nb", 3}, {"č\r\n", 1}};
    for (const auto& [body, lines] : bodies) {
        Form1().SetBodyText(body);
        Ui.SaveAnswers = {Sandbox.Path("saved.txt")};
        Form1().M16Click();
        EXPECT_EQ(ReadFileBytes(Sandbox.Path("saved.txt")), body);
        EXPECT_EQ(Form1().DisplayedBodyLines().Count(), lines) << body;
    }
}

TEST_F(MessageCommands, WideParagraphIsOneLineInTheFileButSeveralOnScreen)
{
    std::string paragraph;
    while (paragraph.size() < 300)
        paragraph += "word" + std::to_string(paragraph.size()) + " ";
    paragraph.resize(300);
    Form1().SetBodyText(paragraph);
    Pump();
    const TStringList lines = Form1().DisplayedBodyLines();
    EXPECT_GT(lines.Count(), 1);
    std::string joined;
    for (const auto& line : lines.Lines()) {
        EXPECT_LT(line.size(), paragraph.size());
        joined += line;
    }
    EXPECT_EQ(joined, paragraph) << "the displayed lines are the paragraph, broken, nothing lost";
    Ui.SaveAnswers = {Sandbox.Path("saved.txt")};
    Form1().M16Click();
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("saved.txt")), paragraph);

    // A narrower field shows, and so sends, more lines.
    Form1().resize(500, Form1().height());
    Pump();
    EXPECT_GT(Form1().DisplayedBodyLines().Count(), lines.Count());
}

TEST_F(MessageCommands, UnreadableMessageFileIsReportedAndTheBodyKept)
{
    Form1().SetBodyText("draft");
    Ui.OpenAnswers = {Sandbox.Path("gone.txt")};
    Form1().M12->trigger();
    EXPECT_EQ(Ui.Errors, std::vector<std::string>{"Cannot open file " + Sandbox.Path("gone.txt")});
    EXPECT_EQ(Form1().BodyText(), "draft");
}

TEST_F(MessageCommands, DoubleClickInTheBodyOpensAMessageFile)
{
    Ui.OpenAnswers = {""};
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form1().Memo1->viewport(), &click);
    EXPECT_EQ(Ui.FileRequests.size(), 1u);
}

TEST_F(MessageCommands, AttachmentIsPickedByButtonOrFieldAndClearedWithX)
{
    const std::string file = Sandbox.MakeFile("report.pdf", "%PDF");
    Ui.OpenAnswers = {file, ""};
    Form1().Button20->click();
    EXPECT_EQ(Str(Form1().Edit3->text()), file);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Form1().Edit3, &release);  // cancelled: the path stays
    EXPECT_EQ(Str(Form1().Edit3->text()), file);
    EXPECT_EQ(Ui.FileRequests.size(), 2u);
    Form1().Button22->click();
    EXPECT_TRUE(Form1().Edit3->text().isEmpty());
    EXPECT_TRUE(Form1().Edit3->isReadOnly());
}

TEST_F(MessageCommands, PreviewWritesTheBodyAndOpensItWithEitherChoice)
{
    for (int choice : {1, 0}) {
        Form1().RadioGroup1->SetItemIndex(choice);
        Form1().SetBodyText(choice ? "<b>Hi</b>\r\n" : "plain");
        Ui.ShellOpened.clear();
        Form1().M18->trigger();
        const std::string preview = Sandbox.ProgramFolder() + "msg.html";
        EXPECT_EQ(Ui.ShellOpened, std::vector<std::string>{preview});
        EXPECT_EQ(ReadFileBytes(preview), choice ? "<b>Hi</b>\r\n" : "plain");
    }
}

}
