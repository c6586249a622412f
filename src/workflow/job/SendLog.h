// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/Stream.h"

#include <memory>
#include <string>

// "log.txt": one line per outcome of the last job that had one (a delivery, a refusal, a
// deferral), each ending in CR LF. The job's first line replaces what the file held, as
// it replaces the log window's text; a job that logs nothing leaves both as they were.
// Every line is appended, so writing one costs the same however many came before.
class TSendLog {
public:
    // Checks that the file can be written, without changing it: the job must stop before
    // a message goes out that the log could not name. Raises EFCreateError.
    void Prepare(const std::string& fileName);
    // Raises EFCreateError or EStreamError when the file cannot be written.
    void Append(const std::string& line);
    void EndJob() { FFile.reset(); }

private:
    std::string FFileName;
    std::unique_ptr<TFileStream> FFile; // open from the job's first line to its end
};

// One line of the log: "<time of day>: <entry>...   OK." for a delivery; a refusal or a
// deferral has the reply in place of "OK.". The time is in the system's long time format.
std::string SendLogLine(const std::string& entry);
std::string SendLogLine(const std::string& timeOfDay, const std::string& entry);
std::string SendLogLine(const std::string& timeOfDay, const std::string& entry, const std::string& outcome);
std::string TimeOfDayText();
