// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SendOptions.h"
#include "workflow/program/ProgramState.h"

#include <gtest/gtest.h>

namespace {

struct OptionsCase {
    const char* name;
    QStringList arguments;
    TSendOptions expected;
    std::string error; // empty: the command line is usable
};

void PrintTo(const OptionsCase& c, std::ostream* os)
{
    *os << c.name;
}

TSendOptions Files(TSendOptions options = {})
{
    options.RecipientsFile = "list.csv";
    options.MessageFile = "message.txt";
    return options;
}

TSendOptions With(void (*change)(TSendOptions&))
{
    TSendOptions options = Files();
    change(options);
    return options;
}

class SendOptions : public ::testing::TestWithParam<OptionsCase> {
protected:
    void SetUp() override { CurrentLanguage = 2; }
    void TearDown() override { CurrentLanguage = 2; }
};

TEST_P(SendOptions, ParsesAsAScriptMeansIt)
{
    const OptionsCase& c = GetParam();
    const TParsedOptions parsed = ParseSendOptions(c.arguments);
    EXPECT_EQ(parsed.Error, c.error);
    if (c.error.empty()) {
        EXPECT_EQ(parsed.Options, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SendOptions,
    ::testing::Values(
        OptionsCase{"FilesAlone", {"list.csv", "message.txt"}, Files(), ""},
        OptionsCase{"ShortOptions",
                    {"-s", "Hello {{first}}", "-a", "offer.pdf", "-n", "-q", "list.csv", "message.txt"},
                    With([](TSendOptions& o) {
                        o.Subject = "Hello {{first}}";
                        o.Attachment = "offer.pdf";
                        o.DryRun = true;
                        o.Quiet = true;
                    }),
                    ""},
        OptionsCase{"LongOptionsWithEquals",
                    {"--subject=News", "--attach=a b.pdf", "--html", "--restart", "--dry-run", "--quiet", "list.csv",
                     "message.txt"},
                    With([](TSendOptions& o) {
                        o.Subject = "News";
                        o.Attachment = "a b.pdf";
                        o.Html = true;
                        o.Restart = true;
                        o.DryRun = true;
                        o.Quiet = true;
                    }),
                    ""},
        OptionsCase{"OptionsAfterTheFiles",
                    {"list.csv", "message.txt", "--html", "-s", "Late"},
                    With([](TSendOptions& o) {
                        o.Subject = "Late";
                        o.Html = true;
                    }),
                    ""},
        OptionsCase{"ShortOptionsTogether",
                    {"-nq", "-sGlued", "list.csv", "message.txt"},
                    With([](TSendOptions& o) {
                        o.DryRun = true;
                        o.Quiet = true;
                        o.Subject = "Glued";
                    }),
                    ""},
        // A subject that begins with a dash is still the subject.
        OptionsCase{"SubjectWithADash",
                    {"-s", "-50% today", "list.csv", "message.txt"},
                    With([](TSendOptions& o) { o.Subject = "-50% today"; }),
                    ""},
        OptionsCase{"FileNamesAfterDoubleDash",
                    {"--", "-list.txt", "--html"},
                    [] {
                        TSendOptions o;
                        o.RecipientsFile = "-list.txt";
                        o.MessageFile = "--html";
                        return o;
                    }(),
                    ""},
        OptionsCase{"NonAsciiValues",
                    {"-s", "Vabilo – čšž", "seznam.csv", "sporočilo.txt"},
                    [] {
                        TSendOptions o;
                        o.Subject = "Vabilo – čšž";
                        o.RecipientsFile = "seznam.csv";
                        o.MessageFile = "sporočilo.txt";
                        return o;
                    }(),
                    ""},
        OptionsCase{"HelpNeedsNoFiles",
                    {"--help"},
                    [] {
                        TSendOptions o;
                        o.Help = true;
                        return o;
                    }(),
                    ""},
        OptionsCase{"ShortHelp",
                    {"-h", "whatever"},
                    [] {
                        TSendOptions o;
                        o.Help = true;
                        return o;
                    }(),
                    ""},
        OptionsCase{"VersionNeedsNoFiles",
                    {"--version"},
                    [] {
                        TSendOptions o;
                        o.Version = true;
                        return o;
                    }(),
                    ""},
        OptionsCase{"NothingGiven", {}, {}, "Name a recipients file and a message file."},
        OptionsCase{"OneFile", {"list.csv"}, {}, "Name a recipients file and a message file."},
        OptionsCase{"ThreeFiles", {"list.csv", "message.txt", "send"}, {}, "Too many arguments: send"},
        OptionsCase{"UnknownLongOption", {"--subjet", "x", "list.csv", "message.txt"}, {}, "Unknown option: --subjet"},
        OptionsCase{"UnknownShortOption", {"-x", "list.csv", "message.txt"}, {}, "Unknown option: -x"},
        OptionsCase{"SubjectWithoutValue", {"list.csv", "message.txt", "-s"}, {}, "Missing value after '-s'."},
        OptionsCase{"TwoAttachments",
                    {"-a", "one.pdf", "-a", "two.pdf", "list.csv", "message.txt"},
                    {},
                    "The option --attach can be given only once."},
        OptionsCase{"TwoSubjects",
                    {"-s", "A", "--subject", "B", "list.csv", "message.txt"},
                    {},
                    "The option --subject can be given only once."}),
    [](const auto& info) { return info.param.name; });

TEST(SendOptionsLanguage, MistakesAreToldInTheLanguageInForce)
{
    CurrentLanguage = 1;
    EXPECT_EQ(ParseSendOptions({"-x", "a", "b"}).Error, "Neznana izbira: -x");
    EXPECT_EQ(ParseSendOptions({"a"}).Error, "Podajte datoteko s prejemniki in datoteko s sporočilom.");
    CurrentLanguage = 2;
}

} // namespace
