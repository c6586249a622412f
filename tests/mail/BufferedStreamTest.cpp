// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/BufferedStream.h"

#include "base/Exception.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

// A memory stream that records the size of every transfer it sees, and can be
// told to take fewer bytes than offered.
class CountingStream : public TMemoryStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override
    {
        const std::int64_t n = TMemoryStream::Read(buffer, count);
        reads.push_back(n);
        return n;
    }
    std::int64_t Write(const void* buffer, std::int64_t count) override
    {
        writes.push_back(count);
        return TMemoryStream::Write(buffer, std::min(count, acceptPerWrite));
    }
    std::vector<std::int64_t> reads;
    std::vector<std::int64_t> writes;
    std::int64_t acceptPerWrite = INT64_MAX;
};

std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

// Writes the text in lines of 62 bytes, as the attachment encoder does.
void WriteInLines(TStream& stream, const std::string& text)
{
    for (size_t at = 0; at < text.size(); at += 62)
        ASSERT_EQ(stream.Write(text.data() + at, std::min<size_t>(62, text.size() - at)),
                  static_cast<std::int64_t>(std::min<size_t>(62, text.size() - at)));
}

std::string ReadAll(TStream& stream)
{
    std::string bytes;
    char block[1000];
    for (std::int64_t n; (n = stream.Read(block, sizeof block)) > 0;)
        bytes.append(block, static_cast<size_t>(n));
    return bytes;
}

TEST(BufferedStream, SmallWritesReachTargetAsWholeBlocksAndTheRestAtDestruction)
{
    CountingStream target;
    const std::string text = Pattern(100000);
    {
        TBufferedStream stream(target);
        WriteInLines(stream, text);
        EXPECT_EQ(target.writes, (std::vector<std::int64_t>{32768, 32768, 32768}));
        EXPECT_EQ(stream.Position(), 100000) << "a position query does not drain";
        EXPECT_EQ(target.writes.size(), 3u);
        EXPECT_EQ(stream.Mode(), TBufferedStream::Writing);
    }
    EXPECT_EQ(target.writes, (std::vector<std::int64_t>{32768, 32768, 32768, 1696}));
    EXPECT_EQ(target.ToString(), text);
}

TEST(BufferedStream, SeekingToStartDrainsThenReadRefillsFromTheStart)
{
    CountingStream target;
    TBufferedStream stream(target);
    const std::string text = Pattern(100000);
    WriteInLines(stream, text);
    EXPECT_EQ(stream.Seek(0, soBeginning), 0);
    EXPECT_EQ(target.writes.back(), 1696);
    EXPECT_EQ(stream.Mode(), TBufferedStream::Idle);
    EXPECT_EQ(ReadAll(stream), text);
    EXPECT_EQ(target.reads, (std::vector<std::int64_t>{32768, 32768, 32768, 1696, 0}));
}

TEST(BufferedStream, SizeCountsBytesStillInTheBufferWithoutDraining)
{
    CountingStream target;
    TBufferedStream stream(target);
    stream.Write("hello", 5);
    EXPECT_EQ(stream.Size(), 5);
    EXPECT_TRUE(target.writes.empty());
    EXPECT_EQ(stream.Position(), 5);
}

struct SeekCase {
    const char* name;
    std::int64_t offset;
    int origin;
    std::int64_t expected;
};

void PrintTo(const SeekCase& c, std::ostream* os)
{
    *os << c.name;
}

class BufferedStreamSeek : public ::testing::TestWithParam<SeekCase> { };

// From position 10 of a 100-byte target, with part of a block read ahead.
TEST_P(BufferedStreamSeek, MovesToTheLogicalPosition)
{
    TMemoryStream target;
    target.WriteString(Pattern(100));
    target.SetPosition(0);
    TBufferedStream stream(target);
    char head[10];
    ASSERT_EQ(stream.Read(head, 10), 10);
    EXPECT_EQ(stream.Position(), 10);
    EXPECT_EQ(stream.Seek(GetParam().offset, GetParam().origin), GetParam().expected);
    char byte = 0;
    if (GetParam().expected < 100) {
        ASSERT_EQ(stream.Read(&byte, 1), 1);
        EXPECT_EQ(byte, Pattern(100)[static_cast<size_t>(GetParam().expected)]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Origins, BufferedStreamSeek,
    ::testing::Values(SeekCase{"FromStart", 42, soBeginning, 42}, SeekCase{"FromCurrent", 5, soCurrent, 15},
                      SeekCase{"BackFromCurrent", -3, soCurrent, 7}, SeekCase{"QueryKeepsReadAhead", 0, soCurrent, 10},
                      SeekCase{"EndCountsBackwards", 30, soEnd, 70}, SeekCase{"End", 0, soEnd, 100}),
    [](const auto& info) { return info.param.name; });

TEST(BufferedStream, InvalidOriginNamesIt)
{
    TMemoryStream target;
    TBufferedStream stream(target);
    for (int origin : {3, -1, 65535}) {
        try {
            stream.Seek(0, origin);
            FAIL() << origin;
        } catch (const EStreamError&) {
            FAIL() << "the base error, not a stream error";
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), "Invalid seek origin = " + std::to_string(origin));
        }
    }
}

