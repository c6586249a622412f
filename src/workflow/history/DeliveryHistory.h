// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"
#include "workflow/history/HistoryError.h"

#include <QDateTime>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TSqliteDatabase;
class TWalCheckpointer;

// The delivery history: which entry of which job got the message, kept in an SQLite
// database ("history.sqlite", write-ahead log) in the per-user data folder, so that a job
// can be continued after a crash, a stop or refused entries without a second copy to
// anyone already served.
//
// How a job uses it (keep one TDeliveryHistory for the program's run: opening reads every
// page to find damage, about 5 to 10 ms per MB; a job of 10,000 entries takes 2 MB):
//   TDeliveryHistory history;                        // EHistoryError: stop before sending
//   if (!history.DamagedCopy().empty()) tell the user Messages::HistoryMovedAside(...)
//   auto earlier = history.FindUnfinished(ListHash(entries), MessageHash(...));
//   job = earlier ? (history.ContinueJob(earlier->job.id), earlier->job.id)
//                 : history.BeginJob({listFile, subject, messageHash, entries});
//   for every entry not in earlier->deliveredPositions:
//       send it, then history.Record(job, {position, outcome, reply, messageId, note});
//   history.EndJob(job);                             // also after a stop or a failure
//
// Every Record is its own transaction and is in the write-ahead log when it returns, so a
// process that is killed right after it loses nothing. It costs about 10 us. With
// TSync::Normal a power cut may lose the last outcomes recorded (the database stays
// whole); TSync::Full survives that too, at the price of a flush to the disk per outcome
// (0.3 to 4 ms). A thread of the history's own folds the log back into the database,
// so that no Record waits for the disk.
//
// Every failure of the database raises EHistoryError, whose text names the file and the
// reason in the user's language; the history object stays usable for another try.
// All calls belong to one thread. Another instance of the program may use the same
// history at the same time.

enum class TOutcome { NotSent, Delivered, Refused, Deferred, Suppressed };
// "not sent", "delivered", "refused", "deferred", "suppressed": the names stored in the
// database. Suppressed: the address is on the account's suppression list; nothing was sent.
const char* OutcomeName(TOutcome outcome);

struct TNewJob {
    std::string listFile; // the recipients file the list came from; empty when typed
    std::string subject;
    std::string messageHash;          // MessageHash() of the message sent
    std::vector<std::string> entries; // the whole list as the job reads it, empty entries included
    std::string format = {};          // "text" or "HTML"
    std::string attachment = {};      // the attachment's file name; empty when none
};

struct TEntryOutcome {
    int position = 0; // the entry's zero-based index in the list
    TOutcome outcome = TOutcome::Delivered;
    std::string reply;     // the server's reply that decided it, or why none was asked
    std::string messageId; // of the message that went out; empty when none did
    std::string note;      // anything the outcome alone does not say; usually empty
};

struct TJobSummary {
    std::int64_t id = 0;
    QDateTime started; // UTC
    QDateTime ended;   // invalid while the job runs and after an interruption
    std::string listFile;
    std::string subject;
    std::string listHash;
    std::string messageHash;
    // Empty entries are not messages and are not counted; total is the sum of the others.
    int total = 0;
    int delivered = 0;
    int refused = 0;
    int deferred = 0;
    int notSent = 0;
    std::string format;     // "text" or "HTML"; empty for jobs of older versions
    std::string attachment; // the attachment's file name; empty when none
    // Why the job never reached the server (could not connect, certificate, login); empty
    // for a job that did. Such a job has no entries and is never continued.
    std::string failure;
    int suppressed = 0;
    // Some entry did not get the message: the job was interrupted or left entries refused,
    // deferred or not sent. A job that delivered everything is done, even when the
    // program died before it could mark the end; suppressed entries are never to get it.
    bool Unfinished() const { return delivered + suppressed < total; }
};

