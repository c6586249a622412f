// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/program/Draft.h"

#include <QObject>
#include <QTimer>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class TListBox;
class TListFields;
class TRadioGroup;

// The main window's fields that hold the user's work.
struct TDraftFields {
    TListBox& Entries;
    TListBox& Labels;
    TListFields& Fields;                // changes only together with Entries
    std::function<std::string()> Label; // for entries put back without their labels
    QLineEdit& Subject;
    QPlainTextEdit& Body;
    std::function<std::string()> BodyText; // line breaks CR LF
    std::function<void(const std::string&)> SetBodyText;
    QLineEdit& Attachment;
    TRadioGroup& Format;
};

// Keeps the work in the main window between runs: the recipient list with its labels (and
// the columns of a list read from an address book), the subject, the body, the attachment
// and the format. The draft is put back at start and written at close, and also a few
// seconds after a change, so that a crash or a power cut loses at most those seconds.
// Writing a list costs about a second per 100 MB, so a long list waits for the close
// instead of stopping the user every few seconds.
class TDraftKeeper : public QObject {
public:
    // Lists up to this many entries are written on the way; longer ones at close.
    static constexpr int ListWrittenOnTheWay = 100000;

    explicit TDraftKeeper(TDraftFields fields);

    // Puts the draft into the window; what the window then holds counts as written.
    void Restore();
    // The window holds work that came from elsewhere (the files of a command line that
    // sends): it is written only once the user changes something, so that such a run
    // leaves the draft of the user's own work alone.
    void HoldUntilChanged();
    // Writes what is not in the draft yet; atClose also writes a long list. Raises
    // EFCreateError when the draft's folder or files cannot be written.
    void Save(bool atClose);
    // Some change waits for the next save.
    bool Pending() const { return FArmed && !(FListWritten && FMessageWritten); }

    // How long after a change the draft is written, in milliseconds.
    int SaveDelay = 3000;
    TDraftStore& Store() { return FStore; }

private:
    void WatchWindow();
    void Changed(bool list);
    void SaveOnTheWay();
    TDraftMessage Message() const;
    TRecipientList Recipients() const;

    TDraftFields FWindow;
    TDraftStore FStore;
    QTimer FTimer;
    bool FListWritten = true;
    bool FMessageWritten = true;
    bool FArmed = true;
};
