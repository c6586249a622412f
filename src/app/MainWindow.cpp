// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/DraftKeeper.h"
#include "app/Guard.h"
#include "app/HistoryWindow.h"
#include "app/ImportHelpWindow.h"
#include "app/Language.h"
#include "app/ListStatusBar.h"
#include "app/MessagePreviewWindow.h"
#include "app/SendLater.h"
#include "app/SendLogWindow.h"
#include "app/SettingsDialog.h"
#include "app/SuppressionWindow.h"
#include "app/Widgets.h"
#include "workflow/compose/MessageText.h"
#include "workflow/job/JobMessages.h"
#include "workflow/limits/LimitMessages.h"
#include "workflow/lists/ListReport.h"
#include "workflow/program/ProgramFolder.h"
#include "workflow/program/ProgramState.h"
#include "workflow/settings/Settings.h"
#include "workflow/ui/Messages.h"
#include "workflow/ui/UserInterface.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <utility>

namespace {

const char* const FileFilter = "*.txt|*.txt|*.*|*.*";
// A list with columns saves as text or as CSV; text files stay the first choice.
const char* const ListFileFilter = "*.txt|*.txt|*.csv|*.csv|*.*|*.*";

// Recipient lists may also be address-book exports: a further choice after the usual two.
std::string OpenListFilter()
{
    return std::string(FileFilter) + "|" + Lang("Imeniki", "Address books") + "|*.csv;*.tsv";
}

// Runs a shared dialog with a filter of its own for this one command; every other
// command keeps the usual one.
bool ExecuteWithFilter(TFileDialog& dialog, const std::string& filter)
{
    const std::string usual = std::exchange(dialog.Filter, filter);
    const auto restore = qScopeGuard([&dialog, &usual] { dialog.Filter = usual; });
    return dialog.Execute();
}

bool IsCsvName(const std::string& fileName)
{
    return QFileInfo(QString::fromStdString(fileName)).suffix().compare("csv", Qt::CaseInsensitive) == 0;
}

std::string Text(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

QString QText(const std::string& text)
{
    return QString::fromStdString(text);
}

bool IsFile(const QString& path)
{
    return QFileInfo(path).isFile();
}

}

TMainWindow::TMainWindow(QStringList arguments) : FArguments(std::move(arguments))
{
    BuildWindow();
    openDialog.Title = "Varnolt Pelmar - Open file";
    openDialog.Filter = FileFilter;
    saveDialog.Title = "Varnolt Pelmar - Save file";
    saveDialog.Filter = FileFilter;
    saveDialog.DefaultExt = "txt";
    siteStatusBar->SetPanelText(0, MakerLine);
    ApplyInitialMainWindowTexts(*this);
    WireCommands();
    WireControls();
    WirePreview();
    WireListStatus();
    WireKeys();
    FDraft = std::make_unique<TDraftKeeper>(TDraftFields{
        *recipientList, *labelColumn, recipientFields, [this] { return addRecipientButton->text().toStdString(); },
        *subjectEdit, *bodyEdit, [this] { return BodyText(); }, [this](const std::string& text) { SetBodyText(text); },
        *attachmentEdit, *formatChoice});
    Guard([this] { RestoreWindowState(); });
}

TMainWindow::~TMainWindow() = default;

void TMainWindow::SetPeers(const TMainWindowPeers& peers)
{
    FPeers.emplace(peers);
}

// A command's error ends that command only and is shown in the standard error box.
template <typename Command>
static auto Guarded(TMainWindow* window, Command command)
{
    return [window, command] { Guard([window, command] { (window->*command)(); }); };
}

void TMainWindow::WireCommands()
{
    const std::pair<QAction*, void (TMainWindow::*)()> commands[] = {
        {openRecipientFileAction, &TMainWindow::openRecipientFile},
        {openMessageFileAction, &TMainWindow::openMessageFile},
        {previewHtmlAction, &TMainWindow::previewHtml},
        {previewMessageAction, &TMainWindow::previewMessage},
        {clearRecipientsAction, &TMainWindow::clearRecipients},
        {saveRecipientFileAction, &TMainWindow::saveRecipientFile},
        {saveMessageFileAction, &TMainWindow::saveMessageFile},
        {showImportHelpAction, &TMainWindow::showImportHelp},
        {sendToListAction, &TMainWindow::sendToList},
        {stopSendingAction, &TMainWindow::stopSending},
        {sendLaterAction, &TMainWindow::sendLater},
        {showSuppressionsAction, &TMainWindow::showSuppressions},
        {showHistoryAction, &TMainWindow::showHistory},
        {exitProgramAction, &TMainWindow::exitProgram},
        {useSlovenianAction, &TMainWindow::useSlovenian},
        {useEnglishAction, &TMainWindow::useEnglish},
        {showSettingsAction, &TMainWindow::showSettings},
        {showHelpAction, &TMainWindow::showHelp},
        {openWebSiteAction, &TMainWindow::openWebSite},
        {openForumAction, &TMainWindow::openForum},
        {showAboutAction, &TMainWindow::showAbout},
        {addRecipientAction, &TMainWindow::addRecipient},
        {deleteRecipientAction, &TMainWindow::deleteRecipient},
        {pickAttachmentAction, &TMainWindow::pickAttachment},
        {clearAttachmentAction, &TMainWindow::clearAttachment},
        {undoListAction, &TMainWindow::undoListChange}};
    for (const auto& [action, command] : commands)
        connect(action, &QAction::triggered, this, Guarded(this, command));
}

// Every button, double click and key that runs a command triggers the command's action.
void TMainWindow::WireControls()
{
    const auto trigger = [](QAction* action) { return [action] { action->trigger(); }; };
    const std::pair<QAbstractButton*, QAction*> buttons[] = {{sendButton, sendToListAction},
                                                             {stopButton, stopSendingAction},
                                                             {previewButton, previewMessageAction},
                                                             {openMessageButton, openMessageFileAction},
                                                             {openRecipientsButton, openRecipientFileAction},
                                                             {slovenianButton, useSlovenianAction},
                                                             {englishButton, useEnglishAction},
                                                             {settingsButton, showSettingsAction},
                                                             {settingsMenuButton, showSettingsAction},
                                                             {webSiteButton, openWebSiteAction},
                                                             {addRecipientButton, addRecipientAction},
                                                             {pickAttachmentButton, pickAttachmentAction},
                                                             {clearAttachmentButton, clearAttachmentAction}};
    for (const auto& [button, action] : buttons)
        connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
    connect(clearRecipientsPopupRow, &QAction::triggered, clearRecipientsAction, &QAction::trigger);
    connect(stopSendingAction, &QAction::enabledChanged, stopButton, &QWidget::setEnabled);
    connect(openMessageFileAction, &QAction::enabledChanged, openMessageButton, &QWidget::setEnabled);
    // The choice goes to the store as soon as it is made, since every activation reads it
    // back from there: a return from the log window must not undo it.
    for (int item = 0; item < 2; ++item)
        connect(formatChoice->Item(item), &QRadioButton::toggled, this, [this](bool chosen) {
            if (chosen)
                Guard([this] { WriteSetting(&TSettings::Format, formatChoice->ItemIndex()); });
        });

    siteStatusBar->OnClick = trigger(openWebSiteAction);
    OnDoubleClick(recipientList->viewport(), trigger(openRecipientFileAction));
    OnDoubleClick(addressEdit, trigger(addRecipientAction));
    OnDoubleClick(bodyEdit->viewport(), trigger(openMessageFileAction));
    OnClick(attachmentEdit, trigger(pickAttachmentAction));
    connect(addressEdit, &QLineEdit::returnPressed, addRecipientAction, &QAction::trigger);
    HookEvents(addressEdit, [this](QEvent* event) {
        // Only a move to another control of this window counts as leaving the field,
        // not the window losing the focus or a menu opening.
        if (event->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                Guard([this] { AddTypedAddress(); });
        }
        return false;
    });
    HookEvents(recipientList, [this](QEvent* event) {
        if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete)
            deleteRecipientAction->trigger();
        return false;
    });
    connect(recipientList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { recipientListMenu->popup(recipientList->viewport()->mapToGlobal(at)); });
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &TMainWindow::FocusWindowChanged);
}

