// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PrivateFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t PrivateFolderMode = S_IRWXU;
constexpr mode_t PrivateFileMode = S_IRUSR | S_IWUSR;

bool MakeFolders(const std::string& folder)
{
    std::string path;
    std::size_t at = 0;
    while (at != std::string::npos) {
        at = folder.find('/', at + 1);
        path = folder.substr(0, at);
        if (path.empty() || path == "/")
            continue;
        // Folders made here are private from the start; existing parents stay as they are.
        if (::mkdir(path.c_str(), PrivateFolderMode) != 0 && errno != EEXIST)
            return false;
    }
    struct stat status { };
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}

bool MakePrivateFolder(const std::string& folder)
{
    if (folder.empty() || !MakeFolders(folder))
        return false;
    ::chmod(folder.c_str(), PrivateFolderMode);
    return true;
}

void MakePrivateFile(const std::string& fileName)
{
    ::chmod(fileName.c_str(), PrivateFileMode);
}

void CreatePrivateFile(const std::string& fileName)
{
    const int descriptor = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, PrivateFileMode);
    if (descriptor >= 0)
        ::close(descriptor);
    else
        MakePrivateFile(fileName);
}
