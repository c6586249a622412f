// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/history/DeliveryHistory.h"
#include "base/StringList.h"
#include "support/HistorySql.h"
#include "support/Sandbox.h"
#include "workflow/history/HistoryMessages.h"
#include "workflow/job/JobFingerprint.h"
#include "workflow/program/ProgramState.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using enum TOutcome;

const std::vector<std::string> List = {"ana@example.org", "Bor <bor@example.org>", "cene@example.org",
                                       "dana@example.org"};

struct Counts {
    int total, delivered, refused, deferred, notSent;
    bool operator==(const Counts&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Counts& c)
{
    return os << c.total << " total, " << c.delivered << " delivered, " << c.refused << " refused, " << c.deferred
              << " deferred, " << c.notSent << " not sent";
}

Counts CountsOf(const TJobSummary& job)
{
    return {job.total, job.delivered, job.refused, job.deferred, job.notSent};
}

class History : public ::testing::Test {
protected:
    TSandbox Sandbox;
    std::unique_ptr<TDeliveryHistory> Store = std::make_unique<TDeliveryHistory>();

    void Reopen()
    {
        Store.reset();
        Store = std::make_unique<TDeliveryHistory>();
    }
    std::int64_t Begin(const std::vector<std::string>& entries, const std::string& message = "message")
    {
        return Store->BeginJob({"list.txt", "Subject", message, entries});
    }
    std::string FileName() const { return Sandbox.UserDataFolder() + "history.sqlite"; }
};

TEST_F(History, KeepsAJobAndItsEntriesAcrossOpenings)
{
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const std::vector<std::string> entries = {"ana@example.org", "", "Bor <bor@example.org>", "cene@example.org"};
    const std::int64_t job = Store->BeginJob({"/home/ana/vabilo.txt", "Vabilo na žur", "hash", entries});
    Store->Record(job, {2, Refused, "550 5.1.1 <bor@example.org>: no such user", "<2@sender>", ""});
    Store->Record(job, {0, Delivered, "250 2.0.0 Ok", "<1@sender>", "final dot sent but no reply; sent again"});
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    Reopen();

    EXPECT_EQ(Store->FileName(), FileName());
    const TJobSummary summary = Store->Job(job);
    EXPECT_EQ(summary.listFile, "/home/ana/vabilo.txt");
    EXPECT_EQ(summary.subject, "Vabilo na žur");
    EXPECT_EQ(summary.messageHash, "hash");
    EXPECT_EQ(summary.listHash, ListHash(entries));
    EXPECT_GE(summary.started.toMSecsSinceEpoch(), before);
    EXPECT_LE(summary.started.toMSecsSinceEpoch(), after);
    EXPECT_FALSE(summary.ended.isValid());
    EXPECT_EQ(CountsOf(summary), (Counts{3, 1, 1, 0, 1}));

    const std::vector<TEntryRecord> rows = Store->Entries(job);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].position, 0);
    EXPECT_EQ(rows[0].entry, "ana@example.org");
    EXPECT_EQ(rows[0].outcome, Delivered);
    EXPECT_EQ(rows[0].reply, "250 2.0.0 Ok");
    EXPECT_EQ(rows[0].messageId, "<1@sender>");
    EXPECT_EQ(rows[0].note, "final dot sent but no reply; sent again");
    EXPECT_GE(rows[0].time.toMSecsSinceEpoch(), before);
    EXPECT_LE(rows[0].time.toMSecsSinceEpoch(), after);
    EXPECT_EQ(rows[1].position, 2);
    EXPECT_EQ(rows[1].entry, "Bor <bor@example.org>");
    EXPECT_EQ(rows[1].outcome, Refused);
    EXPECT_EQ(rows[1].reply, "550 5.1.1 <bor@example.org>: no such user");
    EXPECT_EQ(rows[2].position, 3);
    EXPECT_EQ(rows[2].outcome, NotSent);
    EXPECT_FALSE(rows[2].time.isValid());
    EXPECT_TRUE(rows[2].reply.empty());
}

