// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SendCommand.h"

#include "cli/DryRun.h"
#include "cli/FileMessage.h"
#include "cli/FindSettingsCommand.h"
#include "cli/InterruptWatch.h"
#include "cli/SendOptions.h"
#include "cli/SendOutput.h"
#include "cli/SendTexts.h"
#include "cli/TerminalUserInterface.h"
#include "keyring/KeyringPasswords.h"
#include "mail/SmtpClient.h"
#include "signin/OAuthSignIn.h"
#include "workflow/account/SignInMessages.h"
#include "workflow/compose/MessageText.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/JobMessages.h"
#include "workflow/job/SendSchedule.h"
#include "workflow/limits/LimitMessages.h"
#include "workflow/limits/SuppressionList.h"
#include "workflow/lists/ListFields.h"
#include "workflow/lists/ListReport.h"
#include "workflow/lists/RecipientList.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramState.h"
#include "workflow/settings/IntegerText.h"
#include "workflow/settings/Settings.h"
#include "workflow/settings/SettingsStore.h"
#include "workflow/settings/StoredSettings.h"

#include <QFileInfo>
#include <cstdio>

namespace {

// Installs the terminal's seam for the command's run.
class TInstalledUi {
public:
    explicit TInstalledUi(TUserInterface& ui) : FPrevious(SetUserInterface(&ui)) { }
    ~TInstalledUi() { SetUserInterface(FPrevious); }
    TInstalledUi(const TInstalledUi&) = delete;
    TInstalledUi& operator=(const TInstalledUi&) = delete;

private:
    TUserInterface* FPrevious;
};

// The list and the message as the window's open commands read them.
struct TJobFiles {
    TRowsColumn Entries;
    TRowsColumn Labels;
    TListFields Fields;
    TFileMessage Message;
};

void LoadFiles(const TSendOptions& options, TJobFiles& files)
{
    TRecipientList list(files.Entries, files.Labels, &files.Fields);
    ReportListLoading(options.RecipientsFile, list.LoadFromFile(options.RecipientsFile, {}));
    const TDecodedText message = LoadMessageFile(options.MessageFile);
    ReportLossyLoading(options.MessageFile, message.Decoding);
    files.Message.Paragraphs.SetText(message.Text);
    files.Message.SubjectText = options.Subject;
    files.Message.Html = options.Html;
    // The window leaves out an attachment that is not there; asked for by name, it is an error.
    if (!options.Attachment.empty() && !QFileInfo(QString::fromStdString(options.Attachment)).isFile())
        throw EFOpenError(options.Attachment);
    files.Message.Attachment = options.Attachment;
}

TProgressStyle StyleFor(const TSendOptions& options)
{
    if (options.Quiet)
        return TProgressStyle::None;
    return TTerminalUserInterface::OutputIsTerminal() ? TProgressStyle::Line : TProgressStyle::Entries;
}

void PrintError(const std::string& text)
{
    std::fprintf(stderr, "%s\n", TTerminalUserInterface::TerminalLines(text).c_str());
}

// The job's end as the window would put it, unless the job has said it already (a job
// ended at once says nothing in the window; here its counts are still worth a line), and
// the entries that did not get the message.
void Summarise(const TJobResult& result, const TTerminalProgress& progress, const TTerminalUserInterface& ui)
{
    const std::string summary = result.End == TJobEnd::Canceled ? Messages::JobStopped(result.Counts) : result.Message;
    if (!summary.empty() && summary != ui.LastMessage())
        PrintError(summary);
    if (const auto& earlier = progress.Continued())
        PrintError(SendTexts::ThisRun(progress.RunCounts(), earlier->delivered));
    if (result.HeldForEmptyFields)
        PrintError(SendTexts::EmptyFieldsHeld());
    const std::vector<TEntryReport> left = progress.NotDelivered();
    if (left.empty())
        return;
    PrintError(SendTexts::NotDeliveredHeading());
    for (const TEntryReport& report : left)
        PrintError("  " + EntryLine(report));
}

// --at: the wait before the job, which Ctrl-C ends.
bool WaitForStart(const TSendOptions& options, const TInterruptWatch& interrupts)
{
    const std::optional<QDateTime> start = ParseStartTime(options.At, QDateTime::currentDateTime());
    if (!start)
        return true;
    PrintError(SendTexts::WaitingToStart(Messages::MomentText(start->toMSecsSinceEpoch())));
    return WaitUntilMoment(
        start->toMSecsSinceEpoch(), [] { return QDateTime::currentMSecsSinceEpoch(); },
        [&interrupts](int) { return interrupts.Count() == 0; });
}

int Send(const TSendOptions& options, TJobFiles& files, TSendSettings& settings, TTerminalUserInterface& ui)
{
    TTerminalProgress progress(stdout, StyleFor(options));
    TSmtpClient smtp;
    THistoryAccess history;
    TKeyringPasswords keyring;
    TOAuthSignIn oauth(&keyring, false);
    TSendJob job(smtp, files.Entries, files.Message, settings, progress, &history);
    job.SetListFields(&files.Fields);
    TSuppressionList suppressions;
    job.SetSuppressions(&suppressions);
    job.Passwords().SetKeeper(&keyring);
    job.SetOAuthTokens(&oauth);
    job.AskAgainAfterRefusedLogin = false;

    TInterruptWatch interrupts;
    interrupts.OnFirst = [&] {
        progress.Finish();
        PrintError(SendTexts::Stopping());
        job.Stop();
    };
    interrupts.OnAgain = [&] { job.Cancel(); };
    // Said before anything is sent: the server may get no message at all this time.
    progress.OnContinues = [&](const TJobSummary& earlier) {
        PrintError(SendTexts::ContinuesJob(earlier, options.RecipientsFile));
    };
    ui.SetInterruptHandle(interrupts.Handle());
    ui.SetBeforeMessage([&] { progress.Finish(); });

    if (!options.At.empty() && !WaitForStart(options, interrupts))
        return SendExit::Interrupted;
    TJobStart start;
    start.Confirm = false;
    start.WaitForLimits = !options.NoWait;
    start.IgnoreSuppressions = options.IgnoreSuppressions;
    start.AllowEmptyFields = options.AllowEmptyFields;
    start.Resume = options.Restart ? TResumeChoice::Restart : TResumeChoice::Continue;
    start.ListFile = QFileInfo(QString::fromStdString(options.RecipientsFile)).absoluteFilePath().toStdString();
    const TJobResult result = job.Run(start);
    job.Passwords().Forget();
    ui.SetInterruptHandle(-1);
    ui.SetBeforeMessage({});
    progress.Finish();
    Summarise(result, progress, ui);
    return ExitStatusFor(result, interrupts.Count() > 0);
}

// The browser sign-in, once, so that later runs refresh their tokens without a person.
int SignIn(TTerminalUserInterface& ui)
{
    const TStoredSendSettings settings;
    TKeyringPasswords keyring;
    TOAuthSignIn oauth(&keyring, true);
    const TSettings values = settings.Values();
    const TOAuthAccount account{values.UserID, values.Host, WithPreset(SignInOf(values)), values.TimeOut};
    ui.ShowMessage(Messages::SignedIn(oauth.SignIn(account)));
    return SendExit::AllDelivered;
}

int Run(const TSendOptions& options, TTerminalUserInterface& ui)
{
    if (options.SignIn)
        return SignIn(ui);
    TStoredSendSettings settings(
        [&ui] { ui.ShowMessage(SendTexts::SettingsIncomplete(SettingsFileName(SettingsKey))); });
    TJobFiles files;
    LoadFiles(options, files);
    if (options.Preview)
        return PrintFirstMessageAsRead(files.Entries, files.Fields, files.Message, settings, stdout)
            ? SendExit::AllDelivered
            : SendExit::Failed;
    if (options.DryRun)
        return PrintFirstMessage(files.Entries, files.Fields, files.Message, settings, stdout) ? SendExit::AllDelivered
                                                                                               : SendExit::Failed;
    return Send(options, files, settings, ui);
}

} // namespace

