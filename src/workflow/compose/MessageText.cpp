// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/compose/MessageText.h"

#include "base/Exception.h"
#include "base/Stream.h"
#include "workflow/program/ProgramFolder.h"
#include "workflow/ui/Messages.h"
#include "workflow/ui/UserInterface.h"

#include <cstdio>

std::string ToCrLf(const std::string& text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0')
            break;
        if (c == '\r' || c == '\n') {
            result += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        result += c;
    }
    return result;
}

TDecodedText LoadMessageFile(const std::string& fileName)
{
    TFileStream file(fileName, TFileMode::OpenRead);
    const std::int64_t size = file.Size();
    if (size > MessageCapacity)
        throw Exception("Text exceeds memo capacity");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    bytes.resize(static_cast<std::size_t>(file.Read(bytes.data(), size)));
    TDecodedText decoded = DecodeText(bytes);
    decoded.Text = ToCrLf(decoded.Text);
    return decoded;
}

void ReportLossyLoading(const std::string& fileName, const TTextDecoding& decoding)
{
    if (decoding.Lossy)
        UserInterface().ShowMessage(Messages::LossyFile(fileName, EncodingName(decoding.Encoding)));
}

void SaveMessageText(const std::string& fileName, const std::string& text)
{
    WriteWholeFile(fileName, text);
}

std::string PreviewFileName()
{
    return ProgramFolder() + "msg.html";
}

std::string WritePreviewFile(const std::string& text)
{
    const std::string path = PreviewFileName();
    WriteWholeFile(path, text);
    return path;
}

void RemovePreviewFile()
{
    std::remove(PreviewFileName().c_str());
}