// ---- counts, live while a job runs and stored when it ends ------------------------------

struct CountCase {
    const char* name;
    std::vector<std::string> list;
    std::vector<std::pair<int, TOutcome>> outcomes; // in the order recorded
    Counts counts;
    std::vector<std::string> notDelivered;
};

void PrintTo(const CountCase& c, std::ostream* os)
{
    *os << c.name;
}

class JobCounts : public History, public ::testing::WithParamInterface<CountCase> { };

TEST_P(JobCounts, AgreeWithTheEntriesBeforeAndAfterTheEnd)
{
    const std::int64_t job = Begin(GetParam().list);
    for (const auto& [position, outcome] : GetParam().outcomes)
        Store->Record(job, {position, outcome, "reply", "", ""});
    EXPECT_EQ(CountsOf(Store->Job(job)), GetParam().counts) << "while running";
    EXPECT_EQ(Store->NotDelivered(job).Lines(), GetParam().notDelivered);
    EXPECT_EQ(Store->Job(job).Unfinished(), !GetParam().notDelivered.empty());

    Store->EndJob(job);
    Reopen();
    const TJobSummary ended = Store->Job(job);
    EXPECT_TRUE(ended.ended.isValid());
    EXPECT_EQ(CountsOf(ended), GetParam().counts) << "after the end";
    EXPECT_EQ(CountsOf(Store->Jobs().at(0)), GetParam().counts) << "in the list of jobs";
}

INSTANTIATE_TEST_SUITE_P(Jobs, JobCounts,
                         ::testing::Values(CountCase{"AllDelivered",
                                                     List,
                                                     {{0, Delivered}, {1, Delivered}, {2, Delivered}, {3, Delivered}},
                                                     {4, 4, 0, 0, 0},
                                                     {}},
                                           CountCase{"OneOfEach",
                                                     List,
                                                     {{0, Delivered}, {1, Refused}, {2, Deferred}},
                                                     {4, 1, 1, 1, 1},
                                                     {List[1], List[2], List[3]}},
                                           CountCase{"DeferredThenDelivered",
                                                     List,
                                                     {{0, Deferred}, {1, Delivered}, {0, Delivered}},
                                                     {4, 2, 0, 0, 2},
                                                     {List[2], List[3]}},
                                           CountCase{"DeliveredRecordedTwice",
                                                     List,
                                                     {{3, Delivered}, {3, Delivered}},
                                                     {4, 1, 0, 0, 3},
                                                     {List[0], List[1], List[2]}},
                                           CountCase{"NothingSent", List, {}, {4, 0, 0, 0, 4}, List},
                                           CountCase{"EmptyEntriesAreNoMessages",
                                                     {"", "ana@example.org", "", "bor@example.org", ""},
                                                     {{1, Delivered}},
                                                     {2, 1, 0, 0, 1},
                                                     {"bor@example.org"}},
                                           CountCase{"OnlyEmptyEntries", {"", ""}, {}, {0, 0, 0, 0, 0}, {}}),
                         [](const auto& info) { return info.param.name; });

// ---- which earlier job a new one continues ----------------------------------------------

struct PastJob {
    std::vector<std::string> list;
    std::string message;
    std::vector<int> delivered;
    std::vector<int> refused;
    bool ended;
};

struct ResumeCase {
    const char* name;
    std::vector<PastJob> past; // oldest first
    std::vector<std::string> list;
    std::string message;
    int continues; // index into past; -1 for none
    std::vector<int> skip;
};

void PrintTo(const ResumeCase& c, std::ostream* os)
{
    *os << c.name;
}

class Resume : public History, public ::testing::WithParamInterface<ResumeCase> { };

