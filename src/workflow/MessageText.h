#pragma once
#include <string>

// The message body as a file: read with every line break (CR LF, LF or CR) made CR LF,
// written back byte for byte. The body text of the window uses CR LF line breaks.
std::string LoadMessageText(const std::string& fileName);
void SaveMessageText(const std::string& fileName, const std::string& text);
std::string ToCrLf(const std::string& text);

// Writes the body to "msg.html" in the program's folder and returns that path.
std::string WritePreviewFile(const std::string& text);
std::string PreviewFileName();
// Removes the preview file; a missing file is no error.
void RemovePreviewFile();