// ---- Life cycle -------------------------------------------------------------------------

void TMainWindow::RestoreWindowState()
{
    WebSiteAddress = ProgramSiteUrl;
    MakerSiteAddress = MakerSiteUrl;
    const int left = ReadSetting(&TSettings::Left);
    const int top = ReadSetting(&TSettings::Top);
    move(left, top);
    const int width = ReadSetting(&TSettings::Width);
    const int height = ReadSetting(&TSettings::Height);
    resize(width, height);
    CurrentLanguage = ReadSetting(&TSettings::Language);
}

// A command line that sends is a job given by its files alone: no list, subject or
// attachment of an earlier run may slip into it. Otherwise the files it names replace the
// list and the body put back from the draft.
void TMainWindow::RunCommandLine()
{
    const bool sends = FArguments.size() > 2 && FArguments[2] == "send";
    if (!sends)
        Guard([this] { FDraft->Restore(); });
    if (FArguments.size() < 2)
        return;
    {
        // What a sending command line loads is not the user's own work, also when one of
        // its files cannot be read.
        const auto hold = qScopeGuard([this, sends] {
            if (sends)
                FDraft->HoldUntilChanged();
        });
        if (IsFile(FArguments[0]))
            LoadRecipientFile(FArguments[0].toStdString());
        if (IsFile(FArguments[1]))
            LoadMessageFileIntoBody(FArguments[1].toStdString());
    }
    // The command line continues an unfinished job of the same list and message without
    // asking: nobody may be at the screen.
    if (sends) {
        FPeers->SettingsDialog.LoadStoredSettings();
        RunSendJob({false, TResumeChoice::Continue, FListFile});
    }
}

