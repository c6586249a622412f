// SPDX-License-Identifier: GPL-3.0-or-later
// Character references decode as Python's html.unescape reads them: the reference the
// expected texts come from, asked at run time.
#include "mail/HtmlEntities.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

const std::vector<std::string> Texts = {
    "https://x.org/?utm_source=newsletter&amp;utm_medium=mail&amp;id=7",
    "&scaron;&Scaron;&ccaron;&zcaron; &hellip; &euro; &nbsp;|&NotEqualTilde;|&fjlig;",
    "&amp &lt &gt &quot &copy &AMP; &notit; &notin; &ampfoo; &nosuch; &",
    "&#269;&#x17E;&#X17d;&#0038;&#38&#x26 &#; &#x; &#xG; &#-1;",
    "&#0; &#13; &#128; &#150;&#x9F; &#129; &#1; &#11; &#x7F; &#xFDD0; &#xFFFE; &#x10FFFF;",
    "&#xD800; &#x110000; &#99999999999999999999; &#x0000000041;",
    "&abcdefghijklmnopqrstuvwxyzabcdefgh; &a&b;c &\t; &#\n38; a&&amp;b",
    "&amp;amp; &lt;b&gt; &apos;x&apos; &hearts;&clubsuit;&bigstar;"};

// NUL-separated texts in, NUL-separated decoded texts out.
std::vector<std::string> ReferenceDecoding(const std::vector<std::string>& texts)
{
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-c",
                  "import html, sys\n"
                  "texts = sys.stdin.buffer.read().decode().split('\\0')\n"
                  "sys.stdout.buffer.write('\\0'.join(map(html.unescape, texts)).encode())"});
    std::string input;
    for (const std::string& text : texts)
        input += (input.empty() && &text == &texts.front() ? "" : std::string(1, '\0')) + text;
    python.write(input.data(), static_cast<qint64>(input.size()));
    python.closeWriteChannel();
    python.waitForFinished(30000);
    const QByteArray output = python.readAllStandardOutput();
    std::vector<std::string> decoded;
    for (const QByteArray& part : output.split('\0'))
        decoded.push_back(part.toStdString());
    return decoded;
}

TEST(HtmlReferences, DecodeAsPythonsHtmlUnescape)
{
    const std::vector<std::string> expected = ReferenceDecoding(Texts);
    ASSERT_EQ(expected.size(), Texts.size());
    for (std::size_t i = 0; i < Texts.size(); ++i)
        EXPECT_EQ(DecodeHtmlReferences(Texts[i]), expected[i]) << Texts[i];
}

} // namespace
