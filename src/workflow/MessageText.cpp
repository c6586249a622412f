#include "workflow/MessageText.h"

#include "base/Stream.h"
#include "workflow/ProgramFolder.h"

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

std::string LoadMessageText(const std::string& fileName)
{
    return ToCrLf(ReadWholeFile(fileName));
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
