// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/HtmlToText.h"

#include <gtest/gtest.h>

namespace {

struct HtmlCase {
    const char* name;
    std::string html;
    std::string text;
};

void PrintTo(const HtmlCase& c, std::ostream* os)
{
    *os << c.name;
}

class HtmlReading : public ::testing::TestWithParam<HtmlCase> { };

TEST_P(HtmlReading, GivesThePlainText)
{
    EXPECT_EQ(HtmlToText(GetParam().html), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HtmlReading,
    ::testing::Values(
        HtmlCase{"Empty", "", ""},
        HtmlCase{"PlainTextCollapsesBlanks", "Hello   Bob\r\n.\r\n  See you  ", "Hello Bob . See you"},
        HtmlCase{"InlineTagsVanish", "<b>Pozdravljeni</b>, <i>Špela</i>!", "Pozdravljeni, Špela!"},
        HtmlCase{"Paragraphs", "<p>Prvi.</p>\n<p>Drugi.</p>", "Prvi.\n\nDrugi."},
        HtmlCase{"Breaks", "a<br>b<br/>c<BR />d", "a\nb\nc\nd"},
        HtmlCase{"DoubleBreakIsABlankLine", "a<br><br>b", "a\n\nb"},
        HtmlCase{"HeadingAndDivs", "<h1>Vabilo</h1><div>kdaj</div><div>kje</div>", "Vabilo\n\nkdaj\nkje"},
        HtmlCase{"ListItems", "<ul>\n <li>ena</li>\n <li> dva </li>\n</ul>po", "- ena\n- dva\n\npo"},
        HtmlCase{"TableCells", "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>", "a b\nc"},
        HtmlCase{"HeadScriptStyleAndCommentsSkipped",
                 "<html><head><title>T</title><style>p{}</style></head><body><!-- no "
                 "--><script>x<y</script>ok</body></html>",
                 "ok"},
        HtmlCase{"LinkShowsItsAddress", "Glej <a href=\"https://example.org/a\">stran</a>.",
                 "Glej stran <https://example.org/a>."},
        HtmlCase{"LinkWhoseTextIsTheAddress", "<a href='https://x.org'>https://x.org</a>", "https://x.org"},
        HtmlCase{"MailtoLink", "<a href=\"mailto:ana@x.org\">Ana</a>", "Ana <ana@x.org>"},
        HtmlCase{"LinkAddressDecoded",
                 "<a href=\"https://x.org/?utm_source=news&amp;utm_medium=mail&#38;id=&#x31;\">x</a>",
                 "x <https://x.org/?utm_source=news&utm_medium=mail&id=1>"},
        HtmlCase{"AnchorLinkKeepsOnlyText", "<a href=\"#top\">gor</a>", "gor"},
        HtmlCase{"References", "&scaron;ola &ndash; 5&nbsp;&euro; &lt;b&gt; &amp; &#269;&#x17E; &quot;x&quot;",
                 "šola – 5 € <b> & čž \"x\""},
        HtmlCase{"UnknownReferenceStays", "a &nosuch; b & c", "a &nosuch; b & c"},
        HtmlCase{"BadNumericReference", "&#0; &#xD800; &#99999999;", "\uFFFD \uFFFD \uFFFD"},
        HtmlCase{"LessThanAsText", "a < b and c > d", "a < b and c > d"}, HtmlCase{"UnclosedTagIsText", "a <b", "a <b"},
        HtmlCase{"Preformatted", "<pre>a  b\r\n  c</pre>d", "a  b\n  c\n\nd"}),
    [](const auto& info) { return info.param.name; });

} // namespace