TEST(BufferedStream, SeekAfterAShortDrainIsASeekError)
{
    CountingStream target;
    target.acceptPerWrite = 2;
    TBufferedStream stream(target);
    EXPECT_EQ(stream.Write("abcdef", 6), 6);
    EXPECT_EQ(stream.Seek(0, soCurrent), 6) << "a query needs no drain";
    try {
        stream.Seek(0, soBeginning);
        FAIL();
    } catch (const EStreamError& error) {
        EXPECT_EQ(error.Message(), "Seek error");
    }
}

TEST(BufferedStream, WriteStopsWhenTheTargetTakesLess)
{
    CountingStream target;
    target.acceptPerWrite = 100;
    TBufferedStream stream(target);
    const std::string text = Pattern(40000);
    EXPECT_EQ(stream.Write(text.data(), 40000), 32768);
    EXPECT_EQ(target.writes, (std::vector<std::int64_t>{32768}));
}

TEST(BufferedStream, PutBackHandsTheByteOutFirst)
{
    TMemoryStream target;
    target.WriteString("xyz");
    target.SetPosition(0);
    TBufferedStream stream(target);
    EXPECT_THROW(stream.PutBack('q'), EStreamError) << "nothing read yet";
    char byte = 0;
    ASSERT_EQ(stream.Read(&byte, 1), 1);
    stream.PutBack('q');
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(ReadAll(stream), "qyz");
}

struct PutBackOverflowCase {
    const char* name;
    std::function<void(TBufferedStream&)> prepare;
};

void PrintTo(const PutBackOverflowCase& c, std::ostream* os)
{
    *os << c.name;
}

class BufferedStreamPutBackOverflow : public ::testing::TestWithParam<PutBackOverflowCase> { };

TEST_P(BufferedStreamPutBackOverflow, Refuses)
{
    TMemoryStream target;
    target.WriteString("abc");
    target.SetPosition(0);
    TBufferedStream stream(target);
    GetParam().prepare(stream);
    try {
        stream.PutBack('!');
        FAIL();
    } catch (const EStreamError& error) {
        EXPECT_EQ(error.Message(), "PutBack overflow");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BufferedStreamPutBackOverflow,
    ::testing::Values(PutBackOverflowCase{"NewStream", [](TBufferedStream&) {}},
                      PutBackOverflowCase{"AfterSeek",
                                          [](TBufferedStream& s) {
                                              char b;
                                              s.Read(&b, 1);
                                              s.Seek(2, soBeginning);
                                          }},
                      PutBackOverflowCase{"AfterReadingToTheEnd", [](TBufferedStream& s) { ReadAll(s); }},
                      // Stepping back while writing would overwrite a byte not yet sent.
                      PutBackOverflowCase{"WhileWriting", [](TBufferedStream& s) { s.Write("de", 2); }}),
    [](const auto& info) { return info.param.name; });

TEST(BufferedStream, ReadRightAfterWriteDrainsAndContinuesBehindTheWrittenBytes)
{
    TMemoryStream target;
    target.WriteString("0123456789");
    target.SetPosition(0);
    TBufferedStream stream(target);
    stream.Write("ab", 2);
    EXPECT_EQ(ReadAll(stream), "23456789");
    EXPECT_EQ(target.ToString(), "ab23456789");
}

TEST(BufferedStream, ReadAfterAWriteOfExactlyOneBlockSeesNoStaleBufferBytes)
{
    TMemoryStream target;
    TBufferedStream stream(target);
    const std::string block = Pattern(TBufferedStream::BlockSize);
    EXPECT_EQ(stream.Write(block.data(), TBufferedStream::BlockSize), TBufferedStream::BlockSize);
    EXPECT_EQ(ReadAll(stream), "") << "the target ends where the block ended";
}

TEST(BufferedStream, WriteRightAfterReadLandsAtTheLogicalPosition)
{
    TMemoryStream target;
    target.WriteString("0123456789");
    target.SetPosition(0);
    {
        TBufferedStream stream(target);
        char head[3];
        ASSERT_EQ(stream.Read(head, 3), 3);
        stream.Write("XY", 2);
        EXPECT_EQ(stream.Position(), 5);
    }
    EXPECT_EQ(target.ToString(), "012XY56789");
}

TEST(BufferedStream, WriteAfterReadingToTheEndAppends)
{
    TMemoryStream target;
    target.WriteString("abc");
    target.SetPosition(0);
    {
        TBufferedStream stream(target);
        EXPECT_EQ(ReadAll(stream), "abc");
        EXPECT_EQ(stream.Write("de", 2), 2);
    }
    EXPECT_EQ(target.ToString(), "abcde");
}

} // namespace
