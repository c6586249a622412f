// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/TextDecoding.h"

#include <cstdint>
#include <string>

// The most a message file may hold, in bytes. The body field's text layout grows
// faster than the text (a 100 MB file takes it tens of seconds and close to a
// gigabyte), and no mail server takes a message near this size anyway.
constexpr std::int64_t MessageCapacity = 16 * 1024 * 1024;

// The message body as a file: decoded (see DecodeText) with every line break (CR LF,
// LF or CR) made CR LF, written back as UTF-8 byte for byte. The body text of the
// window uses CR LF line breaks. A file larger than MessageCapacity raises Exception
// "Text exceeds memo capacity" before anything is read.
TDecodedText LoadMessageFile(const std::string& fileName);
void SaveMessageText(const std::string& fileName, const std::string& text);
std::string ToCrLf(const std::string& text);

// Tells the user, through a message box, when a file could not be read without loss;
// says nothing otherwise.
void ReportLossyLoading(const std::string& fileName, const TTextDecoding& decoding);

// Writes the body to "msg.html" in the program's folder and returns that path.
std::string WritePreviewFile(const std::string& text);
std::string PreviewFileName();
// Removes the preview file; a missing file is no error.
void RemovePreviewFile();