TEST_P(Resume, OffersTheNewestJobOfTheSameListAndMessageWhenUnfinished)
{
    std::vector<std::int64_t> ids;
    for (const PastJob& past : GetParam().past) {
        ids.push_back(Begin(past.list, past.message));
        for (int position : past.delivered)
            Store->Record(ids.back(), {position, Delivered, "250 Ok", "", ""});
        for (int position : past.refused)
            Store->Record(ids.back(), {position, Refused, "550 No", "", ""});
        if (past.ended)
            Store->EndJob(ids.back());
    }
    Reopen();
    const auto point = Store->FindUnfinished(ListHash(GetParam().list), GetParam().message);
    if (GetParam().continues < 0) {
        EXPECT_FALSE(point.has_value()) << "offered job " << point->job.id;
        return;
    }
    ASSERT_TRUE(point.has_value());
    EXPECT_EQ(point->job.id, ids.at(static_cast<std::size_t>(GetParam().continues)));
    EXPECT_EQ(point->deliveredPositions, GetParam().skip);
}

const std::vector<std::string> OtherList = {"ana@example.org", "Bor <bor@example.org>", "cene@example.org",
                                            "dana@example.net"};
const std::vector<std::string> ListWithEmpty = {"", "ana@example.org", "Bor <bor@example.org>", "cene@example.org",
                                                "dana@example.org"};

INSTANTIATE_TEST_SUITE_P(
    Rules, Resume,
    ::testing::Values(
        ResumeCase{"Interrupted", {{List, "m", {0, 1}, {}, false}}, List, "m", 0, {0, 1}},
        ResumeCase{"InterruptedBeforeAnyDelivery", {{List, "m", {}, {}, false}}, List, "m", 0, {}},
        ResumeCase{"EndedWithRefusedEntries", {{List, "m", {0, 3}, {1, 2}, true}}, List, "m", 0, {0, 3}},
        ResumeCase{"StoppedWithEntriesNotSent", {{List, "m", {1}, {}, true}}, List, "m", 0, {1}},
        ResumeCase{"EverythingDelivered", {{List, "m", {0, 1, 2, 3}, {}, true}}, List, "m", -1, {}},
        ResumeCase{"EverythingDeliveredBeforeACrash", {{List, "m", {0, 1, 2, 3}, {}, false}}, List, "m", -1, {}},
        ResumeCase{"OtherMessage", {{List, "m", {0}, {}, false}}, List, "m2", -1, {}},
        ResumeCase{"OneEntryChanged", {{List, "m", {0}, {}, false}}, OtherList, "m", -1, {}},
        ResumeCase{"AnEmptyEntryMovesThePositions", {{List, "m", {0}, {}, false}}, ListWithEmpty, "m", -1, {}},
        ResumeCase{
            "EmptyEntriesKeepTheirPositions", {{ListWithEmpty, "m", {1, 4}, {}, false}}, ListWithEmpty, "m", 0, {1, 4}},
        ResumeCase{"NewestOfTwoUnfinished",
                   {{List, "m", {0}, {}, false}, {List, "m", {1, 2}, {}, false}},
                   List,
                   "m",
                   1,
                   {1, 2}},
        ResumeCase{"StartedAgainAndFinished",
                   {{List, "m", {0}, {}, false}, {List, "m", {0, 1, 2, 3}, {}, true}},
                   List,
                   "m",
                   -1,
                   {}},
        ResumeCase{"NewerJobOfAnotherList",
                   {{List, "m", {2}, {}, false}, {OtherList, "m", {}, {}, false}},
                   List,
                   "m",
                   0,
                   {2}}),
    [](const auto& info) { return info.param.name; });

