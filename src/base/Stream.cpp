// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Stream.h"

#include "base/Exception.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

std::int64_t TStream::Size()
{
    const std::int64_t position = Seek(0, soCurrent);
    const std::int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EStreamError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<char> block(static_cast<size_t>(std::min<std::int64_t>(count, 1 << 20)));
    std::int64_t left = count;
    while (left > 0) {
        const std::int64_t n = std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size()));
        source.ReadBuffer(block.data(), n);
        WriteBuffer(block.data(), n);
        left -= n;
    }
    return count;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count)
{
    const auto size = static_cast<std::int64_t>(FData.size());
    const std::int64_t n = std::clamp<std::int64_t>(std::min(count, size - FPosition), 0, count);
    if (n > 0)
        std::memcpy(buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    const std::int64_t end = FPosition + count;
    if (end > static_cast<std::int64_t>(FData.size()))
        FData.resize(static_cast<size_t>(end));
    std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, int origin)
{
    switch (origin) {
    case soBeginning: FPosition = offset; break;
    case soCurrent: FPosition += offset; break;
    case soEnd: FPosition = static_cast<std::int64_t>(FData.size()) + offset; break;
    default: throw EStreamError("Invalid seek origin");
    }
    if (FPosition < 0)
        FPosition = 0;
    return FPosition;
}

void TMemoryStream::Clear()
{
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::SetSize(std::int64_t size)
{
    FData.resize(static_cast<size_t>(std::max<std::int64_t>(size, 0)));
    FPosition = std::min(FPosition, size);
}

namespace {

// Only a regular file is a file here. A folder opens for reading on Linux; a FIFO would
// block the open until a writer comes (and its reads after that), a device never ends.
// Checked before the open, so that nothing waits.
bool IsSomethingElse(const std::string& fileName)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(fileName, error);
    return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

// "e" (glibc): the file stays out of programs started while it is open.
const char* OpenMode(TFileMode mode)
{
    switch (mode) {
    case TFileMode::OpenRead: return "rbe";
    case TFileMode::OpenWrite: return "r+be";
    case TFileMode::Create: break;
    }
    return "w+be";
}

} // namespace

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : FFileName(fileName)
{
    if (!IsSomethingElse(fileName))
        FFile = std::fopen(fileName.c_str(), OpenMode(mode));
    if (!FFile) {
        if (mode == TFileMode::Create)
            throw EFCreateError(fileName);
        throw EFOpenError(fileName);
    }
    // Every write reaches the file at once, as the log's readers expect.
    std::setvbuf(FFile, nullptr, _IONBF, 0);
}

TFileStream::~TFileStream()
{
    if (FFile)
        std::fclose(FFile);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count)
{
    const std::size_t total = std::fread(buffer, 1, static_cast<std::size_t>(count), FFile);
    if (total < static_cast<std::size_t>(count) && std::ferror(FFile))
        throw EStreamError("Read error on " + FFileName + ": " + std::strerror(errno));
    return static_cast<std::int64_t>(total);
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count)
{
    return static_cast<std::int64_t>(std::fwrite(buffer, 1, static_cast<std::size_t>(count), FFile));
}

std::int64_t TFileStream::Seek(std::int64_t offset, int origin)
{
    int whence = SEEK_SET;
    switch (origin) {
    case soBeginning: whence = SEEK_SET; break;
    case soCurrent: whence = SEEK_CUR; break;
    case soEnd: whence = SEEK_END; break;
    default: throw EStreamError("Invalid seek origin");
    }
    if (std::fseek(FFile, static_cast<long>(offset), whence) != 0)
        throw EStreamError("Seek error");
    const long position = std::ftell(FFile);
    if (position < 0)
        throw EStreamError("Seek error");
    return position;
}

std::string ReadWholeFile(const std::string& fileName)
{
    TFileStream file(fileName, TFileMode::OpenRead);
    std::string bytes;
    char block[65536];
    for (;;) {
        const std::int64_t n = file.Read(block, sizeof block);
        if (n <= 0)
            break;
        bytes.append(block, static_cast<size_t>(n));
    }
    return bytes;
}

void WriteWholeFile(const std::string& fileName, const std::string& bytes)
{
    TFileStream file(fileName, TFileMode::Create);
    file.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}
