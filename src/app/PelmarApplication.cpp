// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PelmarApplication.h"

#include "app/AboutBox.h"
#include "app/HistoryWindow.h"
#include "app/ImportHelpWindow.h"
#include "app/MainWindow.h"
#include "app/QtUserInterface.h"
#include "app/ScreenFit.h"
#include "app/SendLogWindow.h"
#include "app/SendProgressView.h"
#include "app/SettingsDialog.h"
#include "app/Widgets.h"
#include "keyring/KeyringPasswords.h"
#include "mail/SmtpClient.h"
#include "signin/OAuthSignIn.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/SendJob.h"
#include "workflow/limits/SuppressionList.h"
#include "workflow/program/ProgramState.h"

#include <QApplication>

namespace {

TMainWindow* mainWindow = nullptr;

void ShowTitle(const std::string& title)
{
    // The desktop shows a program by its main window's title.
    if (mainWindow)
        mainWindow->setWindowTitle(QString::fromStdString(title));
}

// The client as the program uses it; the send job sets the rest before each run.
void Configure(TSmtpClient& smtp)
{
    smtp.SetPort(25);
    smtp.SetReportLevel(0);
    smtp.SetEncodeType(emBase64);
    smtp.SetClearParams(true);
    smtp.SetSubType(mtHtml);
    smtp.SetCharset("utf-8");
}

}

TPelmarApplication::TPelmarApplication(QStringList arguments)
    : FHistory(std::make_unique<THistoryAccess>()), FSuppressions(std::make_unique<TSuppressionList>())
{
    SetApplicationTitle(ApplicationTitle);
    CreateWindows(std::move(arguments));
    CreateSendJob();
    FMainWindow->SetPeers({*FSettingsDialog, *FAboutBox, *FImportHelpWindow, *FSendLogWindow, *FSendJob,
                           *FHistoryWindow, FSuppressions.get()});
    mainWindow = FMainWindow.get();
    SetApplicationTitleObserver(ShowTitle);
}

TPelmarApplication::~TPelmarApplication()
{
    SetApplicationTitleObserver(nullptr);
    mainWindow = nullptr;
}

// The main window comes first and owns the others; each keeps the object name the
// dialog seam records it by.
void TPelmarApplication::CreateWindows(QStringList arguments)
{
    FMainWindow = std::make_unique<TMainWindow>(std::move(arguments));
    FitOnScreen(*FMainWindow);
    FCreationOrder.push_back(FMainWindow->objectName().toStdString());
    FSettingsDialog = new TSettingsDialog(FMainWindow.get());
    FCreationOrder.push_back(FSettingsDialog->objectName().toStdString());
    FAboutBox = new TAboutBox(FMainWindow.get());
    FCreationOrder.push_back(FAboutBox->objectName().toStdString());
    FImportHelpWindow = new TImportHelpWindow(FMainWindow.get());
    FCreationOrder.push_back(FImportHelpWindow->objectName().toStdString());
    FSendLogWindow = new TSendLogWindow(FMainWindow.get());
    FCreationOrder.push_back(FSendLogWindow->objectName().toStdString());
    FHistoryWindow = new THistoryWindow(FMainWindow.get(), *FHistory, FMainWindow->saveDialog);
    FCreationOrder.push_back(FHistoryWindow->objectName().toStdString());
}

// The job reads the recipient list and the message from the main window and the account
// from the settings dialog's fields, shows its progress in the main window's lower status
// bar and the send log, and records every outcome in the program's one history. It wires
// the client's events to itself.
void TPelmarApplication::CreateSendJob()
{
    FSmtp = std::make_unique<TSmtpClient>();
    Configure(*FSmtp);
    FSendProgress = std::make_unique<TSendProgressView>(
        TSendProgressWidgets{FMainWindow->sendStatusBar, FSendLogWindow, FSendLogWindow->logText});
    FSendJob = std::make_unique<TSendJob>(*FSmtp, *FMainWindow->recipientList, *FMainWindow, *FSettingsDialog,
                                          *FSendProgress, FHistory.get());
    FSendJob->SetListFields(&FMainWindow->recipientFields);
    FSendJob->SetSuppressions(FSuppressions.get());
    FHistoryWindow->OnSuppress = [this](const std::vector<std::string>& entries) {
        FSuppressions->AddAll(FSettingsDialog->Email(), entries, "by hand");
    };
    // The password typed in the dialog, asked for by a job or kept in the keyring.
    FKeyring = std::make_unique<TKeyringPasswords>();
    FSendJob->Passwords().SetKeeper(FKeyring.get());
    FOAuth = std::make_unique<TOAuthSignIn>(FKeyring.get(), true);
    FSendJob->SetOAuthTokens(FOAuth.get());
    FSettingsDialog->SetPasswords(&FSendJob->Passwords());
}

int RunPelmar(const QStringList& arguments)
{
    TQtUserInterface ui;
    SetUserInterface(&ui);
    int status = 0;
    {
        TPelmarApplication program(arguments);
        program.MainWindow().OnClosed = [] { QCoreApplication::quit(); };
        program.MainWindow().show();
        program.MainWindow().activateWindow();
        status = QApplication::exec();
    }
    SetUserInterface(nullptr);
    return status;
}
