// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>

// Program-wide values shared by the windows and the send job.

// 1 means Slovenian; every other value means English (the English command stores 2).
extern std::int32_t CurrentLanguage;
extern std::string ProgramVersion;
extern std::string WebSiteAddress;
extern std::string MakerSiteAddress;

// Every bilingual text is chosen at the moment it is shown.
inline const char* Lang(const char* slovenian, const char* english)
{
    return CurrentLanguage == 1 ? slovenian : english;
}

// The fixed addresses and the line naming the maker.
inline constexpr const char* ProgramSiteUrl = "https://pelmar.example.org/";
inline constexpr const char* MakerSiteUrl = "https://drelko.example.org/";
inline constexpr const char* ForumAddress = "https://forum.pelmar.example.org/";
inline constexpr const char* MakerLine = "Drelko, makers of small tools";
inline constexpr const char* ApplicationTitle = "Varnolt Pelmar";

// The application's title (what the desktop shows for the program while it runs);
// the send job shows its progress there. The windows follow it through the observer.
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitleText();
void SetApplicationTitleObserver(void (*observer)(const std::string& title));
