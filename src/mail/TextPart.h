// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// A text part ready for the wire: its media type, the character set it was written
// in, whether it is quoted-printable, and its lines.
struct TTextPart {
    std::string MediaType; // "text/plain", "text/html", ...
    std::string Charset;
    bool QuotedPrintable = false;
    std::string Content; // the lines, each followed by CR LF, dot-stuffed

    // The part's Content-Type line, then its Content-Transfer-Encoding line when it is
    // quoted-printable, without line ends.
    std::vector<std::string> HeaderLines() const;
};

// Makes the part from UTF-8 text whose every line ends in CR LF. ASCII text with
// lines of at most 998 octets goes out as written, declared in `charset`. Other text
// is converted into `charset` when that holds every character of it, else it stays
// UTF-8 and says so; it then goes out quoted-printable, so that no line is longer than
// 998 octets (RFC 5322 2.1.1) and no 8-bit byte meets a server that did not offer
// 8BITMIME (RFC 6152). A line that starts with "." after encoding gets one more
// (RFC 5321 4.5.2).
TTextPart MakeTextPart(const std::string& mediaType, const std::string& text, const std::string& charset);