void TMainWindow::RefreshOnActivation()
{
    ++FActivations;
    addressEdit->setFocus(Qt::OtherFocusReason);
    ShowLanguage();
    TSettingsDialog& settings = FPeers->SettingsDialog;
    settings.LoadStoredSettings();
    openDialog.InitialDir = ReadSetting(&TSettings::Folder);
    formatChoice->SetItemIndex(ReadSetting(&TSettings::Format));
    if (!settings.AccountComplete()) {
        UserInterface().ShowMessage(Messages::Welcome());
        UserInterface().ExecModal(settings);
    }
}

void TMainWindow::SaveWindowState()
{
    FPeers->SendJob.Cancel();
    WriteSetting(&TSettings::Present, "ja");
    WriteSetting(&TSettings::Language, CurrentLanguage);
    WriteSetting(&TSettings::Left, x());
    WriteSetting(&TSettings::Top, y());
    WriteSetting(&TSettings::Width, width());
    WriteSetting(&TSettings::Height, height());
    WriteSetting(&TSettings::Version, ProgramVersion);
    if (!openDialog.FileName.empty())
        WriteSetting(&TSettings::Folder, ExtractFilePath(openDialog.FileName));
    WriteSetting(&TSettings::Format, formatChoice->ItemIndex());
}

void TMainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    Guard([this] { RunCommandLine(); });
}

void TMainWindow::closeEvent(QCloseEvent* event)
{
    if (!ScheduleDropped()) {
        event->ignore();
        return;
    }
    // The state is saved and the preview file removed even when saving fails part way:
    // the program must still be able to end.
    Guard([this] { SaveWindowState(); });
    Guard([this] { FDraft->Save(true); });
    Guard([] { RemovePreviewFile(); });
    event->accept();
    if (OnClosed)
        OnClosed();
}

