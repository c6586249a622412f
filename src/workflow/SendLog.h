#pragma once
#include "base/Stream.h"

#include <memory>
#include <string>

// "log.txt": one line per delivered message of the last job, each ending in CR LF. The
// file is emptied when the job reaches its list, as the log window is, and every line is
// appended, so the file always holds the job's lines so far and writing one costs the same
// however many came before.
class TSendLog {
public:
    // Raises EFCreateError when the file cannot be written: the job must stop before a
    // message goes out that the log could not name.
    void BeginJob(const std::string& fileName)
    {
        FFile.reset();
        FFileName = fileName;
        FFile = std::make_unique<TFileStream>(FFileName, TFileMode::Create);
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
