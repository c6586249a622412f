// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <string>
#include <vector>

class TRecipientList;

// The message part of the work in the main window.
struct TDraftMessage {
    std::string subject;
    std::string body;       // line breaks CR LF, as the window's body text has them
    std::string attachment; // the attachment path as shown, empty for none
    int format = 0;         // 0 text, 1 HTML
    bool operator==(const TDraftMessage&) const = default;
};

// The user's unfinished work, kept between runs in a folder of its own: "draft.json" holds
// the message and names the files that hold the recipient list, its labels and, for a list
// read from an address book, its columns and values, which the list writes and reads
// itself (so whatever the list keeps per entry travels with it).
// A save writes the list's files under new names first and replaces "draft.json" last, in
// one rename, so a crash at any moment leaves either the earlier draft or the new one whole.
class TDraftStore {
public:
    explicit TDraftStore(std::string folder);

    // Saves the message, and with a list also the list; without one the draft keeps the
    // list saved last. Raises EFCreateError when the folder or a file cannot be written.
    void Save(const TDraftMessage& message, const TRecipientList* list);
    // Puts the draft's list into `list` (labels as they were saved, or `label` for each
    // entry when they are lost) and returns the draft's message. Without a readable draft
    // it returns nothing and leaves the list alone.
    std::optional<TDraftMessage> Restore(TRecipientList& list, const std::string& label);

    const std::string& Folder() const { return FFolder; }
    std::string FileName() const { return FFolder + "draft.json"; }

private:
    void RemoveListFilesBut(const std::vector<std::string>& kept) const;

    std::string FFolder;
    // The list files the draft names now; empty until something names them.
    std::string FRecipientsFile;
    std::string FLabelsFile;
    std::string FFieldsFile; // empty for a list without columns
};

// The draft's folder in the per-user data folder, with a trailing separator.
std::string DraftFolder();