// The activation handler runs when the window first becomes active and whenever the user
// comes back to it from the log window or the import help; not after a modal dialog or a
// message box, and not when coming back from another program.
void TMainWindow::FocusWindowChanged(QWindow* window)
{
    if (!window)
        return;
    QWindow* previous = FLastFocusWindow;
    FLastFocusWindow = window;
    if (window != windowHandle())
        return;
    const auto handleOf = [](QWidget& widget) { return widget.windowHandle(); };
    const bool fromAuxiliary =
        previous && (previous == handleOf(FPeers->SendLogWindow) || previous == handleOf(FPeers->ImportHelpWindow));
    if (FActivated && !fromAuxiliary)
        return;
    FActivated = true;
    // Run after the activation has been delivered, not inside the focus notification.
    QTimer::singleShot(0, this, [this] { Guard([this] { RefreshOnActivation(); }); });
}

void TMainWindow::ShowLanguage()
{
    ApplyLanguage(*this, FPeers->SettingsDialog);
    listStatusBar->ShowLanguage();
    FPeers->SettingsDialog.MarkNeededFields();
    FPeers->HistoryWindow.ShowLanguage();
    FPeers->ImportHelpWindow.ShowLanguage();
    previewWindow->ShowLanguage();
    siteStatusBar->SetPanelText(1, QText(WebSiteAddress));
    if (FPeers->SendJob.Running())
        sendStatusBar->SetPanelText(0, QText(Messages::EditingResumes()));
}

// ---- Send --------------------------------------------------------------------------------

void TMainWindow::sendToList()
{
    TJobStart start{true, TResumeChoice::Ask, FListFile};
    start.OfferLater = true;
    // "Send later…" in the question is the File menu's command, asked once the job has let go.
    if (RunSendJob(start).LaterChosen)
        sendLater();
}

TJobResult TMainWindow::RunSendJob(const TJobStart& start)
{
    TSendJob& job = FPeers->SendJob;
    if (job.Running())
        return {};
    ShowSending(true);
    const auto ended = qScopeGuard([this] { ShowSending(false); });
    return job.Run(start);
}

// Stop can be used while a job runs, and only then. The job takes the subject and the text
// once, at its start, so they cannot be changed until it ends: a change would look sent.
void TMainWindow::ShowSending(bool sending)
{
    stopSendingAction->setEnabled(sending);
    subjectEdit->setReadOnly(sending);
    bodyEdit->setReadOnly(sending);
    openMessageFileAction->setEnabled(!sending);
    sendStatusBar->SetPanelText(0, sending ? QText(Messages::EditingResumes()) : QString());
}

void TMainWindow::stopSending()
{
    FPeers->SendJob.Stop();
}

void TMainWindow::sendLater()
{
    if (!FSendLaterDialog) {
        FSendLaterDialog = new TSendLaterDialog(this);
        FScheduledSend = new TScheduledSend(this);
        FScheduledSend->OnTick = [this](const std::string& text) {
            sendStatusBar->SetPanelText(0, QString::fromStdString(text));
        };
        FScheduledSend->OnStart = [this] {
            Guard([this] { RunSendJob({false, TResumeChoice::Continue, FListFile}); });
        };
    }
    if (const std::optional<QDateTime> moment = FSendLaterDialog->AskMoment())
        FScheduledSend->Schedule(*moment);
}

void TMainWindow::showSuppressions()
{
    if (!FPeers->Suppressions)
        return;
    if (!FSuppressionWindow)
        FSuppressionWindow =
            new TSuppressionWindow(this, *FPeers->Suppressions, [this] { return FPeers->SettingsDialog.Email(); });
    FSuppressionWindow->Refresh();
    FSuppressionWindow->show();
    FSuppressionWindow->raise();
    FSuppressionWindow->activateWindow();
}

