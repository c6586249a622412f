#include "workflow/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

std::string overridden;
std::string overriddenUserData;

std::string WithSeparator(const QString& folder)
{
    std::string path = QDir::cleanPath(folder).toStdString();
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

}

std::string ExecutableFolder()
{
    return WithSeparator(QCoreApplication::applicationDirPath());
}

std::string ChooseProgramFolder(const std::string& executableFolder, const std::string& userDataFolder)
{
    const QFileInfo exe(QString::fromStdString(executableFolder));
    if (exe.isDir() && exe.isWritable())
        return WithSeparator(exe.filePath());
    QDir().mkpath(QString::fromStdString(userDataFolder));
    return WithSeparator(QString::fromStdString(userDataFolder));
}

std::string ProgramFolder()
{
    if (!overridden.empty())
        return overridden;
    return ChooseProgramFolder(ExecutableFolder(),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString());
}

void OverrideProgramFolder(const std::string& folder)
{
    overridden = folder.empty() ? std::string() : WithSeparator(QString::fromStdString(folder));
}

std::string UserDataFolder()
{
    if (!overriddenUserData.empty())
        return overriddenUserData;
    return WithSeparator(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void OverrideUserDataFolder(const std::string& folder)
{
    overriddenUserData = folder.empty() ? std::string() : WithSeparator(QString::fromStdString(folder));
}
