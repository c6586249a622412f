// SPDX-License-Identifier: GPL-3.0-or-later
// The work in the main window outlives the program: what the user leaves there at close
// is there at the next start, and a command line's files take its place.
#include "workflow/program/Draft.h"
#include "AppFixture.h"
#include "app/DraftKeeper.h"
#include "app/Guard.h"
#include "support/LoopbackPeers.h"
#include "workflow/compose/MessageText.h"
#include "workflow/lists/RecipientList.h"
#include "workflow/lists/RowsColumn.h"

#include <QDir>

namespace {

class Draft : public AppTest {
protected:
    std::string DraftFile() { return Sandbox.UserDataFolder() + "draft/draft.json"; }

    void Restart(const QStringList& arguments = {})
    {
        Window().close();
        Program.reset();
        Ui.Events.clear();
        Start(arguments);
    }

    // A session's work: a list loaded and typed in two languages, a message and its settings.
    void LeaveWork()
    {
        Ui.OpenAnswers = {Sandbox.MakeFile("lists/friends.txt", "ana@example.org\r\n\r\nbob@\r\n"),
                          Sandbox.MakeFile("files/map.pdf", "%PDF")};
        Window().openRecipientFileAction->trigger();
        Window().useSlovenianAction->trigger();
        Window().addressEdit->setText("jože@primer.si");
        Window().addRecipient();
        Window().useEnglishAction->trigger();
        Window().subjectEdit->setText("Poletna zabava – vabilo");
        Window().SetBodyText("Dragi,\r\n\r\nvabljeni!");
        Window().pickAttachmentAction->trigger();
        Window().formatChoice->SetItemIndex(1);
    }

    void ExpectWork()
    {
        EXPECT_EQ(Window().recipientList->Items(), (QStringList{"ana@example.org", "", "bob@", "jože@primer.si"}));
        EXPECT_EQ(Window().labelColumn->Items(), (QStringList{"To:", "To:", "To:", "Za:"}));
        EXPECT_EQ(Str(Window().subjectEdit->text()), "Poletna zabava – vabilo");
        EXPECT_EQ(Window().BodyText(), "Dragi,\r\n\r\nvabljeni!");
        EXPECT_EQ(Window().AttachmentPath(), Sandbox.Path("files/map.pdf"));
        EXPECT_EQ(Window().FormatIndex(), 1);
    }
};

TEST_F(Draft, WorkLeftAtCloseIsThereAtTheNextStart)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    LeaveWork();
    Restart();
    ExpectWork();
    // The invalid entry put back is marked as when it was loaded.
    EXPECT_TRUE(Window().recipientList->model()->index(2, 0).data(Qt::ToolTipRole).isValid());
    EXPECT_TRUE(Ui.Events.empty());
}

TEST_F(Draft, FirstStartWithoutWorkIsUnchangedAndLeavesNoDraft)
{
    Start();
    EXPECT_EQ(Ui.Modals, std::vector<std::string>{"Form3"}); // welcome, then the settings
    EXPECT_TRUE(Window().recipientList->Items().isEmpty());
    Window().close();
    EXPECT_FALSE(FileExists(DraftFile()));
}

TEST_F(Draft, ClearedWorkStaysCleared)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    LeaveWork();
    Restart();
    Window().clearRecipientsAction->trigger();
    Window().subjectEdit->clear();
    Restart();
    EXPECT_TRUE(Window().recipientList->Items().isEmpty());
    EXPECT_TRUE(Window().labelColumn->Items().isEmpty());
    EXPECT_TRUE(Window().subjectEdit->text().isEmpty());
    EXPECT_EQ(Window().BodyText(), "Dragi,\r\n\r\nvabljeni!");
}

TEST_F(Draft, CommandLineFilesReplaceTheListAndTheBodyOfTheDraft)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    LeaveWork();
    const std::string list = Sandbox.MakeFile("cl/list.txt", "cl@example.org\r\n");
    const std::string message = Sandbox.MakeFile("cl/message.txt", "From the file\r\n");
    Restart({QString::fromStdString(list), QString::fromStdString(message)});
    EXPECT_EQ(Window().recipientList->Items(), QStringList{"cl@example.org"});
    EXPECT_EQ(Window().labelColumn->Items(), QStringList{"Za:"});
    EXPECT_EQ(Window().BodyText(), "From the file\r\n");
    EXPECT_EQ(Str(Window().subjectEdit->text()), "Poletna zabava – vabilo"); // not named: the draft's
    // A file the command line names but that does not exist leaves the draft's part.
    Restart({"/no/such/list.txt", QString::fromStdString(message)});
    EXPECT_EQ(Window().recipientList->Items(), QStringList{"cl@example.org"});
}