TEST_F(History, ContinuingAJobUpdatesItsOwnRows)
{
    const std::int64_t job = Begin(List);
    Store->Record(job, {0, Delivered, "250 Ok", "<0@s>", ""});
    Store->Record(job, {1, Deferred, "451 Try again later", "<1@s>", ""});
    Store->EndJob(job);
    Reopen();

    const auto point = Store->FindUnfinished(ListHash(List), "message");
    ASSERT_TRUE(point.has_value());
    Store->ContinueJob(point->job.id);
    EXPECT_FALSE(Store->Job(job).ended.isValid()) << "running again";
    for (int position : {1, 2, 3})
        Store->Record(job, {position, Delivered, "250 Ok", "<" + std::to_string(position) + "@s2>", ""});
    Store->EndJob(job);

    ASSERT_EQ(Store->Jobs().size(), 1u);
    const TJobSummary summary = Store->Job(job);
    EXPECT_EQ(CountsOf(summary), (Counts{4, 4, 0, 0, 0}));
    EXPECT_TRUE(summary.ended.isValid());
    EXPECT_EQ(Store->Entries(job).at(0).messageId, "<0@s>");
    EXPECT_EQ(Store->Entries(job).at(1).messageId, "<1@s2>");
    EXPECT_EQ(Store->Entries(job).at(1).reply, "250 Ok");
    EXPECT_FALSE(Store->FindUnfinished(ListHash(List), "message").has_value());
}

TEST_F(History, ListsJobsNewestFirst)
{
    const std::int64_t first = Begin(List, "m1");
    Store->EndJob(first);
    const std::int64_t second = Begin({"ana@example.org"}, "m2");
    Store->Record(second, {0, Delivered, "250 Ok", "", ""});
    const std::int64_t third = Begin(List, "m3");

    const std::vector<TJobSummary> jobs = Store->Jobs();
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(jobs[0].id, third);
    EXPECT_EQ(jobs[1].id, second);
    EXPECT_EQ(jobs[2].id, first);
    EXPECT_EQ(jobs[0].messageHash, "m3");
    EXPECT_EQ(CountsOf(jobs[1]), (Counts{1, 1, 0, 0, 0}));
    EXPECT_EQ(CountsOf(jobs[2]), (Counts{4, 0, 0, 0, 4}));
}

TEST_F(History, RefusesPositionsAndJobsItDoesNotHold)
{
    const std::int64_t job = Begin({"ana@example.org", "", "bor@example.org"});
    EXPECT_THROW(Store->Record(job, {1, Delivered, "", "", ""}), std::out_of_range) << "an empty entry";
    EXPECT_THROW(Store->Record(job, {3, Delivered, "", "", ""}), std::out_of_range) << "past the end";
    EXPECT_THROW(Store->Record(job + 1, {0, Delivered, "", "", ""}), std::out_of_range);
    EXPECT_THROW(Store->Job(job + 1), std::out_of_range);
    EXPECT_TRUE(Store->Entries(job + 1).empty());
}

TEST_F(History, NotDeliveredEntriesSaveAsARecipientsFile)
{
    const std::int64_t job = Begin(List);
    Store->Record(job, {0, Delivered, "250 Ok", "", ""});
    Store->Record(job, {2, Refused, "550 No", "", ""});
    const std::string file = Sandbox.Path("rest.txt");
    Store->NotDelivered(job).SaveToFile(file);
    EXPECT_EQ(ReadFileBytes(file), "Bor <bor@example.org>\r\ncene@example.org\r\ndana@example.org\r\n");
}

// ---- a damaged history is moved aside ---------------------------------------------------

struct DamageCase {
    const char* name;
    // Turns the bytes of a whole history of some jobs into a damaged file's bytes.
    std::string (*damage)(const std::string& whole);
};

void PrintTo(const DamageCase& c, std::ostream* os)
{
    *os << c.name;
}

class DamagedHistory : public History, public ::testing::WithParamInterface<DamageCase> { };

