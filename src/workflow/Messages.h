#pragma once
#include <string>

// The message box and status texts, in the language in force when they are shown.
// Line breaks inside them are single CR characters, as the message boxes expect.
namespace Messages {
std::string NumbersOnly();
std::string Welcome();
std::string SettingsMissing();
std::string NoRecipients();
std::string ConnectFailed();
std::string MessagesSent(int count);
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
}
