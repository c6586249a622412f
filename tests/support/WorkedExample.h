// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "support/CrLfLines.h"

#include <string>

// The worked example (Ana Novak to Bob, "Report", "Hello Bob" and "See you" with an HTML
// reading, the attachment a.txt holding "abc") as it goes on the wire, with the boundaries
// a freshly reset generator gives: the golden bytes of its header block and its body.
namespace WorkedExample {

inline const std::string Boundary = "====================54535aavfgq====";
inline const std::string Inner = "====================54535hejkcl====";

inline std::string HeaderBlock()
{
    return CrLfLines({"From: Ana Novak<ana@example.org>", "To: Bob <bob@example.org>", "Subject: Report",
                      "X-Mailer: Varnolt Pelmar 0.8", "Mime-Version: 1.0",
                      "Content-Type: multipart/mixed; boundary=\"" + Boundary + "\"", "", ""});
}

inline std::string Body()
{
    return CrLfLines({"--" + Boundary,
                      "Content-Type: multipart/alternative;",
                      " boundary=\"" + Inner + "\"",
                      "",
                      "--" + Inner,
                      "Content-Type: text/plain; charset=us-ascii",
                      "",
                      "Hello Bob . See you",
                      "--" + Inner,
                      "Content-Type: text/html; charset=us-ascii",
                      "",
                      "Hello Bob",
                      "..",
                      "See you",
                      "--" + Inner + "--",
                      "--" + Boundary,
                      "Content-Type: text/plain; name=\"a.txt\"",
                      "Content-Transfer-Encoding: base64",
                      "Content-Disposition: attachment; filename=\"a.txt\"",
                      "",
                      "YWJj",
                      "--" + Boundary + "--"});
}

} // namespace WorkedExample