// A job waiting for its moment goes with the program only when the person says so.
bool TMainWindow::ScheduleDropped()
{
    if (!FScheduledSend || !FScheduledSend->Scheduled())
        return true;
    const std::string question = Lang("Pošiljanje čaka na ", "Sending waits for ")
        + Messages::MomentText(FScheduledSend->Moment().toMSecsSinceEpoch())
        + Lang(". Ga opustim in končam?", ". Drop it and exit?");
    if (UserInterface().Ask(question, {Lang("Opusti in končaj", "Drop and exit"), Lang("Prekliči", "Cancel")}) != 0)
        return false;
    FScheduledSend->Drop();
    return true;
}

std::string TMainWindow::Subject() const
{
    return Text(subjectEdit);
}

TStringList TMainWindow::BodyParagraphs() const
{
    TStringList paragraphs;
    paragraphs.SetText(BodyText());
    return paragraphs;
}

int TMainWindow::FormatIndex() const
{
    return formatChoice->ItemIndex();
}

std::string TMainWindow::AttachmentPath() const
{
    return Text(attachmentEdit);
}

// ---- Recipient list ----------------------------------------------------------------------

TRecipientList TMainWindow::Recipients()
{
    return TRecipientList(*recipientList, *labelColumn, &recipientFields);
}

void TMainWindow::openRecipientFile()
{
    if (ExecuteWithFilter(openDialog, OpenListFilter()))
        LoadRecipientFile(openDialog.FileName);
}

void TMainWindow::LoadRecipientFile(const std::string& fileName)
{
    ReportListLoading(fileName, Recipients().LoadFromFile(fileName, addRecipientButton->text().toStdString()));
    FListFile = fileName;
}

void TMainWindow::AddTypedAddress()
{
    Recipients().Add(Text(addressEdit), addRecipientButton->text().toStdString());
    addressEdit->clear();
}

void TMainWindow::addRecipient()
{
    AddTypedAddress();
    addressEdit->setFocus(Qt::OtherFocusReason);
}

void TMainWindow::deleteRecipient()
{
    const int selected = recipientList->ItemIndex();
    if (selected < 0)
        return;
    const QString entry = recipientList->Items().value(selected);
    UndoableListChange([this] { Recipients().DeleteSelected(); },
                       QString::fromUtf8(Lang("Izbrisano: ", "Deleted: ")) + entry);
}

void TMainWindow::clearRecipients()
{
    const QString count = QString::fromStdString(Messages::GroupedNumber(recipientList->count()));
    UndoableListChange(
        [this] {
            Recipients().Clear();
            FListFile.clear();
        },
        QString::fromUtf8(Lang("Seznam je zbrisan (vnosov: ", "The list was cleared (entries: ")) + count + ")");
}

// A list with columns can go back into a CSV file with them: the name's extension
// chooses, and the dialog offers "*.csv" (whose choice makes it the default extension).
// A plain list saves as it always did, whatever the name.
void TMainWindow::saveRecipientFile()
{
    const TRecipientList list = Recipients();
    if (!ExecuteWithFilter(saveDialog, list.HasColumns() ? ListFileFilter : FileFilter))
        return;
    if (list.HasColumns() && IsCsvName(saveDialog.FileName))
        list.SaveAsTableToFile(saveDialog.FileName);
    else
        list.SaveToFile(saveDialog.FileName);
}

// ---- Message and attachment --------------------------------------------------------------

std::string TMainWindow::BodyText() const
{
    QString text = bodyEdit->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, "\r\n").replace(QChar::LineSeparator, "\r\n");
    return text.toStdString();
}

void TMainWindow::SetBodyText(const std::string& text)
{
    bodyEdit->setPlainText(QText(ToCrLf(text)).replace("\r\n", "\n"));
}

void TMainWindow::openMessageFile()
{
    // The file is read before the body is replaced, so a file that cannot be read
    // leaves the body as it was.
    if (openDialog.Execute())
        LoadMessageFileIntoBody(openDialog.FileName);
}

