// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/history/DeliveryHistory.h"

#include "platform/FileStamp.h"
#include "platform/PrivateFiles.h"
#include "workflow/history/HistoryMessages.h"
#include "workflow/history/HistorySchema.h"
#include "workflow/history/SqliteDatabase.h"
#include "workflow/history/WalCheckpointer.h"
#include "workflow/job/JobFingerprint.h"
#include "workflow/program/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <stdexcept>

namespace {

constexpr const char* HistoryFileName = "history.sqlite";
// Beside the history after the program closed it whole: the file's stamp as it was left.
constexpr const char* ClosedMarkSuffix = "-closed";
// Another instance of the program may hold the write lock for a moment.
constexpr int BusyWaitMs = 5000;

const TOutcome AllOutcomes[] = {TOutcome::NotSent, TOutcome::Delivered, TOutcome::Refused, TOutcome::Deferred,
                                TOutcome::Suppressed};

TOutcome OutcomeNamed(const std::string& name)
{
    for (TOutcome outcome : AllOutcomes)
        if (name == OutcomeName(outcome))
            return outcome;
    throw TSqliteFailure::Corrupt("unknown outcome '" + name + "'");
}

QDateTime TimeFrom(const TSqliteStatement& row, int column)
{
    return row.IsNull(column) ? QDateTime() : QDateTime::fromMSecsSinceEpoch(row.Integer(column), Qt::UTC);
}

std::int64_t Now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

const char* const JobColumns =
    "SELECT id, started, ended, list_file, subject, list_hash, message_hash,"
    " total, delivered, refused, deferred, not_sent, format, attachment, failure, suppressed FROM job_summaries ";

TJobSummary JobFrom(const TSqliteStatement& row)
{
    TJobSummary job;
    job.id = row.Integer(0);
    job.started = TimeFrom(row, 1);
    job.ended = TimeFrom(row, 2);
    job.listFile = row.Text(3);
    job.subject = row.Text(4);
    job.listHash = row.Text(5);
    job.messageHash = row.Text(6);
    job.total = static_cast<int>(row.Integer(7));
    job.delivered = static_cast<int>(row.Integer(8));
    job.refused = static_cast<int>(row.Integer(9));
    job.deferred = static_cast<int>(row.Integer(10));
    job.notSent = static_cast<int>(row.Integer(11));
    job.format = row.Text(12);
    job.attachment = row.Text(13);
    job.failure = row.Text(14);
    job.suppressed = static_cast<int>(row.Integer(15));
    return job;
}

}

const char* OutcomeName(TOutcome outcome)
{
    switch (outcome) {
    case TOutcome::Delivered: return "delivered";
    case TOutcome::Refused: return "refused";
    case TOutcome::Deferred: return "deferred";
    case TOutcome::Suppressed: return "suppressed";
    case TOutcome::NotSent: break;
    }
    return "not sent";
}

// Prepared once and reused: recording an outcome must cost next to nothing beside
// sending a message.
struct TDeliveryHistory::TStatements {
    explicit TStatements(sqlite3* db)
        : insertJob(db,
                    "INSERT INTO jobs (started, list_file, subject, list_hash, message_hash, total, not_sent,"
                    " format, attachment) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?6, ?7, ?8)"),
          insertUnreached(
              db,
              "INSERT INTO jobs (started, ended, list_file, subject, list_hash, message_hash, total,"
              " not_sent, format, attachment, failure) VALUES (?1, ?1, ?2, ?3, ?4, ?5, ?6, ?6, ?7, ?8, ?9)"),
          insertEntry(db, "INSERT INTO entries (job, position, entry) VALUES (?, ?, ?)"),
          record(db,
                 "UPDATE entries SET outcome = ?, reply = ?, message_id = ?, note = ?, time = ?"
                 " WHERE job = ? AND position = ?"),
          setEnded(db,
                   "UPDATE jobs SET ended = ?1,"
                   " delivered = (SELECT count(*) FROM entries WHERE job = ?2 AND outcome = 'delivered'),"
                   " refused = (SELECT count(*) FROM entries WHERE job = ?2 AND outcome = 'refused'),"
                   " deferred = (SELECT count(*) FROM entries WHERE job = ?2 AND outcome = 'deferred'),"
                   " not_sent = (SELECT count(*) FROM entries WHERE job = ?2 AND outcome = 'not sent'),"
                   " suppressed = (SELECT count(*) FROM entries WHERE job = ?2 AND outcome = 'suppressed')"
                   " WHERE id = ?2"),
          clearEnded(db, "UPDATE jobs SET ended = NULL WHERE id = ?"),
          newestOfContent(db,
                          (std::string(JobColumns)
                           + "WHERE list_hash = ? AND message_hash = ? AND failure = '' ORDER BY id DESC LIMIT 1")
                              .c_str()),
          deliveredPositions(db,
                             "SELECT position FROM entries WHERE job = ? AND outcome = 'delivered'"
                             " ORDER BY position"),
          allJobs(db, (std::string(JobColumns) + "ORDER BY id DESC").c_str()),
          oneJob(db, (std::string(JobColumns) + "WHERE id = ?").c_str()),
          entries(db,
                  "SELECT position, entry, outcome, reply, message_id, note, time FROM entries"
                  " WHERE job = ? ORDER BY position"),
          notDelivered(db,
                       "SELECT entry FROM entries WHERE job = ? AND outcome NOT IN ('delivered', 'suppressed')"
                       " ORDER BY position"),
          sentSince(db, "SELECT time FROM entries WHERE time >= ? AND message_id <> '' ORDER BY time")
    {
    }