int ExitStatusFor(const TJobResult& result, bool interrupted)
{
    if (result.End == TJobEnd::Finished)
        return result.Counts.Delivered + result.Counts.Suppressed == result.Counts.Total ? SendExit::AllDelivered
                                                                                         : SendExit::NotAllDelivered;
    if (result.End == TJobEnd::PausedByLimit)
        return SendExit::PausedByLimit;
    // Only Ctrl-C stops a job here; the reason a job did not start or broke off may also be
    // the interrupt (a password prompt given up).
    if (interrupted || result.End == TJobEnd::Stopped || result.End == TJobEnd::Canceled)
        return SendExit::Interrupted;
    return SendExit::Failed;
}

int RunSendCommand(const QStringList& arguments)
{
    TTerminalUserInterface ui;
    const TInstalledUi installed(ui);
    try {
        CurrentLanguage = ReadSetting(&TSettings::Language);
    } catch (const std::exception&) {
        // A settings file that cannot be read is reported when the settings are read.
    }
    const TParsedOptions parsed = ParseSendOptions(arguments);
    if (!parsed.Error.empty()) {
        PrintError(parsed.Error);
        PrintError(SendTexts::TryHelp());
        return SendExit::Failed;
    }
    if (parsed.Options.Help || parsed.Options.Version) {
        std::fputs((parsed.Options.Help ? SendUsage() : SendVersion()).c_str(), stdout);
        return SendExit::AllDelivered;
    }
    try {
        if (!parsed.Options.FindSettings.empty())
            return RunFindSettings(parsed.Options, ui) ? SendExit::AllDelivered : SendExit::Failed;
        return Run(parsed.Options, ui);
    } catch (const std::exception& error) {
        ui.ShowError(error.what());
        return SendExit::Failed;
    }
}
