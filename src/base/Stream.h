// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// A readable, writable, seekable sequence of bytes.
class TStream {
public:
    virtual ~TStream() = default;
    // Return the number of bytes moved.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Returns the new position; an origin of soEnd counts the offset as a position
    // relative to the end (negative offsets move back from it).
    virtual std::int64_t Seek(std::int64_t offset, int origin) = 0;

    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, soBeginning); }
    std::int64_t Size();

    // Reads or writes exactly count bytes or raises EStreamError.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    void WriteString(const std::string& text) { WriteBuffer(text.data(), static_cast<std::int64_t>(text.size())); }
    // Copies count bytes (all of source from its start when count is 0); returns the count.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, int origin) override;

    void Clear();
    void SetSize(std::int64_t size);
    const char* Memory() const { return FData.data(); }
    char* Memory() { return FData.data(); }
    std::string ToString() const { return std::string(FData.begin(), FData.end()); }
    void Reserve(std::int64_t capacity) { FData.reserve(static_cast<size_t>(capacity)); }

private:
    std::vector<char> FData;
    std::int64_t FPosition = 0;
};

enum class TFileMode { OpenRead, OpenWrite, Create };

// A stream on a file; the constructor raises EFOpenError or EFCreateError.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, int origin) override;
    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
    std::FILE* FFile = nullptr;
};

// Whole-file helpers used by the text loaders.
std::string ReadWholeFile(const std::string& fileName);
void WriteWholeFile(const std::string& fileName, const std::string& bytes);