    TSqliteStatement insertJob, insertUnreached, insertEntry, record, setEnded, clearEnded;
    TSqliteStatement newestOfContent, deliveredPositions, allJobs, oneJob, entries, notDelivered, sentSince;
};

TDeliveryHistory::TDeliveryHistory() : TDeliveryHistory(UserDataFolder())
{
}

TDeliveryHistory::TDeliveryHistory(const std::string& folder, TSync sync)
    : FFileName(QDir(QString::fromStdString(folder)).filePath(HistoryFileName).toStdString())
{
    if (!MakePrivateFolder(folder))
        throw EHistoryError(EHistoryError::TKind::Open,
                            Messages::HistoryCannotOpen(FFileName, Messages::HistoryFolderNotCreated(folder)));
    try {
        Open(sync);
    } catch (const TSqliteFailure& failure) {
        if (!failure.Damaged())
            throw EHistoryError(EHistoryError::TKind::Open, Messages::HistoryCannotOpen(FFileName, failure.what()));
        MoveAside();
        try {
            Open(sync);
        } catch (const TSqliteFailure& again) {
            throw EHistoryError(EHistoryError::TKind::Open, Messages::HistoryCannotOpen(FFileName, again.what()));
        }
    }
}

TDeliveryHistory::~TDeliveryHistory()
{
    const bool wasOpen = FDb != nullptr;
    Close();
    if (wasOpen)
        MarkClosedWhole();
}

