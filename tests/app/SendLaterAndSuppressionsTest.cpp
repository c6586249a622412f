// SPDX-License-Identifier: GPL-3.0-or-later
// "Send later…": the moment asked for, the countdown in the status bar, the job started
// then without a question, and a schedule that closing the window does not drop unasked.
// The suppression list's window: add, import, search, remove, export.
#include "AppFixture.h"
#include "support/ScriptedServer.h"

#include "app/HistoryWindow.h"
#include "app/SendLater.h"
#include "app/SuppressionWindow.h"
#include "workflow/history/DeliveryHistory.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/limits/SuppressionList.h"

#include <QLineEdit>
#include <QTableWidget>

#include <QDateTimeEdit>

#include <functional>

namespace {

class SendLater : public AppTest {
protected:
    void SetUp() override
    {
        Sandbox.WriteSettings(CompleteSettings);
        Start();
    }
    // Answers the dialog with the moment (an invalid one cancels).
    void Answer(const QDateTime& moment)
    {
        Ui.OnModal = [moment](QWidget& dialog) {
            auto& later = static_cast<TSendLaterDialog&>(dialog);
            if (!moment.isValid())
                return later.reject();
            later.momentEdit->setDateTime(moment);
            later.accept();
        };
    }
    std::string Status() { return Str(Window().sendStatusBar->PanelText(0)); }
};

TEST_F(SendLater, OnlyAFutureMomentIsScheduledAndClosingAsksToDropIt)
{
    const QDateTime now = QDateTime::currentDateTime();
    for (const QDateTime& refused : {QDateTime(), now.addSecs(-120)}) {
        Answer(refused);
        Window().sendLaterAction->trigger();
        EXPECT_EQ(Status().find("Sending starts at"), std::string::npos);
    }
    Answer(now.addSecs(3 * 3600));
    Window().sendLaterAction->trigger();
    EXPECT_EQ(Status().rfind("Sending starts at ", 0), 0u) << Status();

    Ui.Answers = {1, 0};
    EXPECT_FALSE(Window().close()) << "Cancel keeps the schedule and the program";
    EXPECT_TRUE(Window().close());
    ASSERT_EQ(Ui.Questions.size(), 2u);
    EXPECT_EQ(Ui.Questions[0].rfind("Sending waits for ", 0), 0u) << Ui.Questions[0];
}

// The job goes at its moment with no further question, continuing what it can, whether
// scheduled from the File menu or by the send question's "Send later…".
TEST_F(SendLater, TheJobStartsAtItsMomentWithoutAQuestion)
{
    // How the job is scheduled, and the answers of the questions asked on the way.
    const std::vector<std::pair<std::function<void()>, std::vector<std::string>>> ways = {
        {[this] { Window().sendLaterAction->trigger(); }, {}},
        {[this] {
             Ui.Answers = {1};
             Window().sendToList();
         },
         {"Send|Send later…|Cancel"}}};
    for (const auto& [schedule, answers] : ways) {
        SCOPED_TRACE(answers.size());
        ScriptedServer server;
        server.Send("554 no service\r\n").ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
        server.Start();
        Sandbox.WriteSettings(SettingsFor(server.Port()));
        Program.reset();
        Ui.Questions.clear();
        Ui.Messages.clear();
        Start();
        Window().recipientList->Append("bob@example.org");
        Answer(QDateTime::currentDateTime().addSecs(1));
        schedule();
        EXPECT_EQ(Status().rfind("Sending starts at ", 0), 0u) << Status();
        ASSERT_TRUE(PumpUntil([this] { return !Ui.Messages.empty(); }));
        std::vector<std::string> asked;
        for (const std::string& question : Ui.Questions)
            asked.push_back(question.substr(question.rfind('\n') + 1));
        EXPECT_EQ(asked, answers);
        server.Finish();
    }
}

TEST_F(SendLater, SuppressionWindowAddsImportsSearchesRemovesAndExports)
{
    Window().showSuppressionsAction->trigger();
    auto* window = Window().findChild<TSuppressionWindow*>("SuppressionWindow");
    ASSERT_NE(window, nullptr);
    const auto addresses = [window] {
        std::vector<std::string> shown;
        for (int row = 0; row < window->table->rowCount(); ++row)
            shown.push_back(Str(window->table->item(row, 0)->text()));
        return shown;
    };
    window->addressEdit->setText("Bob <BOB@example.org>");
    window->addButton->click();
    Ui.OpenAnswers = {Sandbox.MakeFile("no.txt", "carol@example.org\r\ncene@example.org\r\n")};
    window->importButton->click();
    EXPECT_EQ(addresses(), (std::vector<std::string>{"bob@example.org", "carol@example.org", "cene@example.org"}));
    window->searchEdit->setText("car");
    EXPECT_EQ(addresses(), std::vector<std::string>{"carol@example.org"});
    window->table->selectRow(0);
    window->removeButton->click();
    window->searchEdit->clear();
    EXPECT_EQ(addresses(), (std::vector<std::string>{"bob@example.org", "cene@example.org"}));
    const std::string exported = Sandbox.ProgramFolder() + "out.txt";
    Ui.SaveAnswers = {exported};
    window->exportButton->click();
    EXPECT_EQ(ReadFileBytes(exported), "bob@example.org\r\ncene@example.org\r\n");
    EXPECT_EQ(Str(window->table->item(0, 1)->text()), "by hand");

    // From the delivery history: the chosen entry of the chosen job.
    Program->History().History().BeginJob({"", "News", "m", {"Dan <dan@example.org>"}});
    Window().showHistoryAction->trigger();
    THistoryWindow& history = Program->HistoryWindow();
    history.ChooseJob(0);
    history.entriesView->selectRow(0);
    history.suppressButton->click();
    EXPECT_EQ(Program->Suppressions().Addresses("ana@example.org").count("dan@example.org"), 1u);
}

}
