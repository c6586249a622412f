// SPDX-License-Identifier: GPL-3.0-or-later
// Not a check: pictures of every window for the README, taken with ImageMagick's import
// on a real X display. Runs only when PELMAR_SCREENSHOT_DIR names the folder for them
// (scripts/screenshots.sh starts a virtual display and sets it).
#include "AppFixture.h"
#include "app/AboutBox.h"
#include "app/HistoryWindow.h"
#include "app/ImportHelpWindow.h"
#include "app/MessagePreviewWindow.h"
#include "app/QtUserInterface.h"
#include "app/SendLogWindow.h"
#include "support/RealSmtpServer.h"
#include "support/RecordedPause.h"
#include "workflow/history/DeliveryHistory.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/JobMessages.h"
#include "workflow/limits/LimitMessages.h"

#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QWindow>

namespace {

class Screenshots : public AppTest {
protected:
    QString Folder = qEnvironmentVariable("PELMAR_SCREENSHOT_DIR");

    void Take(QWidget& window, const QString& name)
    {
        window.show();
        window.raise();
        window.activateWindow();
        PumpUntil([&window] { return window.isVisible() && window.windowHandle()->isExposed(); });
        for (int i = 0; i < 20; ++i)
            Pump();
        const QString file = Folder + "/" + name + ".png";
        EXPECT_EQ(QProcess::execute("import", {"-window", QString::number(window.winId()), file}), 0) << Str(file);
    }

    // A question as the program's own message box asks it; the box is closed once taken.
    void TakeQuestion(const std::string& question, const std::vector<std::string>& answers, const QString& name)
    {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                poll.stop();
                Take(*box, name);
                box->reject();
            }
        });
        poll.start(50);
        TQtUserInterface().Ask(question, answers);
    }

    // Three jobs of a week: the oldest delivered everything, the next met a refusal, a
    // greylisting server, an interrupted line and a suppressed address, the newest is still
    // under way.
    void FillHistory()
    {
        using enum TOutcome;
        TDeliveryHistory& history = Program->History().History();
        const auto party =
            history.BeginJob({Sandbox.Path("lists/friends.txt"),
                              "Summer party invitation",
                              "m1",
                              {"ana.kovac@example.org", "Marko Horvat <marko@example.org>", "spela@example.net"}});
        for (int i = 0; i < 3; ++i)
            history.Record(party,
                           {i, Delivered, "250 2.0.0 Ok: queued as 4F2A" + std::to_string(i),
                            "<20240610.1402" + std::to_string(i) + "@example.org>", ""});
        history.EndJob(party);
        const auto news =
            history.BeginJob({Sandbox.Path("lists/club.txt"),
                              "Club news, June",
                              "m2",
                              {"ana.kovac@example.org", "marko.horvat.example.org", "spela@example.net", "bob@",
                               "info@example.com", "joze.zupan@example.org", "nina@example.net", "miha@example.org"}});
        history.Record(news, {0, Delivered, "250 2.0.0 Ok: queued as 7C11", "<20240612.0930@example.org>", ""});
        history.Record(news, {1, Refused, "not a valid e-mail address", "", ""});
        history.Record(news, {2, Delivered, "250 2.0.0 Ok: queued as 7C12", "<20240612.0931@example.org>", ""});
        history.Record(news, {3, Refused, "not a valid e-mail address", "", ""});
        history.Record(news,
                       {4, Refused, "550 5.1.1 <info@example.com>: Recipient address rejected: User unknown",
                        "<20240612.0932@example.org>", ""});
        history.Record(
            news,
            {5, Deferred, "451 4.7.1 Greylisted, please try again in 60 seconds", "<20240612.0933@example.org>", ""});
        history.Record(news,
                       {6, Deferred, "421 4.4.2 Connection dropped", "<20240612.0934@example.org>",
                        "sent again: no reply to the final dot"});
        history.Record(news, {7, Suppressed, Messages::SuppressedReply(), "", ""});
        history.EndJob(news);
        history.BeginJob({"", "Reminder: party on Saturday", "m3", {"ana.kovac@example.org", "spela@example.net"}});
    }
};

