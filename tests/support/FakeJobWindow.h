// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "support/LoopbackAccount.h"
#include "workflow/compose/MessageFields.h"
#include "workflow/job/SendJob.h"

#include <functional>
#include <string>
#include <vector>

// The window as a send job sees it: the loopback account, the message a test sets, and
// everything the job shows, in order.
class TFakeJobWindow : public TLoopbackAccount, public TMessageFields, public TSendProgress {
public:
    std::string subject = "Hello";
    TStringList body{"Line one"};
    int formatIndex = 0;
    std::string attachment;
    // When set, gives the attachment's path instead: the job reads it once for its
    // fingerprint, then once for every message.
    std::function<std::string()> attachmentRead;

    // "state:…", "counter:…", "notice:…", "log:ENTRY...   OUTCOME", "logwindow", "clearlog", "settings"
    std::vector<std::string> shown;
    std::vector<std::string> counters, logLines;
    std::size_t flushed = 0; // how much of shown had been flushed at the last flush
    std::function<void()> onCounter;
    std::function<void(const TEntryReport&)> onEntryDone;

    void AskForSettings() override { shown.push_back("settings"); }

    std::string Subject() const override { return subject; }
    TStringList BodyParagraphs() const override { return body; }
    int FormatIndex() const override { return formatIndex; }
    std::string AttachmentPath() const override { return attachmentRead ? attachmentRead() : attachment; }

    void ShowState(const std::string& text) override { shown.push_back("state:" + text); }
    void ShowCounter(const std::string& text) override
    {
        shown.push_back("counter:" + text);
        counters.push_back(text);
        if (onCounter)
            onCounter();
    }
    void ShowNotice(const std::string& text) override { shown.push_back("notice:" + text); }
    void ShowLogWindow() override { shown.push_back("logwindow"); }
    void ClearLog() override
    {
        shown.push_back("clearlog");
        logLines.clear();
    }
    void AppendLogLine(const std::string& line) override
    {
        shown.push_back("log:" + line.substr(line.find(": ") + 2));
        logLines.push_back(line);
    }
    void Flush() override { flushed = shown.size(); }
    void EntryDone(const TEntryReport& report) override
    {
        if (onEntryDone)
            onEntryDone(report);
    }

    // What was shown with the prefix, without it, in order.
    std::vector<std::string> Only(const std::string& prefix) const
    {
        std::vector<std::string> result;
        for (const std::string& item : shown)
            if (item.rfind(prefix, 0) == 0)
                result.push_back(item.substr(prefix.size()));
        return result;
    }
};
