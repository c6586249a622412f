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
// The desktop has no program that opens an address or file (the help, a web page, the preview).
std::string CannotOpen(const std::string& target);
// The three lines of the about box.
std::string AboutParagraph();
std::string AboutSeeAlso();
}