void TMainWindow::LoadMessageFileIntoBody(const std::string& fileName)
{
    const TDecodedText loaded = LoadMessageFile(fileName);
    SetBodyText(loaded.Text);
    ReportLossyLoading(fileName, loaded.Decoding);
}

void TMainWindow::saveMessageFile()
{
    if (saveDialog.Execute())
        SaveMessageText(saveDialog.FileName, BodyText());
}

void TMainWindow::pickAttachment()
{
    if (openDialog.Execute())
        attachmentEdit->setText(QText(openDialog.FileName));
}

void TMainWindow::clearAttachment()
{
    attachmentEdit->clear();
}

void TMainWindow::previewHtml()
{
    OpenOnDesktop(WritePreviewFile(BodyText()));
}

// ---- Preview of the message for one recipient ---------------------------------------------

void TMainWindow::previewMessage()
{
    previewWindow->Refresh();
    previewWindow->show();
    previewWindow->raise();
    previewWindow->activateWindow();
}

TMessagePreview TMainWindow::PreviewForSelection() const
{
    return PreviewMessage(*this, *recipientList, &recipientFields, recipientList->ItemIndex());
}

// The preview follows whatever it shows: the selection, the list, the subject, the body
// and the format.
void TMainWindow::WirePreview()
{
    previewWindow = new TMessagePreviewWindow(
        this, [this] { return PreviewForSelection(); }, [this](int step) { StepPreview(step); });
    const auto refresh = [this] { previewWindow->RefreshSoon(); };
    QAbstractItemModel* rows = recipientList->model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, refresh);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, refresh);
    connect(rows, &QAbstractItemModel::modelReset, this, refresh);
    connect(recipientList->selectionModel(), &QItemSelectionModel::selectionChanged, this, refresh);
    connect(subjectEdit, &QLineEdit::textChanged, this, refresh);
    connect(bodyEdit, &QPlainTextEdit::textChanged, this, refresh);
    for (int item = 0; item < 2; ++item)
        connect(formatChoice->Item(item), &QRadioButton::toggled, this, refresh);
}

// Moves the selection to the next entry that gets a message, back or on.
void TMainWindow::StepPreview(int step)
{
    int row = previewWindow->ShownIndex() + step;
    while (row >= 0 && row < recipientList->Count() && recipientList->Item(row).empty())
        row += step;
    if (row < 0 || row >= recipientList->Count())
        return;
    recipientList->SetItemIndex(row);
    recipientList->ScrollToRow(row);
    previewWindow->Refresh();
}

// ---- Other windows, language and addresses -----------------------------------------------

void TMainWindow::exitProgram()
{
    FPeers->SendJob.Cancel();
    close();
}

void TMainWindow::showSettings()
{
    UserInterface().ExecModal(FPeers->SettingsDialog);
}

void TMainWindow::showImportHelp()
{
    TImportHelpWindow& help = FPeers->ImportHelpWindow;
    help.show();
    help.raise();
    help.activateWindow();
}

// The history is opened at its first use; one that cannot be opened or read is reported,
// and the window stays closed.
void TMainWindow::showHistory()
{
    THistoryWindow& history = FPeers->HistoryWindow;
    history.Refresh();
    history.show();
    history.raise();
    history.activateWindow();
}

void TMainWindow::useSlovenian()
{
    CurrentLanguage = 1;
    ShowLanguage();
}

void TMainWindow::useEnglish()
{
    CurrentLanguage = 2;
    ShowLanguage();
}

void TMainWindow::showHelp()
{
    OpenOnDesktop(HelpFile());
}

void TMainWindow::openWebSite()
{
    OpenOnDesktop(WebSiteAddress);
}

void TMainWindow::openForum()
{
    OpenOnDesktop(ForumAddress);
}

void TMainWindow::showAbout()
{
    TAboutBox& about = FPeers->AboutBox;
    about.SetDescription({QText(Messages::AboutParagraph()), QString(), QText(Messages::AboutSeeAlso())});
    UserInterface().ExecModal(about);
}
