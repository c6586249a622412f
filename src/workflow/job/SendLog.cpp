// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/job/SendLog.h"

#include "base/Exception.h"
#include "platform/PrivateFiles.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QTime>

void TSendLog::Prepare(const std::string& fileName)
{
    FFile.reset();
    FFileName = fileName;
    QFile file(QString::fromStdString(fileName));
    const bool existed = file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw EFCreateError(fileName);
    file.close();
    if (!existed)
        file.remove();
}

void TSendLog::Append(const std::string& line)
{
    if (!FFile) {
        FFile = std::make_unique<TFileStream>(FFileName, TFileMode::Create);
        MakePrivateFile(FFileName);
    }
    FFile->WriteString(line + "\r\n");
}

// Formatting through the system's locale costs more than sending a message, and the text
// changes only once a second.
std::string TimeOfDayText()
{
    static qint64 shownSecond = -1;
    static std::string text;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (now != shownSecond) {
        text = QLocale::system().toString(QTime::currentTime(), QLocale::LongFormat).toStdString();
        shownSecond = now;
    }
    return text;
}

std::string SendLogLine(const std::string& timeOfDay, const std::string& entry, const std::string& outcome)
{
    return timeOfDay + ": " + entry + "...   " + outcome;
}

std::string SendLogLine(const std::string& timeOfDay, const std::string& entry)
{
    return SendLogLine(timeOfDay, entry, "OK.");
}

std::string SendLogLine(const std::string& entry)
{
    return SendLogLine(TimeOfDayText(), entry);
}
