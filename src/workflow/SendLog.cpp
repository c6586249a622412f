#include "workflow/SendLog.h"

#include <QLocale>
#include <QTime>

void TSendLog::Append(const std::string& line)
{
    if (!FFile)
        FFile = std::make_unique<TFileStream>(FFileName, TFileMode::Create);
    FFile->WriteString(line + "\r\n");
}

std::string TimeOfDayText()
{
    return QLocale::system().toString(QTime::currentTime(), QLocale::LongFormat).toStdString();
}

std::string SendLogLine(const std::string& timeOfDay, const std::string& entry)
{
    return timeOfDay + ": " + entry + "...   OK.";
}

std::string SendLogLine(const std::string& entry)
{
    return SendLogLine(TimeOfDayText(), entry);
}