TEST_P(DamagedHistory, IsRenamedAndANewOneStarted)
{
    std::vector<std::string> big;
    for (int i = 0; i < 3000; ++i)
        big.push_back("recipient" + std::to_string(i) + "@example.org");
    for (int j = 0; j < 3; ++j)
        Begin(big, "m" + std::to_string(j));
    Store.reset();
    const std::string damaged = GetParam().damage(ReadFileBytes(FileName()));
    Sandbox.MakeFile("data/history.sqlite", damaged);

    Store = std::make_unique<TDeliveryHistory>();
    const std::string copy = Store->DamagedCopy();
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(copy.rfind(FileName() + ".damaged-", 0), 0u) << copy;
    EXPECT_EQ(ReadFileBytes(copy), damaged);
    EXPECT_TRUE(Store->Jobs().empty());
    const std::int64_t job = Begin(List);
    Store->Record(job, {0, Delivered, "250 Ok", "", ""});
    EXPECT_NE(Messages::HistoryMovedAside(copy).find(copy), std::string::npos);

    Reopen();
    EXPECT_TRUE(Store->DamagedCopy().empty());
    EXPECT_EQ(Store->Jobs().size(), 1u);
    EXPECT_EQ(QDir(QString::fromStdString(Sandbox.UserDataFolder())).entryList({"*.damaged-*"}).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedHistory,
    ::testing::Values(
        DamageCase{"Garbage", [](const std::string&) { return std::string(20000, 'x'); }},
        DamageCase{"TextFile",
                   [](const std::string&) { return std::string("ana@example.org\r\nbor@example.org\r\n"); }},
        DamageCase{"TruncatedToHalf", [](const std::string& whole) { return whole.substr(0, whole.size() / 2); }},
        DamageCase{"HeaderOnly", [](const std::string& whole) { return whole.substr(0, 100); }},
        DamageCase{"PagesOverwritten",
                   [](const std::string& whole) {
                       std::string bytes = whole;
                       for (std::size_t i = 8192; i < bytes.size(); i += 4096)
                           bytes.replace(i + 100, 300, 300, '\xff');
                       return bytes;
                   }}),
    [](const auto& info) { return info.param.name; });

// ---- a history that cannot be opened or written -----------------------------------------

TEST_F(History, AFolderThatCannotBeMadeIsAnOpeningErrorInTheUsersLanguage)
{
    const std::string folder = Sandbox.MakeFile("plain-file", "x") + "/history";
    for (int language : {1, 2}) {
        CurrentLanguage = language;
        try {
            TDeliveryHistory history(folder);
            FAIL() << "opened";
        } catch (const EHistoryError& error) {
            EXPECT_EQ(error.Kind(), EHistoryError::TKind::Open);
            EXPECT_EQ(error.Message(),
                      language == 1 ? "Zgodovine pošiljanja ni mogoče odpreti.\r\rDatoteka: " + folder
                              + "/history.sqlite\rRazlog: mape ni mogoče ustvariti: " + folder
                                    : "The delivery history cannot be opened.\r\rFile: " + folder
                              + "/history.sqlite\rReason: the folder cannot be created: " + folder);
        }
    }
}

TEST_F(History, AFolderInPlaceOfTheFileIsAnOpeningErrorNotDamage)
{
    Store.reset();
    QFile::remove(QString::fromStdString(FileName()));
    QDir().mkpath(QString::fromStdString(FileName()));
    try {
        Store = std::make_unique<TDeliveryHistory>();
        FAIL() << "opened";
    } catch (const EHistoryError& error) {
        EXPECT_EQ(error.Kind(), EHistoryError::TKind::Open);
        EXPECT_NE(error.Message().find(FileName()), std::string::npos) << error.Message();
    }
    EXPECT_TRUE(QFileInfo(QString::fromStdString(FileName())).isDir()) << "left where it was";
}

TEST_F(History, AHistoryOfANewerVersionIsNotTouched)
{
    Begin(List);
    Store.reset();
    RunSql(FileName(), "PRAGMA user_version = 99");
    const std::string bytes = ReadFileBytes(FileName());
    try {
        TDeliveryHistory history(Sandbox.UserDataFolder());
        FAIL() << "opened";
    } catch (const EHistoryError& error) {
        EXPECT_EQ(error.Kind(), EHistoryError::TKind::Open);
        EXPECT_NE(error.Message().find("newer version"), std::string::npos) << error.Message();
    }
    EXPECT_EQ(ReadFileBytes(FileName()), bytes);
}

TEST_F(History, AFailedWriteIsAnErrorAndTheHistoryStaysUsable)
{
    const std::int64_t job = Begin(List);
    RunSql(FileName(), "CREATE TRIGGER fail BEFORE UPDATE ON entries BEGIN SELECT RAISE(ABORT, 'disk on fire'); END");
    try {
        Store->Record(job, {0, Delivered, "250 Ok", "", ""});
        FAIL() << "recorded";
    } catch (const EHistoryError& error) {
        EXPECT_EQ(error.Kind(), EHistoryError::TKind::Write);
        EXPECT_EQ(error.Message(),
                  "The delivery history cannot be written.\r\rFile: " + FileName() + "\rReason: disk on fire");
    }
    RunSql(FileName(), "DROP TRIGGER fail");
    Store->Record(job, {0, Delivered, "250 Ok", "", ""});
    EXPECT_EQ(Store->Job(job).delivered, 1);
}

TEST_F(History, AJobWhoseEntriesCannotAllBeWrittenLeavesNoTrace)
{
    RunSql(FileName(),
           "CREATE TRIGGER fail BEFORE INSERT ON entries WHEN NEW.position = 2"
           " BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    EXPECT_THROW(Begin(List), EHistoryError);
    EXPECT_TRUE(Store->Jobs().empty());
    EXPECT_FALSE(Store->FindUnfinished(ListHash(List), "message").has_value());
}

// ---- fingerprints -------------------------------------------------------------------------

TEST(ListFingerprint, ChangesWithAnyEntryOrPosition)
{
    const std::string base = ListHash({"ana@example.org", "bor@example.org"});
    EXPECT_EQ(ListHash({"ana@example.org", "bor@example.org"}), base);
    EXPECT_EQ(base.size(), 64u);
    for (const std::vector<std::string>& other :
         std::vector<std::vector<std::string>>{{"bor@example.org", "ana@example.org"},
                                               {"ana@example.org", "bor@example.org", ""},
                                               {"", "ana@example.org", "bor@example.org"},
                                               {"ana@example.orgbor@example.org"},
                                               {"ana@example.org", " bor@example.org"},
                                               {"ana@example.or", "gbor@example.org"}})
        EXPECT_NE(ListHash(other), base) << other.size() << " entries";
}

TEST(MessageFingerprint, ChangesWithWhatTheRecipientsGet)
{
    TSandbox sandbox;
    const std::string report = sandbox.MakeFile("report.pdf", "%PDF-1.4 one");
    const std::string renamed = sandbox.MakeFile("other/summary.pdf", "%PDF-1.4 one");
    const std::string sameName = sandbox.MakeFile("other/report.pdf", "%PDF-1.4 one");
    const TStringList body = {"Hello,", "see you."};
    const std::string base = MessageHash("Invitation", body, false, report);

    EXPECT_EQ(MessageHash("Invitation", body, false, sameName), base) << "same name and bytes elsewhere";
    EXPECT_NE(MessageHash("Invitation!", body, false, report), base);
    EXPECT_NE(MessageHash("Invitation", {"Hello, see you."}, false, report), base);
    EXPECT_NE(MessageHash("Invitation", {"Hello,", "see you.", ""}, false, report), base);
    EXPECT_NE(MessageHash("InvitationHello,", {"see you."}, false, report), base);
    EXPECT_NE(MessageHash("Invitation", body, true, report), base);
    EXPECT_NE(MessageHash("Invitation", body, false, renamed), base);
    EXPECT_NE(MessageHash("Invitation", body, false, ""), base);
    sandbox.MakeFile("report.pdf", "%PDF-1.4 two");
    EXPECT_NE(MessageHash("Invitation", body, false, report), base);

    EXPECT_EQ(MessageHash("Invitation", body, false, sandbox.Path("missing.pdf")),
              MessageHash("Invitation", body, false, ""))
        << "a missing file goes out as no attachment";
    EXPECT_EQ(MessageHash("Invitation", body, false, sandbox.Path("other")), MessageHash("Invitation", body, false, ""))
        << "neither does a folder";
}

}
