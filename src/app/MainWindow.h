#pragma once
#include "app/DisplayedLines.h"
#include "base/StringList.h"
#include "workflow/FileDialog.h"
#include "workflow/RecipientList.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolBar;
class QToolButton;
class QWindow;
class TListBox;
class TPelmar;
class TRadioGroup;
class TSendBinding;
class TSendJob;
class TSmtpClient;
class TStatusBar;

// The main window: the recipient list, the message, the commands and the program's state
// kept between runs. Closing it ends the program.
class TForm1 : public QMainWindow {
public:
    explicit TForm1(TPelmar& program);
    ~TForm1() override;

    // Main menu, its rows and the recipient list's pop-up menu.
    QMenu* M1;
    QAction *M11, *M12, *M18, *M17, *M15, *M16, *M14, *M13, *M19;
    QMenu* M2;
    QAction *M21, *M22;
    QAction* M3;
    QMenu* M4;
    QAction *M41, *M42, *M43, *M49;
    QMenu* PopupMenu1;
    QAction* P1;

    // Bands: the text buttons of the menu, the picture buttons, then the recipient rows.
    QToolBar* ToolBar2;
    QToolButton *ToolButton7, *ToolButton8, *ToolButton9, *ToolButton10;
    QToolBar* ToolBar1;
    QToolButton *ToolButton1, *ToolButton2, *ToolButton3, *ToolButton4, *ToolButton5, *ToolButton6,
        *ToolButton12;
    QWidget* Panel2;
    TListBox* ListBox2;  // label column
    TListBox* ListBox1;  // recipient entries
    QWidget* Panel7;
    QPushButton* Button1;
    QLineEdit* Edit2;
    QWidget* Panel4;
    QPushButton* Button20;
    QLineEdit* Edit3;
    QPushButton* Button22;

    // The message area.
    QWidget* Panel5;
    QLabel* Label1;
    QLineEdit* Edit1;
    TRadioGroup* RadioGroup1;
    QWidget* Panel6;
    QPlainTextEdit* Memo1;
    TStatusBar* StatusBar2;
    TStatusBar* StatusBar1;

    // The shared file dialogs of every open and save command.
    TFileDialog Open{TFileDialog::TKind::Open};
    TFileDialog Save{TFileDialog::TKind::Save};

    // The mail component that the send job drives, and its event handlers.
    TSmtpClient* SMTP;
    void SMTPDisconnect(QObject* Sender);
    void SMTPConnect(QObject* Sender);
    void SMTPInvalidHost(bool& Handled);
    void SMTPHostResolved(QObject* Sender);
    void SMTPStatus(QObject* Sender, const std::string& Status);
    void SMTPConnectionFailed(QObject* Sender);
    void SMTPRecipientNotFound(const std::string& Recipient);
    void SMTPSendStart(QObject* Sender);
    void SMTPSuccess(QObject* Sender);
    void SMTPFailure(QObject* Sender);
    void SMTPAuthenticationFailed(bool& Handled);
    // Makes whatever the mail component waits for give up.
    void CancelSmtp();
    TSendJob& SendJob() { return *FSendJob; }

    // Life cycle.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose();
    // Settings store into the settings dialog's fields (the mail settings only).
    void LoadSettings();

    // Commands.
    void Button1Click();  // send the message to every recipient
    void Button2Click();
    void Button3Click();
    void Edit2KeyPress(char key);
    void Edit2Exit();
    void ListBox1KeyUp(int key);
    void M17Click();
    void P1Click();
    void M15Click();
    void M12Click();
    void M16Click();
    void Button20Click();
    void Button22Click();
    void M18Click();
    void M19Click();
    void M3Click();
    void M14Click();
    void M21Click();
    void M22Click();
    void M41Click();
    void M42Click();
    void M43Click();
    void M49Click();
    void ToolButton12Click();
    void StatusBar1Click();

    // The body as text, line breaks CR LF.
    std::string BodyText() const;
    void SetBodyText(const std::string& text);
    // The body as the field shows it: one line per displayed line.
    TStringList DisplayedBodyLines() const;
    TRecipientList Recipients();

    // How often the activation handler has run.
    int ActivationCount() const { return FActivations; }

    // Called when the window has closed (the program then ends).
    std::function<void()> OnClosed;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBars();
    QWidget* BuildRecipientBands();
    QWidget* BuildMessageArea();
    void BuildWindow();
    void BuildSmtp();
    void WireEvents();
    void WireSmtpEvents();
    void FocusWindowChanged(QWindow* window);
    void AddTypedAddress();

    TPelmar& FProgram;
    bool FShown = false;
    bool FActivated = false;
    int FActivations = 0;
    QWindow* FLastFocusWindow = nullptr;
    mutable TDisplayedLinesCache FBodyLines;
    std::unique_ptr<TSendBinding> FSendBinding;
    std::unique_ptr<TSendJob> FSendJob;
};
