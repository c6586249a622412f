#include "mail/AttachmentEncoder.h"

#include <algorithm>
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

char* EncodeLine(const char* alphabet, bool uuencode, const unsigned char* in, int count, char* out)
{
    if (uuencode)
        *out++ = alphabet[count & 63];
    for (; count >= 3; count -= 3, in += 3) {
        *out++ = alphabet[in[0] >> 2];
        *out++ = alphabet[((in[0] << 4) | (in[1] >> 4)) & 63];
        *out++ = alphabet[((in[1] << 2) | (in[2] >> 6)) & 63];
        *out++ = alphabet[in[2] & 63];
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
    std::vector<unsigned char> input(InputBlockSize);
    std::vector<char> output(static_cast<size_t>(LinesPerBlock) * MaxLineLength);
    for (;;) {
        const std::int64_t count = ReadBlock(*InStream, input.data(), InputBlockSize);
        if (count == 0)
            break;
        char* out = output.data();
        for (std::int64_t done = 0; done < count; done += BytesPerLine) {
            const int lineBytes = static_cast<int>(std::min<std::int64_t>(BytesPerLine, count - done));
            out = EncodeLine(Alphabet, uuencode, input.data() + done, lineBytes, out);
        }
        OutStream->WriteBuffer(output.data(), out - output.data());
        if (count < InputBlockSize)
            break;
    }
    if (uuencode)
        OutStream->WriteBuffer("`\r\n", 3);
}
