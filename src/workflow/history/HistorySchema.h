// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class TSqliteDatabase;

// The tables of the delivery history, kept at the newest version in PRAGMA user_version.
//
//   jobs          id, started, ended (milliseconds since 1970 UTC; ended NULL while the job
//                 runs and after an interruption), list_file, subject, list_hash,
//                 message_hash, and the counts total, delivered, refused, deferred,
//                 not_sent, suppressed, stored when the job ends.
//   entries       (job, position) key, entry, outcome ('not sent', 'delivered', 'refused',
//                 'deferred', 'suppressed'), reply, message_id, time (NULL until tried), note;
//                 indexed by time where a message went out (message_id not empty).
//   job_summaries the jobs with their counts: stored ones for ended jobs, counted from the
//                 entries for the others.

// The schema version this program writes.
inline constexpr int HistorySchemaVersion = 3;

// Brings an empty or older database to HistorySchemaVersion, one transaction per step.
// Returns false, changing nothing, for a database of a newer version.
bool MigrateHistorySchema(TSqliteDatabase& db);
