// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/AttachmentEncoder.h"

#include "base/Exception.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

std::string Encode(const std::string& input, TEncodeMethod method)
{
    TMemoryStream in;
    in.WriteString(input);
    TMemoryStream out;
    TAttachmentEncoder encoder;
    encoder.Method = method;
    encoder.InStream = &in;
    encoder.OutStream = &out;
    encoder.Encode();
    EXPECT_EQ(out.Position(), 0) << "left ready to be copied";
    return out.ToString();
}

std::string Bytes(size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (auto& byte : bytes)
        byte = static_cast<char>(random() & 0xff);
    return bytes;
}

std::vector<std::string> SplitCrLf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text ends in CR LF";
    return lines;
}

struct ExactCase {
    const char* name;
    std::string input;
    TEncodeMethod method;
    std::string output;
};

void PrintTo(const ExactCase& c, std::ostream* os)
{
    *os << c.name;
}

class EncoderExact : public ::testing::TestWithParam<ExactCase> { };

TEST_P(EncoderExact, WritesTheseLines)
{
    EXPECT_EQ(Encode(GetParam().input, GetParam().method), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncoderExact,
    ::testing::Values(ExactCase{"EmptyBase64", "", emBase64, ""}, ExactCase{"EmptyUUEncode", "", emUUEncode, "`\r\n"},
                      ExactCase{"Base64OneByte", "a", emBase64, "YQ==\r\n"},
                      ExactCase{"Base64TwoBytes", "ab", emBase64, "YWI=\r\n"},
                      ExactCase{"Base64ThreeBytes", "abc", emBase64, "YWJj\r\n"},
                      ExactCase{"Base64HighBits", "\xff\xfe\xfd", emBase64, "//79\r\n"},
                      ExactCase{"UUEncodeAbc", "abc", emUUEncode, "#86)C\r\n`\r\n"},
                      ExactCase{"UUEncodeA", "a", emUUEncode, "!80\r\n`\r\n"},
                      ExactCase{"UUEncodeTwoBytes", "ab", emUUEncode, "\"86(\r\n`\r\n"},
                      // Zero bits are the grave accent, never a blank.
                      ExactCase{"UUEncodeZeros", std::string(3, '\0'), emUUEncode, "#````\r\n`\r\n"}),
    [](const auto& info) { return info.param.name; });

// Line layout and content checked against an independent decoder.
class EncoderBase64Sizes : public ::testing::TestWithParam<size_t> { };

TEST_P(EncoderBase64Sizes, DecodesBackWithFullLinesOf60)
{
    const size_t size = GetParam();
    const std::string input = Bytes(size, static_cast<unsigned>(size));
    const std::string output = Encode(input, emBase64);
    EXPECT_EQ(static_cast<std::int64_t>(output.size()),
              TAttachmentEncoder::EncodedSize(emBase64, static_cast<std::int64_t>(size)));

    const auto lines = SplitCrLf(output);
    ASSERT_EQ(lines.size(), (size + 44) / 45);
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i + 1 < lines.size()) {
            EXPECT_EQ(lines[i].size(), 60u) << "line " << i;
            EXPECT_EQ(lines[i].find('='), std::string::npos) << "padding only on the last line";
        }
        joined += lines[i];
    }
    const auto decoded =
        QByteArray::fromBase64Encoding(QByteArray::fromStdString(joined), QByteArray::AbortOnBase64DecodingErrors);
    ASSERT_TRUE(decoded) << "strict decoding accepts the text";
    EXPECT_EQ(decoded.decoded.toStdString(), input);
}

INSTANTIATE_TEST_SUITE_P(Sizes, EncoderBase64Sizes,
                         ::testing::Values(0, 1, 2, 3, 44, 45, 46, 89, 90, 91, 46079, 46080, 46081, 100000, 123457));

// Random sizes, seeded so that a failure can be repeated.
INSTANTIATE_TEST_SUITE_P(RandomSizes, EncoderBase64Sizes, ::testing::ValuesIn([] {
                             std::mt19937 random(2024);
                             std::vector<size_t> sizes;
                             for (int i = 0; i < 12; ++i)
                                 sizes.push_back(random() % 200000);
                             return sizes;
                         }()));

