// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/program/ProgramFolder.h"

#include "InstallLayout.h"
#include "platform/PrivateFiles.h"

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

// An installed executable has its data folder beside its own (P/bin and P/share/pelmar);
// one run from the build tree has none. Installing into a prefix the user may write to
// (~/.local) leaves the executable's folder writable, so that alone cannot tell.
std::string InstalledDataFolder(const std::string& executableFolder)
{
    const QDir exe(QString::fromStdString(executableFolder));
    const QString data = exe.filePath(QStringLiteral(PELMAR_DATA_DIR_FROM_BIN));
    return QFileInfo(data).isDir() ? WithSeparator(data) : std::string();
}

std::string ChooseProgramFolder(const std::string& executableFolder, const std::string& userDataFolder)
{
    const QFileInfo exe(QString::fromStdString(executableFolder));
    if (exe.isDir() && exe.isWritable() && InstalledDataFolder(executableFolder).empty())
        return WithSeparator(exe.filePath());
    MakePrivateFolder(userDataFolder);
    return WithSeparator(QString::fromStdString(userDataFolder));
}

std::string ProgramFolder()
{
    if (!overridden.empty())
        return overridden;
    return ChooseProgramFolder(ExecutableFolder(),
                               QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString());
}

std::string ChooseHelpFile(const std::string& executableFolder)
{
    const std::string installed = InstalledDataFolder(executableFolder);
    return (installed.empty() ? WithSeparator(QString::fromStdString(executableFolder)) : installed) + "help.htm";
}

std::string HelpFile()
{
    return ChooseHelpFile(ExecutableFolder());
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
