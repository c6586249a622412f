// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class TAboutBox;
class THistoryAccess;
class THistoryWindow;
class TKeyringPasswords;
class TOAuthSignIn;
class TImportHelpWindow;
class TMainWindow;
class TSendJob;
class TSendLogWindow;
class TSendProgressView;
class TSettingsDialog;
class TSmtpClient;
class TSuppressionList;

// The running program, and the one place that puts it together: it creates the windows
// (in this order), the SMTP client, the send job and the job's progress view, and the
// one access to the delivery history, connects them, and keeps them until it ends. Closing the main window ends the program;
// the other windows go with it.
class TPelmarApplication {
public:
    // arguments: the command line without the program's own name.
    explicit TPelmarApplication(QStringList arguments);
    ~TPelmarApplication();
    TPelmarApplication(const TPelmarApplication&) = delete;
    TPelmarApplication& operator=(const TPelmarApplication&) = delete;

    TMainWindow& MainWindow() const { return *FMainWindow; }
    TSettingsDialog& SettingsDialog() const { return *FSettingsDialog; }
    TAboutBox& AboutBox() const { return *FAboutBox; }
    TImportHelpWindow& ImportHelpWindow() const { return *FImportHelpWindow; }
    TSendLogWindow& SendLogWindow() const { return *FSendLogWindow; }
    THistoryWindow& HistoryWindow() const { return *FHistoryWindow; }
    // The delivery history, opened at its first use and shared by every window and job.
    THistoryAccess& History() const { return *FHistory; }
    // The account's suppression list, opened at its first use.
    TSuppressionList& Suppressions() const { return *FSuppressions; }
    TSmtpClient& Smtp() const { return *FSmtp; }
    TSendProgressView& SendProgress() const { return *FSendProgress; }

    // The object names of the windows in the order they were created.
    const std::vector<std::string>& CreationOrder() const { return FCreationOrder; }

private:
    void CreateWindows(QStringList arguments);
    void CreateSendJob();

    std::vector<std::string> FCreationOrder;
    // Outlives every window and the job that read or write it.
    std::unique_ptr<THistoryAccess> FHistory;
    std::unique_ptr<TSuppressionList> FSuppressions;
    // Destroyed in the reverse order: the SMTP client goes first, since its events call
    // into the job, which shows its progress in the windows.
    std::unique_ptr<TMainWindow> FMainWindow;
    // Owned by the main window.
    TSettingsDialog* FSettingsDialog = nullptr;
    TAboutBox* FAboutBox = nullptr;
    TImportHelpWindow* FImportHelpWindow = nullptr;
    TSendLogWindow* FSendLogWindow = nullptr;
    THistoryWindow* FHistoryWindow = nullptr;
    std::unique_ptr<TKeyringPasswords> FKeyring;
    std::unique_ptr<TOAuthSignIn> FOAuth;
    std::unique_ptr<TSendProgressView> FSendProgress;
    std::unique_ptr<TSendJob> FSendJob;
    std::unique_ptr<TSmtpClient> FSmtp;
};

// Runs the program with the given command line (without the program name); returns its exit code.
int RunPelmar(const QStringList& arguments);
