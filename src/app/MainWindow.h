// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"
#include "workflow/compose/MessagePreview.h"
#include "workflow/job/SendJob.h"
#include "workflow/lists/ListFields.h"
#include "workflow/lists/RecipientList.h"
#include "workflow/ui/FileDialog.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class TSendLaterDialog;
class TSuppressionList;
class TSuppressionWindow;
class TScheduledSend;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolBar;
class QToolButton;
class QWindow;
class TAboutBox;
class TDraftKeeper;
class THistoryWindow;
class TImportHelpWindow;
class TListBox;
class TListStatusBar;
class TMessagePreviewWindow;
class TRadioGroup;
class TSendLogWindow;
class TSettingsDialog;
class TStatusBar;

// The button's tool tip with the key of its command, as the pointer shows it.
QString ToolTipWithKey(const QWidget* button, const QAction* action);

// What the main window's commands reach beyond its own widgets. The program makes these
// after the window (the dialogs have it as their owner, the send job reads its list) and
// hands them over before the window is shown.
struct TMainWindowPeers {
    TSettingsDialog& SettingsDialog;
    TAboutBox& AboutBox;
    TImportHelpWindow& ImportHelpWindow;
    TSendLogWindow& SendLogWindow;
    TSendJob& SendJob;
    THistoryWindow& HistoryWindow;
    TSuppressionList* Suppressions = nullptr; // the account's suppression list
};

// The main window: the recipient list, the message, the commands and the program's state
// kept between runs. Closing it ends the program. The send job reads the message from it.
class TMainWindow : public QMainWindow, public TMessageFields {
public:
    // arguments: the command line without the program's own name.
    explicit TMainWindow(QStringList arguments);
    ~TMainWindow() override;

    void SetPeers(const TMainWindowPeers& peers);

    // Every command is one action, whichever menu row, button, double click or key runs it.
    QAction* openRecipientFileAction;
    QAction* openMessageFileAction;
    QAction* previewHtmlAction;
    QAction* previewMessageAction; // the message as the selected recipient gets it
    QAction* clearRecipientsAction;
    QAction* saveRecipientFileAction;
    QAction* saveMessageFileAction;
    QAction* showImportHelpAction;
    QAction* sendToListAction;
    QAction* stopSendingAction;      // enabled while a job runs
    QAction* sendLaterAction;        // the job starts at a chosen moment
    QAction* showSuppressionsAction; // the addresses no job sends to
    QAction* showHistoryAction;
    QAction* exitProgramAction;
    QAction* useSlovenianAction;
    QAction* useEnglishAction;
    QAction* showSettingsAction; // a row of the menu bar itself
    QAction* showHelpAction;
    QAction* openWebSiteAction;
    QAction* openForumAction;
    QAction* showAboutAction;
    QAction* addRecipientAction;
    QAction* deleteRecipientAction;
    QAction* pickAttachmentAction;
    QAction* clearAttachmentAction;
    QAction* undoListAction; // puts back the list a Clear or a Delete took (Ctrl+Z in the list)

    // The menu bar's menus and the recipient list's pop-up menu, whose one row runs
    // clearRecipientsAction under a text of its own.
    QMenu* fileMenu;
    QMenu* languageMenu;
    QMenu* aboutMenu;
    QMenu* recipientListMenu;
    QAction* clearRecipientsPopupRow;

    // Bands: the text buttons of the menu, the picture buttons, then the recipient rows.
    QToolBar* menuToolBar;
    QToolButton *fileMenuButton, *languageMenuButton, *settingsMenuButton, *aboutMenuButton;
    QToolBar* pictureToolBar;
    QToolButton *sendButton, *stopButton, *previewButton, *openMessageButton, *openRecipientsButton, *slovenianButton,
        *englishButton, *settingsButton, *webSiteButton;
    TListBox* labelColumn; // the "To:" label of each entry, in the language it was added in
    TListBox* recipientList;
    // The columns and values of a list read from an address book, a row per entry.
    TListFields recipientFields;
    QPushButton* addRecipientButton; // its text labels the entries it adds
    QLineEdit* addressEdit;
    QPushButton* pickAttachmentButton;
    QLineEdit* attachmentEdit;
    QPushButton* clearAttachmentButton;