// A run that sends is a job given by its files: nothing of the draft goes out with it,
// and the draft of the user's own work stays as it was.
TEST_F(Draft, CommandLineThatSendsTakesNothingFromTheDraftAndLeavesIt)
{
    RefusingPort refusing;
    Sandbox.WriteSettings(SettingsFor(refusing.Port()));
    Start();
    LeaveWork();
    Window().close();
    const std::string kept = ReadFileBytes(DraftFile());
    Program.reset();
    Ui.Events.clear();
    const std::string message = Sandbox.MakeFile("cl/message.txt", "From the file\r\n");
    Create({"/no/such/list.txt", QString::fromStdString(message), "send"});
    Window().RunCommandLine();
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"message:Connect failed"});
    EXPECT_TRUE(Window().recipientList->Items().isEmpty());
    EXPECT_TRUE(Window().subjectEdit->text().isEmpty());
    EXPECT_TRUE(Window().attachmentEdit->text().isEmpty());
    EXPECT_FALSE(Window().Draft().Pending());
    Window().close();
    EXPECT_EQ(ReadFileBytes(DraftFile()), kept);
}

TEST_F(Draft, SendingRunWhoseMessageCannotBeLoadedLeavesTheDraftUntilTheUserChangesSomething)
{
    RefusingPort refusing;
    Sandbox.WriteSettings(SettingsFor(refusing.Port()));
    Start();
    LeaveWork();
    Window().close();
    Program.reset();
    const std::string list = Sandbox.MakeFile("cl/list.txt", "cl@example.org\r\n");
    const std::string tooLarge = Sandbox.MakeFile("cl/huge.txt", std::string(MessageCapacity + 1, 'x'));
    Create({QString::fromStdString(list), QString::fromStdString(tooLarge), "send"});
    Guard([this] { Window().RunCommandLine(); });
    EXPECT_EQ(Ui.Errors, std::vector<std::string>{"Text exceeds memo capacity"});
    EXPECT_FALSE(Window().Draft().Pending());
    Window().subjectEdit->setText("Edited");
    Restart();
    EXPECT_EQ(Window().recipientList->Items(), QStringList{"cl@example.org"});
    EXPECT_EQ(Str(Window().subjectEdit->text()), "Edited");
}

TEST_F(Draft, WorkChangedInARunThatSentIsKept)
{
    RefusingPort refusing;
    Sandbox.WriteSettings(SettingsFor(refusing.Port()));
    const std::string list = Sandbox.MakeFile("cl/list.txt", "cl@example.org\r\n");
    const std::string message = Sandbox.MakeFile("cl/message.txt", "From the file\r\n");
    Create({QString::fromStdString(list), QString::fromStdString(message), "send"});
    Window().RunCommandLine();
    Window().subjectEdit->setText("Typed after the job");
    EXPECT_TRUE(Window().Draft().Pending());
    Restart();
    EXPECT_EQ(Window().recipientList->Items(), QStringList{"cl@example.org"});
    EXPECT_EQ(Window().BodyText(), "From the file\r\n");
    EXPECT_EQ(Str(Window().subjectEdit->text()), "Typed after the job");
}

TEST_F(Draft, ChangeIsWrittenSoonAfterwardsWithoutAClose)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    Window().Draft().SaveDelay = 20;
    Window().addressEdit->setText("soon@example.org");
    Window().addRecipient();
    Window().subjectEdit->setText("Soon");
    ASSERT_TRUE(PumpUntil([this] { return !Window().Draft().Pending(); }));
    // What a crash right now would leave for the next start.
    TRowsColumn entries, labels;
    TRecipientList list{entries, labels};
    const auto message = TDraftStore(Sandbox.UserDataFolder() + "draft/").Restore(list, "To:");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->subject, "Soon");
    EXPECT_EQ(entries.Rows, std::vector<std::string>{"soon@example.org"});
}

TEST_F(Draft, LongListIsWrittenAtCloseOnly)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    std::string lines;
    for (int i = 0; i <= TDraftKeeper::ListWrittenOnTheWay; ++i)
        lines += "p" + std::to_string(i) + "@example.org\r\n";
    Ui.OpenAnswers = {Sandbox.MakeFile("long.txt", lines)};
    Window().openRecipientFileAction->trigger();
    Window().subjectEdit->setText("Long");
    Window().Draft().Save(false);
    EXPECT_TRUE(FileExists(DraftFile()));
    EXPECT_EQ(QDir(QString::fromStdString(Sandbox.UserDataFolder() + "draft")).entryList({"recipients-*"}).size(), 0);
    EXPECT_TRUE(Window().Draft().Pending());
    Restart();
    EXPECT_EQ(Window().recipientList->count(), TDraftKeeper::ListWrittenOnTheWay + 1);
    EXPECT_EQ(Str(Window().subjectEdit->text()), "Long");
}

TEST_F(Draft, DraftThatCannotBeWrittenAtCloseIsReported)
{
    Sandbox.WriteSettings(CompleteSettings);
    Sandbox.MakeFile("data/draft", "a file where the folder belongs");
    Start();
    Window().subjectEdit->setText("Lost?");
    Window().close();
    EXPECT_EQ(Ui.Errors, std::vector<std::string>{"Cannot create file " + DraftFile()});
}

}
