// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SendOptions.h"

#include "cli/SendTexts.h"
#include "workflow/job/SendSchedule.h"
#include "workflow/program/ProgramState.h"

#include <QCommandLineParser>

namespace {

struct TOptionNames {
    QCommandLineOption Subject{{"s", "subject"}, {}, "TEXT"};
    QCommandLineOption Attach{{"a", "attach"}, {}, "FILE"};
    QCommandLineOption Html{"html"};
    QCommandLineOption DryRun{{"n", "dry-run"}};
    QCommandLineOption Preview{"preview"};
    QCommandLineOption Restart{"restart"};
    QCommandLineOption Quiet{{"q", "quiet"}};
    QCommandLineOption At{"at", {}, "TIME"};
    QCommandLineOption NoWait{"no-wait"};
    QCommandLineOption IgnoreSuppressions{"ignore-suppressions"};
    QCommandLineOption AllowEmptyFields{"allow-empty-fields"};
    QCommandLineOption Help{{"h", "help"}};
    QCommandLineOption Version{"version"};
    QCommandLineOption SignIn{"sign-in"};
    QCommandLineOption FindSettings{"find-settings", {}, "ADDRESS"};
    QCommandLineOption Save{"save"};
    QCommandLineOption AllowHttp{"allow-http"};
};

std::string Utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

// An option given twice with two values is a mistake a script should hear about, not a
// silent choice of one of them.
std::string Single(const QCommandLineParser& parser, const QCommandLineOption& option, std::string& error)
{
    const QStringList values = parser.values(option);
    if (values.size() > 1)
        error = SendTexts::OptionTwice(Utf8(option.names().back()));
    return values.isEmpty() ? std::string() : Utf8(values.back());
}

}

TParsedOptions ParseSendOptions(const QStringList& arguments)
{
    const TOptionNames names;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.addOptions({names.Subject, names.Attach, names.Html, names.DryRun, names.Preview, names.Restart, names.Quiet,
                       names.At, names.NoWait, names.IgnoreSuppressions, names.AllowEmptyFields, names.Help,
                       names.Version, names.SignIn, names.FindSettings, names.Save, names.AllowHttp});
    TParsedOptions parsed;
    // The parser takes the program's name first.
    if (!parser.parse(QStringList{"pelmar-send"} + arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        parsed.Error = unknown.isEmpty() ? Utf8(parser.errorText()) : SendTexts::UnknownOption(Utf8(unknown.front()));
        return parsed;
    }
    TSendOptions& options = parsed.Options;
    options.Help = parser.isSet(names.Help);
    options.Version = parser.isSet(names.Version);
    options.SignIn = parser.isSet(names.SignIn);
    if (options.Help || options.Version || options.SignIn)
        return parsed;
    options.Subject = Single(parser, names.Subject, parsed.Error);
    options.Attachment = Single(parser, names.Attach, parsed.Error);
    options.Html = parser.isSet(names.Html);
    options.DryRun = parser.isSet(names.DryRun);
    options.Preview = parser.isSet(names.Preview);
    options.Restart = parser.isSet(names.Restart);
    options.Quiet = parser.isSet(names.Quiet);
    options.At = Single(parser, names.At, parsed.Error);
    if (!options.At.empty() && !ParseStartTime(options.At, QDateTime::currentDateTime()) && parsed.Error.empty())
        parsed.Error = SendTexts::NotATime(options.At);
    options.NoWait = parser.isSet(names.NoWait);
    options.IgnoreSuppressions = parser.isSet(names.IgnoreSuppressions);
    options.AllowEmptyFields = parser.isSet(names.AllowEmptyFields);
    options.FindSettings = Single(parser, names.FindSettings, parsed.Error);
    options.Save = parser.isSet(names.Save);
    options.AllowHttp = parser.isSet(names.AllowHttp);
    if (!options.FindSettings.empty())
        return parsed;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2 && parsed.Error.empty())
        parsed.Error = files.size() < 2 ? SendTexts::FilesMissing() : SendTexts::TooManyFiles(Utf8(files[2]));
    if (files.size() >= 2) {
        options.RecipientsFile = Utf8(files[0]);
        options.MessageFile = Utf8(files[1]);
    }
    return parsed;
}

std::string SendUsage()
{
    return "Usage: pelmar-send [OPTIONS] RECIPIENTS-FILE MESSAGE-FILE\n"
           "       pelmar-send --find-settings ADDRESS [--save] [--allow-http]\n"
           "Sends the message in MESSAGE-FILE to every entry of RECIPIENTS-FILE, each a copy of\n"
           "their own, with the settings of Varnolt Pelmar. Needs no display.\n"
           "\n"
           "  -s, --subject TEXT  the subject (default: none)\n"
           "  -a, --attach FILE   one attachment\n"
           "      --html          the message text is HTML\n"
           "  -n, --dry-run       print the message for the first entry as it would be sent,\n"
           "                      and connect to nothing\n"
           "      --preview       print the message for the first entry as a person reads it\n"
           "                      (decoded header, text, attachment names); connect to nothing\n"
           "      --restart       start from the first entry, even where an unfinished job with\n"
           "                      this list and message could be continued (default: continue)\n"
           "  -q, --quiet         no progress, only the summary and errors\n"
           "      --at TIME       start at TIME: HH:MM (the next such time) or 2026-12-10T08:00\n"
           "      --no-wait       when a sending limit is reached, end with status 3 instead of\n"
           "                      waiting; run it again later to continue the job\n"
           "      --ignore-suppressions  send also to the addresses on the suppression list\n"
           "      --allow-empty-fields   send although a field is empty for some entries\n"
           "                      (otherwise the run ends with status 2 before connecting)\n"
           "  -h, --help          show this help\n"
           "      --version       show the version\n"
           "      --sign-in       sign in with OAuth 2.0 in the browser (the setting signin=oauth2)\n"
           "                      and keep the refresh token in the keyring; sends nothing\n"
           "      --find-settings ADDRESS  look up the outgoing server of ADDRESS (the program's\n"
           "                      presets, the domain's autoconfig file, the ISP database, DNS)\n"
           "                      and print it; --save writes it to the settings, --allow-http\n"
           "                      lets a plain-http autoconfig file be used\n"
           "\n"
           "RECIPIENTS-FILE holds one entry a line, or is an address book's CSV or tab-separated\n"
           "export with a header row; {{name}}, {{first}}, {{email}} and its columns are filled in.\n"
           "The password comes from PELMAR_PASSWORD, else the keyring, else the terminal.\n"
           "With signin=oauth2 the token is refreshed from the keyring; with signin=command it\n"
           "is what the setting tokencommand prints.\n"
           "\n"
           "Exit status: 0 every entry delivered; 1 some entries refused or still deferred (listed\n"
           "on standard error); 2 the job could not start or was cut short; 3 paused by a sending\n"
           "limit (--no-wait); 130 interrupted.\n"
           "Manual: man pelmar-send\n";
}

std::string SendVersion()
{
    return std::string("pelmar-send (") + ApplicationTitle + ") " + ProgramVersion + "\n";
}
