// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HistoryWindow.h"
#include "AppFixture.h"
#include "workflow/history/DeliveryHistory.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/history/HistoryMessages.h"
#include "workflow/job/JobFingerprint.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTest>

namespace {

using enum TOutcome;

class HistoryWindow : public AppTest {
protected:
    std::int64_t Finished = 0, Refusals = 0, Interrupted = 0;

    // Three jobs, oldest first: one that delivered everything, one that ended with
    // entries refused, deferred, not sent and suppressed, and one that never ended.
    void FillHistory()
    {
        TDeliveryHistory history;
        Finished = history.BeginJob(
            {"/home/ana/lists/friends.txt", "Summer party", "m1", {"ana@example.org", "bor@example.org"}});
        history.Record(Finished, {0, Delivered, "250 2.0.0 Ok: queued as 1A", "<1@x>", ""});
        history.Record(Finished, {1, Delivered, "250 2.0.0 Ok", "<2@x>", ""});
        history.EndJob(Finished);
        Refusals = history.BeginJob(
            {"",
             "News",
             "m2",
             {"a@example.org", "", "b@example.org", "c@example.org", "d@example.org", "e@example.org"}});
        history.Record(Refusals, {5, Suppressed, "on the suppression list", "", ""});
        history.Record(Refusals, {0, Delivered, "250 Ok", "<3@x>", ""});
        history.Record(Refusals, {2, Refused, "550 5.1.1 No such user\r\n", "<4@x>", ""});
        history.Record(Refusals,
                       {3, Deferred, "451 4.7.1 Try again later", "<5@x>", "sent again: no reply to the final dot"});
        history.EndJob(Refusals);
        Interrupted = history.BeginJob({"/tmp/big.txt", "Later", "m3", {"x@example.org"}});
    }

    void StartWithHistory()
    {
        Sandbox.WriteSettings(CompleteSettings);
        FillHistory();
        Start();
        Ui.Events.clear();
    }