// Classic uudecode of one line: (character - 32) AND 63 gives each 6-bit value.
std::string UUDecodeLine(const std::string& line)
{
    const auto value = [&](size_t at) { return static_cast<unsigned>(line[at] - 32) & 63; };
    const size_t count = value(0);
    std::string bytes;
    for (size_t at = 1; bytes.size() < count; at += 4) {
        const unsigned group = value(at) << 18 | value(at + 1) << 12 | (at + 2 < line.size() ? value(at + 2) << 6 : 0)
            | (at + 3 < line.size() ? value(at + 3) : 0);
        for (int shift = 16; shift >= 0 && bytes.size() < count; shift -= 8)
            bytes += static_cast<char>(group >> shift & 0xff);
    }
    return bytes;
}

// uuencode: length character, 45 bytes (61 characters) per full line, closing line.
TEST(Encoder, UUEncodeLinesCarryTheirLengthAndDecodeBack)
{
    for (size_t size : {45u, 46u, 100u, 46080u, 46125u, 99999u}) {
        const std::string input = Bytes(size, static_cast<unsigned>(size));
        const std::string output = Encode(input, emUUEncode);
        EXPECT_EQ(static_cast<std::int64_t>(output.size()),
                  TAttachmentEncoder::EncodedSize(emUUEncode, static_cast<std::int64_t>(size)));
        const auto lines = SplitCrLf(output);
        ASSERT_EQ(lines.size(), (size + 44) / 45 + 1) << size;
        EXPECT_EQ(lines.back(), "`");
        std::string decoded;
        for (size_t i = 0; i + 1 < lines.size(); ++i) {
            const size_t count = static_cast<size_t>(lines[i][0] - 32);
            EXPECT_EQ(count, i + 2 < lines.size() ? 45u : (size - 1) % 45 + 1) << size << " line " << i;
            EXPECT_EQ(lines[i].size(), 1 + count / 3 * 4 + (count % 3 ? count % 3 + 1 : 0)) << size << " line " << i;
            EXPECT_EQ(lines[i].find(' '), std::string::npos);
            decoded += UUDecodeLine(lines[i]);
        }
        EXPECT_TRUE(decoded == input) << size;
    }
}

TEST(Encoder, AppendsAtTheOutputPositionAndRereadsInputFromItsStart)
{
    TMemoryStream in;
    in.WriteString("abc"); // position left at the end
    TMemoryStream out;
    out.WriteString("head\r\n");
    TAttachmentEncoder encoder;
    encoder.InStream = &in;
    encoder.OutStream = &out;
    encoder.Encode();
    EXPECT_EQ(out.ToString(), "head\r\nYWJj\r\n");
    encoder.Method = emUUEncode; // the alphabet follows the method at every run
    out.Clear();
    encoder.Encode();
    EXPECT_EQ(out.ToString(), "#86)C\r\n`\r\n");
}

// A stream that fails on its second read.
class FailingStream : public TMemoryStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override
    {
        if (++reads > 1)
            throw EStreamError("disk gone");
        return TMemoryStream::Read(buffer, std::min<std::int64_t>(count, 90));
    }
    int reads = 0;
};

TEST(Encoder, ReadErrorStillRewindsOutputAndFiresEndThenPassesOn)
{
    FailingStream in;
    in.WriteString(std::string(200, 'z'));
    TMemoryStream out;
    TAttachmentEncoder encoder;
    encoder.InStream = &in;
    encoder.OutStream = &out;
    std::vector<std::string> events;
    encoder.OnBeginEncode = [&](QObject* sender) { events.push_back(sender == &encoder ? "begin" : "?"); };
    encoder.OnEndEncode = [&](QObject*) { events.push_back(out.Position() == 0 ? "end at 0" : "end"); };
    try {
        encoder.Encode();
        FAIL() << "no error";
    } catch (const EStreamError& error) {
        EXPECT_STREQ(error.what(), "disk gone");
    }
    EXPECT_EQ(events, (std::vector<std::string>{"begin", "end at 0"}));
}

} // namespace
