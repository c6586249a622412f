// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Sandbox.h"

#include "base/Stream.h"
#include "workflow/program/ProgramFolder.h"
#include "workflow/program/ProgramState.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

TSandbox::TSandbox()
{
    const QString config = FDir.filePath("config");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    QDir().mkpath(config + "/Drelko");
    QDir().mkpath(FDir.filePath("program"));
    OverrideProgramFolder(FDir.filePath("program").toStdString());
    OverrideUserDataFolder(FDir.filePath("data").toStdString());
    CurrentLanguage = 2;
    WebSiteAddress.clear();
    MakerSiteAddress.clear();
    SetApplicationTitle(ApplicationTitle);
}

TSandbox::~TSandbox()
{
    OverrideProgramFolder("");
    OverrideUserDataFolder("");
}

std::string TSandbox::SettingsFile() const
{
    return FDir.filePath("config/Drelko/Varnolt Pelmar.conf").toStdString();
}

// QSettings notices a rewritten file only by its size and modification time, and the file
// system's clock advances in ticks of a few milliseconds: a rewrite of the same size within
// one tick would go unseen, so the time is moved on by hand.
void TSandbox::WriteSettings(const std::string& iniText) const
{
    const QString path = QString::fromStdString(SettingsFile());
    const QDateTime before = QFileInfo(path).lastModified();
    WriteWholeFile(SettingsFile(), iniText);
    QFile file(path);
    if (before.isValid() && QFileInfo(path).lastModified() <= before && file.open(QIODevice::ReadWrite))
        file.setFileTime(before.addMSecs(1), QFileDevice::FileModificationTime);
}

std::string TSandbox::ReadSettings() const
{
    return FileExists(SettingsFile()) ? ReadWholeFile(SettingsFile()) : std::string();
}

std::string TSandbox::ProgramFolder() const
{
    return FDir.filePath("program").toStdString() + "/";
}

std::string TSandbox::UserDataFolder() const
{
    return FDir.filePath("data").toStdString() + "/";
}

std::string TSandbox::Path(const std::string& name) const
{
    return FDir.filePath(QString::fromStdString(name)).toStdString();
}

std::string TSandbox::MakeFile(const std::string& name, const std::string& bytes) const
{
    const std::string path = Path(name);
    QDir().mkpath(QFileInfo(QString::fromStdString(path)).path());
    WriteWholeFile(path, bytes);
    return path;
}

std::string ReadFileBytes(const std::string& path)
{
    return ReadWholeFile(path);
}

bool FileExists(const std::string& path)
{
    return QFileInfo::exists(QString::fromStdString(path));
}

void Pump()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

bool PumpUntil(const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(2000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}
