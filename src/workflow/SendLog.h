#pragma once
#include "base/Stream.h"

#include <memory>
#include <string>

// "log.txt": one line per delivered message of the last job, each ending in CR LF. The
// job's first line replaces the file and every later one is appended, so the file always
// holds the job's lines so far and writing one costs the same however many came before.
// A job that delivers nothing leaves the file as it was.
class TSendLog {
public:
    void BeginJob(const std::string& fileName)
    {
        FFile.reset();
        FFileName = fileName;
    }
    // Raises EFCreateError or EStreamError when the file cannot be written.
    void Append(const std::string& line);
    void EndJob() { FFile.reset(); }

private:
    std::string FFileName;
    std::unique_ptr<TFileStream> FFile; // open from the job's first line to its end
};

// One line of the log: "<time of day>: <entry>...   OK.", the time in the system's long
// time format.
std::string SendLogLine(const std::string& entry);
std::string SendLogLine(const std::string& timeOfDay, const std::string& entry);
std::string TimeOfDayText();
