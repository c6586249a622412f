// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/program/ProgramState.h"

#include "Version.h"

std::int32_t CurrentLanguage = 2;
std::string ProgramVersion = PELMAR_VERSION;
std::string WebSiteAddress;
std::string MakerSiteAddress;

namespace {
std::string applicationTitle = ApplicationTitle;
void (*titleObserver)(const std::string&) = nullptr;
}

void SetApplicationTitle(const std::string& title)
{
    applicationTitle = title;
    if (titleObserver)
        titleObserver(title);
}

const std::string& ApplicationTitleText()
{
    return applicationTitle;
}

void SetApplicationTitleObserver(void (*observer)(const std::string& title))
{
    titleObserver = observer;
}
