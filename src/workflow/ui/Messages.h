// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// The message box and status texts, in the language in force when they are shown.
// Line breaks inside them are single CR characters, as the message boxes expect.
namespace Messages {
std::string NumbersOnly();
std::string Welcome();
std::string SettingsMissing();
std::string NoRecipients();
std::string ConnectFailed();
std::string MessagesSent(int count);
// A file read with characters replaced by U+FFFD, and the encoding it was read in.
std::string LossyFile(const std::string& fileName, const std::string& encoding);
// Why an entry of the recipient list is marked: it does not name a mailbox.
std::string NotAnAddress();
// While a job runs the subject and text stay as the job read them at its start.
std::string EditingResumes();
// The desktop has no program that opens an address or file (the help, a web page, the preview).
std::string CannotOpen(const std::string& target);
// The three lines of the about box.
std::string AboutParagraph();
std::string AboutSeeAlso();

// The secured connection: the password prompt, and why a job ended before any message.
std::string PasswordPrompt(const std::string& user, const std::string& host);
std::string CertificateNotTrusted(const std::string& host);
std::string CertificateExpired(const std::string& host);
std::string CertificateWrongName(const std::string& host);
// reply: the server's words, line ends and all.
std::string LoginRefused(const std::string& reply);

// Settings from the address: the dialog's hint, the lookup under way, nothing found,
// the question before a plain-http source, and the sign-in a source asks for.
std::string FindSettingsHint();
std::string FindingSettings(const std::string& address);
std::string NoSettingsFound(const std::string& address);
std::string AskHttp(const std::string& url);
std::vector<std::string> HttpAnswers(); // No (the default), Yes
std::string SignInWith(const std::string& signIn, const std::string& provider);
}