TEST_F(Screenshots, EveryWindow)
{
    if (Folder.isEmpty() || QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "set PELMAR_SCREENSHOT_DIR and run on an X display";
    Sandbox.WriteSettings("[General]\nime=Ana Novak\nemail=ana@example.org\nhost=mail.example.org\n"
                          "username=ana\nport=587\npavza=1\nleft=0\ntop=0\nsecurity=1\ntimeout=60\n");
    Ui.OpenAnswers = {
        Sandbox.MakeFile("lists/friends.txt",
                         "ana.kovac@example.org\nMarko Horvat <marko@example.org>\nspela@example.net\n"
                         "info@example.com\njoze.zupan@example.org\nnina@example.net\n"),
        Sandbox.MakeFile("lists/invitation.txt",
                         "Dear friends,\n\nyou are kindly invited to our summer "
                         "party on Saturday, 14 June, at 18:00 in the garden behind the library. Please bring good "
                         "mood and, if you like, something to share.\n\nKind regards,\nAna\n"),
        Sandbox.MakeFile("lists/map.pdf", "%PDF")};
    Start();
    Window().openRecipientFile();
    Window().openMessageFile();
    Window().pickAttachment();
    Window().attachmentEdit->setText("/home/ana/Documents/map.pdf");
    Window().subjectEdit->setText("Summer party invitation");
    Window().addressEdit->setText("new.friend@example.org");
    Take(Window(), "main-english");
    Window().useSlovenian();
    Take(Window(), "main-slovenian");
    Window().useEnglish();

    Settings().show(); // the keyring is asked as it opens; the password is typed after
    Settings().passwordEdit->setText("not-a-real-password");
    Take(Settings(), "settings-english");
    Window().useSlovenian();
    Take(Settings(), "settings-slovenian");
    Window().useEnglish();
    Settings().userIdEdit->clear();
    Take(Settings(), "settings-needed");
    Settings().emailEdit->setText("ana.kovac@gmail.com");
    Settings().findSettingsButton->click();
    PumpUntil([this] { return Settings().findSettingsButton->isEnabled(); });
    Take(Settings(), "settings-found");
    Settings().hide();
    Ui.OnModal = [this](QWidget& dialog) {
        Take(dialog, "about");
        dialog.hide();
    };
    Window().showAbout();
    Take(Program->ImportHelpWindow(), "import-help");
    Program->SendLogWindow().logText->setPlainText("14:02:11: ana.kovac@example.org...   OK.\n"
                                                   "14:02:12: Marko Horvat <marko@example.org>...   OK.\n"
                                                   "14:02:13: spela@example.net...   OK.");
    Take(Program->SendLogWindow(), "log");
    Program->SendLogWindow().hide();

    // Entries that are not addresses, marked where they stand.
    Ui.OpenAnswers = {Sandbox.MakeFile(
        "lists/club.txt",
        "ana.kovac@example.org\nmarko.horvat.example.org\nspela@example.net\nbob@\ninfo@example.com\n")};
    Window().openRecipientFile();
    Window().recipientList->SetItemIndex(1);
    Take(Window(), "main-invalid-entry");
    Window().clearRecipientsAction->trigger();
    Take(Window(), "main-undo");
    Window().undoListAction->trigger();

    FillHistory();
    Window().showHistory();
    Program->HistoryWindow().resize(1270, 580); // every count column and the state in view
    Program->HistoryWindow().ChooseJob(1);
    Take(Program->HistoryWindow(), "history");
    Window().useSlovenian();
    Take(Program->HistoryWindow(), "history-slovenian");
    Window().useEnglish();
    Program->HistoryWindow().hide();

    // An address book's export and a letter with personal fields, as one person gets it.
    Ui.OpenAnswers = {Sandbox.MakeFile("lists/contacts.csv",
                                       "First Name,Last Name,E-mail Address,Company\r\n"
                                       "Ana,Kovač,ana.kovac@example.org,Knjigarna Kovač\r\n"
                                       "Marko,Horvat,marko@example.org,\"Horvat & Sinovi, d.o.o.\"\r\n"
                                       "Špela,Novak,spela@example.net,Vrtnarstvo Novak\r\n")};
    Window().openRecipientFileAction->trigger();
    Window().subjectEdit->setText("Summer party invitation for {{first}}");
    Window().SetBodyText("Dear {{first}},\n\nyou and everyone at {{Company}} are kindly invited to our summer "
                         "party on Saturday, 14 June, at 18:00 in the garden behind the library.\n\n"
                         "We will send a reminder to {{email}} a few days before.\n\nKind regards,\nAna\n");
    Window().recipientList->SetItemIndex(1);
    Take(Window(), "main-fields");
    Window().previewMessageAction->trigger();
    Window().previewWindow->resize(560, 420);
    Take(*Window().previewWindow, "preview");
    Window().formatChoice->SetItemIndex(1);
    Window().SetBodyText(
        "<h2>Dear {{first}},</h2><p>you and everyone at <b>{{Company}}</b> are kindly invited to "
        "our <i>summer party</i> on Saturday, 14 June, at 18:00.</p><ul><li>garden behind the library</li>"
        "<li>bring good mood</li></ul><p>Kind regards,<br>Ana</p>");
    Window().previewWindow->Refresh();
    Take(*Window().previewWindow, "preview-html");
    Window().previewWindow->hide();

    // The questions before a job from the window.
    Activate(Window());
    TakeQuestion(Messages::SendConfirmation(1000, false, false), Messages::SendAnswers(true), "ask-send");
    TakeQuestion(Messages::NotAddressesWarning({"ana@example.org", "marko.horvat.example.org", "bob@"})
                     + Messages::SendConfirmation(3, false, false),
                 Messages::SendAnswers(true), "ask-send-not-addresses");
    TJobSummary earlier;
    earlier.started = QDateTime(QDate(2025, 6, 12), QTime(9, 30));
    earlier.total = 1000;
    earlier.delivered = 997;
    earlier.refused = 2;
    earlier.notSent = 1;
    TakeQuestion(Messages::ResumeQuestion(earlier), Messages::ResumeAnswers(), "ask-resume");
}

// The main window in the pause after a job's first message, sent to aiosmtpd on loopback.
TEST_F(Screenshots, MainWindowWhileSending)
{
    if (Folder.isEmpty() || QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "set PELMAR_SCREENSHOT_DIR and run on an X display";
    QTemporaryDir received;
    RealSmtpServer server(RealSmtpServer::TKind::Aiosmtpd, received.path().toStdString());
    ASSERT_TRUE(server.Ready()) << server.Problem();
    Sandbox.WriteSettings("[General]\nime=Ana Novak\nemail=ana@example.org\nhost=127.0.0.1\nusername=ana\n"
                          "pavza=5\nleft=0\ntop=0\nport="
                          + std::to_string(server.Port()) + "\n");
    Ui.OpenAnswers = {Sandbox.MakeFile(
        "lists/friends.txt",
        "ana.kovac@example.org\nMarko Horvat <marko@example.org>\nspela@example.net\ninfo@example.com\n")};
    Start();
    Window().openRecipientFile();
    Window().subjectEdit->setText("Summer party invitation");
    Window().SetBodyText("Dear friends,\n\nyou are kindly invited to our summer party on Saturday, 14 June.\n");
    TRecordedPause pause;
    pause.OnPause = [&] {
        pause.OnPause = nullptr;
        Program->SendLogWindow().move(Window().frameGeometry().right() + 10, 0);
        Take(Window(), "main-sending");
        Window().stopButton->click();
    };
    Ui.Answers = {0};
    Window().sendToList();
}

}
