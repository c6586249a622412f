// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/job/JobLedger.h"

#include <string>
#include <vector>

struct TJobSummary;

// The send job's own texts, in the language in force when they are built. Line breaks
// are single CR characters, as the message boxes expect. Counts are grouped as the
// language writes them (1,000 / 1.000).
namespace Messages {
std::string GroupedNumber(long long value);

// The question before a job started from the window; empty subject or text is warned of.
std::string SendConfirmation(int recipients, bool subjectEmpty, bool textEmpty);
// Put before that question when some entries are no addresses: names the first five.
std::string NotAddressesWarning(const std::vector<std::string>& entries);
// Its answers: send, (where the caller can schedule a job) send later, cancel.
std::vector<std::string> SendAnswers(bool offerLater = false);
// The question when the list and the message are those of an unfinished job, and its
// answers: continue, start again, cancel.
std::string ResumeQuestion(const TJobSummary& earlier);
std::vector<std::string> ResumeAnswers();

// What a job's end says: "Delivered 997 of 1,000; refused 2; deferred 1".
std::string JobCounts(const TJobCounts& counts);
std::string JobStopped(const TJobCounts& counts);
std::string JobConnectionLost(const TJobCounts& counts);
std::string JobFailed(const std::string& reason, const TJobCounts& counts);
// The job's first message has a header block too long to send (so has every other).
std::string HeaderTooLarge(std::size_t bytes, std::size_t limit);
// The reply recorded for an entry whose own message's header block is too long.
std::string HeaderTooLargeReply(std::size_t bytes);

// The reply recorded for an entry that is no address (the server is not asked).
std::string NotAnAddressReply();
// For an entry whose final dot's reply never came: its log line and history note.
std::string ReplyLost();
std::string ReplyLostNote();

// Countdowns in the status bar.
std::string NextMessageIn(int seconds);
std::string ReconnectIn(int seconds);
std::string RetryIn(int seconds);
}
