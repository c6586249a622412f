// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/AttachmentEncoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

const char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Classic uuencode table, with the grave accent for 0 so that no line carries blanks.
const char UUEncodeAlphabet[] = "`!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";

// Lines per read: whole lines only, so every line but the last holds 45 bytes.
constexpr int LinesPerBlock = 1024;
constexpr int InputBlockSize = TAttachmentEncoder::BytesPerLine * LinesPerBlock;
constexpr int MaxLineLength = 1 + 60 + 2;

// Reads until the block is full or the stream ends, so short reads cannot shorten lines.
std::int64_t ReadBlock(TStream& in, unsigned char* block, std::int64_t size)
{
    std::int64_t total = 0;
    while (total < size) {
        const std::int64_t n = in.Read(block + total, size - total);
        if (n <= 0)
            break;
        total += n;
    }
    return total;
}

// The two characters for every 12-bit value, so that a group of three bytes takes
// two look-ups instead of four.
using PairTable = std::array<std::array<char, 2>, 4096>;

PairTable MakePairs(const char* alphabet)
{
    PairTable pairs{};
    for (unsigned value = 0; value < 4096; ++value)
        pairs[value] = {alphabet[value >> 6], alphabet[value & 63]};
    return pairs;
}

const PairTable& PairsFor(bool uuencode)
{
    static const PairTable base64 = MakePairs(Base64Alphabet);
    static const PairTable uu = MakePairs(UUEncodeAlphabet);
    return uuencode ? uu : base64;
}

char* EncodeLine(const char* alphabet, const PairTable& pairs, bool uuencode, const unsigned char* in, int count,
                 char* out)
{
    if (uuencode)
        *out++ = alphabet[count & 63];
    for (; count >= 3; count -= 3, in += 3) {
        const unsigned group = unsigned{in[0]} << 16 | unsigned{in[1]} << 8 | in[2];
        std::memcpy(out, pairs[group >> 12].data(), 2);
        std::memcpy(out + 2, pairs[group & 0xfff].data(), 2);
        out += 4;
    }
    if (count == 1) {
        *out++ = alphabet[in[0] >> 2];
        *out++ = alphabet[(in[0] << 4) & 48];
        if (!uuencode) {
            *out++ = '=';
            *out++ = '=';
        }
    } else if (count == 2) {
        *out++ = alphabet[in[0] >> 2];
        *out++ = alphabet[((in[0] << 4) & 48) | (in[1] >> 4)];
        *out++ = alphabet[(in[1] << 2) & 60];
        if (!uuencode)
            *out++ = '=';
    }
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

} // namespace

std::int64_t TAttachmentEncoder::EncodedSize(TEncodeMethod method, std::int64_t inputSize)
{
    const bool uuencode = method == emUUEncode;
    const std::int64_t fullLines = inputSize / BytesPerLine;
    const std::int64_t rest = inputSize % BytesPerLine;
    const std::int64_t prefix = uuencode ? 1 : 0;
    std::int64_t size = fullLines * (prefix + 60 + 2);
    if (rest > 0) {
        const std::int64_t tail = rest % 3 == 0 ? 0 : (uuencode ? rest % 3 + 1 : 4);
        size += prefix + rest / 3 * 4 + tail + 2;
    }
    if (uuencode)
        size += 3; // the zero-length closing line
    return size;
}

void TAttachmentEncoder::Encode()
{
    InStream->SetPosition(0);
    Fire(OnBeginEncode, this);
    try {
        EncodeAll();
    } catch (...) {
        OutStream->SetPosition(0);
        Fire(OnEndEncode, this);
        throw;
    }
    OutStream->SetPosition(0);
    Fire(OnEndEncode, this);
}

// Reads many lines' worth at once and writes their text in one call: the same
// lines as reading 45 bytes at a time, without a stream call per line.
void TAttachmentEncoder::EncodeAll()
{
    const bool uuencode = Method == emUUEncode;
    Alphabet = uuencode ? UUEncodeAlphabet : Base64Alphabet;
    const PairTable& pairs = PairsFor(uuencode);
    std::vector<unsigned char> input(InputBlockSize);
    std::vector<char> output(static_cast<size_t>(LinesPerBlock) * MaxLineLength);
    for (;;) {
        const std::int64_t count = ReadBlock(*InStream, input.data(), InputBlockSize);
        if (count == 0)
            break;
        char* out = output.data();
        for (std::int64_t done = 0; done < count; done += BytesPerLine) {
            const int lineBytes = static_cast<int>(std::min<std::int64_t>(BytesPerLine, count - done));
            out = EncodeLine(Alphabet, pairs, uuencode, input.data() + done, lineBytes, out);
        }
        OutStream->WriteBuffer(output.data(), out - output.data());
        if (count < InputBlockSize)
            break;
    }
    if (uuencode)
        OutStream->WriteBuffer("`\r\n", 3);
}
