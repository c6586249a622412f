// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/history/HistorySchema.h"

#include "workflow/history/SqliteDatabase.h"

#include <string>

namespace {

// Step n brings version n to version n + 1. Steps are never edited once released: a
// change to the tables is a new step.
const char* const Steps[] = {
    R"sql(
    CREATE TABLE jobs (
        id INTEGER PRIMARY KEY,
        started INTEGER NOT NULL,
        ended INTEGER,
        list_file TEXT NOT NULL,
        subject TEXT NOT NULL,
        list_hash TEXT NOT NULL,
        message_hash TEXT NOT NULL,
        total INTEGER NOT NULL DEFAULT 0,
        delivered INTEGER NOT NULL DEFAULT 0,
        refused INTEGER NOT NULL DEFAULT 0,
        deferred INTEGER NOT NULL DEFAULT 0,
        not_sent INTEGER NOT NULL DEFAULT 0
    );
    CREATE INDEX jobs_by_content ON jobs (list_hash, message_hash);

    CREATE TABLE entries (
        job INTEGER NOT NULL REFERENCES jobs (id) ON DELETE CASCADE,
        position INTEGER NOT NULL,
        entry TEXT NOT NULL,
        outcome TEXT NOT NULL DEFAULT 'not sent'
            CHECK (outcome IN ('not sent', 'delivered', 'refused', 'deferred')),
        reply TEXT NOT NULL DEFAULT '',
        message_id TEXT NOT NULL DEFAULT '',
        time INTEGER,
        note TEXT NOT NULL DEFAULT '',
        PRIMARY KEY (job, position)
    ) WITHOUT ROWID;

    -- The counts of a job that has ended are those stored with it; a job that runs, or
    -- was interrupted, is counted from its entries. Recording an outcome then changes
    -- one row only, which keeps its commit as short as it can be.
    CREATE VIEW job_summaries AS
    SELECT id, started, ended, list_file, subject, list_hash, message_hash,
           total, delivered, refused, deferred, not_sent
    FROM jobs WHERE ended IS NOT NULL
    UNION ALL
    SELECT j.id, j.started, j.ended, j.list_file, j.subject, j.list_hash, j.message_hash, j.total,
           count(CASE e.outcome WHEN 'delivered' THEN 1 END),
           count(CASE e.outcome WHEN 'refused' THEN 1 END),
           count(CASE e.outcome WHEN 'deferred' THEN 1 END),
           count(CASE e.outcome WHEN 'not sent' THEN 1 END)
    FROM jobs j LEFT JOIN entries e ON e.job = j.id
    WHERE j.ended IS NULL GROUP BY j.id;
    )sql",
    // What tells two jobs of one subject apart (the format and the attachment's name), and
    // why a job that never reached the server ended (empty for every other job).
    R"sql(
    ALTER TABLE jobs ADD COLUMN format TEXT NOT NULL DEFAULT '';
    ALTER TABLE jobs ADD COLUMN attachment TEXT NOT NULL DEFAULT '';
    ALTER TABLE jobs ADD COLUMN failure TEXT NOT NULL DEFAULT '';
    DROP VIEW job_summaries;
    CREATE VIEW job_summaries AS
    SELECT id, started, ended, list_file, subject, list_hash, message_hash,
           total, delivered, refused, deferred, not_sent, format, attachment, failure
    FROM jobs WHERE ended IS NOT NULL
    UNION ALL
    SELECT j.id, j.started, j.ended, j.list_file, j.subject, j.list_hash, j.message_hash, j.total,
           count(CASE e.outcome WHEN 'delivered' THEN 1 END),
           count(CASE e.outcome WHEN 'refused' THEN 1 END),
           count(CASE e.outcome WHEN 'deferred' THEN 1 END),
           count(CASE e.outcome WHEN 'not sent' THEN 1 END),
           j.format, j.attachment, j.failure
    FROM jobs j LEFT JOIN entries e ON e.job = j.id
    WHERE j.ended IS NULL GROUP BY j.id;
    )sql",
    // Entries an account's suppression list kept from the job, and the sends of the last
    // day found by time (the sending limits count them before every message).
    R"sql(
    DROP VIEW job_summaries;
    CREATE TABLE entries_new (
        job INTEGER NOT NULL REFERENCES jobs (id) ON DELETE CASCADE,
        position INTEGER NOT NULL,
        entry TEXT NOT NULL,
        outcome TEXT NOT NULL DEFAULT 'not sent'
            CHECK (outcome IN ('not sent', 'delivered', 'refused', 'deferred', 'suppressed')),
        reply TEXT NOT NULL DEFAULT '',
        message_id TEXT NOT NULL DEFAULT '',
        time INTEGER,
        note TEXT NOT NULL DEFAULT '',
        PRIMARY KEY (job, position)
    ) WITHOUT ROWID;
    INSERT INTO entries_new SELECT job, position, entry, outcome, reply, message_id, time, note FROM entries;
    DROP TABLE entries;
    ALTER TABLE entries_new RENAME TO entries;
    CREATE INDEX entries_sent_by_time ON entries (time) WHERE message_id <> '';
    ALTER TABLE jobs ADD COLUMN suppressed INTEGER NOT NULL DEFAULT 0;

    CREATE VIEW job_summaries AS
    SELECT id, started, ended, list_file, subject, list_hash, message_hash,
           total, delivered, refused, deferred, not_sent, format, attachment, failure, suppressed
    FROM jobs WHERE ended IS NOT NULL
    UNION ALL
    SELECT j.id, j.started, j.ended, j.list_file, j.subject, j.list_hash, j.message_hash, j.total,
           count(CASE e.outcome WHEN 'delivered' THEN 1 END),
           count(CASE e.outcome WHEN 'refused' THEN 1 END),
           count(CASE e.outcome WHEN 'deferred' THEN 1 END),
           count(CASE e.outcome WHEN 'not sent' THEN 1 END),
           j.format, j.attachment, j.failure,
           count(CASE e.outcome WHEN 'suppressed' THEN 1 END)
    FROM jobs j LEFT JOIN entries e ON e.job = j.id
    WHERE j.ended IS NULL GROUP BY j.id;
    )sql",
};

static_assert(std::size(Steps) == HistorySchemaVersion);

int StoredVersion(TSqliteDatabase& db)
{
    return std::stoi(db.QueryText("PRAGMA user_version"));
}

}

bool MigrateHistorySchema(TSqliteDatabase& db)
{
    // A history of this version (every start but the first after an update) needs no
    // write lock: another instance's work never lowers the version.
    if (const int version = StoredVersion(db); version >= HistorySchemaVersion)
        return version == HistorySchemaVersion;
    for (;;) {
        // A write transaction from the start, so that no other instance of the program
        // migrates between the version read here and the step taken.
        TSqliteTransaction transaction(db);
        const int version = StoredVersion(db);
        if (version >= HistorySchemaVersion)
            return version == HistorySchemaVersion;
        db.Execute(Steps[version]);
        db.Execute(("PRAGMA user_version = " + std::to_string(version + 1)).c_str());
        transaction.Commit();
    }
}
