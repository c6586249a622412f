// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"

#include <string>

// The one message the SMTP client sends next: plain data, no checking. The five
// lists belong to the record; reading a list gives the record's own list to fill,
// writing one copies the given list's entries.
class TOutgoingMessage {
public:
    TOutgoingMessage() = default;
    TOutgoingMessage(const TOutgoingMessage&) = delete;
    TOutgoingMessage& operator=(const TOutgoingMessage&) = delete;

    const std::string& FromAddress() const { return FFromAddress; }
    void SetFromAddress(const std::string& value) { FFromAddress = value; }
    const std::string& FromName() const { return FFromName; }
    void SetFromName(const std::string& value) { FFromName = value; }

    TStringList& ToAddress() { return FToAddress; }
    const TStringList& ToAddress() const { return FToAddress; }
    void SetToAddress(const TStringList& list) { CopyList(FToAddress, list); }
    TStringList& ToCarbonCopy() { return FToCarbonCopy; }
    const TStringList& ToCarbonCopy() const { return FToCarbonCopy; }
    void SetToCarbonCopy(const TStringList& list) { CopyList(FToCarbonCopy, list); }
    TStringList& ToBlindCarbonCopy() { return FToBlindCarbonCopy; }
    const TStringList& ToBlindCarbonCopy() const { return FToBlindCarbonCopy; }
    void SetToBlindCarbonCopy(const TStringList& list) { CopyList(FToBlindCarbonCopy, list); }
    TStringList& Body() { return FBody; }
    const TStringList& Body() const { return FBody; }
    void SetBody(const TStringList& list) { CopyList(FBody, list); }
    TStringList& Attachments() { return FAttachments; }
    const TStringList& Attachments() const { return FAttachments; }
    void SetAttachments(const TStringList& list) { CopyList(FAttachments, list); }
    // Whole header lines ("Name: value") that go after the Message-ID, in order.
    TStringList& ExtraHeaders() { return FExtraHeaders; }
    const TStringList& ExtraHeaders() const { return FExtraHeaders; }

    const std::string& Subject() const { return FSubject; }
    void SetSubject(const std::string& value) { FSubject = value; }
    const std::string& LocalProgram() const { return FLocalProgram; }
    void SetLocalProgram(const std::string& value) { FLocalProgram = value; }
    const std::string& Date() const { return FDate; }
    void SetDate(const std::string& value) { FDate = value; }
    const std::string& ReplyTo() const { return FReplyTo; }
    void SetReplyTo(const std::string& value) { FReplyTo = value; }
    // The complete value of the Message-ID field, "<unique@domain>"; none when empty.
    const std::string& MessageId() const { return FMessageId; }
    void SetMessageId(const std::string& value) { FMessageId = value; }

private:
    static void CopyList(TStringList& own, const TStringList& given);

    std::string FFromAddress;
    std::string FFromName;
    TStringList FToAddress;
    TStringList FToCarbonCopy;
    TStringList FToBlindCarbonCopy;
    TStringList FBody;
    TStringList FAttachments;
    TStringList FExtraHeaders;
    std::string FSubject;
    std::string FLocalProgram;
    std::string FDate;
    std::string FReplyTo;
    std::string FMessageId;
};
