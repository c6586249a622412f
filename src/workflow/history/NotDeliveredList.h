// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

class TDeliveryHistory;
struct TJobSummary;

// The entries of a job that did not get the message, saved as a recipients file to send
// to again.

// Where to offer to save them: beside the job's recipients file (else in the home
// folder), named after it with "-not-delivered", as CSV when that file had columns.
std::string SuggestedNotDeliveredFile(const TJobSummary& job);

// Saves the entries; when the job's recipients file still holds them at their places and
// has columns, with those columns and values (so personal fields stay filled), else one
// entry a line. Returns how many were saved. Raises EFCreateError.
int SaveNotDelivered(TDeliveryHistory& history, const TJobSummary& job, const std::string& fileName);

// "3 entries not delivered were saved in /home/ana/list-not-delivered.csv".
std::string NotDeliveredSavedText(int count, const std::string& fileName);