    THistoryWindow& History() { return Program->HistoryWindow(); }
    std::string JobCell(int row, int column) { return Str(History().Jobs.index(row, column).data().toString()); }
    std::string EntryCell(int row, int column, int role = Qt::DisplayRole)
    {
        return Str(History().Entries.index(row, column).data(role).toString());
    }
    std::vector<std::string> JobColumn(int column)
    {
        std::vector<std::string> cells;
        for (int row = 0; row < History().Jobs.rowCount(); ++row)
            cells.push_back(JobCell(row, column));
        return cells;
    }
};

TEST_F(HistoryWindow, MenuRowShowsTheJobsNewestFirstWithTheirCountsAndState)
{
    StartWithHistory();
    Window().showHistoryAction->trigger();
    ASSERT_TRUE(History().isVisible());
    using M = THistoryJobsModel;
    EXPECT_EQ(JobColumn(M::ListFile), (std::vector<std::string>{"big.txt", "(typed in)", "friends.txt"}));
    EXPECT_EQ(JobColumn(M::Subject), (std::vector<std::string>{"Later", "News", "Summer party"}));
    EXPECT_EQ(JobColumn(M::Delivered), (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(JobColumn(M::Refused), (std::vector<std::string>{"0", "1", "0"}));
    EXPECT_EQ(JobColumn(M::Deferred), (std::vector<std::string>{"0", "1", "0"}));
    EXPECT_EQ(JobColumn(M::NotSent), (std::vector<std::string>{"1", "1", "0"}));
    EXPECT_EQ(JobColumn(M::Suppressed), (std::vector<std::string>{"0", "1", "0"}));
    EXPECT_EQ(JobColumn(M::State),
              (std::vector<std::string>{"interrupted or running", "not all delivered", "finished"}));
    EXPECT_EQ(JobCell(0, M::Ended), "");
    const QDateTime started =
        QDateTime::fromString(QString::fromStdString(JobCell(2, M::Started)), "yyyy-MM-dd HH:mm:ss");
    EXPECT_LE(std::abs(started.secsTo(QDateTime::currentDateTime())), 60) << JobCell(2, M::Started);
    EXPECT_EQ(Str(History().Jobs.index(2, M::ListFile).data(Qt::ToolTipRole).toString()),
              "/home/ana/lists/friends.txt");
    // The newest job is chosen at once.
    EXPECT_EQ(History().ChosenJob(), Interrupted);
    EXPECT_EQ(History().Entries.rowCount(), 1);
    EXPECT_TRUE(Ui.Events.empty());
    Activate(History());
    QTest::keyClick(&History(), Qt::Key_Escape);
    EXPECT_FALSE(History().isVisible());
}

TEST_F(HistoryWindow, ChosenJobShowsEachEntryWithOutcomeReplyMessageIdAndTime)
{
    StartWithHistory();
    Window().showHistoryAction->trigger();
    History().jobsView->setCurrentIndex(History().Jobs.index(1, 0));
    ASSERT_EQ(History().ChosenJob(), Refusals);
    using E = THistoryEntriesModel;
    ASSERT_EQ(History().Entries.rowCount(), 5); // the empty entry is no recipient
    const std::vector<std::vector<std::string>> expected = {
        {"1", "a@example.org", "delivered", "250 Ok", "<3@x>", ""},
        {"3", "b@example.org", "refused", "550 5.1.1 No such user ", "<4@x>", ""},
        {"4", "c@example.org", "deferred", "451 4.7.1 Try again later", "<5@x>",
         "sent again: no reply to the final dot"},
        {"5", "d@example.org", "not sent", "", "", ""},
        {"6", "e@example.org", "suppressed", "on the suppression list", "", ""}};
    for (int row = 0; row < 5; ++row) {
        const std::vector<std::string> cells = {EntryCell(row, E::Line),      EntryCell(row, E::Entry),
                                                EntryCell(row, E::Outcome),   EntryCell(row, E::Reply),
                                                EntryCell(row, E::MessageId), EntryCell(row, E::Note)};
        EXPECT_EQ(cells, expected[static_cast<size_t>(row)]) << "row " << row;
    }
    EXPECT_EQ(EntryCell(1, E::Reply, Qt::ToolTipRole), "550 5.1.1 No such user\r\n");
    EXPECT_FALSE(EntryCell(0, E::Time).empty());
    EXPECT_EQ(EntryCell(3, E::Time), ""); // never tried
    EXPECT_NE(History().Entries.index(1, E::Outcome).data(Qt::ForegroundRole), QVariant());
}

TEST_F(HistoryWindow, EntriesNotDeliveredAreSavedAsARecipientsFile)
{
    StartWithHistory();
    Window().showHistoryAction->trigger();
    History().ChooseJob(1);
    ASSERT_TRUE(History().saveNotDeliveredButton->isEnabled());
    Ui.SaveAnswers = {"", Sandbox.Path("rest.txt")};
    History().saveNotDeliveredButton->click(); // cancelled
    EXPECT_FALSE(FileExists(Sandbox.Path("rest.txt")));
    History().saveNotDeliveredButton->click();
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("rest.txt")), "b@example.org\r\nc@example.org\r\nd@example.org\r\n");
    ASSERT_EQ(Ui.FileRequests.size(), 2u);
    EXPECT_EQ(Ui.FileRequests[1].Title, "Varnolt Pelmar - Save file");
    EXPECT_EQ(Ui.FileRequests[1].DefaultExt, "txt");
    // Loaded back, the file is the list of those who did not get the message.
    Ui.OpenAnswers = {Sandbox.Path("rest.txt")};
    Window().openRecipientFileAction->trigger();
    EXPECT_EQ(Window().recipientList->Items(), (QStringList{"b@example.org", "c@example.org", "d@example.org"}));

    History().ChooseJob(2); // everyone got it: nothing to save
    EXPECT_FALSE(History().saveNotDeliveredButton->isEnabled());
    EXPECT_TRUE(Ui.Errors.empty());
}

// A job of an address book saves its entries not delivered beside it, as CSV with its
// columns, and says where; a job without a file is offered the home folder.
TEST_F(HistoryWindow, EntriesNotDeliveredKeepTheColumnsOfTheJobsListAndAreSavedWhereSaid)
{
    Sandbox.WriteSettings(CompleteSettings);
    const std::string book =
        Sandbox.MakeFile("lists/club.csv", "Name,E-mail,City\nAna,ana@x.org,Kranj\nBo,bo@x.org,Bled\n");
    Start();
    Ui.OpenAnswers = {book};
    Window().openRecipientFileAction->trigger();
    const QStringList entries = Window().recipientList->Items();
    {
        TDeliveryHistory history;
        const auto job = history.BeginJob({book, "Club", "m5", {entries[0].toStdString(), entries[1].toStdString()}});
        history.Record(job, {0, Delivered, "250 Ok", "<6@x>", ""});
        history.Record(job, {1, Refused, "550 No", "<7@x>", ""});
        history.EndJob(job);
    }
    Window().showHistoryAction->trigger();
    History().ChooseJob(0);
    const std::string rest = Sandbox.Path("lists/club-not-delivered.csv");
    Ui.SaveAnswers = {rest};
    History().saveNotDeliveredButton->click();
    ASSERT_EQ(Ui.FileRequests.size(), 2u);
    EXPECT_EQ(Ui.FileRequests[1].InitialDir, rest);
    EXPECT_EQ(ReadFileBytes(rest), "\xEF\xBB\xBFName,E-mail,City\r\nBo,bo@x.org,Bled\r\n");
    EXPECT_EQ(Ui.Messages.back(), "1 entry not delivered was saved in " + rest + ".");
}

// Two jobs of one subject differ in format and attachment; one that never reached the
// server stands with its reason, has nothing to save and is never the one continued.
TEST_F(HistoryWindow, JobsThatNeverReachedTheServerAreListedWithTheirReason)
{
    Sandbox.WriteSettings(CompleteSettings);
    using M = THistoryJobsModel;
    std::int64_t sent = 0;
    {
        TDeliveryHistory history;
        sent = history.BeginJob({"", "News", "m6", {"a@x.org", "b@x.org"}, "HTML", "map.pdf"});
        history.Record(sent, {0, Delivered, "250 Ok", "<8@x>", ""});
        history.EndJob(sent);
        history.RecordUnreachedJob({"", "News", "m6", {"a@x.org", "b@x.org"}, "text", ""},
                                   "Connect failed.\r\rThe server did not answer.");
        ASSERT_TRUE(history.FindUnfinished(ListHash({"a@x.org", "b@x.org"}), "m6"));
        EXPECT_EQ(history.FindUnfinished(ListHash({"a@x.org", "b@x.org"}), "m6")->job.id, sent);
    }
    Start();
    Window().showHistoryAction->trigger();
    EXPECT_EQ(JobColumn(M::Format), (std::vector<std::string>{"text", "HTML"}));
    EXPECT_EQ(JobColumn(M::Attachment), (std::vector<std::string>{"", "map.pdf"}));
    EXPECT_EQ(JobColumn(M::State),
              (std::vector<std::string>{"Connect failed.  The server did not answer.", "not all delivered"}));
    History().ChooseJob(0);
    EXPECT_FALSE(History().saveNotDeliveredButton->isEnabled());
    History().ChooseJob(1);
    EXPECT_TRUE(History().saveNotDeliveredButton->isEnabled());
}

TEST_F(HistoryWindow, ColumnsAreAtLeastAsWideAsTheirHeadersInEitherLanguage)
{
    StartWithHistory();
    Window().showHistoryAction->trigger();
    for (QAction* language : {Window().useSlovenianAction, Window().useEnglishAction}) {
        language->trigger();
        for (QTableView* view : {History().jobsView, History().entriesView})
            for (int column = 0; column + 1 < view->model()->columnCount(); ++column)
                EXPECT_GE(view->columnWidth(column), view->horizontalHeader()->sectionSizeHint(column))
                    << Str(view->model()->headerData(column, Qt::Horizontal).toString());
    }
}

TEST_F(HistoryWindow, ShowingAgainReadsNewJobsFromTheOneHistoryAndKeepsTheChosenJob)
{
    StartWithHistory();
    Window().showHistoryAction->trigger();
    TDeliveryHistory* opened = &Program->History().History();
    History().ChooseJob(1);
    History().close();
    const auto newest = opened->BeginJob({"", "Newest", "m4", {"n@example.org"}});
    Window().showHistoryAction->trigger();
    EXPECT_EQ(&Program->History().History(), opened);
    EXPECT_EQ(History().Jobs.rowCount(), 4);
    EXPECT_EQ(History().Jobs.Job(0).id, newest);
    EXPECT_EQ(History().ChosenJob(), Refusals);
    EXPECT_EQ(History().Entries.rowCount(), 5);
}

TEST_F(HistoryWindow, TextsFollowTheLanguage)
{
    StartWithHistory();
    EXPECT_EQ(Str(Window().showHistoryAction->text()), "Delivery history…");
    Window().showHistoryAction->trigger();
    EXPECT_EQ(Str(History().windowTitle()), "Varnolt Pelmar - Delivery history");
    Window().useSlovenianAction->trigger();
    EXPECT_EQ(Str(Window().showHistoryAction->text()), "Zgodovina pošiljanja …");
    EXPECT_EQ(Str(History().windowTitle()), "Varnolt Pelmar - zgodovina pošiljanja");
    EXPECT_EQ(Str(History().saveNotDeliveredButton->text()), "Shrani nedostavljene naslove …");
    EXPECT_EQ(Str(History().Jobs.headerData(THistoryJobsModel::Delivered, Qt::Horizontal, Qt::DisplayRole).toString()),
              "Dostavljeno");
    EXPECT_EQ(JobColumn(THistoryJobsModel::State),
              (std::vector<std::string>{"prekinjeno ali teče", "ni vse dostavljeno", "končano"}));
    EXPECT_EQ(EntryCell(0, THistoryEntriesModel::Outcome), "ni poslano");
    Window().useEnglishAction->trigger();
    EXPECT_EQ(Str(History().closeButton->text()), "Close");
}

TEST_F(HistoryWindow, HistoryThatCannotBeOpenedIsReportedAndTheWindowStaysClosed)
{
    Sandbox.WriteSettings(CompleteSettings);
    const std::string blocker = Sandbox.MakeFile("data", "not a folder");
    Start();
    Window().showHistoryAction->trigger();
    EXPECT_FALSE(History().isVisible());
    ASSERT_EQ(Ui.Errors.size(), 1u);
    EXPECT_EQ(Ui.Errors[0].rfind("The delivery history cannot be opened.\r\rFile: " + Sandbox.UserDataFolder(), 0), 0u)
        << Ui.Errors[0];
    // Mended, it opens at the next try.
    QFile::remove(QString::fromStdString(blocker));
    Window().showHistoryAction->trigger();
    EXPECT_TRUE(History().isVisible());
    EXPECT_EQ(Ui.Errors.size(), 1u);
}

TEST_F(HistoryWindow, DamagedHistoryIsToldOnceAndANewOneShown)
{
    Sandbox.WriteSettings(CompleteSettings);
    Sandbox.MakeFile("data/history.sqlite", "ana@example.org\r\nbor@example.org\r\n");
    Start();
    Window().showHistoryAction->trigger();
    Window().showHistoryAction->trigger();
    const std::string copy = Program->History().History().DamagedCopy();
    EXPECT_EQ(Ui.Messages, std::vector<std::string>{Messages::HistoryMovedAside(copy)});
    EXPECT_EQ(History().Jobs.rowCount(), 0);
    EXPECT_FALSE(History().saveNotDeliveredButton->isEnabled());
}

TEST_F(HistoryWindow, JobOfAHundredThousandEntriesIsOneModelRowEach)
{
    Sandbox.WriteSettings(CompleteSettings);
    std::vector<std::string> entries;
    for (int i = 0; i < 100000; ++i)
        entries.push_back("person" + std::to_string(i) + "@example.org");
    {
        TDeliveryHistory history;
        const auto job = history.BeginJob({"big.txt", "Big", "m", entries});
        history.Record(job, {99999, Refused, "550 No", "", ""});
    }
    Start();
    Window().showHistoryAction->trigger();
    ASSERT_EQ(History().Entries.rowCount(), 100000);
    History().entriesView->scrollToBottom();
    Pump();
    EXPECT_EQ(EntryCell(99999, THistoryEntriesModel::Entry), "person99999@example.org");
    EXPECT_EQ(EntryCell(99999, THistoryEntriesModel::Outcome), "refused");
    EXPECT_EQ(History().entriesView->rowAt(History().entriesView->viewport()->height() - 2), 99999);
}

}