// The last connection to close folds the log into the database and removes it; only
// then is the file on its own what the next start reads. Another program still writing
// keeps its log, and marks the file when it closes last.
void TDeliveryHistory::MarkClosedWhole() const
{
    if (!FileStamp(FFileName + "-wal").empty())
        return;
    const std::string stamp = FileStamp(FFileName);
    const std::string mark = FFileName + ClosedMarkSuffix;
    CreatePrivateFile(mark);
    QFile file(QString::fromStdString(mark));
    if (!stamp.empty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(stamp.c_str(), static_cast<qint64>(stamp.size()));
}

// True when the file is exactly as this program left it at a whole close. The mark is
// taken away, so that a run that is killed leaves none behind: the next start then
// checks the file, as it does one that was changed, cut short or replaced meanwhile.
bool TDeliveryHistory::TakeClosedMark() const
{
    const QString mark = QString::fromStdString(FFileName + ClosedMarkSuffix);
    QFile file(mark);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const std::string stamp = file.readAll().toStdString();
    file.close();
    QFile::remove(mark);
    return !stamp.empty() && stamp == FileStamp(FFileName) && FileStamp(FFileName + "-wal").empty();
}

void TDeliveryHistory::Close()
{
    FStatements.reset();
    FCheckpointer.reset();
    FDb.reset();
}

void TDeliveryHistory::Open(TSync sync)
{
    Close();
    // Before anything touches the file (making it private changes its status time).
    const bool leftWhole = TakeClosedMark();
    // Every recipient, subject and reply is in here; SQLite gives its log files the
    // database file's mode.
    CreatePrivateFile(FFileName);
    for (const char* companion : {"-wal", "-shm"})
        MakePrivateFile(FFileName + companion);
    FDb = std::make_unique<TSqliteDatabase>(FFileName);
    FDb->Execute(("PRAGMA busy_timeout = " + std::to_string(BusyWaitMs)).c_str());
    // The first statement that reads the file: one that is not a database fails here.
    FDb->Execute("PRAGMA journal_mode = WAL");
    FDb->Execute(sync == TSync::Full ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = NORMAL");
    FDb->Execute("PRAGMA foreign_keys = ON");
    // A log that grew during a long job is cut back to this once it starts over.
    FDb->Execute("PRAGMA journal_size_limit = 33554432");
    // A database cut short or overwritten in part still opens; its pages tell. Reading
    // every page grows with the history, so a file the program itself closed whole and
    // nobody touched since is taken as it is.
    if (!leftWhole) {
        const std::string check = FDb->QueryText("PRAGMA quick_check");
        if (check != "ok")
            throw TSqliteFailure::Corrupt(check);
    }
    if (!MigrateHistorySchema(*FDb)) {
        Close();
        throw EHistoryError(EHistoryError::TKind::Open,
                            Messages::HistoryCannotOpen(FFileName, Messages::HistoryFromNewerVersion()));
    }
    FCheckpointer = std::make_unique<TWalCheckpointer>(FDb->Handle(), FFileName);
    FStatements = std::make_unique<TStatements>(FDb->Handle());
}

// The damaged file keeps its log beside it (it may help to recover something); the
// shared-memory index belongs to the log and is rebuilt, so it goes.
void TDeliveryHistory::MoveAside()
{
    Close();
    const QString file = QString::fromStdString(FFileName);
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    QString copy = file + ".damaged-" + stamp;
    for (int n = 2; QFile::exists(copy); ++n)
        copy = file + ".damaged-" + stamp + "-" + QString::number(n);
    if (!QFile::rename(file, copy))
        throw EHistoryError(EHistoryError::TKind::Open,
                            Messages::HistoryCannotOpen(FFileName, QFile(file).errorString().toStdString()));
    QFile::rename(file + "-wal", copy + "-wal");
    QFile::remove(file + "-shm");
    QFile::remove(file + ClosedMarkSuffix);
    FDamagedCopy = copy.toStdString();
}

template <class Action>
auto TDeliveryHistory::Guarded(EHistoryError::TKind kind, Action action)
{
    try {
        return action();
    } catch (const TSqliteFailure& failure) {
        const std::string reason = failure.what();
        throw EHistoryError(kind,
                            kind == EHistoryError::TKind::Write ? Messages::HistoryCannotWrite(FFileName, reason)
                                                                : Messages::HistoryCannotRead(FFileName, reason));
    }
}

namespace {

// The job's own columns, the first eight parameters of both job inserts; the entries
// counted are those that are not empty.
TSqliteStatement& BindJob(TSqliteStatement& insert, const TNewJob& job)
{
    const auto total =
        std::count_if(job.entries.begin(), job.entries.end(), [](const std::string& entry) { return !entry.empty(); });
    return insert.Bind(1, Now())
        .Bind(2, job.listFile)
        .Bind(3, job.subject)
        .Bind(4, ListHash(job.entries))
        .Bind(5, job.messageHash)
        .Bind(6, static_cast<std::int64_t>(total))
        .Bind(7, job.format)
        .Bind(8, job.attachment);
}

} // namespace

std::int64_t TDeliveryHistory::BeginJob(const TNewJob& job)
{
    return Guarded(EHistoryError::TKind::Write, [&] {
        TSqliteTransaction transaction(*FDb);
        BindJob(FStatements->insertJob, job).Run();
        const std::int64_t id = FDb->LastInsertId();
        for (std::size_t position = 0; position < job.entries.size(); ++position) {
            if (job.entries[position].empty())
                continue;
            FStatements->insertEntry.Bind(1, id)
                .Bind(2, static_cast<std::int64_t>(position))
                .Bind(3, job.entries[position])
                .Run();
        }
        transaction.Commit();
        return id;
    });
}

std::int64_t TDeliveryHistory::RecordUnreachedJob(const TNewJob& job, const std::string& failure)
{
    return Guarded(EHistoryError::TKind::Write, [&] {
        BindJob(FStatements->insertUnreached, job).Bind(9, failure).Run();
        return FDb->LastInsertId();
    });
}

void TDeliveryHistory::ContinueJob(std::int64_t job)
{
    Guarded(EHistoryError::TKind::Write, [&] { FStatements->clearEnded.Bind(1, job).Run(); });
}

void TDeliveryHistory::Record(std::int64_t job, const TEntryOutcome& outcome)
{
    // One statement, one transaction, one page written.
    const int changed = Guarded(EHistoryError::TKind::Write, [&] {
        FStatements->record.Bind(1, std::string(OutcomeName(outcome.outcome)))
            .Bind(2, outcome.reply)
            .Bind(3, outcome.messageId)
            .Bind(4, outcome.note)
            .Bind(5, Now())
            .Bind(6, job)
            .Bind(7, outcome.position)
            .Run();
        return FDb->Changes();
    });
    if (changed == 0)
        throw std::out_of_range("job " + std::to_string(job) + " has no entry at position "
                                + std::to_string(outcome.position));
}

void TDeliveryHistory::EndJob(std::int64_t job)
{
    Guarded(EHistoryError::TKind::Write, [&] { FStatements->setEnded.Bind(1, Now()).Bind(2, job).Run(); });
}

std::optional<TResumePoint> TDeliveryHistory::FindUnfinished(const std::string& listHash,
                                                             const std::string& messageHash)
{
    return Guarded(EHistoryError::TKind::Read, [&]() -> std::optional<TResumePoint> {
        TSqliteStatement& newest = FStatements->newestOfContent;
        if (!newest.Bind(1, listHash).Bind(2, messageHash).Step())
            return std::nullopt;
        TResumePoint point{JobFrom(newest), {}};
        newest.Run();
        if (!point.job.Unfinished())
            return std::nullopt;
        TSqliteStatement& positions = FStatements->deliveredPositions;
        positions.Bind(1, point.job.id);
        while (positions.Step())
            point.deliveredPositions.push_back(static_cast<int>(positions.Integer(0)));
        return point;
    });
}

std::vector<TJobSummary> TDeliveryHistory::Jobs()
{
    return Guarded(EHistoryError::TKind::Read, [&] {
        std::vector<TJobSummary> jobs;
        while (FStatements->allJobs.Step())
            jobs.push_back(JobFrom(FStatements->allJobs));
        return jobs;
    });
}

TJobSummary TDeliveryHistory::Job(std::int64_t job)
{
    std::optional<TJobSummary> found = Guarded(EHistoryError::TKind::Read, [&]() -> std::optional<TJobSummary> {
        TSqliteStatement& query = FStatements->oneJob;
        if (!query.Bind(1, job).Step())
            return std::nullopt;
        TJobSummary summary = JobFrom(query);
        query.Run();
        return summary;
    });
    if (!found)
        throw std::out_of_range("no job " + std::to_string(job) + " in the delivery history");
    return *found;
}

std::vector<TEntryRecord> TDeliveryHistory::Entries(std::int64_t job)
{
    return Guarded(EHistoryError::TKind::Read, [&] {
        std::vector<TEntryRecord> entries;
        TSqliteStatement& row = FStatements->entries;
        row.Bind(1, job);
        while (row.Step()) {
            entries.push_back({static_cast<int>(row.Integer(0)), row.Text(1), OutcomeNamed(row.Text(2)), row.Text(3),
                               row.Text(4), row.Text(5), TimeFrom(row, 6)});
        }
        return entries;
    });
}

TStringList TDeliveryHistory::NotDelivered(std::int64_t job)
{
    return Guarded(EHistoryError::TKind::Read, [&] {
        TStringList lines;
        FStatements->notDelivered.Bind(1, job);
        while (FStatements->notDelivered.Step())
            lines.Add(FStatements->notDelivered.Text(0));
        return lines;
    });
}

std::vector<std::int64_t> TDeliveryHistory::SentSince(std::int64_t since)
{
    return Guarded(EHistoryError::TKind::Read, [&] {
        std::vector<std::int64_t> times;
        TSqliteStatement& row = FStatements->sentSince;
        row.Bind(1, since);
        while (row.Step())
            times.push_back(row.Integer(0));
        return times;
    });
}
