// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QStringList>
#include <string>

// What the headless sender was asked to do.
struct TSendOptions {
    std::string RecipientsFile;
    std::string MessageFile;
    std::string Subject;
    std::string Attachment; // empty: none
    bool Html = false;
    bool DryRun = false;
    bool Preview = false; // the first message as a person reads it
    bool Restart = false;
    bool Quiet = false;
    std::string At;      // the start time as given; empty: at once
    bool NoWait = false; // a sending limit ends the run (exit 3) instead of being waited out
    bool IgnoreSuppressions = false;
    bool AllowEmptyFields = false;
    bool Help = false;
    bool Version = false;
    bool SignIn = false; // --sign-in: the OAuth 2.0 sign-in in the browser, no files
    // --find-settings ADDRESS: look up the account's server instead of sending; --save
    // writes what was found, --allow-http lets a plain-http source be asked.
    std::string FindSettings;
    bool Save = false;
    bool AllowHttp = false;
    bool operator==(const TSendOptions&) const = default;
};

struct TParsedOptions {
    TSendOptions Options;
    std::string Error; // why the command line cannot be used; empty when it can
};

// arguments: the command line without the program's own name. --help, --version,
// --sign-in and --find-settings need nothing else; otherwise exactly two files must be named.
TParsedOptions ParseSendOptions(const QStringList& arguments);

// The text of --help and --version.
std::string SendUsage();
std::string SendVersion();
