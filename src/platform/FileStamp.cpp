// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileStamp.h"

#include <sys/stat.h>

std::string FileStamp(const std::string& fileName)
{
    struct stat status { };
    if (::stat(fileName.c_str(), &status) != 0)
        return {};
    std::string stamp;
    for (const long long part :
         {static_cast<long long>(status.st_dev), static_cast<long long>(status.st_ino),
          static_cast<long long>(status.st_size), static_cast<long long>(status.st_mtim.tv_sec),
          static_cast<long long>(status.st_mtim.tv_nsec), static_cast<long long>(status.st_ctim.tv_sec),
          static_cast<long long>(status.st_ctim.tv_nsec)})
        stamp += std::to_string(part) + " ";
    return stamp;
}