    // The message area.
    QLabel* subjectLabel;
    QLineEdit* subjectEdit;
    TRadioGroup* formatChoice; // text or HTML
    QPlainTextEdit* bodyEdit;
    TStatusBar* sendStatusBar;     // the session's state and the counter
    TStatusBar* siteStatusBar;     // the maker and the program's web address; a click opens it
    TListStatusBar* listStatusBar; // the list's count, and the Undo of its last Clear or Delete
    TMessagePreviewWindow* previewWindow;

    // The shared file dialogs of every open and save command.
    TFileDialog openDialog{TFileDialog::TKind::Open};
    TFileDialog saveDialog{TFileDialog::TKind::Save};

    // The commands.
    void sendToList();
    void stopSending();
    // Asks for a moment; the job starts then without another question, counting down meanwhile.
    void sendLater();
    void showSuppressions();
    // False when the person keeps a scheduled job (and the program) going.
    bool ScheduleDropped();
    void addRecipient();
    void deleteRecipient();
    void clearRecipients();
    void openRecipientFile();
    void saveRecipientFile();
    void openMessageFile();
    void saveMessageFile();
    void pickAttachment();
    void clearAttachment();
    void previewHtml();
    void previewMessage();
    void showSettings();
    void showAbout();
    void showHelp();
    void showImportHelp();
    void showHistory();
    void openWebSite();
    void openForum();
    void useSlovenian();
    void useEnglish();
    void exitProgram();
    void undoListChange();

    // Puts back the work kept from the last run (unless the command line sends), loads
    // the recipient and message files the command line names over it, and sends at once
    // when its third word is "send". Runs when the window is first shown.
    void RunCommandLine();

    // The body as text, line breaks CR LF.
    std::string BodyText() const;
    void SetBodyText(const std::string& text);
    TRecipientList Recipients();
    // The message as the selected entry (or the first one) gets it.
    TMessagePreview PreviewForSelection() const;

    // The message as the send job reads it.
    std::string Subject() const override;
    // The body as typed: one entry per paragraph.
    TStringList BodyParagraphs() const override;
    int FormatIndex() const override;
    std::string AttachmentPath() const override;

    // Keeps the list and the message between runs.
    TDraftKeeper& Draft() const { return *FDraft; }

    // How often the activation handler has run.
    int ActivationCount() const { return FActivations; }

    // Called when the window has closed (the program then ends).
    std::function<void()> OnClosed;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildActions();
    void BuildMenus();
    void BuildToolBars();
    QWidget* BuildRecipientBands();
    QWidget* BuildMessageArea();
    void BuildWindow();
    void WireCommands();
    void WireControls();
    void RestoreWindowState();
    void RefreshOnActivation();
    void SaveWindowState();
    void ShowLanguage();
    void FocusWindowChanged(QWindow* window);
    void AddTypedAddress();
    void LoadRecipientFile(const std::string& fileName);
    void LoadMessageFileIntoBody(const std::string& fileName);
    TJobResult RunSendJob(const TJobStart& start);
    void ShowSending(bool sending);
    void WirePreview();
    // The list's count, its undo and the keys (MainWindowList.cpp).
    struct TListSnapshot {
        QStringList Entries;
        QStringList Labels;
        TListFields Fields;
        std::string ListFile;
        int Selected = -1;
    };
    void WireListStatus();
    void WireKeys();
    TListSnapshot ListSnapshot() const;
    // Runs a change of the list that Undo can take back, and offers the Undo.
    void UndoableListChange(const std::function<void()>& change, const QString& note);
    void RefreshListCount();
    void StepPreview(int step);

    QStringList FArguments;
    std::optional<TMainWindowPeers> FPeers;
    bool FShown = false;
    bool FActivated = false;
    int FActivations = 0;
    QWindow* FLastFocusWindow = nullptr;
    std::unique_ptr<TDraftKeeper> FDraft;
    std::string FListFile;                  // the recipients file the list was last loaded from
    std::optional<TListSnapshot> FListUndo; // the list before the last Clear or Delete
    bool FChangingList = false;             // a change Undo can take back is running
    TSendLaterDialog* FSendLaterDialog = nullptr;
    TScheduledSend* FScheduledSend = nullptr;
    TSuppressionWindow* FSuppressionWindow = nullptr;
};
