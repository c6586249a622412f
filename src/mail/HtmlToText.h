// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// The plain-text reading of an HTML text (UTF-8), for the text/plain alternative of an
// HTML message (RFC 2046 5.1.4): tags dropped with the content of head, script and
// style; blanks collapsed as a browser does; paragraphs, headings and breaks become
// line breaks, list items lines starting "- ", links "text <address>"; character
// references decoded. Lines are separated by LF.
std::string HtmlToText(const std::string& html);
