// SPDX-License-Identifier: GPL-3.0-or-later
// What a send job settles before it calls the server: which job it is (a new one, or an
// unfinished one it continues), whether the person wants it, and whether the message can
// go out at all.
#include "workflow/job/SendJob.h"

#include "workflow/compose/MessageComposer.h"
#include "workflow/job/JobFingerprint.h"
#include "workflow/job/JobMessages.h"
#include "workflow/program/ProgramState.h"
#include "workflow/ui/UserInterface.h"

#include <QFileInfo>

#include <algorithm>

namespace {

bool Blank(const std::string& text)
{
    return text.find_first_not_of(" \t") == std::string::npos;
}

bool HasNoText(const TStringList& paragraphs)
{
    for (int i = 0; i < paragraphs.Count(); ++i)
        if (!Blank(paragraphs[i]))
            return false;
    return true;
}

}

// The job this run records into: 0 for a new one, the id of the unfinished job of the
// same list and message it continues; nothing when the person declined.
std::optional<std::int64_t> TSendJob::ChooseJob(const TJobStart& start)
{
    std::optional<TResumePoint> earlier;
    FMessageHash.clear();
    FAttachmentAtStart.clear();
    if (TDeliveryHistory* history = FLedger.History()) {
        FAttachmentAtStart = FMessage.AttachmentPath();
        FMessageHash =
            MessageHash(FComposer->Subject(), FComposer->Paragraphs(), FComposer->Html(), FAttachmentAtStart);
        earlier = history->FindUnfinished(ListHash(FEntries.Rows), FMessageHash);
    }
    const int recipients = static_cast<int>(std::count_if(FEntries.Rows.begin(), FEntries.Rows.end(),
                                                          [](const std::string& entry) { return !entry.empty(); }));
    if (!earlier)
        return !start.Confirm || Confirmed(recipients, start) ? std::optional<std::int64_t>(0) : std::nullopt;
    const int undelivered = recipients - static_cast<int>(earlier->deliveredPositions.size());
    switch (start.Resume) {
    case TResumeChoice::Continue:
        if (start.Confirm && !Confirmed(undelivered, start))
            return std::nullopt;
        FProgress.ContinuesJob(earlier->job);
        return earlier->job.id;
    case TResumeChoice::Restart:
        return !start.Confirm || Confirmed(recipients, start) ? std::optional<std::int64_t>(0) : std::nullopt;
    case TResumeChoice::Ask: break;
    }
    // Choosing how to go on is the person's consent: the job is not asked about again.
    switch (UserInterface().Ask(Messages::ResumeQuestion(earlier->job), Messages::ResumeAnswers())) {
    case 0: return earlier->job.id;
    case 1: return 0;
    default: return std::nullopt;
    }
}

bool TSendJob::Confirmed(int recipients, const TJobStart& start)
{
    const int suppressed = Limits.SuppressedCount(FEntries.Rows); // suppressions and empty fields
    const std::string question = SendNotices() + Messages::NotAddressesWarning(FEntries.Rows)
        + Messages::SendConfirmation(std::max(0, recipients - suppressed), Blank(FComposer->Subject()),
                                     HasNoText(FComposer->Paragraphs()));
    const int answer = UserInterface().Ask(question, Messages::SendAnswers(start.OfferLater));
    FLaterChosen = start.OfferLater && answer == 1;
    return answer == 0;
}

TNewJob TSendJob::NewJob(const TJobStart& start) const
{
    const std::string& attachment = FAttachmentAtStart;
    return {start.ListFile,
            FComposer->Subject(),
            FMessageHash,
            FEntries.Rows,
            FComposer->Html() ? "HTML" : "text",
            attachment.empty() ? std::string()
                               : QFileInfo(QString::fromStdString(attachment)).fileName().toStdString()};
}

void TSendJob::RecordUnreached(const TJobStart& start, const std::string& reason)
{
    // The history's own failure is not worth a second message over the first.
    try {
        if (TDeliveryHistory* history = FLedger.History())
            history->RecordUnreachedJob(NewJob(start), reason);
    } catch (const std::exception&) {
    }
}

void TSendJob::BeginRecording(const TJobStart& start, std::int64_t earlierJob)
{
    if (earlierJob)
        FLedger.Continue(earlierJob, FEntries.Rows);
    else
        FLedger.Begin(NewJob(start));
    FProgress.ShowCounts(FLedger.Counts());
    if (FLedger.Counts().Delivered > 0)
        ShowDeliveredCount();
}
