// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"

#include <string>

// The message as the window holds it at the moment it is read.
class TMessageFields {
public:
    virtual ~TMessageFields() = default;
    virtual std::string Subject() const = 0;
    // The body as typed: one entry per paragraph, however the field wraps it on screen.
    virtual TStringList BodyParagraphs() const = 0;
    // 0 is the plain-text choice; any other index means HTML.
    virtual int FormatIndex() const = 0;
    virtual std::string AttachmentPath() const = 0;
};