struct TEntryRecord {
    int position = 0;
    std::string entry;
    TOutcome outcome = TOutcome::NotSent;
    std::string reply;
    std::string messageId;
    std::string note;
    QDateTime time; // UTC; invalid for an entry never tried
};

struct TResumePoint {
    TJobSummary job;
    std::vector<int> deliveredPositions; // ascending list positions to skip
};

class TDeliveryHistory {
public:
    enum class TSync { Normal, Full };

    // Opens "history.sqlite" in the folder (created when missing), or starts it. A file
    // that is not a database or is damaged is renamed to
    // "history.sqlite.damaged-<yyyyMMdd-HHmmss>" and a new history is started (see
    // DamagedCopy). Raises EHistoryError (kind Open) when the history cannot be opened or
    // started, or was written by a newer version of the program.
    explicit TDeliveryHistory(const std::string& folder, TSync sync = TSync::Normal);
    // The per-user history, in UserDataFolder().
    TDeliveryHistory();
    ~TDeliveryHistory();
    TDeliveryHistory(const TDeliveryHistory&) = delete;
    TDeliveryHistory& operator=(const TDeliveryHistory&) = delete;

    const std::string& FileName() const { return FFileName; }
    // The path the damaged history was moved to while opening; empty when none was.
    const std::string& DamagedCopy() const { return FDamagedCopy; }

    // Writing; each raises EHistoryError (kind Write) when the database cannot be written.
    // A new job: its row, and one "not sent" row per non-empty entry. Returns its id.
    std::int64_t BeginJob(const TNewJob& job);
    // The job runs again: its end time is cleared until EndJob; its entries are updated
    // by Record as they are sent again.
    void ContinueJob(std::int64_t job);
    // A job that ended before it reached the server, with the reason the user was given:
    // listed with it, never continued (no entry was tried). Returns its id.
    std::int64_t RecordUnreachedJob(const TNewJob& job, const std::string& failure);
    // Sets the entry's outcome, reply, Message-ID, note and time (replacing what an earlier
    // try left). Raises std::out_of_range for a position the job has no entry at (an
    // empty entry, or past the list's end).
    void Record(std::int64_t job, const TEntryOutcome& outcome);
    // The job ended (finished, stopped or failed): its end time is now and its counts
    // are stored with it.
    void EndJob(std::int64_t job);

    // Reading; each raises EHistoryError (kind Read).
    // The newest job of this list and message, when that job is unfinished. An older
    // unfinished one is not offered once a newer job of the same list and message exists:
    // that job started again from the beginning, and its deliveries would be repeated.
    std::optional<TResumePoint> FindUnfinished(const std::string& listHash, const std::string& messageHash);
    // All jobs, newest first (by start), with their counts.
    std::vector<TJobSummary> Jobs();
    // One job, for the summary at its end. Raises std::out_of_range for an unknown id.
    TJobSummary Job(std::int64_t job);
    // The job's entries in list order.
    std::vector<TEntryRecord> Entries(std::int64_t job);
    // The job's entries that did not get the message, in list order: a recipients file's
    // lines (TStringList::SaveToFile writes them as one).
    TStringList NotDelivered(std::int64_t job);
    // When every message of every job went out since the time (milliseconds since the
    // epoch), ascending: what the account's sending limits count.
    std::vector<std::int64_t> SentSince(std::int64_t since);

private:
    struct TStatements;
    void Open(TSync sync);
    void Close();
    void MoveAside();
    void MarkClosedWhole() const;
    bool TakeClosedMark() const;
    template <class Action>
    auto Guarded(EHistoryError::TKind kind, Action action);

    std::string FFileName;
    std::string FDamagedCopy;
    // Closed in the reverse order: statements, then the checkpointing thread, then the
    // connection (whose closing folds the log into the database).
    std::unique_ptr<TSqliteDatabase> FDb;
    std::unique_ptr<TWalCheckpointer> FCheckpointer;
    std::unique_ptr<TStatements> FStatements;
};
