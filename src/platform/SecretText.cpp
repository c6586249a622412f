// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SecretText.h"

#include <string.h>
#include <sys/prctl.h>

namespace {

int heldSecrets = 0;

void Hold()
{
    if (heldSecrets++ == 0)
        ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

void Release()
{
    if (--heldSecrets == 0)
        ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
}

}

void WipeText(std::string& text)
{
    // explicit_bzero, unlike memset, is not left out as a store nobody reads.
    ::explicit_bzero(text.data(), text.capacity());
    text.clear();
}

TSecretText& TSecretText::operator=(const TSecretText& other)
{
    if (this != &other)
        Assign(other.FText);
    return *this;
}

TSecretText& TSecretText::operator=(const std::string& text)
{
    Assign(text);
    return *this;
}

TSecretText::~TSecretText()
{
    Wipe();
}

void TSecretText::Wipe()
{
    WipeText(FText);
    if (FHeld)
        Release();
    FHeld = false;
}

void TSecretText::Assign(const std::string& text)
{
    Wipe();
    if (text.empty())
        return;
    Hold();
    FHeld = true;
    FText.reserve(text.size());
    FText = text;
}

bool ProcessDumpable()
{
    return ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 1;
}
